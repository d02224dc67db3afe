// ZoMessage built without definitions (empty name) and filled by addField:
// field validation, the by-name family, browsing, assignment, registration.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/return_codes.h"
#include "message/zo_message.h"
#include "tests/defs/trace_capture.h"
#include "tests/message/text_definitions.h"

namespace {

constexpr ZO_LONG code(ZO_ULONG c) { return static_cast<ZO_LONG>(c); }

ZoField textField(const char* name, const char* value, ZO_LONG length = 0) {
  ZoField f(name);
  if (length != 0) f.setLength(length);
  f.setValue(value);
  return f;
}

template <typename T>
ZoField numberField(const char* name, T value) {
  ZoField f(name);
  f.setValue(value);
  return f;
}

class MessageTest : public ::testing::Test {
 protected:
  BareSession bare;
  ZoSession& session = bare.session();
};

}  // namespace

TEST_F(MessageTest, EmptyNameGivesAnEmptyRegisteredMessage) {
  EXPECT_EQ(session.messages().count(), 0);
  {
    ZoMessage m("", session);
    EXPECT_EQ(m.getErrorCode(), 0);
    EXPECT_EQ(m.getFieldCount(), 0);
    EXPECT_EQ(m.getCompletionCode(), 0u);
    EXPECT_EQ(session.messages().count(), 1);
    ZoMessage invalid("BAD.NAME", session);
    EXPECT_EQ(invalid.getErrorCode(), code(ERR_MESS_INVALID_NAME));
    ZoMessage tooLong("ABCDEFGHIJKLMNOPQ", session);
    EXPECT_EQ(tooLong.getErrorCode(), code(ERR_MESS_INVALID_NAME));
    EXPECT_EQ(session.messages().count(), 3);
  }
  EXPECT_EQ(session.messages().count(), 0);
  // A named message needs the definition database the session lacks.
  ZoMessage named("ORDER", session);
  EXPECT_EQ(named.getErrorCode(), code(ERR_MESS_INVALID_DB));
  EXPECT_EQ(named.getMessageName(), "ORDER");
}

TEST_F(MessageTest, AddFieldValidatesAndAdjustsItsCopy) {
  ZoMessage m("", session);
  // A zero length is replaced by the length the type needs.
  ZoField cleared("L2");
  cleared.setValue(static_cast<ZO_LONG>(1));
  cleared.setDataType(ZODT_LONG);  // clears the value, keeps length 4
  EXPECT_TRUE(m.addField(cleared));
  EXPECT_EQ(m.getLength("L2"), 4);

  // A field of each type without a length takes the type's; lengths below
  // the type's minimum are refused. The caller's field is never touched.
  struct LengthCase {
    const char* name;
    ZO_LONG lengthFirst;  // set before the type (-1: none)
    ZO_LONG type;
    ZO_LONG stored;       // the message's length of it (-1: refused)
  };
  const LengthCase lengths[] = {
      {"L0", -1, ZODT_LONG, 4},   {"S0", -1, ZODT_SHORT, 2}, {"B0", -1, ZODT_BYTE, 1},
      {"T0", -1, ZODT_STRING, 0}, {"BL", 2, ZODT_LONG, -1},  {"BS", 1, ZODT_SHORT, -1},
  };
  for (const LengthCase& c : lengths) {
    SCOPED_TRACE(c.name);
    ZoField f(c.name);
    if (c.lengthFirst >= 0) {
      f.setDataType(ZODT_STRING);
      f.setLength(c.lengthFirst);
    }
    f.setDataType(c.type);
    const ZO_LONG before = f.getLength();
    EXPECT_EQ(m.addField(f), c.stored >= 0);
    EXPECT_EQ(f.getLength(), before);
    if (c.stored >= 0)
      EXPECT_EQ(m.getLength(c.name), c.stored);
    else
      EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_LENGTH));
  }

  // Types outside STRING..SYSTEM_AUTHENTICATOR.
  EXPECT_FALSE(m.addField(ZoField("NOTYPE")));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_DATATYPE));
  ZoField seventeen("T17");
  seventeen.setDataType(17);
  EXPECT_FALSE(m.addField(seventeen));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_DATATYPE));

  // Names: invalid (the field kept an empty name), duplicate.
  EXPECT_FALSE(m.addField(textField("A-B", "x")));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_FIELD_NAME));
  EXPECT_FALSE(m.addField(textField("L2", "x")));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_DUPLICATE_FIELD));

  // Alignment.
  ZoField aligned = textField("AL", "x");
  aligned.setAlignment(3);
  EXPECT_FALSE(m.addField(aligned));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_ALIGNMENT));
  aligned.setAlignment(8);
  EXPECT_TRUE(m.addField(aligned));

  EXPECT_EQ(m.getFieldCount(), 6);
  // addField changes only the internal code.
  EXPECT_EQ(m.getCompletionCode(), 0u);
}

