#include "defs/zo_field_def.h"

#include <gtest/gtest.h>

#include <string>

#include "common/return_codes.h"
#include "tests/defs/trace_capture.h"
#include "tests/defs/zo_string_print.h"

namespace {

TEST(ZoFieldDefNames, ConstructorsStoreOnlyValidNames) {
  const ZoFieldDef ok("FIELD_1");
  EXPECT_EQ(ok.getName(), "FIELD_1");
  EXPECT_EQ(ok.getErrorCode(), 0u);
  for (const char* bad : {"Name", "FORMAT", "ReasonCode", "A-B", "x y"}) {
    const ZoFieldDef def(bad);
    EXPECT_EQ(def.getName(), "") << bad;
    EXPECT_EQ(def.getErrorCode(), ERR_FLDD_INVALID_NAME) << bad;
  }
  EXPECT_EQ(ZoFieldDef(std::string(32, 'a').c_str()).getErrorCode(), 0u);
  EXPECT_EQ(ZoFieldDef(ZoString(std::string(33, 'a').c_str())).getErrorCode(), ERR_FLDD_INVALID_NAME);
}

TEST(ZoFieldDefNames, SetNameKeepsOldNameOnFailure) {
  ZoFieldDef def("OLD");
  EXPECT_FALSE(def.setName("completioncode"));
  EXPECT_EQ(def.getName(), "OLD");
  EXPECT_EQ(def.getErrorCode(), ERR_FLDD_INVALID_NAME);
  EXPECT_TRUE(def.setName(ZoString("NEW_1")));
  EXPECT_EQ(def.getName(), "NEW_1");
  EXPECT_EQ(def.getErrorCode(), 0u);
  // Any setter clears the code of an earlier failure.
  def.setName("bad name");
  def.setRow(3);
  EXPECT_EQ(def.getErrorCode(), 0u);
}

TEST(ZoFieldDefNames, TraceLines) {
  TraceCapture trace;
  {
    ZoFieldDef def("name");
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"> ZoFieldDef :: ZoFieldDef( const char * )",
                                                       "Field name is reserved: name",
                                                       "< ZoFieldDef :: ZoFieldDef( const char * ) rc=0x20800A01"}));
    trace.clear();
    def.setName(std::string(33, 'b').c_str());
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"ZoFieldDef::checkName - Name exceeds maximum length = 32"});
    trace.clear();
    def.setName("a$b");
    EXPECT_EQ(trace.lines().back(), "ZoFieldDef::checkName - Name contains invalid characters");
    trace.clear();
  }
  ZoFieldDef empty;
  ZoFieldDef fromString(ZoString("F"));
  EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                               "> ZoFieldDef :: ZoFieldDef()", "< ZoFieldDef :: ZoFieldDef() rc=0x00000000",
                               "> ZoFieldDef :: ZoFieldDef( const ZoString & )",
                               "< ZoFieldDef :: ZoFieldDef( const ZoString & ) rc=0x00000000"}));
}

TEST(ZoFieldDefValues, DefaultsAndSetters) {
  ZoFieldDef def;
  EXPECT_EQ(def.getName(), "");
  EXPECT_EQ(def.getSegment(), 1);
  EXPECT_EQ(def.getDataType(), ZODT_NONE);
  EXPECT_EQ(def.getPadCharacter(), 0x20);
  EXPECT_EQ(def.getAlignment(), 1);
  EXPECT_EQ(def.getHasAttributes(), FALSE);
  EXPECT_EQ(def.getLength(), 0);

  def.setDescription("desc");
  def.setBaseName(ZoString("base"));
  def.setSegment(2);
  def.setLength(80);
  def.setRow(24);
  def.setColumn(79);
  def.setHasAttributes(TRUE);
  def.setPadCharacter(0);
  def.setAlignment(8);
  EXPECT_EQ(def.getDescription(), "desc");
  EXPECT_EQ(def.getBaseName(), "base");
  EXPECT_EQ(def.getSegment(), 2);
  EXPECT_EQ(def.getLength(), 80);
  EXPECT_EQ(def.getRow(), 24);
  EXPECT_EQ(def.getColumn(), 79);
  EXPECT_EQ(def.getHasAttributes(), TRUE);
  EXPECT_EQ(def.getPadCharacter(), 0);
  EXPECT_EQ(def.getAlignment(), 8);
}

TEST(ZoFieldDefValues, SetValueSetsTheMatchingType) {
  ZoFieldDef def("F");
  def.setValue(static_cast<ZO_LONG>(-5));
  EXPECT_EQ(def.getDataType(), ZODT_LONG);
  EXPECT_EQ(def.getLongValue(), -5);
  def.setValue(static_cast<ZO_SHORT>(7));
  EXPECT_EQ(def.getDataType(), ZODT_SHORT);
  EXPECT_EQ(def.getShortValue(), 7);
  def.setValue(static_cast<ZO_BYTE>(200));
  EXPECT_EQ(def.getDataType(), ZODT_BYTE);
  EXPECT_EQ(def.getByteValue(), 200);
  EXPECT_EQ(def.getLongValue(), -5);  // each kind keeps its own field

  def.setDataType(ZODT_AUTHENTICATOR);
  def.setValue("secret");
  EXPECT_EQ(def.getDataType(), ZODT_AUTHENTICATOR);
  def.setDataType(ZODT_SYSTEM_AUTHENTICATOR);
  def.setValue(ZoString(""));
  EXPECT_EQ(def.getDataType(), ZODT_SYSTEM_AUTHENTICATOR);
  def.setDataType(ZODT_LONG);
  def.setValue("text");
  EXPECT_EQ(def.getDataType(), ZODT_STRING);
  EXPECT_EQ(def.getStringValue(), "text");
}

}  // namespace
