#pragma once
// The files of the code-page conversion: the control file and the conversion
// tables. tools/mktables writes them and the conversion module reads them;
// both take their layout from here.

#include <cstddef>

// The control file, in the directory VEXO_XLAT_PATH names.
inline constexpr const char* XCS_CONTROL_FILE_NAME = "VEXOCCS.TBL";
// Numbers on one of its lines: CCSID, double-byte code page, single-byte code
// page, shift mode, CCSID type, lead-byte set.
inline constexpr int XCS_CONTROL_FIELDS = 6;
// Shift modes of a CCSID: single-byte data, or mixed data with shift codes.
inline constexpr int XCS_SHIFT_MODE_SINGLE = 1;
inline constexpr int XCS_SHIFT_MODE_MIXED = 3;

// A table file is named by its source and target code pages, four hex digits
// each, followed by this suffix.
inline constexpr const char* XCS_TABLE_SUFFIX = ".tbl";
// A single-byte table holds the output byte of every input byte.
inline constexpr std::size_t XCS_SINGLE_TABLE_SIZE = 256;
// A double-byte table is a run of rows of two output bytes per trail byte; the
// first row begins with the row number of every lead byte.
inline constexpr std::size_t XCS_ROW_TABLE_SIZE = 256;
inline constexpr std::size_t XCS_DOUBLE_ROW_SIZE = 2 * 256;
static_assert(XCS_ROW_TABLE_SIZE <= XCS_DOUBLE_ROW_SIZE, "the row numbers fit in the first row");

// A Unicode table maps a code page to UTF-16 code units (code page 1200) or
// back; it is named like a conversion table, with its own suffix. Entries are
// 16 bits, high byte first: 256 for a single-byte code page to Unicode, one
// per lead-byte pair (lead * 256 + trail) for a double-byte code page, and one
// per code unit from Unicode (a byte, or a lead-byte pair). XCS_UNICODE_NONE
// marks a character the other side does not hold.
inline constexpr int XCS_UNICODE_CODE_PAGE = 1200;
inline constexpr const char* XCS_UNICODE_TABLE_SUFFIX = ".uni";
inline constexpr std::size_t XCS_UNICODE_ENTRIES = 0x10000;
inline constexpr char16_t XCS_UNICODE_NONE = 0xFFFF;
