#pragma once
// Common services, the library's side: the per-process control block the trace,
// failure report and conversion modules share. Applications see only
// common/services_api.h.
//
// Threads: the block is created and released by the start and stop, which
// must not run while other threads use the layer. Between them any thread may
// use every service; the trace fields of the block change only under the trace
// module's lock (a function-stack record's depth and names only on its own
// thread), and the CCSID tree is written only by the start and the stop.

#include <cstdint>
#include <cstdio>
#include <memory>

#include "common/services_api.h"
#include "common/zo_types.h"

struct XcsCcsidRecord;  // a node of the conversion module's CCSID tree

// Characters held per copy of the product prefix.
inline constexpr int XRK_PREFIX_SIZE = 8;
// Characters of the prefix used in variable and file names.
inline constexpr int XRK_NAME_PREFIX_LENGTH = 4;
// Threads that get a function-stack record.
inline constexpr int XTR_MAX_THREADS = 39;
// Names a function-stack record stores.
inline constexpr int XTR_STACK_NAMES = 20;
// Room for a stored function name: 39 characters and the terminator.
inline constexpr int XTR_NAME_SIZE = 40;
// Entries of the in-core ring.
inline constexpr int XTR_RING_ENTRIES = 50;

// Function stack of one thread. Only its own thread changes it.
struct XtrStackRecord {
  ZO_LONG depth;                             // entries minus exits, never below 0
  char names[XTR_STACK_NAMES][XTR_NAME_SIZE];  // name of each of the outermost 20 levels
};

// Kinds of an in-core ring entry.
inline constexpr ZO_LONG XTR_RING_ENTRY = 0;
inline constexpr ZO_LONG XTR_RING_EXIT = 1;

// One entry of the in-core ring (52 bytes). An empty name marks an entry not
// yet written.
struct XtrRingEntry {
  ZO_LONG kind;
  char name[XTR_NAME_SIZE];
  ZO_LONG threadId;     // normalised id, 0 for a thread without a function-stack record
  ZO_ULONG returnCode;  // exits only
};
static_assert(sizeof(XtrRingEntry) == 52);

// Closes a trace file handle.
struct XrkFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The state of the layer, one per process. Created zero-filled; it owns its
// trace file, function-stack records and ring. The trace fields are changed
// only under the trace module's lock (depth and names of a function-stack
// record only by their own thread).
struct XrkControlBlock {
  char prefix[XRK_PREFIX_SIZE];  // product prefix, NUL-padded
  ZO_LONG processId;             // normalised process id
  ZO_LONG reportInProgress;      // a failure report is being written
  ZO_LONG fileOpen;              // trace file open and its header written
  ZO_LONG userTracing;           // <prefix>_TRACE began with "U" or "u"
  ZO_LONG level;                 // trace level, at least 1
  ZO_LONG nesting;               // entries minus exits of all threads together
  ZO_LONG levelMode;             // XTR_LEVEL_MODE_*
  std::unique_ptr<std::FILE, XrkFileCloser> traceFile;
  ZO_LONG traceRequested;  // <prefix>_TRACE is set
  ZO_LONG lineCounter;     // position within the current block of entry/exit lines
  ZO_LONG lastThread;      // thread id of the last thread prefix written
  ZO_LONG threadCount;     // entries used in the thread table
  ZO_LONG threadIds[XTR_MAX_THREADS];  // normalised ids
  std::unique_ptr<XtrStackRecord> stacks[XTR_MAX_THREADS];
  ZO_LONG ringIndex;  // next ring entry to write
  std::unique_ptr<XtrRingEntry[]> ring;  // XTR_RING_ENTRIES entries, or none
  ZO_LONG systemCodePage;
  XcsCcsidRecord* ccsidTree;  // built and released by the conversion module
  char tracePrefix[XRK_PREFIX_SIZE];  // copy of the prefix that names variables and files

  // Full thread ids of the table, so that two threads whose normalised ids
  // coincide keep records of their own.
  long long rawThreadIds[XTR_MAX_THREADS];
  // Tells this block from every earlier one (threads cache their lookup by it).
  std::uint64_t generation;
  // Earlier block of this process abandoned by a restart with another prefix.
  std::unique_ptr<XrkControlBlock> abandoned;
};

// Level modes: the suffix of the trace level.
inline constexpr ZO_LONG XTR_LEVEL_MODE_NONE = 0;   // texts up to the level's nesting
inline constexpr ZO_LONG XTR_LEVEL_MODE_PLUS = 1;   // "+": texts at every nesting
inline constexpr ZO_LONG XTR_LEVEL_MODE_MINUS = 2;  // "-": no texts or dumps

// The block of this process, or null while the layer is not started. Borrowed:
// the caller must not delete it, and must not keep it across a stop.
XrkControlBlock* xrkControlBlock();
