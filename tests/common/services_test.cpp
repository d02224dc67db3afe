// Start and stop of the common services: prefixes, restarts, the control block.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/return_codes.h"
#include "common/services.h"
#include "common/trace.h"
#include "tests/common/trace_test_support.h"

namespace {

using tracetest::readFile;
using tracetest::runInChild;
using tracetest::TempDir;
using tracetest::traceInto;
using tracetest::vexoFile;

TEST(CommonServices, StartWithoutControlFileStillTraces) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    if (xrkInitCommonServices("VEXO") != XEC_CONV_CONTROL_FILE_OPEN) ::_exit(2);
    const XrkControlBlock* block = xrkControlBlock();
    if (std::strcmp(block->prefix, "VEXO") != 0 || std::strcmp(block->tracePrefix, "VEXO") != 0) {
      ::_exit(3);
    }
    if (block->systemCodePage != 850) ::_exit(4);
    xtrText("still tracing");
  });
  EXPECT_NE(readFile(dir.file(vexoFile(pid, "TRC"))).find("   ! still tracing\n"), std::string::npos);
}

TEST(CommonServices, ThreeCharacterPrefixNamesVariablesAndFiles) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    ::setenv("ABC_TRACE", "1", 1);
    ::setenv("ABC_TRACE_PATH", dir.path().c_str(), 1);
    ::setenv("ABC_TRACE_LEVEL", "5", 1);
    ::unsetenv("VEXO_TRACE");
    xrkInitCommonServices("ABC");
  });
  char name[32];
  std::snprintf(name, sizeof name, "ABC%5.5d.TRC", static_cast<int>(pid % 100000));
  EXPECT_NE(readFile(dir.file(name)).find("   ! Trace Level is 5\n"), std::string::npos);
}

TEST(CommonServices, LongPrefixKeepsEightAndNamesByFour) {
  TempDir dir;
  const pid_t pid = runInChild([&] {
    traceInto(dir.path());
    xrkInitCommonServices("VEXOLONGPREFIX");
    const XrkControlBlock* block = xrkControlBlock();
    if (std::memcmp(block->prefix, "VEXOLONG", XRK_PREFIX_SIZE) != 0) ::_exit(2);
    if (xrkInitCommonServices("VEXOLONGPREFIX") != 0 || xrkControlBlock() != block) ::_exit(3);
  });
  EXPECT_TRUE(tracetest::fileExists(dir.file(vexoFile(pid, "TRC"))));
}

TEST(CommonServices, AnotherPrefixStartsAFreshBlock) {
  TempDir dir;
  runInChild([&] {
    traceInto(dir.path());
    ::unsetenv("VEXO_TRACE");
    xrkInitCommonServices("VEXO");
    XrkControlBlock* first = xrkControlBlock();
    xtrEntry("KeptAcrossRestart");
    // A shorter prefix is another prefix, not the same one cut short.
    xrkInitCommonServices("VEX");
    XrkControlBlock* second = xrkControlBlock();
    if (second == first || std::strcmp(second->prefix, "VEX") != 0) ::_exit(2);
    if (second->threadCount != 1 || second->stacks[0]->depth != 0) ::_exit(3);
    xtrEntry("Fresh");
    if (second->stacks[0]->depth != 1) ::_exit(4);
    if (xrkTermCommonServices() != 0 || xrkControlBlock() != nullptr) ::_exit(5);
    // Started again after a stop: a new block again.
    xrkInitCommonServices("VEXO");
    XrkControlBlock* third = xrkControlBlock();
    if (third == nullptr || third->threadCount != 1 || third->stacks[0]->depth != 0) ::_exit(6);
    xrkTermCommonServices();
  });
}

}  // namespace
