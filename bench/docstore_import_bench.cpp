// Import throughput into the document database: generated sources of maps
// with 25 fields each are imported through the whole import (driver,
// session, definition database, adapter, client library), and the same
// documents are written straight into SQLite by docstore_sqlite_baseline,
// one transaction per document, in the same run.
//
// usage: docstore_import_bench [--server SERVICE] [MAPS ...]   (default 80
// 800: sources of 2,000 and 20,000 fields). With --server the database is
// one of that server's, and the baseline docstore_pg_baseline saves into it.
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

#include "bench/baseline_documents.h"
#include "docstore/zo_dossa_layout.h"
#include "import/pxm_import.h"
#include "import/user_message.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"

namespace {

using vexobench::cpuSeconds;

constexpr int kFieldsPerMap = 25;
constexpr int kDefaultSizes[] = {80, 800};

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
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
Timing importRun(const std::string& dir, const std::string& server, int maps) {
  const std::string source = dir + "/bench.pxm";
  vexobench::writeMapSource(source, maps, kFieldsPerMap);
  // On a server the name must be new there: the scratch folder's is.
  const std::string name = server.empty() ? "bench.ndb" : std::filesystem::path(dir).filename().string();
  std::ofstream(dir + "/vexo.ini") << "[DefinitionDatabase]\nDatabaseType = KirraDossa\n"
                                      "DatabaseName = " << name << "\nServerName = "
                                   << (server.empty() ? "Local" : server) << "\n";
  setenv("VEXO_INI_PATH", dir.c_str(), 1);
  setenv("NDOSSA_DATA", dir.c_str(), 1);
  const std::string path = server.empty() ? name : server + "!!" + name;
  DossaInitExtended(0, nullptr);
  DossaStatus created = DossaDbCreate(path.c_str(), zodossa::zoDossaDesign());
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
  if (!server.empty()) {
    DossaInitExtended(0, nullptr);
    DossaDbDelete(path.c_str());
    DossaTerm();
  }
  return status == 0 ? took : Timing{};
}

// Runs the baseline program on the same documents; its wall and processor seconds.
Timing baselineRun(const std::string& self, const std::string& dir, const std::string& server, int maps) {
  std::string program =
      std::filesystem::path(self).parent_path() / (server.empty() ? "docstore_sqlite_baseline" : "docstore_pg_baseline");
  std::string command = program + " " + std::to_string(maps) + " " + std::to_string(kFieldsPerMap) + " " +
                        (server.empty() ? dir + "/baseline.db" : server);
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  Timing took;
  if (std::fscanf(pipe, "%lf %lf", &took.wall, &took.cpu) != 2) took = {};
  return pclose(pipe) == 0 ? took : Timing{};
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<int> sizes;
  std::string server;
  int first = 1;
  if (argc > 2 && std::string(argv[1]) == "--server") {
    server = argv[2];
    first = 3;
  }
  for (int i = first; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
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
    Timing imported, baseline;
    for (int run = 0; run < kRuns; ++run) {
      // A folder of a new name each run: on a server it names the database.
      std::string dir = pattern + "/" + std::filesystem::path(pattern).filename().string() + "-" + std::to_string(run);
      std::filesystem::create_directory(dir);
      const Timing i = importRun(dir, server, maps), b = baselineRun(self, dir, server, maps);
      imported = run == 0 ? i : fastest(imported, i);
      baseline = run == 0 ? b : fastest(baseline, b);
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
