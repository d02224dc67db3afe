#include "defs/zo_message_def.h"

#include <gtest/gtest.h>

#include <string>

#include "common/return_codes.h"
#include "tests/defs/trace_capture.h"
#include "tests/defs/zo_string_print.h"

namespace {

TEST(ZoMessageDefNames, ConstructorAndSetMessageName) {
  EXPECT_EQ(ZoMessageDef("MSG-1#@").getMessageName(), "MSG-1#@");
  EXPECT_EQ(ZoMessageDef("NAME  ").getMessageName(), "NAME  ");
  const ZoMessageDef tooLong(ZoString("ABCDEFGHIJKLMNOPQ"));
  EXPECT_EQ(tooLong.getMessageName(), "");
  EXPECT_EQ(tooLong.getErrorCode(), ERR_MSGD_INVALID_NAME);

  ZoMessageDef def("FIRST");
  EXPECT_FALSE(def.setMessageName("A.B"));
  EXPECT_EQ(def.getMessageName(), "FIRST");
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_NAME);
  EXPECT_TRUE(def.setMessageName(ZoString("SECOND")));
  EXPECT_EQ(def.getMessageName(), "SECOND");
  EXPECT_EQ(def.getErrorCode(), 0u);
}

TEST(ZoMessageDefCounts, NegativeCountsAreRefused) {
  ZoMessageDef def("M");
  EXPECT_TRUE(def.setRowCount(0));
  EXPECT_TRUE(def.setRowCount(24));
  EXPECT_FALSE(def.setRowCount(-1));
  EXPECT_EQ(def.getRowCount(), 24);
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_ROW_COUNT);
  EXPECT_TRUE(def.setColumnCount(80));
  EXPECT_EQ(def.getErrorCode(), 0u);
  EXPECT_FALSE(def.setColumnCount(-80));
  EXPECT_EQ(def.getColumnCount(), 80);
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_COLUMN_COUNT);
}

TEST(ZoMessageDefFormat, LengthAndCharacters) {
  ZoMessageDef def("M");
  EXPECT_TRUE(def.setFormat(""));
  EXPECT_TRUE(def.setFormat("ABCD_123"));
  EXPECT_EQ(def.getFormat(), "ABCD_123");
  EXPECT_TRUE(def.setFormat("VEXOSTR "));
  EXPECT_EQ(def.getFormat(), "VEXOSTR ");

  TraceCapture trace;
  EXPECT_FALSE(def.setFormat("ABCDEFGHI"));
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_FORMAT);
  EXPECT_EQ(def.getFormat(), "VEXOSTR ");
  EXPECT_EQ(trace.count("Format length: 9 exceeds maximum: 8"), 1);
  trace.clear();
  EXPECT_FALSE(def.setFormat(ZoString("AB-C")));
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_FORMAT);
  EXPECT_EQ(def.getFormat(), "VEXOSTR ");
  EXPECT_EQ(trace.count("Format contains non alpha-numeric characters"), 1);
  EXPECT_FALSE(def.setFormat("A B"));
}

TEST(ZoMessageDefFields, PairsAreKeptInOrder) {
  ZoMessageDef def("M");
  EXPECT_TRUE(def.addFieldNames("A", "B"));
  EXPECT_TRUE(def.addFieldNames(ZoString("D"), ZoString("D")));
  EXPECT_EQ(def.getFieldCount(), 2);
  ZoString alias("x");
  ZoString name("y");
  EXPECT_TRUE(def.getFieldNames(alias, name, 1));
  EXPECT_EQ(alias, "D");
  EXPECT_EQ(name, "D");
  EXPECT_TRUE(def.getFieldNames(alias, name, 0));
  EXPECT_EQ(alias, "A");
  EXPECT_EQ(name, "B");

  TraceCapture trace;
  EXPECT_FALSE(def.getFieldNames(alias, name, 2));
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_INDEX);
  EXPECT_EQ(alias, "A");
  EXPECT_EQ(trace.count("index 2 exceeds current fieldCount 2"), 1);
  // A negative index is as invalid as one past the end.
  EXPECT_FALSE(def.getFieldNames(alias, name, -1));
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_INDEX);
  EXPECT_EQ(name, "B");
}

