// The import from end to end into a real document database: the example
// maps are imported, built and read back through the definition database.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "docstore/zo_dossa_database.h"
#include "docstore/zo_msg_build.h"
#include "import/pxm_import.h"
#include "import/user_message.h"
#include "session/zo_session.h"
#include "tests/docstore/docstore_test_util.h"
#include "tests/support/run_program.h"
#include "tests/ndossa/engine_suite.h"
#include "tests/ndossa/failing_engine.h"
#include "tools/vexomap/map_view.h"

namespace {

using namespace docstoretest;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  return text;
}

// Runs `body` (argc, argv, out, err) as program `name` with `args`; the
// streams are scratch files whose contents the outcome holds.
template <typename Body>
Outcome runProgram(const char* name, const std::vector<std::string>& args, Body body) {
  std::vector<std::string> words = {name};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  Outcome run;
  run.status = body(static_cast<int>(words.size()), argv.data(), out, err);
  run.out = contents(out);
  run.err = contents(err);
  std::fclose(out);
  std::fclose(err);
  return run;
}

struct Field {
  ZO_LONG row, column, length;
};
using Expected = std::map<std::string, std::vector<std::pair<std::string, Field>>>;

class ImportTest : public vexotest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    configure(dir_, kDefinitionIni);
    createDatabase(dir_.file("defs.ndb"));
    const char* source = std::getenv("VEXO_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest";
    for (const char* name : {"orders.pxm", "stock.pxm"})
      std::filesystem::copy_file(std::string(source) + "/examples/maps/" + name, dir_.file(name));
  }

  Outcome import(const std::vector<std::string>& args) {
    return runProgram("vexopxm", args, [](int argc, char* argv[], std::FILE* out, std::FILE* err) {
      UserMessage message(out, err);
      PXMImport driver;
      return driver.run(argc, argv, message);
    });
  }

  void build() {
    Db db(dir_.file("defs.ndb"));
    std::string problem;
    ASSERT_EQ(zoBuildMessages(db.get(), {}, nullptr, problem), 0) << problem;
  }

  // Reads every message and field back and compares them with `expected`.
  void expectStored(const Expected& expected) {
    char program[] = "vexopxm";
    char* argv[] = {program, nullptr};
    ZoSession session(1, argv);
    ASSERT_EQ(session.getErrorCode(), 0u);
    ZoDatabase& db = *session.getDefinitionDB();
    for (const auto& [message, fields] : expected) {
      ZoMessageDef def(message.c_str());
      ASSERT_TRUE(db.read(def)) << message << " " << std::hex << db.getErrorCode();
      ASSERT_EQ(def.getFieldCount(), static_cast<ZO_LONG>(fields.size())) << message;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        ZoString alias, name;
        def.getFieldNames(alias, name, static_cast<ZO_LONG>(i));
        EXPECT_EQ(name, fields[i].first.c_str());
        ZoFieldDef field(fields[i].first.c_str());
        ASSERT_TRUE(db.read(field)) << fields[i].first;
        EXPECT_EQ(field.getRow(), fields[i].second.row) << fields[i].first;
        EXPECT_EQ(field.getColumn(), fields[i].second.column) << fields[i].first;
        EXPECT_EQ(field.getLength(), fields[i].second.length) << fields[i].first;
        EXPECT_EQ(field.getDataType(), ZODT_STRING);
        EXPECT_STREQ(zoDataTypeKeyword(field.getDataType()), "STRING");
        EXPECT_EQ(field.getSegment(), 1);
        EXPECT_EQ(field.getHasAttributes(), TRUE);
        EXPECT_EQ(field.getPadCharacter(), ZO_PAD_BLANK);
      }
    }
  }

  TempDir dir_;
};

