#pragma once
// Trace facility: function entries and exits, text lines and hex dumps.
//
// All four recording operations do nothing while the common services are not
// started. Library code does not call them directly: it uses XtrMethod and the
// XTR_* macros below, which apply the calling convention (entry and exit lines
// only while user tracing is off; text and data lines only while tracing is
// active and user tracing is off).
//
// Any thread may trace at any time between the start and the stop of the
// common services: each thread keeps its own function stack (the first 39
// threads get one), and the shared ring, nesting count and file lines are
// written under one lock, so lines of different threads never mix. A line is
// written and flushed as a whole.

#include <cstdarg>
#include <cstddef>

#include "common/error_codes.h"
#include "common/zo_types.h"

// Module state read by the whole system.
extern int xtrTraceActive;        // 1 once the trace file is open
extern int xtrUserTracingActive;  // 1 when <prefix>_TRACE began with "U"/"u"

// Reads the <prefix>_TRACE* variables, opens the trace file when asked and
// allocates the ring. Called once by xrkInitCommonServices; returns 0.
int xtrInitialize();
// Records entry into / exit from a function (names longer than 39 characters
// are cut in the records, not in the file; a null name counts as empty).
void xtrEntry(const char* functionName);
void xtrExit(const char* functionName, ZO_ULONG returnCode);
// One text line "   ! <text>" (a null text counts as empty).
void xtrText(const char* text);
// Hex dump of `length` bytes; a null address writes "  has NULL pointer", a
// length below 1 writes nothing.
void xtrData(const void* address, ZO_LONG length);

// Format checking of xtrTextF. MinGW's "printf" checks against the old system
// runtime; its builds format with the C99 functions (%zu, %lld), as elsewhere.
#ifdef __MINGW32__
#define XTR_PRINTF_CHECK(formatArg, firstArg) __attribute__((format(gnu_printf, formatArg, firstArg)))
#else
#define XTR_PRINTF_CHECK(formatArg, firstArg) __attribute__((format(printf, formatArg, firstArg)))
#endif

// Writes one text line formatted like printf (no test of the trace state).
void xtrTextF(const char* format, ...) XTR_PRINTF_CHECK(1, 2);

// Opens (for appending) the trace file at `path` and writes its header.
// Returns 0, or XEC_NOT_STARTED_OR_NO_TRACE_FILE after a failure report when
// the file cannot be opened or the common services are not started.
ZO_ULONG xrk_xtrOpenTraceFile(const char* path);

// Releases the in-core ring and closes the trace file. Returns 0.
ZO_ULONG xrk_xtrTerminate();

inline bool xtrTextWanted() { return xtrTraceActive && !xtrUserTracingActive; }

// Whose calling convention a traced function follows: the class library and
// the programs trace only while user tracing is off; the common services
// trace regardless.
enum class XtrCaller { Library, CommonServices };

// Traces one method: the entry line now and the exit line, with the code that
// `code` holds at that moment, when the scope ends (so on every return).
// `code` must outlive the guard (a temporary is refused at compile time).
// The exit line may carry another name than the entry line: given at the
// start, or set on the way with exitAs(). An object that exposes only public
// codes traces its public return code instead.
class XtrMethod {
 public:
  XtrMethod(const char* name, const ZO_ULONG& code, XtrCaller caller = XtrCaller::Library)
      : XtrMethod(name, name, code, caller) {}
  XtrMethod(const char* entryName, const char* exitName, const ZO_ULONG& code,
            XtrCaller caller = XtrCaller::Library)
      : exitName_(exitName), code_(&code), always_(caller == XtrCaller::CommonServices) {
    if (always_ || !xtrUserTracingActive) xtrEntry(entryName);
  }
  XtrMethod(const char* name, const ZoErrorCodes& codes) : exitName_(name), public_(&codes) {
    if (!xtrUserTracingActive) xtrEntry(name);
  }
  XtrMethod(const char*, const ZO_ULONG&&, XtrCaller = XtrCaller::Library) = delete;
  XtrMethod(const char*, const char*, const ZO_ULONG&&, XtrCaller = XtrCaller::Library) = delete;
  ~XtrMethod() {
    if (always_ || !xtrUserTracingActive)
      xtrExit(exitName_, code_ ? *code_ : static_cast<ZO_ULONG>(public_->getPublicReturnCode()));
  }
  XtrMethod(const XtrMethod&) = delete;
  XtrMethod& operator=(const XtrMethod&) = delete;

  // The name the exit line carries from now on.
  void exitAs(const char* name) { exitName_ = name; }

 private:
  const char* exitName_;
  const ZO_ULONG* code_ = nullptr;
  const ZoErrorCodes* public_ = nullptr;
  bool always_ = false;
};

#define XTR_CONCAT2(a, b) a##b
#define XTR_CONCAT(a, b) XTR_CONCAT2(a, b)
// XTR_METHOD("ZoConfig :: open", m_rc);
#define XTR_METHOD(name, code) XtrMethod XTR_CONCAT(xtrMethod_, __LINE__)(name, code)
// XTR_SERVICE("xxxOpenConv", rc): a common-services function, traced under user tracing too.
#define XTR_SERVICE(name, code) \
  XtrMethod XTR_CONCAT(xtrMethod_, __LINE__)(name, code, XtrCaller::CommonServices)
// Text and dump lines under the calling convention; arguments are not evaluated otherwise.
#define XTR_TEXT(text)                  \
  do {                                  \
    if (xtrTextWanted()) xtrText(text); \
  } while (0)
#define XTR_TEXTF(...)                         \
  do {                                         \
    if (xtrTextWanted()) xtrTextF(__VA_ARGS__); \
  } while (0)
#define XTR_DATA(address, length)                     \
  do {                                                \
    if (xtrTextWanted()) xtrData(address, length);    \
  } while (0)
