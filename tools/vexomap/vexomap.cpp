// vexomap: shows the screen described by a message definition.
//   vexomap [/v] messagename
// The definition database is the one configured in vexo.ini, found through
// VEXO_INI_PATH; /v shows the fields' values instead of their names.
#include <cstdio>

#include "common/services.h"
#include "common/trace.h"
#include "platform/program.h"
#include "tools/vexomap/map_view.h"

int main(int argc, char* argv[]) {
  return programRunTool("vexomap", kVexomapHelp, argc, argv, [](int count, char* arguments[]) {
    // Without the common services nothing is traced; the map is still drawn.
    xrkInitCommonServices("VEXO");
    XTR_TEXT("VEXOMAP starting");
    return vexomapRun(count, arguments, stdout, stderr);
  });
}
