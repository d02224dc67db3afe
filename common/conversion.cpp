// Code-page conversion by tables: the CCSID tree read from the control file,
// the list of loaded conversion tables and the conversion walks.
#include "common/conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "common/conversion_files.h"
#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/report.h"
#include "common/services.h"
#include "common/sysutil.h"
#include "common/trace.h"
#include "platform/platform.h"

namespace {

constexpr const char* kXlatPathVariable = "VEXO_XLAT_PATH";
// The installed tables, below the installation prefix.
constexpr const char* kInstalledXlatSubdir = "share/vexo/xlat";

constexpr ZO_BYTE kHostNewLine = 0x15;
constexpr ZO_BYTE kHostLineFeed = 0x25;

constexpr std::size_t kDoubleTableMin = XCS_DOUBLE_ROW_SIZE + 1;  // more than one row
constexpr std::size_t kDoubleTableMax = 256 * XCS_DOUBLE_ROW_SIZE;  // row numbers are bytes

constexpr std::size_t kTableListGrowth = 50;
// Positions 999 and up cannot be told apart from the "same code page" marker
// or do not fit the position * 1000 encoding, so the list stops short of them.
constexpr std::size_t kTableListMax = 998;
static_assert(static_cast<ZO_LONG>(kTableListMax) < XCS_TABLE_IDENTITY && XCS_TABLE_IDENTITY < XCS_TABLE_POSITION_FACTOR);

constexpr char kTagLoaded[4] = {'I', 'C', 'N', 'V'};
constexpr char kTagFailed[4] = {'?', '?', '?', '?'};
constexpr std::size_t kMaxHexText = 8;

constexpr ZO_LONG kNotStarted = static_cast<ZO_LONG>(XEC_NOT_STARTED_OR_NO_TRACE_FILE);

// Guards the CCSID records and the table list: every entry point that reads
// or changes them holds it for its whole run (recursive, since they call one
// another), so the module may be used from several threads at once.
std::recursive_mutex g_conversionMutex;
using ConversionLock = std::lock_guard<std::recursive_mutex>;

// ---------------------------------------------------------------------------
// Where the control file and the tables are read

// The installed tables the start found when VEXO_XLAT_PATH is not set and the
// current directory holds no control file; empty: the current directory.
std::string g_installedDir;

bool xlatPathSet() {
  const char* dir = platformGetEnv(kXlatPathVariable);
  return dir != nullptr && *dir != '\0';
}

// VEXO_XLAT_PATH when set, else where the start found the control file.
std::string tableDirectory() {
  return xlatPathSet() ? platformDirWithSeparator(platformGetEnv(kXlatPathVariable)) : g_installedDir;
}

// The installed tables: beside the program (<program folder>/../share/vexo/xlat/,
// which holds wherever the installed tree is copied), then under the prefix
// the library was built for.
std::vector<std::string> installedTableDirs() {
  std::vector<std::string> dirs;
  std::string program = platformProgramPath();
  std::size_t slash = program.find_last_of("/\\");
  if (slash != std::string::npos) {
    std::size_t parent = slash == 0 ? std::string::npos : program.find_last_of("/\\", slash - 1);
    if (parent != std::string::npos) {
      dirs.push_back(platformDirWithSeparator((program.substr(0, parent + 1) + kInstalledXlatSubdir).c_str()));
    }
  }
#ifdef VEXO_INSTALL_XLAT_DIR
  dirs.push_back(platformDirWithSeparator(VEXO_INSTALL_XLAT_DIR));
#endif
  return dirs;
}

// ---------------------------------------------------------------------------
// CCSID records

// Storage of the records the tree in the control block links together.
std::unique_ptr<XcsCcsidRecord[]> g_records;

// Reads one control-file field like the C library's decimal conversion: an
// optional sign and the leading digits. Non-numeric text, and a number that
// does not fit 32 bits, read as 0.
ZO_LONG decimalField(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 0x80000000LL) return 0;
  }
  if (negative) value = -value;
  if (value > 0x7FFFFFFFLL || value < -0x80000000LL) return 0;
  return static_cast<ZO_LONG>(value);
}

