// The loop over the statements of a source, against the recording database.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "import/pxm_import.h"
#include "tests/defs/recording_database.h"
#include "tests/import/import_test_util.h"
#include "tests/support/run_program.h"

namespace {

using import_test::CapturedMessages;
using import_test::continuationLine;
using import_test::ScratchDir;
using import_test::sourceLine;
using Calls = std::vector<std::string>;

// Keeps counts only, for sources far larger than the recording double is
// meant for: the message written last, and the fields written after it.
class CountingDatabase : public RecordingDatabase {
 public:
  using RecordingDatabase::write;

  ZO_BOOLEAN write(ZoMessageDef& definition, ZO_BOOLEAN) override {
    clearCodes();
    ++messages;
    lastMessage = definition.getMessageName().text();
    lastFieldCount = definition.getFieldCount();
    return TRUE;
  }
  ZO_BOOLEAN write(ZoFieldDef& definition, ZO_BOOLEAN) override {
    clearCodes();
    ++fields;
    lastField = definition;
    return TRUE;
  }
  ZO_BOOLEAN deleteMsgFlds(const ZoString&) override {
    clearCodes();
    return TRUE;
  }
  ZO_BOOLEAN deleteBuiltMsg(const ZoString&) override {
    clearCodes();
    return TRUE;
  }

  long messages = 0;
  long fields = 0;
  std::string lastMessage;
  ZO_LONG lastFieldCount = 0;
  ZoFieldDef lastField;
};

// Imports `source` from a file of `dir` into `db`; returns the loop's result.
bool importInto(ZoDatabase& db, const ScratchDir& dir, const std::string& source,
                CapturedMessages& captured) {
  const std::string path = dir.write("large.pxm", source);
  PXMFile reader(path.c_str());
  PXMMessage composer(nullptr, &db, FALSE);
  return PXMImportMaps(reader, composer, captured.message());
}

class ImportMapsTest : public ::testing::Test {
 protected:
  ImportMapsTest() { db_.openQuietly(); }

  // Imports `source` with a new reader and composer; returns the loop's result.
  bool import(const std::string& source, ZO_BOOLEAN replace = FALSE) {
    const std::string path = dir_.write("source.pxm", source);
    PXMFile reader(path.c_str());
    EXPECT_EQ(reader.GetStatus(), PXM_STATUS_READING);
    PXMMessage composer(nullptr, &db_, replace);
    return PXMImportMaps(reader, composer, captured_.message());
  }

  std::vector<std::string> fieldsOf(const std::string& map) {
    std::vector<std::string> names;
    for (const auto& [key, field] : db_.fields()) {
      if (key.first == map) names.push_back(key.second);
    }
    return names;
  }

