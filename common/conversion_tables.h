#pragma once
// The conversion tables of the process: the folder they are read from, the
// control file's CCSID records and the tables loaded on first use, kept until
// they are released.
//
// Threads: one lock guards the folder and the table list. Every function here
// takes it for its whole run; an XcsTableUse holds it while it lives, so the
// tables it hands out stay as they are until it ends.

#include <mutex>
#include <vector>

#include "common/conversion.h"
#include "common/conversion_walk.h"
#include "common/zo_types.h"

// Finds the control file (in VEXO_XLAT_PATH; without it in the current
// directory, then in the installed tables), makes its folder the one tables
// are read from, and reads its records sorted by CCSID (a later line for a
// CCSID replaces an earlier one). False, traced, when no control file opens.
bool xcsLoadControlFile(std::vector<XcsCcsidRecord>& records);

// `codePage` as the "%04lx" text the records and table names use.
void xcsCodePageText(ZO_LONG codePage, char (&text)[9]);

// Position of the table from `source` to `target` (hex texts), loaded when
// needed, as xxxOpenConv describes; -1 with errno set.
ZO_LONG xcsOpenTables(const char* targetSingle, const char* targetDouble, const char* sourceSingle,
                      const char* sourceDouble, ZO_LONG leadByteSet);

// Reads the Unicode tables of `codePage` (a hex text as the records keep it)
// from the folder tables are read from; false, traced, when one is missing or
// has the wrong size.
bool xcsReadUnicodePage(const char* codePage, bool doubleByte, XcsUnicodePage& page);

// Releases every loaded table and the table list.
void xcsReleaseTables();

// The tables at the positions xcsOpenTables returned, held under the lock
// while the object lives.
class XcsTableUse {
 public:
  explicit XcsTableUse(ZO_LONG tables);
  XcsTableUse(const XcsTableUse&) = delete;
  XcsTableUse& operator=(const XcsTableUse&) = delete;

  // False when a position names no usable table (nothing loaded there, or a
  // table of the wrong size).
  bool valid() const { return valid_; }
  // Whether the positions include double-byte data (a double-byte table, or
  // the same double-byte code page on both sides).
  bool doubleByteData() const { return doubleByteData_; }
  const XcsWalkTables& tables() const { return tables_; }
  // The lead-byte set kept with the double-byte table; 0 without one.
  ZO_LONG leadByteSet() const { return leadByteSet_; }

 private:
  std::unique_lock<std::mutex> lock_;
  bool valid_ = true;
  bool doubleByteData_ = false;
  XcsWalkTables tables_;
  ZO_LONG leadByteSet_ = 0;
};
