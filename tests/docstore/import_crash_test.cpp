// Crash safety of the whole import: vexopxm writes a large source into a
// document database and is killed (SIGKILL; TerminateProcess on Windows) at
// many moments of the run.
// After each kill the database must open and pass its checks with every
// document whole, and a following "vexopxm /r" of the same source must leave
// exactly the definitions the source describes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "docstore/zo_dossa_layout.h"
#include "tests/docstore/docstore_test_util.h"
#include "tests/support/run_program.h"

namespace {

using namespace docstoretest;

constexpr int kMaps = 60;
#ifdef _WIN32
// Each point costs two imports, and a program start under Wine is slow: fewer
// points there, spread over the same run.
constexpr int kKillPoints = 16;
#else
constexpr int kKillPoints = 50;
#endif

struct Field {
  std::string row, column, length;
  bool operator==(const Field&) const = default;
};
// Message name -> field name -> position and length, as texts.
using Definitions = std::map<std::string, std::map<std::string, Field>>;

// A source of kMaps maps with 4 to 28 named fields each, screen texts between
// them and some statements continued on a second line.
std::string makeSource(Definitions& expected) {
  std::ostringstream out;
  out << "* Generated maps for the crash test.\n";
  for (int m = 0; m < kMaps; ++m) {
    char map[32];
    std::snprintf(map, sizeof map, "MAP%03d", m);
    out << map << std::string(9 - std::string(map).size(), ' ') << "PXMMAP SIZE=(24,80)\n";
    auto& fields = expected[map];
    const int count = 4 + (m * 7) % 25;
    for (int f = 0; f < count; ++f) {
      char name[32];
      std::snprintf(name, sizeof name, "F%03d%02d", m, f);
      const int row = 1 + f % 24;
      const int column = 2 + (f * 3) % 70;
      const int length = 1 + (m + f) % 9;
      std::string operands = "POS=(" + std::to_string(row) + "," + std::to_string(column) +
                             "),LENGTH=" + std::to_string(length);
      if (f % 5 == 0) out << "         PXMFLD POS=(1,1),LENGTH=3,INITIAL='TXT'\n";
      std::string line = std::string(name) + "   PXMFLD " + operands + ",";
      if (f % 4 == 1) {
        line.resize(71, ' ');
        out << line << "X\n               ATTRB=(UNPROT,NUM)\n";
      } else {
        out << line << "ATTRB=ASKIP\n";
      }
      fields[name] = {std::to_string(row), std::to_string(column), std::to_string(length)};
    }
  }
  return out.str();
}

std::string itemOf(DossaNoteHandle note, const char* item) {
  if (!DossaItemIsPresent(note, item, DOSSA_TERMINATED)) return "<missing>";
  std::vector<char> buffer(DOSSA_MAX_TEXT);
  std::uint16_t n = DossaItemGetText(note, item, buffer.data(), static_cast<std::uint16_t>(buffer.size()));
  return std::string(buffer.data(), n);
}

// What a run left behind, read directly from the documents.
struct Stored {
  std::vector<std::string> messages;                     // MessageName of each Message document
  std::vector<std::tuple<std::string, std::string, Field>> fields;  // each Field document
};

class ImportCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = vexotest::programFile("vexopxm");
    ASSERT_FALSE(program_.empty()) << "run through ctest";
    ASSERT_TRUE(std::filesystem::exists(program_)) << program_;
    configure(dir_, kDefinitionIni);
    createDatabase(dir_.file("defs.ndb"));
    std::ofstream(dir_.file("large.pxm")) << makeSource(expected_);
  }

  // Replaces the database by a new, empty one.
  void freshDatabase() {
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((dir_.file("defs.ndb") + suffix).c_str());
    createDatabase(dir_.file("defs.ndb"));
  }

  // Starts vexopxm on the large source, replacing or not.
  std::unique_ptr<vexotest::StartedProgram> start(bool replace) {
    std::vector<std::string> args;
    if (replace) args.push_back("/r");
    args.push_back(dir_.file("large.pxm"));
    return std::make_unique<vexotest::StartedProgram>(program_, args);
  }

  // Runs "vexopxm /r" to its end; returns its output and fills its status.
  std::string runToEnd(int& status) {
    auto run = start(true);
    std::string text = run->readLines(1L << 30);
    status = run->wait();
    return text;
  }

  // The database opens and passes the library's whole check (SQLite's
  // integrity check, every document decodes, the indexes match), and every
  // Message and Field document carries the items a reader needs.
  Stored checkDatabase() {
    Stored stored;
    Db db(dir_.file("defs.ndb"));
    EXPECT_NE(db.get(), 0u);
    if (!db.get()) return stored;
    std::string problem;
    EXPECT_EQ(DossaDbCheck(db.get(), problem), DOSSA_NOERROR) << problem;
    std::vector<DossaNoteId> ids;
    EXPECT_EQ(DossaNoteList(db.get(), nullptr, 0, 1000000, ids), DOSSA_NOERROR);
    for (DossaNoteId id : ids) {
      DossaNoteHandle note = 0;
      EXPECT_EQ(DossaNoteOpen(db.get(), id, 0, &note), DOSSA_NOERROR) << id;
      if (!note) continue;
      const std::string form = itemOf(note, zodossa::FORM_ITEM);
      const std::string message = itemOf(note, zodossa::MESSAGE_NAME);
      EXPECT_TRUE(form == zodossa::MESSAGE_FORM || form == zodossa::FIELD_FORM) << form;
      EXPECT_NE(message, "<missing>") << id;
      if (form == zodossa::MESSAGE_FORM) {
        stored.messages.push_back(message);
        EXPECT_NE(itemOf(note, zodossa::MESSAGE_FORMAT), "<missing>") << message;
      } else if (form == zodossa::FIELD_FORM) {
        Field field{itemOf(note, zodossa::FIELD_ROW), itemOf(note, zodossa::FIELD_COLUMN),
                    itemOf(note, zodossa::FIELD_LENGTH)};
        const std::string name = itemOf(note, zodossa::FIELD_MESSAGE_FIELD_NAME);
        for (const char* item : {zodossa::FIELD_BASE_NAME, zodossa::FIELD_TYPE, zodossa::FIELD_POSITION,
                                 zodossa::FIELD_PAD, zodossa::FIELD_ALIGNMENT})
          EXPECT_NE(itemOf(note, item), "<missing>") << name << " " << item;
        EXPECT_NE(field.row, "<missing>") << name;
        EXPECT_NE(field.column, "<missing>") << name;
        EXPECT_NE(field.length, "<missing>") << name;
        stored.fields.emplace_back(message, name, field);
      }
      DossaNoteClose(note);
    }
    return stored;
  }

  // The stored documents are exactly the source's definitions: one Message
  // document per map, one Field document per named field, nothing else.
  void expectExactly(const Stored& stored) {
    std::set<std::string> messages(stored.messages.begin(), stored.messages.end());
    EXPECT_EQ(messages.size(), stored.messages.size()) << "a message stored twice";
    std::set<std::string> wanted;
    for (const auto& [name, fields] : expected_) wanted.insert(name);
    EXPECT_EQ(messages, wanted);
    Definitions found;
    for (const auto& [message, name, field] : stored.fields) {
      EXPECT_TRUE(found[message].emplace(name, field).second) << message << "." << name << " stored twice";
    }
    EXPECT_TRUE(found == expected_) << "field documents differ from the source";
  }

  TempDir dir_;
  std::string program_;
  Definitions expected_;
};

