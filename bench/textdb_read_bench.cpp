// Reads from a text database: single field definitions, every definition of
// a file, and whole messages built by name. The file is indexed when it is
// opened, so a read should cost the same wherever its section lies, and
// building a message should grow linearly with its fields.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "message/zo_message.h"
#include "session/zo_config_index.h"
#include "session/zo_session.h"
#include "tests/support/temp_dir.h"
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

// A session over a text database that defines the message MANY of `fields`
// fields, its list continued over many lines as the import writes it.
class MessageDatabase {
 public:
  explicit MessageDatabase(int fields) {
    std::string text = "[MANY]\nFieldList = ";
    std::string definitions;
    for (int i = 0; i < fields; ++i) {
      text += fieldName(i) + (i + 1 < fields ? (i % 10 == 9 ? ",\n  " : ", ") : "\n");
      definitions += "[" + fieldName(i) + "]\nDataType = STRING\nLength = " +
                     std::to_string(i % 80 + 1) + "\nRow = " + std::to_string(i % 24 + 1) +
                     "\nColumn = 1\nDescription = field number " + std::to_string(i) + "\n";
    }
    text += definitions;
    bytes_ = text.size();
    const std::string defs = dir_.write("defs.txt", text);
    dir_.write("vexo.ini", "[DefinitionDatabase]\nDatabaseName = " + defs +
                               "\nDatabaseType = Txet\n");
    ::setenv("VEXO_INI_PATH", dir_.path().c_str(), 1);
    ZoConfigIndex index;
    index.build(text);
    indexBytes_ = index.memoryUse();
  }
  ~MessageDatabase() { ::unsetenv("VEXO_INI_PATH"); }

  std::unique_ptr<ZoSession> session() {
    char program[] = "vexo";
    char* argv[] = {program, nullptr};
    return std::make_unique<ZoSession>(1, argv);
  }
  double fileBytes() const { return static_cast<double>(bytes_); }
  double indexBytes() const { return static_cast<double>(indexBytes_); }

 private:
  vexotest::TempDir dir_;
  std::size_t bytes_ = 0;
  std::size_t indexBytes_ = 0;
};

void reportSizes(benchmark::State& state, const MessageDatabase& database) {
  state.counters["file_bytes"] = database.fileBytes();
  state.counters["index_per_file_byte"] = database.indexBytes() / database.fileBytes();
}

// A message of state.range(0) fields built by name from an open session.
void BM_BuildMessage(benchmark::State& state) {
  const int fields = static_cast<int>(state.range(0));
  MessageDatabase database(fields);
  const auto session = database.session();
  for (auto _ : state) {
    ZoMessage message("MANY", *session);
    if (message.getFieldCount() != fields) state.SkipWithError("build failed");
  }
  reportSizes(state, database);
}
BENCHMARK(BM_BuildMessage)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The same with the session (and so the database file and its index) made anew each time.
void BM_OpenAndBuildMessage(benchmark::State& state) {
  const int fields = static_cast<int>(state.range(0));
  MessageDatabase database(fields);
  for (auto _ : state) {
    const auto session = database.session();
    ZoMessage message("MANY", *session);
    if (message.getFieldCount() != fields) state.SkipWithError("build failed");
  }
  reportSizes(state, database);
}
BENCHMARK(BM_OpenAndBuildMessage)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
