#pragma once
// Value sets shared by definitions, stores and the message runtime: data
// types, alignments, pad characters, display attributes and service types.

#include <cstdint>
#include <string>
#include <string_view>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"

// Data types of fields and field definitions.
inline constexpr ZO_LONG ZODT_NONE = 10;
inline constexpr ZO_LONG ZODT_STRING = 11;
inline constexpr ZO_LONG ZODT_SHORT = 12;
inline constexpr ZO_LONG ZODT_LONG = 13;
inline constexpr ZO_LONG ZODT_BYTE = 14;
inline constexpr ZO_LONG ZODT_AUTHENTICATOR = 15;
inline constexpr ZO_LONG ZODT_SYSTEM_AUTHENTICATOR = 16;

// Alignments a field or a data buffer may ask for.
inline constexpr ZO_LONG ZO_ALIGN_1 = 1;  // the default
inline constexpr ZO_LONG ZO_ALIGN_2 = 2;
inline constexpr ZO_LONG ZO_ALIGN_4 = 4;
inline constexpr ZO_LONG ZO_ALIGN_8 = 8;

// Pad characters a field may use.
inline constexpr ZO_BYTE ZO_PAD_BLANK = 0x20;  // the default
inline constexpr ZO_BYTE ZO_PAD_ZERO = 0x00;

// Ranges of the display attributes: every attribute has a default that a new
// field holds and a value that means "no attributes".
inline constexpr ZO_LONG ZO_COLOR_MIN = 0;
inline constexpr ZO_LONG ZO_COLOR_MAX = 17;
inline constexpr ZO_LONG ZO_COLOR_DEFAULT = 0;
inline constexpr ZO_LONG ZO_COLOR_NO_ATTRIBUTES = 1;
inline constexpr ZO_LONG ZO_INTENSITY_MIN = 30;
inline constexpr ZO_LONG ZO_INTENSITY_MAX = 35;
inline constexpr ZO_LONG ZO_INTENSITY_DEFAULT = 30;
inline constexpr ZO_LONG ZO_INTENSITY_NO_ATTRIBUTES = 31;
inline constexpr ZO_LONG ZO_HIGHLIGHT_MIN = 20;
inline constexpr ZO_LONG ZO_HIGHLIGHT_MAX = 26;
inline constexpr ZO_LONG ZO_HIGHLIGHT_DEFAULT = 20;
inline constexpr ZO_LONG ZO_HIGHLIGHT_NO_ATTRIBUTES = 21;
inline constexpr ZO_LONG ZO_PROTECTION_MIN = 40;
inline constexpr ZO_LONG ZO_PROTECTION_MAX = 44;
inline constexpr ZO_LONG ZO_PROTECTION_DEFAULT = 40;
inline constexpr ZO_LONG ZO_PROTECTION_NO_ATTRIBUTES = 41;
// With attributes on, this protection marks a field whose value the message
// refuses to set.
inline constexpr ZO_LONG ZO_PROTECTION_PROTECTED = 42;
// Named values within the ranges: a field shown brighter than normal, a field
// not shown at all (its value is hidden), and colors and highlights a field
// may be given. 1, 21, 31 and 41 are left out: they mean "no attributes".
inline constexpr ZO_LONG ZO_INTENSITY_BRIGHT = 32;
inline constexpr ZO_LONG ZO_INTENSITY_DARK = 33;
inline constexpr ZO_LONG ZO_COLOR_BLUE = 2;
inline constexpr ZO_LONG ZO_COLOR_RED = 3;
inline constexpr ZO_LONG ZO_COLOR_PINK = 4;
inline constexpr ZO_LONG ZO_COLOR_GREEN = 5;
inline constexpr ZO_LONG ZO_COLOR_TURQUOISE = 6;
inline constexpr ZO_LONG ZO_COLOR_YELLOW = 7;
inline constexpr ZO_LONG ZO_COLOR_NEUTRAL = 8;
inline constexpr ZO_LONG ZO_HIGHLIGHT_BLINK = 22;
inline constexpr ZO_LONG ZO_HIGHLIGHT_REVERSE = 23;
inline constexpr ZO_LONG ZO_HIGHLIGHT_UNDERLINE = 24;

// Service types.
inline constexpr ZO_LONG ZOST_RK = 0;
inline constexpr ZO_LONG ZOST_PLV_VIA_RK = 1;
inline constexpr ZO_LONG ZOST_KOVA_XPC_VIA_RK = 2;
inline constexpr ZO_LONG ZOST_KOVA_XPC_DIRECT = 3;
inline constexpr ZO_LONG ZOST_KOVA_8631_DIRECT = 4;

// Keyword the databases use for a data type ("STRING", "SHORT", "LONG",
// "BYTE", "AUTHENTICATOR", "SYSTEM_AUTHENTICATOR"); "" for ZODT_NONE and any
// value outside the set.
VEXO_API const char* zoDataTypeKeyword(ZO_LONG dataType);
// Data type named by a keyword, compared without regard to case; ZODT_NONE
// when the keyword names none.
VEXO_API ZO_LONG zoDataTypeFromKeyword(const ZoString& keyword);
// TRUE for 1, 2, 4 and 8.
VEXO_API ZO_BOOLEAN zoIsValidAlignment(ZO_LONG alignment);
// The values a field of a numeric type holds in a record, in `low` and
// `high`: ZODT_LONG and ZODT_SHORT signed, ZODT_BYTE unsigned. FALSE, with
// both 0, for any other type.
VEXO_API ZO_BOOLEAN zoDataTypeRange(ZO_LONG dataType, std::int64_t& low, std::int64_t& high);

// A decimal text without the zeros before its first significant digit, so
// that its length tells its magnitude: "-00437" gives "-437", "000" gives "0".
// Only zeros followed by another digit are dropped.
VEXO_API std::string zoWithoutLeadingZeros(std::string_view decimal);
