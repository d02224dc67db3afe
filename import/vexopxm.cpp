// vexopxm: imports the maps of a screen-map source file into the definition
// database as message and field definitions.

#include "common/services.h"
#include "common/trace.h"
#include "import/pxm_import.h"
#include "import/user_message.h"
#include "platform/program.h"

// A run the frame ends as failed has the status of an import that failed.
static_assert(PXM_EXIT_ERROR == PROGRAM_EXIT_FAILURE);

int main(int argc, char* argv[]) {
  return programRunMain("vexopxm", argc, argv, [](int count, char* arguments[]) {
    // The result is not needed: without the common services nothing is traced.
    xrkInitCommonServices(PXM_PRODUCT_PREFIX);
    XTR_TEXT("VEXOPXM starting");

    UserMessage message;
    PXMImport import;
    return import.run(count, arguments, message);
  });
}
