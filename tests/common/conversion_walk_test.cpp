// The conversion walks on in-memory tables, without the common services or files.
#include <gtest/gtest.h>

#include <vector>

#include "common/conversion_walk.h"

namespace {

using Bytes = std::vector<ZO_BYTE>;

// Single-byte table adding 1 to every byte.
Bytes plusOne() {
  Bytes t(256);
  for (int b = 0; b < 256; ++b) t[b] = static_cast<ZO_BYTE>(b + 1);
  return t;
}

// Double-byte table: lead byte 0x81 has row 2, where (0x81, trail) becomes
// (0x01, trail + 1); every other lead byte uses row 1, all 0xEE.
Bytes rows() {
  Bytes t(3 * 512, 0xEE);
  for (int b = 0; b < 256; ++b) t[b] = 1;
  t[0x81] = 2;
  for (int trail = 0; trail < 256; ++trail) {
    t[2 * 512 + 2 * trail] = 0x01;
    t[2 * 512 + 2 * trail + 1] = static_cast<ZO_BYTE>(trail + 1);
  }
  return t;
}

TEST(ConversionWalk, Cases) {
  const Bytes single = plusOne();
  const Bytes dbl = rows();
  constexpr ZO_LONG kBytes = XCS_WALK_BYTES, kShift = XCS_WALK_SHIFT, kLead = XCS_WALK_LEAD;
  struct Case {
    const char* what;
    ZO_LONG walk;
    ZO_LONG method;
    bool tables;
    Bytes in;
    std::size_t room;
    ZO_LONG code;
    Bytes out;
  };
  const Case cases[] = {
      {"bytes through the table", kBytes, 4, true, {0x41, 0x0E, 0xFF}, 8, 0, {0x42, 0x0F, 0x00}},
      {"bytes copied without tables", kBytes, 4, false, {0x41, 0x0E}, 8, 0, {0x41, 0x0E}},
      {"bytes stop at the target end", kBytes, 4, true, {1, 2, 3}, 2, XCS_RC_PAIR_PAST_TARGET, {2, 3}},
      {"shift codes kept", kShift, 4, true, {0x20, 0x0E, 0x81, 0x05, 0x82, 0x00, 0x0F, 0x21}, 16, 0,
       {0x21, 0x0E, 0x01, 0x06, 0xEE, 0xEE, 0x0F, 0x22}},
      {"shift codes dropped, new line read as line feed", kShift, 1, true, {0x15, 0x0E, 0x81, 0x05, 0x0F}, 16, 0,
       {0x26, 0x01, 0x06}},
      {"pairs copied without tables", kShift, 4, false, {0x0E, 0x81, 0x05, 0x0F}, 8, 0, {0x0E, 0x81, 0x05, 0x0F}},
      {"shift-out right before shift-in is single-byte", kShift, 4, true, {0x0E, 0x0F}, 8, 0, {0x0F, 0x10}},
      {"run not closed", kShift, 4, true, {0x0E, 0x81, 0x05}, 8, XCS_RC_PAIR_PAST_SOURCE, {0x0E, 0x01, 0x06}},
      {"half a pair", kShift, 1, true, {0x0E, 0x81, 0x0F}, 8, XCS_RC_PAIR_PAST_SOURCE, {}},
      {"pair past the target", kShift, 4, true, {0x0E, 0x81, 0x05, 0x0F}, 2, XCS_RC_PAIR_PAST_TARGET, {0x0E}},
      {"lead bytes to shift codes", kLead, 2, true, {0x41, 0x81, 0x05, 0x81, 0x06, 0x42}, 16, 0,
       {0x42, 0x0E, 0x01, 0x06, 0x01, 0x07, 0x0F, 0x43}},
      {"lead bytes to lead bytes", kLead, 3, true, {0x81, 0x05, 0x41}, 8, 0, {0x01, 0x06, 0x42}},
      {"lead byte ends the source", kLead, 3, true, {0x41, 0x81}, 8, XCS_RC_NO_SOURCE_LEFT, {0x42}},
      {"no room for the run and its shift codes", kLead, 2, true, {0x81, 0x05}, 3, XCS_RC_NO_ROOM_FOR_RUN, {}},
  };
  for (const Case& c : cases) {
    XcsWalkPlan plan;
    plan.walk = c.walk;
    plan.method = c.method;
    if (c.tables) plan.tables = XcsWalkTables{single.data(), dbl.data()};
    Bytes out(c.room, 0x99);
    const XcsWalkResult result = xcsWalk(plan, c.in.data(), c.in.size(), out.data(), out.size());
    out.resize(result.written);
    EXPECT_EQ(result.code, c.code) << c.what;
    EXPECT_EQ(out, c.out) << c.what;
  }
}

}  // namespace
