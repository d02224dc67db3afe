// dossa, vexomap, vexosite, vexoconv, vexorec and mktables answer --help and --version on
// standard output with status 0, and refuse a bad command line on standard
// error with status 2.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

using vexotest::programFile;
using vexotest::runProgram;

struct Tool {
  const char* name;
  std::vector<std::string> badCommandLine;
};

const std::vector<Tool> kTools = {
    {"dossa", {"frobnicate"}},
    {"vexomap", {"A", "B"}},
    {"vexosite", {"folder", "-x"}},
    {"vexoconv", {"930"}},
    {"vexorec", {"frobnicate", "MSG"}},
#ifndef _WIN32
    {"mktables", {}},  // a Windows build runs the build machine's mktables and has none of its own
#endif
};

TEST(ToolConventions, HelpVersionAndUsageErrors) {
  for (const Tool& tool : kTools) {
    const std::string program = programFile(tool.name);
    ASSERT_FALSE(program.empty()) << "run through ctest";

    vexotest::ProgramRun help = runProgram(program, {"--help"});
    EXPECT_EQ(help.status, 0) << tool.name;
    EXPECT_NE(help.out.find("usage: "), std::string::npos) << tool.name << ": " << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos) << tool.name;
    EXPECT_EQ(help.err, "") << tool.name;

    vexotest::ProgramRun version = runProgram(program, {"--version"});
    EXPECT_EQ(version.status, 0) << tool.name;
    EXPECT_EQ(version.out, std::string(tool.name) + " (vexo) " VEXO_TEST_VERSION "\n");
    EXPECT_EQ(version.err, "") << tool.name;

    vexotest::ProgramRun bad = runProgram(program, tool.badCommandLine);
    EXPECT_EQ(bad.status, 2) << tool.name;
    EXPECT_EQ(bad.out, "") << tool.name;
    EXPECT_NE(bad.err, "") << tool.name;
  }
}

// The two programs of the family keep their own usage lines and statuses;
// only a sole --help or --version is answered the usual way.
TEST(ToolConventions, HelpAndVersionOfTheFamilyPrograms) {
  const struct {
    const char* name;
    const char* usageLine;
    std::vector<std::string> mustList;
  } programs[] = {
      {"vexopxm", "Usage: vexopxm [/r] filename.pxm\n", {"/r", "/w", "/a", "/?"}},
      {"vexolev", "Usage : vexolev <path>\\<binary>\n", {}},
  };
  for (const auto& p : programs) {
    const std::string program = programFile(p.name);
    ASSERT_FALSE(program.empty()) << "run through ctest";
    vexotest::ProgramRun help = runProgram(program, {"--help"});
    EXPECT_EQ(help.status, 0) << p.name;
    EXPECT_EQ(help.out.rfind(p.usageLine, 0), 0u) << p.name << ": " << help.out;
    for (const std::string& option : p.mustList) {
      EXPECT_NE(help.out.find("  " + option + " "), std::string::npos) << p.name << " " << option;
    }
    vexotest::ProgramRun version = runProgram(program, {"--version"});
    EXPECT_EQ(version.status, 0) << p.name;
    EXPECT_EQ(version.out, std::string(p.name) + " (vexo) " VEXO_TEST_VERSION "\n");
  }
}

}  // namespace
