// Pieces of the trace facility that need no trace file: ids and file names,
// the dump format, the not-started state, the ring and several threads.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/return_codes.h"
#include "common/services.h"
#include "common/trace.h"
#include "common/trace_internal.h"
#include "tests/common/trace_test_support.h"

namespace {

using tracetest::linesOf;
using tracetest::readFile;
using tracetest::runInChild;
using tracetest::TempDir;
using tracetest::traceInto;
using tracetest::vexoFile;

std::string dump(const void* data, std::size_t length) {
  return xtrDumpChunk(static_cast<const unsigned char*>(data), length);
}

TEST(TraceIds, NormalisedIdsAndFileNames) {
  EXPECT_EQ(xtrNormaliseId(0), 0);
  EXPECT_EQ(xtrNormaliseId(99999), 99999);
  EXPECT_EQ(xtrNormaliseId(100000), 0);
  EXPECT_EQ(xtrNormaliseId(123456), 23456);
  EXPECT_EQ(xtrNormaliseId(-42), 42);
  EXPECT_EQ(xtrNormaliseId(INT_MIN), 83648);  // 2147483648 modulo 100000
  EXPECT_EQ(xtrNormaliseId(4294967295LL), 67295);

  EXPECT_EQ(xrkProcessFileName("VEXO", xtrNormaliseId(123456), "TRC"), "VEXO3456.TRC");
  EXPECT_EQ(xrkProcessFileName("VEXO", xtrNormaliseId(100000), "TRC"), "VEXO0000.TRC");
  EXPECT_EQ(xrkProcessFileName("VEXO", 4711, "FDC"), "VEXO4711.FDC");
  EXPECT_EQ(xrkProcessFileName("ABC", 4711, "TRC"), "ABC04711.TRC");
  EXPECT_EQ(xrkProcessFileName("ABC", 99999, "FDC"), "ABC99999.FDC");
  EXPECT_EQ(xrkProcessFileName("AB", 12345, "TRC"), "AB2345.TRC");
}

TEST(TraceDump, FortyBytesGiveThreeLinesTheLastWithEight) {
  unsigned char area[40];
  for (int i = 0; i < 40; ++i) area[i] = static_cast<unsigned char>(0x30 + i);
  const std::vector<std::string> lines = linesOf(dump(area, 40));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "         0000  30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F  : 0123456789:;<=>?");
  EXPECT_EQ(lines[1].substr(0, 15), "         0010  ");
  EXPECT_EQ(lines[2],
            "         0020  50 51 52 53 54 55 56 57                          : PQRSTUVW        ");
}

TEST(TraceDump, IdenticalLinesAreFolded) {
  const unsigned char zeros[64] = {};
  EXPECT_EQ(dump(zeros, 64),
            "         0000  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  : ................\n"
            "         --- 3 lines identical to above ---\n");
  // A run between different lines; a short last line is not identical to a full one.
  unsigned char mixed[16 * 5 + 4] = {};
  std::memset(mixed, 'A', 16);
  std::memset(mixed + 16 * 4, 'B', 16);
  const std::vector<std::string> lines = linesOf(dump(mixed, sizeof mixed));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[0].find(": AAAAAAAAAAAAAAAA"), std::string::npos);
  EXPECT_NE(lines[1].find("0010  00 00"), std::string::npos);
  EXPECT_EQ(lines[2], "         --- 2 lines identical to above ---");
  EXPECT_NE(lines[3].find("0040  42 42"), std::string::npos);
  EXPECT_NE(lines[4].find("0050  00 00 00 00 "), std::string::npos);
}

TEST(TraceNotStarted, EveryOperationIsHarmless) {
  ASSERT_EQ(xrkControlBlock(), nullptr);
  xtrEntry("Nothing");
  xtrExit("Nothing", 1);
  xtrText("nothing");
  xtrTextF("nothing %d", 1);
  xtrData("abc", 3);
  xtrData(nullptr, 3);
  EXPECT_EQ(xrk_xtrOpenTraceFile("never.TRC"), XEC_NOT_STARTED_OR_NO_TRACE_FILE);
  EXPECT_FALSE(tracetest::fileExists("never.TRC"));
  EXPECT_EQ(xrk_xtrTerminate(), 0u);
  EXPECT_EQ(xrkTermCommonServices(), 0u);
  EXPECT_EQ(xtrTraceActive, 0);
  EXPECT_EQ(xtrIsTraceActive(), ZO_FALSE);
}