const Expected kExamples = {
    {"ORDHEAD", {{"CUSTNO", {3, 15, 8}}, {"ORDDATE", {4, 15, 10}}, {"CUSTREF", {5, 15, 30}}, {"MSGLINE", {23, 2, 78}}}},
    {"ORDLINES",
     {{"ITEM1", {4, 2, 10}}, {"QTY1", {4, 14, 5}}, {"ITEM2", {5, 2, 10}}, {"QTY2", {5, 14, 5}},
      {"ITEM3", {6, 2, 10}}, {"QTY3", {6, 14, 5}}, {"TOTAL", {21, 60, 12}}}},
    {"STOCKQ", {{"PARTNO", {3, 14, 12}}, {"DESCR", {5, 14, 40}}, {"ONHAND", {6, 14, 7}}, {"ONORDER", {7, 14, 7}}}},
    {"STOCKERR", {{"ERRTEXT", {1, 1, 79}}}},
    {"BLANKMAP", {}},
};

TEST_P(ImportTest, ExampleMapsImportBuildAndReadBack) {
  Outcome orders = import({dir_.file("orders.pxm")});
  EXPECT_EQ(orders.status, 0) << orders.err;
  EXPECT_EQ(orders.out, "PXM map ORDHEAD\nPXM map ORDLINES\nOK\n");
  EXPECT_EQ(orders.err, "");
  Outcome stock = import({dir_.file("stock.pxm")});
  EXPECT_EQ(stock.status, 0) << stock.err;
  EXPECT_EQ(stock.out, "PXM map STOCKQ\nPXM map STOCKERR\nPXM map BLANKMAP\nOK\n");
  expectStored(kExamples);  // readable at once: each map's commit built it
  build();
  expectStored(kExamples);
}

TEST_P(ImportTest, AMessageWithoutItsBuiltFormSaysSo) {
  put(dir_.file("defs.ndb"), "Message", {text("MessageName", "BARE"), text("MessageDescription", "d"),
                                         text("MessageFormat", "NONE")});
  char program[] = "vexopxm";
  char* argv[] = {program, nullptr};
  ZoSession session(1, argv);
  ZoDatabase& db = *session.getDefinitionDB();
  for (const char* name : {"BARE", "ABSENT"}) {
    ZoMessageDef def(name);
    EXPECT_FALSE(db.read(def));
    EXPECT_EQ(db.getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
    const std::string said = db.getDbErrorText().text();
    EXPECT_EQ(said.find("imported but not built") != std::string::npos, name[0] == 'B') << said;
  }
}

TEST_P(ImportTest, ImportingAgainNeedsReplaceAndReplaceDropsRemovedFields) {
  ASSERT_EQ(import({dir_.file("orders.pxm")}).status, 0);
  Outcome again = import({dir_.file("orders.pxm")});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.out, "PXM map ORDHEAD\n");
  EXPECT_EQ(vexotest::splitHints(again.err).lines, "Error: VEXO rc = TVRC_DEFN_ALREADY_EXISTS (124)\n");

  // Take CUSTREF (a statement continued on a second line) out of the source.
  std::ifstream in(dir_.file("orders.pxm"));
  std::ostringstream kept;
  bool skipping = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("CUSTREF", 0) == 0) {
      skipping = true;
      continue;
    }
    if (skipping) {
      skipping = false;
      continue;
    }
    kept << line << "\n";
  }
  in.close();
  std::ofstream(dir_.file("orders.pxm")) << kept.str();

  Outcome replaced = import({"/r", dir_.file("orders.pxm")});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(replaced.out, "PXM map ORDHEAD\nPXM map ORDLINES\nOK\n");
  Expected expected = {*kExamples.find("ORDHEAD"),
                       *kExamples.find("ORDLINES")};
  auto& head = expected["ORDHEAD"];
  head.erase(head.begin() + 2);
  expectStored(expected);

  char program[] = "vexopxm";
  char* argv[] = {program, nullptr};
  ZoSession session(1, argv);
  ZoMessageDef def("ORDHEAD");
  ASSERT_TRUE(session.getDefinitionDB()->read(def));
  ZoFieldDef removed("CUSTREF");
  EXPECT_FALSE(session.getDefinitionDB()->read(removed));
  EXPECT_EQ(session.getDefinitionDB()->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
  EXPECT_EQ(notesOf(dir_.file("defs.ndb"), "Field").size(), 10u);
}

