// vexolev: prints the code-level string and the module version strings
// embedded in a program file.
#include <cstdio>

#include "level/level_report.h"

int main(int argc, char* argv[]) { return levReport(argc, argv, stdout); }
