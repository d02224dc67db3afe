// Operating-system services on Windows (32-bit console programs).
#ifdef _WIN32

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

// Registry key and value that hold the system's OEM code page.
constexpr const char* kCodePageKey = "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\NLS\\CODEPAGE";
constexpr const char* kOemCodePageValue = "OEMCP";
// Room for the registry value as the system reads it.
constexpr DWORD kOemCodePageSize = 20;

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr unsigned long long kEpochOffset = 116444736000000000ULL;

}  // namespace

long long platformProcessId() { return static_cast<long long>(::GetCurrentProcessId()); }

long long platformThreadId() { return static_cast<long long>(::GetCurrentThreadId()); }

std::string platformProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::int32_t platformConsoleCodePage() { return static_cast<std::int32_t>(::GetConsoleCP()); }

long platformSystemCodePage(std::int32_t* codePage) {
  HKEY key = nullptr;
  LONG rc = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCodePageKey, 0, KEY_QUERY_VALUE, &key);
  if (rc != ERROR_SUCCESS) return rc;
  char value[kOemCodePageSize + 1] = {};
  DWORD size = kOemCodePageSize;
  rc = ::RegQueryValueExA(key, kOemCodePageValue, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(value), &size);
  ::RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return rc;
  value[kOemCodePageSize] = '\0';
  const long cp = std::atol(value);
  if (cp <= 0) return ERROR_INVALID_DATA;
  if (codePage != nullptr) *codePage = static_cast<std::int32_t>(cp);
  return 0;
}

void platformSleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

PlatformClock platformNow() {
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  const unsigned long long sinceEpoch = ticks - kEpochOffset;
  return PlatformClock{static_cast<std::time_t>(sinceEpoch / 10000000ULL),
                       static_cast<int>((sinceEpoch / 10000ULL) % 1000ULL)};
}

bool platformLocalTime(std::time_t seconds, std::tm* out) {
  std::memset(out, 0, sizeof *out);
  return ::localtime_s(out, &seconds) == 0;
}

bool platformUniversalTime(std::time_t seconds, std::tm* out) {
  std::memset(out, 0, sizeof *out);
  return ::gmtime_s(out, &seconds) == 0;
}

char platformDirSeparator() { return '\\'; }

#endif  // _WIN32
