#pragma once
// Internal codes (ERR_*, xec*) and public return codes (ZORC_*).
//
// An internal code is an unsigned 32-bit value: bits 28-31 severity class
// (1 warning, 2 error, 4 severe), bits 16-27 component, bits 8-15 family,
// bits 0-7 number within the family. Public return codes are what the
// library's objects expose through ZoErrorCodes.
//
// The named codes come from common/return_codes.def, the list the name table
// is built from too; only the codes without a name-table row are here.

#include "../common/zo_types.h"

// Bit 28: set in every internal code of warning class.
inline constexpr ZO_ULONG ZO_WARNING_CLASS_BIT = 0x10000000u;

// Common-services codes without a name-table row.
inline constexpr ZO_ULONG XEC_NOT_STARTED_OR_NO_TRACE_FILE = 0x20806058u;
inline constexpr ZO_ULONG XEC_CONV_CONTROL_FILE_OPEN = 0x40806106u;
inline constexpr ZO_ULONG XEC_CCSID_NOT_FOUND = 0x40006107u;

// Service-definition name check (family 0x09, no name-table row)
inline constexpr ZO_ULONG ERR_SVCD_INVALID_NAME = 0x20800901u;

#define ZO_COMMON_CODE(name, value) inline constexpr ZO_ULONG name = value;
#define ZO_PUBLIC_CODE(name, value) inline constexpr ZO_LONG name = value;
#define ZO_INTERNAL_CODE(name, value) inline constexpr ZO_ULONG name = value;
#include "../common/return_codes.def"
#undef ZO_COMMON_CODE
#undef ZO_PUBLIC_CODE
#undef ZO_INTERNAL_CODE
