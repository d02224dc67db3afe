#pragma once
// Captures what the library writes through the trace interface, for tests.
//
// The test binary must be linked with the trace calls wrapped (see
// vexo_defs_trace_capture() in tests/defs/CMakeLists.txt): every call of
// xtrEntry, xtrExit, xtrText, xtrTextF and xtrData then lands here instead of in
// the trace facility. While a TraceCapture exists, tracing counts as active
// (user tracing off unless asked), and each call is recorded as one line:
//   "> name"            entry
//   "< name rc=0x%08X"  exit
//   "text"              text line (xtrText, or xtrTextF formatted)
//   "DATA n: <bytes>"   dump of n bytes (the bytes as they are)

#include <string>
#include <vector>

class TraceCapture {
 public:
  explicit TraceCapture(bool userTracing = false);
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  const std::vector<std::string>& lines() const;
  void clear();
  // Number of lines equal to `line`.
  int count(const std::string& line) const;
  // TRUE when some line contains `text`.
  bool mentions(const std::string& text) const;

 private:
  int savedActive_;
  int savedUser_;
};
