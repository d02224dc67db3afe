// Operating-system services on Linux and other POSIX systems.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace {

// Room for one password-database entry when the system does not suggest any.
constexpr std::size_t kPasswordEntrySize = 16384;

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
  if (const std::int32_t cp = platformCodePageOverride()) return cp;
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

bool platformIsTerminal(std::FILE* file) { return file != nullptr && ::isatty(::fileno(file)) == 1; }

bool platformIsAbsolutePath(const char* path) { return path != nullptr && path[0] == '/'; }

std::string platformLoginName() {
  const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : kPasswordEntrySize);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name) {
    return found->pw_name;
  }
  for (const char* variable : {"USER", "LOGNAME"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return std::string();
}

int platformCreateNewFile(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

std::FILE* platformOpenRegularFile(const char* path, PlatformFileUse use, int* error) {
  auto fail = [error](int code) -> std::FILE* {
    if (error != nullptr) *error = code;
    return nullptr;
  };
  if (path == nullptr) return fail(EINVAL);
  int flags = O_RDONLY;
  const char* mode = "rb";
  if (use == PlatformFileUse::Append) {
    flags = O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW;
    mode = "a";
  } else if (use == PlatformFileUse::AppendAndRead) {
    flags = O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW;
    mode = "a+";
  }
  // Non-blocking, so that opening a FIFO without a partner returns at once;
  // regular files do not use the flag, and it is cleared again for them.
  const int fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return fail(errno);
  struct stat info {};
  int code = 0;
  if (::fstat(fd, &info) != 0) {
    code = errno;
  } else if (!S_ISREG(info.st_mode)) {
    code = PLATFORM_NOT_REGULAR_FILE;
  } else {
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) code = errno;
  }
  std::FILE* file = code == 0 ? ::fdopen(fd, mode) : nullptr;
  if (file == nullptr) {
    if (code == 0) code = errno;
    ::close(fd);
    return fail(code);
  }
  return file;
}

int platformFileStamp(std::FILE* file, PlatformFileStamp* stamp) {
  struct stat info {};
  if (file == nullptr || ::fstat(::fileno(file), &info) != 0) return file == nullptr ? EINVAL : errno;
  stamp->size = static_cast<std::int64_t>(info.st_size);
  stamp->changed = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000LL +
                   static_cast<std::int64_t>(info.st_mtim.tv_nsec);
  return 0;
}
