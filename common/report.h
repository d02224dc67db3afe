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

#include "common/zo_types.h"

// Writes one report. The two codes are shown by name; null comments or
// function name count as empty texts. Returns 0: a report that cannot be
// written (no file can be opened) is dropped silently.
ZO_LONG xrk_xcsPVRT(const char* functionName, ZO_LONG probeId, ZO_LONG majorCode,
                    ZO_LONG minorCode, const char* comment1, const char* comment2,
                    const char* comment3);
