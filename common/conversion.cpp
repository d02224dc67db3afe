// Code-page conversion by tables: the public functions and the CCSID tree
// the common-services control block holds. The tables are kept in
// conversion_tables.cpp, the walks are in conversion_walk.cpp.
#include "common/conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "common/conversion_files.h"
#include "common/conversion_tables.h"
#include "common/conversion_walk.h"
#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/report.h"
#include "common/services.h"
#include "common/sysutil.h"
#include "common/trace.h"

namespace {

constexpr ZO_LONG kNotStarted = static_cast<ZO_LONG>(XEC_NOT_STARTED_OR_NO_TRACE_FILE);

// Guards the CCSID records and the tree in the control block: the start and
// stop change them, the other entry points read them under it.
std::mutex g_recordsMutex;
using RecordsLock = std::lock_guard<std::mutex>;

// Storage of the records the tree in the control block links together.
std::unique_ptr<XcsCcsidRecord[]> g_records;

// Links records[first, last) (sorted by CCSID) into a balanced tree.
XcsCcsidRecord* linkBalanced(XcsCcsidRecord* records, std::size_t first, std::size_t last) {
  if (first >= last) return nullptr;
  std::size_t middle = first + (last - first) / 2;
  XcsCcsidRecord* node = &records[middle];
  node->left = linkBalanced(records, first, middle);
  node->right = linkBalanced(records, middle + 1, last);
  return node;
}

const XcsCcsidRecord* findCcsid(const XrkControlBlock* block, ZO_LONG ccsid) {
  const XcsCcsidRecord* node = block->ccsidTree;
  while (node && node->ccsid != ccsid) node = ccsid < node->ccsid ? node->left : node->right;
  return node;
}

// Source and target records as one conversion sees them.
struct Sides {
  XcsCcsidRecord from{};
  XcsCcsidRecord to{};
  bool samePages() const {
    return from.singleByteCp == to.singleByteCp && from.doubleByteCp == to.doubleByteCp;
  }
};

void clearDoubleByte(XcsCcsidRecord& record) {
  record.shiftMode = XCS_SHIFT_MODE_SINGLE;
  record.doubleByteCp = 0;
  xcsCodePageText(0, record.doubleByteText);
}

// Looks both CCSIDs up (one CCSID on both sides needs no record: every code
// page is 0) and adjusts single-byte data meeting mixed data. 0, 2111 or 2115.
ZO_LONG resolveSides(const XrkControlBlock& block, ZO_LONG sourceCcsid, ZO_LONG targetCcsid, Sides& sides) {
  xcsCodePageText(0, sides.from.singleByteText);
  xcsCodePageText(0, sides.from.doubleByteText);
  sides.to = sides.from;
  if (sourceCcsid == targetCcsid) return 0;
  RecordsLock lock(g_recordsMutex);
  const XcsCcsidRecord* s = findCcsid(&block, sourceCcsid);
  if (!s) return XCS_RC_SOURCE_CCSID_UNKNOWN;
  const XcsCcsidRecord* t = findCcsid(&block, targetCcsid);
  if (!t) return XCS_RC_TARGET_CCSID_UNKNOWN;
  sides.from = *s;
  sides.to = *t;
  // The mixed side's double-byte part drops out.
  if (sides.to.shiftMode == XCS_SHIFT_MODE_MIXED && sides.from.shiftMode == XCS_SHIFT_MODE_SINGLE)
    clearDoubleByte(sides.to);
  else if (sides.to.shiftMode == XCS_SHIFT_MODE_SINGLE && sides.from.shiftMode == XCS_SHIFT_MODE_MIXED)
    clearDoubleByte(sides.from);
  return 0;
}

// Chooses the method and loads the tables. 0, 2071 or 2119.
ZO_LONG openSides(const Sides& sides, ZO_LONG& method, ZO_LONG& tables) {
  method = xcsMethodFor(sides.from.ccsidType, sides.to.ccsidType);
  if (method == 0) return XCS_RC_TABLE_INVALID;  // a CCSID type outside 1 to 3
  tables = xxxOpenConv(sides.to.singleByteText, sides.to.doubleByteText, sides.from.singleByteText,
                       sides.from.doubleByteText, sides.from.leadByteSet);
  if (tables != -1) return 0;
  int error = errno;
  if (error == ENOMEM) return XCS_RC_NO_MEMORY;
  if (error != EINVAL)
    xrk_xcsPVRT("xcsConvertString", 1, XCS_RC_TABLE_INVALID, error, "Unexpected Error from xxxOpenConv", " ",
                " ");
  return XCS_RC_TABLE_INVALID;
}

// xxxCodeConv with the source's lead-byte set when the caller knows it;
// otherwise the double-byte table's (none with the same double-byte code page
// on both sides: the default ranges).
ZO_LONG codeConv(const ZO_BYTE* source, ZO_LONG sourceLength, ZO_BYTE* target, ZO_LONG* targetLength,
                 ZO_LONG tables, ZO_LONG method, std::optional<ZO_LONG> sourceLeadByteSet) {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xxxCodeConv", rc);
  if (!targetLength || *targetLength < 0 || sourceLength < 0 || (!source && sourceLength > 0) ||
      (!target && *targetLength > 0))
    return zoSetOutcomeCode(rc, XCS_RC_TARGET_TOO_SHORT);
  XcsTableUse use(tables);
  if (!use.valid() || method < XCS_METHOD_SHIFT_TO_MIXED || method > XCS_METHOD_SHIFT_TO_SHIFT) {
    *targetLength = 0;
    return zoSetOutcomeCode(rc, XCS_RC_TABLE_INVALID);
  }
  XcsWalkPlan plan;
  plan.walk = xcsWalkFor(method, use.doubleByteData());
  plan.method = method;
  plan.leadByteSet = sourceLeadByteSet.value_or(use.leadByteSet());
  plan.tables = use.tables();
  const XcsWalkResult result =
      xcsWalk(plan, source, static_cast<std::size_t>(sourceLength), target, static_cast<std::size_t>(*targetLength));
  *targetLength = static_cast<ZO_LONG>(result.written);
  return zoSetOutcomeCode(rc, result.code);
}

}  // namespace