void hexText(ZO_LONG codePage, char (&text)[kMaxHexText + 1]) {
  std::snprintf(text, sizeof text, "%04lx",
                static_cast<unsigned long>(static_cast<std::uint32_t>(codePage)));
}

// Splits a line at runs of blank, tab, newline, vertical tab, form feed and
// carriage return, keeping at most the first six fields.
std::vector<std::string> controlFields(const std::string& line) {
  static constexpr const char* kSeparators = " \t\n\v\f\r";
  std::vector<std::string> fields;
  std::size_t pos = line.find_first_not_of(kSeparators);
  while (pos != std::string::npos && fields.size() < XCS_CONTROL_FIELDS) {
    std::size_t end = line.find_first_of(kSeparators, pos);
    fields.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    pos = end == std::string::npos ? end : line.find_first_not_of(kSeparators, end);
  }
  return fields;
}

// Reads the next line of `file` into `line`, without its line end (fields
// are separated by blanks and carriage returns alike). False at the end.
bool readLine(std::FILE* file, std::string& line) {
  line.clear();
  int c = std::fgetc(file);
  if (c == EOF) return false;
  for (; c != EOF && c != '\n'; c = std::fgetc(file)) line.push_back(static_cast<char>(c));
  return true;
}

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

// ---------------------------------------------------------------------------
// Loaded-table list

struct LoadedTable {
  char tag[4] = {0, 0, 0, 0};
  char name[2 * kMaxHexText + 1] = {};
  std::unique_ptr<ZO_BYTE[]> data;
  std::size_t size = 0;
  ZO_LONG leadByteSet = 0;

  bool loaded() const { return std::memcmp(tag, kTagLoaded, sizeof tag) == 0; }
};

std::unique_ptr<LoadedTable[]> g_tables;
std::size_t g_tableCount = 0;

