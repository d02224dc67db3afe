#include "level/level_report.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "level/level_scan.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kCodeLevel = std::string("@(") + "!) ";
const std::string kModule = std::string("@(") + "#) ";

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class LevelReport : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("level_report_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string writeFile(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  // Runs the reporter in this process; returns its lines without the banner.
  std::vector<std::string> report(std::vector<const char*> args, int expectedStatus = LEV_EXIT_OK,
                                  bool expectBanner = true) {
    args.insert(args.begin(), "vexolev");
    std::FILE* out = std::tmpfile();
    EXPECT_NE(out, nullptr);
    const int status = levReport(static_cast<int>(args.size()), args.data(), out);
    EXPECT_EQ(status, expectedStatus);
    std::string text;
    std::rewind(out);
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) text.push_back(static_cast<char>(c));
    std::fclose(out);
    std::vector<std::string> lines = splitLines(text);
    if (expectBanner) {
      EXPECT_FALSE(lines.empty());
      if (!lines.empty()) {
        EXPECT_NE(lines.front().find("vexolev"), std::string::npos);
        lines.erase(lines.begin());
      }
    }
    return lines;
  }

  std::vector<std::string> reportFile(const std::string& bytes) {
    const std::string path = writeFile("input.bin", bytes);
    return report({path.c_str()});
  }

  fs::path dir_;
};

// `size` filler bytes with `text` placed at each given offset.
std::string fileWith(std::size_t size, const std::vector<std::pair<std::size_t, std::string>>& at,
                     char filler = '\0') {
  std::string bytes(size, filler);
  for (const auto& [offset, text] : at) bytes.replace(offset, text.size(), text);
  return bytes;
}

using Lines = std::vector<std::string>;

TEST_F(LevelReport, UsageErrorsPrintOnlyTheUsageLine) {
  EXPECT_EQ(report({}, LEV_EXIT_FAILURE, false), Lines({"Usage : vexolev <path>\\<binary>"}));
  EXPECT_EQ(report({"a", "b"}, LEV_EXIT_FAILURE, false),
            Lines({"Usage : vexolev <path>\\<binary>"}));
}

TEST_F(LevelReport, UnusableInputsGiveAClearMessageAndStatusOne) {
  const std::string missing = (dir_ / "missing.exe").string();
  EXPECT_EQ(report({missing.c_str()}, LEV_EXIT_FAILURE), Lines({"Unable to open file " + missing}));
  // A directory opens but cannot be read (on Windows it does not even open).
  const std::string directory = dir_.string();
  Lines lines = report({directory.c_str()}, LEV_EXIT_FAILURE);
  ASSERT_FALSE(lines.empty());
#ifdef _WIN32
  EXPECT_EQ(lines.back(), "Unable to open file " + directory);
#else
  EXPECT_EQ(lines.back(), "Unable to read file " + directory);
#endif
}

TEST_F(LevelReport, FilesWithoutMarkersPrintOnlyTheBanner) {
  EXPECT_EQ(reportFile(""), Lines{});
  EXPECT_EQ(reportFile(std::string(70000, '\xff')), Lines{});
  // Markers cut short by the end of the file.
  EXPECT_EQ(reportFile("@(#"), Lines{});
  EXPECT_EQ(reportFile("xxxx" + kModule), Lines{});
}

TEST_F(LevelReport, CodeLevelLinesComeFirstFromTheFirstChunkHoldingOne) {
  const std::string bytes = fileWith(100000, {{1000, kModule + "mod-a"},
                                              {5000, kCodeLevel + "level one"},
                                              {6000, kCodeLevel + "level two"},
                                              {40000, kCodeLevel + "level later"},
                                              {70000, kModule + "mod-b"}});
  EXPECT_EQ(reportFile(bytes), Lines({kCodeLevel + "level one", kCodeLevel + "level two",
                                      kModule + "mod a", kModule + "mod b"}));
}

