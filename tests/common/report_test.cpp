// The failure report: box layout, function stack, in-core ring, file naming
// and reports outside the started state. Reports are written in child
// processes, since the report file stays open for the rest of a process.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/report.h"
#include "common/return_codes.h"
#include "common/services.h"
#include "common/trace.h"
#include "common/trace_internal.h"
#include "tests/common/trace_test_support.h"

namespace {

using tracetest::linesOf;
using tracetest::maskTrace;
using tracetest::readFile;
using tracetest::runInChild;
using tracetest::TempDir;
using tracetest::traceInto;
using tracetest::vexoFile;

// A box line holding `text` as the report writes it: "| " + 75 characters + " |".
std::string boxLine(const std::string& text) {
  std::string padded = text;
  padded.resize(75, ' ');
  return "| " + padded + " |\n";
}
std::string boxContinuation(const std::string& text) {
  std::string padded = text;
  padded.resize(70, ' ');
  return "|      " + padded + " |\n";
}
const std::string kBorder = "+" + std::string(77, '-') + "+\n";
const std::string kBlank = "|" + std::string(77, ' ') + "|\n";

// Masks the time stamp and the thread id of a report.
std::string maskReport(const std::string& text) {
  std::string masked = maskTrace(text);
  const std::string label = "Thread Id         :- ";
  const std::size_t at = masked.find(label);
  if (at != std::string::npos && masked.size() >= at + label.size() + 5) {
    masked.replace(at + label.size(), 5, "TTTTT");
  }
  return masked;
}

// Starts the services without a trace file, with reports under `dir`.
void startWithoutTraceFile(const std::string& dir) {
  traceInto(dir);
  ::unsetenv("VEXO_TRACE");
  xrkInitCommonServices("VEXO");
}

TEST(FailureReport, LayoutStackAndRingAreByteExact) {
  TempDir dir;
  const std::string comment2 =
      "An eighty character comment that is cut at sixty-three characters and then wraps";
  ASSERT_EQ(comment2.size(), 80u);
  const pid_t pid = runInChild([&] {
    startWithoutTraceFile(dir.path());
    for (int i = 0; i < 30; ++i) {
      const std::string name = "F" + std::to_string(i);
      xtrEntry(name.c_str());
      xtrExit(name.c_str(), static_cast<ZO_ULONG>(i));
    }
    xtrEntry("Outer");
    xrk_xcsPVRT("Tester", 7, static_cast<ZO_LONG>(ERR_PXM_OPEN_ERROR), 0, "first comment",
                comment2.c_str(), nullptr);
  });
  const std::string report = maskReport(readFile(dir.file(vexoFile(pid, "FDC"))));

  std::string expected = kBorder + kBlank + boxLine("  KTR Prefault Symptom Report") +
                         boxLine(std::string(36, '=')) + kBlank +
                         boxLine("Date/Time         :- WWW MMM DD HH:MM:SS YYYY");
  const std::string codeLevel =
      "Code Level           :- @(!)      ***** Code Level is 0.0.1 *****" + std::string(22, ' ');
  ASSERT_EQ(codeLevel.size(), 24u + 63u);
  expected += boxLine(codeLevel.substr(0, 75)) + boxContinuation(codeLevel.substr(75));
  expected += boxLine("Thread Id         :- TTTTT");
  const std::string function = "Function Name     :- Tester" + std::string(57, ' ');
  expected += boxLine(function.substr(0, 75)) + boxContinuation(function.substr(75));
  expected += boxLine("Probe Id          :- KTR7");
  expected += boxLine(std::string("Build Date        :- ") + xtrBuildDate());
  expected += boxLine("Major Errorcode   :- ERR_PXM_OPEN_ERROR ");
  expected += boxLine("Minor Errorcode   :- OK ");
  const std::string c1 = "Comment1          :- first comment" + std::string(50, ' ');
  expected += boxLine(c1.substr(0, 75)) + boxContinuation(c1.substr(75));
  const std::string c2 = "Comment2          :- " + comment2.substr(0, 63);
  expected += boxLine(c2.substr(0, 75)) + boxContinuation(c2.substr(75));
  const std::string c3 = "Comment3          :- " + std::string(63, ' ');
  expected += boxLine(c3.substr(0, 75)) + boxContinuation(c3.substr(75));
  expected += kBlank + kBorder;
  expected += "\n  Stored Function Stack\n  =====================\n\nOuter\nxrk_xcsPVRT\n\n";
  expected += "\n  Incore trace entries\n  ====================\n\n";
  // The last 50 of 62 ring entries: from the entry of F6 on.
  for (int i = 6; i < 30; ++i) {
    expected += "(TTTTT) --> F" + std::to_string(i) + "\n";
    expected += "(TTTTT) <-- F" + std::to_string(i) + " (rc = " + (i == 0 ? "OK" : std::to_string(i)) + " )\n";
  }
  expected += "(TTTTT) --> Outer\n(TTTTT) --> xrk_xcsPVRT\n";
  EXPECT_EQ(report, expected);
  for (const std::string& line : linesOf(report)) {
    if (!line.empty() && (line[0] == '|' || line[0] == '+')) {
      EXPECT_EQ(line.size(), 79u) << line;
    }
  }
}

TEST(FailureReport, TwoReportsShareTheFileOfTheTraceDirectory) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    startWithoutTraceFile(dir.path());
    xrk_xcsPVRT("FirstFailure", 1, 0, 0, "one", " ", " ");
    xrk_xcsPVRT("SecondFailure", 2, 0, 0, "two", " ", " ");
  });
  const std::string report = readFile(dir.file(vexoFile(pid, "FDC")));
  const std::size_t first = report.find("FirstFailure");
  const std::size_t second = report.find("SecondFailure");
  ASSERT_NE(first, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  std::size_t boxes = 0;
  for (std::size_t at = report.find("KTR Prefault"); at != std::string::npos;
       at = report.find("KTR Prefault", at + 1)) {
    ++boxes;
  }
  EXPECT_EQ(boxes, 2u);
  // The first report's ring shows its own entry; the second shows both.
  EXPECT_NE(report.find("<-- xrk_xcsPVRT (rc = OK )", first), std::string::npos);
}

