// Import throughput into the document database: generated sources of maps
// with 25 fields each are imported through the whole import (driver,
// session, definition database, adapter, client library), and the same
// documents are written straight into SQLite by docstore_sqlite_baseline,
// one transaction per document, in the same run.
//
// usage: docstore_import_bench [MAPS ...]   (default 80 800: sources of
// 2,000 and 20,000 fields)
// Each is run three times, and the fastest run counts.
// Prints one line per size (wall and processor seconds of both, and their
// ratios: the target is at most 1.0), then the growth from each size to the
// next against the growth of the maps (the target: 10x the maps in at most
// 11x the time).

#include <stdlib.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "docstore/zo_dossa_layout.h"
#include "import/pxm_import.h"
#include "import/user_message.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"

namespace {

constexpr int kFieldsPerMap = 25;
constexpr int kDefaultSizes[] = {80, 800};

// A source of `maps` maps of kFieldsPerMap fields, in the fixed columns of the map source.
void writeSource(const std::string& path, int maps) {
  std::ofstream out(path);
  char line[128];
  for (int m = 0; m < maps; ++m) {
    std::snprintf(line, sizeof line, "M%07d PXMMAP SIZE=(24,80)\n", m);
    out << line;
    for (int f = 0; f < kFieldsPerMap; ++f) {
      std::snprintf(line, sizeof line, "FLD%02d    PXMFLD POS=(%d,%d),LENGTH=%d,ATTRB=UNPROT\n", f + 1,
                    f % 24 + 1, (f / 24) * 40 + 2, f % 30 + 1);
      out << line;
    }
  }
}

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Processor time of this process so far, in seconds.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Timing {
  double wall = -1;
  double cpu = -1;
};

// Runs of each program per size.
constexpr int kRuns = 3;

// The faster of two timings, wall and processor time each; a failed run (-1) fails both.
Timing fastest(const Timing& a, const Timing& b) {
  if (a.wall < 0 || b.wall < 0) return {};
  return {std::min(a.wall, b.wall), std::min(a.cpu, b.cpu)};
}

// Imports `maps` generated maps into a new database in `dir`; wall and
// processor seconds, -1 on failure.
Timing importRun(const std::string& dir, int maps) {
  const std::string source = dir + "/bench.pxm";
  writeSource(source, maps);
  std::ofstream(dir + "/vexo.ini") << "[DefinitionDatabase]\nDatabaseType = KirraDossa\n"
                                      "DatabaseName = bench.ndb\nServerName = Local\n";
  setenv("VEXO_INI_PATH", dir.c_str(), 1);
  setenv("NDOSSA_DATA", dir.c_str(), 1);
  DossaInitExtended(0, nullptr);
  DossaStatus created = DossaDbCreate("bench.ndb", zodossa::zoDossaDesign());
  DossaTerm();
  if (created) return {};

  std::string program = "vexopxm";
  std::string file = source;
  char* argv[] = {program.data(), file.data(), nullptr};
  std::FILE* quiet = std::fopen("/dev/null", "w");
  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds();
  int status;
  {
    UserMessage message(quiet, stderr);
    PXMImport driver;
    status = driver.run(2, argv, message);
  }
  Timing took{seconds(std::chrono::steady_clock::now() - start), cpuSeconds() - cpuStart};
  std::fclose(quiet);
  return status == 0 ? took : Timing{};
}

// Runs the baseline program on the same documents; its wall and processor seconds.
Timing baselineRun(const std::string& self, const std::string& dir, int maps) {
  std::string program = std::filesystem::path(self).parent_path() / "docstore_sqlite_baseline";
  std::string command = program + " " + std::to_string(maps) + " " + std::to_string(kFieldsPerMap) + " " +
                        dir + "/baseline.db";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  Timing took;
  if (std::fscanf(pipe, "%lf %lf", &took.wall, &took.cpu) != 2) took = {};
  return pclose(pipe) == 0 ? took : Timing{};
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes.assign(std::begin(kDefaultSizes), std::end(kDefaultSizes));
  std::string self = std::filesystem::canonical("/proc/self/exe").string();

  // Wall time depends on what else the machine runs; processor time much less.
  std::printf("%7s %8s | %9s %9s %9s %9s | %9s %9s | %6s %6s\n", "maps", "fields", "import s", "cpu s",
              "fields/s", "f/cpu-s", "base s", "base cpu", "ratio", "cpu r.");
  std::vector<Timing> times;
  bool ok = true;
  for (int maps : sizes) {
    std::string pattern = (std::filesystem::temp_directory_path() / "docstore-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    // The fastest of a few runs of each: what the code costs, with less of
    // what else the machine was doing.
    Timing imported = importRun(pattern, maps), baseline = baselineRun(self, pattern, maps);
    for (int run = 1; run < kRuns; ++run) {
      for (const char* file : {"bench.ndb", "bench.ndb-wal", "bench.ndb-shm", "baseline.db", "baseline.db-wal",
                               "baseline.db-shm"}) {
        std::error_code ignored;
        std::filesystem::remove(pattern + "/" + file, ignored);
      }
      imported = fastest(imported, importRun(pattern, maps));
      baseline = fastest(baseline, baselineRun(self, pattern, maps));
    }
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    long fields = static_cast<long>(maps) * kFieldsPerMap;
    if (imported.wall <= 0 || baseline.wall <= 0) {
      std::printf("%7d  failed\n", maps);
      ok = false;
      continue;
    }
    times.push_back(imported);
    std::printf("%7d %8ld | %9.3f %9.3f %9.0f %9.0f | %9.3f %9.3f | %6.2f %6.2f\n", maps, fields, imported.wall,
                imported.cpu, fields / imported.wall, fields / imported.cpu, baseline.wall, baseline.cpu,
                imported.wall / baseline.wall, imported.cpu / baseline.cpu);
    std::fflush(stdout);
  }
  for (std::size_t i = 1; i < times.size(); ++i)
    std::printf("import %d maps / %d maps (%.1fx the maps): wall %.2fx, cpu %.2fx\n", sizes[i], sizes[i - 1],
                static_cast<double>(sizes[i]) / sizes[i - 1], times[i].wall / times[i - 1].wall,
                times[i].cpu / times[i - 1].cpu);
  return ok ? 0 : 1;
}