TEST_F(MessageTest, AddFieldAttributeLimitsApplyOnlyWithAttributes) {
  ZoMessage m("", session);
  ZoField color = textField("C", "x");
  color.setColor(17);
  EXPECT_FALSE(m.addField(color));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_COLOR));
  color.setHasAttributes(FALSE);
  EXPECT_TRUE(m.addField(color));

  ZoField high = textField("H", "x");
  high.setHighLight(26);
  high.setIntensity(35);  // both wrong: highlight is checked first
  EXPECT_FALSE(m.addField(high));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_HIGHLIGHT));
  high.setHighLight(25);
  EXPECT_FALSE(m.addField(high));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_INTENSITY));
  high.setIntensity(34);
  high.setProtection(44);
  EXPECT_FALSE(m.addField(high));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_PROTECTION));
  high.setProtection(43);
  EXPECT_TRUE(m.addField(high));
  EXPECT_EQ(m.getColor("H"), 0);
  EXPECT_EQ(m.getHighLight("H"), 25);
  EXPECT_EQ(m.getIntensity("H"), 34);
  EXPECT_EQ(m.getProtection("H"), 43);
}

TEST_F(MessageTest, TextPropertiesTruncationAndProtection) {
  ZoMessage m("", session);
  ASSERT_TRUE(m.addField(textField("NAME8", "", 8)));
  ZoString value = "unchanged";
  EXPECT_TRUE(m.getProperty("NAME8", value));
  EXPECT_EQ(value, "");

  EXPECT_FALSE(m.setProperty("NAME8", "ABCDEFGHIJ"));
  EXPECT_EQ(m.getCompletionCode(), 1u);
  EXPECT_EQ(m.getPublicReturnCode(), ZORC_FIELD_TRUNCATED);
  EXPECT_TRUE(m.getProperty(ZoString("NAME8"), value));
  EXPECT_EQ(value, "ABCDEFGH");
  EXPECT_EQ(m.getPublicReturnCode(), 0);
  EXPECT_TRUE(m.setProperty(ZoString("NAME8"), ZoString("XY")));
  m.getProperty("NAME8", value);
  EXPECT_EQ(value, "XY");

  ZoField locked = textField("LOCKED", "old", 5);
  locked.setProtection(ZO_PROTECTION_PROTECTED);
  ASSERT_TRUE(m.addField(locked));
  EXPECT_FALSE(m.setProperty("LOCKED", "new"));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_PROTECTED_FIELD));
  EXPECT_EQ(m.getPublicReturnCode(), ZORC_PROTECTED_FIELD);
  m.getProperty("LOCKED", value);
  EXPECT_EQ(value, "old");
  // Protection 41 with attributes is not protected.
  ZoField open = textField("OPEN", "old", 5);
  open.setProtection(41);
  ASSERT_TRUE(m.addField(open));
  EXPECT_TRUE(m.setProperty("OPEN", "new"));

  // Authenticators: the value is hidden; a system authenticator is protected.
  ZoField pw("PW");
  pw.setDataType(ZODT_AUTHENTICATOR);
  pw.setValue("secret");
  ASSERT_TRUE(m.addField(pw));
  value = "x";
  EXPECT_TRUE(m.getProperty("PW", value));
  EXPECT_EQ(value, TVAUT_HIDDEN);
  EXPECT_EQ(m.getPublicReturnCode(), 0);
  EXPECT_TRUE(m.setProperty("PW", "other"));
  ZoField sys("SYS");
  sys.setDataType(ZODT_SYSTEM_AUTHENTICATOR);
  ASSERT_TRUE(m.addField(sys));
  EXPECT_FALSE(m.setProperty("SYS", "x"));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_PROTECTED_FIELD));
  EXPECT_TRUE(m.getProperty("SYS", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(m.getProtection("SYS"), ZO_PROTECTION_PROTECTED);
  EXPECT_EQ(m.getPublicReturnCode(), 0);

  // Text operations on a number field.
  ASSERT_TRUE(m.addField(numberField("QTY", static_cast<ZO_LONG>(3))));
  value = "kept";
  EXPECT_FALSE(m.getProperty("QTY", value));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_FIELD_VALUE_TYPE));
  EXPECT_EQ(m.getPublicReturnCode(), ZORC_UNEXPECTED_ERROR);
  EXPECT_EQ(value, "kept");
  EXPECT_FALSE(m.setProperty("QTY", "4"));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_DATATYPE));
  EXPECT_EQ(m.getPublicReturnCode(), ZORC_INVALID_DATATYPE);
}

