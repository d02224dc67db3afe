// Trace lines of the text database: refused writes and deletes, and the
// reasons a read fails.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/return_codes.h"
#include "session/zo_session.h"
#include "tests/defs/trace_capture.h"
#include "tests/session/scratch_dir.h"
#include "textdb/zo_text_database.h"

namespace {

std::string exitLine(const std::string& name, ZO_ULONG code) {
  char rc[16];
  std::snprintf(rc, sizeof rc, "0x%08X", static_cast<unsigned>(code));
  return "< " + name + " rc=" + rc;
}

class TextDbTrace : public ::testing::Test {
 protected:
  TextDbTrace() {
    ::unsetenv("VEXO_INI_PATH");
    session_ = std::make_unique<ZoSession>(0, nullptr);
    db_ = std::make_unique<ZoTextDatabase>(*session_);
  }
  void load(const std::string& content) {
    const std::string path = scratch_.write("defs.txt", content);
    ASSERT_TRUE(db_->open(ZoString(path.c_str()), ZoString("srv")));
  }
  ScratchDir scratch_;
  std::unique_ptr<ZoSession> session_;
  std::unique_ptr<ZoTextDatabase> db_;
};

TEST_F(TextDbTrace, RefusedWritesAndDeletesNameThemselves) {
  TraceCapture trace;
  ZoMessageDef message("M1");
  ZoServiceDef service("S1");
  ZoFieldDef field("F1");
  ZoString name("M1");
  db_->write(service, TRUE);
  EXPECT_EQ(trace.count("> ZoTextDatabase :: write( ZoServiceDef &, ZO_BOOLEAN )"), 1);
  EXPECT_EQ(trace.count("Write with REPLACE = 1 of ZoServiceDef = S1 is not supported"), 1);
  EXPECT_EQ(trace.count(exitLine("ZoTextDatabase :: write( ZoServiceDef & )", ERR_DB_NOT_SUPPORTED)),
            1);
  db_->write(message, FALSE);
  EXPECT_EQ(trace.count("Write with REPLACE = 0 for ZoMessageDef = M1 is not supported"), 1);
  db_->write(field);
  EXPECT_EQ(trace.count("Write of ZoFieldDef = F1 is not supported"), 1);
  db_->deleteSvc(name);
  EXPECT_EQ(trace.count("> ZoTextDatabase :: deleteSvc ( ZoString & )"), 1);
  EXPECT_EQ(trace.count(exitLine("ZoTextDatabase :: deleteSvc( ZoString & )", ERR_DB_NOT_SUPPORTED)),
            1);
  db_->deleteMsgFlds(name);
  EXPECT_EQ(trace.count(exitLine("ZoTextDatabase :: deleteMsgFlds ( ZoString & ) ",
                                 ERR_DB_NOT_SUPPORTED)),
            1);
  EXPECT_EQ(trace.count("deleteMsgFlds for M1 is not supported"), 1);
  db_->deleteBuiltMsg(name);
  EXPECT_EQ(trace.count("deleteBuiltMsg for M1 is not supported"), 1);
}

TEST_F(TextDbTrace, ReadFailuresSayWhy) {
  TraceCapture trace;
  load("[F]\nDataType = SHORT\nValue = 32768\n"
       "[G]\nDataType = BYTE\nValue = -1290\n"
       "[P]\nDataType = STRING\nPadCharacter = TAB\nLength = x1\n"
       "[C]\nDataType = CHAR\nValue = 1\n"
       "[S]\nEncoding = Mac\n");
  EXPECT_EQ(trace.count("Server name srv is ignored"), 1);
  ZoFieldDef f("F");
  db_->read(f);
  EXPECT_EQ(trace.count("Positive Value value exceeds 32767 numerically"), 1);
  ZoFieldDef g("G");
  db_->read(g);
  EXPECT_EQ(trace.count("Negative Value exceeds -128 since it is a longer string"), 1);
  ZoFieldDef p("P");
  db_->read(p);
  EXPECT_EQ(trace.count("Length should be numeric, but is in fact x1"), 1);
  ZoFieldDef c("C");
  db_->read(c);
  EXPECT_EQ(trace.count("Field C has invalid datatype value = CHAR"), 1);
  ZoFieldDef missing("NONE");
  db_->read(missing);
  EXPECT_EQ(trace.count("Reading section = <<< NONE >>> keyword = <<< DataType >>> failed"), 1);
  ZoServiceDef s("S");
  db_->read(s);
  EXPECT_EQ(trace.count("Unknown value <<< Mac >>> for keyword Encoding"), 1);
  EXPECT_EQ(trace.count(exitLine("ZoTextDatabase :: read( ZoServiceDef & )", ERR_DB_DATA_MISMATCH)),
            1);
  ZoServiceDef absent("ABSENT");
  db_->read(absent);
  EXPECT_EQ(trace.count("reading <<< ServiceStep >>> failed"), 1);
}

}  // namespace
