#include "defs/zo_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/defs/trace_capture.h"
#include "tests/defs/zo_string_print.h"

namespace {

// ------------------------------------------------------------ character classes

// Independent statement of the class of every byte, to check the table against.
int expectedClass(int byte) {
  if (byte >= 'A' && byte <= 'Z') return 2;
  if (byte >= 'a' && byte <= 'z') return 2;
  if (byte >= '0' && byte <= '9') return 3;
  if (byte == '_') return 4;
  if (byte != 0 && std::strchr("!#$%&*-?@", byte) != nullptr) return 1;
  return 0;
}

TEST(CharacterClasses, EveryByteHasItsClass) {
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(static_cast<int>(zoCharClass(static_cast<char>(b))), expectedClass(b)) << "byte " << b;
}

struct CheckCase {
  const char* text;
  bool num, alNum, alNumPad, allowed;
};

TEST(CharacterChecks, EachCheckAcceptsItsOwnSet) {
  const CheckCase cases[] = {
      {"", true, true, true, true},          {"0123", true, true, true, true},
      {"A_B1", false, true, true, true},     {"A-B#1", false, false, false, true},
      {"X@Y", false, false, false, true},    {"A.B", false, false, false, false},
      {"A/B", false, false, false, false},   {"-1", false, false, false, true},
      {"1 ", false, false, true, true},      {"ab  ", false, false, true, true},
      {"a b", false, false, false, false},   {" ab", false, false, false, false},
      {"    ", false, false, true, true},    {"a\tb", false, false, false, false},
      {"ab \t", false, false, false, false}, {"!#$%&*-?@", false, false, false, true},
  };
  for (const CheckCase& c : cases) {
    const ZoString s(c.text);
    EXPECT_EQ(s.isNum() == TRUE, c.num) << '"' << c.text << '"';
    EXPECT_EQ(s.isAlNum() == TRUE, c.alNum) << '"' << c.text << '"';
    EXPECT_EQ(s.isAlNumPad() == TRUE, c.alNumPad) << '"' << c.text << '"';
    EXPECT_EQ(s.isAllowedCharSet() == TRUE, c.allowed) << '"' << c.text << '"';
  }
}

TEST(CharacterChecks, BytesAboveSevenBitFailEveryCheck) {
  for (int b = 0x80; b < 0x100; ++b) {
    const char text[] = {'A', static_cast<char>(b), '\0'};
    const ZoString s(text);
    EXPECT_FALSE(s.isNum());
    EXPECT_FALSE(s.isAlNum());
    EXPECT_FALSE(s.isAlNumPad());
    EXPECT_FALSE(s.isAllowedCharSet());
  }
}

TEST(CharacterChecks, FailureWritesPositionNoteAndDump) {
  TraceCapture trace;
  EXPECT_FALSE(ZoString("a b").isAlNumPad());
  EXPECT_EQ(trace.lines(), (std::vector<std::string>{"ZoString::isAlNumPad - unallowed character at position 2",
                                                     "string containing unallowed character", "DATA 3: a b"}));
  trace.clear();
  EXPECT_FALSE(ZoString(" ab").isAlNumPad());
  EXPECT_EQ(trace.lines().front(), "ZoString::isAlNumPad - unallowed character at position 1");
  trace.clear();
  EXPECT_FALSE(ZoString("A.B").isAllowedCharSet());
  EXPECT_EQ(trace.lines().front(), "ZoString::isAllowedCharSet - unallowed character at position 1");
  trace.clear();
  EXPECT_FALSE(ZoString("A-B").isAlNum());
  EXPECT_EQ(trace.lines().front(), "ZoString::isAlNum - unallowed character at position 1");
  trace.clear();
  EXPECT_FALSE(ZoString("12 ").isNum());
  EXPECT_EQ(trace.lines().front(), "ZoString::isNum - unallowed character at position 2");
  trace.clear();
  EXPECT_TRUE(ZoString("ab  ").isAlNumPad());
  EXPECT_TRUE(trace.lines().empty());
}

TEST(CharacterChecks, DumpIsCappedAndTracingRulesAreObeyed) {
  const std::string longText = std::string(2000, 'a') + "!";
  {
    TraceCapture trace;
    EXPECT_FALSE(ZoString(longText.c_str()).isAlNum());
    ASSERT_EQ(trace.lines().size(), 3u);
    EXPECT_EQ(trace.lines()[0], "ZoString::isAlNum - unallowed character at position 2000");
    EXPECT_EQ(trace.lines()[2], "DATA 1024: " + std::string(1024, 'a'));
  }
  {
    TraceCapture userTrace(true);
    EXPECT_FALSE(ZoString("a.b").isAlNum());
    EXPECT_TRUE(userTrace.lines().empty());
  }
}

// ------------------------------------------------------------ assignment and capacity

TEST(ZoStringStorage, ReassignmentAcrossTheShortLimitKeepsText) {
  ZoString s;
  EXPECT_EQ(s.length(), 0);
  EXPECT_STREQ(s.text(), "");
  s = "abcdefghijklmnopqrst";  // 20
  EXPECT_STREQ(s.text(), "abcdefghijklmnopqrst");
  s = "xyz";
  EXPECT_STREQ(s.text(), "xyz");
  EXPECT_EQ(s.length(), 3);

  // A text shortened in place still leaves room for 16 characters.
  ZoString t("ab");
  t.truncate(1);
  t = "0123456789abcdef";
  EXPECT_STREQ(t.text(), "0123456789abcdef");
  ZoString u("  x  ");
  u.trim();
  u = "fedcba9876543210";
  EXPECT_STREQ(u.text(), "fedcba9876543210");
  u += "";
  EXPECT_EQ(u.length(), 16);
  u += "!";
  EXPECT_STREQ(u.text(), "fedcba9876543210!");
}

TEST(ZoStringStorage, AliasedSourcesAreCopiedSafely) {
  ZoString s("hello");
  s = s;
  EXPECT_STREQ(s.text(), "hello");
  s = s.text();
  EXPECT_STREQ(s.text(), "hello");
  s = s.text() + 2;  // a tail of its own text
  EXPECT_STREQ(s.text(), "llo");

  ZoString l("0123456789abcdefghij");
  l = l.text() + 1;  // long tail of its own text
  EXPECT_STREQ(l.text(), "123456789abcdefghij");

  ZoString d("abcdefghij");
  d += d;  // grows past 16 from its own text
  EXPECT_STREQ(d.text(), "abcdefghijabcdefghij");
  ZoString e("abc");
  e += e;
  EXPECT_STREQ(e.text(), "abcabc");
  e += e.text();
  EXPECT_STREQ(e.text(), "abcabcabcabc");
}

TEST(ZoStringStorage, NullPointersAreEmptyTexts) {
  const char* none = nullptr;
  ZoString s(none);
  EXPECT_STREQ(s.text(), "");
  s = "x";
  s = none;
  EXPECT_STREQ(s.text(), "");
  s += none;
  EXPECT_EQ(s.compare(none), 0);
  EXPECT_TRUE(s == none);
}

TEST(ZoStringStorage, ConcatenationLeavesOperandsAlone) {
  const ZoString a("left");
  const ZoString b("right-hand-side-text");
  EXPECT_EQ(a + b, "leftright-hand-side-text");
  EXPECT_EQ(a + "!", "left!");
  EXPECT_EQ("<" + a, "<left");
  EXPECT_EQ(a, "left");
  EXPECT_EQ(b, "right-hand-side-text");
}

// ------------------------------------------------------------ comparison

TEST(ZoStringCompare, OrdersByUnsignedBytesAndPrefixes) {
  EXPECT_TRUE(ZoString() == ZoString(""));
  EXPECT_TRUE(ZoString() < ZoString("A"));
  EXPECT_TRUE(ZoString("A") > ZoString());
  EXPECT_TRUE(ZoString("AB") < ZoString("ABC"));
  EXPECT_TRUE(ZoString("ABC") > "AB");
  EXPECT_TRUE(ZoString("a") < ZoString("\x80"));  // high bytes order last
  EXPECT_TRUE(ZoString("\xff") > "a");
  EXPECT_TRUE(ZoString("abc") != "abd");
  EXPECT_FALSE(ZoString("abc") != "abc");
  EXPECT_LT(ZoString("abc").compare("abd"), 0);
  EXPECT_GT(ZoString("abd").compare(ZoString("abc")), 0);
  EXPECT_EQ(ZoString("abc").compare("abc"), 0);
}

TEST(ZoStringCompare, NoCaseFoldsLettersOnly) {
  EXPECT_EQ(ZoString("FieldCount").compareNoCase("fieldcount"), 0);
  EXPECT_EQ(ZoString("txet").compareNoCase(ZoString("TXET")), 0);
  EXPECT_NE(ZoString("Text").compareNoCase("txet"), 0);
  EXPECT_LT(ZoString("").compareNoCase("a"), 0);
  EXPECT_GT(ZoString("ab").compareNoCase("A"), 0);
  // '[' (0x5B) lies between the upper and lower letters: letters fold to lower
  // case, so Z compares as z, after '['.
  EXPECT_GT(ZoString("Z").compareNoCase("["), 0);
  EXPECT_LT(ZoString("[").compareNoCase("a"), 0);
  EXPECT_NE(ZoString("@").compareNoCase("`"), 0);
}

// ------------------------------------------------------------ editing operations

TEST(ZoStringEdit, TruncateOnlyInsideTheText) {
  ZoString s("abcdef");
  s.truncate(6);
  EXPECT_EQ(s, "abcdef");
  s.truncate(-1);
  EXPECT_EQ(s, "abcdef");
  s.truncate(3);
  EXPECT_EQ(s, "abc");
  s.truncate(0);
  EXPECT_EQ(s, "");
}

TEST(ZoStringEdit, TrimRemovesOuterBlanksOnly) {
  ZoString a("  ab  ");
  a.trim();
  EXPECT_EQ(a, "ab");
  ZoString b("a   ");
  b.trim();
  EXPECT_EQ(b, "a");
  ZoString c("    ");
  c.trim();
  EXPECT_EQ(c, "    ");
  ZoString d("\tx y\t");
  d.trim();
  EXPECT_EQ(d, "\tx y\t");
  ZoString e(" in side ");
  e.trim();
  EXPECT_EQ(e, "in side");
  ZoString f;
  f.trim();
  EXPECT_EQ(f, "");
}

TEST(ZoStringEdit, SplitAtFirstSeparator) {
  ZoString s("KEY=VAL=X");
  ZoString rest("old");
  s.split('=', rest);
  EXPECT_EQ(s, "KEY");
  EXPECT_EQ(rest, "VAL=X");
  ZoString k("KEY");
  k.split('=', rest);
  EXPECT_EQ(k, "KEY");
  EXPECT_EQ(rest, "");
  ZoString edge("=tail");
  edge.split('=', rest);
  EXPECT_EQ(edge, "");
  EXPECT_EQ(rest, "tail");
  ZoString self("a long key name here=value");
  self.split('=', self);
  EXPECT_EQ(self, "value");
  ZoString zero("abc");
  zero.split('\0', rest);
  EXPECT_EQ(zero, "abc");
  EXPECT_EQ(rest, "");
}

TEST(ZoStringEdit, ContainsAndPad) {
  const ZoString s("a=b");
  EXPECT_TRUE(s.contains('='));
  EXPECT_FALSE(s.contains('x'));
  EXPECT_FALSE(s.contains('\0'));

  ZoString p("ab");
  p.pad(5, '.');
  EXPECT_EQ(p, "ab...");
  p.pad(3, '-');
  EXPECT_EQ(p, "ab...");
  p.pad(20, ' ');
  EXPECT_EQ(p.length(), 20);
  EXPECT_EQ(p, "ab...               ");
  ZoString z("ab");
  z.pad(8, '\0');
  EXPECT_EQ(z, "ab");
}

TEST(ZoStringEdit, MakeNumericKeepsDigitsAndOneLeadingMinus) {
  ZoString a(" -1 2 ");
  EXPECT_TRUE(a.makeNumeric());
  EXPECT_EQ(a, "-12");
  for (const char* bad : {"1-2", "--1", "12a", "1.5", "+1"}) {
    ZoString b(bad);
    EXPECT_FALSE(b.makeNumeric()) << bad;
    EXPECT_EQ(b, bad);
  }
  ZoString blanks("   ");
  EXPECT_TRUE(blanks.makeNumeric());
  EXPECT_EQ(blanks, "");
  ZoString empty;
  EXPECT_TRUE(empty.makeNumeric());
  ZoString longNumber(" 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 ");
  EXPECT_TRUE(longNumber.makeNumeric());
  EXPECT_EQ(longNumber, "12345678901234567890");
}

}  // namespace