TEST_F(MessageTest, NumericPropertiesNeedTheExactType) {
  ZoMessage m("", session);
  ASSERT_TRUE(m.addField(numberField("L", static_cast<ZO_LONG>(-5))));
  ASSERT_TRUE(m.addField(numberField("S", static_cast<ZO_SHORT>(7))));
  ASSERT_TRUE(m.addField(numberField("B", static_cast<ZO_BYTE>(250))));
  ZO_LONG l = 99;
  ZO_SHORT s = 99;
  ZO_BYTE b = 99;
  EXPECT_TRUE(m.getProperty("L", &l));
  EXPECT_EQ(l, -5);
  EXPECT_TRUE(m.getProperty("S", &s));
  EXPECT_EQ(s, 7);
  EXPECT_TRUE(m.getProperty("B", &b));
  EXPECT_EQ(b, 250);

  EXPECT_TRUE(m.setProperty("L", static_cast<ZO_LONG>(123456)));
  EXPECT_TRUE(m.setProperty(ZoString("S"), static_cast<ZO_SHORT>(-2)));
  EXPECT_TRUE(m.setProperty("B", static_cast<ZO_BYTE>(1)));
  m.getProperty(ZoString("L"), &l);
  m.getProperty(ZoString("S"), &s);
  m.getProperty(ZoString("B"), &b);
  EXPECT_EQ(l, 123456);
  EXPECT_EQ(s, -2);
  EXPECT_EQ(b, 1);

  // Wrong type: the out-value is 0 and the code says why.
  l = 42;
  EXPECT_FALSE(m.getProperty("S", &l));
  EXPECT_EQ(l, 0);
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_FIELD_VALUE_TYPE));
  EXPECT_FALSE(m.setProperty("S", static_cast<ZO_LONG>(1)));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_DATATYPE));
  m.getProperty("S", &s);
  EXPECT_EQ(s, -2);
  // A null out-pointer is not written through.
  EXPECT_TRUE(m.getProperty("L", static_cast<ZO_LONG*>(nullptr)));

  // A protected number field refuses a new value.
  ZoField locked = numberField("LOCK", static_cast<ZO_LONG>(1));
  locked.setProtection(ZO_PROTECTION_PROTECTED);
  ASSERT_TRUE(m.addField(locked));
  EXPECT_FALSE(m.setProperty("LOCK", static_cast<ZO_LONG>(2)));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_PROTECTED_FIELD));
}

TEST_F(MessageTest, UnknownAndInvalidNamesAreNotFound) {
  ZoMessage m("", session);
  ASSERT_TRUE(m.addField(textField("A", "x")));
  ZoString value = "same";
  ZO_LONG l = 5;
  for (const char* name : {"B", "a", "A-B", "name", ""}) {
    EXPECT_FALSE(m.getProperty(name, value)) << name;
    EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_FIELD_NOT_FOUND)) << name;
    EXPECT_EQ(m.getPublicReturnCode(), ZORC_FIELD_NOT_FOUND) << name;
    EXPECT_EQ(m.getCompletionCode(), 2u);
  }
  EXPECT_EQ(value, "same");
  EXPECT_FALSE(m.getProperty("B", &l));
  EXPECT_EQ(l, 0);
  EXPECT_FALSE(m.setProperty("B", "x"));
  EXPECT_EQ(m.getDataType("B"), ZODT_NONE);
  EXPECT_EQ(m.getLength("B"), 0);
  EXPECT_EQ(m.getSegment("B"), 0);
  EXPECT_EQ(m.getColor("B"), 0);
  EXPECT_EQ(m.getIntensity("B"), 30);
  EXPECT_EQ(m.getHighLight("B"), 20);
  EXPECT_EQ(m.getProtection("B"), 40);
  EXPECT_EQ(m.getPublicReturnCode(), ZORC_FIELD_NOT_FOUND);
  // A later successful call clears the codes.
  EXPECT_EQ(m.getDataType("A"), ZODT_STRING);
  EXPECT_EQ(m.getCompletionCode(), 0u);
  EXPECT_EQ(m.getPublicReturnCode(), 0);
}

