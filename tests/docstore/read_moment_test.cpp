// Readers while maps are written: "dossa dump", "dossa check" and vexomap
// run as programs while "vexopxm /r" replaces every map of a source, over
// and over, alternating between two sources. Every dump loads back with
// "dossa load" into a database where each map is whole (its old or its new
// form), every check finds nothing wrong, and every vexomap draws its map.
// Each case with a local database file and with a database on the test server.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "docstore/zo_dossa_layout.h"
#include "tests/docstore/docstore_test_util.h"
#include "tests/docstore/generated_maps.h"
#include "tests/support/run_program.h"

namespace {

using namespace docstoretest;
using vexotest::ProgramRun;

// Maps of each source: a dump reads about 20 documents per map.
constexpr int kMaps = 120;
// How long the readers run beside the imports, per engine: at least this,
// and on a slow machine on until two imports have finished beside them (or
// the limit passes, and the check of the import count says so).
constexpr auto kReadTime = std::chrono::seconds(3);
constexpr auto kReadLimit = std::chrono::seconds(60);

std::string itemOf(DossaNoteHandle note, const char* item) {
  std::vector<char> buffer(DOSSA_MAX_TEXT);
  const std::uint16_t n = DossaItemGetText(note, item, buffer.data(), static_cast<std::uint16_t>(buffer.size()));
  return std::string(buffer.data(), n);
}

// Each map of a database as its field documents show it (field name ->
// length), or the reason one map is not whole. Empty when all are whole.
std::string brokenMap(const std::string& path, const Definitions& before, const Definitions& after) {
  std::map<std::string, std::map<std::string, std::string>> fields;
  std::map<std::string, int> messages, built;
  Db db(path);
  std::vector<DossaNoteId> ids;
  if (DossaNoteList(db.get(), nullptr, 0, 1000000, ids)) return "no list of documents";
  for (DossaNoteId id : ids) {
    DossaNoteHandle note = 0;
    if (DossaNoteOpen(db.get(), id, 0, &note)) return "document " + std::to_string(id) + " does not open";
    const std::string form = itemOf(note, zodossa::FORM_ITEM);
    if (form == zodossa::MESSAGE_FORM) ++messages[itemOf(note, zodossa::MESSAGE_NAME)];
    if (form == zodossa::BUILT_FORM) ++built[itemOf(note, zodossa::BUILT_NAME)];
    if (form == zodossa::FIELD_FORM &&
        !fields[itemOf(note, zodossa::MESSAGE_NAME)]
             .emplace(itemOf(note, zodossa::FIELD_MESSAGE_FIELD_NAME), itemOf(note, zodossa::FIELD_LENGTH))
             .second)
      return "a field twice in " + itemOf(note, zodossa::MESSAGE_NAME);
    DossaNoteClose(note);
  }
  auto lengths = [](const std::map<std::string, Field>& map) {
    std::map<std::string, std::string> out;
    for (const auto& [name, field] : map) out[name] = field.length;
    return out;
  };
  for (const auto& [map, fresh] : after) {
    if (messages[map] != 1 || built[map] != 1) return map + ": Message or built document not once";
    if (fields[map] != lengths(fresh) && fields[map] != lengths(before.at(map))) return map + ": neither old nor new";
  }
  return messages.size() == after.size() && built.size() == after.size() ? "" : "documents of other maps";
}

class ReadMomentTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const bool server = GetParam() == "server";
    const std::string name = server ? std::filesystem::path(dir_.path()).filename().string() + ".ndb" : "defs.ndb";
    std::string ini = kDefinitionIni;
    if (server) {
      ini.replace(ini.find("defs.ndb"), 8, name);
      ini.replace(ini.find("Local"), 5, "vexotest");
      dossaPrefix_ = {"--server", "vexotest"};
    }
    configure(dir_, ini);
    path_ = server ? "vexotest!!" + name : dir_.file(name);
    database_ = server ? name : dir_.file(name);
    createDatabase(path_);
    std::ofstream(dir_.file("a.pxm")) << makeSource(a_, 0, kMaps);
    std::ofstream(dir_.file("b.pxm")) << makeSource(b_, 1, kMaps);
    const ProgramRun first = vexotest::runProgram(vexotest::programFile("vexopxm"), {dir_.file("a.pxm")});
    ASSERT_EQ(first.status, 0) << first.out;
  }
  void TearDown() override {
    if (GetParam() != "server") return;
    Library library;
    DossaDbDelete(path_.c_str());
  }

  ProgramRun dossa(std::vector<std::string> args, const vexotest::StandardFiles& files = {}) {
    args.insert(args.begin(), dossaPrefix_.begin(), dossaPrefix_.end());
    return vexotest::runProgram(vexotest::programFile("dossa"), args, std::string(), {}, files);
  }

  TempDir dir_;
  std::string path_;      // the database, as the library opens it
  std::string database_;  // the database, as dossa names it after its prefix
  std::vector<std::string> dossaPrefix_;
  Definitions a_, b_;
};

