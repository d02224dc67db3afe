#pragma once
// Runs one of the project's programs as its user runs it: arguments as given
// (no shell in between), a working directory, environment changes, and what
// it printed on each stream and its exit status.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace vexotest {

struct ProgramRun {
  int status = -1;  // the exit status; -1 when the program did not end by itself
  std::string out;
  std::string err;
};

// One environment change: `value` empty means the variable is removed.
struct EnvSetting {
  std::string name;
  std::optional<std::string> value;
};

// Files a program's standard streams use instead of the defaults: input from
// the null device, output captured into ProgramRun::out (which stays empty
// when `out` is given).
struct StandardFiles {
  std::string in;
  std::string out;
};

// The path of program `name` of the build tree the tests run from (ctest sets
// VEXO_BINARY_DIR); empty when the tests do not run through ctest.
inline std::string programFile(const std::string& name) {
  const char* binary = std::getenv("VEXO_BINARY_DIR");
  if (binary == nullptr) return std::string();
#ifdef _WIN32
  const std::string file = name + ".exe";
#else
  const std::string file = name;
#endif
  return std::filesystem::absolute(std::filesystem::path(binary) / "bin" / file).string();
}

namespace detail {

// What the program printed into `path`, as text.
inline std::string slurp(const std::filesystem::path& path) { return asText(readBytes(path)); }

#ifdef _WIN32
// One argument as the C runtime of the child splits its command line.
inline std::string quotedArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, '\\');  // before the closing quote
  return quoted + "\"";
}

// The command line of `program` with `args`.
inline std::string commandLineOf(const std::string& program, const std::vector<std::string>& args) {
  std::string line = quotedArgument(program);
  for (const std::string& arg : args) line += " " + quotedArgument(arg);
  return line;
}

// A file handle the child inherits as a standard stream.
class InheritedFile {
 public:
  InheritedFile(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    handle_ = ::CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~InheritedFile() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  InheritedFile(const InheritedFile&) = delete;
  InheritedFile& operator=(const InheritedFile&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Environment changes made for the child and undone afterwards.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const std::vector<EnvSetting>& settings) {
    for (const EnvSetting& s : settings) {
      const char* old = std::getenv(s.name.c_str());
      saved_.push_back({s.name, old ? std::optional<std::string>(old) : std::nullopt});
      ::SetEnvironmentVariableA(s.name.c_str(), s.value ? s.value->c_str() : nullptr);
    }
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      ::SetEnvironmentVariableA(it->name.c_str(), it->value ? it->value->c_str() : nullptr);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::vector<EnvSetting> saved_;
};
#else
// The argument vector of `program` with `args`, over copies it owns.
class ArgumentVector {
 public:
  ArgumentVector(const std::string& program, const std::vector<std::string>& args) : words_{program} {
    words_.insert(words_.end(), args.begin(), args.end());
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  char* const* get() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};
#endif

}  // namespace detail

// Runs `program` with `args` in `workDir` (the current directory when empty),
// with `env` applied on top of this process's environment.
inline ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::string& workDir = std::string(),
                             const std::vector<EnvSetting>& env = {}, const StandardFiles& files = {}) {
  TempDir capture;
  const std::string outPath = files.out.empty() ? capture.file("stdout") : files.out;
  const std::string errPath = capture.file("stderr");
  ProgramRun run;
#ifdef _WIN32
  {
    std::string commandLine = detail::commandLineOf(program, args);
    // Windows cuts longer command lines (or refuses them): never run a cut one.
    constexpr std::size_t kLongestCommandLine = 32767;
    if (commandLine.size() >= kLongestCommandLine) {
      run.err = "command line too long for Windows";
      return run;
    }
    detail::InheritedFile in(files.in.empty() ? "NUL" : files.in, false);
    detail::InheritedFile out(outPath, true);
    detail::InheritedFile err(errPath, true);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    detail::ScopedEnvironment scoped(env);
    if (::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         workDir.empty() ? nullptr : workDir.c_str(), &startup, &process)) {
      ::WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      if (::GetExitCodeProcess(process.hProcess, &code)) run.status = static_cast<int>(code);
      ::CloseHandle(process.hThread);
      ::CloseHandle(process.hProcess);
    }
  }
#else
  detail::ArgumentVector argv(program, args);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) ::_exit(127);
    for (const EnvSetting& s : env) {
      if (s.value) {
        ::setenv(s.name.c_str(), s.value->c_str(), 1);
      } else {
        ::unsetenv(s.name.c_str());
      }
    }
    const int in = ::open(files.in.empty() ? "/dev/null" : files.in.c_str(), O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) ::_exit(127);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    ::execv(program.c_str(), argv.get());
    ::_exit(127);
  }
  int raw = 0;
  if (pid > 0 && ::waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) run.status = WEXITSTATUS(raw);
