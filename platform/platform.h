#pragma once
// Operating-system services of the whole system. Every call into the operating
// system (process and thread ids, program path, code pages, sleep, clock) is
// made behind this interface; platform_posix.cpp and platform_win32.cpp supply
// the two implementations, platform.cpp the parts they share.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// Id of the running process as the operating system gives it.
long long platformProcessId();

// Id of the calling thread as the operating system gives it (not cached: the
// caller keeps it if it needs it often).
long long platformThreadId();

// Full path of the running program file; empty when it cannot be found.
std::string platformProgramPath();

// Code page of the console input, or 0 when the process has no console (or no
// console code page can be told). The environment variable VEXO_CODEPAGE, when
// it holds a plausible code page number, overrides it on every platform.
// Otherwise on Linux, while standard input is a terminal, the code page of the
// locale's character set; on Windows the console's input code page.
std::int32_t platformConsoleCodePage();

// Largest number taken as a code page (code pages have at most 5 digits).
inline constexpr long PLATFORM_LARGEST_CODE_PAGE = 99999;

// The code page VEXO_CODEPAGE names (1 to PLATFORM_LARGEST_CODE_PAGE), or 0
// when it names none.
std::int32_t platformCodePageOverride();

// The system's default (OEM) code page. Returns 0 and sets *codePage, or
// returns the operating system's error code and leaves *codePage alone.
// On Linux the locale's character set (LC_ALL, LC_CTYPE, LANG, the first one
// set) gives it; the default locale ("C", "POSIX" or no variable) is ASCII.
long platformSystemCodePage(std::int32_t* codePage);

// Code page number of a character-set name such as "UTF-8" or "ISO-8859-1"
// (case, "-" and "_" do not matter), or 0 when the name is not known.
std::int32_t platformCodePageOfCharset(const char* charset);

// Code page of a locale name of the form language_TERRITORY.charset@modifier,
// or 0 when it names no known character set. "C" and "POSIX" are ASCII.
std::int32_t platformCodePageOfLocale(const char* locale);

// Suspends the calling thread for at least `milliseconds`.
void platformSleep(std::uint32_t milliseconds);

// A moment of the wall clock: calendar time and the milliseconds within its second.
struct PlatformClock {
  std::time_t seconds;
  int milliseconds;  // 0..999
};
PlatformClock platformNow();

// Breaks `seconds` down as local time / as universal time into *out.
// Return false (leaving *out zeroed) when the time cannot be represented.
bool platformLocalTime(std::time_t seconds, std::tm* out);
bool platformUniversalTime(std::time_t seconds, std::tm* out);

// The 24 characters "Www Mmm dd hh:mm:ss yyyy" of a broken-down time (the
// classic C-library form, without its newline).
std::string platformTimeText24(const std::tm& time);

// Directory separator of this platform ('/' on Linux, '\\' on Windows).
char platformDirSeparator();

// A directory taken from an environment variable, ready to have a file name
// appended: the separator is added unless the value already ends in one ('/',
// and on Windows also '\\'; on Linux '\\' is an ordinary character of a
// name). A null or empty value gives "" (the current directory).
std::string platformDirWithSeparator(const char* dir);

// Whether `path` names a file independently of the current directory: it starts
// with '/' (or, on Windows, with '\\' or a drive letter and a colon).
bool platformIsAbsolutePath(const char* path);

// Value of an environment variable, or null when it is not set.
const char* platformGetEnv(const char* name);

// Whether `file` is open on a terminal (isatty on Linux, _isatty on Windows).
bool platformIsTerminal(std::FILE* file);

// Login name of the user the process runs as, or "" when none can be found.
// On Linux the password database, then USER and LOGNAME; on Windows the
// system's user name, then USERNAME.
std::string platformLoginName();

// Creates the empty file `path`, which must not exist yet, and closes it again
// (the handle is not inherited by child processes). Returns 0, or the errno
// value of the failure: EEXIST when the file (or a directory) is already there.
int platformCreateNewFile(const char* path);

// What platformOpenRegularFile opens a file for, with the stream mode it gives.
enum class PlatformFileUse {
  Read,           // "rb": an existing file
  Append,         // "a": created when missing, written at its end
  AppendAndRead,  // "a+": as Append, and readable
};

// Reported by platformOpenRegularFile for a path that names something other
// than a regular file (never an errno value).
inline constexpr int PLATFORM_NOT_REGULAR_FILE = -1;

// Opens `path` as a stream only when it names a regular file: a FIFO, a
// device, a directory or a socket is refused at once, without waiting for a
// writer or reading a byte. For the two append uses a symbolic link (on
// Windows any reparse point) is never followed but refused; new files get
// mode 0644 under the umask. Appending files are text streams on Windows, as
// "a" and "a+" are there. Returns the stream, which the caller closes, or null
// with *error (when given) set to the errno value of the failed open or to
// PLATFORM_NOT_REGULAR_FILE. The handle is not inherited by child processes.
std::FILE* platformOpenRegularFile(const char* path, PlatformFileUse use, int* error = nullptr);

// What the process may do with an existing file.
struct PlatformFileAccess {
  bool regular;   // a plain file (not a directory or device)
  bool readable;  // the process may read it
  bool writable;  // the process may change it
  bool folderWritable;  // the process may make and remove files in its folder
};

// Fills *access for `path`. Returns 0, or the errno value of the failure
// (ENOENT or ENOTDIR when there is no such file).
int platformFileAccess(const char* path, PlatformFileAccess* access);

// Removes the file `path`. Returns 0, or the errno value of the failure.
int platformRemoveFile(const char* path);

// Size and last change of an open file: two stamps that differ mean the file
// was changed in between (the change time has the finest resolution the
// system keeps).
struct PlatformFileStamp {
  std::int64_t size = -1;
  std::int64_t changed = 0;  // system-dependent units; only compared for equality
  bool operator==(const PlatformFileStamp&) const = default;
};

// Fills *stamp for the open stream `file`. Returns 0, or the errno value of the failure.
int platformFileStamp(std::FILE* file, PlatformFileStamp* stamp);

// Fills *stamp for the file `path`. Returns 0, or the errno value of the failure.
int platformPathStamp(const char* path, PlatformFileStamp* stamp);