TEST_P(ReadMomentTest, DumpsChecksAndLooksDuringReplacingImportsSeeOneMoment) {
  std::atomic<bool> stop{false};
  std::atomic<int> imports{0};
  std::string importFailure;
  std::thread writer([&] {
    for (int i = 1; !stop; ++i) {
      const ProgramRun run =
          vexotest::runProgram(vexotest::programFile("vexopxm"), {"/r", dir_.file(i % 2 ? "b.pxm" : "a.pxm")});
      if (run.status != 0) {
        importFailure = run.out + run.err;
        return;
      }
      ++imports;
    }
  });
  int dumps = 0, whole = 0, checks = 0, checksOk = 0, looks = 0, looksOk = 0;
  std::string firstProblem;
  auto note = [&](const std::string& problem) {
    if (firstProblem.empty()) firstProblem = problem;
  };
  const auto start = std::chrono::steady_clock::now();
  auto reading = [&] {
    const auto now = std::chrono::steady_clock::now();
    return importFailure.empty() && now < start + kReadLimit && (now < start + kReadTime || imports < 2);
  };
  while (reading()) {
    const std::string dump = dir_.file("dump.jsonl"), copy = dir_.file("copy" + std::to_string(dumps) + ".ndb");
    ++dumps;
    const ProgramRun dumped = dossa({"dump", database_}, {std::string(), dump});
    const ProgramRun loaded = vexotest::runProgram(vexotest::programFile("dossa"), {"load", copy}, std::string(), {},
                                                   {dump, std::string()});
    const std::string broken = loaded.status == 0 ? brokenMap(copy, a_, b_) : "load: " + loaded.err;
    if (dumped.status == 0 && broken.empty()) ++whole;
    else note("dump " + std::to_string(dumps) + ": " + dumped.err + broken);
    std::filesystem::remove(copy);

    ++checks;
    const ProgramRun checked = dossa({"check", database_});
    if (checked.status == 0 && checked.out == "ok\n") ++checksOk;
    else note("check: " + checked.err);

    for (int k = 0; k < 4; ++k, ++looks) {
      char map[16];
      std::snprintf(map, sizeof map, "MAP%03d", (looks * 37) % kMaps);
      const ProgramRun look = vexotest::runProgram(vexotest::programFile("vexomap"), {map});
      if (look.status == 0) ++looksOk;
      else note(std::string("vexomap ") + map + ": " + look.out + look.err);
    }
  }
  stop = true;
  writer.join();
  EXPECT_EQ(importFailure, "");
  EXPECT_GE(imports, 2) << "the readers did not run beside the imports";
  EXPECT_EQ(whole, dumps) << firstProblem;
  EXPECT_EQ(checksOk, checks) << firstProblem;
  EXPECT_EQ(looksOk, looks) << firstProblem;
  std::printf("%d replacing imports of %d maps; %d of %d dumps loaded back whole, %d of %d checks ok, %d of %d vexomap looks drew their map\n",
              imports.load(), kMaps, whole, dumps, checksOk, checks, looksOk, looks);
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Stores, ReadMomentTest, ::testing::Values(std::string("local")));
#else
INSTANTIATE_TEST_SUITE_P(Stores, ReadMomentTest, ::testing::Values(std::string("local"), std::string("server")));
#endif

}  // namespace
