// Trace facility: the trace file with its entry/exit blocks, text lines and
// dumps, and the records kept for the failure report whether or not a file is
// written (a function stack per thread and the in-core ring). A failure report
// is handed a snapshot of those records; the report never calls back here.
//
// Threads: the block's shared fields (ring, nesting, line counter, thread
// table, trace file) change only under traceMutex; a function-stack record is
// changed only by its own thread, which finds it through a thread-local cache.
#include "common/trace.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "common/report.h"
#include "common/retcode_names.h"
#include "common/return_codes.h"
#include "common/services.h"
#include "common/trace_internal.h"
#include "platform/platform.h"

std::atomic<int> xtrTraceActive{0};
std::atomic<int> xtrUserTracingActive{0};

namespace {

// Level when <prefix>_TRACE_LEVEL is unset or below 1.
constexpr ZO_LONG kDefaultLevel = 2;
// The line counter runs 0..40: a new block with a time stamp every 41 lines.
constexpr ZO_LONG kLastLineOfBlock = 40;
// Room for the program path and its mark in the header line.
constexpr std::size_t kHeaderProgramLength = 99;
constexpr const char* kProgramMark = "(Talvane) ";
constexpr const char* kUserTracingNotice = "\n  !!! User Tracing is activated !!!\n";
constexpr const char* kTerminationBar = "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!";

std::mutex traceMutex;

// The calling thread's lookup in the block of one generation.
struct ThreadCache {
  std::uint64_t generation;
  XtrStackRecord* record;
  ZO_LONG threadId;
  bool noRoom;  // the table was full: this thread has no record in this block
};
thread_local ThreadCache threadCache{};

// Stores a name cut to the 39 characters a slot holds.
void storeName(char* slot, const char* name) {
  const std::size_t n = strnlen(name, XTR_NAME_SIZE - 1);
  std::memcpy(slot, name, n);
  slot[n] = '\0';
}

// Finds the calling thread's function-stack record in `block`; with `add`, a
// thread not in the table gets a record while the table has room. Returns
// null for a thread without a record; *threadId is then 0.
XtrStackRecord* threadRecord(XrkControlBlock& block, bool add, ZO_LONG* threadId) {
  ThreadCache& cache = threadCache;
  if (cache.generation == block.generation && (cache.record != nullptr || cache.noRoom)) {
    *threadId = cache.threadId;
    return cache.record;
  }
  const long long raw = platformThreadId();
  std::lock_guard<std::mutex> lock(traceMutex);
  for (ZO_LONG i = 0; i < block.threadCount; ++i) {
    if (block.rawThreadIds[i] == raw) {
      cache = ThreadCache{block.generation, block.stacks[i].get(), block.threadIds[i], false};
      *threadId = cache.threadId;
      return cache.record;
    }
  }
  *threadId = 0;
  if (!add) return nullptr;
  if (block.threadCount >= XTR_MAX_THREADS) {
    cache = ThreadCache{block.generation, nullptr, 0, true};
    return nullptr;
  }
  std::unique_ptr<XtrStackRecord> record(new (std::nothrow) XtrStackRecord{});
  if (!record) return nullptr;  // tried again at the next entry
  const ZO_LONG slot = block.threadCount++;
  block.threadIds[slot] = xtrNormaliseId(raw);
  block.rawThreadIds[slot] = raw;
  block.stacks[slot] = std::move(record);
  cache = ThreadCache{block.generation, block.stacks[slot].get(), block.threadIds[slot], false};
  *threadId = cache.threadId;
  return cache.record;
}

// Writes and flushes text to the trace file. Caller holds traceMutex. A view,
// so that constant texts (the code-level string above all) are written from
// where they are and never copied into a second constant of the program file.
void writeLocked(XrkControlBlock& block, std::string_view text) {
  std::FILE* file = block.traceFile.get();
  if (file == nullptr || text.empty()) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
}

// Whether text and dump lines are written now. Caller holds traceMutex.
bool textWantedLocked(const XrkControlBlock& block) {
  if (!block.fileOpen) return false;
  if (block.levelMode == XTR_LEVEL_MODE_PLUS) return true;
  return block.levelMode == XTR_LEVEL_MODE_NONE && block.nesting <= block.level;
}

// Writes an entry or exit line, opening a new block of lines with the thread
// prefix and a time stamp every 41 lines. `dashes` is 2 x depth; the line
// carries that many dashes plus 2, however deep. Caller holds traceMutex.
void writeCallLineLocked(XrkControlBlock& block, ZO_LONG threadId, long long dashes, bool entry,
                         const char* name, ZO_ULONG code) {
  std::string line;
  const bool blockStart = block.lineCounter == 0;
  if (threadId != 0) {
    if (blockStart) {
      xtrAppendF(line, "\n(%5.5d)@", static_cast<int>(threadId));
      block.lastThread = threadId;
    } else if (threadId != block.lastThread) {
      xtrAppendF(line, "(%5.5d) ", static_cast<int>(threadId));
      block.lastThread = threadId;
    } else {
      line += ' ';
    }
  }
  if (blockStart) {
    int milliseconds = 0;
    line += xtrTimeOfDay(&milliseconds);
    xtrAppendF(line, ".%3.3d ", milliseconds);
  }
  if (++block.lineCounter > kLastLineOfBlock) block.lineCounter = 0;
  line += "\n   ";
  const std::size_t run = static_cast<std::size_t>(dashes + 2);
  if (entry) {
    line.append(run, '-');
    line += '>';
    line += name;
    line += '\n';
  } else {
    char codeText[ZO_RETCODE_TEXT_SIZE];
    xtrFormatReturnCode(codeText, code);
    line += '<';
    line.append(run, '-');
    line += name;
    line += " (rc= ";
    line += codeText;
    line += ")\n";
  }
  writeLocked(block, line);
}

// Records an entry (or exit) in the ring, the nesting count and the file.
void recordCall(bool entry, const char* name, ZO_ULONG code) {
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return;
  if (name == nullptr) name = "";
  ZO_LONG threadId = 0;
  long long dashes = 0;
  if (XtrStackRecord* record = threadRecord(*block, entry, &threadId)) {
    if (entry) {
      if (record->depth >= 0 && record->depth < XTR_STACK_NAMES) {
        storeName(record->names[record->depth], name);
      }
      dashes = 2LL * record->depth;
      if (record->depth < INT32_MAX) ++record->depth;
    } else {
      if (record->depth > 0) --record->depth;
      dashes = 2LL * record->depth;
    }
  }
  std::lock_guard<std::mutex> lock(traceMutex);
  if (XtrRingEntry* ring = block->ring.get()) {
    XtrRingEntry& slot = ring[block->ringIndex];
    slot.kind = entry ? XTR_RING_ENTRY : XTR_RING_EXIT;
    storeName(slot.name, name);
    slot.threadId = threadId;
    slot.returnCode = entry ? 0 : code;
    if (++block->ringIndex >= XTR_RING_ENTRIES) block->ringIndex = 0;
  }
  // Unbalanced calls wrap instead of overflowing.
  block->nesting = static_cast<ZO_LONG>(static_cast<ZO_ULONG>(block->nesting) + (entry ? 1u : ~0u));
  if (block->fileOpen && dashes / 2 + 1 <= block->level) {
    writeCallLineLocked(*block, threadId, dashes, entry, name, code);
  }
}

// Leading decimal number of a text, saturated to the 32-bit range; 0 if none.
ZO_LONG leadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) return INT32_MAX;
  }
  return static_cast<ZO_LONG>(value);
}

