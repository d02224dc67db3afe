#include "tests/defs/trace_capture.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "common/trace.h"

namespace {
std::vector<std::string>& captured() {
  static std::vector<std::string> lines;
  return lines;
}
bool capturing = false;

void record(std::string line) {
  if (capturing) captured().push_back(std::move(line));
}
}  // namespace

// Wrapped symbols (the mangled names of the five trace functions with the
// linker's "__wrap_" prefix): the linker sends the library's trace calls here.
extern "C" {
void __wrap__Z8xtrEntryPKc(const char* name) { record(std::string("> ") + name); }

void __wrap__Z7xtrExitPKcj(const char* name, ZO_ULONG code) {
  char rc[16];
  std::snprintf(rc, sizeof rc, "0x%08X", static_cast<unsigned>(code));
  record(std::string("< ") + name + " rc=" + rc);
}

void __wrap__Z7xtrTextPKc(const char* text) { record(text == nullptr ? std::string() : std::string(text)); }

void __wrap__Z8xtrTextFPKcz(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  record(text);
}

void __wrap__Z7xtrDataPKvi(const void* address, ZO_LONG length) {
  std::string line = "DATA " + std::to_string(length) + ": ";
  if (address != nullptr && length > 0) line.append(static_cast<const char*>(address), static_cast<std::size_t>(length));
  record(line);
}
}

TraceCapture::TraceCapture(bool userTracing) : savedActive_(xtrTraceActive), savedUser_(xtrUserTracingActive) {
  captured().clear();
  capturing = true;
  xtrTraceActive = 1;
  xtrUserTracingActive = userTracing ? 1 : 0;
}

TraceCapture::~TraceCapture() {
  capturing = false;
  xtrTraceActive = savedActive_;
  xtrUserTracingActive = savedUser_;
}

const std::vector<std::string>& TraceCapture::lines() const { return captured(); }
void TraceCapture::clear() { captured().clear(); }

int TraceCapture::count(const std::string& line) const {
  return static_cast<int>(std::count(captured().begin(), captured().end(), line));
}

bool TraceCapture::mentions(const std::string& text) const {
  return std::any_of(captured().begin(), captured().end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}
