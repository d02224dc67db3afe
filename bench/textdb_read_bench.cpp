// Field-definition reads from a text database. Every read scans the file from
// the top to the definition's section, so the time of a read grows with the
// position of its section; these measure that growth.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "session/zo_session.h"
#include "textdb/zo_text_database.h"

namespace {

std::string fieldName(int i) { return "FIELD" + std::to_string(i); }

// A text database of `sections` field definitions, each with a few keywords.
std::string writeDatabase(int sections) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("vexo_bench_" + std::to_string(::getpid()) + "_" +
                                      std::to_string(sections) + ".txt");
  std::ofstream out(path, std::ios::trunc);
  for (int i = 0; i < sections; ++i) {
    out << "[" << fieldName(i) << "]\n"
        << "DataType = STRING\n"
        << "Length = " << (i % 80 + 1) << "\n"
        << "Row = " << (i % 24 + 1) << "\n"
        << "Column = " << (i % 80 + 1) << "\n"
        << "Description = field number " << i << "\n";
  }
  return path.string();
}

// Opens a text database over `sections` definitions for the length of a benchmark.
class Database {
 public:
  explicit Database(int sections) : path_(writeDatabase(sections)) {
    ::unsetenv("VEXO_INI_PATH");
    session_ = std::make_unique<ZoSession>(0, nullptr);
    db_ = std::make_unique<ZoTextDatabase>(*session_);
    db_->open(ZoString(path_.c_str()), ZoString(""));
  }
  ~Database() {
    db_.reset();
    session_.reset();
    std::filesystem::remove(path_);
  }
  ZoTextDatabase& db() { return *db_; }

 private:
  std::string path_;
  std::unique_ptr<ZoSession> session_;
  std::unique_ptr<ZoTextDatabase> db_;
};

// All definitions of a database, read one after the other; reported per read.
void BM_ReadEveryField(benchmark::State& state) {
  const int sections = static_cast<int>(state.range(0));
  Database database(sections);
  std::vector<std::string> names;
  for (int i = 0; i < sections; ++i) names.push_back(fieldName(i));
  for (auto _ : state) {
    for (const std::string& name : names) {
      ZoFieldDef field(name.c_str());
      if (!database.db().read(field)) state.SkipWithError("read failed");
      benchmark::DoNotOptimize(field.getLength());
    }
  }
  state.SetItemsProcessed(state.iterations() * sections);
  state.counters["us_per_read"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * sections,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ReadEveryField)->Arg(100)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

// One definition at the start and one at the end of a 1,000-section file.
void BM_ReadFirstField(benchmark::State& state) {
  Database database(1000);
  for (auto _ : state) {
    ZoFieldDef field("FIELD0");
    benchmark::DoNotOptimize(database.db().read(field));
  }
}
BENCHMARK(BM_ReadFirstField)->Unit(benchmark::kMicrosecond);

void BM_ReadLastField(benchmark::State& state) {
  Database database(1000);
  for (auto _ : state) {
    ZoFieldDef field("FIELD999");
    benchmark::DoNotOptimize(database.db().read(field));
  }
}
BENCHMARK(BM_ReadLastField)->Unit(benchmark::kMicrosecond);

}  // namespace
