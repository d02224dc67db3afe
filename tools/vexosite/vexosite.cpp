// vexosite: writes a static site of message screens.
//   vexosite folder messagename...
// The definition database is the one configured in vexo.ini, found through
// VEXO_INI_PATH.
#include <cstdio>

#include "common/services.h"
#include "common/trace.h"
#include "platform/program.h"
#include "tools/vexosite/site.h"

int main(int argc, char* argv[]) {
  return programRunTool("vexosite", kVexositeHelp, argc, argv, [](int count, char* arguments[]) {
    xrkInitCommonServices("VEXO");
    XTR_TEXT("VEXOSITE starting");
    return vexositeRun(count, arguments, stdout, stderr);
  });
}
