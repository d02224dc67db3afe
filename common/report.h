#pragma once
// Failure report: a boxed symptom block, the calling thread's function stack
// and the in-core trace ring, appended to one report file per process
// ("<prefix><process id>.FDC", in the <prefix>_TRACE_PATH directory when that
// is set and usable, else in the current directory). The file is opened at the
// first report and stays open for every later report of the process.
//
// Threads: any thread may report; reports from several threads are written
// one after the other, under one lock. A report
// requested before the common services are started is still written, to
// "XRK<5-digit process id>.FDC" in the current directory, without a thread id,
// function stack or ring.


#include <string>

#include "common/services.h"
#include "common/zo_types.h"

// Writes one report. The two codes are shown by name; null comments or
// function name count as empty texts. Returns 0: a report that cannot be
// written (no file can be opened) is dropped silently. The trace module
// implements it: it records the call, takes the snapshot and hands both to
// xrkWriteReport.
ZO_LONG xrk_xcsPVRT(const char* functionName, ZO_LONG probeId, ZO_LONG majorCode,
                    ZO_LONG minorCode, const char* comment1, const char* comment2,
                    const char* comment3);

// What a report shows of the reporting thread: its function stack.
struct XtrThreadSnapshot {
  bool hasRecord = false;
  ZO_LONG threadId = 0;  // 0 when the thread has no record
  ZO_LONG depth = 0;
  int storedNames = 0;   // names[0..storedNames) outermost first
  char names[XTR_STACK_NAMES][XTR_NAME_SIZE] = {};
};

// What a report shows of the in-core ring: a copy of it.
struct XtrRingSnapshot {
  bool hasRing = false;
  ZO_LONG index = 0;  // next entry to be written
  XtrRingEntry entries[XTR_RING_ENTRIES] = {};
};

// The state a report shows besides its symptom, taken when the failure is
// reported. The report reads nothing else of the trace.
struct XrkReportSnapshot {
  bool started = false;   // the common services are started
  std::string prefix;     // the block's name prefix (started only)
  ZO_LONG processId = 0;  // normalised
  std::string dateTime;   // local time, 24 characters
  XtrThreadSnapshot thread;
  XtrRingSnapshot ring;
};

// The arguments of a report; none of the texts is null.
struct XrkSymptom {
  const char* functionName;
  ZO_LONG probeId;
  ZO_LONG majorCode;
  ZO_LONG minorCode;
  const char* comment1;
  const char* comment2;
  const char* comment3;
};

// Writes one report, opening the report file at the first: named by the
// snapshot's prefix and process id, or "XRK<process id>.FDC" when the services
// were not started. Reads nothing of the trace.
void xrkWriteReport(const XrkSymptom& symptom, const XrkReportSnapshot& snapshot);

// Closes the report file, so that the next report opens it anew in the
// directory named then. A process keeps its report file to the end; this is
// for harnesses that run several would-be processes in one (no fork).
void xrkCloseReportFile();
