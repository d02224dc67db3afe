// Operating-system services on Linux and other POSIX systems.
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

// Environment override of the console code page.
constexpr const char* kCodePageVariable = "VEXO_CODEPAGE";
// Largest value read from the override (code pages have at most 5 digits).
constexpr long kLargestCodePage = 99999;

// The locale of the character classes, as the C library would choose it.
const char* ctypeLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

}  // namespace

long long platformProcessId() { return static_cast<long long>(::getpid()); }

long long platformThreadId() { return static_cast<long long>(::syscall(SYS_gettid)); }

std::string platformProgramPath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::int32_t platformConsoleCodePage() {
  if (const char* value = std::getenv(kCodePageVariable)) {
    char* end = nullptr;
    errno = 0;
    const long cp = std::strtol(value, &end, 10);
    if (errno == 0 && end != value && *end == '\0' && cp > 0 && cp <= kLargestCodePage) {
      return static_cast<std::int32_t>(cp);
    }
  }
  if (!::isatty(STDIN_FILENO)) return 0;
  return platformCodePageOfLocale(ctypeLocale());
}

long platformSystemCodePage(std::int32_t* codePage) {
  const std::int32_t cp = platformCodePageOfLocale(ctypeLocale());
  if (cp == 0) return EINVAL;
  if (codePage != nullptr) *codePage = cp;
  return 0;
}

void platformSleep(std::uint32_t milliseconds) {
  timespec wait{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

PlatformClock platformNow() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return PlatformClock{now.tv_sec, static_cast<int>(now.tv_nsec / 1000000L)};
}

bool platformLocalTime(std::time_t seconds, std::tm* out) {
  std::memset(out, 0, sizeof *out);
  return ::localtime_r(&seconds, out) != nullptr;
}

bool platformUniversalTime(std::time_t seconds, std::tm* out) {
  std::memset(out, 0, sizeof *out);
  return ::gmtime_r(&seconds, out) != nullptr;
}

char platformDirSeparator() { return '/'; }