bool isHexText(const char* text) {
  if (!text) return false;
  std::size_t n = std::strlen(text);
  if (n == 0 || n > kMaxHexText) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

// Entry `position` (1-based) when it holds a loaded table, else null.
const LoadedTable* loadedTable(ZO_LONG position) {
  if (position < 1 || static_cast<std::size_t>(position) > g_tableCount) return nullptr;
  const LoadedTable& entry = g_tables[static_cast<std::size_t>(position) - 1];
  return entry.loaded() ? &entry : nullptr;
}

// Index of a free entry, growing the list when every entry is taken;
// g_tableCount when no entry can be had (errno says why).
std::size_t freeTableEntry() {
  for (std::size_t i = 0; i < g_tableCount; ++i)
    if (!g_tables[i].loaded()) return i;
  if (g_tableCount >= kTableListMax) {
    errno = ENOMEM;
    return g_tableCount;
  }
  std::size_t grown = std::min(g_tableCount + kTableListGrowth, kTableListMax);
  std::unique_ptr<LoadedTable[]> list(new (std::nothrow) LoadedTable[grown]);
  if (!list) {
    errno = ENOMEM;
    return g_tableCount;
  }
  for (std::size_t i = 0; i < g_tableCount; ++i) list[i] = std::move(g_tables[i]);
  g_tables = std::move(list);
  std::size_t first = g_tableCount;
  g_tableCount = grown;
  return first;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Every row number of a double-byte table must name a whole row inside it.
bool rowsInside(const ZO_BYTE* data, std::size_t size) {
  for (std::size_t lead = 0; lead < XCS_ROW_TABLE_SIZE; ++lead)
    if ((data[lead] + 1u) * XCS_DOUBLE_ROW_SIZE > size) return false;
  return true;
}

// Reads the table file at `path` into `entry`; 0, or ENOMEM / EINVAL.
int readTable(LoadedTable& entry, const std::string& path, bool doubleByte) {
  File file(platformOpenRegularFile(path.c_str(), PlatformFileUse::Read));
  if (!file) {
    xtrText("xxxOpenConv: Open failed.");
    return EINVAL;
  }
  xtrText("xxxOpenConv: Open was sucessful.");
  // One byte more than the largest valid size, so that a longer file shows.
  std::size_t capacity = (doubleByte ? kDoubleTableMax : XCS_SINGLE_TABLE_SIZE) + 1;
  std::unique_ptr<ZO_BYTE[]> buffer(new (std::nothrow) ZO_BYTE[capacity]);
  if (!buffer) return ENOMEM;
  std::size_t size = std::fread(buffer.get(), 1, capacity, file.get());
  bool valid = doubleByte ? size >= kDoubleTableMin && size <= kDoubleTableMax && rowsInside(buffer.get(), size)
                          : size == XCS_SINGLE_TABLE_SIZE;
  if (!valid) return EINVAL;
  if (size != capacity - 1) {
    std::unique_ptr<ZO_BYTE[]> exact(new (std::nothrow) ZO_BYTE[size]);
    if (!exact) return ENOMEM;
    std::memcpy(exact.get(), buffer.get(), size);
    buffer = std::move(exact);
  }
  entry.data = std::move(buffer);
  entry.size = size;
  return 0;
}

// Position of table `source`+`target`, loading it when needed; -1 with errno set.
ZO_LONG openTable(const char* source, const char* target, bool doubleByte, ZO_LONG leadByteSet) {
  std::string name = std::string(source) + target;
  if (name == "00000000") return XCS_TABLE_NONE;
  if (std::strcmp(source, target) == 0) return XCS_TABLE_IDENTITY;
  for (std::size_t i = 0; i < g_tableCount; ++i)
    if (g_tables[i].loaded() && name == g_tables[i].name) return static_cast<ZO_LONG>(i + 1);

  std::size_t index = freeTableEntry();
  if (index >= g_tableCount) return -1;
  LoadedTable& entry = g_tables[index];
  std::memcpy(entry.tag, kTagLoaded, sizeof entry.tag);
  std::snprintf(entry.name, sizeof entry.name, "%s", name.c_str());
  entry.data.reset();
  entry.size = 0;
  entry.leadByteSet = doubleByte ? leadByteSet : 0;

  std::string path = tableDirectory() + name + XCS_TABLE_SUFFIX;
  xtrText(doubleByte ? "xxxOpenConv: About to try opening (LC)...." : "xxxOpenConv: About to try opening (LC) ....");
  xtrText(path.c_str());
  int error = readTable(entry, path, doubleByte);
  if (error != 0) {
    std::memcpy(entry.tag, kTagFailed, sizeof entry.tag);
    entry.data.reset();
    entry.size = 0;
    errno = error;
    return -1;
  }
  return static_cast<ZO_LONG>(index + 1);
}

// ---------------------------------------------------------------------------
// Conversion walks

// The lead-byte ranges of double-byte data without shift codes.
bool isLeadByte(ZO_LONG leadByteSet, ZO_BYTE b) {
  switch (leadByteSet) {
    case 2: return b >= 0x8F && b <= 0xFE;
    case 3: return b >= 0x81 && b <= 0xFC;
    case 5: return b >= 0x81 && b <= 0xFE;
    case 6: return b >= 0x8C && b <= 0xFE;
    default: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFE);
  }
}

class Converter {
 public:
  Converter(const ZO_BYTE* source, std::size_t sourceLength, ZO_BYTE* target, std::size_t capacity,
            const LoadedTable* single, const LoadedTable* dbl, ZO_LONG method, ZO_LONG leadByteSet)
      : src_(source), n_(sourceLength), out_(target), cap_(capacity), single_(single), double_(dbl),
        method_(method), leadByteSet_(leadByteSet) {}

  std::size_t written() const { return o_; }

  ZO_LONG singles() {
    while (i_ < n_) {
      if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
      putSingle(src_[i_++]);
    }
    return 0;
  }

  // Source with shift-out / shift-in codes (methods 1 and 4).
  ZO_LONG shiftWalk() {
    const bool keepShifts = method_ == XCS_METHOD_SHIFT_TO_SHIFT;
    while (i_ < n_) {
      ZO_BYTE b = src_[i_];
      if (b != XCS_SHIFT_OUT || (i_ + 1 < n_ && src_[i_ + 1] == XCS_SHIFT_IN)) {
        if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
        putSingle(b);
        ++i_;
        continue;
      }
      if (keepShifts) {
        if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
        out_[o_++] = XCS_SHIFT_OUT;
      }
      ++i_;
      for (;;) {
        if (i_ >= n_) return XCS_RC_PAIR_PAST_SOURCE;  // run not closed
        if (src_[i_] == XCS_SHIFT_IN) break;
        // A pair needs two bytes before the shift-in; half a pair is refused.
        if (i_ + 1 >= n_ || src_[i_ + 1] == XCS_SHIFT_IN) return XCS_RC_PAIR_PAST_SOURCE;
        if (cap_ - o_ < 2) return XCS_RC_PAIR_PAST_TARGET;
        putPair(src_[i_], src_[i_ + 1]);
        i_ += 2;
      }
      if (keepShifts) {
        if (o_ >= cap_) return XCS_RC_PAIR_PAST_TARGET;
        out_[o_++] = XCS_SHIFT_IN;
      }
      ++i_;
    }
    return 0;
  }

  // Source whose double-byte characters start with a lead byte (methods 2 and 3).
  ZO_LONG leadByteWalk() {
    const bool writeShifts = method_ != XCS_METHOD_LEAD_TO_LEAD;
    const ZO_LONG leadByteSet = leadByteSet_;
    // Room for a pair plus the shift-in still to come.
    const std::size_t pairRoom = writeShifts ? 3 : 2;
    while (i_ < n_) {
      ZO_BYTE b = src_[i_];
      if (!isLeadByte(leadByteSet, b)) {
        if (o_ >= cap_) return XCS_RC_NO_ROOM_FOR_RUN;
        putSingle(b);
        ++i_;
        continue;
      }
      if (i_ + 1 >= n_) return XCS_RC_NO_SOURCE_LEFT;  // lead byte without its trail byte
      if (cap_ - o_ < pairRoom + (writeShifts ? 1 : 0)) return XCS_RC_NO_ROOM_FOR_RUN;
      if (writeShifts) out_[o_++] = XCS_SHIFT_OUT;
      do {
        putPair(src_[i_], src_[i_ + 1]);
        i_ += 2;
      } while (i_ + 1 < n_ && isLeadByte(leadByteSet, src_[i_]) && cap_ - o_ >= pairRoom);
      if (writeShifts) out_[o_++] = XCS_SHIFT_IN;
    }
    return 0;
  }

 private:
  void putSingle(ZO_BYTE b) {
    if (single_) {
      if (method_ == XCS_METHOD_SHIFT_TO_MIXED && b == kHostNewLine) b = kHostLineFeed;
      b = single_->data[b];
    }
    out_[o_++] = b;
  }

  void putPair(ZO_BYTE lead, ZO_BYTE trail) {
    if (double_) {
      std::size_t at = double_->data[lead] * XCS_DOUBLE_ROW_SIZE + trail * 2u;
      out_[o_++] = double_->data[at];
      out_[o_++] = double_->data[at + 1];
    } else {
      out_[o_++] = lead;
      out_[o_++] = trail;
    }
  }

  const ZO_BYTE* src_;
  std::size_t n_;
  ZO_BYTE* out_;
  std::size_t cap_;
  const LoadedTable* single_;
  const LoadedTable* double_;
  ZO_LONG method_;
  ZO_LONG leadByteSet_;  // lead bytes of the source (lead-byte walk)
  std::size_t i_ = 0;
  std::size_t o_ = 0;
};

// The table at `position` as the converter uses it: null for "no table" and
// "same code page"; `valid` is cleared when the position names nothing usable.
const LoadedTable* tableAt(ZO_LONG position, bool doubleByte, bool& valid) {
  if (position == XCS_TABLE_NONE || position == XCS_TABLE_IDENTITY) return nullptr;
  const LoadedTable* table = loadedTable(position);
  if (!table || (doubleByte ? table->size < kDoubleTableMin : table->size != XCS_SINGLE_TABLE_SIZE)) valid = false;
  return table;
}

ZO_LONG methodFor(ZO_LONG sourceType, ZO_LONG targetType) {
  auto pc = [](ZO_LONG type) { return type == 2 || type == 3; };
  if (pc(targetType) && sourceType == 1) return XCS_METHOD_SHIFT_TO_MIXED;
  if (pc(targetType) && pc(sourceType)) return XCS_METHOD_LEAD_TO_LEAD;
  if (targetType == 1 && pc(sourceType)) return XCS_METHOD_LEAD_TO_SHIFT;
  if (targetType == 1 && sourceType == 1) return XCS_METHOD_SHIFT_TO_SHIFT;
  return 0;
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
  hexText(0, record.doubleByteText);
}

// Looks both CCSIDs up (one CCSID on both sides needs no record: every code
// page is 0) and adjusts single-byte data meeting mixed data. 0, 2111 or 2115.
ZO_LONG resolveSides(const XrkControlBlock& block, ZO_LONG sourceCcsid, ZO_LONG targetCcsid, Sides& sides) {
  hexText(0, sides.from.singleByteText);
  hexText(0, sides.from.doubleByteText);
  sides.to = sides.from;
  if (sourceCcsid == targetCcsid) return 0;
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
  method = methodFor(sides.from.ccsidType, sides.to.ccsidType);
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
  bool valid = tables >= 0 && method >= XCS_METHOD_SHIFT_TO_MIXED && method <= XCS_METHOD_SHIFT_TO_SHIFT;
  ZO_LONG singlePosition = tables / XCS_TABLE_POSITION_FACTOR;
  ZO_LONG doublePosition = tables % XCS_TABLE_POSITION_FACTOR;
  const LoadedTable* single = tableAt(singlePosition, false, valid);
  const LoadedTable* dbl = tableAt(doublePosition, true, valid);
  if (!valid) {
    *targetLength = 0;
    return zoSetOutcomeCode(rc, XCS_RC_TABLE_INVALID);
  }

  const ZO_LONG leadByteSet = sourceLeadByteSet.value_or(dbl ? dbl->leadByteSet : 0);
  Converter converter(source, static_cast<std::size_t>(sourceLength), target,
                      static_cast<std::size_t>(*targetLength), single, dbl, method, leadByteSet);
  ZO_LONG code;
  if (doublePosition == XCS_TABLE_NONE)
    code = converter.singles();
  else if (method == XCS_METHOD_SHIFT_TO_MIXED || method == XCS_METHOD_SHIFT_TO_SHIFT)
    code = converter.shiftWalk();
  else
    code = converter.leadByteWalk();
  *targetLength = static_cast<ZO_LONG>(converter.written());
  return zoSetOutcomeCode(rc, code);
}

}  // namespace

