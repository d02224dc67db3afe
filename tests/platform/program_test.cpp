// The frame of every program's main, and each program run inside it: errors
// that would end a run without a word (an escaping exception, lost output, the
// file-size limit) end it with an error line and a failing status.
#include "platform/program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

TEST(ProgramFrame, ExceptionsBecomeAnErrorLine) {
  const struct {
    ProgramBody body;
    int status;
    const char* err;
  } cases[] = {
      {[](int, char*[]) -> int { throw std::bad_alloc(); }, PROGRAM_EXIT_FAILURE, "prog: out of memory\n"},
      {[](int, char*[]) -> int { throw std::runtime_error("boom"); }, PROGRAM_EXIT_FAILURE,
       "prog: unexpected error: boom\n"},
      {[](int, char*[]) -> int { throw 7; }, PROGRAM_EXIT_FAILURE, "prog: unexpected error\n"},
      {[](int argc, char*[]) { return argc + 2; }, 3, ""},
  };
  for (const auto& c : cases) {
    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    char name[] = "prog";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(programGuardedRun("prog", err, 1, argv, c.body), c.status);
    std::rewind(err);
    std::string text;
    for (int ch; (ch = std::fgetc(err)) != EOF;) text += static_cast<char>(ch);
    std::fclose(err);
    EXPECT_EQ(text, c.err);
  }
}

#ifndef _WIN32  // the full device and the file-size limit are POSIX things

class ProgramRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* binary = std::getenv("VEXO_BINARY_DIR");
    ASSERT_NE(binary, nullptr) << "run through ctest";
    xlat_ = std::string(binary) + "/share/xlat";
    database_ = dir_.file("defs.ndb");
    ASSERT_EQ(run("dossa", {"create", database_}).status, 0);
    std::filesystem::create_directories(dir_.file("text"));
    std::filesystem::create_directories(dir_.file("dossa"));
    dir_.write("text/vexo.ini", "[DefinitionDatabase]\nDatabaseName = " + dir_.file("defs.txt") +
                                    "\nDatabaseType = Txet\n");
    dir_.write("defs.txt", "[MSG]\nFieldList = F\n[F]\nDataType = STRING\nRow = 1\nColumn = 1\nLength = 3\n");
    dir_.write("dossa/vexo.ini", "[DefinitionDatabase]\nDatabaseName = " + database_ +
                                     "\nDatabaseType = KirraDossa\nServerName = Local\n");
  }

  vexotest::ProgramRun run(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<vexotest::EnvSetting>& env = {},
                           const vexotest::StandardFiles& files = {}) {
    return vexotest::runProgram(vexotest::programFile(program), args, dir_.path(), env, files);
  }

  vexotest::TempDir dir_;
  std::string xlat_;
  std::string database_;
};

TEST_F(ProgramRuns, OutputThatCannotBeWrittenFailsTheRun) {
  const std::string input = dir_.write("input.txt", "ABC\n");
  const struct {
    const char* program;
    std::vector<std::string> args;
    std::vector<vexotest::EnvSetting> env;
  } cases[] = {
      {"vexopxm", {"/?"}, {}},
      {"vexolev", {vexotest::programFile("vexolev")}, {}},
      {"dossa", {"check", database_}, {}},
      {"vexomap", {"MSG"}, {{"VEXO_INI_PATH", dir_.file("text")}}},
      {"vexoconv", {"819", "437"}, {{"VEXO_XLAT_PATH", xlat_}}},
      // mktables writes only files: its standard output stays empty.
  };
  for (const auto& c : cases) {
    const auto written = run(c.program, c.args, c.env, {input, ""});
    EXPECT_EQ(written.status, 0) << c.program << ": " << written.err;
    EXPECT_FALSE(written.out.empty()) << c.program;

    const auto lost = run(c.program, c.args, c.env, {input, "/dev/full"});
    EXPECT_EQ(lost.status, PROGRAM_EXIT_FAILURE) << c.program;
    EXPECT_NE(lost.err.find(std::string(c.program) + ": cannot write standard output: "), std::string::npos)
        << c.program << ": " << lost.err;
  }
}

// Lowers this process's file-size limit while it lives; started programs inherit it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lower = saved_;
    lower.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
};

TEST_F(ProgramRuns, TheFileSizeLimitIsADatabaseError) {
  std::string source = "BIG PXMMAP\n";
  for (int i = 1; i <= 5000; ++i) source += "FIELD" + std::to_string(i) + " PXMFLD POS=(1,1),LENGTH=1\n";
  const std::string path = dir_.write("big.pxm", source);
  vexotest::ProgramRun limited;
  {
    const FileSizeLimit limit(std::filesystem::file_size(database_) + 64 * 1024);
    limited = run("vexopxm", {path}, {{"VEXO_INI_PATH", dir_.file("dossa")}});
  }
  EXPECT_EQ(limited.status, 1);
  EXPECT_EQ(limited.out, "PXM map BIG\n");
  EXPECT_EQ(limited.err.rfind("Error: VEXO rc = TVRC_DEFN_DB_SYSERROR (138)\n", 0), 0u) << limited.err;
}

#endif

}  // namespace
