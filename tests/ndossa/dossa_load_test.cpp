// "dossa dump" and "dossa load" as programs: a dump loads back into a new
// database that dumps the same, and a bad dump changes nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using vexotest::ProgramRun;
using vexotest::TempDir;

// Makes `path` with the standard design and fills it through the client library.
void makeDatabase(const std::string& path, const std::function<void(DossaDbHandle)>& fill) {
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  DossaDbHandle db = 0;
  ASSERT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbBeginUnit(db), DOSSA_NOERROR);
  fill(db);
  ASSERT_EQ(DossaDbCommitUnit(db), DOSSA_NOERROR);
  DossaDbClose(db);
  DossaTerm();
}

// A document of `form` whose further items `set` adds.
void addDocument(DossaDbHandle db, const char* form, const std::function<void(DossaNoteHandle)>& set) {
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db, &note), DOSSA_NOERROR);
  ASSERT_EQ(DossaItemSetText(note, DOSSA_FORM_ITEM, form, DOSSA_TERMINATED), DOSSA_NOERROR);
  set(note);
  ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  DossaNoteClose(note);
}

void setText(DossaNoteHandle note, const char* name, const std::string& text) {
  ASSERT_EQ(DossaItemSetText(note, name, text.data(), static_cast<std::uint16_t>(text.size())), DOSSA_NOERROR)
      << name;
}

void setNumber(DossaNoteHandle note, const char* name, double number) {
  ASSERT_EQ(DossaItemSetNumber(note, name, &number), DOSSA_NOERROR) << name;
}

// Every byte value in texts and list entries, and doubles of every kind.
void fillEveryByte(DossaDbHandle db) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  addDocument(db, "Bytes", [&](DossaNoteHandle note) {
    setText(note, "all", all);
    setText(note, "high", all.substr(128));
    setText(note, "utf", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    setText(note, "broken", "\xc3(\xed\xa0\x80\xf4\x90\x80\x80");
    setText(note, "empty", "");
    for (int b = 0; b < 256; ++b) {
      const std::string entry(1, static_cast<char>(b));
      ASSERT_EQ(b == 0 ? DossaItemCreateTextList(note, "list", entry.data(), 1)
                       : DossaItemAppendTextList(note, "list", entry.data(), 1, 0),
                DOSSA_NOERROR);
    }
  });
  const double specials[] = {0.0, -0.0, 1.0, -1.0, 0.1, 1.0 / 3, 9007199254740991.0, 9007199254740992.0,
                             -9007199254740993.0, 1e300, -1e-300, std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()};
  std::mt19937_64 random(21u);
  addDocument(db, "Numbers", [&](DossaNoteHandle note) {
    int i = 0;
    for (double number : specials) setNumber(note, ("s" + std::to_string(i++)).c_str(), number);
    for (i = 0; i < 200; ++i) {
      const double number = std::bit_cast<double>(random());
      if (std::isfinite(number)) setNumber(note, ("r" + std::to_string(i)).c_str(), number);
    }
  });
}

void fillMany(DossaDbHandle db) {
  for (int i = 0; i < 10000; ++i) {
    addDocument(db, i % 10 == 0 ? "Message" : "Field", [&](DossaNoteHandle note) {
      setText(note, "MessageName", "MSG" + std::to_string(i / 10));
      setText(note, "FieldName", "FLD" + std::to_string(i));
      setNumber(note, "Length", i % 80 + 1);
      setNumber(note, "Scale", i * 0.25 - 7);
    });
  }
}

class DossaLoadTest : public ::testing::Test {
 public:
  void SetUp() override {
    dossa_ = vexotest::programFile("dossa");
    ASSERT_FALSE(dossa_.empty()) << "run through ctest";
  }

  ProgramRun dossa(const std::vector<std::string>& args, const std::string& input = std::string()) {
    return vexotest::runProgram(dossa_, args, std::string(), {}, vexotest::StandardFiles{input, std::string()});
  }

