// Parse-only throughput of a large screen-map source: every statement read by
// PXMFile and parsed by PXMStatement, nothing written anywhere.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/services.h"
#include "import/pxm_file.h"
#include "import/pxm_statement.h"

namespace {

// Pads `text` to column 71 and puts `mark` in column 72.
std::string continued(const std::string& text, char mark) {
  std::string line = text;
  line.append(71 - line.size(), ' ');
  return line + mark + "\n";
}

// A source of `maps` maps of 40 fields each, in the shapes real sources use:
// comments, unnamed fields with quoted texts, POS and LINE/COLUMN forms,
// attribute lists and statements continued over two lines.
std::string makeSource(int maps) {
  std::string s;
  for (int m = 0; m < maps; ++m) {
    s += "* map " + std::to_string(m) + "\n";
    s += "MAP" + std::to_string(m) + "    PXMMAP SIZE=(24,80),CTRL=(FREEKB,FRSET)\n";
    for (int f = 0; f < 40; ++f) {
      const std::string row = std::to_string(f % 24 + 1);
      switch (f % 4) {
        case 0:
          s += "         PXMFLD POS=(" + row + ",2),LENGTH=12,INITIAL='LABEL, NO. " + std::to_string(f) +
               "'\n";
          break;
        case 1:
          s += "FLD" + std::to_string(f) + "    PXMFLD POS=(" + row + ",15),LENGTH=10,ATTRB=(UNPROT,IC)\n";
          break;
        case 2:
          s += continued("FLD" + std::to_string(f) + "    PXMFLD LINE=" + row + ",COLUMN=30,LENGTH=8,", 'X');
          s += "               ATTRB=(ASKIP,BRT),COLOR=GREEN,INITIAL='IT''S A, B'\n";
          break;
        default:
          s += "FLD" + std::to_string(f) + "    PXMFLD POS=(" + row + ",50),LENGTH=20  remark\n";
          break;
      }
    }
  }
  return s;
}

class SourceFile {
 public:
  explicit SourceFile(int maps)
      : path_(std::filesystem::temp_directory_path() /
              ("vexo_import_bench_" + std::to_string(::getpid()) + ".pxm")) {
    const std::string text = makeSource(maps);
    std::ofstream(path_, std::ios::binary) << text;
    bytes_ = text.size();
  }
  ~SourceFile() { std::filesystem::remove(path_); }
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  std::string path() const { return path_.string(); }
  std::size_t bytes() const { return bytes_; }

 private:
  std::filesystem::path path_;
  std::size_t bytes_ = 0;
};

// Reading a file of about 12 MB from the page cache.
void BM_ReadAndParseFile(benchmark::State& state) {
  const SourceFile source(static_cast<int>(state.range(0)));
  std::int64_t statements = 0;
  for (auto _ : state) {
    PXMFile file(source.path().c_str());
    std::int64_t lengths = 0;
    while (const PXMStatement* s = file.GetStatement()) {
      lengths += s->GetLength();
      ++statements;
    }
    benchmark::DoNotOptimize(lengths);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(source.bytes()) * state.iterations());
  state.counters["statements/s"] =
      benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
  state.counters["MB"] = static_cast<double>(source.bytes()) / 1e6;
}
BENCHMARK(BM_ReadAndParseFile)->Arg(4000)->Unit(benchmark::kMillisecond);

// The same with the common services started, as in the program: every method
// then records its entry and exit for the failure report, with no trace file.
void BM_ReadAndParseFileWithServices(benchmark::State& state) {
  xrkInitCommonServices("VEXO");
  BM_ReadAndParseFile(state);
  xrkTermCommonServices();
}
BENCHMARK(BM_ReadAndParseFileWithServices)->Arg(4000)->Unit(benchmark::kMillisecond);

// The statement parser alone, on texts already joined.
void BM_ParseStatements(benchmark::State& state) {
  const std::vector<std::string> texts = {
      "MAPA    PXMMAP SIZE=(24,80),CTRL=(FREEKB,FRSET)",
      "         PXMFLD POS=(3,2),LENGTH=12,INITIAL='CUSTOMER, NO.'",
      "FLD1    PXMFLD POS=(3,15),LENGTH=10,ATTRB=(UNPROT,IC)",
      "FLD2    PXMFLD LINE=4,COLUMN=30,LENGTH=8,                        "
      "ATTRB=(ASKIP,BRT),COLOR=GREEN,INITIAL='IT''S A, B'",
      "         SPACE 2",
  };
  std::int64_t bytes = 0;
  std::int64_t count = 0;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      PXMStatement statement(text);
      benchmark::DoNotOptimize(statement.GetLength());
      bytes += static_cast<std::int64_t>(text.size());
    }
    count += static_cast<std::int64_t>(texts.size());
  }
  state.SetBytesProcessed(bytes);
  state.counters["statements/s"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseStatements);

}  // namespace
