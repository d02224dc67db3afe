// ZoMessage built from definitions read through a session's text database.
#include <gtest/gtest.h>

#include <string>

#include "common/return_codes.h"
#include "message/zo_message.h"
#include "tests/message/text_definitions.h"

namespace {

constexpr ZO_LONG code(ZO_ULONG c) { return static_cast<ZO_LONG>(c); }

// A text field section.
std::string textField(const std::string& name, int row, int column, int length,
                      const std::string& extra = "") {
  return "[" + name + "]\nDataType = STRING\nRow = " + std::to_string(row) +
         "\nColumn = " + std::to_string(column) + "\nLength = " + std::to_string(length) + "\n" +
         extra;
}

// A field section with only a segment.
std::string segmentField(const std::string& name, int segment) {
  return "[" + name + "]\nDataType = STRING\nLength = 4\nSegment = " + std::to_string(segment) +
         "\n";
}

}  // namespace

TEST(MessageBuild, FieldsCarryTheDefinitionsInOrder) {
  TextDefinitions defs;
  defs.add(
      "[LOGON]\n"
      "Format = LOGONFMT\n"
      "RowCount = 24\n"
      "ColumnCount = 80\n"
      "FieldList = USERID, PASSWD.PWDEF,\n"
      "  TITLE, COUNT\n");
  defs.add(textField("USERID", 5, 10, 8, "Description = the user\nValue = GUEST\n"));
  defs.add(
      "[PWDEF]\nDataType = AUTHENTICATOR\nValue = hush\nRow = 6\nColumn = 10\nLength = 8\n"
      "HasAttributes = TRUE\n");
  defs.add(textField("TITLE", 1, 30, 20, "Value = WELCOME\nPadCharacter = NULL\nAlignment = 2\n"));
  defs.add("[COUNT]\nDataType = SHORT\nValue = 12\nRow = 22\nColumn = 2\n");
  ZoSession& session = defs.session();

  ZoMessage m("LOGON", session);
  ASSERT_EQ(m.getErrorCode(), 0);
  EXPECT_EQ(m.getCompletionCode(), 0u);
  EXPECT_EQ(m.getMessageName(), "LOGON");
  EXPECT_EQ(m.getFormat(), "LOGONFMT");
  EXPECT_EQ(m.getRowCount(), 24);
  EXPECT_EQ(m.getColumnCount(), 80);
  ASSERT_EQ(m.getFieldCount(), 4);
  EXPECT_EQ(session.messages().count(), 1);

  struct Expected {
    const char* name;
    ZO_LONG row, column, length, type;
  };
  const Expected expected[] = {{"USERID", 5, 10, 8, ZODT_STRING},
                               {"PASSWD", 6, 10, 8, ZODT_AUTHENTICATOR},
                               {"TITLE", 1, 30, 20, ZODT_STRING},
                               {"COUNT", 22, 2, 2, ZODT_SHORT}};
  ZoBrowseToken token = 0;
  m.startBrowseFields(&token);
  for (const Expected& e : expected) {
    ZoField* f = m.getNextField(&token);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->getName(), e.name);
    EXPECT_EQ(f->getRow(), e.row) << e.name;
    EXPECT_EQ(f->getColumn(), e.column) << e.name;
    EXPECT_EQ(f->getLength(), e.length) << e.name;
    EXPECT_EQ(f->getDataType(), e.type) << e.name;
    EXPECT_TRUE(f->isValueSet()) << e.name;
  }
  EXPECT_EQ(m.getNextField(&token), nullptr);

  ZoString value;
  EXPECT_TRUE(m.getProperty("USERID", value));
  EXPECT_EQ(value, "GUEST");
  EXPECT_TRUE(m.getProperty("PASSWD", value));
  EXPECT_EQ(value, "");  // hidden
  EXPECT_EQ(m.getProtection("PASSWD"), 40);  // has attributes, defaults
  EXPECT_EQ(m.getProtection("USERID"), 41);  // no attributes
  ZO_SHORT count = 0;
  EXPECT_TRUE(m.getProperty("COUNT", &count));
  EXPECT_EQ(count, 12);

  token = 2;
  const ZoField* title = m.getNextField(&token);
  EXPECT_EQ(title->getPadCharacter(), 0);
  EXPECT_EQ(title->getAlignment(), 2);
  token = 0;
  EXPECT_EQ(m.getNextField(&token)->getDescription(), "the user");
  EXPECT_EQ(m.getDataType("PWDEF"), ZODT_NONE);  // fields are known by alias
}