// ---------------------------------------------------------------------------

ZO_LONG xxxInitialize() {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xxxInitialize", rc);
  XrkControlBlock* block = xrkControlBlock();
  if (!block) {
    rc = XEC_NOT_STARTED_OR_NO_TRACE_FILE;
    return kNotStarted;
  }
  block->systemCodePage = ObtainSystemCp();

  std::vector<XcsCcsidRecord> records;
  if (!xcsLoadControlFile(records)) return zoSetOutcomeCode(rc, static_cast<ZO_LONG>(XEC_CONV_CONTROL_FILE_OPEN));

  std::unique_ptr<XcsCcsidRecord[]> storage;
  if (!records.empty()) {
    storage.reset(new (std::nothrow) XcsCcsidRecord[records.size()]);
    if (!storage) {
      xtrText("No storage for the CCSID records");
      records.clear();
    }
  }
  if (storage) std::copy(records.begin(), records.end(), storage.get());
  RecordsLock lock(g_recordsMutex);
  block->ccsidTree = linkBalanced(storage.get(), 0, records.size());
  g_records = std::move(storage);
  return 0;
}

ZO_LONG xxxTerminate() {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xxxTerminate", rc);
  {
    RecordsLock lock(g_recordsMutex);
    if (XrkControlBlock* block = xrkControlBlock()) block->ccsidTree = nullptr;
    g_records.reset();
  }
  xcsReleaseTables();
  return 0;
}

ZO_LONG xcsQueryCCSIDType(ZO_LONG ccsid, ZO_LONG result[2]) {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xcsQueryCCSIDType", rc);
  const XrkControlBlock* block = xrkControlBlock();
  if (!block) {
    rc = XEC_NOT_STARTED_OR_NO_TRACE_FILE;
    return kNotStarted;
  }
  RecordsLock lock(g_recordsMutex);
  const XcsCcsidRecord* record = findCcsid(block, ccsid);
  if (!record || !result) {
    return zoSetOutcomeCode(rc, static_cast<ZO_LONG>(XEC_CCSID_NOT_FOUND));
  }
  result[0] = record->ccsidType;
  result[1] = record->shiftMode;
  return 0;
}

