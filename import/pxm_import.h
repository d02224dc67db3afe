#pragma once
// The import run of vexopxm: command line, creation of the reader, session and
// composer, the loop over the statements of the source file, and the clean-up.

#include <memory>
#include <string>
#include <vector>

#include "common/zo_types.h"
#include "import/pxm_file.h"
#include "import/pxm_map_loop.h"
#include "import/pxm_message.h"
#include "import/user_message.h"
#include "session/zo_session.h"

// What the user types; printed after "Usage: ".
inline constexpr const char* PXM_USAGE_TEXT = "vexopxm [/r] filename.pxm";
// The file name must contain this, compared on an upper-cased copy.
inline constexpr const char* PXM_FILE_EXTENSION = ".PXM";
// Product prefix with which the common services are started.
inline constexpr const char* PXM_PRODUCT_PREFIX = "VEXO";
// Text of the last line of a run that imported everything.
inline constexpr const char* PXM_DONE_TEXT = "OK";

// Whether every argument beginning with "/" is an option, as on Windows, where
// "/" is the option prefix. Elsewhere "/" also begins absolute paths, so there
// such an argument is an option only when it is two characters long ("/r").
#ifdef _WIN32
inline constexpr bool PXM_SLASH_PREFIX_OPTIONS = true;
#else
inline constexpr bool PXM_SLASH_PREFIX_OPTIONS = false;
#endif

// Whether `argument`, met before the file name, is an option: it begins with
// "-", or with "/" under the rule `slashPrefixOptions` chooses (see above).
bool PXMIsOption(const char* argument, bool slashPrefixOptions);

// Exit status of the program.
inline constexpr int PXM_EXIT_OK = 0;     // "OK" printed, or the usage asked for
inline constexpr int PXM_EXIT_ERROR = 1;  // an error line printed
inline constexpr int PXM_EXIT_WARNINGS = 2;  // "OK" printed after check-mode warnings (/w, /c)

class PXMImport {
 public:
  PXMImport() = default;
  // Runs the clean-up if run() has not.
  ~PXMImport();

  PXMImport(const PXMImport&) = delete;
  PXMImport& operator=(const PXMImport&) = delete;

  // One whole run with the program's arguments (the session gets them too and
  // borrows `argv` for its lifetime). Prints through `message`; returns the
  // exit status.
  int run(int argc, char* argv[], UserMessage& message);

 private:
  // Outcome of one step of the run: go on, stop after an error line, or stop
  // after printing the usage that was asked for.
  enum class Step { Go, Stop, Usage };

  // Applies the options before the first file name; sets fileNames_ or stops.
  Step parseCommandLine(int argc, char* argv[], UserMessage& message);
  // Checks the name of the file fileName_ and creates its reader; then, for
  // the first file, the session and the composer (in check mode only the
  // composer, which writes nothing).
  Step createObjects(int argc, char* argv[], UserMessage& message);
  // Imports the file fileName_ as a run of its own would; false after an error line.
  bool importFile(int argc, char* argv[], UserMessage& message);
  // Releases the reader, then the composer, then the session, then the
  // upper-cased name; safe to call more than once.
  void cleanUp();

  std::unique_ptr<PXMFile> reader_;
  std::unique_ptr<PXMMessage> composer_;
  std::unique_ptr<ZoSession> session_;
  std::unique_ptr<PXMChecks> checks_;  // only in the check mode
  std::string upperName_;
  const char* fileName_ = nullptr;  // the file being imported, as typed, borrowed from argv
  std::vector<const char*> fileNames_;  // every file to import, in order
  ZO_LONG mapsImported_ = 0;
  ZO_LONG warnings_ = 0;
  ZO_BOOLEAN replace_ = FALSE;
  bool check_ = false;  // the check mode (/w) was asked for
  bool checkOnly_ = false;  // /c: read and check the sources, open no database, write nothing
  bool keepAttributes_ = false;  // /a: keep the size, display defaults and initial values
};
