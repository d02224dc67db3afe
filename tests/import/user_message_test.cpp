#include "import/user_message.h"

#include <gtest/gtest.h>

#include "common/return_codes.h"
#include "tests/import/import_test_util.h"

namespace {

using Captured = import_test::CapturedMessages;

TEST(UserMessage, PlainKindsGoToStandardOutput) {
  Captured c;
  c.message().issue(USERMSG_USAGE, 0, 0, "vexopxm [/r] filename.pxm");
  c.message().issue(USERMSG_PROGRESS, ERR_PXM_OPEN_ERROR, 5, "MAPA");
  c.message().issue(USERMSG_PLAIN, 0, 0, "OK");
  c.message().issue(USERMSG_PLAIN, 0, 0, nullptr);
  EXPECT_EQ(c.out(), "Usage: vexopxm [/r] filename.pxm\nPXM map MAPA\nOK\n\n");
  EXPECT_EQ(c.err(), "");
}

TEST(UserMessage, ErrorLines) {
  Captured c;
  c.message().issue(USERMSG_ERROR, ERR_PXM_NO_FILENAME, 0, "ignored without a reason");
  EXPECT_EQ(c.message().getCompletionCode(), 2u);
  EXPECT_EQ(c.message().getPublicReturnCode(), 25002);
  c.message().issue(USERMSG_ERROR, ERR_PXM_NO_MEMORY, 0, "");
  c.message().issue(USERMSG_ERROR, ERR_DB_NOT_SUPPORTED, 0, "");
  c.message().issue(USERMSG_ERROR, ERR_PXM_DEFN_ALREADY_EXISTS, 0, "");
  EXPECT_EQ(c.err(),
            "Error: VEXO rc = TVRC_PXM_NO_FILENAME (25002)\n"
            "Error: VEXO rc = TVRC_UNEXPECTED_ERROR (108)\n"
            "Error: VEXO rc = TVRC_NOT_SUPPORTED (141)\n"
            "Error: VEXO rc = TVRC_DEFN_ALREADY_EXISTS (124)\n");
  EXPECT_EQ(c.out(), "");
}

TEST(UserMessage, ReasonLine) {
  Captured c;
  c.message().issue(USERMSG_ERROR, ERR_DB_SYS_ERROR, 4005, "");
  c.message().issue(USERMSG_ERROR, ERR_DB_SYS_ERROR, -7, "File does not exist");
  c.message().issue(USERMSG_ERROR, ERR_DB_SYS_ERROR, 3, nullptr);
  EXPECT_EQ(c.err(),
            "Error: VEXO rc = TVRC_DEFN_DB_SYSERROR (138)\n"
            "Dossa C API error = 4005\n"
            "Error: VEXO rc = TVRC_DEFN_DB_SYSERROR (138)\n"
            "Dossa C API error = -7 (File does not exist)\n"
            "Error: VEXO rc = TVRC_DEFN_DB_SYSERROR (138)\n"
            "Dossa C API error = 3\n");
}

TEST(UserMessage, WarningsAndUnnamedCodes) {
  Captured c;
  c.message().issue(USERMSG_ERROR, ERR_FLD_DATA_TRUNCATED, 99, "never printed");
  c.message().issue(USERMSG_ERROR, 0, 12, "never printed");
  EXPECT_EQ(c.message().getCompletionCode(), 0u);
  // A public code without a name is printed with the table's fallback text.
  c.message().issue(USERMSG_ERROR, ERR_CONF_SECTION_INVALID, 0, "");
  EXPECT_EQ(c.err(),
            "Warning: VEXO rc = TVRC_FIELD_TRUNCATED (128)\n"
            "Warning: VEXO rc = OK (0)\n"
            "Error: VEXO rc = Not found in retcode translation table (3EF) (1007) (1007)\n");
}

TEST(UserMessage, UnknownKinds) {
  Captured c;
  for (ZO_LONG kind : {0, 4, 100, -1}) c.message().issue(kind, ERR_PXM_NO_FILENAME, 1, "text");
  EXPECT_EQ(c.err(), "Error: ???\nError: ???\nError: ???\nError: ???\n");
  EXPECT_EQ(c.out(), "");
}

}  // namespace