// Reads <prefix>_TRACE_LEVEL into the block's level and level mode.
void readLevel(XrkControlBlock& block, const std::string& prefix) {
  block.level = kDefaultLevel;
  const char* value = platformGetEnv((prefix + "_TRACE_LEVEL").c_str());
  if (value == nullptr) return;
  block.levelMode = XTR_LEVEL_MODE_NONE;
  std::string text(value);
  std::size_t cut = text.find('+');
  if (cut != std::string::npos) {
    block.levelMode = XTR_LEVEL_MODE_PLUS;
    text.resize(cut);
  }
  cut = text.find('-');
  if (cut != std::string::npos) {
    block.levelMode = XTR_LEVEL_MODE_MINUS;
    text.resize(cut);
  }
  block.level = leadingNumber(text);
  if (block.level < 1) block.level = kDefaultLevel;
}

}  // namespace

// The line format below is laid out for 16 bytes: 6 + 3 * 16 = 54 hex columns.
static_assert(XTR_DUMP_LINE_BYTES == 16);

std::string xtrDumpChunk(const unsigned char* bytes, std::size_t length) {
  std::string out;
  const unsigned char* last = nullptr;
  std::size_t lastLength = 0;
  int identical = 0;
  std::string hex;
  std::string chars;
  for (std::size_t offset = 0; offset < length; offset += XTR_DUMP_LINE_BYTES) {
    const unsigned char* line = bytes + offset;
    const std::size_t n = std::min(XTR_DUMP_LINE_BYTES, length - offset);
    if (last != nullptr && n == lastLength && std::memcmp(last, line, n) == 0) {
      ++identical;
      continue;
    }
    if (identical > 0) {
      xtrAppendF(out, "         --- %d lines identical to above ---\n", identical);
      identical = 0;
    }
    hex.clear();
    chars.clear();
    xtrAppendF(hex, "%04X  ", static_cast<unsigned>(offset));
    for (std::size_t i = 0; i < n; ++i) {
      xtrAppendF(hex, "%02X ", line[i]);
      chars += (line[i] >= 0x20 && line[i] <= 0x7E) ? static_cast<char>(line[i]) : '.';
    }
    xtrAppendF(out, "         %-54.54s : %-16.16s\n", hex.c_str(), chars.c_str());
    last = line;
    lastLength = n;
  }
  if (identical > 0) xtrAppendF(out, "         --- %d lines identical to above ---\n", identical);
  return out;
}