TEST(ZoMessageDefFields, InvalidPairsChangeNothing) {
  ZoMessageDef def("M");
  def.addFieldNames("A", "A");
  TraceCapture trace;
  EXPECT_FALSE(def.addFieldNames("", "X"));
  EXPECT_EQ(trace.count("Alias and/or name strings are empty"), 1);
  EXPECT_FALSE(def.addFieldNames("X", ""));
  EXPECT_FALSE(def.addFieldNames("X", "completioncode"));
  EXPECT_EQ(trace.count("Field name is reserved: completioncode"), 1);
  EXPECT_EQ(trace.count("Alias and/or name strings are invalid"), 1);
  EXPECT_EQ(def.getErrorCode(), ERR_MSGD_INVALID_FIELD_NAME);
  trace.clear();
  // The name is not examined once the alias has failed.
  EXPECT_FALSE(def.addFieldNames(std::string(33, 'a').c_str(), "reasoncode"));
  EXPECT_EQ(trace.count("Field name exceeds maximum length = 32"), 1);
  EXPECT_FALSE(trace.mentions("reserved"));
  EXPECT_EQ(def.getFieldCount(), 1);
  ZoString alias;
  ZoString name;
  EXPECT_FALSE(def.getFieldNames(alias, name, 1));
  // Duplicates are not looked for.
  EXPECT_TRUE(def.addFieldNames("A", "A"));
  EXPECT_EQ(def.getFieldCount(), 2);
}

TEST(ZoMessageDefFields, ManyPairsGrowBothLists) {
  ZoMessageDef def("M");
  for (int i = 0; i < 65; ++i)
    ASSERT_TRUE(def.addFieldNames(("A" + std::to_string(i)).c_str(), ("N" + std::to_string(i)).c_str()));
  EXPECT_EQ(def.getFieldCount(), 65);
  ZoString alias;
  ZoString name;
  for (int i = 0; i < 65; ++i) {
    ASSERT_TRUE(def.getFieldNames(alias, name, i));
    EXPECT_EQ(alias, ("A" + std::to_string(i)).c_str());
    EXPECT_EQ(name, ("N" + std::to_string(i)).c_str());
  }
  // A copy is independent of the original.
  ZoMessageDef copy(def);
  copy.addFieldNames("EXTRA", "EXTRA");
  EXPECT_EQ(def.getFieldCount(), 65);
  EXPECT_EQ(copy.getFieldCount(), 66);
}

TEST(ZoMessageDefTrace, OperationsTraceTheirNames) {
  TraceCapture trace;
  ZoMessageDef def("A.B");  // invalid: the constructor still reports 0
  def.setMessageName("OK");
  def.addFieldNames("F", "F");
  def.setDescription("d");
  def.setRowCount(-1);
  std::vector<std::string> calls;
  for (const std::string& l : trace.lines())
    if (l[0] == '>' || l[0] == '<') calls.push_back(l);
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "> ZoMessageDef :: ZoMessageDef( const char * )",
                       "< ZoMessageDef :: ZoMessageDef( const char * ) rc=0x00000000",
                       "> ZoMessageDef :: setMessageName( const char * )",
                       "> ZoMessageDef :: setMessageName( const ZoString & )",
                       "< ZoMessageDef :: setMessageName( const ZoString & ) rc=0x00000000",
                       "< ZoMessageDef :: setMessageName( const char * ) rc=0x00000000",
                       "> ZoMessageDef :: addFieldNames( const char *, const char * )",
                       "> ZoMessageDef :: addFieldNames( const ZoString &, const ZoString & )",
                       "< ZoMessageDef :: addFieldNames( const ZoString &, const ZoString & ) rc=0x00000000",
                       "< ZoMessageDef :: addFieldNames( const char *, const char * ) rc=0x00000000",
                       "> ZoMessageDef :: setDescription( const char * )",
                       "> ZoMessageDef :: setDescription( const ZoString & )",
                       "< ZoMessageDef :: setDescription( const ZoString & ) rc=0x00000000",
                       "< ZoMessageDef :: setDescription( const char * ) rc=0x00000000",
                       "> ZoMessageDef :: setRowCount",
                       "< ZoMessageDef :: setRowCount rc=0x20800C03",
                   }));
  EXPECT_EQ(trace.count("Name contains invalid characters"), 1);
}

TEST(ZoMessageDefTrace, UserTracingSuppressesEntryAndText) {
  TraceCapture trace(true);
  ZoMessageDef def("M");
  def.setFormat("TOO_LONG_FORMAT");
  EXPECT_TRUE(trace.lines().empty());
}

}  // namespace