#endif
  if (files.out.empty()) run.out = detail::slurp(outPath);
  run.err = detail::slurp(errPath);
  return run;
}

// A program started with its standard output on a pipe to this process (its
// errors go nowhere), for tests that act at given moments of its run and may
// end it hard: SIGKILL, or TerminateProcess on Windows. Its errors go to
// `errFile` when one is named.
class StartedProgram {
 public:
  StartedProgram(const std::string& program, const std::vector<std::string>& args,
                 const std::string& errFile = std::string()) {
#ifdef _WIN32
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE write = nullptr;
    if (!::CreatePipe(&out_, &write, &inherit, 0)) return;
    ::SetHandleInformation(out_, HANDLE_FLAG_INHERIT, 0);  // the child gets only its end
    std::string commandLine = detail::commandLineOf(program, args);
    detail::InheritedFile in("NUL", false);
    detail::InheritedFile err(errFile.empty() ? "NUL" : errFile, true);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = write;
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    if (::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         nullptr, &startup, &process)) {
      ::CloseHandle(process.hThread);
      process_ = process.hProcess;
    }
    ::CloseHandle(write);
#else
    int fds[2];
    if (::pipe(fds) != 0) return;
    detail::ArgumentVector argv(program, args);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], STDOUT_FILENO);
      const int err = errFile.empty() ? ::open("/dev/null", O_WRONLY)
                                      : ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(err, STDERR_FILENO);
      ::close(fds[0]);
      ::close(fds[1]);
      ::execv(program.c_str(), argv.get());
      ::_exit(127);
    }
    ::close(fds[1]);
    out_ = fds[0];
#endif
  }
  ~StartedProgram() {
    kill();
    wait();
#ifdef _WIN32
    if (out_ != nullptr) ::CloseHandle(out_);
#else
    if (out_ >= 0) ::close(out_);
#endif
  }
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  bool started() const {
#ifdef _WIN32
    return process_ != nullptr;
#else
    return pid_ > 0;
#endif
  }

  // Reads its output up to the `lines`-th line, or to its end; lines end in
  // "\n" (console text ends them in "\r\n" on Windows).
  std::string readLines(long lines) {
    std::string text;
    long seen = 0;
    char c = 0;
    while (seen < lines && readByte(c)) {
      if (c == '\n') {
#ifdef _WIN32
        if (!text.empty() && text.back() == '\r') text.pop_back();
#endif
        ++seen;
      }
      text += c;
    }
    return text;
  }

  // Ends it at once; true when it was still running and this ended it.
  bool kill() {
    if (!started() || ended_) return false;
#ifdef _WIN32
    killed_ = ::TerminateProcess(process_, kKilledExit) != 0;
#else
    killed_ = ::kill(pid_, SIGKILL) == 0;
#endif
    wait();
    return killed_;
  }

  // Waits for its end; its exit status (-1 when it was killed or did not start).
  int wait() {
    if (!started()) return -1;
    if (!ended_) {
#ifdef _WIN32
      ::WaitForSingleObject(process_, INFINITE);
      DWORD code = 0;
      ::GetExitCodeProcess(process_, &code);
      status_ = static_cast<int>(code);
      // A termination that came after its own end does not count as a kill.
      if (killed_ && code != kKilledExit) killed_ = false;
      ::CloseHandle(process_);
#else
      int raw = 0;
      ::waitpid(pid_, &raw, 0);
      // A kill sent just as it ended on its own does not count as a kill.
      killed_ = WIFSIGNALED(raw) && WTERMSIG(raw) == SIGKILL;
      status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
      ended_ = true;
    }
    return killed_ ? -1 : status_;
  }

 private:
  bool readByte(char& c) {
#ifdef _WIN32
    DWORD n = 0;
    return out_ != nullptr && ::ReadFile(out_, &c, 1, &n, nullptr) && n == 1;
#else
    return out_ >= 0 && ::read(out_, &c, 1) == 1;
#endif
  }

#ifdef _WIN32
  static constexpr UINT kKilledExit = 137;
  HANDLE process_ = nullptr;
  HANDLE out_ = nullptr;
#else
  pid_t pid_ = -1;
  int out_ = -1;
#endif
  bool ended_ = false;
  bool killed_ = false;
  int status_ = -1;
};

// A program's error output split in two: the error and warning lines, and
// the hint lines after them (those beginning with two blanks, kept without
// the blanks).
struct ErrorOutput {
  std::string lines;
  std::string hints;
};

inline ErrorOutput splitHints(const std::string& err) {
  ErrorOutput split;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("  ", 0) == 0) {
      split.hints += line.substr(2) + "\n";
    } else {
      split.lines += line + (in.eof() ? "" : "\n");
    }
  }
  return split;
}

}  // namespace vexotest
