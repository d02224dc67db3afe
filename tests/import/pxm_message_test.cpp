#include "import/pxm_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "tests/defs/recording_database.h"

namespace {

using Calls = std::vector<std::string>;

// The recording double, able to fail the n-th field write of a run.
class FieldFailingDatabase : public RecordingDatabase {
 public:
  using RecordingDatabase::write;

  void failFieldWrite(int number, ZO_ULONG code, ZO_LONG dbCode = 0, const char* text = "") {
    failAt_ = number;
    code_ = code;
    dbCode_ = dbCode;
    text_ = text;
  }

  ZO_BOOLEAN write(ZoFieldDef& definition, ZO_BOOLEAN replace) override {
    if (++fieldWrites_ == failAt_) failNext("write(ZoFieldDef)", code_, dbCode_, text_.c_str());
    return RecordingDatabase::write(definition, replace);
  }

 private:
  int fieldWrites_ = 0;
  int failAt_ = 0;
  ZO_ULONG code_ = 0;
  ZO_LONG dbCode_ = 0;
  std::string text_;
};

class PXMMessageTest : public ::testing::Test {
 protected:
  PXMMessageTest() { db_.openQuietly(); }

  // Runs newMap, addField for each field statement and endMap, as the driver
  // does; stops at the first error. Returns the error code of the last call.
  ZO_ULONG importMap(PXMMessage& composer, const std::string& map, const std::vector<std::string>& fields) {
    composer.newMap(PXMStatement(map), static_cast<ZO_LONG>(fields.size()));
    if (composer.getErrorCode() != 0) return composer.getErrorCode();
    for (const std::string& field : fields) {
      composer.addField(PXMStatement(field));
      if (composer.getErrorCode() != 0) return composer.getErrorCode();
    }
    composer.endMap();
    return composer.getErrorCode();
  }

  const ZoFieldDef& field(const std::string& map, const std::string& name) {
    return db_.fields().at({map, name});
  }