TEST_F(ImportCrashTest, KilledImportsLeaveWholeDocumentsAndReplaceRestoresTheSource) {
  int landed = 0;
  int attempts = 0;
  std::set<std::size_t> leftCounts;  // field documents left by the kills of first imports
  while (landed < kKillPoints && attempts < 3 * kKillPoints) {
    const int point = landed;
    ++attempts;
    // Even points kill a first import into a new database, odd points a
    // replacing import over a complete one.
    const bool fresh = point % 2 == 0;
    if (fresh) freshDatabase();
    auto run = start(!fresh);
    ASSERT_TRUE(run->started());
    // Spread the kills over the maps of the run, each a little way into the
    // writes that follow the progress line of its map.
    const int lines = (point * kMaps) / kKillPoints;
    run->readLines(lines);
    std::this_thread::sleep_for(std::chrono::microseconds((point * 7919) % 4000));
    const bool killed = run->kill();
    run.reset();
    if (killed) ++landed;

    const Stored left = checkDatabase();
    if (killed && fresh) leftCounts.insert(left.fields.size());
    int replaceStatus = -1;
    const std::string text = runToEnd(replaceStatus);
    ASSERT_EQ(replaceStatus, 0) << text;
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 3), "OK\n");
    expectExactly(checkDatabase());
    if (HasFailure()) return;
  }
  EXPECT_GE(landed, kKillPoints) << "runs ended before their kill in " << attempts - landed << " attempts";
  // The kills met the first imports at different stages.
  EXPECT_GE(leftCounts.size(), 5u);
  std::printf("%d kills in %d runs; first imports killed with %zu different numbers of fields written\n",
              landed, attempts, leftCounts.size());
}

}  // namespace
