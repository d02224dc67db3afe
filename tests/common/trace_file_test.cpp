// The trace file as a whole: header, entry/exit blocks, texts, dumps, levels,
// user tracing and termination. Each test traces in a child process so that
// the environment is read afresh at start-up.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "common/conversion.h"
#include "common/report.h"
#include "common/return_codes.h"
#include "common/services.h"
#include "common/trace.h"
#include "common/trace_internal.h"
#include "platform/platform.h"
#include "tests/common/trace_test_support.h"

namespace {

using tracetest::asText;
using tracetest::maskTrace;
using tracetest::readFile;
using vexotest::readBytes;
using tracetest::runInChild;
using tracetest::TempDir;
using tracetest::traceInto;
using tracetest::vexoFile;

// Size of a file, or -1.
long long fileSize(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

void writeNumber(const std::string& path, long long value) { std::ofstream(path) << value; }

long long readNumber(const std::string& path) {
  long long value = -1;
  std::ifstream(path) >> value;
  return value;
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A known sequence of entries, exits, texts and dumps, written from the first
// line of a block of entry/exit lines.
void knownSequence() {
  xtrEntry("ZoSession::ZoSession(argc, argv)");
  xtrEntry("ZoConfig :: ZoConfig");
  xtrExit("ZoConfig :: ZoConfig", 0);
  xtrEntry("ZoConfig :: open");
  xtrEntry("ZoConfig :: deeper");  // level 2: not in the file
  xtrText("not written: nesting 3 is above the level");
  xtrExit("ZoConfig :: deeper", 5);
  xtrText("opened");
  const char area[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\x00\x01\xff\x7f";
  xtrData(area, 40);
  xtrExit("ZoConfig :: open", ERR_CONF_FILE_OPEN_ERROR);
  const unsigned char zeros[64] = {};
  xtrData(zeros, 64);
  xtrData(nullptr, 4);
  xtrExit("ZoSession::ZoSession(argc, argv)", XEC_NOT_STARTED_OR_NO_TRACE_FILE);
  std::thread worker([] {
    xtrEntry("Worker::run");
    xtrExit("Worker::run", 0);
  });
  worker.join();
  for (int i = 0; i < 17; ++i) {
    xtrEntry("Loop");
    xtrExit("Loop", 0);
  }
}

// The file text of knownSequence, written from the rules of the trace format,
// with thread ids and time stamps masked.
std::string expectedSequence() {
  std::string text =
      "\n(TTTTT)@HH:MM:SS.mmm \n   -->ZoSession::ZoSession(argc, argv)\n"  // line 1 opens a block
      " \n   ---->ZoConfig :: ZoConfig\n"                                    // 2
      " \n   <----ZoConfig :: ZoConfig (rc= OK)\n"                           // 3
      " \n   ---->ZoConfig :: open\n"                                        // 4
      "   ! opened\n"
      "         0000  41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50  : ABCDEFGHIJKLMNOP\n"
      "         0010  51 52 53 54 55 56 57 58 59 5A 30 31 32 33 34 35  : QRSTUVWXYZ012345\n"
      "         0020  36 37 38 39 00 01 FF 7F                          : 6789....        \n"
      " \n   <----ZoConfig :: open (rc= ERR_CONF_FILE_OPEN_ERROR)\n"  // 5
      "         0000  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  : ................\n"
      "         --- 3 lines identical to above ---\n"
      "  has NULL pointer\n"
      " \n   <--ZoSession::ZoSession(argc, argv) (rc= Not found in retcode translation table "
      "(20806058) (545284184))\n"                     // 6
      "(TTTTT) \n   -->Worker::run\n"                // 7: another thread
      " \n   <--Worker::run (rc= OK)\n"              // 8
      "(TTTTT) \n   -->Loop\n"                       // 9: back to the first thread
      " \n   <--Loop (rc= OK)\n";                    // 10
  for (int line = 11; line <= 41; line += 2) text += " \n   -->Loop\n \n   <--Loop (rc= OK)\n";
  // Line 42 opens the next block; it is the last exit of the loop.
  text.resize(text.size() - std::strlen(" \n   <--Loop (rc= OK)\n"));
  text += "\n(TTTTT)@HH:MM:SS.mmm \n   <--Loop (rc= OK)\n";
  return text;
}

TEST(TraceFile, HeaderAndKnownSequenceAreByteExact) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    xrkInitCommonServices("VEXO");
    const std::string file = dir.file(vexoFile(::getpid(), "TRC"));
    // Whatever the start-up traced, the sequence begins a block of its own.
    writeNumber(dir.file("offset"), fileSize(file));
    xrkControlBlock()->lineCounter = 0;
    knownSequence();
  });
  const std::string raw = readBytes(dir.file(vexoFile(pid, "TRC")));
  const std::string text = asText(raw);
  ASSERT_FALSE(text.empty());

  std::string program = platformProgramPath() + "(Talvane) ";
  program.resize(std::min<std::size_t>(program.size(), 99));
  const std::string head = "\nTrace for program " + program + " started at WWW MMM DD HH:MM:SS YYYY\n\r\n\r\n" +
                           "@(!)      ***** Code Level is 0.0.1 *****\n" + "   ! BuildDate " +
                           xtrBuildDate() + "\n" + "   ! Trace Level is 2\n";
  const std::string masked = maskTrace(text);
  EXPECT_EQ(masked.substr(0, head.size()), head);

  const long long offset = readNumber(dir.file("offset"));
  ASSERT_GT(offset, 0);
  ASSERT_LE(static_cast<std::size_t>(offset), raw.size());
  const std::string tail = maskTrace(asText(raw.substr(static_cast<std::size_t>(offset))));
  EXPECT_EQ(tail, expectedSequence());
  EXPECT_NE(text.find("(rc= ERR_CONF_FILE_OPEN_ERROR)"), std::string::npos);
}

TEST(TraceFile, NoTraceVariableMeansNoFileButRingAndStacksAreKept) {
  TempDir dir;
  runInChild([&] {
    traceInto(dir.path());
    ::unsetenv("VEXO_TRACE");
    xrkInitCommonServices("VEXO");
    xtrEntry("Outer");
    xtrEntry("Inner");
    const XrkControlBlock* block = xrkControlBlock();
    if (xtrTraceActive != 0 || block->fileOpen != 0 || block->traceFile) ::_exit(2);
    if (block->ring == nullptr || block->threadCount != 1 || block->stacks[0]->depth != 2) {
      ::_exit(3);
    }
    if (std::strcmp(block->stacks[0]->names[1], "Inner") != 0) ::_exit(4);
    const XtrRingEntry& last = block->ring[(block->ringIndex + XTR_RING_ENTRIES - 1) % XTR_RING_ENTRIES];
    if (std::strcmp(last.name, "Inner") != 0 || last.kind != XTR_RING_ENTRY) ::_exit(5);
  });
  EXPECT_TRUE(dir.filesEndingIn(".TRC").empty());
}

TEST(TraceFile, WithoutPathTheFileGoesToTheCurrentDirectory) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    ::unsetenv("VEXO_TRACE_PATH");
    ::setenv("VEXO_TRACE", "u", 1);  // user tracing needs a path as well
    if (::chdir(dir.path().c_str()) != 0) ::_exit(2);
    xrkInitCommonServices("VEXO");
    if (xtrUserTracingActive != 0) ::_exit(3);
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  EXPECT_NE(text.find("Trace for program"), std::string::npos);
  EXPECT_EQ(text.find("User Tracing"), std::string::npos);
}