TEST_F(MessageTest, FieldsWithoutAttributesReportTheNoAttributeValues) {
  ZoMessage m("", session);
  ZoField plain = textField("PLAIN", "x");
  plain.setSegment(3);
  ASSERT_TRUE(m.addField(plain));
  EXPECT_EQ(m.getColor("PLAIN"), 1);
  EXPECT_EQ(m.getPublicReturnCode(), 0);
  EXPECT_EQ(m.getIntensity("PLAIN"), 31);
  EXPECT_EQ(m.getHighLight("PLAIN"), 21);
  EXPECT_EQ(m.getProtection("PLAIN"), 41);
  EXPECT_EQ(m.getSegment("PLAIN"), 3);
  ZoField colored = textField("COLORED", "x");
  colored.setColor(4);
  ASSERT_TRUE(m.addField(colored));
  EXPECT_EQ(m.getColor(ZoString("COLORED")), 4);
  EXPECT_EQ(m.getIntensity(ZoString("COLORED")), 30);
  EXPECT_EQ(m.getHighLight(ZoString("COLORED")), 20);
  EXPECT_EQ(m.getProtection(ZoString("COLORED")), 40);
}

TEST_F(MessageTest, BrowsingFollowsTheOrderOfAddition) {
  ZoMessage empty("", session);
  ZoBrowseToken token = 7;
  empty.startBrowseFields(&token);
  EXPECT_EQ(token, 0);
  EXPECT_EQ(empty.getNextField(&token), nullptr);
  EXPECT_EQ(empty.getErrorCode(), code(ERR_MESS_EMPTY_MESSAGE));
  EXPECT_EQ(empty.getFieldName(1), "");
  EXPECT_EQ(empty.getErrorCode(), code(ERR_MESS_EMPTY_MESSAGE));

  ZoMessage m("", session);
  const std::vector<std::string> names = {"ZULU", "ALPHA", "MIKE"};
  for (const std::string& n : names) ASSERT_TRUE(m.addField(textField(n.c_str(), "v")));
  m.startBrowseFields(&token);
  for (const std::string& n : names) {
    ZoField* f = m.getNextField(&token);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->getName(), n.c_str());
  }
  EXPECT_EQ(token, 3);
  EXPECT_EQ(m.getNextField(&token), nullptr);
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_NO_MORE_FIELDS));
  EXPECT_EQ(m.getCompletionCode(), 0u);  // browsing changes only the internal code
  m.endBrowseFields(&token);
  EXPECT_EQ(token, 0);
  EXPECT_EQ(m.getErrorCode(), 0);

  token = -1;
  EXPECT_EQ(m.getNextField(&token), nullptr);
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_TOKEN));
  EXPECT_EQ(m.getNextField(nullptr), nullptr);
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_TOKEN));

  // The browsed field is the message's own: a change through it is seen by name.
  token = 1;
  m.getNextField(&token)->setValue("W");
  ZoString value;
  m.getProperty("ALPHA", value);
  EXPECT_EQ(value, "W");

  EXPECT_EQ(m.getFieldName(1), "ZULU");
  EXPECT_EQ(m.getFieldName(3), "MIKE");
  EXPECT_EQ(m.getFieldName(0), "");
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_TOKEN));
  EXPECT_EQ(m.getFieldName(4), "");
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_TOKEN));
}

