#pragma once
// The trace interface an application may call: entry, exit, text and dump
// lines in the library's trace file, and the two switches that say whether
// lines are written. Tracing is switched on by the <prefix>_TRACE,
// <prefix>_TRACE_PATH and <prefix>_TRACE_LEVEL environment variables read when
// the common services start (common/services_api.h).
//
// Threads: any thread may call every function here at any time between the
// start and the stop of the common services; all of them do nothing outside
// that time. Each thread keeps its own function stack (the first 39 threads get
// one); lines of different threads never mix, and each line is written and
// flushed as a whole. The switches are read without a lock.

#include "../common/vexo_export.h"
#include "../common/zo_types.h"

// Records entry into / exit from a function (names longer than 39 characters
// are cut in the records, not in the file; a null name counts as empty).
VEXO_API void xtrEntry(const char* functionName);
VEXO_API void xtrExit(const char* functionName, ZO_ULONG returnCode);
// One text line "   ! <text>" (a null text counts as empty).
VEXO_API void xtrText(const char* text);
// Hex dump of `length` bytes; a null address writes "  has NULL pointer", a
// length below 1 writes nothing.
VEXO_API void xtrData(const void* address, ZO_LONG length);

// Format checking of xtrTextF. MinGW's "printf" checks against the old system
// runtime; its builds format with the C99 functions (%zu, %lld), as elsewhere.
#ifdef __MINGW32__
#define XTR_PRINTF_CHECK(formatArg, firstArg) __attribute__((format(gnu_printf, formatArg, firstArg)))
#else
#define XTR_PRINTF_CHECK(formatArg, firstArg) __attribute__((format(printf, formatArg, firstArg)))
#endif

// Writes one text line formatted like printf (no test of the trace state).
VEXO_API void xtrTextF(const char* format, ...) XTR_PRINTF_CHECK(1, 2);

// The switches: ZO_TRUE once the trace file is open, and ZO_TRUE when
// <prefix>_TRACE began with "U" or "u" (user tracing: the library then writes
// no lines of its own, and the application's lines are all the file holds).
VEXO_API ZO_BOOLEAN xtrIsTraceActive();
VEXO_API ZO_BOOLEAN xtrIsUserTracingActive();