TEST(TraceFile, StartingTwiceWritesOneHeader) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    if (xrkInitCommonServices("VEXO") != XEC_CONV_CONTROL_FILE_OPEN) ::_exit(2);
    XrkControlBlock* first = xrkControlBlock();
    if (xrkInitCommonServices("VEXO") != 0 || xrkControlBlock() != first) ::_exit(3);
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  EXPECT_EQ(text.find("Trace for program"), text.rfind("Trace for program"));
  EXPECT_EQ(dir.filesEndingIn(".TRC").size(), 1u);
}

// Entries and texts at nesting 1..5 under a level setting.
std::string traceAtLevel(const char* level) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path(), "1", level);
    xrkInitCommonServices("VEXO");
    for (int depth = 1; depth <= 5; ++depth) {
      xtrEntry(("Depth" + std::to_string(depth)).c_str());
      xtrText(("text at nesting " + std::to_string(depth)).c_str());
      const char byte = 'x';
      xtrData(&byte, 1);
    }
    for (int depth = 5; depth >= 1; --depth) xtrExit(("Depth" + std::to_string(depth)).c_str(), 0);
  });
  return readFile(dir.file(vexoFile(pid, "TRC")));
}

TEST(TraceFile, LevelAndLevelModes) {
  const std::string plain = traceAtLevel(nullptr);
  EXPECT_NE(plain.find("   ! Trace Level is 2\n"), std::string::npos);
  EXPECT_NE(plain.find("-->Depth2\n"), std::string::npos);
  EXPECT_EQ(plain.find("Depth3"), std::string::npos);
  EXPECT_NE(plain.find("<----Depth2 (rc= OK)\n"), std::string::npos);
  EXPECT_NE(plain.find("text at nesting 2\n"), std::string::npos);
  EXPECT_EQ(plain.find("text at nesting 3"), std::string::npos);

  const std::string plus = traceAtLevel("3+");
  EXPECT_NE(plus.find("   ! Trace Level is 3+\n"), std::string::npos);
  EXPECT_NE(plus.find("   ------>Depth3\n"), std::string::npos);
  EXPECT_NE(plus.find("<------Depth3 (rc= OK)\n"), std::string::npos);
  EXPECT_EQ(plus.find("Depth4"), std::string::npos);
  EXPECT_NE(plus.find("text at nesting 5\n"), std::string::npos);
  EXPECT_EQ(count(plus, "0000  78 "), 5u) << "one dump at every nesting";

  const std::string minus = traceAtLevel("3-");
  EXPECT_NE(minus.find("   ! Trace Level is 3-\n"), std::string::npos);
  EXPECT_NE(minus.find("Depth3"), std::string::npos);
  EXPECT_EQ(minus.find("text at nesting"), std::string::npos);
  EXPECT_EQ(minus.find("0000  78"), std::string::npos);

  for (const char* fallback : {"0", "abc", "-7", ""}) {
    const std::string text = traceAtLevel(fallback);
    EXPECT_NE(text.find("   ! Trace Level is 2"), std::string::npos) << fallback;
    EXPECT_EQ(text.find("Depth3"), std::string::npos) << fallback;
  }
  EXPECT_NE(traceAtLevel("99999999999999").find("Depth5"), std::string::npos);
}