// ---------------------------------------------------------------------------

ZO_LONG xxxInitialize() {
  ConversionLock lock(g_conversionMutex);
  ZO_ULONG rc = 0;
  XTR_SERVICE("xxxInitialize", rc);
  XrkControlBlock* block = xrkControlBlock();
  if (!block) {
    rc = XEC_NOT_STARTED_OR_NO_TRACE_FILE;
    return kNotStarted;
  }
  block->systemCodePage = ObtainSystemCp();

  g_installedDir.clear();
  std::string path = tableDirectory() + XCS_CONTROL_FILE_NAME;
  File file(platformOpenRegularFile(path.c_str(), PlatformFileUse::Read));
  if (!file && !xlatPathSet()) {
    for (const std::string& dir : installedTableDirs()) {
      file.reset(platformOpenRegularFile((dir + XCS_CONTROL_FILE_NAME).c_str(), PlatformFileUse::Read));
      if (file) {
        g_installedDir = dir;
        break;
      }
    }
  }
  if (!file) {
    xtrText("Failed to open conversion table control file");
    xtrText(path.c_str());
    return zoSetOutcomeCode(rc, static_cast<ZO_LONG>(XEC_CONV_CONTROL_FILE_OPEN));
  }

  // A later line for the same CCSID replaces the earlier one.
  std::map<ZO_LONG, XcsCcsidRecord> records;
  std::string line;
  while (readLine(file.get(), line)) {
    if (!line.empty() && line[0] == '#') continue;
    std::vector<std::string> fields = controlFields(line);
    if (fields.empty()) continue;  // a blank line describes nothing
    ZO_LONG value[XCS_CONTROL_FIELDS] = {};
    for (std::size_t f = 0; f < fields.size(); ++f) value[f] = decimalField(fields[f]);
    XcsCcsidRecord record{};
    record.ccsid = value[0];
    record.doubleByteCp = value[1];
    record.singleByteCp = value[2];
    record.shiftMode = value[3];
    record.ccsidType = value[4];
    record.leadByteSet = value[5];
    hexText(record.singleByteCp, record.singleByteText);
    hexText(record.doubleByteCp, record.doubleByteText);
    records[record.ccsid] = record;
  }

  std::unique_ptr<XcsCcsidRecord[]> storage;
  if (!records.empty()) {
    storage.reset(new (std::nothrow) XcsCcsidRecord[records.size()]);
    if (!storage) {
      xtrText("No storage for the CCSID records");
      records.clear();
    }
  }
  std::size_t count = 0;
  for (const auto& entry : records) storage[count++] = entry.second;
  block->ccsidTree = linkBalanced(storage.get(), 0, count);
  g_records = std::move(storage);
  return 0;
}