XtrThreadSnapshot xtrSnapshotThread() {
  XtrThreadSnapshot snapshot;
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return snapshot;
  XtrStackRecord* record = threadRecord(*block, false, &snapshot.threadId);
  if (record == nullptr) return snapshot;
  snapshot.hasRecord = true;
  snapshot.depth = record->depth;
  snapshot.storedNames = std::min<ZO_LONG>(record->depth, XTR_STACK_NAMES);
  std::memcpy(snapshot.names, record->names, sizeof snapshot.names);
  return snapshot;
}

XtrRingSnapshot xtrSnapshotRing() {
  XtrRingSnapshot snapshot;
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return snapshot;
  std::lock_guard<std::mutex> lock(traceMutex);
  if (!block->ring) return snapshot;
  snapshot.hasRing = true;
  snapshot.index = block->ringIndex;
  std::memcpy(snapshot.entries, block->ring.get(), sizeof snapshot.entries);
  return snapshot;
}

ZO_LONG xrk_xcsPVRT(const char* functionName, ZO_LONG probeId, ZO_LONG majorCode,
                    ZO_LONG minorCode, const char* comment1, const char* comment2,
                    const char* comment3) {
  XTR_SERVICE("xrk_xcsPVRT", ERR_NONE);
  auto orEmpty = [](const char* text) { return text != nullptr ? text : ""; };
  XrkReportSnapshot snapshot;
  if (const XrkControlBlock* block = xrkControlBlock()) {
    snapshot.started = true;
    snapshot.prefix = xrkNamePrefix(*block);
    snapshot.processId = block->processId;
  } else {
    snapshot.processId = xtrNormaliseId(platformProcessId());
  }
  snapshot.dateTime = xtrDateTime24();
  snapshot.thread = xtrSnapshotThread();
  snapshot.ring = xtrSnapshotRing();
  xrkWriteReport(XrkSymptom{orEmpty(functionName), probeId, majorCode, minorCode, orEmpty(comment1),
                            orEmpty(comment2), orEmpty(comment3)},
                 snapshot);
  return 0;
}

int xtrInitialize() {
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return 0;
  static std::atomic<std::uint64_t> generations{0};
  block->generation = ++generations;
  block->processId = xtrNormaliseId(platformProcessId());
  xtrTraceActive = 0;
  xtrUserTracingActive = 0;

  const std::string prefix = xrkNamePrefix(*block);
  const char* trace = platformGetEnv((prefix + "_TRACE").c_str());
  const char* path = platformGetEnv((prefix + "_TRACE_PATH").c_str());
  if (trace != nullptr) {
    block->traceRequested = 1;
    std::string directory;
    if (path != nullptr) {
      if (trace[0] == 'U' || trace[0] == 'u') {
        block->userTracing = 1;
        xtrUserTracingActive = 1;
      }
      directory = platformDirWithSeparator(path);
    }
    const std::string file = directory + xrkProcessFileName(prefix, block->processId, "TRC");
    xrk_xtrOpenTraceFile(file.c_str());
  }

  std::unique_ptr<XtrRingEntry[]> ring(new (std::nothrow) XtrRingEntry[XTR_RING_ENTRIES]());
  if (ring) {
    std::lock_guard<std::mutex> lock(traceMutex);
    block->ring = std::move(ring);
    block->ringIndex = 0;
  } else {
    xrk_xcsPVRT("xtrInitialize", 1, 0, 0, "Unable to obtain storage for incore trace file", " ", " ");
  }

  readLevel(*block, prefix);
  if (block->fileOpen) {
    const ZO_LONG mode = block->levelMode;
    block->levelMode = XTR_LEVEL_MODE_NONE;
    xtrTextF("BuildDate %s", xtrBuildDate());
    const char* suffix = mode == XTR_LEVEL_MODE_PLUS ? "+" : mode == XTR_LEVEL_MODE_MINUS ? "-" : "";
    xtrTextF("Trace Level is %d%s", static_cast<int>(block->level), suffix);
    block->levelMode = mode;
  }
  return 0;
}

