// The platform layer's shared parts, and its services on POSIX systems.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "tests/platform/scoped_env.h"

namespace {

TEST(PlatformDirectory, SeparatorAddedOnceAndEmptyMeansCurrentDirectory) {
  EXPECT_EQ(platformDirWithSeparator("/tmp/trace"), std::string("/tmp/trace") + platformDirSeparator());
  EXPECT_EQ(platformDirWithSeparator("/tmp/trace/"), "/tmp/trace/");
#ifdef _WIN32
  EXPECT_EQ(platformDirWithSeparator("C:\\trace\\"), "C:\\trace\\") << "a backslash ends a Windows folder";
#else
  EXPECT_EQ(platformDirWithSeparator("C:\\trace\\"), "C:\\trace\\/") << "a backslash is part of a Linux name";
#endif
  EXPECT_EQ(platformDirWithSeparator("x"), std::string("x") + platformDirSeparator());
  EXPECT_EQ(platformDirWithSeparator(""), "");
  EXPECT_EQ(platformDirWithSeparator(nullptr), "");
}

TEST(PlatformCodePage, CharsetAndLocaleNames) {
  struct Case {
    std::int32_t (*codePageOf)(const char*);
    const char* name;
    std::int32_t codePage;  // 0: none
  };
  const Case cases[] = {
      {platformCodePageOfCharset, "UTF-8", 1208},
      {platformCodePageOfCharset, "utf8", 1208},
      {platformCodePageOfCharset, "ISO-8859-1", 819},
      {platformCodePageOfCharset, "iso88591", 819},
      {platformCodePageOfCharset, "ISO-8859-15", 923},
      {platformCodePageOfCharset, "ANSI_X3.4-1968", 367},
      {platformCodePageOfCharset, "CP850", 850},
      {platformCodePageOfCharset, "ibm437", 437},
      {platformCodePageOfCharset, "CP", 0},
      {platformCodePageOfCharset, "CP12345678", 0},  // too many digits for a code page
      {platformCodePageOfCharset, "KLINGON", 0},
      {platformCodePageOfCharset, "", 0},
      {platformCodePageOfCharset, nullptr, 0},
      {platformCodePageOfLocale, "en_US.UTF-8", 1208},
      {platformCodePageOfLocale, "de_DE.ISO-8859-1@euro", 819},
      {platformCodePageOfLocale, "C.UTF-8", 1208},
      {platformCodePageOfLocale, "C", 367},
      {platformCodePageOfLocale, "POSIX", 367},
      {platformCodePageOfLocale, "en_US", 0},  // names no character set
      {platformCodePageOfLocale, "en_US.", 0},
      {platformCodePageOfLocale, "", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.codePageOf(c.name), c.codePage) << (c.name ? c.name : "(null)");
}

TEST(PlatformTime, TwentyFourCharacterText) {
  std::tm t{};
  t.tm_year = 97;
  t.tm_mon = 7;
  t.tm_mday = 2;
  t.tm_hour = 4;
  t.tm_min = 5;
  t.tm_sec = 9;
  t.tm_wday = 6;
  EXPECT_EQ(platformTimeText24(t), "Sat Aug  2 04:05:09 1997");
  t.tm_mday = 12;
  t.tm_wday = 2;
  EXPECT_EQ(platformTimeText24(t), "Tue Aug 12 04:05:09 1997");
}

TEST(PlatformFiles, NewFileIsCreatedOnceAndNeverOverwritten) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("platform_test_" + std::to_string(platformProcessId()));
  fs::remove_all(dir);
  ASSERT_TRUE(fs::create_directories(dir));
  const std::string file = (dir / "new.db").string();
  ASSERT_EQ(platformCreateNewFile(file.c_str()), 0);
  EXPECT_TRUE(fs::is_regular_file(file));
  EXPECT_EQ(fs::file_size(file), 0u);
  {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("kept", out);
    std::fclose(out);
  }
  EXPECT_EQ(platformCreateNewFile(file.c_str()), EEXIST);
  EXPECT_EQ(fs::file_size(file), 4u);  // the existing file is left alone
  EXPECT_EQ(platformCreateNewFile(dir.string().c_str()), EEXIST);
  EXPECT_EQ(platformCreateNewFile((dir / "no" / "such.db").string().c_str()), ENOENT);
  fs::remove_all(dir);
}

TEST(PlatformCodePage, OverrideTakesOnlyAPlausibleNumber) {
  {
    ScopedEnv over("VEXO_CODEPAGE", "850");
    EXPECT_EQ(platformCodePageOverride(), 850);
    EXPECT_EQ(platformConsoleCodePage(), 850);
  }
  for (const char* bad : {"abc", "12x", "-5", "0", "100000", "99999999999"}) {
    ScopedEnv over("VEXO_CODEPAGE", bad);
    EXPECT_EQ(platformCodePageOverride(), 0) << bad;
  }
  ScopedEnv none("VEXO_CODEPAGE", nullptr);
  EXPECT_EQ(platformCodePageOverride(), 0);
}

TEST(PlatformUser, LoginNameIsFound) { EXPECT_FALSE(platformLoginName().empty()); }

#ifndef _WIN32
TEST(PlatformCodePage, SystemCodePageFollowsTheLocaleVariablesInOrder) {
  ScopedEnv all("LC_ALL", nullptr);
  ScopedEnv ctype("LC_CTYPE", "fr_FR.ISO-8859-15");
  ScopedEnv lang("LANG", "en_US.UTF-8");
  std::int32_t cp = -1;
  EXPECT_EQ(platformSystemCodePage(&cp), 0);
  EXPECT_EQ(cp, 923);
  {
    ScopedEnv all2("LC_ALL", "C.UTF-8");
    EXPECT_EQ(platformSystemCodePage(&cp), 0);
    EXPECT_EQ(cp, 1208);
  }
  {
    ScopedEnv empty("LC_CTYPE", "");  // an empty value counts as unset
    EXPECT_EQ(platformSystemCodePage(&cp), 0);
    EXPECT_EQ(cp, 1208);
  }
  {
    ScopedEnv unknown("LC_CTYPE", "xx_XX.NOSUCHSET");
    cp = 4242;
    EXPECT_NE(platformSystemCodePage(&cp), 0);
    EXPECT_EQ(cp, 4242);  // left alone on failure
  }
}

TEST(PlatformCodePage, ConsoleOverrideTakesOnlyAPlausibleNumber) {
  {
    ScopedEnv over("VEXO_CODEPAGE", "850");
    EXPECT_EQ(platformConsoleCodePage(), 850);
  }
  // Bad overrides are ignored; the result then depends on the terminal only.
  ScopedEnv lang("LC_ALL", "C.UTF-8");
  const std::int32_t withoutOverride = isatty(STDIN_FILENO) ? 1208 : 0;
  for (const char* bad : {"", "abc", "12x", "-5", "0", "99999999999"}) {
    ScopedEnv over("VEXO_CODEPAGE", bad);
    EXPECT_EQ(platformConsoleCodePage(), withoutOverride) << bad;
  }
}

TEST(PlatformDirectory, OnlyARootedPathIsAbsolute) {
  EXPECT_TRUE(platformIsAbsolutePath("/var/data"));
  EXPECT_FALSE(platformIsAbsolutePath("data/x.ndb"));
  EXPECT_FALSE(platformIsAbsolutePath("C:\\data"));
  EXPECT_FALSE(platformIsAbsolutePath(""));
  EXPECT_FALSE(platformIsAbsolutePath(nullptr));
}

TEST(PlatformProcess, IdsAndProgramPath) {
  EXPECT_EQ(platformProcessId(), static_cast<long long>(getpid()));
  EXPECT_GT(platformThreadId(), 0);
  const std::string path = platformProgramPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("platform_test"), std::string::npos);
  platformSleep(0);
  platformSleep(1);
}
#endif  // _WIN32

}  // namespace
