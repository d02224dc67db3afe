#pragma once
// The few POSIX calls the tests use for their scratch state, on Windows.
// Every test translation unit of a Windows build includes this first (see
// vexo_test in cmake/Vexo.cmake); production code goes through platform/.
#ifdef _WIN32

#include <direct.h>
#include <process.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

// Sets an environment variable. The C runtime keeps no empty values: an empty
// value removes the variable, which every reader here takes as "not set".
inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && std::getenv(name) != nullptr) return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

// Replaces the trailing "XXXXXX" of `pattern` and creates that directory.
inline char* mkdtemp(char* pattern) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static constexpr std::size_t kPlaceholders = 6;
  static constexpr int kAttempts = 100;
  const std::size_t length = std::strlen(pattern);
  if (length < kPlaceholders || std::strcmp(pattern + length - kPlaceholders, "XXXXXX") != 0) {
    errno = EINVAL;
    return nullptr;
  }
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    for (std::size_t i = length - kPlaceholders; i < length; ++i) {
      pattern[i] = kLetters[random() % (sizeof kLetters - 1)];
    }
    if (_mkdir(pattern) == 0) return pattern;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

// File modes cannot make a file unreadable on Windows, as they cannot for the
// superuser on POSIX: tests that need such modes skip as they do for root.
inline int geteuid() { return 0; }

#endif  // _WIN32