  ScratchDir dir_;
  CapturedMessages captured_;
  RecordingDatabase db_;
};

TEST_F(ImportMapsTest, MapsAndTheStatementsThatEndThem) {
  const std::string source =
      "* statements before the first map are passed over\n"
      "TITLE    PXMEND\n"
      "MAPA     PXMMAP SIZE=(24,80)\n"
      "A1       PXMFLD POS=(1,2),LENGTH=3\n"
      "* a comment does not end the fields\n"
      "         SPACE\n"
      "         PXMFLD POS=(2,2),LENGTH=9,INITIAL='TEXT, NOT A FIELD'\n"
      "A2       PXMFLD LINE=3,COLUMN=4,LENGTH=5\n"
      "MAPB     PXMMAP\n"  // right after the fields: the next map
      "MAPC     PXMMAP\n"  // right after a map: MAPB has no fields
      "C1       PXMFLD LENGTH=1\n"
      "\n"                          // a blank line ends MAPC's fields
      "LOST     PXMFLD LENGTH=2\n"  // outside any map
      "MAPD     PXMMAP\n";          // at the end of the file: no fields
  ASSERT_TRUE(import(source));
  EXPECT_EQ(captured_.out(), "PXM map MAPA\nPXM map MAPB\nPXM map MAPC\nPXM map MAPD\n");
  EXPECT_EQ(captured_.err(), "");
  EXPECT_EQ(db_.calls(),
            (Calls{"write(ZoMessageDef MAPA,0)", "deleteMsgFlds(MAPA)", "deleteBuiltMsg(MAPA)",
                   "write(ZoFieldDef A1,0)", "write(ZoFieldDef A2,0)", "write(ZoMessageDef MAPB,0)",
                   "deleteMsgFlds(MAPB)", "deleteBuiltMsg(MAPB)", "write(ZoMessageDef MAPC,0)",
                   "deleteMsgFlds(MAPC)", "deleteBuiltMsg(MAPC)", "write(ZoFieldDef C1,0)",
                   "write(ZoMessageDef MAPD,0)", "deleteMsgFlds(MAPD)", "deleteBuiltMsg(MAPD)"}));
  EXPECT_EQ(db_.fields().at({"MAPA", "A2"}).getDescription(), "MAPA field 2");
  EXPECT_EQ(db_.fields().at({"MAPA", "A2"}).getColumn(), 4);
}

TEST_F(ImportMapsTest, ContinuedStatementsAndTheEndOfTheFile) {
  // The last field is still being continued when the file ends: it is dropped.
  const std::string source = "MAPA PXMMAP\n" + sourceLine("F1 PXMFLD POS=(3,4),", 'X') +
                             continuationLine("LENGTH=6") + sourceLine("F2 PXMFLD POS=(5,6),", 'X');
  ASSERT_TRUE(import(source));
  EXPECT_EQ(fieldsOf("MAPA"), (std::vector<std::string>{"F1"}));
  EXPECT_EQ(db_.fields().at({"MAPA", "F1"}).getLength(), 6);
}

TEST_F(ImportMapsTest, AFailingMapEndsTheRunAndKeepsEarlierMaps) {
  ASSERT_TRUE(import("MAPB PXMMAP\nOLD PXMFLD\n"));
  const std::size_t before = db_.calls().size();

  EXPECT_FALSE(import("MAPA PXMMAP\nA1 PXMFLD\nMAPB PXMMAP\nB1 PXMFLD\nMAPC PXMMAP\n"));
  EXPECT_EQ(captured_.out(), "PXM map MAPB\nPXM map MAPA\nPXM map MAPB\n");
  const vexotest::ErrorOutput exists = vexotest::splitHints(captured_.err());
  EXPECT_EQ(exists.lines, "Error: VEXO rc = TVRC_DEFN_ALREADY_EXISTS (124)\n");
  EXPECT_EQ(exists.hints,
            "map MAPB: the message definition MAPB is already in the database\ngive /r to replace it and its fields\n");
  EXPECT_EQ(fieldsOf("MAPA"), (std::vector<std::string>{"A1"}));
  EXPECT_EQ(fieldsOf("MAPB"), (std::vector<std::string>{"OLD"}));
  EXPECT_EQ(db_.messages().count("MAPC"), 0u);
  EXPECT_EQ(db_.calls().size() - before, 5u);  // MAPA whole, then the refused write of MAPB

  // With replace the same source goes through and MAPB gets its new field.
  EXPECT_TRUE(import("MAPA PXMMAP\nA1 PXMFLD\nMAPB PXMMAP\nB1 PXMFLD\nMAPC PXMMAP\n", TRUE));
  EXPECT_EQ(fieldsOf("MAPB"), (std::vector<std::string>{"B1"}));
}

TEST_F(ImportMapsTest, ErrorLinesOfTheComposer) {
  EXPECT_FALSE(import("MAPA PXMMAP\nGOOD PXMFLD\nBAD-NAME PXMFLD\n"));
  const vexotest::ErrorOutput badName = vexotest::splitHints(captured_.err());
  EXPECT_EQ(badName.lines, "Error: VEXO rc = TVRC_INVALID_FIELD_NAME (117)\n");
  EXPECT_EQ(badName.hints, "map MAPA, field BAD-NAME (line 3)\n");
  EXPECT_TRUE(db_.calls().empty());

  CapturedMessages second;
  db_.failNext("write(ZoMessageDef)", ERR_DB_SYS_ERROR, 4005, "Database is not open");
  const std::string path = dir_.write("b.pxm", "MAPA PXMMAP\nF PXMFLD\n");
  PXMFile reader(path.c_str());
  PXMMessage composer(nullptr, &db_, FALSE);
  EXPECT_FALSE(PXMImportMaps(reader, composer, second.message()));
  const vexotest::ErrorOutput failed = vexotest::splitHints(second.err());
  EXPECT_EQ(failed.lines,
            "Error: VEXO rc = TVRC_DEFN_DB_SYSERROR (138)\n"
            "Dossa C API error = 4005 (Database is not open)\n");
  EXPECT_EQ(failed.hints, "map MAPA\n");
}

TEST_F(ImportMapsTest, UnreadableSourceEndsWithTheOpenError) {
  // A field statement continued beyond the size a statement may have: the map
  // is not written and the run does not end as if the source were complete.
  std::string source = "MAPA PXMMAP\nF1 PXMFLD\n" + sourceLine("F2 PXMFLD LENGTH=1,", 'X');
  const std::string cont = continuationLine(std::string(56, 'A'), 'X');
  for (std::size_t i = 0; i <= PXM_STATEMENT_TEXT_MAX / 56; ++i) source += cont;
  source += "F3 PXMFLD\n";
  EXPECT_FALSE(import(source));
  EXPECT_EQ(captured_.out(), "PXM map MAPA\n");
  EXPECT_EQ(captured_.err(), "Error: VEXO rc = TVRC_PXM_OPEN_ERROR (25003)\n");
  EXPECT_TRUE(db_.calls().empty());
}

TEST_F(ImportMapsTest, ExampleSources) {
  const char* source = std::getenv("VEXO_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "run through ctest";
  for (const char* name : {"orders.pxm", "stock.pxm", "menu.pxm"}) {
    const std::string path = std::string(source) + "/examples/maps/" + name;
    PXMFile reader(path.c_str());
    PXMMessage composer(nullptr, &db_, FALSE);
    ASSERT_TRUE(PXMImportMaps(reader, composer, captured_.message())) << name << captured_.err();
  }
  using Names = std::vector<std::string>;
  EXPECT_EQ(fieldsOf("ORDHEAD"), (Names{"CUSTNO", "CUSTREF", "MSGLINE", "ORDDATE"}));
  EXPECT_EQ(fieldsOf("ORDLINES"), (Names{"ITEM1", "ITEM2", "ITEM3", "QTY1", "QTY2", "QTY3", "TOTAL"}));
  EXPECT_EQ(fieldsOf("STOCKQ"), (Names{"DESCR", "ONHAND", "ONORDER", "PARTNO"}));
  EXPECT_EQ(fieldsOf("STOCKERR"), (Names{"ERRTEXT"}));
  EXPECT_EQ(fieldsOf("BLANKMAP"), Names{});
  EXPECT_EQ(fieldsOf("MENU"), (Names{"CHOICE", "MENUMSG"}));
  EXPECT_EQ(db_.messages().size(), 6u);
  const ZoFieldDef& part = db_.fields().at({"STOCKQ", "PARTNO"});
  EXPECT_EQ(part.getRow(), 3);
  EXPECT_EQ(part.getColumn(), 14);
  EXPECT_EQ(part.getLength(), 12);
  EXPECT_EQ(db_.fields().at({"ORDHEAD", "CUSTREF"}).getLength(), 30);
  EXPECT_EQ(db_.fields().at({"MENU", "CHOICE"}).getRow(), 10);
}

TEST_F(ImportMapsTest, ManyMaps) {
  constexpr long maps = 100000;
  std::string source;
  source.reserve(static_cast<std::size_t>(maps) * 48);
  for (long i = 0; i < maps; ++i) {
    source += "M" + std::to_string(i) + " PXMMAP\n";
    source += "F PXMFLD POS=(1," + std::to_string(i % 80) + ")\n";
  }
  CountingDatabase db;
  ASSERT_TRUE(importInto(db, dir_, source, captured_));
  EXPECT_EQ(db.messages, maps);
  EXPECT_EQ(db.fields, maps);
  EXPECT_EQ(db.lastMessage, "M99999");
  EXPECT_EQ(db.lastField.getColumn(), 99999 % 80);
  EXPECT_EQ(captured_.err(), "");
}

TEST_F(ImportMapsTest, OneMapWithManyLongFields) {
  // The count stays moderate because a message definition grows its field
  // list in steps of 20; the reader alone is run over 100,000 such fields.
  constexpr long fields = 10000;
  CountingDatabase db;
  ASSERT_TRUE(importInto(db, dir_, import_test::manyFieldsSource(fields), captured_));
  EXPECT_EQ(captured_.err(), "");
  EXPECT_EQ(db.messages, 1);
  EXPECT_EQ(db.lastFieldCount, fields);
  EXPECT_EQ(db.fields, fields);
  EXPECT_EQ(db.lastField.getDescription(), "BIG field 10000");
  EXPECT_EQ(db.lastField.getLength(), 0);
}

}  // namespace
