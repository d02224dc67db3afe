// Scan speed of one read buffer, with and without markers in it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "level/level_report.h"
#include "level/level_scan.h"

namespace {

std::vector<unsigned char> makeBuffer(std::size_t markers) {
  std::vector<unsigned char> buffer(LEV_CARRY_SIZE + LEV_READ_SIZE, 0);
  // Program-like bytes: many '@' and '(' but few whole markers.
  for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<unsigned char>((i * 131) % 251);
  const LevMarker marker = levMarker(LevMarkerKind::ModuleVersion);
  const std::string text = std::string(marker.bytes, LEV_MARKER_LENGTH) + "module/path.cpp, c, r, b  1.0 26/01/01 00:00:00";
  for (std::size_t m = 0; m < markers; ++m) {
    const std::size_t at = (m + 1) * (buffer.size() / (markers + 1));
    for (std::size_t k = 0; k < text.size(); ++k) buffer[at + k] = static_cast<unsigned char>(text[k]);
    buffer[at + text.size()] = 0;
  }
  return buffer;
}

void scanBuffer(benchmark::State& state) {
  const std::vector<unsigned char> buffer = makeBuffer(static_cast<std::size_t>(state.range(0)));
  const LevMarker marker = levMarker(LevMarkerKind::ModuleVersion);
  std::FILE* sink = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    benchmark::DoNotOptimize(levScanBuffer(buffer.data(), buffer.size(), marker, sink));
  }
  std::fclose(sink);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(scanBuffer)->Arg(0)->Arg(10)->Arg(100);

}  // namespace
