#include "defs/zo_string.h"

#include <gtest/gtest.h>

TEST(ZoStringSmoke, Builds) {
  ZoString s("abc");
  EXPECT_EQ(s.length(), 3);
}
