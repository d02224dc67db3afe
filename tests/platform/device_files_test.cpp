// Every reader of an input file of the system, given a path that names no
// regular file: each refuses it at once with its usual open error, and none
// waits for a writer or reads a device without end.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "common/services.h"
#include "import/pxm_file.h"
#include "level/level_report.h"
#include "platform/platform.h"
#include "session/zo_config.h"
#include "tests/support/temp_dir.h"

namespace {

// What vexolev printed after its banner.
std::string levelReportOf(const std::string& path) {
  std::FILE* out = std::tmpfile();
  if (out == nullptr) return "no temporary file";
  const char* argv[] = {"vexolev", path.c_str()};
  const int status = levReport(2, argv, out);
  std::string text;
  std::rewind(out);
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) text.push_back(static_cast<char>(c));
  std::fclose(out);
  return std::to_string(status) + " " + text.substr(text.find('\n') + 1);
}

TEST(DeviceFiles, EveryReaderRefusesThem) {
  vexotest::TempDir dir;
  // Each special file is planted as the control file of the conversion, so
  // that the same path serves every reader.
  const std::string path = dir.file("VEXOCCS.TBL");
  struct Case {
    const char* what;
    bool (*plant)(const std::string& at);
  };
  const std::vector<Case> cases = {
#ifndef _WIN32  // FIFOs and /dev/zero exist only on POSIX systems
      {"FIFO without a writer", [](const std::string& at) { return ::mkfifo(at.c_str(), 0600) == 0; }},
      {"link to /dev/zero", [](const std::string& at) { return ::symlink("/dev/zero", at.c_str()) == 0; }},
#endif
      {"directory", [](const std::string& at) { return std::filesystem::create_directory(at); }},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(path);
    ASSERT_TRUE(c.plant(path)) << c.what;
    EXPECT_EQ(PXMFile(path.c_str()).GetStatus(), PXM_STATUS_NOT_OPENED) << c.what;

    ZoConfig config;
    EXPECT_EQ(config.open(path.c_str()), FALSE) << c.what;
    EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_OPEN_ERROR) << c.what;

    xrkTermCommonServices();
    ::setenv("VEXO_XLAT_PATH", dir.path().c_str(), 1);
    EXPECT_EQ(xrkInitCommonServices("VEXO"), XEC_CONV_CONTROL_FILE_OPEN) << c.what;
    xrkTermCommonServices();
    ::unsetenv("VEXO_XLAT_PATH");

#ifdef _WIN32
    const char* message = "Unable to open file ";  // a directory does not open there
#else
    const char* message = "Unable to read file ";
#endif
    EXPECT_EQ(levelReportOf(path), "1 " + std::string(message) + path + "\n") << c.what;
  }
}

}  // namespace
