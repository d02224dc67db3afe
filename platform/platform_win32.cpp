// Operating-system services on Windows (32-bit console programs).
#ifdef _WIN32

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <lmcons.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

// Registry key and value that hold the system's OEM code page.
constexpr const char* kCodePageKey = "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\NLS\\CODEPAGE";
constexpr const char* kOemCodePageValue = "OEMCP";
// Bytes read of the registry value.
constexpr DWORD kOemCodePageSize = 20;

// Longest program path asked for; Windows paths never exceed it.
constexpr std::size_t kLongestPath = 32768;

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr unsigned long long kEpochOffset = 116444736000000000ULL;

// Closes a registry key when it goes out of scope.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The leading decimal number of a text (blanks before it allowed), or 0 when
// there is none or it is too large to be a code page.
long leadingCodePage(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > PLATFORM_LARGEST_CODE_PAGE) return 0;
  }
  return value;
}

}  // namespace

long long platformProcessId() { return static_cast<long long>(::GetCurrentProcessId()); }

long long platformThreadId() { return static_cast<long long>(::GetCurrentThreadId()); }

std::string platformProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return std::string(buffer.data(), n);
    // A full buffer means the path was cut: ask again with more room.
    if (buffer.size() >= kLongestPath) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

std::int32_t platformConsoleCodePage() {
  if (const std::int32_t cp = platformCodePageOverride()) return cp;
  return static_cast<std::int32_t>(::GetConsoleCP());
}

long platformSystemCodePage(std::int32_t* codePage) {
  RegistryKey key;
  LONG rc = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCodePageKey, 0, KEY_QUERY_VALUE, key.out());
  if (rc != ERROR_SUCCESS) return rc;
  // One byte more than is read, so that the text always ends.
  char value[kOemCodePageSize + 1] = {};
  DWORD size = kOemCodePageSize;
  DWORD type = REG_NONE;
  rc = ::RegQueryValueExA(key.get(), kOemCodePageValue, nullptr, &type,
                          reinterpret_cast<BYTE*>(value), &size);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  const long cp = leadingCodePage(value);
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
  if (::localtime_s(out, &seconds) == 0) return true;
  std::memset(out, 0, sizeof *out);
  return false;
}

bool platformUniversalTime(std::time_t seconds, std::tm* out) {
  std::memset(out, 0, sizeof *out);
  if (::gmtime_s(out, &seconds) == 0) return true;
  std::memset(out, 0, sizeof *out);
  return false;
}

char platformDirSeparator() { return '\\'; }

bool platformIsTerminal(std::FILE* file) { return file != nullptr && ::_isatty(::_fileno(file)) != 0; }

bool platformIsAbsolutePath(const char* path) {
  if (path == nullptr) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  const bool letter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
  return letter && path[1] == ':';
}

std::string platformLoginName() {
  std::vector<char> buffer(UNLEN + 1, '\0');  // room for the longest user name
  DWORD size = static_cast<DWORD>(buffer.size());
  if (::GetUserNameA(buffer.data(), &size) && buffer[0] != '\0') {
    buffer.back() = '\0';
    return buffer.data();
  }
  const char* value = std::getenv("USERNAME");
  return (value && *value) ? value : std::string();
}

int platformCreateNewFile(const char* path) {
  const int fd = ::_open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                         _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno;
  ::_close(fd);
  return 0;
}

namespace {

// The errno value closest to a failed CreateFile.
int errnoOfWindowsError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return EINVAL;
  }
}

}  // namespace

std::FILE* platformOpenRegularFile(const char* path, PlatformFileUse use, int* error) {
  auto fail = [error](int code) -> std::FILE* {
    if (error != nullptr) *error = code;
    return nullptr;
  };
  if (path == nullptr) return fail(EINVAL);
  const bool append = use != PlatformFileUse::Read;
  DWORD access = GENERIC_READ;
  int crtFlags = _O_RDONLY | _O_BINARY;
  const char* mode = "rb";
  if (use == PlatformFileUse::Append) {
    access = GENERIC_WRITE;
    crtFlags = _O_WRONLY | _O_APPEND | _O_TEXT;
    mode = "a";
  } else if (use == PlatformFileUse::AppendAndRead) {
    access = GENERIC_READ | GENERIC_WRITE;
    crtFlags = _O_RDWR | _O_APPEND | _O_TEXT;
    mode = "a+";
  }
  // For appending, a link is opened itself (and then refused), not its target.
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (append ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE handle = ::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                append ? OPEN_ALWAYS : OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return fail(errnoOfWindowsError(::GetLastError()));
  BY_HANDLE_FILE_INFORMATION info{};
  DWORD refused = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
  if (append) refused |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & refused) != 0) {
    ::CloseHandle(handle);
    return fail(PLATFORM_NOT_REGULAR_FILE);
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), crtFlags);
  if (fd < 0) {
    ::CloseHandle(handle);
    return fail(EMFILE);
  }
  std::FILE* file = ::_fdopen(fd, mode);
  if (file == nullptr) {
    const int code = errno;
    ::_close(fd);  // closes the handle as well
    return fail(code);
  }
  return file;
}

int platformFileStamp(std::FILE* file, PlatformFileStamp* stamp) {
  if (file == nullptr) return EINVAL;
  const intptr_t osHandle = ::_get_osfhandle(::_fileno(file));
  BY_HANDLE_FILE_INFORMATION info{};
  if (osHandle == -1 || !::GetFileInformationByHandle(reinterpret_cast<HANDLE>(osHandle), &info)) {
    return EIO;
  }
  stamp->size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) |
                                          info.nFileSizeLow);
  stamp->changed = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
      info.ftLastWriteTime.dwLowDateTime);
  return 0;
}

#endif  // _WIN32
