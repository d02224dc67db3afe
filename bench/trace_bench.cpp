// Cost of one xtrEntry/xtrExit pair: with the services started but no trace
// file (ring and function stacks only), with a trace file, with the level
// keeping the lines out of the file, and before the services are started.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/services.h"
#include "common/trace.h"

namespace {

// Starts the services for one benchmark and stops them (and removes the
// trace directory) at its end.
class Services {
 public:
  Services(bool traceFile, const char* level) {
    char pattern[] = "/tmp/vexo-trace-bench-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) dir_ = pattern;
    ::setenv("VEXO_XLAT_PATH", dir_.c_str(), 1);
    ::setenv("VEXO_CODEPAGE", "850", 1);
    if (traceFile) {
      ::setenv("VEXO_TRACE", "1", 1);
      ::setenv("VEXO_TRACE_PATH", dir_.c_str(), 1);
    } else {
      ::unsetenv("VEXO_TRACE");
    }
    if (level) {
      ::setenv("VEXO_TRACE_LEVEL", level, 1);
    } else {
      ::unsetenv("VEXO_TRACE_LEVEL");
    }
    xrkInitCommonServices("VEXO");
  }
  ~Services() {
    xrkTermCommonServices();
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  Services(const Services&) = delete;
  Services& operator=(const Services&) = delete;

 private:
  std::string dir_;
};

void tracedPairs(benchmark::State& state) {
  for (auto _ : state) {
    xtrEntry("ZoSession :: createConfig");
    xtrExit("ZoSession :: createConfig", 0);
  }
}

void BM_PairNotStarted(benchmark::State& state) { tracedPairs(state); }

void BM_PairTracingOff(benchmark::State& state) {
  Services services(false, nullptr);
  tracedPairs(state);
}

void BM_PairToFile(benchmark::State& state) {
  Services services(true, nullptr);
  tracedPairs(state);
}

void BM_PairFileOpenAboveLevel(benchmark::State& state) {
  Services services(true, "1");
  xtrEntry("Outer");  // the measured pair runs at depth 1, below level 1
  tracedPairs(state);
  xtrExit("Outer", 0);
}

void BM_MethodGuardTracingOff(benchmark::State& state) {
  Services services(false, nullptr);
  for (auto _ : state) {
    ZO_ULONG rc = 0;
    XTR_METHOD("ZoConfig :: open", rc);
    benchmark::DoNotOptimize(rc);
  }
}

}  // namespace

BENCHMARK(BM_PairNotStarted);
BENCHMARK(BM_PairTracingOff);
BENCHMARK(BM_MethodGuardTracingOff);
BENCHMARK(BM_PairFileOpenAboveLevel);
BENCHMARK(BM_PairToFile);

BENCHMARK_MAIN();