ZO_LONG xxxTerminate() {
  ConversionLock lock(g_conversionMutex);
  ZO_ULONG rc = 0;
  XTR_SERVICE("xxxTerminate", rc);
  if (XrkControlBlock* block = xrkControlBlock()) block->ccsidTree = nullptr;
  g_records.reset();
  g_tables.reset();
  g_tableCount = 0;
  return 0;
}

ZO_LONG xcsQueryCCSIDType(ZO_LONG ccsid, ZO_LONG result[2]) {
  ConversionLock lock(g_conversionMutex);
  ZO_ULONG rc = 0;
  XTR_SERVICE("xcsQueryCCSIDType", rc);
  const XrkControlBlock* block = xrkControlBlock();
  if (!block) {
    rc = XEC_NOT_STARTED_OR_NO_TRACE_FILE;
    return kNotStarted;
  }
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
  ConversionLock lock(g_conversionMutex);
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
  ConversionLock lock(g_conversionMutex);
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
  ZO_LONG doublePosition = tables % XCS_TABLE_POSITION_FACTOR;
  if (doublePosition == XCS_TABLE_NONE) return 0;
  if (method == XCS_METHOD_SHIFT_TO_MIXED || method == XCS_METHOD_SHIFT_TO_SHIFT) {
    shape->walk = XCS_WALK_SHIFT;
  } else {
    shape->walk = XCS_WALK_LEAD;
    shape->leadByteSet = sides.from.leadByteSet;
  }
  return 0;
}

