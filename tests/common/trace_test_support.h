#pragma once
// Helpers of the common-services tests: scratch directories, files, and child
// processes that start the services from a fresh state.

#include <fcntl.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "common/services.h"
#include "common/trace_internal.h"
#include "tests/support/temp_dir.h"

namespace tracetest {

using TempDir = vexotest::TempDir;

using vexotest::asText;

// The text of a file.
inline std::string readFile(const std::string& path) { return asText(vexotest::readBytes(path)); }

inline bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

#ifndef _WIN32
// Runs `body` in a child process and waits for it. The child starts from the
// parent's state (the test binaries never start the services in the parent
// while a child runs) and ends with exit code 0 unless `body` exits itself.
// Returns the child's process id; a child that did not end with 0 fails the test.
inline pid_t runInChild(const std::function<void()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Standard input from /dev/null so that no child has a console.
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) {
      ::dup2(null, STDIN_FILENO);
      ::close(null);
    }
    body();
    std::fflush(nullptr);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  return pid;
}
#else
// Windows has no fork: `body` runs in this process, and what it changed of the
// process afterwards is undone so that the next body starts as fresh: the
// services are stopped without writing anything more to the trace file, and
// the environment and working directory are restored. A body that exits ends
// the whole test binary, which fails it. Returns this process's id.
inline pid_t runInChild(const std::function<void()>& body) {
  std::vector<std::string> environment;
  for (char** entry = _environ; entry != nullptr && *entry != nullptr; ++entry) {
    environment.emplace_back(*entry);
  }
  std::error_code ignored;
  const std::filesystem::path workDir = std::filesystem::current_path(ignored);
  body();
  std::fflush(nullptr);
  if (XrkControlBlock* block = xrkControlBlock()) {
    block->traceFile.reset();
    block->fileOpen = 0;
  }
  xrkTermCommonServices();
  xrkCloseReportFile();
  std::vector<std::string> added;
  for (char** entry = _environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const std::size_t equals = text.find('=', 1);
    if (equals != std::string::npos) added.push_back(text.substr(0, equals));
  }
  for (const std::string& name : added) _putenv_s(name.c_str(), "");
  for (const std::string& text : environment) {
    const std::size_t equals = text.find('=', 1);
    if (equals == std::string::npos) continue;
    _putenv_s(text.substr(0, equals).c_str(), text.substr(equals + 1).c_str());
  }
  std::filesystem::current_path(workDir, ignored);
  return static_cast<pid_t>(::_getpid());
}
#endif

// Sets the variables a child needs for tracing into `dir` (in the child only).
inline void traceInto(const std::string& dir, const char* traceValue = "1",
                      const char* level = nullptr) {
  ::setenv("VEXO_TRACE", traceValue, 1);
  ::setenv("VEXO_TRACE_PATH", dir.c_str(), 1);
  ::setenv("VEXO_XLAT_PATH", dir.c_str(), 1);  // no control file there
  ::setenv("VEXO_CODEPAGE", "850", 1);
  if (level) {
    ::setenv("VEXO_TRACE_LEVEL", level, 1);
  } else {
    ::unsetenv("VEXO_TRACE_LEVEL");
  }
}

// File name of a per-process file of prefix "VEXO".
inline std::string vexoFile(pid_t pid, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "VEXO%4.4d.%s", static_cast<int>(pid % 100000 % 10000),
                extension);
  return name;
}

// Whether `text` at `at` matches `pattern`: 'd' a digit, 'D' a digit or a
// blank, 'A' an upper-case and 'a' a lower-case letter, anything else itself
// (so a pattern cannot hold those four letters literally).
inline bool matchesAt(const std::string& text, std::size_t at, const std::string& pattern) {
  if (text.size() - at < pattern.size() || at > text.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[at + i]);
    switch (pattern[i]) {
      case 'd': if (!std::isdigit(c)) return false; break;
      case 'D': if (!std::isdigit(c) && c != ' ') return false; break;
      case 'A': if (!std::isupper(c)) return false; break;
      case 'a': if (!std::islower(c)) return false; break;
      default: if (c != static_cast<unsigned char>(pattern[i])) return false;
    }
  }
  return true;
}

// Replaces every match of `pattern` (see matchesAt) by `replacement`.
inline std::string maskPattern(const std::string& text, const std::string& pattern,
                               const std::string& replacement) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    if (matchesAt(text, at, pattern)) {
      out += replacement;
      at += pattern.size();
    } else {
      out += text[at++];
    }
  }
  return out;
}

// Replaces what changes from run to run: thread ids, time stamps and dates.
inline std::string maskTrace(const std::string& text) {
  std::string masked = maskPattern(text, "(ddddd)", "(TTTTT)");
  masked = maskPattern(masked, "@dd:dd:dd.ddd ", "@HH:MM:SS.mmm ");
  return maskPattern(masked, "Aaa Aaa Dd dd:dd:dd dddd", "WWW MMM DD HH:MM:SS YYYY");
}

// The lines of a text, without their newlines.
inline std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace tracetest