TEST(TraceFile, UserTracingWritesTheNoticeAndSilencesTheCallingConvention) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path(), "User");
    xrkInitCommonServices("VEXO");
    if (xtrUserTracingActive != 1 || xtrTraceActive != 1) ::_exit(2);
    if (xtrIsUserTracingActive() != ZO_TRUE || xtrIsTraceActive() != ZO_TRUE) ::_exit(2);
    ZO_ULONG rc = 0;
    {
      XTR_METHOD("ZoConfig :: open", rc);
      XTR_TEXT("library text");
      XTR_TEXTF("library %s", "format");
      XTR_DATA("abc", 3);
    }
    xtrText("own text");  // the common services write regardless
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  const std::string notice = "@(!)      ***** Code Level is 0.0.1 *****\n\n  !!! User Tracing is activated !!!\n";
  EXPECT_NE(text.find(notice), std::string::npos);
  EXPECT_EQ(std::strlen("\n  !!! User Tracing is activated !!!\n"), 37u);
  EXPECT_EQ(text.find("ZoConfig :: open"), std::string::npos);
  EXPECT_EQ(text.find("library"), std::string::npos);
  EXPECT_NE(text.find("   ! own text\n"), std::string::npos);
}

TEST(TraceFile, UserTracingKeepsTheLinesOfTheCommonServices) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("xlat"));
  dir.write("xlat/VEXOCCS.TBL", "1 0 1 1 1 0\n2 0 2 1 1 0\n");
  dir.write("xlat/00010002.tbl", std::string(256, 'x'));
  const pid_t pid = runInChild([&] {
    traceInto(dir.path(), "u");  // no control file there: the start-up says so
    xrkInitCommonServices("VEXO");
    ::setenv("VEXO_XLAT_PATH", dir.file("xlat").c_str(), 1);
    xxxInitialize();
    ZO_LONG type[2] = {};
    xcsQueryCCSIDType(1, type);
    ZO_BYTE out[4] = {};
    ZO_LONG length = 4;
    if (xcsConvertString(1, 2, reinterpret_cast<const ZO_BYTE*>("ab"), 2, out, &length) != 0) ::_exit(2);
    xxxTerminate();
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  for (const char* line : {"-->xxxInitialize\n", "   ! Failed to open conversion table control file\n",
                           "-->xcsQueryCCSIDType\n", "-->xcsConvertString\n", "---->xxxOpenConv\n",
                           "   ! xxxOpenConv: Open was sucessful.\n", "<----xxxCodeConv (rc= OK)\n",
                           "<--xcsConvertString (rc= OK)\n", "<--xxxTerminate (rc= OK)\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(TraceFile, CallingConventionWritesEntryExitAndTexts) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    xrkInitCommonServices("VEXO");
    ZO_ULONG rc = 0;
    {
      XTR_METHOD("ZoConfig :: open", rc);
      XTR_TEXTF("value %d", 42);
      rc = ERR_CONF_FILE_OPEN_ERROR;
    }
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  EXPECT_NE(text.find("-->ZoConfig :: open\n   ! value 42\n \n   <--ZoConfig :: open (rc= ERR_CONF_FILE_OPEN_ERROR)\n"),
            std::string::npos);
}

TEST(TraceFile, TerminationClosesTheFileAndLaterCallsDoNothing) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    xrkInitCommonServices("VEXO");
    if (xrkTermCommonServices() != 0) ::_exit(2);
    if (xrkControlBlock() != nullptr || xtrTraceActive != 0) ::_exit(3);
    xtrEntry("AfterStop");
    xtrText("after stop");
    xtrData("x", 1);
    xtrExit("AfterStop", 0);
    if (xrkTermCommonServices() != 0) ::_exit(4);
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  const std::string ending =
      " \n   -->xrkTermCommonServices\n";
  EXPECT_NE(text.find(ending), std::string::npos);
  const std::string close =
      "   ! Releasing incore trace storage\n"
      " \n   <----xrk_xtrTerminate (rc= OK)\n"
      "   ! !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n"
      "   ! Trace termination - closing trace file\n"
      "   ! !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!\n";
  ASSERT_GE(text.size(), close.size());
  EXPECT_EQ(text.substr(text.size() - close.size()), close);
  EXPECT_EQ(text.find("AfterStop"), std::string::npos);
}

TEST(TraceFile, LongNamesAreCutInTheRecordsButNotInTheFile) {
  TempDir dir;
  const std::string longName(60, 'N');
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    xrkInitCommonServices("VEXO");
    xtrEntry(longName.c_str());
    const XrkControlBlock* block = xrkControlBlock();
    const XtrRingEntry& last = block->ring[(block->ringIndex + XTR_RING_ENTRIES - 1) % XTR_RING_ENTRIES];
    if (std::string(last.name) != longName.substr(0, 39)) ::_exit(2);
    if (std::string(block->stacks[0]->names[0]) != longName.substr(0, 39)) ::_exit(3);
    xtrEntry(nullptr);  // a missing name counts as empty
    xtrExit(nullptr, 0);
  });
  EXPECT_NE(readFile(dir.file(vexoFile(pid, "TRC"))).find("-->" + longName + "\n"), std::string::npos);
}

