#pragma once
// The conversion walks: how a source buffer becomes a target buffer through a
// single-byte and a double-byte table held in memory. Pure functions: they
// read no files, keep no state and take no lock, so any thread may call them
// with tables it holds.

#include <cstddef>
#include <string>
#include <vector>

#include "common/conversion_api.h"
#include "common/zo_types.h"

// The tables of one conversion; a null table passes its bytes unchanged.
struct XcsWalkTables {
  const ZO_BYTE* single = nullptr;  // XCS_SINGLE_TABLE_SIZE bytes
  const ZO_BYTE* dbl = nullptr;     // a double-byte table whose row numbers all lie inside it
};

// One conversion: the walk (XCS_WALK_*), the method (XCS_METHOD_*), the
// source's lead-byte set (lead-byte walk) and the tables.
struct XcsWalkPlan {
  ZO_LONG walk = XCS_WALK_BYTES;
  ZO_LONG method = 0;
  ZO_LONG leadByteSet = 0;
  XcsWalkTables tables;
};

// What a walk did: 0 or one of the negative XCS_RC_* codes, and the bytes it
// wrote (also when it stops early).
struct XcsWalkResult {
  ZO_LONG code = 0;
  std::size_t written = 0;
};

// Converts source[0, sourceLength) into target[0, capacity) by `plan`; never
// reads or writes outside the two ranges.
XcsWalkResult xcsWalk(const XcsWalkPlan& plan, const ZO_BYTE* source, std::size_t sourceLength, ZO_BYTE* target,
                      std::size_t capacity);

// The walk a method takes: byte by byte without double-byte data, else by
// shift codes (methods 1 and 4) or by lead bytes (methods 2 and 3).
ZO_LONG xcsWalkFor(ZO_LONG method, bool doubleByteData);

// The method between two CCSID types (1: host mixed, 2 and 3: lead-byte data);
// 0 for a type outside 1 to 3.
ZO_LONG xcsMethodFor(ZO_LONG sourceType, ZO_LONG targetType);

// Whether `b` starts a double-byte character under the lead-byte set.
bool xcsLeadByte(ZO_LONG leadByteSet, ZO_BYTE b);

// A code page's Unicode tables in memory, as conversion_files.h describes
// their entries (XCS_UNICODE_NONE for no character).
struct XcsUnicodePage {
  std::vector<char16_t> toUnicode;    // by byte, or by lead-byte pair
  std::vector<char16_t> fromUnicode;  // by UTF-16 code unit
};

// A CCSID's text to and from UTF-8: its single-byte code page's tables, and
// for double-byte characters (lead bytes under the lead-byte set) its
// double-byte code page's; without `dbl` every byte is a character.
struct XcsUnicodeWalk {
  const XcsUnicodePage* single = nullptr;
  const XcsUnicodePage* dbl = nullptr;
  ZO_LONG leadByteSet = 0;
};

// UTF-8 `source` (checked well-formed by the caller) as the CCSID's bytes,
// appended to `out`. False at the first character the CCSID does not hold
// (also one above U+FFFF), with `failedAt` its offset in the source.
bool xcsUtf8ToPage(const XcsUnicodeWalk& walk, const ZO_BYTE* source, std::size_t length, std::vector<ZO_BYTE>& out,
                   std::size_t& failedAt);

// The CCSID's bytes as UTF-8, appended to `out`. False at the first byte or
// pair that is no character, or that the tables would not give back as the
// same bytes (a pair for a character the single-byte code page holds too),
// with `failedAt` its offset in the source.
bool xcsPageToUtf8(const XcsUnicodeWalk& walk, const ZO_BYTE* source, std::size_t length, std::string& out,
                   std::size_t& failedAt);
