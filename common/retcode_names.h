#pragma once
// Names of return codes: the name table and the lookup that turns any code
// (internal or public) into text for trace lines, failure reports and console
// messages.
//
// Threads: the table is constant and the lookup keeps no state; any thread may
// use them at any time, before the common services start too.

#include <cstddef>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"

// Room for a name and its terminator in a name-table record.
inline constexpr std::size_t ZO_RETCODE_NAME_SIZE = 52;
// Smallest buffer xtrFormatReturnCode may be given: the longest text it writes
// (the not-found text with both numbers) plus the terminator.
inline constexpr std::size_t ZO_RETCODE_TEXT_SIZE = 64;
// Code of the last record; the lookup stops there.
inline constexpr ZO_LONG ZO_RETCODE_SENTINEL = -1;

// One record of the name table: the code as a signed 32-bit value and its
// NUL-terminated, NUL-padded name.
struct ZoRetcodeName {
  ZO_LONG code;
  char name[ZO_RETCODE_NAME_SIZE];
};

// The name table in its search order; the last record is the sentinel
// {ZO_RETCODE_SENTINEL, "Not found in retcode translation table"}.
extern VEXO_API const ZoRetcodeName zoRetcodeNames[];
extern VEXO_API const std::size_t zoRetcodeNameCount;  // records, sentinel included

// Writes the text of `code` into `buffer`, which must hold at least
// ZO_RETCODE_TEXT_SIZE characters: "OK" for 0, the signed decimal number for
// any other code below 100 (negative ones included), else the first name the
// table holds for it, else the not-found text followed by the code in
// upper-case hexadecimal and in signed decimal. Never fails.
VEXO_API void xtrFormatReturnCode(char* buffer, ZO_ULONG code);