TEST_F(LevelReport, CodeLevelPassReadsOnUntilAChunkHoldsOne) {
  const std::string bytes = fileWith(100000, {{70000, kCodeLevel + "late"}, {80000, kModule + "m"}});
  EXPECT_EQ(reportFile(bytes), Lines({kCodeLevel + "late", kModule + "m"}));
}

TEST_F(LevelReport, MarkerInTheCarriedTailIsPrintedTwice) {
  // Wholly within the last 200 bytes of the first read: once from that read,
  // once from the carry area in front of the next.
  const std::size_t inTail = LEV_READ_SIZE - 100;
  EXPECT_EQ(reportFile(fileWith(60000, {{inTail, kModule + "tail"}})),
            Lines({kModule + "tail", kModule + "tail"}));
  // Just before the tail: once.
  const std::size_t beforeTail = LEV_READ_SIZE - LEV_CARRY_SIZE - 20;
  EXPECT_EQ(reportFile(fileWith(60000, {{beforeTail, kModule + "body"}})), Lines({kModule + "body"}));
  // The end of the file is carried and scanned once more as well.
  EXPECT_EQ(reportFile(fileWith(1000, {{900, kModule + "end"}})),
            Lines({kModule + "end", kModule + "end"}));
}

TEST_F(LevelReport, MarkerSplitBetweenReadsIsFoundThroughTheCarry) {
  for (std::size_t back = 1; back < LEV_MARKER_LENGTH; ++back) {
    const std::size_t at = LEV_READ_SIZE - back;
    EXPECT_EQ(reportFile(fileWith(80000, {{at, kModule + "split"}})), Lines({kModule + "split"}))
        << "marker starts " << back << " bytes before the end of the first read";
  }
}

TEST_F(LevelReport, TextCutByTheEndOfAReadIsPrintedWholeFromTheNext) {
  const std::string level = kCodeLevel + "     ***** Code Level is 0.0.1 *****";
  struct Case {
    const char* what;
    std::string bytes;
    Lines expected;
  };
  const Case cases[] = {
      {"code level cut by the first read", fileWith(60000, {{LEV_READ_SIZE - 20, level}}), {level}},
      {"module string cut by the first read", fileWith(60000, {{LEV_READ_SIZE - 6, kModule + "cut"}}),
       {kModule + "cut"}},
      // The last read of the file: what is there is all there is.
      {"text cut by the end of the file",
       fileWith(LEV_READ_SIZE, {{LEV_READ_SIZE - 9, kCodeLevel + "last"}}, 'x'), {kCodeLevel + "last"}},
  };
  for (const Case& c : cases) EXPECT_EQ(reportFile(c.bytes), c.expected) << c.what;
}

TEST_F(LevelReport, LongFileFindsEachMarkerOnce) {
  std::vector<std::pair<std::size_t, std::string>> at;
  Lines expected;
  // Away from the read boundaries (multiples of LEV_READ_SIZE) and the file end.
  for (std::size_t i = 0; i < 40; ++i) {
    const std::size_t offset = i * LEV_READ_SIZE + 5000 + i;
    const std::string text = kModule + "module " + std::to_string(i);
    at.emplace_back(offset, text);
    expected.push_back(text);
  }
  EXPECT_EQ(reportFile(fileWith(40 * LEV_READ_SIZE + 7000, at)), expected);
  // Without a NUL behind them the texts run on into the filler, up to the cut.
  const Lines lines = reportFile(fileWith(40 * LEV_READ_SIZE + 7000, at, 'x'));
  ASSERT_EQ(lines.size(), expected.size());
  for (const std::string& line : lines) EXPECT_EQ(line.size(), LEV_LINE_MAX);
}

TEST_F(LevelReport, LongTextIsCutAndPunctuationBlanked) {
  const std::string text = kModule + "src/a_b.cpp, comp, rel-b01  1.2.1.2 26/12/08 10:11:12 " +
                           std::string(150, 'z');
  Lines lines = reportFile(fileWith(2000, {{10, text}}));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), LEV_LINE_MAX);
  const std::string cleanedStart = kModule + "src/a b.cpp, comp, rel b01  1.2.1.2 26/12/08 10:11:12 zz";
  EXPECT_EQ(lines[0].substr(0, cleanedStart.size()), cleanedStart);
}

