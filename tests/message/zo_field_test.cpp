#include <gtest/gtest.h>

#include <string>

#include "common/return_codes.h"
#include "message/zo_field.h"

namespace {

constexpr ZO_LONG code(ZO_ULONG c) { return static_cast<ZO_LONG>(c); }

}  // namespace

TEST(ZoFieldConstruction, DefaultsAndNameRule) {
  ZoField f("CUST_NO");
  EXPECT_EQ(f.getErrorCode(), 0);
  EXPECT_EQ(f.getName(), "CUST_NO");
  EXPECT_EQ(f.getDataType(), ZODT_NONE);
  EXPECT_EQ(f.getLength(), 0);
  EXPECT_EQ(f.getSegment(), 1);
  EXPECT_FALSE(f.getHasAttributes());
  EXPECT_EQ(f.getColor(), 0);
  EXPECT_EQ(f.getIntensity(), 30);
  EXPECT_EQ(f.getHighLight(), 20);
  EXPECT_EQ(f.getProtection(), 40);
  EXPECT_EQ(f.getPadCharacter(), 0x20);
  EXPECT_EQ(f.getAlignment(), 1);
  EXPECT_FALSE(f.isValueSet());
  EXPECT_EQ(f.getCompletionCode(), 0u);

  // Invalid characters, too long, reserved in any case: the name stays empty.
  for (const char* bad : {"A-B", "A B", "Name", "REASONCODE", "fieldCount"}) {
    ZoField g(bad);
    EXPECT_EQ(g.getErrorCode(), code(ERR_FLD_INVALID_NAME)) << bad;
    EXPECT_EQ(g.getName(), "") << bad;
  }
  const std::string longest(32, 'X');
  EXPECT_EQ(ZoField(longest.c_str()).getName(), longest.c_str());
  const std::string tooLong(33, 'X');
  EXPECT_EQ(ZoField(ZoString(tooLong.c_str())).getErrorCode(), code(ERR_FLD_INVALID_NAME));
  // Equality is by exact name only.
  ZoField a("A");
  ZoField lower("a");
  ZoField a2("A");
  a2.setValue(static_cast<ZO_LONG>(5));
  EXPECT_FALSE(a == lower);
  EXPECT_TRUE(a == a2);
}

TEST(ZoFieldText, LengthFollowsOrBoundsTheText) {
  ZoField f("F");
  f.setValue("HELLO");
  EXPECT_EQ(f.getErrorCode(), 0);
  EXPECT_EQ(f.getDataType(), ZODT_STRING);
  EXPECT_EQ(f.getLength(), 5);
  EXPECT_EQ(f.getValue(), "HELLO");
  // The length, once known, bounds later texts.
  f.setValue("GOODBYE");
  EXPECT_EQ(f.getErrorCode(), code(ERR_FLD_DATA_TRUNCATED));
  EXPECT_EQ(f.getValue(), "GOODB");
  f.setValue("HI");
  EXPECT_EQ(f.getErrorCode(), 0);
  EXPECT_EQ(f.getValue(), "HI");

  ZoField g("G");
  g.setLength(3);
  g.setValue("HELLO");
  EXPECT_EQ(g.getErrorCode(), code(ERR_FLD_DATA_TRUNCATED));
  EXPECT_EQ(g.getValue(), "HEL");

  // Shortening the length cuts the text and still stores the length.
  ZoField h("H");
  h.setValue("ABCD");
  h.setLength(2);
  EXPECT_EQ(h.getErrorCode(), code(ERR_FLD_DATA_TRUNCATED));
  EXPECT_EQ(h.getValue(), "AB");
  EXPECT_EQ(h.getLength(), 2);
  h.setLength(-1);
  EXPECT_EQ(h.getErrorCode(), code(ERR_FLD_INVALID_LENGTH));
  EXPECT_EQ(h.getLength(), 2);

  // Authenticator types keep their type when given a text.
  ZoField auth("PW");
  auth.setDataType(ZODT_AUTHENTICATOR);
  auth.setValue("secret");
  EXPECT_EQ(auth.getDataType(), ZODT_AUTHENTICATOR);
  EXPECT_EQ(auth.getValue(), "secret");
  auth.setDataType(ZODT_SYSTEM_AUTHENTICATOR);
  EXPECT_EQ(auth.getValue(), "");  // a valid type clears the values
  auth.setValue("x");
  EXPECT_EQ(auth.getDataType(), ZODT_SYSTEM_AUTHENTICATOR);
}