TEST(TraceFile, DeepLinesCarryAllTheirDashes) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path(), "1", "40");
    xrkInitCommonServices("VEXO");
    for (int i = 0; i < 35; ++i) xtrEntry("Deep");
    for (int i = 0; i < 35; ++i) xtrExit("Deep", 0);
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  // Depth 34: 2 * 34 + 2 dashes, more than 60; the exit at depth 34 as well.
  EXPECT_NE(text.find("   " + std::string(70, '-') + ">Deep\n"), std::string::npos);
  EXPECT_NE(text.find("   <" + std::string(70, '-') + "Deep (rc= OK)\n"), std::string::npos);
  EXPECT_EQ(text.find(std::string(71, '-')), std::string::npos);
}

TEST(TraceFile, UnopenablePathGivesAReportAndTracingGoesOn) {
  TempDir dir;
  const std::string missing = dir.file("no/such/dir");
  const pid_t pid = runInChild([&] {
    traceInto(missing);
    if (::chdir(dir.path().c_str()) != 0) ::_exit(2);
    xrkInitCommonServices("VEXO");
    if (xtrTraceActive != 0 || xrkControlBlock()->ring == nullptr) ::_exit(3);
    if (xrk_xtrOpenTraceFile(nullptr) != XEC_NOT_STARTED_OR_NO_TRACE_FILE) ::_exit(4);
  });
  EXPECT_TRUE(dir.filesEndingIn(".TRC").empty());
  // The report falls back to the current directory.
  const std::string report = readFile(dir.file(vexoFile(pid, "FDC")));
  EXPECT_NE(report.find("| Function Name     :- xrk_xtrOpenTraceFile "), std::string::npos);
  EXPECT_NE(report.find("| Comment1          :- Unable to open trace file "), std::string::npos);
  EXPECT_NE(report.find("| Comment2          :- " + missing.substr(0, 20)), std::string::npos);
  EXPECT_NE(report.find("| Minor Errorcode   :- 2 "), std::string::npos);  // no such file
  EXPECT_NE(report.find("(20806058) (545"), std::string::npos);
  EXPECT_NE(report.find("No Incore trace table found!"), std::string::npos);  // not yet allocated
}