ZO_ULONG xrk_xtrOpenTraceFile(const char* path) {
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return XEC_NOT_STARTED_OR_NO_TRACE_FILE;
  // The name is predictable: a link planted there is refused, never followed,
  // and so is anything but a regular file. Tracing then stays off.
  int error = 0;
  std::FILE* opened = platformOpenRegularFile(path, PlatformFileUse::AppendAndRead, &error);
  if (opened == nullptr) {
    xrk_xcsPVRT("xrk_xtrOpenTraceFile", 1, static_cast<ZO_LONG>(XEC_NOT_STARTED_OR_NO_TRACE_FILE),
                error, "Unable to open trace file", path != nullptr ? path : "", " ");
    return XEC_NOT_STARTED_OR_NO_TRACE_FILE;
  }
  if (block->traceRequested) std::setvbuf(opened, nullptr, _IONBF, 0);

  std::string program = platformProgramPath() + kProgramMark;
  if (program.size() > kHeaderProgramLength) program.resize(kHeaderProgramLength);
  std::string header;
  xtrAppendF(header, "\nTrace for program %s started at %s\n\r\n\r\n", program.c_str(),
          xtrDateTime24().c_str());

  std::lock_guard<std::mutex> lock(traceMutex);
  block->traceFile.reset(opened);  // a file opened before is closed
  block->lineCounter = 0;
  writeLocked(*block, header);
  block->fileOpen = 1;
  xtrTraceActive = 1;
  writeLocked(*block, vexoCodeLevel);
  writeLocked(*block, "\n");
  if (block->userTracing) writeLocked(*block, kUserTracingNotice);
  return 0;
}

void xtrEntry(const char* functionName) { recordCall(true, functionName, 0); }

void xtrExit(const char* functionName, ZO_ULONG returnCode) {
  recordCall(false, functionName, returnCode);
}

void xtrText(const char* text) {
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return;
  std::lock_guard<std::mutex> lock(traceMutex);
  if (!textWantedLocked(*block)) return;
  std::string line("   ! ");
  line += text != nullptr ? text : "";
  line += '\n';
  writeLocked(*block, line);
}

void xtrTextF(const char* format, ...) {
  if (xrkControlBlock() == nullptr || format == nullptr) return;
  va_list args;
  va_start(args, format);
  const std::string text = xtrFormatV(format, args);
  va_end(args);
  xtrText(text.c_str());
}

void xtrData(const void* address, ZO_LONG length) {
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return;
  std::lock_guard<std::mutex> lock(traceMutex);
  if (!textWantedLocked(*block)) return;
  if (address == nullptr) {
    writeLocked(*block, "  has NULL pointer\n");
    return;
  }
  const unsigned char* bytes = static_cast<const unsigned char*>(address);
  std::size_t remaining = length > 0 ? static_cast<std::size_t>(length) : 0;
  while (remaining > 0) {
    const std::size_t chunk = std::min(remaining, XTR_DUMP_CHUNK);
    writeLocked(*block, xtrDumpChunk(bytes, chunk));
    bytes += chunk;
    remaining -= chunk;
  }
}

ZO_ULONG xrk_xtrTerminate() {
  XrkControlBlock* block = xrkControlBlock();
  if (block == nullptr) return 0;
  xtrEntry("xrk_xtrTerminate");
  if (block->ring) {
    xtrText("Releasing incore trace storage");
    std::lock_guard<std::mutex> lock(traceMutex);
    block->ring.reset();
  }
  xtrExit("xrk_xtrTerminate", 0);
  xtrText(kTerminationBar);
  xtrText("Trace termination - closing trace file");
  xtrText(kTerminationBar);
  std::lock_guard<std::mutex> lock(traceMutex);
  block->traceFile.reset();
  block->fileOpen = 0;
  xtrTraceActive = 0;
  xtrUserTracingActive = 0;
  return 0;
}

ZO_BOOLEAN xtrIsTraceActive() { return xtrTraceActive.load() != 0 ? TRUE : FALSE; }

ZO_BOOLEAN xtrIsUserTracingActive() { return xtrUserTracingActive.load() != 0 ? TRUE : FALSE; }
