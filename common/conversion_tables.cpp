// The conversion tables: where they are read from, the control file and the
// list of loaded tables.
#include "common/conversion_tables.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>

#include "common/conversion_files.h"
#include "common/trace.h"
#include "platform/platform.h"

namespace {

constexpr const char* kXlatPathVariable = "VEXO_XLAT_PATH";
// The installed tables, below the installation prefix.
constexpr const char* kInstalledXlatSubdir = "share/vexo/xlat";

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

// Guards g_installedDir and the table list.
std::mutex g_tablesMutex;
using TablesLock = std::lock_guard<std::mutex>;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

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
// The control file

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

// The control file where tables are read from, or in the installed tables
// (which then become that folder). Caller holds g_tablesMutex.
File openControlFile(std::string& path) {
  g_installedDir.clear();
  path = tableDirectory() + XCS_CONTROL_FILE_NAME;
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
  return file;
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

// Position of table `source`+`target`, loading it when needed; -1 with errno
// set. Caller holds g_tablesMutex.
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

// The table at `position` as a walk uses it: null for "no table" and "same
// code page"; `valid` is cleared when the position names nothing usable.
// Caller holds g_tablesMutex.
const LoadedTable* tableAt(ZO_LONG position, bool doubleByte, bool& valid) {
  if (position == XCS_TABLE_NONE || position == XCS_TABLE_IDENTITY) return nullptr;
  const LoadedTable* table = loadedTable(position);
  if (!table || (doubleByte ? table->size < kDoubleTableMin : table->size != XCS_SINGLE_TABLE_SIZE)) valid = false;
  return table;
}

}  // namespace

void xcsCodePageText(ZO_LONG codePage, char (&text)[9]) {
  std::snprintf(text, sizeof text, "%04lx", static_cast<unsigned long>(static_cast<std::uint32_t>(codePage)));
}

bool xcsLoadControlFile(std::vector<XcsCcsidRecord>& records) {
  records.clear();
  std::string path;
  File file;
  {
    TablesLock lock(g_tablesMutex);
    file = openControlFile(path);
  }
  if (!file) {
    xtrText("Failed to open conversion table control file");
    xtrText(path.c_str());
    return false;
  }

  // A later line for the same CCSID replaces the earlier one.
  std::map<ZO_LONG, XcsCcsidRecord> byCcsid;
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
    xcsCodePageText(record.singleByteCp, record.singleByteText);
    xcsCodePageText(record.doubleByteCp, record.doubleByteText);
    byCcsid[record.ccsid] = record;
  }
  records.reserve(byCcsid.size());
  for (const auto& entry : byCcsid) records.push_back(entry.second);
  return true;
}

ZO_LONG xcsOpenTables(const char* targetSingle, const char* targetDouble, const char* sourceSingle,
                      const char* sourceDouble, ZO_LONG leadByteSet) {
  // The texts become part of a file path: only hex digits are accepted.
  if (!isHexText(targetSingle) || !isHexText(targetDouble) || !isHexText(sourceSingle) ||
      !isHexText(sourceDouble)) {
    errno = EINVAL;
    return -1;
  }
  TablesLock lock(g_tablesMutex);
  ZO_LONG single = openTable(sourceSingle, targetSingle, false, 0);
  if (single == -1) return -1;
  ZO_LONG dbl = openTable(sourceDouble, targetDouble, true, leadByteSet);
  if (dbl == -1) return -1;
  return single * XCS_TABLE_POSITION_FACTOR + dbl;
}

namespace {

// One Unicode table file of `entries` entries into `table`.
bool readUnicodeTable(const std::string& name, std::size_t entries, std::vector<char16_t>& table) {
  std::string path;
  {
    TablesLock lock(g_tablesMutex);
    path = tableDirectory() + name + XCS_UNICODE_TABLE_SUFFIX;
  }
  File file(platformOpenRegularFile(path.c_str(), PlatformFileUse::Read));
  std::vector<unsigned char> bytes(2 * entries + 1);
  const std::size_t size = file ? std::fread(bytes.data(), 1, bytes.size(), file.get()) : 0;
  if (size != 2 * entries) {
    xtrText("Unicode table missing or of the wrong size");
    xtrText(path.c_str());
    return false;
  }
  table.resize(entries);
  for (std::size_t i = 0; i < entries; ++i) table[i] = static_cast<char16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
  return true;
}

}  // namespace

bool xcsReadUnicodePage(const char* codePage, bool doubleByte, XcsUnicodePage& page) {
  if (!isHexText(codePage)) return false;
  char unicode[9];
  xcsCodePageText(XCS_UNICODE_CODE_PAGE, unicode);
  return readUnicodeTable(std::string(codePage) + unicode, doubleByte ? XCS_UNICODE_ENTRIES : XCS_SINGLE_TABLE_SIZE,
                          page.toUnicode) &&
         readUnicodeTable(std::string(unicode) + codePage, XCS_UNICODE_ENTRIES, page.fromUnicode);
}

void xcsReleaseTables() {
  TablesLock lock(g_tablesMutex);
  g_tables.reset();
  g_tableCount = 0;
}

XcsTableUse::XcsTableUse(ZO_LONG tables) : lock_(g_tablesMutex) {
  if (tables < 0) {
    valid_ = false;
    return;
  }
  const ZO_LONG doublePosition = tables % XCS_TABLE_POSITION_FACTOR;
  const LoadedTable* single = tableAt(tables / XCS_TABLE_POSITION_FACTOR, false, valid_);
  const LoadedTable* dbl = tableAt(doublePosition, true, valid_);
  if (!valid_) return;
  doubleByteData_ = doublePosition != XCS_TABLE_NONE;
  tables_.single = single ? single->data.get() : nullptr;
  tables_.dbl = dbl ? dbl->data.get() : nullptr;
  leadByteSet_ = dbl ? dbl->leadByteSet : 0;
}
