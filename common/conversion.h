#pragma once
// Code-page conversion, the library's side: the CCSID tree kept in the
// common-services control block, the start and stop the common services call,
// and the table-level calls under xcsConvertString. What applications call is
// in common/conversion_api.h.
//
// Threads: as common/conversion_api.h says; the functions here take the same
// locks. The table positions xxxOpenConv returns stay valid until xxxTerminate.

#include "common/conversion_api.h"
#include "common/conversion_walk.h"
#include "common/zo_types.h"

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

// The Unicode tables of one CCSID's code pages, for turning UTF-8 text into
// that CCSID and back without the conversion tables.
struct XcsUnicodeTables {
  XcsUnicodePage single;
  XcsUnicodePage dbl;
  bool hasDouble = false;
  ZO_LONG leadByteSet = 0;
  // The walk over these tables; single-byte characters only without `doubleByte`.
  XcsUnicodeWalk walk(bool doubleByte) const {
    return XcsUnicodeWalk{&single, doubleByte && hasDouble ? &dbl : nullptr, leadByteSet};
  }
};

// Reads the Unicode tables of `ccsid`, a single-byte CCSID or one whose
// double-byte characters start with a lead byte. Returns 0,
// XEC_CCSID_NOT_FOUND, XCS_RC_TABLE_INVALID (a host mixed CCSID, or a table
// missing or of the wrong size) or XEC_NOT_STARTED_OR_NO_TRACE_FILE.
ZO_LONG xcsLoadUnicodeTables(ZO_LONG ccsid, XcsUnicodeTables& tables);
