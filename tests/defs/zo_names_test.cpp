#include "defs/zo_names.h"

#include <gtest/gtest.h>

#include <string>

#include "defs/zo_data_types.h"
#include "tests/defs/trace_capture.h"

namespace {

TEST(NameRules, MessageNames) {
  EXPECT_EQ(zoMessageNameProblem("MSG-1#@"), ZoNameProblem::NONE);
  EXPECT_EQ(zoMessageNameProblem(""), ZoNameProblem::NONE);
  EXPECT_EQ(zoMessageNameProblem("ABCDEFGHIJKLMNOP"), ZoNameProblem::NONE);  // 16
  EXPECT_EQ(zoMessageNameProblem("ABCDEFGHIJKLMNOPQ"), ZoNameProblem::TOO_LONG);
  EXPECT_EQ(zoMessageNameProblem("NAME  "), ZoNameProblem::NONE);  // trailing blanks
  EXPECT_EQ(zoMessageNameProblem("ABCDEFGHIJKLMNO  "), ZoNameProblem::TOO_LONG);  // blanks count
  EXPECT_EQ(zoMessageNameProblem("A B"), ZoNameProblem::INVALID_CHARACTERS);
  EXPECT_EQ(zoMessageNameProblem("A.B"), ZoNameProblem::INVALID_CHARACTERS);
  // Characters are judged before length.
  EXPECT_EQ(zoMessageNameProblem("ABCDEFGHIJKLMNOP.Q"), ZoNameProblem::INVALID_CHARACTERS);
}

TEST(NameRules, FieldNames) {
  EXPECT_EQ(zoFieldNameProblem("FIELD_1"), ZoNameProblem::NONE);
  EXPECT_EQ(zoFieldNameProblem(""), ZoNameProblem::NONE);
  EXPECT_EQ(zoFieldNameProblem(std::string(32, 'F').c_str()), ZoNameProblem::NONE);
  EXPECT_EQ(zoFieldNameProblem(std::string(33, 'F').c_str()), ZoNameProblem::TOO_LONG);
  EXPECT_EQ(zoFieldNameProblem("A-B"), ZoNameProblem::INVALID_CHARACTERS);
  EXPECT_EQ(zoFieldNameProblem("AB "), ZoNameProblem::INVALID_CHARACTERS);
  for (const char* reserved : {"name", "Name", "FORMAT", "fieldCount", "COMPLETIONCODE", "ReasonCode"})
    EXPECT_EQ(zoFieldNameProblem(reserved), ZoNameProblem::RESERVED) << reserved;
  EXPECT_EQ(zoFieldNameProblem("names"), ZoNameProblem::NONE);
  EXPECT_EQ(zoFieldNameProblem("formats"), ZoNameProblem::NONE);
}

TEST(NameRules, CheckWritesTheLineOfTheProblem) {
  const ZoNameTraceLines lines{"bad chars", "too long = %d", "reserved: %s"};
  TraceCapture trace;
  EXPECT_FALSE(zoCheckFieldName(std::string(40, 'x').c_str(), lines));
  EXPECT_EQ(trace.lines(), std::vector<std::string>{"too long = 32"});
  trace.clear();
  EXPECT_FALSE(zoCheckFieldName("Format", lines));
  EXPECT_EQ(trace.lines(), std::vector<std::string>{"reserved: Format"});
  trace.clear();
  EXPECT_FALSE(zoCheckMessageName("ABCDEFGHIJKLMNOPQR", lines));
  EXPECT_EQ(trace.lines(), std::vector<std::string>{"too long = 16"});
  trace.clear();
  EXPECT_FALSE(zoCheckMessageName("A;B", lines));
  ASSERT_FALSE(trace.lines().empty());
  EXPECT_EQ(trace.lines().back(), "bad chars");  // after the check's own three records
  trace.clear();
  EXPECT_TRUE(zoCheckMessageName("OK", lines));
  EXPECT_TRUE(trace.lines().empty());
}

TEST(DataTypes, KeywordsRoundTrip) {
  for (ZO_LONG t = ZODT_STRING; t <= ZODT_SYSTEM_AUTHENTICATOR; ++t)
    EXPECT_EQ(zoDataTypeFromKeyword(zoDataTypeKeyword(t)), t);
  EXPECT_STREQ(zoDataTypeKeyword(ZODT_NONE), "");
  EXPECT_STREQ(zoDataTypeKeyword(99), "");
  EXPECT_STREQ(zoDataTypeKeyword(ZODT_SYSTEM_AUTHENTICATOR), "SYSTEM_AUTHENTICATOR");
  EXPECT_EQ(zoDataTypeFromKeyword("long"), ZODT_LONG);
  EXPECT_EQ(zoDataTypeFromKeyword("INTEGER"), ZODT_NONE);
  EXPECT_EQ(zoDataTypeFromKeyword(""), ZODT_NONE);
  EXPECT_TRUE(zoIsValidAlignment(8));
  EXPECT_FALSE(zoIsValidAlignment(3));
  EXPECT_FALSE(zoIsValidAlignment(0));
}

}  // namespace