  // The imported and built example maps, made by the programs.
  void makeDemo(const std::string& path) {
    const char* source = std::getenv("VEXO_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest";
    dir_.write("vexo.ini", "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = " + path +
                               "\nServerName = Local\n");
    ASSERT_EQ(dossa({"create", path}).status, 0);
    // custinq.pxm with /a: its message documents carry screen texts.
    for (const char* map : {"orders.pxm", "stock.pxm", "menu.pxm", "custinq.pxm"}) {
      // Copied and named relative to the run's folder: on Windows an argument that starts with "/" is an option.
      std::filesystem::copy_file(std::filesystem::path(source) / "examples" / "maps" / map, std::filesystem::path(dir_.path()) / map,
                                 std::filesystem::copy_options::overwrite_existing);
      std::vector<std::string> args = {map};
      if (std::string(map) == "custinq.pxm") args.insert(args.begin(), "/a");
      const ProgramRun import = vexotest::runProgram(vexotest::programFile("vexopxm"), args, dir_.path(),
                                                     {{"VEXO_INI_PATH", dir_.path()}});
      ASSERT_EQ(import.status, 0) << map << ": " << import.out << import.err;
    }
    ASSERT_EQ(dossa({"build", path}).status, 0);
  }

 protected:
  std::string dossa_;
  TempDir dir_;
};

TEST_F(DossaLoadTest, ADumpLoadsBackAndDumpsTheSame) {
  const struct {
    const char* name;
    std::size_t documents;
    std::function<void(DossaLoadTest&, const std::string&)> make;
  } cases[] = {
      {"demo", 0, [](DossaLoadTest& t, const std::string& path) { t.makeDemo(path); }},
      {"bytes", 2, [](DossaLoadTest&, const std::string& path) { makeDatabase(path, fillEveryByte); }},
      {"many", 10000, [](DossaLoadTest&, const std::string& path) { makeDatabase(path, fillMany); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = dir_.file(std::string(c.name) + ".ndb");
    const std::string copy = dir_.file(std::string(c.name) + "-copy.ndb");
    c.make(*this, source);
    if (HasFatalFailure()) return;
    const ProgramRun first = dossa({"dump", source});
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string dump = dir_.write(std::string(c.name) + ".jsonl", first.out);
    const std::size_t lines = static_cast<std::size_t>(std::count(first.out.begin(), first.out.end(), '\n'));
    EXPECT_TRUE(c.documents == 0 ? lines > 10 : lines == c.documents) << lines;
    if (c.documents == 0) {
      EXPECT_NE(first.out.find("PF3=END  PF7=BACK  PF8=FORWARD"), std::string::npos);
    }

    const ProgramRun load = dossa({"load", copy}, dump);
    ASSERT_EQ(load.status, 0) << load.err;
    EXPECT_EQ(load.out, "loaded " + std::to_string(lines) + " documents\n");
    const ProgramRun second = dossa({"dump", copy});
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(dossa({"check", copy}).out, "ok\n");
  }
}

TEST_F(DossaLoadTest, ABadDumpChangesNothing) {
  const std::string good = R"({"noteid":1,"items":{"FORM":"Field","n":1}})";
  const struct {
    std::string line;
    const char* message;
  } cases[] = {
      {"{\"noteid\":2,", "not JSON"},
      {"[1,2]", "not a dump line"},
      {R"({"noteid":2,"items":{},"extra":1})", "not a dump line"},
      {R"({"noteid":-2,"items":{}})", "not a dump line"},
      {R"({"noteid":2,"items":{"a":{"base64":"/w="}}})", "item \"a\": not a text, list or number"},
      // Base64 in its one canonical spelling only: no stray low bits, pads at the end only.
      {R"({"noteid":2,"items":{"a":{"base64":"/x=="}}})", "item \"a\": not a text, list or number"},
      {R"({"noteid":2,"items":{"a":{"base64":"/w=A"}}})", "item \"a\": not a text, list or number"},
      {R"({"noteid":2,"items":{"a":{"base64":"===="}}})", "item \"a\": not a text, list or number"},
      {R"({"noteid":2,"items":{"a":{"base64":"/w\n="}}})", "item \"a\": not a text, list or number"},
      {R"({"noteid":2,"items":{"a":{"hex":"ff"}}})", "item \"a\": not a text, list or number"},
      {R"({"noteid":2,"items":{"a":true}})", "item \"a\": not a text, list or number"},
      {R"({"noteid":2,"items":{"a":[]}})", "item \"a\": an empty list"},
      {R"({"noteid":2,"items":{"a":["x",2]}})", "item \"a\": entry 2 is no text"},
      {R"({"noteid":2,"items":{"9a":"x"}})", "item \"9a\": "},
      {R"({"noteid":2,"items":{"a":"x","A":"y"}})", "two items with one name"},
      {R"({"noteid":2,"items":{"X":"a","X":"b"}})", "item \"X\" is given twice"},
      {R"({"noteid":2,"items":{"X":{"base64":"YQ==","base64":"Yg=="}}})", "key \"base64\" is given twice"},
      {R"({"noteid":2,"noteid":3,"items":{"X":"a"}})", "key \"noteid\" is given twice"},
      {"{\"noteid\":2,\"items\":{\"a\":\"\xff\"}}", "not JSON"},
      {R"({"noteid":1,"items":{"a":"x"}})", "note id 1 does not follow the ids before it"},
      {R"({"noteid":0,"items":{"a":"x"}})", "note id 0 is out of range"},
      {R"({"noteid":4294967296,"items":{"a":"x"}})", "note id 4294967296 is out of range"},
  };
  const std::string empty = dir_.file("empty.ndb");
  ASSERT_EQ(dossa({"create", empty}).status, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string input = dir_.write("bad.jsonl", good + "\n\n" + c.line + "\n" + good + "\n");
    const std::string fresh = dir_.file("fresh.ndb");
    for (const std::string& target : {empty, fresh}) {
      const ProgramRun load = dossa({"load", target}, input);
      EXPECT_EQ(load.status, 1);
      EXPECT_NE(load.err.find(": line 3: " + std::string(c.message)), std::string::npos) << load.err;
      EXPECT_EQ(load.out, "");
    }
    EXPECT_EQ(dossa({"dump", empty}).out, "") << "the load was undone";
    EXPECT_FALSE(std::filesystem::exists(fresh)) << "a database the load made is removed";
  }

  const std::string input = dir_.write("good.jsonl", good + "\n");
  ASSERT_EQ(dossa({"load", empty}, input).status, 0);
  const ProgramRun again = dossa({"load", empty}, input);
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("already holds documents"), std::string::npos) << again.err;
  EXPECT_EQ(dossa({"dump", empty}).out, good + "\n");
}

// A message's documents go together, and those its message left behind are found and built ones dropped.
TEST_F(DossaLoadTest, MessagesAreDeletedWholeAndLeftoversFound) {
  const std::string db = dir_.file("defs.ndb");
  makeDemo(db);
  const ProgramRun gone = dossa({"delete", db, "--message", "STOCKQ"});
  EXPECT_EQ(gone.status, 0) << gone.err;
  EXPECT_EQ(gone.out, "deleted message STOCKQ (6 documents)\n");  // its Message, 4 Fields, MsgBuild
  EXPECT_EQ(dossa({"dump", db}).out.find("STOCKQ"), std::string::npos);
  EXPECT_EQ(dossa({"check", db}).out, "ok\n");
  EXPECT_EQ(dossa({"delete", db, "--message", "STOCKQ"}).status, 1);

  // The Message document of MENU alone, deleted by its note id.
  std::string menu;
  std::istringstream dump(dossa({"dump", db}).out);
  for (std::string line; std::getline(dump, line);) {
    if (line.find(R"("FORM":"Message","MessageName":"MENU")") != std::string::npos) menu = line.substr(10, line.find(',') - 10);
  }
  ASSERT_FALSE(menu.empty());
  ASSERT_EQ(dossa({"delete", db, menu}).status, 0);
  const ProgramRun check = dossa({"check", db});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find("built documents of deleted messages: "), std::string::npos) << check.err;
  EXPECT_NE(check.err.find(" (MENU)"), std::string::npos) << check.err;
  EXPECT_NE(dossa({"build", db}).out.find("removed built MENU (its message is gone)\n"), std::string::npos);
  EXPECT_EQ(dossa({"check", db}).out, "ok\n");
  EXPECT_EQ(dossa({"delete", db, "--message", "MENU"}).out, "deleted message MENU (2 documents)\n");  // its Fields
  EXPECT_EQ(dossa({"check", db}).out, "ok\n");
}

// The note id of the first dump line that holds `text`, as text ("" when none).
std::string idOfLine(const std::string& dump, const std::string& text) {
  std::istringstream lines(dump);
  for (std::string line; std::getline(lines, line);)
    if (line.find(text) != std::string::npos) return line.substr(10, line.find(',') - 10);
  return "";
}

// A damaged database is rescued: the salvage writes every document that
// reads back whole, names those it leaves out, and what it wrote loads into a
// database that passes the check.
TEST_F(DossaLoadTest, SalvageWritesWhatReadsBackWholeAndNamesTheRest) {
  // A body with one byte changed in its middle, so that its checksum fails.
  const char* kDamageBody =
      "UPDATE dossa_notes SET body = substr(body, 1, length(body) / 2) || CASE WHEN"
      " substr(body, length(body) / 2 + 1, 1) = x'ff' THEN x'fe' ELSE x'ff' END || substr(body, length(body) / 2 + 2)"
      " WHERE noteid = ";
  const struct {
    const char* name;
    std::string damage;                // SQL, with the note id of the line holding `target` after it
    const char* target;
    std::vector<std::string> leftOut;  // what the left-out lines name, besides the damaged document
  } cases[] = {
      {"a Field body", kDamageBody, R"("FORM":"Field","MessageName":"ORDHEAD")", {}},
      {"a Message body, and with it its built form", kDamageBody, R"("FORM":"Message","MessageName":"MENU")",
       {"the built form of message \"MENU\""}},
      {"index rows", "UPDATE dossa_keys SET value = 'X' WHERE noteid % 3 = 0 OR noteid = ", R"("FORM":"Message")", {}},
      {"index rows gone", "DELETE FROM dossa_view_entries; DELETE FROM dossa_unique WHERE noteid > ", R"("FORM")", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string db = dir_.file("damaged.ndb"), copy = dir_.file("salvaged.ndb");
    for (const std::string& file : {db, db + "-wal", db + "-shm", copy}) std::filesystem::remove(file);
    makeDemo(db);
    const std::string before = dossa({"dump", db}).out;
    const std::string target = idOfLine(before, c.target);
    ASSERT_FALSE(target.empty());
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
    const int rc = sqlite3_exec(raw, (c.damage + target).c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    ASSERT_EQ(rc, SQLITE_OK);
    ASSERT_EQ(dossa({"check", db}).status, 1) << "the damage is real";

    const ProgramRun salvage = dossa({"dump", "--salvage", db});
    const bool bodyDamaged = c.damage == kDamageBody;
    EXPECT_EQ(salvage.status, bodyDamaged ? 1 : 0) << salvage.err;
    if (bodyDamaged) {
      EXPECT_NE(salvage.err.find("left out document " + target + ": its stored form fails its checksum"),
                std::string::npos)
          << salvage.err;
      EXPECT_EQ(dossa({"dump", db}).status, 1) << "a plain dump stops at the damage";
    } else {
      EXPECT_EQ(salvage.err, "");
      EXPECT_EQ(salvage.out, before) << "the documents are whole: damaged index rows cost none";
    }
    for (const std::string& named : c.leftOut) EXPECT_NE(salvage.err.find(named), std::string::npos) << salvage.err;
    const std::size_t lines = std::count(salvage.out.begin(), salvage.out.end(), '\n');
    const std::size_t all = std::count(before.begin(), before.end(), '\n');
    EXPECT_EQ(lines + (bodyDamaged ? 1 + c.leftOut.size() : 0), all);
    const ProgramRun loaded = dossa({"load", copy}, dir_.write("salvage.jsonl", salvage.out));
    EXPECT_EQ(loaded.status, 0) << loaded.err;
    const ProgramRun checked = dossa({"check", copy});
    EXPECT_EQ(checked.out, "ok\n") << checked.err;
  }
}

}  // namespace
