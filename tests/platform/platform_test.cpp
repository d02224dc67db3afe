#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      had_ = true;
      old_ = old;
    }
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

TEST(PlatformDirectory, SeparatorAddedOnceAndEmptyMeansCurrentDirectory) {
  EXPECT_EQ(platformDirWithSeparator("/tmp/trace"), "/tmp/trace/");
  EXPECT_EQ(platformDirWithSeparator("/tmp/trace/"), "/tmp/trace/");
  EXPECT_EQ(platformDirWithSeparator("C:\\trace\\"), "C:\\trace\\");
  EXPECT_EQ(platformDirWithSeparator("x"), "x/");
  EXPECT_EQ(platformDirWithSeparator(""), "");
  EXPECT_EQ(platformDirWithSeparator(nullptr), "");
}

TEST(PlatformCodePage, CharsetNames) {
  EXPECT_EQ(platformCodePageOfCharset("UTF-8"), 1208);
  EXPECT_EQ(platformCodePageOfCharset("utf8"), 1208);
  EXPECT_EQ(platformCodePageOfCharset("ISO-8859-1"), 819);
  EXPECT_EQ(platformCodePageOfCharset("iso88591"), 819);
  EXPECT_EQ(platformCodePageOfCharset("ISO-8859-15"), 923);
  EXPECT_EQ(platformCodePageOfCharset("ANSI_X3.4-1968"), 367);
  EXPECT_EQ(platformCodePageOfCharset("CP850"), 850);
  EXPECT_EQ(platformCodePageOfCharset("ibm437"), 437);
  EXPECT_EQ(platformCodePageOfCharset("CP"), 0);
  EXPECT_EQ(platformCodePageOfCharset("CP12345678"), 0);  // too many digits for a code page
  EXPECT_EQ(platformCodePageOfCharset("KLINGON"), 0);
  EXPECT_EQ(platformCodePageOfCharset(""), 0);
  EXPECT_EQ(platformCodePageOfCharset(nullptr), 0);
}

TEST(PlatformCodePage, LocaleNames) {
  EXPECT_EQ(platformCodePageOfLocale("en_US.UTF-8"), 1208);
  EXPECT_EQ(platformCodePageOfLocale("de_DE.ISO-8859-1@euro"), 819);
  EXPECT_EQ(platformCodePageOfLocale("C.UTF-8"), 1208);
  EXPECT_EQ(platformCodePageOfLocale("C"), 367);
  EXPECT_EQ(platformCodePageOfLocale("POSIX"), 367);
  EXPECT_EQ(platformCodePageOfLocale("en_US"), 0);  // names no character set
  EXPECT_EQ(platformCodePageOfLocale("en_US."), 0);
  EXPECT_EQ(platformCodePageOfLocale(""), 0);
}

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

}  // namespace