TEST(FailureReport, RingNeverWrappedStartsAtTheFirstEntry) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    startWithoutTraceFile(dir.path());
    xtrEntry("Only");
    const std::string first = xrkControlBlock()->ring[0].name;
    std::ofstream(dir.file("first")) << first;
    xrk_xcsPVRT("Fn", 1, 0, 0, " ", " ", " ");
  });
  std::string first;
  std::ifstream(dir.file("first")) >> first;
  ASSERT_FALSE(first.empty());
  const std::string report = readFile(dir.file(vexoFile(pid, "FDC")));
  const std::size_t section = report.find("  ====================\n\n");
  ASSERT_NE(section, std::string::npos);
  const std::string listed = report.substr(section + std::strlen("  ====================\n\n"));
  EXPECT_EQ(listed.substr(8, 4 + first.size()), "--> " + first);
  EXPECT_NE(listed.find("--> Only\n"), std::string::npos);
  EXPECT_EQ(listed.substr(listed.size() - std::strlen("--> xrk_xcsPVRT\n")), "--> xrk_xcsPVRT\n");
}

TEST(FailureReport, DeepStackListsItsTwentyStoredNames) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    startWithoutTraceFile(dir.path());
    for (int i = 0; i < 25; ++i) xtrEntry(("D" + std::to_string(i)).c_str());
    xrk_xcsPVRT("Fn", 1, 0, 0, " ", " ", " ");
  });
  const std::string report = readFile(dir.file(vexoFile(pid, "FDC")));
  std::string names;
  for (int i = 0; i < 20; ++i) names += "D" + std::to_string(i) + "\n";
  EXPECT_NE(report.find("  =====================\n\n" + names + "\n\n"), std::string::npos);
  EXPECT_EQ(report.find("\nD20\n"), std::string::npos);
  EXPECT_NE(report.find(") --> D20\n"), std::string::npos);  // the ring still has it
}

// A count that threads wait on until it reaches zero, built on a mutex and a
// condition variable: std::latch of the 32-bit Windows C++ runtime hung in
// this test now and then (6 of 30 runs under Wine; none of 40 with this).
class Countdown {
 public:
  explicit Countdown(int count) : count_(count) {}
  void countDown() {
    std::lock_guard lock(mutex_);
    if (--count_ == 0) zero_.notify_all();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    zero_.wait(lock, [this] { return count_ <= 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable zero_;
  int count_;
};

TEST(FailureReport, ThreadWithoutRecordHasNoIdAndNoStack) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    startWithoutTraceFile(dir.path());  // the main thread takes the first record
    Countdown entered(XTR_MAX_THREADS - 1);
    Countdown done(1);
    std::vector<std::thread> holders;
    for (int i = 0; i < XTR_MAX_THREADS - 1; ++i) {
      holders.emplace_back([&] {
        xtrEntry("Holder");
        entered.countDown();
        done.wait();
      });
    }
    entered.wait();
    std::thread extra([] { xrk_xcsPVRT("FromExtraThread", 1, 0, 0, " ", " ", " "); });
    extra.join();
    done.countDown();
    for (std::thread& t : holders) t.join();
    if (xrkControlBlock()->threadCount != XTR_MAX_THREADS) ::_exit(2);
  });
  const std::string report = readFile(dir.file(vexoFile(pid, "FDC")));
  EXPECT_EQ(report.find("Thread Id"), std::string::npos);
  EXPECT_NE(report.find("+\n\nNo Function Stack Stored\n\n"), std::string::npos);
  EXPECT_NE(report.find("(00000) --> xrk_xcsPVRT\n"), std::string::npos);
}

TEST(FailureReport, BeforeStartItIsWrittenWithoutStackOrRing) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    if (::chdir(dir.path().c_str()) != 0) ::_exit(2);
    if (xrk_xcsPVRT("Early", 1, 0, 0, "before start", " ", " ") != 0) ::_exit(3);
  });
  char name[32];
  std::snprintf(name, sizeof name, "XRK%5.5d.FDC", static_cast<int>(pid % 100000));
  const std::string report = readFile(dir.file(name));
  EXPECT_NE(report.find("| Function Name     :- Early "), std::string::npos);
  EXPECT_EQ(report.find("Thread Id"), std::string::npos);
  EXPECT_NE(report.find("+\n\nNo Function Stack Stored\n\n\nNo Incore trace table found!\n"),
            std::string::npos);
}

TEST(FailureReport, LongTextsAreCutNotOverflowed) {
  TempDir dir;
  const std::string huge(5000, 'h');
  const pid_t pid = runInChild([&] {
    startWithoutTraceFile(dir.path());
    xrk_xcsPVRT(huge.c_str(), -1, -5, 0x7FFFFFFF, huge.c_str(), huge.c_str(), huge.c_str());
  });
  const std::string report = readFile(dir.file(vexoFile(pid, "FDC")));
  EXPECT_NE(report.find("| Probe Id          :- KTR-1 "), std::string::npos);
  EXPECT_NE(report.find("| Major Errorcode   :- -5 "), std::string::npos);
  for (const std::string& line : linesOf(report)) {
    if (!line.empty() && line[0] == '|') {
      EXPECT_EQ(line.size(), 79u);
    }
  }
}

}  // namespace
