// vexolev: prints the code-level string and the module version strings
// embedded in a program file.
#include <cstdio>

#include "level/level_report.h"
#include "platform/program.h"

// A run the frame ends as failed has the status of the reporter's own failure.
static_assert(LEV_EXIT_FAILURE == PROGRAM_EXIT_FAILURE);

// What a sole --help prints; the usage line is the one a wrong command line gets.
constexpr const char* kHelp =
    "Usage : vexolev <path>\\<binary>\n"
    "        vexolev --help | --version\n"
    "Prints the code-level string and the module version strings embedded in a\n"
    "program file.\n";

int main(int argc, char* argv[]) {
  return programRunTool("vexolev", kHelp, argc, argv,
                        [](int count, char* arguments[]) { return levReport(count, arguments, stdout); });
}
