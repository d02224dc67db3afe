#include "defs/zo_database.h"

#include <gtest/gtest.h>

#include "common/return_codes.h"
#include "tests/defs/recording_database.h"
#include "tests/defs/trace_capture.h"
#include "tests/defs/zo_string_print.h"

namespace {

// Calls through the abstract interface, as the rest of the library does.
ZoDatabase& asDatabase(RecordingDatabase& db) { return db; }

TEST(ZoDatabaseForwarding, OneArgumentWritesAreWritesWithoutReplace) {
  RecordingDatabase db;
  db.openQuietly();
  ZoMessageDef m("MSG1");
  ZoServiceDef s("SVC1");
  ZoFieldDef f("F1");
  ZoDatabase& base = asDatabase(db);
  EXPECT_TRUE(base.write(m));
  EXPECT_TRUE(base.write(s));
  EXPECT_TRUE(base.write(f));
  EXPECT_EQ(db.calls(), (std::vector<std::string>{"write(ZoMessageDef MSG1,0)", "write(ZoServiceDef SVC1,0)",
                                                  "write(ZoFieldDef F1,0)"}));
  // The second one-argument write meets the existing definition.
  EXPECT_FALSE(base.write(m));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_DEFN_ALREADY_EXISTS);
  EXPECT_FALSE(base.write(s));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_DEFN_ALREADY_EXISTS);
  EXPECT_FALSE(base.write(f));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_DEFN_ALREADY_EXISTS);
  EXPECT_TRUE(base.write(m, TRUE));
}

TEST(ZoDatabaseCodes, NewObjectHasNoCodesAndSuccessClearsAFailure) {
  RecordingDatabase db;
  ZoDatabase& base = asDatabase(db);
  EXPECT_EQ(base.getErrorCode(), 0u);
  EXPECT_EQ(base.getDbErrorCode(), 0);
  EXPECT_EQ(base.getDbErrorText(), "");

  db.failNext("open", ERR_DB_SYS_ERROR, 259, "File does not exist");
  EXPECT_FALSE(base.open("defs.ndb", ""));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_SYS_ERROR);
  EXPECT_EQ(base.getDbErrorCode(), 259);
  EXPECT_EQ(base.getDbErrorText(), "File does not exist");

  EXPECT_TRUE(base.open("defs.ndb", ""));
  EXPECT_EQ(base.getErrorCode(), 0u);
  EXPECT_EQ(base.getDbErrorCode(), 0);
  EXPECT_EQ(base.getDbErrorText(), "");

  // A store that does not list its messages says so and hands back none.
  std::vector<ZoString> names{ZoString("stale")};
  EXPECT_FALSE(base.listMessageNames(names));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_NOT_SUPPORTED);
  EXPECT_TRUE(names.empty());
}

TEST(RecordingDatabaseDouble, KeepsFieldsPerMessageAndChecksOpenState) {
  RecordingDatabase db;
  ZoDatabase& base = asDatabase(db);
  ZoFieldDef f("F1");
  EXPECT_FALSE(base.write(f, FALSE));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_CLOSED);
  ASSERT_TRUE(base.open("db", "srv"));
  EXPECT_FALSE(base.open("db", "srv"));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_ALREADY_OPEN);
  EXPECT_FALSE(base.write(f, FALSE));
  EXPECT_EQ(base.getErrorCode(), ERR_DB_NO_MSG_DEFN);

  ZoMessageDef m("M1");
  m.addFieldNames("F1", "F1");
  ASSERT_TRUE(base.write(m, FALSE));
  f.setLength(12);
  ASSERT_TRUE(base.write(f, FALSE));
  ASSERT_EQ(db.fields().count({"M1", "F1"}), 1u);

  ZoMessageDef back("M1");
  ASSERT_TRUE(base.read(back));
  EXPECT_EQ(back.getFieldCount(), 1);
  ZoFieldDef fieldBack("F1");
  ASSERT_TRUE(base.read(fieldBack));
  EXPECT_EQ(fieldBack.getLength(), 12);

  EXPECT_TRUE(base.deleteMsgFlds("M1"));
  EXPECT_TRUE(db.fields().empty());
  EXPECT_TRUE(base.close());
  EXPECT_FALSE(db.isOpen());
}

}  // namespace

namespace {

TEST(ZoDatabaseTrace, ConstructorTracesItsName) {
  TraceCapture trace;
  RecordingDatabase db;
  EXPECT_EQ(trace.lines(), (std::vector<std::string>{"> ZoDatabase :: ZoDatabase",
                                                     "< ZoDatabase :: ZoDatabase rc=0x00000000"}));
}

}  // namespace
