#include "defs/zo_service_def.h"

#include <gtest/gtest.h>

#include "common/return_codes.h"
#include "defs/zo_security_def.h"
#include "tests/defs/trace_capture.h"
#include "tests/defs/zo_string_print.h"

namespace {

TEST(ZoServiceDefName, MessageNameRuleApplies) {
  const ZoServiceDef ok("ORDER-ENTRY");
  EXPECT_EQ(ok.getServiceName(), "ORDER-ENTRY");
  EXPECT_EQ(ok.getErrorCode(), 0u);
  const ZoServiceDef tooLong("ABCDEFGHIJKLMNOPQ");
  EXPECT_EQ(tooLong.getServiceName(), "");
  EXPECT_EQ(tooLong.getErrorCode(), ERR_SVCD_INVALID_NAME);

  ZoServiceDef def("FIRST");
  EXPECT_FALSE(def.setServiceName("WITH SPACE"));
  EXPECT_EQ(def.getServiceName(), "FIRST");
  EXPECT_EQ(def.getErrorCode(), ERR_SVCD_INVALID_NAME);
  EXPECT_TRUE(def.setServiceName("SECOND"));
  EXPECT_EQ(def.getErrorCode(), 0u);
}

TEST(ZoServiceDefValues, DefaultsAndUncheckedSetters) {
  ZoServiceDef def("S");
  EXPECT_EQ(def.getServiceType(), ZOST_RK);
  EXPECT_EQ(def.getCharacterSet(), 0);
  EXPECT_EQ(def.getEncoding(), 0);
  EXPECT_EQ(def.getSystemName(), "");

  def.setServiceName("bad.name");
  def.setServiceType(99);  // stored without a check; clears the earlier failure
  EXPECT_EQ(def.getServiceType(), 99);
  EXPECT_EQ(def.getErrorCode(), 0u);
  def.setServiceType(-1);
  EXPECT_EQ(def.getServiceType(), -1);
  def.setServiceStep("STEP1");
  def.setCharacterSet(500);
  def.setConnectionManager("CM");
  def.setEncoding(273);
  def.setInboundConnection("IN.Q");
  def.setOutboundConnection("OUT.Q");
  def.setSystemName("SYS1");
  EXPECT_EQ(def.getServiceStep(), "STEP1");
  EXPECT_EQ(def.getCharacterSet(), 500);
  EXPECT_EQ(def.getConnectionManager(), "CM");
  EXPECT_EQ(def.getEncoding(), 273);
  EXPECT_EQ(def.getInboundConnection(), "IN.Q");
  EXPECT_EQ(def.getOutboundConnection(), "OUT.Q");
  EXPECT_EQ(def.getSystemName(), "SYS1");
}

TEST(ZoServiceDefTrace, SettersTraceTheirNames) {
  TraceCapture trace;
  ZoServiceDef def("S");
  def.setServiceName("TOO_LONG_SERVICE_NAME");
  def.setEncoding(1);
  EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                               "> ZoServiceDef :: ZoServiceDef()", "< ZoServiceDef :: ZoServiceDef() rc=0x00000000",
                               "> ZoServiceDef :: setServiceName", "Name exceeds maximum length = 16",
                               "< ZoServiceDef :: setServiceName rc=0x00000000", "> ZoServiceDef :: setEncoding",
                               "< ZoServiceDef :: setEncoding rc=0x00000000"}));
}

TEST(ZoSecurityDefValues, StartsEmptyAndNeverTracesTheSecret) {
  TraceCapture trace;
  ZoSecurityDef def("SYS1");
  EXPECT_EQ(def.getSystemName(), "SYS1");
  EXPECT_EQ(def.getUserId(), "");
  EXPECT_EQ(def.getAuthenticator(), "");
  def.setUserId("user1");
  def.setAuthenticator("pa55word!");
  def.setSystemName("SYS2");
  EXPECT_EQ(def.getAuthenticator(), "pa55word!");
  EXPECT_EQ(def.getSystemName(), "SYS2");
  EXPECT_FALSE(trace.mentions("pa55word"));
  EXPECT_EQ(trace.count("> ZoSecurityDef :: setAuthenticator"), 1);
  EXPECT_EQ(trace.count("> ZoSecurityDef :: ZoSecurityDef"), 1);
}

}  // namespace
