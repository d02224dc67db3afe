// Operating-system services that are the same on every platform.
#include "platform/platform.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Code page numbers of the character sets a locale may name. Keys are upper
// case with "-" and "_" removed.
struct CharsetCodePage {
  const char* key;
  std::int32_t codePage;
};
constexpr CharsetCodePage kCharsets[] = {
    {"UTF8", 1208},         {"ISO88591", 819},   {"LATIN1", 819},       {"ISO885915", 923},
    {"LATIN9", 923},        {"ISO88592", 912},   {"ISO88595", 915},     {"ISO88597", 813},
    {"ISO88598", 916},      {"ISO88599", 920},   {"ANSIX3.41968", 367}, {"ASCII", 367},
    {"USASCII", 367},       {"KOI8R", 878},      {"EUCJP", 954},        {"SHIFTJIS", 943},
    {"SJIS", 943},          {"EUCKR", 970},      {"GB2312", 1383},      {"GBK", 1386},
    {"BIG5", 950},          {"WINDOWS1250", 1250}, {"WINDOWS1251", 1251}, {"WINDOWS1252", 1252},
    {"IBM437", 437},        {"IBM850", 850},
};

// "cp1252" and similar names carry the number themselves.
std::int32_t numberAfter(const std::string& key, const char* lead) {
  const std::size_t n = std::strlen(lead);
  if (key.size() <= n || key.compare(0, n, lead) != 0 || key.size() - n > 5) return 0;
  std::int32_t value = 0;
  for (std::size_t i = n; i < key.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(key[i]))) return 0;
    value = value * 10 + (key[i] - '0');
  }
  return value;
}

// Environment override of the console code page.
constexpr const char* kCodePageVariable = "VEXO_CODEPAGE";

const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

}  // namespace

std::int32_t platformCodePageOfCharset(const char* charset) {
  if (charset == nullptr) return 0;
  std::string key;
  for (const char* p = charset; *p != '\0'; ++p) {
    if (*p == '-' || *p == '_') continue;
    key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
  }
  for (const CharsetCodePage& entry : kCharsets) {
    if (key == entry.key) return entry.codePage;
  }
  if (std::int32_t cp = numberAfter(key, "CP")) return cp;
  if (std::int32_t cp = numberAfter(key, "IBM")) return cp;
  return 0;
}

std::int32_t platformCodePageOfLocale(const char* locale) {
  if (locale == nullptr || *locale == '\0') return 0;
  if (std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0) {
    return platformCodePageOfCharset("ASCII");
  }
  const char* dot = std::strchr(locale, '.');
  if (dot == nullptr) return 0;
  std::string charset(dot + 1);
  const std::size_t at = charset.find('@');
  if (at != std::string::npos) charset.resize(at);
  return platformCodePageOfCharset(charset.c_str());
}

std::string platformTimeText24(const std::tm& time) {
  const char* weekday = (time.tm_wday >= 0 && time.tm_wday < 7) ? kWeekdays[time.tm_wday] : "???";
  const char* month = (time.tm_mon >= 0 && time.tm_mon < 12) ? kMonths[time.tm_mon] : "???";
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", weekday, month, time.tm_mday,
                time.tm_hour, time.tm_min, time.tm_sec, 1900 + time.tm_year);
  return text;
}

std::string platformDirWithSeparator(const char* dir) {
  if (dir == nullptr || *dir == '\0') return std::string();
  std::string result(dir);
  const char last = result.back();
  if (last != '/' && last != platformDirSeparator()) result.push_back(platformDirSeparator());
  return result;
}

const char* platformGetEnv(const char* name) { return name ? std::getenv(name) : nullptr; }

std::int32_t platformCodePageOverride() {
  const char* value = std::getenv(kCodePageVariable);
  if (value == nullptr) return 0;
  char* end = nullptr;
  errno = 0;
  const long cp = std::strtol(value, &end, 10);
  if (errno == 0 && end != value && *end == '\0' && cp > 0 && cp <= PLATFORM_LARGEST_CODE_PAGE) {
    return static_cast<std::int32_t>(cp);
  }
  return 0;
}

// Both C libraries (glibc and the MinGW runtime) offer stat, access and unlink.
int platformFileAccess(const char* path, PlatformFileAccess* access) {
  struct stat info {};
  if (::stat(path, &info) != 0) return errno;
  access->regular = S_ISREG(info.st_mode);
  access->readable = ::access(path, R_OK) == 0;
  access->writable = ::access(path, W_OK) == 0;
  // The folder: up to the last separator, keeping a root's own ("/", "C:\\").
  std::string folder(path);
#ifdef _WIN32
  const std::size_t slash = folder.find_last_of("/\\");
  const bool root = slash == 0 || (slash == 2 && folder[1] == ':');
  constexpr int kFolderMode = W_OK;  // the Windows runtime knows no X_OK
#else
  const std::size_t slash = folder.find_last_of('/');
  const bool root = slash == 0;
  constexpr int kFolderMode = W_OK | X_OK;
#endif
  folder = slash == std::string::npos ? "." : folder.substr(0, root ? slash + 1 : slash);
  access->folderWritable = ::access(folder.c_str(), kFolderMode) == 0;
  return 0;
}

int platformPathStamp(const char* path, PlatformFileStamp* stamp) {
  struct stat info {};
  if (::stat(path, &info) != 0) return errno;
  stamp->size = static_cast<std::int64_t>(info.st_size);
#ifdef _WIN32
  stamp->changed = static_cast<std::int64_t>(info.st_mtime);
#else
  stamp->changed = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
#endif
  return 0;
}

int platformRemoveFile(const char* path) { return ::unlink(path) == 0 ? 0 : errno; }