TEST(MessageBuild, SegmentsRunInOrderWithoutGaps) {
  TextDefinitions defs;
  defs.add("[GOOD]\nFieldList = S1A, S1B, S2, S3\n");
  defs.add("[GAP]\nFieldList = S1A, S3, S1B\n");
  defs.add("[STARTS2]\nFieldList = S2, S3\n");
  defs.add("[BACK]\nFieldList = S2, S1A\n");
  defs.add("[ZERO]\nFieldList = S0\n");
  defs.add(segmentField("S1A", 1) + segmentField("S1B", 1) + segmentField("S2", 2) +
           segmentField("S3", 3) + segmentField("S0", 0));
  ZoSession& session = defs.session();

  ZoMessage good("GOOD", session);
  EXPECT_EQ(good.getErrorCode(), 0);
  EXPECT_EQ(good.getFieldCount(), 4);
  EXPECT_EQ(good.getSegment("S3"), 3);

  ZoMessage gap("GAP", session);
  EXPECT_EQ(gap.getErrorCode(), code(ERR_MESS_INVALID_SEGMENT));
  EXPECT_EQ(gap.getFieldCount(), 1);  // the fields before the failure stay

  ZoMessage starts2("STARTS2", session);
  EXPECT_EQ(starts2.getErrorCode(), 0);
  EXPECT_EQ(starts2.getFieldCount(), 2);

  ZoMessage back("BACK", session);
  EXPECT_EQ(back.getErrorCode(), code(ERR_MESS_INVALID_SEGMENT));

  ZoMessage zero("ZERO", session);
  EXPECT_EQ(zero.getErrorCode(), code(ERR_MESS_INVALID_SEGMENT));
  EXPECT_EQ(zero.getFieldCount(), 0);
  EXPECT_EQ(session.messages().count(), 5);
}

TEST(MessageBuild, BadDefinitionsStopTheBuildWithTheirCode) {
  TextDefinitions defs;
  defs.add("[DUP]\nFieldList = A, B, A\n");
  defs.add("[UNTYPED]\nFieldList = A, CHARF\n");
  defs.add("[MISSING]\nFieldList = A, NOSUCH\n");
  defs.add("[SHORTLONG]\nFieldList = LONG2\n");
  defs.add("[ALIGN]\nFieldList = ALIGN3\n");
  defs.add("[BADVALUE]\nFieldList = BIGBYTE\n");
  defs.add("[EMPTYMSG]\nFormat = E\n");
  defs.add(textField("A", 1, 1, 4) + textField("B", 2, 1, 4));
  defs.add("[CHARF]\nDataType = CHAR\n");
  defs.add("[LONG2]\nDataType = LONG\nLength = 2\n");
  defs.add(textField("ALIGN3", 1, 1, 4, "Alignment = 3\n"));
  defs.add("[BIGBYTE]\nDataType = BYTE\nValue = 300\n");
  ZoSession& session = defs.session();

  ZoMessage dup("DUP", session);
  EXPECT_EQ(dup.getErrorCode(), code(ERR_MESS_DUPLICATE_FIELD));
  EXPECT_EQ(dup.getFieldCount(), 2);

  ZoMessage untyped("UNTYPED", session);
  EXPECT_EQ(untyped.getErrorCode(), code(ERR_MESS_INVALID_DATATYPE));
  EXPECT_EQ(untyped.getFieldCount(), 1);

  ZoMessage missing("MISSING", session);
  EXPECT_EQ(missing.getErrorCode(), code(ERR_DB_KEYWORD_NOT_FOUND));
  EXPECT_EQ(missing.getFieldCount(), 1);

  // The field refuses a long in 2 bytes, so its type stays unset and the
  // message refuses the field.
  ZoMessage shortLong("SHORTLONG", session);
  EXPECT_EQ(shortLong.getErrorCode(), code(ERR_MESS_INVALID_DATATYPE));

  ZoMessage align("ALIGN", session);
  EXPECT_EQ(align.getErrorCode(), code(ERR_MESS_INVALID_ALIGNMENT));

  ZoMessage badValue("BADVALUE", session);
  EXPECT_EQ(badValue.getErrorCode(), code(ERR_DB_DATA_OVERFLOW));

  ZoMessage unknown("NOSUCHMSG", session);
  EXPECT_EQ(unknown.getErrorCode(), code(ERR_DB_KEYWORD_NOT_FOUND));
  EXPECT_EQ(unknown.getFieldCount(), 0);

  ZoMessage empty("EMPTYMSG", session);
  EXPECT_EQ(empty.getErrorCode(), 0);
  EXPECT_EQ(empty.getFieldCount(), 0);
  EXPECT_EQ(empty.getFormat(), "E");

  // Every message registered itself, whatever the outcome, and leaves.
  EXPECT_EQ(session.messages().count(), 8);
}

TEST(MessageBuild, ManyFieldsFromOneDefinition) {
  TextDefinitions defs;
  constexpr int kCount = 300;
  std::string list = "[MANY]\nFieldList = ";
  std::string fields;
  for (int i = 0; i < kCount; ++i) {
    const std::string name = "FLD" + std::to_string(i);
    list += name + (i + 1 < kCount ? ((i % 10 == 9) ? ",\n  " : ", ") : "\n");
    fields += "[" + name + "]\nDataType = LONG\nValue = " + std::to_string(i * 3) + "\n";
  }
  defs.add(list + fields);
  ZoMessage m("MANY", defs.session());
  ASSERT_EQ(m.getErrorCode(), 0);
  ASSERT_EQ(m.getFieldCount(), kCount);
  ZO_LONG v = 0;
  EXPECT_TRUE(m.getProperty("FLD299", &v));
  EXPECT_EQ(v, 897);
  EXPECT_EQ(m.getFieldName(150), "FLD149");
}