ZO_BOOLEAN xcsIsLeadByte(ZO_LONG leadByteSet, ZO_BYTE byte) { return isLeadByte(leadByteSet, byte) ? TRUE : FALSE; }

ZO_LONG xxxOpenConv(const char* targetSingle, const char* targetDouble, const char* sourceSingle,
                    const char* sourceDouble, ZO_LONG leadByteSet) {
  ConversionLock lock(g_conversionMutex);
  ZO_ULONG rc = 0;
  XTR_SERVICE("xxxOpenConv", rc);
  // The texts become part of a file path: only hex digits are accepted.
  if (!isHexText(targetSingle) || !isHexText(targetDouble) || !isHexText(sourceSingle) ||
      !isHexText(sourceDouble)) {
    errno = EINVAL;
    return zoSetOutcomeCode(rc, -1);
  }
  ZO_LONG single = openTable(sourceSingle, targetSingle, false, 0);
  if (single == -1) return zoSetOutcomeCode(rc, -1);
  ZO_LONG dbl = openTable(sourceDouble, targetDouble, true, leadByteSet);
  if (dbl == -1) return zoSetOutcomeCode(rc, -1);
  return zoSetOutcomeCode(rc, single * XCS_TABLE_POSITION_FACTOR + dbl);
}

ZO_LONG xxxCodeConv(const ZO_BYTE* source, ZO_LONG sourceLength, ZO_BYTE* target,
                    ZO_LONG* targetLength, ZO_LONG tables, ZO_LONG method) {
  ConversionLock lock(g_conversionMutex);
  return codeConv(source, sourceLength, target, targetLength, tables, method, std::nullopt);
}
