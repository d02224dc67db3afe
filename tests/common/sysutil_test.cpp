// System utilities: the system code page, date and time texts, sleep.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/return_codes.h"
#include "common/services.h"
#include "common/sysutil.h"
#include "common/trace.h"
#include "tests/common/trace_test_support.h"

namespace {

using tracetest::readFile;
using tracetest::runInChild;
using tracetest::TempDir;
using tracetest::traceInto;
using tracetest::vexoFile;

TEST(QueryDateTime, OptionsAndBufferSizes) {
  char date[64];
  char time[64];
  EXPECT_EQ(xrkQueryDateTime2(3, date, time, sizeof date, sizeof time), xecU_E_INVALID_OPTION);
  EXPECT_EQ(xrkQueryDateTime2(0, date, time, sizeof date, sizeof time), xecU_E_INVALID_OPTION);

  for (ZO_SHORT option : {XRK_DATETIME_LOCAL, XRK_DATETIME_UTC}) {
    ASSERT_EQ(xrkQueryDateTime2(option, date, time, sizeof date, 9), 0u);
    EXPECT_TRUE(std::strlen(time) == 8 && tracetest::matchesAt(time, 0, "dd:dd:dd")) << time;
    ASSERT_GT(std::strlen(date), 1u);
    EXPECT_EQ(date[std::strlen(date) - 1], ' ');
  }
  // Eight characters do not fit in seven.
  EXPECT_EQ(xrkQueryDateTime2(XRK_DATETIME_LOCAL, date, time, sizeof date, 8), xecU_E_TIME_ERROR);
  EXPECT_EQ(xrkQueryDateTime2(XRK_DATETIME_UTC, date, time, 2, sizeof time), xecU_E_TIME_ERROR);
  EXPECT_EQ(xrkQueryDateTime2(XRK_DATETIME_UTC, date, time, 0, sizeof time), xecU_E_TIME_ERROR);
  EXPECT_EQ(xrkQueryDateTime2(XRK_DATETIME_UTC, date, time, sizeof date, -1), xecU_E_TIME_ERROR);
  EXPECT_EQ(xrkQueryDateTime2(XRK_DATETIME_UTC, nullptr, time, 20, sizeof time), xecU_E_TIME_ERROR);
  EXPECT_EQ(xrkQueryDateTime2(XRK_DATETIME_UTC, date, nullptr, sizeof date, 20), xecU_E_TIME_ERROR);
  xrkSleep(1);
}

TEST(SystemCodePage, ConsoleOverrideThenLocale) {
  ::setenv("VEXO_CODEPAGE", "850", 1);
  EXPECT_EQ(ObtainSystemCp(), 850);
  ::unsetenv("VEXO_CODEPAGE");
#ifndef _WIN32  // Windows reads the registry, not the locale: see the platform tests
  TempDir dir;
  runInChild([] {  // standard input is not a terminal in the child
    ::setenv("LC_ALL", "de_DE.ISO-8859-1", 1);
    if (ObtainSystemCp() != 819) ::_exit(2);
  });
  EXPECT_TRUE(dir.filesEndingIn(".FDC").empty());
#endif
}

#ifndef _WIN32
TEST(SystemCodePage, UnknownCharacterSetGivesTheDefaultAndAReport) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    ::unsetenv("VEXO_CODEPAGE");
    ::setenv("LC_ALL", "xx_XX.NO-SUCH-SET", 1);
    xrkInitCommonServices("VEXO");
    if (ObtainSystemCp() != XRK_DEFAULT_CODE_PAGE) ::_exit(2);
    if (xrkControlBlock()->systemCodePage != XRK_DEFAULT_CODE_PAGE) ::_exit(3);
  });
  const std::string report = readFile(dir.file(vexoFile(pid, "FDC")));
  EXPECT_NE(report.find("| Function Name     :- ObtainSystemCp "), std::string::npos);
  EXPECT_NE(report.find("| Comment1          :- Failure in attempting to establish System CodePage. "),
            std::string::npos);
  EXPECT_NE(report.find("| Comment2          :- Using default.   "), std::string::npos);
  EXPECT_NE(report.find("| Major Errorcode   :- 22 "), std::string::npos);
  const std::string trace = readFile(dir.file(vexoFile(pid, "TRC")));
  EXPECT_NE(trace.find("-->ObtainSystemCP\n   ! Code page is 437\n \n   <----ObtainSystemCP (rc= OK)\n"),
            std::string::npos);
}
#endif

}  // namespace
