#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "defs/zo_string.h"

namespace {

bool endsWithZero(const ZoBinary& b) { return b.data()[b.length()] == 0; }

TEST(ZoBinaryValues, ConstructorsHoldNativeBytes) {
  const ZoBinary empty;
  EXPECT_EQ(empty.length(), 0);
  EXPECT_TRUE(endsWithZero(empty));

  const ZO_SHORT s = 0x1234;
  const ZO_LONG l = 0x01020304;
  const ZoBinary bs(s);
  const ZoBinary bl(l);
  const ZoBinary bb(static_cast<ZO_BYTE>(0xAB));
  ASSERT_EQ(bs.length(), 2);
  ASSERT_EQ(bl.length(), 4);
  ASSERT_EQ(bb.length(), 1);
  EXPECT_EQ(std::memcmp(bs.data(), &s, 2), 0);
  EXPECT_EQ(std::memcmp(bl.data(), &l, 4), 0);
  EXPECT_EQ(bb.data()[0], 0xAB);
  EXPECT_TRUE(endsWithZero(bl));

  const char raw[] = {'a', '\0', 'b'};
  const ZoBinary withZero(raw, 3);
  EXPECT_EQ(withZero.length(), 3);
  EXPECT_TRUE(withZero.compare(raw, 3));
  EXPECT_FALSE(withZero.compare("a"));  // text stops at the zero byte

  const ZoBinary fromText(ZoString("hello"));
  EXPECT_EQ(fromText.length(), 5);
  EXPECT_TRUE(fromText.compare("hello"));
  const ZoBinary copy(fromText);
  EXPECT_TRUE(copy == fromText);
}

TEST(ZoBinaryValues, CompareNeedsSameLengthAndBytes) {
  const ZoBinary a("abc", 3);
  EXPECT_TRUE(a.compare("abc"));
  EXPECT_FALSE(a.compare("ab"));
  EXPECT_FALSE(a.compare("abcd"));
  EXPECT_FALSE(a.compare("abd", 3));
  EXPECT_TRUE(a != ZoBinary("abd", 3));
  EXPECT_TRUE(ZoBinary().compare(static_cast<const char*>(nullptr)));
  EXPECT_TRUE(ZoBinary().compare(nullptr, 0));
  EXPECT_FALSE(a.compare(nullptr, 3));
}

TEST(ZoBinaryEdit, AppendPadSetAndClear) {
  ZoBinary b;
  EXPECT_TRUE(b.append(static_cast<ZO_BYTE>('x')));
  EXPECT_TRUE(b.append(static_cast<ZO_SHORT>(7)));
  EXPECT_TRUE(b.append(static_cast<ZO_LONG>(-1)));
  EXPECT_TRUE(b.append("yz", 2));
  EXPECT_EQ(b.length(), 9);
  EXPECT_EQ(b.data()[0], 'x');
  EXPECT_EQ(b.data()[3], 0xFF);
  EXPECT_EQ(b.data()[8], 'z');
  EXPECT_TRUE(endsWithZero(b));

  b += b;  // appends its own bytes
  EXPECT_EQ(b.length(), 18);
  EXPECT_EQ(std::memcmp(b.data(), b.data() + 9, 9), 0);

  ZoBinary p("ab", 2);
  EXPECT_TRUE(p.pad(5, '.'));
  EXPECT_TRUE(p.compare("ab..."));
  EXPECT_TRUE(p.pad(3, '-'));
  EXPECT_TRUE(p.compare("ab..."));

  p.set(static_cast<ZO_LONG>(5));
  EXPECT_EQ(p.length(), 4);
  p.clear();
  EXPECT_EQ(p.length(), 0);
  EXPECT_TRUE(endsWithZero(p));

  ZoBinary self("q", 1);
  self = self;
  EXPECT_TRUE(self.compare("q"));
}

TEST(ZoBinaryEdit, BadArgumentsChangeNothing) {
  ZoBinary b("keep", 4);
  EXPECT_FALSE(b.set(nullptr, 3));
  EXPECT_FALSE(b.set("x", -1));
  EXPECT_FALSE(b.append(nullptr, 1));
  EXPECT_FALSE(b.append("x", -5));
  EXPECT_FALSE(b.append("x", std::numeric_limits<ZO_LONG>::max()));
  EXPECT_FALSE(b.pad(std::numeric_limits<ZO_LONG>::max(), 0));
  EXPECT_TRUE(b.compare("keep"));
  EXPECT_TRUE(b.append(nullptr, 0));
  EXPECT_TRUE(b.compare("keep"));

  const ZoBinary bad(nullptr, 7);
  EXPECT_EQ(bad.length(), 0);
  const ZoBinary negative("abc", -2);
  EXPECT_EQ(negative.length(), 0);
}

}  // namespace
