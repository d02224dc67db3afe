#pragma once
// Code-page conversion by tables.
//
// At start-up xxxInitialize reads the control file "VEXOCCS.TBL" (directory
// from VEXO_XLAT_PATH, else the current directory) into a binary search tree of
// CCSID records whose root lives in the common-services control block.
// Conversion tables are loaded from "<directory><name>.tbl" on first use and
// kept until xxxTerminate.
//
// The functions that read the CCSID tree (xxxInitialize, xcsQueryCCSIDType,
// xcsConvertString, xcsQueryConversion) answer
// XEC_NOT_STARTED_OR_NO_TRACE_FILE while the common services are not
// started. Every function writes its trace entry and exit lines under its own
// name, and its trace texts, whether or not user tracing is on. The module
// keeps process-wide state without locks: one thread only.

#include "common/zo_types.h"

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

// Table positions returned by xxxOpenConv (single position * 1000 + double).
inline constexpr ZO_LONG XCS_TABLE_NONE = 0;
inline constexpr ZO_LONG XCS_TABLE_IDENTITY = 999;
inline constexpr ZO_LONG XCS_TABLE_POSITION_FACTOR = 1000;

// One known CCSID, a node of the tree kept in the common-services control block.
// The tree is built and released by this module only.
struct XcsCcsidRecord {
  ZO_LONG ccsid;
  ZO_LONG singleByteCp;
  ZO_LONG doubleByteCp;
  ZO_LONG ccsidType;
  ZO_LONG shiftMode;
  ZO_LONG leadByteSet;
  char singleByteText[9];  // singleByteCp as "%04lx" (at most 8 hex digits)
  char doubleByteText[9];  // doubleByteCp as "%04lx"
  XcsCcsidRecord* left;    // smaller CCSIDs
  XcsCcsidRecord* right;   // greater CCSIDs
};

// Records the system code page and loads the control file. Returns 0,
// XEC_CONV_CONTROL_FILE_OPEN (no CCSID known afterwards) or
// XEC_NOT_STARTED_OR_NO_TRACE_FILE. Called by xrkInitCommonServices.
ZO_LONG xxxInitialize();

// Releases the CCSID tree, every loaded table and the table list. Returns 0.
ZO_LONG xxxTerminate();

// result[0] := CCSID type, result[1] := shift mode. Returns 0,
// XEC_CCSID_NOT_FOUND or XEC_NOT_STARTED_OR_NO_TRACE_FILE.
ZO_LONG xcsQueryCCSIDType(ZO_LONG ccsid, ZO_LONG result[2]);

// Converts sourceLength bytes from sourceCcsid to targetCcsid into target,
// whose size *targetLength gives; on return *targetLength holds the bytes
// written. Returns 0, one of the XCS_RC_* codes or
// XEC_NOT_STARTED_OR_NO_TRACE_FILE. Neither buffer is read or written outside
// its given length.
ZO_LONG xcsConvertString(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, const ZO_BYTE* source,
                         ZO_LONG sourceLength, ZO_BYTE* target, ZO_LONG* targetLength);

// Makes sure the single-byte and double-byte tables between the given code
// pages (hex texts as kept in the CCSID records) are loaded. Returns
// single position * 1000 + double position, or -1 with errno set to ENOMEM
// (12) or EINVAL (22: file missing or invalid).
ZO_LONG xxxOpenConv(const char* targetSingle, const char* targetDouble, const char* sourceSingle,
                    const char* sourceDouble, ZO_LONG leadByteSet);

// Converts with the tables xxxOpenConv returned, by the given method. Stops
// when the source is used up or the target is full; *targetLength is the
// target size on entry and the bytes written on return. Returns 0 or one of
// the negative XCS_RC_* codes. The lead-byte walk takes the lead-byte set kept
// with the double-byte table (the default ranges without one);
// xcsConvertString gives it the source CCSID's set in every case.
ZO_LONG xxxCodeConv(const ZO_BYTE* source, ZO_LONG sourceLength, ZO_BYTE* target,
                    ZO_LONG* targetLength, ZO_LONG tables, ZO_LONG method);

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
ZO_LONG xcsQueryConversion(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, XcsConversionShape* shape);

// TRUE when `byte` starts a double-byte character under the lead-byte set.
ZO_BOOLEAN xcsIsLeadByte(ZO_LONG leadByteSet, ZO_BYTE byte);
