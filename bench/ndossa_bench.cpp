// Documents saved per second (one DossaNoteUpdate each, 17 text items) and
// the latency of a search by key, on databases of 1,000 and 100,000 documents.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"

namespace {

constexpr int kItems = 17;

// A database of a given number of field documents, made once per size and kept for the run.
class BenchDatabase {
 public:
  explicit BenchDatabase(int documents) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ndossa-bench-XXXXXX").string();
    dir_ = mkdtemp(pattern.data()) ? pattern : std::string();
    path_ = dir_ + "/bench.ndb";
    DossaInitExtended(0, nullptr);
    DossaDbCreate(path_.c_str(), zodossa::zoDossaDesign());
    DossaDbOpen(path_.c_str(), &db_);
    for (int i = 0; i < documents; ++i) save(i);
  }
  ~BenchDatabase() {
    DossaDbClose(db_);
    DossaTerm();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  BenchDatabase(const BenchDatabase&) = delete;
  BenchDatabase& operator=(const BenchDatabase&) = delete;

  // One field document of message "M<n / 20>", field "F<n>", saved on its own.
  bool save(int n) {
    DossaNoteHandle note = 0;
    if (DossaNoteCreate(db_, &note)) return false;
    std::string message = "M" + std::to_string(n / 20), field = "F" + std::to_string(n);
    DossaStatus s = DossaItemSetText(note, "FORM", "Field", DOSSA_TERMINATED);
    if (!s) s = DossaItemSetText(note, "MessageName", message.c_str(), DOSSA_TERMINATED);
    if (!s) s = DossaItemSetText(note, "MessageFieldName", field.c_str(), DOSSA_TERMINATED);
    for (int k = 3; k < kItems && !s; ++k) {
      std::string name = "FieldItem" + std::to_string(k);
      s = DossaItemSetText(note, name.c_str(), "some value of a field", DOSSA_TERMINATED);
    }
    if (!s) s = DossaNoteUpdate(note, 0);
    DossaNoteClose(note);
    return !s;
  }

  DossaDbHandle db() const { return db_; }

 private:
  std::string dir_, path_;
  DossaDbHandle db_ = 0;
};

BenchDatabase& databaseOf(int documents) {
  static std::map<int, std::unique_ptr<BenchDatabase>> databases;
  auto& db = databases[documents];
  if (!db) db = std::make_unique<BenchDatabase>(documents);
  return *db;
}

void BM_SaveDocument(benchmark::State& state) {
  int size = static_cast<int>(state.range(0));
  BenchDatabase& db = databaseOf(size);
  int n = size * 10;  // keys apart from the prefilled ones
  for (auto _ : state) {
    if (!db.save(n++)) state.SkipWithError("save failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveDocument)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

DossaStatus countMatch(void* context, const DossaSearchMatch*, const void*) {
  ++*static_cast<int*>(context);
  return 0;
}

void BM_SearchByKey(benchmark::State& state) {
  int size = static_cast<int>(state.range(0));
  BenchDatabase& db = databaseOf(size);
  int n = 0;
  for (auto _ : state) {
    int key = (n++ * 7919) % size;
    std::string formula = "FORM = \"Field\" & MessageName = \"M" + std::to_string(key / 20) +
                          "\" & MessageFieldName = \"F" + std::to_string(key) + "\"";
    DossaMemHandle compiled = 0;
    int found = 0;
    DossaFormulaCompile(nullptr, 0, formula.c_str(), 0, &compiled, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr);
    DossaSearch(db.db(), compiled, nullptr, 0, DOSSA_NOTE_CLASS_DOCUMENT, nullptr, countMatch, &found,
                nullptr);
    DossaMemFree(compiled);
    if (found != 1) state.SkipWithError("key not found");
  }
}
BENCHMARK(BM_SearchByKey)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
