// The platform layer's services on Windows, checked against the system's own
// answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <process.h>

#include <ctime>
#include <string>
#include <thread>

#include "common/sysutil.h"
#include "platform/platform.h"
#include "tests/platform/scoped_env.h"

namespace {

TEST(PlatformWin32, BackslashSeparatesDirectories) {
  EXPECT_EQ(platformDirSeparator(), '\\');
  EXPECT_EQ(platformDirWithSeparator("C:\\trace"), "C:\\trace\\");
  EXPECT_EQ(platformDirWithSeparator("C:/trace/"), "C:/trace/");
  for (const char* absolute : {"C:\\data", "c:/data", "\\data", "/data", "\\\\server\\share"}) {
    EXPECT_TRUE(platformIsAbsolutePath(absolute)) << absolute;
  }
  for (const char* relative : {"data", "data\\x.ndb", "1:x", "", ".\\x"}) {
    EXPECT_FALSE(platformIsAbsolutePath(relative)) << relative;
  }
  EXPECT_FALSE(platformIsAbsolutePath(nullptr));
}

TEST(PlatformWin32, IdsAreTheSystemsAndDifferPerThread) {
  EXPECT_EQ(platformProcessId(), static_cast<long long>(::GetCurrentProcessId()));
  EXPECT_EQ(platformProcessId(), static_cast<long long>(::_getpid()));
  const long long mine = platformThreadId();
  EXPECT_EQ(mine, static_cast<long long>(::GetCurrentThreadId()));
  long long other = 0;
  std::thread([&other] { other = platformThreadId(); }).join();
  EXPECT_NE(other, 0);
  EXPECT_NE(other, mine);
}

TEST(PlatformWin32, ProgramPathIsTheWholeModulePath) {
  const std::string path = platformProgramPath();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\");
  const std::string name = "platform_test.exe";
  ASSERT_GE(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name);
}

TEST(PlatformWin32, SystemCodePageIsTheRegistrysOemCodePage) {
  std::int32_t cp = -1;
  ASSERT_EQ(platformSystemCodePage(&cp), 0);
  EXPECT_EQ(cp, static_cast<std::int32_t>(::GetOEMCP()));
  EXPECT_EQ(platformSystemCodePage(nullptr), 0);
}

TEST(PlatformWin32, ConsoleCodePageIsTheConsolesUnlessOverridden) {
  ScopedEnv none("VEXO_CODEPAGE", nullptr);
  EXPECT_EQ(platformConsoleCodePage(), static_cast<std::int32_t>(::GetConsoleCP()));
  ScopedEnv over("VEXO_CODEPAGE", "1252");
  EXPECT_EQ(platformConsoleCodePage(), 1252);
}

// Without a console the system code page comes from the registry, with no
// failure report (the default 437 is then the registry's own value, not the
// fallback).
TEST(PlatformWin32, ObtainSystemCpWithoutAConsoleReadsTheRegistry) {
  ScopedEnv none("VEXO_CODEPAGE", nullptr);
  ::FreeConsole();
  ASSERT_EQ(::GetConsoleCP(), 0u);
  EXPECT_EQ(platformConsoleCodePage(), 0);
  EXPECT_EQ(ObtainSystemCp(), static_cast<ZO_LONG>(::GetOEMCP()));
}

TEST(PlatformWin32, ClockAgreesWithTheRuntime) {
  platformSleep(0);
  const std::time_t before = std::time(nullptr);
  const PlatformClock now = platformNow();
  const std::time_t after = std::time(nullptr);
  EXPECT_LE(before, now.seconds);
  EXPECT_LE(now.seconds, after);
  EXPECT_GE(now.milliseconds, 0);
  EXPECT_LE(now.milliseconds, 999);
  std::tm utc{};
  ASSERT_TRUE(platformUniversalTime(0, &utc));
  EXPECT_EQ(utc.tm_year, 70);
  EXPECT_EQ(utc.tm_mday, 1);
  EXPECT_FALSE(platformUniversalTime(-1, &utc));  // before the runtime's epoch
}

}  // namespace