TEST_F(MessageTest, SetFormatRule) {
  ZoMessage m("", session);
  EXPECT_TRUE(m.setFormat("FMT_0001"));
  EXPECT_EQ(m.getFormat(), "FMT_0001");
  EXPECT_FALSE(m.setFormat("FMT_00001"));
  EXPECT_EQ(m.getPublicReturnCode(), ZORC_INVALID_MESSAGE_FORMAT);
  EXPECT_FALSE(m.setFormat("A-B"));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_INVALID_FORMAT));
  EXPECT_EQ(m.getFormat(), "FMT_0001");
  EXPECT_TRUE(m.setFormat("AB  "));
  EXPECT_TRUE(m.setFormat(""));
  EXPECT_EQ(m.getPublicReturnCode(), 0);
}

TEST_F(MessageTest, AssignmentCopiesFieldsInOrderButNotTheFormat) {
  ZoMessage source("", session);
  ASSERT_TRUE(source.addField(textField("ONE", "1")));
  ASSERT_TRUE(source.addField(numberField("TWO", static_cast<ZO_SHORT>(2))));
  source.setFormat("SRC");
  ZoMessage target("", session);
  ASSERT_TRUE(target.addField(textField("OLD", "x")));
  target.setFormat("TGT");

  target = source;
  EXPECT_EQ(target.getFieldCount(), 2);
  EXPECT_EQ(target.getFieldName(1), "ONE");
  EXPECT_EQ(target.getFieldName(2), "TWO");
  EXPECT_EQ(target.getDataType("OLD"), ZODT_NONE);
  EXPECT_EQ(target.getFormat(), "TGT");
  ZO_SHORT two = 0;
  target.getProperty("TWO", &two);
  EXPECT_EQ(two, 2);
  // The copies are independent.
  target.setProperty("ONE", "X");
  ZoString value;
  source.getProperty("ONE", value);
  EXPECT_EQ(value, "1");

  // Assigning a message to itself keeps its fields.
  ZoMessage& same = target;
  target = same;
  EXPECT_EQ(target.getFieldCount(), 2);
  EXPECT_EQ(session.messages().count(), 2);
}

TEST_F(MessageTest, TenThousandFieldsStayReachableByNameAndOrder) {
  ZoMessage m("", session);
  constexpr int kCount = 10000;
  for (int i = 0; i < kCount; ++i) {
    const std::string name = "F" + std::to_string(i);
    ASSERT_TRUE(m.addField(numberField(name.c_str(), static_cast<ZO_LONG>(i)))) << name;
  }
  EXPECT_EQ(m.getFieldCount(), kCount);
  for (int i = 0; i < kCount; i += 997) {
    ZO_LONG v = -1;
    EXPECT_TRUE(m.getProperty(("F" + std::to_string(i)).c_str(), &v));
    EXPECT_EQ(v, i);
  }
  EXPECT_FALSE(m.addField(numberField("F9999", static_cast<ZO_LONG>(0))));
  EXPECT_EQ(m.getErrorCode(), code(ERR_MESS_DUPLICATE_FIELD));
  EXPECT_EQ(m.getFieldName(kCount), "F9999");
  ZoBrowseToken token = 0;
  int seen = 0;
  while (ZoField* f = m.getNextField(&token)) {
    if (f->getLongValue() != seen) break;
    ++seen;
  }
  EXPECT_EQ(seen, kCount);
}

TEST_F(MessageTest, TraceLinesCarryPublicOrInternalCodes) {
  ZoMessage m("", session);
  ASSERT_TRUE(m.addField(textField("A", "x")));
  TraceCapture trace;
  ZoString value;
  m.getProperty("MISSING", value);
  const std::vector<std::string>& lines = trace.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "> ZoMessage :: getProperty( const char *, ZoString & )");
  EXPECT_EQ(lines[1], "> ZoMessage :: getProperty( const ZoString &, ZoString & )");
  EXPECT_EQ(lines.back(), "< ZoMessage :: getProperty( const char *, ZoString & ) rc=0x0000A7FA");
  EXPECT_EQ(trace.count("Field MISSING not found"), 1);

  const ZoField duplicate = textField("A", "y");
  trace.clear();
  m.addField(duplicate);
  EXPECT_EQ(trace.lines().front(), "> ZoMessage :: addField( const ZoField & )");
  EXPECT_EQ(trace.lines().back(), "< ZoMessage :: addField() rc=0x20802B04");
  EXPECT_EQ(trace.count("Field A has a duplicate"), 1);
}
