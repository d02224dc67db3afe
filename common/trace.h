#pragma once
// Trace facility, the library's side: the module state, the start and stop
// called by the common services, and the guard and macros every traced
// function uses. The recording functions themselves are declared in
// common/trace_api.h, the part applications see.
//
// All four recording operations do nothing while the common services are not
// started. Library code does not call them directly: it uses XtrMethod and the
// XTR_* macros below, which apply the calling convention (entry and exit lines
// only while user tracing is off; text and data lines only while tracing is
// active and user tracing is off).
//
// Threads: any thread may trace at any time between the start and the stop of
// the common services: each thread keeps its own function stack (the first 39
// threads get one), and the shared ring, nesting count and file lines are
// written under one lock, so lines of different threads never mix. The two
// switches are atomics: written under that lock and by the start and stop,
// read anywhere without it.

#include <atomic>
#include <cstdarg>
#include <cstddef>

#include "common/error_codes.h"
#include "common/trace_api.h"
#include "common/zo_types.h"

// Module state read by the whole system.
extern std::atomic<int> xtrTraceActive;        // 1 once the trace file is open
extern std::atomic<int> xtrUserTracingActive;  // 1 when <prefix>_TRACE began with "U"/"u"

// Reads the <prefix>_TRACE* variables, opens the trace file when asked and
// allocates the ring. Called once by xrkInitCommonServices; returns 0.
int xtrInitialize();

// Opens (for appending) the trace file at `path` and writes its header.
// Returns 0, or XEC_NOT_STARTED_OR_NO_TRACE_FILE after a failure report when
// the file cannot be opened or the common services are not started.
ZO_ULONG xrk_xtrOpenTraceFile(const char* path);

// Releases the in-core ring, closes the trace file and clears both switches.
// Returns 0.
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