TEST(ZoFieldNumbers, MinimumLengthsByType) {
  ZoField f("N");
  f.setValue(static_cast<ZO_LONG>(-7));
  EXPECT_EQ(f.getErrorCode(), 0);
  EXPECT_EQ(f.getLength(), 4);
  EXPECT_EQ(f.getDataType(), ZODT_LONG);
  EXPECT_EQ(f.getLongValue(), -7);

  ZoField s("S");
  s.setValue(static_cast<ZO_SHORT>(12));
  EXPECT_EQ(s.getLength(), 2);
  EXPECT_EQ(s.getDataType(), ZODT_SHORT);
  EXPECT_EQ(s.getShortValue(), 12);

  ZoField b("B");
  b.setValue(static_cast<ZO_BYTE>(200));
  EXPECT_EQ(b.getLength(), 1);
  EXPECT_EQ(b.getDataType(), ZODT_BYTE);
  EXPECT_EQ(b.getByteValue(), 200);

  // A text field of length 2 cannot take a long: type and value unchanged.
  ZoField t("T");
  t.setValue("AB");
  t.setValue(static_cast<ZO_LONG>(99));
  EXPECT_EQ(t.getErrorCode(), code(ERR_FLD_INVALID_LENGTH));
  EXPECT_EQ(t.getDataType(), ZODT_STRING);
  EXPECT_EQ(t.getLongValue(), 0);
  // ...but a short fits, and a byte too.
  t.setValue(static_cast<ZO_SHORT>(3));
  EXPECT_EQ(t.getErrorCode(), 0);
  EXPECT_EQ(t.getDataType(), ZODT_SHORT);

  // setLength under the numeric types.
  s.setLength(1);
  EXPECT_EQ(s.getErrorCode(), code(ERR_FLD_INVALID_LENGTH));
  EXPECT_EQ(s.getLength(), 2);
  s.setLength(2);
  EXPECT_EQ(s.getErrorCode(), 0);
  f.setLength(3);
  EXPECT_EQ(f.getErrorCode(), code(ERR_FLD_INVALID_LENGTH));
  EXPECT_EQ(f.getLength(), 4);
  f.setLength(8);
  EXPECT_EQ(f.getLength(), 8);
  b.setLength(0);
  EXPECT_EQ(b.getErrorCode(), code(ERR_FLD_INVALID_LENGTH));
  EXPECT_EQ(b.getLength(), 1);
}

TEST(ZoFieldDataType, InvalidTypesStayStoredAndBlockLengths) {
  ZoField f("F");
  f.setValue("ABC");
  f.setValueSet(TRUE);
  f.setDataType(9);
  EXPECT_EQ(f.getErrorCode(), code(ERR_FLD_INVALID_DATATYPE));
  EXPECT_EQ(f.getDataType(), 9);
  EXPECT_EQ(f.getValue(), "ABC");  // an invalid type clears nothing
  EXPECT_TRUE(f.isValueSet());
  f.setLength(5);
  EXPECT_EQ(f.getErrorCode(), code(ERR_FLD_INVALID_DATATYPE));
  EXPECT_EQ(f.getLength(), 3);

  f.setDataType(17);
  EXPECT_EQ(f.getErrorCode(), 0);
  EXPECT_FALSE(f.isValueSet());
  EXPECT_EQ(f.getValue(), "");
  f.setLength(5);
  EXPECT_EQ(f.getErrorCode(), code(ERR_FLD_INVALID_DATATYPE));
  // A number cannot be stored when the length cannot be set under the type.
  ZoField g("G");
  g.setDataType(18);
  g.setValue(static_cast<ZO_LONG>(1));
  EXPECT_EQ(g.getErrorCode(), code(ERR_FLD_INVALID_LENGTH));
  EXPECT_EQ(g.getDataType(), 18);
}