TEST_P(ImportTest, FieldLabelsAreStoredWholeOrRefused) {
  // Labels of the longest valid length that differ only in their last character.
  const std::string shared(31, 'L');
  Outcome longest = import({dir_.write("longest.pxm", "LONGEST PXMMAP\n" + shared + "1 PXMFLD POS=(1,2),LENGTH=3\n" +
                                                          shared + "2 PXMFLD POS=(2,2),LENGTH=4\n")});
  ASSERT_EQ(longest.status, 0) << longest.err;
  build();
  expectStored({{"LONGEST", {{shared + "1", {1, 2, 3}}, {shared + "2", {2, 2, 4}}}}});

  // A label longer than any name is refused, and nothing of its map is written.
  for (const std::size_t length : {33, 64}) {
    const std::string source = "TOOLONG PXMMAP\nGOOD PXMFLD\n" + std::string(length, 'B') + " PXMFLD\n";
    Outcome refused = import({dir_.write("toolong.pxm", source)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(vexotest::splitHints(refused.err).lines, "Error: VEXO rc = TVRC_INVALID_FIELD_NAME (117)\n") << length;
    EXPECT_EQ(notesOf(dir_.file("defs.ndb"), "Message").size(), 1u) << length;
    EXPECT_EQ(notesOf(dir_.file("defs.ndb"), "Field").size(), 2u) << length;
  }
}

// The Field documents of each message and the number of its Message and MsgBuild documents.
struct StoredMaps {
  std::map<std::string, std::set<std::string>> fields;
  std::map<std::string, std::pair<int, int>> documents;  // Message, MsgBuild
  bool operator==(const StoredMaps&) const = default;
};

StoredMaps storedMaps(const std::string& path) {
  StoredMaps stored;
  for (DossaNoteId id : notesOf(path, "Field"))
    stored.fields[itemText(path, id, "MessageName")].insert(itemText(path, id, "MessageFieldName") + " " +
                                                            itemText(path, id, "FieldRow"));
  for (DossaNoteId id : notesOf(path, "Message")) ++stored.documents[itemText(path, id, "MessageName")].first;
  for (DossaNoteId id : notesOf(path, "MsgBuild")) ++stored.documents[itemText(path, id, "msgdef_name")].second;
  return stored;
}

TEST_P(ImportTest, AFailureAtAnyWriteLeavesEveryMapOldOrNew) {
  static vexotest::FailingEngineDriver failing;
  if (!ndossa::findEngineDriver(failing.name())) ndossa::addEngineDriver(failing);
  failing.wrap(*ndossa::findEngineDriver(GetParam()));
  const std::string path = dir_.file("defs.ndb");
  ASSERT_EQ(import({dir_.file("orders.pxm")}).status, 0);
  const StoredMaps before = storedMaps(path);
  // The new source moves every field of both maps down a row.
  std::ifstream in(dir_.file("orders.pxm"));
  std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t at = 0; (at = source.find("POS=(", at)) != std::string::npos; at += 5) source[at + 5]++;
  dir_.write("moved.pxm", source);

  ASSERT_EQ(DossaUseEngine(failing.name()), DOSSA_NOERROR);
  int point = 1;
  for (;; ++point) {
    failing.failAt(point);
    Outcome run = import({"/r", dir_.file("moved.pxm")});
    if (run.status == 0) break;  // past the last write
    EXPECT_NE(run.err.find("Error: VEXO rc = "), std::string::npos) << point;
    const StoredMaps left = storedMaps(path);
    // ORDHEAD is written first: a failure in it leaves both maps old; a
    // failure in ORDLINES leaves ORDHEAD new and ORDLINES old.
    for (const char* map : {"ORDHEAD", "ORDLINES"}) {
      EXPECT_EQ(left.documents.at(map), std::make_pair(1, 1)) << point << " " << map;
      const bool old = left.fields.at(map) == before.fields.at(map);
      EXPECT_TRUE(old || run.out.find(map) != std::string::npos) << point << " " << map;
      if (std::string(map) == "ORDLINES") {
        EXPECT_TRUE(old) << point;
      }
    }
    ASSERT_EQ(DossaUseEngine(GetParam().c_str()), DOSSA_NOERROR);
    ASSERT_EQ(import({"/r", dir_.file("orders.pxm")}).status, 0);  // back to the old maps
    EXPECT_TRUE(storedMaps(path) == before) << point;
    ASSERT_EQ(DossaUseEngine(failing.name()), DOSSA_NOERROR);
  }
  ASSERT_EQ(DossaUseEngine(GetParam().c_str()), DOSSA_NOERROR);
  EXPECT_GT(point, 20) << "a replace of the two maps writes more than 20 times";
  EXPECT_FALSE(storedMaps(path) == before);
  Db db(path);
  std::string problem;
  EXPECT_EQ(DossaDbCheck(db.get(), problem), DOSSA_NOERROR) << problem;
}

// Every document of a database by form and keys, each as its items' texts.
using Document = std::map<std::string, std::string>;
std::map<std::string, Document> documents(const std::string& path) {
  Db db(path);
  std::vector<DossaNoteId> ids;
  DossaNoteList(db.get(), nullptr, 0, 100000, ids);
  std::map<std::string, Document> all;
  for (DossaNoteId id : ids) {
    DossaNoteHandle note = 0;
    if (DossaNoteOpen(db.get(), id, 0, &note) != DOSSA_NOERROR) continue;
    Document doc;
    DossaItemScan(note, [&](const DossaItemInfo& item) {
      std::string& value = doc[std::string(item.name)];
      if (item.kind == DossaItemKind::Text) value = item.text;
      if (item.kind == DossaItemKind::Number) value = std::to_string(item.number);
      for (std::size_t j = 0; item.kind == DossaItemKind::TextList && j < item.list->size(); ++j)
        value += (j > 0 ? "; " : "") + (*item.list)[j];
    });
    DossaNoteClose(note);
    auto item = [&](const char* name) { return doc.count(name) != 0 ? doc.at(name) : std::string(); };
    all[item("FORM") + " " + item("MessageName") + item("msgdef_name") + " " + item("MessageFieldName")] = doc;
  }
  return all;
}

std::string drawing(const std::vector<std::string>& args) {
  const Outcome run = runProgram("vexomap", args, vexomapRun);
  EXPECT_EQ(run.status, 0) << run.err;
  return run.out;
}

TEST_P(ImportTest, KeepingTheMapsAttributesAddsOnlyWhatTheyStore) {
  const std::string signOn = dir_.write("signon.pxm",
                                        "SIGNON   PXMMAP SIZE=(4,30)\n"
                                        "TITLE    PXMFLD POS=(1,2),LENGTH=10,ATTRB=(ASKIP,BRT),INITIAL='SIGN ON'\n"
                                        "USERID   PXMFLD POS=(2,2),LENGTH=8,ATTRB=(UNPROT,IC),COLOR=BLUE\n"
                                        "PASSWD   PXMFLD POS=(3,2),LENGTH=8,ATTRB=(UNPROT,DRK),HILIGHT=REVERSE\n");
  const std::vector<std::string> sources = {dir_.file("orders.pxm"), dir_.file("stock.pxm"), signOn};
  std::vector<Outcome> plain, kept;
  for (const std::string& source : sources) plain.push_back(import({source}));
  TempDir keptDir;
  configure(keptDir, kDefinitionIni);
  createDatabase(keptDir.file("defs.ndb"));
  for (const std::string& source : sources) kept.push_back(import({"/a", source}));
  for (std::size_t i = 0; i < sources.size(); ++i) {
    EXPECT_EQ(plain[i].status, 0) << plain[i].err;
    EXPECT_EQ(kept[i].out, plain[i].out);
    EXPECT_EQ(kept[i].err, plain[i].err);
  }

  // Without /a nothing of the map's look is stored; with it, only that differs.
  const char* added[] = {"MessageRows",     "MessageColumns",  "MessageScreenTexts", "FieldColor",
                         "FieldIntensity",  "FieldHighlight",  "FieldProtection",    "FieldNumeric",
                         "FieldCursor",     "msgdef_rows",     "msgdef_cols"};
  const char* differing[] = {"FieldDefault", "msgdef_fldcnt", "msgdef_fldlist", "msgdef_maxentrylen"};
  auto without = documents(dir_.file("defs.ndb"));
  auto with = documents(keptDir.file("defs.ndb"));
  ASSERT_EQ(without.size(), with.size());
  for (auto& [key, doc] : without) {
    for (const char* item : added) EXPECT_EQ(doc.count(item), 0u) << key << " " << item;
    EXPECT_TRUE(doc.count("FieldDefault") == 0 || doc["FieldDefault"].empty()) << key;
    EXPECT_TRUE(doc.count("msgdef_fldcnt") == 0 || doc["msgdef_fldcnt"] == std::to_string(12.0)) << key;
    for (const char* item : differing) doc.erase(item);
  }
  for (auto& [key, doc] : with) {
    for (const char* item : added) doc.erase(item);
    for (const char* item : differing) doc.erase(item);
  }
  EXPECT_EQ(with, without);

  // Each map's commit built it from what it wrote: rebuilding from the stored
  // documents changes nothing, with the look or without.
  for (const TempDir* dir : {&dir_, &keptDir}) {
    const std::string path = dir->file("defs.ndb");
    const auto imported = documents(path);
    Db db(path);
    std::string problem;
    ASSERT_EQ(zoBuildMessages(db.get(), {}, nullptr, problem), 0) << problem;
    EXPECT_EQ(documents(path), imported) << path;
  }

  // Read back: the sizes, and the look of each field.
  char program[] = "vexopxm";
  char* argv[] = {program, nullptr};
  ZoSession session(1, argv);
  ZoDatabase& db = *session.getDefinitionDB();
  const struct {
    const char* message;
    ZO_LONG rows, columns;
  } sizes[] = {{"ORDHEAD", 24, 80}, {"STOCKERR", 1, 80}, {"SIGNON", 4, 30}};
  for (const auto& size : sizes) {
    ZoMessageDef def(size.message);
    ASSERT_TRUE(db.read(def)) << size.message;
    EXPECT_EQ(def.getRowCount(), size.rows) << size.message;
    EXPECT_EQ(def.getColumnCount(), size.columns) << size.message;
  }
  const struct {
    const char *message, *field;
    ZO_LONG color, intensity, highLight, protection;
    const char* initial;
    ZO_BOOLEAN numeric, cursor;
  } looks[] = {
      {"ORDHEAD", "CUSTNO", 0, 30, 20, 40, "", TRUE, TRUE},
      {"ORDHEAD", "CUSTREF", 0, 30, 20, 40, "CUSTOMER'S OWN REF, IF ANY", FALSE, FALSE},
      {"ORDHEAD", "MSGLINE", 0, 32, 20, 42, "", FALSE, FALSE},
      {"ORDLINES", "QTY1", 0, 30, 20, 40, "", TRUE, FALSE},
      {"STOCKQ", "PARTNO", 5, 30, 24, 40, "", FALSE, TRUE},
      {"STOCKQ", "DESCR", 0, 30, 20, 42, "", FALSE, FALSE},
      {"STOCKERR", "ERRTEXT", 0, 32, 20, 42, "(NO ERROR)", FALSE, FALSE},
      {"SIGNON", "USERID", 2, 30, 20, 40, "", FALSE, TRUE},
      {"SIGNON", "PASSWD", 0, 33, 23, 40, "", FALSE, FALSE},
  };
  for (const auto& look : looks) {
    ZoMessageDef def(look.message);
    ASSERT_TRUE(db.read(def)) << look.message;
    ZoFieldDef field(look.field);
    ASSERT_TRUE(db.read(field)) << look.field;
    EXPECT_EQ(field.getHasAttributes(), TRUE) << look.field;
    EXPECT_EQ(field.getColor(), look.color) << look.field;
    EXPECT_EQ(field.getIntensity(), look.intensity) << look.field;
    EXPECT_EQ(field.getHighLight(), look.highLight) << look.field;
    EXPECT_EQ(field.getProtection(), look.protection) << look.field;
    EXPECT_EQ(field.getStringValue(), look.initial) << look.field;
    EXPECT_EQ(field.getNumeric(), look.numeric) << look.field;
    EXPECT_EQ(field.getCursor(), look.cursor) << look.field;
  }

  // Drawn: the size the map gives, protected fields filled with '.', the dark one blank.
  const std::string frame =
      "Message SIGNON: 4 rows x 30 columns, 3 fields\n"
      "+------------------------------+\n"
      "| TITLE.....                   |\n"
      "| USERID__                     |\n"
      "|                              |\n"
      "|                              |\n"
      "+------------------------------+\n";
  EXPECT_EQ(drawing({"SIGNON"}).substr(0, frame.size()), frame);
  const std::string values = drawing({"/v", "SIGNON"});
  EXPECT_NE(values.find("| SIGN ON...                   |\n"
                        "| ________                     |\n"
                        "|                              |\n"),
            std::string::npos)
      << values;
  EXPECT_NE(values.find("intensity=33 highlight=23 protection=40 dark\n"), std::string::npos) << values;
  EXPECT_NE(values.find("intensity=32 highlight=20 protection=42 protected\n"), std::string::npos) << values;
}

TEST_P(ImportTest, AReplacedMapKeepsOnlyWhatItsLastImportSays) {
  const auto rowsOf = [](const char* message) {
    char program[] = "vexopxm";
    char* argv[] = {program, nullptr};
    ZoSession session(1, argv);
    ZoMessageDef def(message);
    EXPECT_TRUE(session.getDefinitionDB()->read(def)) << message;
    return def.getRowCount();
  };
  const std::string orders = dir_.file("orders.pxm");
  ASSERT_EQ(import({"/a", orders}).status, 0);
  EXPECT_EQ(rowsOf("ORDHEAD"), 24);
  ASSERT_EQ(import({"/r", orders}).status, 0);
  EXPECT_EQ(rowsOf("ORDHEAD"), 0);  // the size of the import before is not left behind
  ASSERT_EQ(import({"-a", "-r", orders}).status, 0);
  EXPECT_EQ(rowsOf("ORDHEAD"), 24);

  // An initial value longer than the store holds is refused, not cut.
  const auto withInitial = [&](const char* name, std::size_t length) {
    const std::string statement = "F PXMFLD POS=(1,1),LENGTH=64,INITIAL='" + std::string(length, 'X') + "'";
    // Columns 1 to 71, then 16 to 71 of each continuation line; column 72 marks one.
    std::string source = std::string(name) + " PXMMAP\n" + statement.substr(0, 71);
    for (std::size_t at = 71; at < statement.size(); at += 56)
      source += "X\n" + std::string(15, ' ') + statement.substr(at, 56);
    source += "\n";
    return import({"/a", dir_.write(std::string(name) + ".pxm", source)});
  };
  Outcome longer = withInitial("LONGER", 64);
  EXPECT_EQ(longer.status, 1);
  EXPECT_EQ(vexotest::splitHints(longer.err).lines, "Error: VEXO rc = TVRC_DATA_OVERFLOW (127)\n") << longer.err;
  EXPECT_EQ(vexotest::splitHints(longer.err).hints,
            "map LONGER, field F: a value does not fit the database "
            "(a text value holds at most 63 characters there)\n");
  Outcome fits = withInitial("FITS", 63);
  EXPECT_EQ(fits.status, 0) << fits.err;
}

VEXO_ENGINE_SUITE(ImportTest);

}  // namespace
