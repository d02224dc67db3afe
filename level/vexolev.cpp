// vexolev: prints the code-level string and the module version strings
// embedded in a program file.
#include <cstdio>

#include "level/level_report.h"
#include "platform/program.h"

int main(int argc, char* argv[]) {
  return programRunMain("vexolev", argc, argv,
                        [](int count, char* arguments[]) { return levReport(count, arguments, stdout); });
}