ZO_LONG xcsConvertString(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, const ZO_BYTE* source,
                         ZO_LONG sourceLength, ZO_BYTE* target, ZO_LONG* targetLength) {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xcsConvertString", rc);
  const XrkControlBlock* block = xrkControlBlock();
  if (!block) return zoSetOutcomeCode(rc, kNotStarted);
  if (!targetLength || *targetLength < 0 || sourceLength < 0 || (!source && sourceLength > 0) ||
      (!target && *targetLength > 0))
    return zoSetOutcomeCode(rc, XCS_RC_TARGET_TOO_SHORT);

  Sides sides;
  if (ZO_LONG code = resolveSides(*block, sourceCcsid, targetCcsid, sides))
    return zoSetOutcomeCode(rc, code);
  if (sourceLength == 0) {
    *targetLength = 0;
    return 0;
  }
  if (sides.samePages()) {
    if (*targetLength < sourceLength) {
      // An empty target may be given as a null pointer: copy nothing then.
      if (*targetLength > 0) std::memcpy(target, source, static_cast<std::size_t>(*targetLength));
      return zoSetOutcomeCode(rc, XCS_RC_TARGET_TOO_SHORT);
    }
    std::memcpy(target, source, static_cast<std::size_t>(sourceLength));
    *targetLength = sourceLength;
    return 0;
  }
  if (*targetLength < sourceLength) return zoSetOutcomeCode(rc, XCS_RC_TARGET_TOO_SHORT);

  ZO_LONG method = 0;
  ZO_LONG tables = 0;
  if (ZO_LONG code = openSides(sides, method, tables)) return zoSetOutcomeCode(rc, code);
  return zoSetOutcomeCode(
      rc, codeConv(source, sourceLength, target, targetLength, tables, method, sides.from.leadByteSet));
}

ZO_LONG xcsQueryConversion(ZO_LONG sourceCcsid, ZO_LONG targetCcsid, XcsConversionShape* shape) {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xcsQueryConversion", rc);
  const XrkControlBlock* block = xrkControlBlock();
  if (!block) return zoSetOutcomeCode(rc, kNotStarted);
  if (!shape) return zoSetOutcomeCode(rc, XCS_RC_TARGET_TOO_SHORT);
  *shape = XcsConversionShape{XCS_WALK_BYTES, 0, 0};
  Sides sides;
  if (ZO_LONG code = resolveSides(*block, sourceCcsid, targetCcsid, sides))
    return zoSetOutcomeCode(rc, code);
  if (sides.samePages()) return 0;
  ZO_LONG method = 0;
  ZO_LONG tables = 0;
  if (ZO_LONG code = openSides(sides, method, tables)) return zoSetOutcomeCode(rc, code);
  shape->method = method;
  shape->walk = xcsWalkFor(method, tables % XCS_TABLE_POSITION_FACTOR != XCS_TABLE_NONE);
  if (shape->walk == XCS_WALK_LEAD) shape->leadByteSet = sides.from.leadByteSet;
  return 0;
}

ZO_BOOLEAN xcsIsLeadByte(ZO_LONG leadByteSet, ZO_BYTE byte) { return xcsLeadByte(leadByteSet, byte) ? TRUE : FALSE; }

ZO_LONG xxxOpenConv(const char* targetSingle, const char* targetDouble, const char* sourceSingle,
                    const char* sourceDouble, ZO_LONG leadByteSet) {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xxxOpenConv", rc);
  return zoSetOutcomeCode(rc, xcsOpenTables(targetSingle, targetDouble, sourceSingle, sourceDouble, leadByteSet));
}

ZO_LONG xxxCodeConv(const ZO_BYTE* source, ZO_LONG sourceLength, ZO_BYTE* target,
                    ZO_LONG* targetLength, ZO_LONG tables, ZO_LONG method) {
  return codeConv(source, sourceLength, target, targetLength, tables, method, std::nullopt);
}

ZO_LONG xcsLoadUnicodeTables(ZO_LONG ccsid, XcsUnicodeTables& tables) {
  ZO_ULONG rc = 0;
  XTR_SERVICE("xcsLoadUnicodeTables", rc);
  const XrkControlBlock* block = xrkControlBlock();
  if (!block) return zoSetOutcomeCode(rc, kNotStarted);
  XcsCcsidRecord record{};
  {
    RecordsLock lock(g_recordsMutex);
    const XcsCcsidRecord* found = findCcsid(block, ccsid);
    if (!found) return zoSetOutcomeCode(rc, static_cast<ZO_LONG>(XEC_CCSID_NOT_FOUND));
    record = *found;
  }
  tables = XcsUnicodeTables();
  const bool mixed = record.shiftMode == XCS_SHIFT_MODE_MIXED;
  // Shift codes are not walked here: only lead-byte mixed data.
  if (mixed && record.ccsidType != 2 && record.ccsidType != 3) return zoSetOutcomeCode(rc, XCS_RC_TABLE_INVALID);
  if (!xcsReadUnicodePage(record.singleByteText, false, tables.single) ||
      (mixed && !xcsReadUnicodePage(record.doubleByteText, true, tables.dbl)))
    return zoSetOutcomeCode(rc, XCS_RC_TABLE_INVALID);
  tables.hasDouble = mixed;
  tables.leadByteSet = record.leadByteSet;
  return 0;
}