TEST(ZoFieldAttributes, RangesAndNoAttributeValues) {
  ZoField f("F");
  f.setColor(18);
  EXPECT_EQ(f.getErrorCode(), code(ERR_FLD_INVALID_COLOR));
  EXPECT_EQ(f.getColor(), 0);
  EXPECT_FALSE(f.getHasAttributes());
  f.setColor(17);
  EXPECT_EQ(f.getErrorCode(), 0);
  EXPECT_EQ(f.getColor(), 17);
  EXPECT_TRUE(f.getHasAttributes());

  struct Case {
    void (ZoField::*set)(ZO_LONG);
    ZO_LONG (ZoField::*get)() const;
    ZO_LONG low, high;
    ZO_ULONG error;
  };
  const Case cases[] = {
      {&ZoField::setColor, &ZoField::getColor, 0, 17, ERR_FLD_INVALID_COLOR},
      {&ZoField::setIntensity, &ZoField::getIntensity, 30, 35, ERR_FLD_INVALID_INTENSITY},
      {&ZoField::setHighLight, &ZoField::getHighLight, 20, 26, ERR_FLD_INVALID_HIGHLIGHT},
      {&ZoField::setProtection, &ZoField::getProtection, 40, 44, ERR_FLD_INVALID_PROTECTION},
  };
  for (const Case& c : cases) {
    ZoField g("G");
    (g.*c.set)(c.low - 1);
    EXPECT_EQ(g.getErrorCode(), code(c.error));
    (g.*c.set)(c.high + 1);
    EXPECT_EQ(g.getErrorCode(), code(c.error));
    EXPECT_FALSE(g.getHasAttributes());
    (g.*c.set)(c.high);
    EXPECT_EQ(g.getErrorCode(), 0);
    EXPECT_EQ((g.*c.get)(), c.high);
    (g.*c.set)(c.low);
    EXPECT_EQ((g.*c.get)(), c.low);
    EXPECT_TRUE(g.getHasAttributes());
  }

  f.setColor(5);
  f.setHasAttributes(FALSE);
  EXPECT_EQ(f.getColor(), 1);
  EXPECT_EQ(f.getIntensity(), 31);
  EXPECT_EQ(f.getHighLight(), 21);
  EXPECT_EQ(f.getProtection(), 41);
  EXPECT_FALSE(f.getHasAttributes());
  f.setHasAttributes(TRUE);
  EXPECT_EQ(f.getColor(), 1);  // TRUE changes no attribute
}

TEST(ZoFieldCopy, CopyKeepsCodesCopyFromDoesNot) {
  ZoField src("SRC");
  src.setDescription("a description");
  src.setValue("VALUE");
  src.setRow(3);
  src.setColumn(7);
  src.setSegment(2);
  src.setProtection(42);
  src.setPadCharacter(0);
  src.setAlignment(4);
  src.setValueSet(TRUE);
  src.setLength(3);  // leaves the truncation warning
  src.setFromInternalCode(ERR_FLD_DATA_TRUNCATED);

  ZoField copy(src);
  EXPECT_EQ(copy.getErrorCode(), code(ERR_FLD_DATA_TRUNCATED));
  EXPECT_EQ(copy.getCompletionCode(), 1u);
  EXPECT_EQ(copy.getValue(), "VAL");

  ZoField target("OTHER");
  target.setFromInternalCode(ERR_FLD_INVALID_LENGTH);
  target.copyFrom(src);
  EXPECT_EQ(target.getErrorCode(), 0);
  EXPECT_EQ(target.getCompletionCode(), 2u);  // its own codes are kept
  EXPECT_EQ(target.getName(), "SRC");
  EXPECT_EQ(target.getDescription(), "a description");
  EXPECT_EQ(target.getValue(), "VAL");
  EXPECT_EQ(target.getLength(), 3);
  EXPECT_EQ(target.getRow(), 3);
  EXPECT_EQ(target.getColumn(), 7);
  EXPECT_EQ(target.getSegment(), 2);
  EXPECT_EQ(target.getProtection(), 42);
  EXPECT_TRUE(target.getHasAttributes());
  EXPECT_EQ(target.getPadCharacter(), 0);
  EXPECT_EQ(target.getAlignment(), 4);
  EXPECT_TRUE(target.isValueSet());
  target.copyFrom(target);  // copying onto itself changes nothing
  EXPECT_EQ(target.getValue(), "VAL");
}
