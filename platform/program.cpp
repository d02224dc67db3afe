#include "platform/program.h"

#ifndef _WIN32
#include <signal.h>
#endif

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <string>

void platformIgnoreFileSizeSignal() {
#ifndef _WIN32
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
#endif
}

int programGuardedRun(const char* name, std::FILE* err, int argc, char* argv[], ProgramBody body) {
  try {
    return body(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(err, "%s: out of memory\n", name);
  } catch (const std::exception& e) {
    std::fprintf(err, "%s: unexpected error: %s\n", name, e.what());
  } catch (...) {
    std::fprintf(err, "%s: unexpected error\n", name);
  }
  std::fflush(err);
  return PROGRAM_EXIT_FAILURE;
}

int programRunMain(const char* name, int argc, char* argv[], ProgramBody body) {
  platformIgnoreFileSizeSignal();
  int status = programGuardedRun(name, stderr, argc, argv, body);

  // An error flag set by an earlier write counts as well as a failing flush or
  // close: the data is lost either way.
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int flushError = errno;
  const bool clean = !std::ferror(stdout);
  const bool closed = std::fclose(stdout) == 0;
  if ((!flushed || !clean || !closed) && status == 0) {
    const int reason = flushError != 0 ? flushError : errno;
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", name,
                 reason != 0 ? std::strerror(reason) : "write error");
    status = PROGRAM_EXIT_FAILURE;
  }
  return status;
}

namespace {
// What --help or --version prints; set just before the run that prints it.
std::string g_toolText;
}  // namespace

int programRunTool(const char* name, const char* help, int argc, char* argv[], ProgramBody body) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0)) {
    g_toolText = argv[1][2] == 'h' ? std::string(help) : std::string(name) + " (vexo) " VEXO_VERSION "\n";
    body = [](int, char*[]) { return std::fputs(g_toolText.c_str(), stdout) < 0 ? PROGRAM_EXIT_FAILURE : 0; };
  }
  return programRunMain(name, argc, argv, body);
}
