// Bytes as a program file for the level reporter: the whole run over a file,
// and the block scan over the bytes themselves.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "level/level_report.h"
#include "level/level_scan.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

std::FILE* sink() {
  static std::FILE* file = std::fopen("/dev/null", "w");
  if (file == nullptr) std::abort();
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (LevMarkerKind kind : {LevMarkerKind::CodeLevel, LevMarkerKind::ModuleVersion}) {
    levScanBuffer(data, size, levMarker(kind), sink());
  }
  char line[LEV_LINE_MAX + 1];
  std::size_t copied = levCopyLine(data, size, line);
  if (copied > LEV_LINE_MAX || copied > size) std::abort();
  levCleanLine(line);

  std::string path = FuzzScratch::instance().write("program.exe", data, size);
  const char* argv[] = {"vexolev", path.c_str(), nullptr};
  if (levReport(2, argv, sink()) != LEV_EXIT_OK) std::abort();
  return 0;
}