// The built program under `binaryDir`, spelled as this platform's shell takes it.
std::string programPath(const char* binaryDir) {
#ifdef _WIN32
  std::string path = std::string(binaryDir) + "/bin/vexolev.exe";
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
#else
  return std::string(binaryDir) + "/bin/vexolev";
#endif
}

// Runs the built program; returns its output and sets its exit status.
std::string runProgram(const std::string& arguments, int* status) {
  const char* binaryDir = std::getenv("VEXO_BINARY_DIR");
  if (binaryDir == nullptr) {
    ADD_FAILURE() << "VEXO_BINARY_DIR is not set";
    return {};
  }
  const std::string command = programPath(binaryDir) + " " + arguments;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return {};
  }
  std::string output;
  for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) output.push_back(static_cast<char>(c));
  const int raw = ::pclose(pipe);
#ifdef _WIN32
  *status = raw;  // the command's exit code itself
#else
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  return output;
}

TEST(VexolevProgram, ReportsItsOwnCodeLevelAndModulesOnly) {
  const char* binaryDir = std::getenv("VEXO_BINARY_DIR");
  ASSERT_NE(binaryDir, nullptr);
  int status = -1;
  const Lines lines = splitLines(runProgram(programPath(binaryDir), &status));
  EXPECT_EQ(status, 0);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_NE(lines[0].find("vexolev"), std::string::npos);
  EXPECT_EQ(lines[1], kCodeLevel + "     ***** Code Level is 0.0.1 *****");
  // The search keys of the program itself must not show up as finds.
  std::set<std::string> modules;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].rfind(kModule, 0), 0u) << lines[i];
    const std::string path = lines[i].substr(kModule.size(), lines[i].find(',') - kModule.size());
    modules.insert(path);
  }
#ifdef _WIN32
  const char* const osModule = "platform/platform win32.cpp";
#else
  const char* const osModule = "platform/platform posix.cpp";
#endif
  // Its own modules, the operating-system layer and the frame its main runs in, nothing else.
  EXPECT_EQ(modules, std::set<std::string>({"level/vexolev.cpp", "level/level report.cpp", "level/level scan.cpp",
                                            osModule, "platform/platform.cpp", "platform/program.cpp"}));
}

TEST(VexolevProgram, ExitStatusesOfFailures) {
  int status = -1;
  EXPECT_EQ(runProgram("", &status), "Usage : vexolev <path>\\<binary>\n");
  EXPECT_EQ(status, 1);
  const Lines lines = splitLines(runProgram("/nonexistent/vexolev/input", &status));
  EXPECT_EQ(status, 1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "Unable to open file /nonexistent/vexolev/input");
}

// Every program of the build carries the code-level string exactly once: a
// second copy (a constant the compiler made from it) shows up as a second,
// garbled code-level line.
TEST(ProgramFiles, EachHoldsOneCodeLevelString) {
  const char* binaryDir = std::getenv("VEXO_BINARY_DIR");
  ASSERT_NE(binaryDir, nullptr);
#ifdef _WIN32
  const std::string suffix = ".exe";
#else
  const std::string suffix;
#endif
  std::set<std::string> seen;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(binaryDir) / "bin")) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
      continue;
    }
#ifndef _WIN32
    if ((entry.status().permissions() & fs::perms::owner_exec) == fs::perms::none) continue;
#endif
    seen.insert(name.substr(0, name.size() - suffix.size()));
    const std::string bytes = vexotest::readBytes(entry.path());
    std::size_t markers = 0;
    for (std::size_t at = bytes.find(kCodeLevel); at != std::string::npos; at = bytes.find(kCodeLevel, at + 1)) {
      ++markers;
    }
    EXPECT_EQ(markers, 1u) << name;
  }
  EXPECT_TRUE(seen.count("vexopxm") == 1 && seen.count("vexolev") == 1) << "programs not found";
}

}  // namespace
