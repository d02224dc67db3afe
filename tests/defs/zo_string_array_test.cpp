#include <gtest/gtest.h>

#include <string>

#include "defs/zo_string.h"
#include "tests/defs/trace_capture.h"
#include "tests/defs/zo_string_print.h"

namespace {

std::string nth(int i) { return "name_" + std::to_string(i); }

void fill(ZoStringArray& a, int n) {
  for (int i = 0; i < n; ++i) a.add(nth(i).c_str());
}

TEST(ZoStringArrayGrowth, DefaultsGrowByTwentyAndKeepOrder) {
  ZoStringArray a;
  EXPECT_EQ(a.capacity(), 40);
  EXPECT_EQ(a.growth(), 20);
  EXPECT_EQ(a.count(), 0);
  EXPECT_EQ(a.freeSlots(), 40);
  fill(a, 40);
  EXPECT_EQ(a.capacity(), 40);
  EXPECT_EQ(a.freeSlots(), 0);
  a.add("name_40");
  EXPECT_EQ(a.capacity(), 60);
  EXPECT_EQ(a.freeSlots(), 19);
  EXPECT_EQ(a.count(), 41);
  for (int i = 0; i < 41; ++i) EXPECT_EQ(a.get(i), nth(i).c_str()) << i;
  for (int i = 41; i < 61; ++i) a.add(nth(i).c_str());
  EXPECT_EQ(a.capacity(), 80);
  EXPECT_EQ(a.get(60), "name_60");
}

TEST(ZoStringArrayGrowth, OutOfRangeGetYieldsEmpty) {
  ZoStringArray a;
  a.add("x");
  EXPECT_EQ(a.get(1), "");
  EXPECT_EQ(a.get(-1), "");
  EXPECT_EQ(a.get(39), "");  // allocated but unused slot
  EXPECT_EQ(a.get(0), "x");
}

TEST(ZoStringArrayGrowth, DegenerateSizesStillAccept) {
  ZoStringArray zero(0, 0);
  EXPECT_EQ(zero.capacity(), 0);
  EXPECT_EQ(zero.growth(), 1);
  fill(zero, 5);
  EXPECT_EQ(zero.count(), 5);
  EXPECT_EQ(zero.capacity(), 5);
  EXPECT_EQ(zero.get(4), "name_4");

  ZoStringArray negative(-3, -7);
  EXPECT_EQ(negative.capacity(), 0);
  negative.add("a");
  EXPECT_EQ(negative.get(0), "a");

  ZoStringArray small(2, 3);
  EXPECT_EQ(small.freeSlots(), 2);
  fill(small, 3);
  EXPECT_EQ(small.capacity(), 5);
  EXPECT_EQ(small.freeSlots(), 2);
}

TEST(ZoStringArrayGrowth, AddingOwnElementWhileGrowing) {
  ZoStringArray a(1, 1);
  a.add("a long text that does not fit sixteen");
  ZoString first = a.get(0);
  a.add(first);
  EXPECT_EQ(a.get(1), "a long text that does not fit sixteen");
}

TEST(ZoStringArrayCopy, AssignmentTakesSizesAndStrings) {
  ZoStringArray src(3, 5);
  fill(src, 4);  // grown to 8
  ZoStringArray dst;
  fill(dst, 45);
  dst = src;
  EXPECT_EQ(dst.count(), 4);
  EXPECT_EQ(dst.capacity(), 8);
  EXPECT_EQ(dst.growth(), 5);
  EXPECT_EQ(dst.freeSlots(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dst.get(i), nth(i).c_str());
  EXPECT_EQ(dst.get(4), "");
  // Independent copies.
  dst.add("only in dst");
  EXPECT_EQ(src.count(), 4);

  ZoStringArray copy(src);
  EXPECT_EQ(copy.count(), 4);
  EXPECT_EQ(copy.get(3), "name_3");

  ZoStringArray& alias = src;
  src = alias;
  EXPECT_EQ(src.count(), 4);
  EXPECT_EQ(src.get(2), "name_2");
}

TEST(ZoStringArrayTrace, MemoryLinesNameTheOperation) {
  TraceCapture trace;
  {
    ZoStringArray a;
    ZoStringArray b(1, 1);
    b.add("x");
    b.add("y");
    a = b;
  }
  auto startsWith = [&](size_t i, const std::string& prefix) {
    return i < trace.lines().size() && trace.lines()[i].rfind(prefix, 0) == 0;
  };
  ASSERT_EQ(trace.lines().size(), 7u);
  EXPECT_TRUE(startsWith(0, "STRING ARRAY(void): >>> MEM >>> new: 0x"));
  EXPECT_TRUE(startsWith(1, "STRING ARRAY(ZO_LONG): >>> MEM >>> new: 0x"));
  EXPECT_TRUE(startsWith(2, "STRING ARRAY(add): >>> MEM >>> delete: 0x"));
  EXPECT_TRUE(startsWith(3, "STRING ARRAY(=): >>> MEM >>> delete: 0x"));
  EXPECT_TRUE(startsWith(4, "STRING ARRAY(=): >>> MEM >>> new: 0x"));
  EXPECT_TRUE(startsWith(5, "STRING ARRAY(void): >>> MEM >>> delete: 0x"));
  EXPECT_TRUE(startsWith(6, "STRING ARRAY(void): >>> MEM >>> delete: 0x"));
  // The address deleted by the assignment is the one the empty construction made.
  EXPECT_EQ(trace.lines()[0].substr(trace.lines()[0].find("0x")), trace.lines()[3].substr(trace.lines()[3].find("0x")));
}

}  // namespace