// Starts the services in this process without a trace file; stops them at the end.
class StartedWithoutFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("VEXO_TRACE");
    ::setenv("VEXO_CODEPAGE", "850", 1);
    ::setenv("VEXO_XLAT_PATH", dir_.path().c_str(), 1);
    xrkInitCommonServices("VEXO");
    ASSERT_NE(xrkControlBlock(), nullptr);
  }
  void TearDown() override {
    xrkTermCommonServices();
    ::unsetenv("VEXO_CODEPAGE");
    ::unsetenv("VEXO_XLAT_PATH");
  }
  TempDir dir_;
};

TEST_F(StartedWithoutFile, RingKeepsTheLastFiftyAfterSixtyCalls) {
  XrkControlBlock* block = xrkControlBlock();
  const ZO_LONG nesting = block->nesting;
  for (int i = 0; i < 30; ++i) {
    const std::string name = "Call" + std::to_string(i);
    xtrEntry(name.c_str());
    xtrExit(name.c_str(), static_cast<ZO_ULONG>(1000 + i));
  }
  EXPECT_EQ(block->nesting, nesting);
  const XtrRingSnapshot ring = xtrSnapshotRing();
  ASSERT_TRUE(ring.hasRing);
  // Oldest first from the ring index: the entry of Call5 up to the exit of Call29.
  for (int k = 0; k < XTR_RING_ENTRIES; ++k) {
    const XtrRingEntry& entry = ring.entries[(ring.index + k) % XTR_RING_ENTRIES];
    const int call = 5 + k / 2;
    EXPECT_EQ(std::string(entry.name), "Call" + std::to_string(call));
    EXPECT_EQ(entry.kind, k % 2 == 0 ? XTR_RING_ENTRY : XTR_RING_EXIT);
    EXPECT_EQ(entry.returnCode, k % 2 == 0 ? 0u : static_cast<ZO_ULONG>(1000 + call));
    EXPECT_EQ(entry.threadId, block->threadIds[0]);
  }
}

TEST_F(StartedWithoutFile, StackDepthNeverGoesBelowZero) {
  xtrExit("Unbalanced", 0);
  xtrExit("Unbalanced", 0);
  xtrEntry("A");
  const XtrThreadSnapshot thread = xtrSnapshotThread();
  ASSERT_TRUE(thread.hasRecord);
  EXPECT_EQ(thread.depth, 1);
  EXPECT_STREQ(thread.names[0], "A");
  xtrExit("A", 0);
}

TEST_F(StartedWithoutFile, ManyThreadsTraceConcurrently) {
  constexpr int kThreads = 48;  // more than the table holds
  constexpr int kCalls = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::string name = "Thread" + std::to_string(t) + "::work";
      for (int i = 0; i < kCalls; ++i) {
        xtrEntry(name.c_str());
        xtrEntry("inner");
        xtrText("text");
        xtrExit("inner", 0);
        xtrExit(name.c_str(), static_cast<ZO_ULONG>(i));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  XrkControlBlock* block = xrkControlBlock();
  EXPECT_LE(block->threadCount, XTR_MAX_THREADS);
  for (int i = 0; i < block->threadCount; ++i) {
    ASSERT_NE(block->stacks[i], nullptr);
    EXPECT_GE(block->stacks[i]->depth, 0);
  }
  const XtrRingSnapshot ring = xtrSnapshotRing();
  for (const XtrRingEntry& entry : ring.entries) {
    EXPECT_LT(strnlen(entry.name, XTR_NAME_SIZE), static_cast<std::size_t>(XTR_NAME_SIZE));
  }
}

TEST(TraceThreads, ConcurrentLinesInTheFileStayWhole) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path(), "1", "3+");
    xrkInitCommonServices("VEXO");
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
      threads.emplace_back([] {
        const unsigned char area[20] = {1, 2, 3};
        for (int i = 0; i < 200; ++i) {
          xtrEntry("Worker::step");
          xtrText("step text");
          xtrData(area, sizeof area);
          xtrExit("Worker::step", 0);
        }
      });
    }
    for (std::thread& t : threads) t.join();
    xrkTermCommonServices();
  });
  const std::string text = readFile(dir.file(vexoFile(pid, "TRC")));
  std::size_t entries = 0;
  std::size_t exits = 0;
  std::size_t texts = 0;
  for (const std::string& line : linesOf(text)) {
    if (line == "   -->Worker::step") ++entries;
    if (line == "   <--Worker::step (rc= OK)") ++exits;
    if (line == "   ! step text") ++texts;
    if (line.find("Worker") != std::string::npos) {
      EXPECT_TRUE(line == "   -->Worker::step" || line == "   <--Worker::step (rc= OK)") << line;
    }
  }
  EXPECT_EQ(entries, 1200u);
  EXPECT_EQ(exits, 1200u);
  EXPECT_EQ(texts, 1200u);
}

}  // namespace