  FieldFailingDatabase db_;
};

TEST_F(PXMMessageTest, WritesTheMapThenClearsOldFieldsThenWritesEachNamedField) {
  PXMMessage composer(nullptr, &db_, FALSE);
  ASSERT_EQ(composer.getErrorCode(), 0u);
  // Capacity 3; the unnamed second field takes no slot and no number.
  ASSERT_EQ(importMap(composer, "MAPA     PXMMAP",
                      {"F1       PXMFLD POS=(2,3),LENGTH=10", "         PXMFLD POS=(2,20),LENGTH=5",
                       "F3       PXMFLD LINE=4,COLUMN=7,LENGTH=12,INITIAL='X'"}),
            0u);
  EXPECT_EQ(composer.getFieldsAdded(), 2);
  EXPECT_EQ(db_.calls(), (Calls{"write(ZoMessageDef MAPA,0)", "deleteMsgFlds(MAPA)", "deleteBuiltMsg(MAPA)",
                                "write(ZoFieldDef F1,0)", "write(ZoFieldDef F3,0)"}));

  const ZoMessageDef& message = db_.messages().at("MAPA");
  EXPECT_EQ(message.getDescription(), "KOVA PXM map MAPA");
  EXPECT_EQ(message.getFieldCount(), 2);

  const ZoFieldDef& f1 = field("MAPA", "F1");
  EXPECT_EQ(f1.getDescription(), "MAPA field 1");
  EXPECT_EQ(f1.getRow(), 2);
  EXPECT_EQ(f1.getColumn(), 3);
  EXPECT_EQ(f1.getLength(), 10);
  const ZoFieldDef& f3 = field("MAPA", "F3");
  EXPECT_EQ(f3.getDescription(), "MAPA field 2");
  EXPECT_EQ(f3.getRow(), 4);
  EXPECT_EQ(f3.getColumn(), 7);
  EXPECT_EQ(f3.getLength(), 12);
  // Whatever the source says, these are fixed.
  for (const ZoFieldDef* f : {&f1, &f3}) {
    EXPECT_EQ(f->getSegment(), 1);
    EXPECT_EQ(f->getDataType(), ZODT_STRING);
    EXPECT_EQ(f->getHasAttributes(), TRUE);
    EXPECT_EQ(f->getPadCharacter(), ZO_PAD_BLANK);
    EXPECT_EQ(f->getStringValue(), "");
  }
}

TEST_F(PXMMessageTest, ExistingMapIsRefusedWithoutReplaceAndReplacedWithIt) {
  PXMMessage first(nullptr, &db_, FALSE);
  ASSERT_EQ(importMap(first, "MAPA PXMMAP", {"A PXMFLD LENGTH=1", "B PXMFLD LENGTH=2"}), 0u);
  std::size_t before = db_.calls().size();
  const auto newCalls = [&] {
    return Calls(db_.calls().begin() + static_cast<std::ptrdiff_t>(before), db_.calls().end());
  };

  // Refused before anything is deleted or written.
  EXPECT_EQ(importMap(first, "MAPA PXMMAP", {"C PXMFLD LENGTH=6"}), ERR_PXM_DEFN_ALREADY_EXISTS);
  EXPECT_EQ(first.getDbErrorCode(), 0);
  EXPECT_EQ(newCalls(), (Calls{"write(ZoMessageDef MAPA,0)"}));
  EXPECT_EQ(db_.fields().count({"MAPA", "B"}), 1u);
  before = db_.calls().size();

  // Replaced: a field the source no longer has does not survive.
  PXMMessage replacing(nullptr, &db_, TRUE);
  ASSERT_EQ(importMap(replacing, "MAPA PXMMAP", {"A PXMFLD LENGTH=5", "C PXMFLD LENGTH=6"}), 0u);
  EXPECT_EQ(newCalls(), (Calls{"write(ZoMessageDef MAPA,1)", "deleteMsgFlds(MAPA)", "deleteBuiltMsg(MAPA)",
                               "write(ZoFieldDef A,0)", "write(ZoFieldDef C,0)"}));
  EXPECT_EQ(field("MAPA", "A").getLength(), 5);
  EXPECT_EQ(db_.fields().count({"MAPA", "B"}), 0u);
}

TEST_F(PXMMessageTest, MapWithoutFields) {
  PXMMessage composer(nullptr, &db_, FALSE);
  ASSERT_EQ(importMap(composer, "EMPTY PXMMAP", {}), 0u);
  EXPECT_EQ(db_.calls(),
            (Calls{"write(ZoMessageDef EMPTY,0)", "deleteMsgFlds(EMPTY)", "deleteBuiltMsg(EMPTY)"}));
  EXPECT_EQ(db_.messages().at("EMPTY").getFieldCount(), 0);

  // A negative count is taken as none; any addField is then misplaced.
  composer.newMap(PXMStatement("NEG PXMMAP"), -3);
  EXPECT_EQ(composer.getErrorCode(), 0u);
  composer.addField(PXMStatement("F PXMFLD"));
  EXPECT_EQ(composer.getErrorCode(), ERR_PXM_UNEXPECTED_ERROR);
}

TEST_F(PXMMessageTest, InvalidNamesStopTheMapBeforeAnyWrite) {
  PXMMessage composer(nullptr, &db_, FALSE);
  for (const char* label : {"BAD-NAME", "name", "ReasonCode", "F.1"}) {
    EXPECT_EQ(importMap(composer, "MAPA PXMMAP", {"GOOD PXMFLD", std::string(label) + " PXMFLD LENGTH=1"}),
              ERR_MSGD_INVALID_FIELD_NAME)
        << label;
  }
  // The longest label the reader yields is a valid field name.
  EXPECT_EQ(importMap(composer, "MAPA PXMMAP", {std::string(31, 'A') + " PXMFLD"}), 0u);

  PXMMessage other(nullptr, &db_, FALSE);
  EXPECT_EQ(importMap(other, "MAP.WITH.DOTS PXMMAP", {"F PXMFLD"}), ERR_MSGD_INVALID_NAME);
  EXPECT_EQ(importMap(other, "SEVENTEEN_CHARS_X PXMMAP", {}), ERR_MSGD_INVALID_NAME);
  // A map that failed in newMap cannot be written or filled.
  other.endMap();
  EXPECT_EQ(other.getErrorCode(), ERR_PXM_UNEXPECTED_ERROR);

  EXPECT_EQ(db_.calls(), (Calls{"write(ZoMessageDef MAPA,0)", "deleteMsgFlds(MAPA)", "deleteBuiltMsg(MAPA)",
                                "write(ZoFieldDef " + std::string(31, 'A') + ",0)"}));
}

TEST_F(PXMMessageTest, DatabaseFailuresArePassedOnWithTheirCodeAndText) {
  PXMMessage composer(nullptr, &db_, FALSE);
  db_.failNext("write(ZoMessageDef)", ERR_DB_SYS_ERROR, 4005, "disk full");
  EXPECT_EQ(importMap(composer, "MAPA PXMMAP", {"F1 PXMFLD"}), ERR_DB_SYS_ERROR);
  EXPECT_EQ(composer.getDbErrorCode(), 4005);
  EXPECT_EQ(composer.getDbErrorText(), "disk full");
  EXPECT_EQ(db_.calls(), (Calls{"write(ZoMessageDef MAPA,0)"}));

  // The next operation starts from clean results.
  composer.newMap(PXMStatement("MAPB PXMMAP"), 3);
  EXPECT_EQ(composer.getErrorCode(), 0u);
  EXPECT_EQ(composer.getDbErrorCode(), 0);
  EXPECT_EQ(composer.getDbErrorText(), "");

  // The second field write fails with the store's code and text (a store
  // with units drops the map's writes; this double keeps them).
  db_.failFieldWrite(2, ERR_DB_SYS_ERROR, -9, "lost connection");
  for (const char* f : {"F1 PXMFLD", "F2 PXMFLD", "F3 PXMFLD"}) composer.addField(PXMStatement(f));
  composer.endMap();
  EXPECT_EQ(composer.getErrorCode(), ERR_DB_SYS_ERROR);
  EXPECT_EQ(composer.getDbErrorCode(), -9);
  EXPECT_EQ(composer.getDbErrorText(), "lost connection");
  EXPECT_EQ(db_.messages().count("MAPB"), 1u);
  EXPECT_EQ(db_.fields().count({"MAPB", "F1"}), 1u);
  EXPECT_EQ(db_.fields().count({"MAPB", "F2"}), 0u);
  EXPECT_EQ(db_.calls().back(), "write(ZoFieldDef F2,0)");

  // A refusal without a database code, as from a read-only store.
  db_.failNext("write(ZoMessageDef)", ERR_DB_NOT_SUPPORTED);
  EXPECT_EQ(importMap(composer, "MAPC PXMMAP", {}), ERR_DB_NOT_SUPPORTED);
  EXPECT_EQ(composer.getDbErrorCode(), 0);

  // A delete the store does not do leaves the map going; a failing store
  // stops it (the old fields would stay beside the new ones).
  db_.failNext("deleteBuiltMsg", ERR_DB_NOT_SUPPORTED);
  EXPECT_EQ(importMap(composer, "MAPD PXMMAP", {"G PXMFLD"}), 0u);
  EXPECT_EQ(db_.fields().count({"MAPD", "G"}), 1u);
  db_.failNext("deleteMsgFlds", ERR_DB_SYS_ERROR, 1, "x");
  EXPECT_EQ(importMap(composer, "MAPE PXMMAP", {"G PXMFLD"}), ERR_DB_SYS_ERROR);
  EXPECT_EQ(composer.getDbErrorText(), "x");
  EXPECT_EQ(db_.fields().count({"MAPE", "G"}), 0u);
}

TEST_F(PXMMessageTest, CallsOutOfOrder) {
  PXMMessage composer(nullptr, &db_, FALSE);
  composer.addField(PXMStatement("F PXMFLD"));
  EXPECT_EQ(composer.getErrorCode(), ERR_PXM_UNEXPECTED_ERROR);
  composer.endMap();
  EXPECT_EQ(composer.getErrorCode(), ERR_PXM_UNEXPECTED_ERROR);

  composer.newMap(PXMStatement("MAPA PXMMAP"), 1);
  composer.addField(PXMStatement("F PXMFLD"));
  EXPECT_EQ(composer.getErrorCode(), 0u);
  composer.addField(PXMStatement("G PXMFLD"));
  EXPECT_EQ(composer.getErrorCode(), ERR_PXM_UNEXPECTED_ERROR);
  // Unnamed fields never use up room.
  composer.newMap(PXMStatement("MAPB PXMMAP"), 1);
  for (int i = 0; i < 5; ++i) composer.addField(PXMStatement("  PXMFLD"));
  EXPECT_EQ(composer.getErrorCode(), 0u);
  EXPECT_TRUE(db_.calls().empty());

  PXMMessage orphan(nullptr, nullptr, FALSE);
  EXPECT_EQ(orphan.getErrorCode(), ERR_PXM_UNEXPECTED_ERROR);
  orphan.newMap(PXMStatement("MAPA PXMMAP"), 1);
  EXPECT_EQ(orphan.getErrorCode(), ERR_PXM_UNEXPECTED_ERROR);
}

}  // namespace
