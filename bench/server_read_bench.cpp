// Reads from a definition database on a server next to the same reads from a
// local file: a field document found by its keys and read through the client
// library, and the construction of a message of 25 fields by a session
// (median and 99th percentile of single calls).
//
// usage: server_read_bench SERVICE [READS]   (default 2000 reads of each kind)

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/baseline_documents.h"
#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_msg_build.h"
#include "import/pxm_import.h"
#include "import/user_message.h"
#include "message/zo_message.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "session/zo_session.h"

namespace {

constexpr int kFields = 25;
constexpr int kDefaultReads = 2000;

// Microseconds of each call of `work`, sorted.
template <class Work>
std::vector<double> timed(int times, Work work) {
  std::vector<double> took;
  for (int i = 0; i < times; ++i) {
    auto start = std::chrono::steady_clock::now();
    if (!work()) return {};
    took.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(took.begin(), took.end());
  return took;
}

double at(const std::vector<double>& sorted, double fraction) {
  return sorted[static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1))];
}

// One definition database (a local file, or a database on `server`) with
// one imported and built map of kFields fields; false when it fails.
bool prepare(const std::string& dir, const std::string& server) {
  const std::string name = server.empty() ? "bench.ndb" : std::filesystem::path(dir).filename().string();
  std::ofstream(dir + "/vexo.ini") << "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = " << name
                                   << "\nServerName = " << (server.empty() ? "Local" : server) << "\n";
  setenv("VEXO_INI_PATH", dir.c_str(), 1);
  setenv("NDOSSA_DATA", dir.c_str(), 1);
  const std::string source = dir + "/one.pxm";
  vexobench::writeMapSource(source, 1, kFields);
  const std::string path = server.empty() ? name : server + "!!" + name;
  DossaInitExtended(0, nullptr);
  bool ok = DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()) == DOSSA_NOERROR;
  std::string program = "vexopxm";
  std::string file = source;
  char* argv[] = {program.data(), file.data(), nullptr};
  std::FILE* quiet = std::fopen("/dev/null", "w");
  if (ok) {
    UserMessage message(quiet, stderr);
    PXMImport driver;
    ok = driver.run(2, argv, message) == 0;
  }
  std::fclose(quiet);
  DossaDbHandle db = 0;
  std::string problem;
  ok = ok && DossaDbOpen(path.c_str(), &db) == DOSSA_NOERROR && zoBuildMessages(db, {}, nullptr, problem) == 0;
  if (!ok) std::fprintf(stderr, "server_read_bench: no database to read from %s\n", problem.c_str());
  if (db) DossaDbClose(db);
  DossaTerm();
  return ok;
}

// A field document found by its keys (message and field name, the search
// the definition store makes) and opened, through the client library.
std::vector<double> keyReads(const std::string& dir, const std::string& server, int reads) {
  const std::string name = server.empty() ? "bench.ndb" : std::filesystem::path(dir).filename().string();
  const std::string path = server.empty() ? name : server + "!!" + name;
  DossaInitExtended(0, nullptr);
  DossaDbHandle db = 0;
  std::vector<double> took;
  if (DossaDbOpen(path.c_str(), &db) == DOSSA_NOERROR) {
    int n = 0;
    took = timed(reads, [&] {
      char formula[96];
      std::snprintf(formula, sizeof formula, "MessageName = \"M0000000\" & MessageFieldName = \"FLD%02d\"",
                    n++ % kFields + 1);
      DossaMemHandle compiled = 0;
      if (DossaFormulaCompile(nullptr, 0, formula, 0, &compiled, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr))
        return false;
      DossaNoteId found = 0;
      auto first = [](void* context, const DossaSearchMatch* match, const void*) -> DossaStatus {
        *static_cast<DossaNoteId*>(context) = match->noteId;
        return DOSSA_NOERROR;
      };
      DossaStatus s = DossaSearch(db, compiled, nullptr, 0, DOSSA_NOTE_CLASS_DOCUMENT, nullptr, first, &found, nullptr);
      DossaMemFree(compiled);
      DossaNoteHandle note = 0;
      if (s || !found || DossaNoteOpen(db, found, 0, &note)) return false;
      DossaNoteClose(note);
      return true;
    });
    DossaDbClose(db);
  }
  DossaTerm();
  return took;
}

void drop(const std::string& dir, const std::string& server) {
  if (!server.empty()) {
    DossaInitExtended(0, nullptr);
    DossaDbDelete((server + "!!" + std::filesystem::path(dir).filename().string()).c_str());
    DossaTerm();
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: server_read_bench SERVICE [READS]\n");
    return 1;
  }
  const int reads = argc > 2 ? std::atoi(argv[2]) : kDefaultReads;
  std::printf("%-8s | %12s %12s | %14s %14s\n", "store", "read med us", "read p99 us", "message med us",
              "message p99 us");
  bool ok = true;
  for (const std::string& server : {std::string(), std::string(argv[1])}) {
    std::string dir = (std::filesystem::temp_directory_path() / "server-read-XXXXXX").string();
    if (!mkdtemp(dir.data())) return 1;
    std::vector<double> fieldReads, messages;
    if (prepare(dir, server)) {
      char program[] = "vexo";
      char* args[] = {program, nullptr};
      ZoSession session(1, args);
      if (session.getErrorCode() != 0) std::fprintf(stderr, "server_read_bench: session: %lx\n",
                                                    static_cast<unsigned long>(session.getErrorCode()));
      if (session.getErrorCode() == 0) {
        fieldReads = keyReads(dir, server, reads);
        messages = timed(reads, [&] {
          ZoMessage message("M0000000", session);
          if (message.getFieldCount() == kFields) return true;
          std::fprintf(stderr, "server_read_bench: message: %lx\n", static_cast<unsigned long>(message.getErrorCode()));
          return false;
        });
      }
    }
    drop(dir, server);
    const char* label = server.empty() ? "local" : "server";
    if (fieldReads.empty() || messages.empty()) {
      std::printf("%-8s | failed\n", label);
      ok = false;
      continue;
    }
    std::printf("%-8s | %12.1f %12.1f | %14.1f %14.1f\n", label, at(fieldReads, 0.5), at(fieldReads, 0.99),
                at(messages, 0.5), at(messages, 0.99));
  }
  return ok ? 0 : 1;
}
