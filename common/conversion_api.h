#pragma once
// Code-page conversion by tables, as an application calls it.
//
// The common services' start reads the control file "VEXOCCS.TBL" from the
// directory VEXO_XLAT_PATH names; when it is not set, from the current
// directory, or, when that holds no control file, from the installed tables
// (<program folder>/../share/vexo/xlat/, then the installation prefix the
// library was built for). Conversion tables are read from the same directory,
// on first use, and kept until the stop.
//
// Every function answers XEC_NOT_STARTED_OR_NO_TRACE_FILE while the common
// services are not started, and writes its trace entry and exit lines under
// its own name, whether or not user tracing is on.
//
// Threads: any thread may call these functions between the start and the stop
// of the common services. The CCSID records and the loaded tables are each
// guarded by a lock of their own; a conversion holds the tables' lock while it
// walks, so conversions from several threads run one after another.

#include "../common/vexo_export.h"
#include "../common/zo_types.h"

// Results of xcsConvertString (besides 0 and the common-services codes).
inline constexpr ZO_LONG XCS_RC_SOURCE_CCSID_UNKNOWN = 2111;
inline constexpr ZO_LONG XCS_RC_TARGET_CCSID_UNKNOWN = 2115;
// Target buffer shorter than the source; also returned for unusable buffer
// arguments (a null pointer where bytes are needed, a negative length).
inline constexpr ZO_LONG XCS_RC_TARGET_TOO_SHORT = 2120;
inline constexpr ZO_LONG XCS_RC_NO_MEMORY = 2071;
inline constexpr ZO_LONG XCS_RC_TABLE_INVALID = 2119;

// Results of xxxCodeConv (passed on by xcsConvertString): a double-byte run
// that does not fit the source or the target.
inline constexpr ZO_LONG XCS_RC_NO_SOURCE_LEFT = -12;     // lead-byte walk: run ends the source
inline constexpr ZO_LONG XCS_RC_NO_ROOM_FOR_RUN = -13;    // lead-byte walk: fewer than 3 bytes of room
inline constexpr ZO_LONG XCS_RC_PAIR_PAST_TARGET = -14;   // shift-code walk: pair passes the target end
inline constexpr ZO_LONG XCS_RC_PAIR_PAST_SOURCE = -15;   // shift-code walk: pair passes the source end

// Conversion methods chosen from the CCSID types of source and target.
inline constexpr ZO_LONG XCS_METHOD_SHIFT_TO_MIXED = 1;   // shift codes in, shift codes dropped
inline constexpr ZO_LONG XCS_METHOD_LEAD_TO_SHIFT = 2;    // lead bytes in, shift codes written
inline constexpr ZO_LONG XCS_METHOD_LEAD_TO_LEAD = 3;     // lead bytes in and out
inline constexpr ZO_LONG XCS_METHOD_SHIFT_TO_SHIFT = 4;   // shift codes in and out

// result[0] := CCSID type, result[1] := shift mode. Returns 0,
// XEC_CCSID_NOT_FOUND or XEC_NOT_STARTED_OR_NO_TRACE_FILE.
VEXO_API ZO_LONG xcsQueryCCSIDType(ZO_LONG ccsid, ZO_LONG result[2]);

// Converts sourceLength bytes from sourceCcsid to targetCcsid into target,
// whose size *targetLength gives; on return *targetLength holds the bytes
// written. Returns 0, one of the XCS_RC_* codes or
// XEC_NOT_STARTED_OR_NO_TRACE_FILE. Neither buffer is read or written outside
// its given length.
VEXO_API ZO_LONG xcsConvertString(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, const ZO_BYTE* source,
                         ZO_LONG sourceLength, ZO_BYTE* target, ZO_LONG* targetLength);

// Shift codes around the double-byte runs of mixed data.
inline constexpr ZO_BYTE XCS_SHIFT_OUT = 0x0E;
inline constexpr ZO_BYTE XCS_SHIFT_IN = 0x0F;

// How xcsConvertString treats text between two CCSIDs, for callers that
// convert a stream in pieces and must cut it between characters.
inline constexpr ZO_LONG XCS_WALK_BYTES = 0;  // copied or converted byte by byte: any cut is safe
inline constexpr ZO_LONG XCS_WALK_SHIFT = 1;  // double-byte runs between XCS_SHIFT_OUT and XCS_SHIFT_IN
inline constexpr ZO_LONG XCS_WALK_LEAD = 2;   // double-byte characters start with a lead byte
struct XcsConversionShape {
  ZO_LONG walk;         // XCS_WALK_*
  ZO_LONG method;       // XCS_METHOD_*, 0 for a plain copy
  ZO_LONG leadByteSet;  // lead bytes of the source (XCS_WALK_LEAD)
};

// Fills *shape for a conversion from sourceCcsid to targetCcsid, loading its
// tables. Returns 0 or what xcsConvertString would return for these CCSIDs
// before converting (2111, 2115, 2071, 2119, XEC_NOT_STARTED_OR_NO_TRACE_FILE).
VEXO_API ZO_LONG xcsQueryConversion(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, XcsConversionShape* shape);

// ZO_TRUE when `byte` starts a double-byte character under the lead-byte set.
VEXO_API ZO_BOOLEAN xcsIsLeadByte(ZO_LONG leadByteSet, ZO_BYTE byte);
