#pragma once
// Services of the trace module shared with the rest of the common-services
// layer (start-up, failure report). Not for use outside common/.

#include <cstdarg>
#include <cstddef>
#include <string>

#include "common/services.h"
#include "common/zo_types.h"

// Largest bytes dumped per chunk; each chunk starts again at offset 0000.
inline constexpr std::size_t XTR_DUMP_CHUNK = 4000;
// Bytes shown per dump line.
inline constexpr std::size_t XTR_DUMP_LINE_BYTES = 16;

// printf-style formatting into a string of whatever length it needs.
std::string xtrFormatV(const char* format, va_list args);

// A process or thread id as the trace shows it: non-negative, and reduced
// modulo 100000 when it exceeds 99999.
ZO_LONG xtrNormaliseId(long long id);

// The first XRK_NAME_PREFIX_LENGTH characters of the block's trace prefix.
std::string xrkNamePrefix(const XrkControlBlock& block);

// File name of a per-process file ("TRC", "FDC"): a 3-character prefix is
// followed by the 5-digit process id, any other by the process id modulo 10000
// in 4 digits; then "." and the extension.
std::string xrkProcessFileName(const std::string& prefix, ZO_LONG processId, const char* extension);

// Build date of the trace module in the form "Aug 12 1997" (the compiler's
// date of this build).
const char* xtrBuildDate();

// Local time of day as "hh:mm:ss" and the 24-character "Www Mmm dd hh:mm:ss yyyy".
std::string xtrTimeOfDay(int* milliseconds);
std::string xtrDateTime24();

// The dump lines of one chunk (at most XTR_DUMP_CHUNK bytes), identical lines
// folded into a "--- n lines identical to above ---" line.
std::string xtrDumpChunk(const unsigned char* bytes, std::size_t length);

// What the failure report shows of the calling thread: its function stack
// (without adding the thread to the table) and a copy of the ring.
struct XtrThreadSnapshot {
  bool hasRecord = false;
  ZO_LONG threadId = 0;  // 0 when the thread has no record
  ZO_LONG depth = 0;
  int storedNames = 0;   // names[0..storedNames) outermost first
  char names[XTR_STACK_NAMES][XTR_NAME_SIZE] = {};
};
XtrThreadSnapshot xtrSnapshotThread();

struct XtrRingSnapshot {
  bool hasRing = false;
  ZO_LONG index = 0;  // next entry to be written
  XtrRingEntry entries[XTR_RING_ENTRIES] = {};
};
XtrRingSnapshot xtrSnapshotRing();

// Closes the report file, so that the next report opens it anew in the
// directory named then. A process keeps its report file to the end; this is
// for harnesses that run several would-be processes in one (no fork).
void xrkCloseReportFile();