#ifndef _WIN32  // links and FIFOs are planted with POSIX calls
// Anyone who can write the trace folder can plant something under the next
// run's file names: the run refuses it, traces nothing and goes on.
TEST(TraceFile, WhatIsPlantedUnderTheFileNamesIsRefused) {
  struct Case {
    const char* what;
    std::function<int(const std::string& at, const std::string& victim)> plant;
  };
  const Case cases[] = {
      {"link", [](const std::string& at, const std::string& victim) { return ::symlink(victim.c_str(), at.c_str()); }},
      {"FIFO", [](const std::string& at, const std::string&) { return ::mkfifo(at.c_str(), 0600); }},
      {"directory", [](const std::string& at, const std::string&) { return ::mkdir(at.c_str(), 0700); }},
  };
  for (const Case& c : cases) {
    TempDir dir;
    TempDir cwd;
    const std::string victim = dir.write("victim", "victim\n");
    const pid_t pid = runInChild([&] {
      traceInto(dir.path());
      for (const char* extension : {"TRC", "FDC"}) {
        if (c.plant(dir.file(vexoFile(::getpid(), extension)), victim) != 0) ::_exit(2);
      }
      if (::chdir(cwd.path().c_str()) != 0) ::_exit(3);
      xrkInitCommonServices("VEXO");
      if (xtrTraceActive != 0) ::_exit(4);
      xtrEntry("Run");
      xtrExit("Run", 0);
    });
    EXPECT_EQ(readFile(victim), "victim\n") << c.what;
    // The report of the refused trace file went to the current directory.
    EXPECT_NE(readFile(cwd.file(vexoFile(pid, "FDC"))).find("Unable to open trace file"), std::string::npos)
        << c.what;
  }
}

TEST(TraceFile, NewFilesAreNotWritableByOthers) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    ::umask(0);
    xrkInitCommonServices("VEXO");
    xrk_xcsPVRT("Probe", 1, 0, 0, " ", " ", " ");
  });
  for (const char* extension : {"TRC", "FDC"}) {
    struct stat info {};
    ASSERT_EQ(::stat(dir.file(vexoFile(pid, extension)).c_str(), &info), 0) << extension;
    EXPECT_EQ(info.st_mode & 0777, 0644u) << extension;
  }
}
#endif

}  // namespace
