// vexopxm: imports the maps of a screen-map source file into the definition
// database as message and field definitions.

#include "common/services.h"
#include "common/trace.h"
#include "import/pxm_import.h"
#include "import/user_message.h"
#include "platform/program.h"

// A run the frame ends as failed has the status of an import that failed.
static_assert(PXM_EXIT_ERROR == PROGRAM_EXIT_FAILURE);

// What a sole --help prints; the usage line is the one /? prints.
constexpr const char* kHelp =
    "Usage: vexopxm [/r] filename.pxm\n"
    "       vexopxm --help | --version\n"
    "Imports the maps of a screen-map source into the definition database that\n"
    "vexo.ini names ($VEXO_INI_PATH). Options, before the file name (\"-\" works too):\n"
    "  /r  replace definitions that exist\n"
    "  /w  also check the source and print warnings (exit status 2 after them)\n"
    "  /a  also keep each map's size and each field's display defaults and value\n"
    "  /?  print the usage line\n";

int main(int argc, char* argv[]) {
  return programRunTool("vexopxm", kHelp, argc, argv, [](int count, char* arguments[]) {
    // The result is not needed: without the common services nothing is traced.
    xrkInitCommonServices(PXM_PRODUCT_PREFIX);
    XTR_TEXT("VEXOPXM starting");

    UserMessage message;
    PXMImport import;
    return import.run(count, arguments, message);
  });
}
