#include "common/retcode_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "common/return_codes.h"

namespace {

std::string textOf(ZO_ULONG code) {
  char buffer[ZO_RETCODE_TEXT_SIZE];
  std::memset(buffer, 'x', sizeof buffer);
  xtrFormatReturnCode(buffer, code);
  EXPECT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr);
  return buffer;
}

ZO_ULONG asCode(ZO_LONG publicCode) { return static_cast<ZO_ULONG>(publicCode); }

TEST(RetcodeNames, SmallCodesArePrintedAsNumbers) {
  EXPECT_EQ(textOf(0), "OK");
  EXPECT_EQ(textOf(1), "1");
  EXPECT_EQ(textOf(99), "99");
  EXPECT_EQ(textOf(asCode(-5)), "-5");
  EXPECT_EQ(textOf(asCode(-1)), "-1");
  // Codes with the top bit set are negative and so never looked up.
  EXPECT_EQ(textOf(0x80000000u), "-2147483648");
}

TEST(RetcodeNames, NamedCodesOfEveryKind) {
  EXPECT_EQ(textOf(100), "ZORC_General");
  EXPECT_EQ(textOf(asCode(ZORC_UNEXPECTED_ERROR)), "ZORC_UNEXPECTED_ERROR");
  EXPECT_EQ(textOf(asCode(ZORC_PXM_OPEN_ERROR)), "ZORC_PXM_OPEN_ERROR");
  EXPECT_EQ(textOf(asCode(ZORC_INVALID_MESSAGE_FORMAT)), "ZORC_INVALID_MESSAGE_FORMAT");
  EXPECT_EQ(textOf(ERR_PXM_NO_MEMORY), "ERR_PXM_NO_MEMORY");
  EXPECT_EQ(textOf(ERR_DRV_INVALID_ACCOUNTING_TOKEN_LENGTH),
            "ERR_DRV_INVALID_ACCOUNTING_TOKEN_LENGTH");
  EXPECT_EQ(textOf(ERR_FLDD_INVALID_NAME), "ERR_FLDD_INVALID_NAME");
  EXPECT_EQ(textOf(ERR_RECEIVE_INVALID_FORMAT), "ERR_RECEIVE_INVALID_FORMAT");
  EXPECT_EQ(textOf(xecS_E_NONE), "xecS_E_NONE");
  EXPECT_EQ(textOf(xecF_E_UNEXPECTED_SYSTEM_RC), "xecF_E_UNEXPECTED_SYSTEM_RC");
  EXPECT_EQ(textOf(317), "ERROR_MR_MID_NOT_FOUND");
  EXPECT_EQ(textOf(321), "ERROR_MR_UN_PERFORM");
  // The conversion's results carry their own names, not the transport's.
  EXPECT_EQ(textOf(2111), "XCS_RC_SOURCE_CCSID_UNKNOWN");
  EXPECT_EQ(textOf(2119), "XCS_RC_TABLE_INVALID");
  EXPECT_EQ(textOf(2113), "QUEUE_REASON_2113");
}

TEST(RetcodeNames, UnnamedCodesGetTheNotFoundText) {
  EXPECT_EQ(textOf(1007), "Not found in retcode translation table (3EF) (1007)");
  EXPECT_EQ(textOf(XEC_NOT_STARTED_OR_NO_TRACE_FILE),
            "Not found in retcode translation table (20806058) (545284184)");
  // Raised by the service-definition name check, but not in the table.
  EXPECT_EQ(textOf(ERR_SVCD_INVALID_NAME),
            "Not found in retcode translation table (20800901) (545261825)");
  // The longest possible text still fits the smallest buffer.
  EXPECT_EQ(textOf(0x7FFFFFFFu),
            "Not found in retcode translation table (7FFFFFFF) (2147483647)");
  EXPECT_LT(textOf(0x7FFFFFFFu).size(), ZO_RETCODE_TEXT_SIZE);
}

TEST(RetcodeNames, TableShapeAndOrder) {
  ASSERT_EQ(zoRetcodeNameCount, 14u + 89u + 200u + 2u + 192u + 1u);
  const ZoRetcodeName& last = zoRetcodeNames[zoRetcodeNameCount - 1];
  EXPECT_EQ(last.code, ZO_RETCODE_SENTINEL);
  EXPECT_STREQ(last.name, "Not found in retcode translation table");
  EXPECT_STREQ(zoRetcodeNames[0].name, "xecS_E_NONE");
  EXPECT_STREQ(zoRetcodeNames[14].name, "ZORC_NONE");
  EXPECT_STREQ(zoRetcodeNames[14 + 89].name, "ERR_BUFF_NO_MEMORY");
  EXPECT_STREQ(zoRetcodeNames[14 + 89 + 200].name, "ERROR_MR_MID_NOT_FOUND");

  // Families appear in their fixed order, each in one run.
  const char* const families[] = {"BUFF", "CONF", "DB",      "DRV",  "NONE", "FLD",
                                  "FLDD", "MESS", "MSGD",    "RECEIVE", "SEND", "SERV",
                                  "SESS", "RDBD", "SEC",     "PXM"};
  std::size_t family = 0;
  for (std::size_t i = 14 + 89; i < 14 + 89 + 200; ++i) {
    const std::string name = zoRetcodeNames[i].name;
    const auto tagOf = [](const std::string& n) {
      const std::string rest = n.substr(4);
      return rest.substr(0, rest.find('_'));
    };
    if (tagOf(name) != families[family]) ++family;
    ASSERT_LT(family, std::size(families)) << name;
    EXPECT_EQ(tagOf(name), families[family]) << name;
  }
  EXPECT_EQ(family, std::size(families) - 1);
}

TEST(RetcodeNames, EveryRecordIsWellFormedAndUnique) {
  std::set<ZO_LONG> codes;
  std::size_t transport = 0;
  for (std::size_t i = 0; i < zoRetcodeNameCount; ++i) {
    const ZoRetcodeName& record = zoRetcodeNames[i];
    const std::size_t length = strnlen(record.name, ZO_RETCODE_NAME_SIZE);
    ASSERT_LT(length, ZO_RETCODE_NAME_SIZE) << i;
    EXPECT_GT(length, 0u) << i;
    for (std::size_t pad = length; pad < ZO_RETCODE_NAME_SIZE; ++pad) {
      EXPECT_EQ(record.name[pad], '\0') << record.name;
    }
    // Only success has two names (ZORC_NONE and ERR_NONE).
    if (record.code != 0) {
      EXPECT_TRUE(codes.insert(record.code).second) << "duplicate " << record.name;
    }
    if (record.code >= 100) {
      // Each named code finds its own record.
      EXPECT_EQ(textOf(static_cast<ZO_ULONG>(record.code)), record.name);
    }
    const bool inTransportRange = (record.code >= 2001 && record.code <= 2294) ||
                                  (record.code >= 6000 && record.code <= 6122);
    if (inTransportRange) ++transport;
  }
  EXPECT_EQ(transport, 192u);
}

}  // namespace
