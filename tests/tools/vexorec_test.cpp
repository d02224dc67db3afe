// vexorec as its users run it: JSON Lines through a real process into records
// and back, on a document database made by importing the example maps, and
// on a text database with numbers; the bad lines and records it refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using vexotest::ProgramRun;

class VexorecTest : public ::testing::Test {
 public:
  void SetUp() override {
    const char* source = std::getenv("VEXO_SOURCE_DIR");
    const char* binary = std::getenv("VEXO_BINARY_DIR");
    ASSERT_TRUE(source != nullptr && binary != nullptr) << "run through ctest";
    xlat_ = std::string(binary) + "/share/xlat";
    const std::string db = dir_.file("defs.ndb");
    dir_.write("vexo.ini", "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = " + db +
                               "\nServerName = Local\n");
    ASSERT_EQ(run("dossa", {"create", db}).status, 0);
    std::filesystem::copy_file(std::filesystem::path(source) / "examples" / "maps" / "orders.pxm",
                               std::filesystem::path(dir_.path()) / "orders.pxm");
    const ProgramRun import = run("vexopxm", {"orders.pxm"});
    ASSERT_EQ(import.status, 0) << import.out << import.err;
    ASSERT_EQ(run("dossa", {"build", db}).status, 0);
  }

  // Runs `program` in the test's folder with `input` as its standard input.
  ProgramRun run(const std::string& program, const std::vector<std::string>& args, const std::string& input = "") {
    const std::string in = input.empty() ? std::string() : dir_.write("stdin-" + std::to_string(++runs_), input);
    return vexotest::runProgram(vexotest::programFile(program), args, dir_.path(),
                                {{"VEXO_INI_PATH", dir_.path()}, {"VEXO_XLAT_PATH", xlat_}},
                                vexotest::StandardFiles{in, std::string()});
  }

 protected:
  vexotest::TempDir dir_;
  std::string xlat_;
  int runs_ = 0;
};

// ORDHEAD: CUSTNO 8, ORDDATE 10, CUSTREF 30, MSGLINE 78 bytes.
const std::string kLines =
    "{\"CUSTNO\":\"00012345\",\"ORDDATE\":\"2026-12-09\",\"CUSTREF\":\"ours, \\\"quoted\\\"\",\"MSGLINE\":\"\"}\n"
    "{\"CUSTNO\":\"\",\"ORDDATE\":\"\",\"CUSTREF\":\"caf\xC3\xA9\",\"MSGLINE\":\"line\\ttab\"}\n"
    "{\"CUSTNO\":\"9\",\"ORDDATE\":\"x\",\"CUSTREF\":\"y\",\"MSGLINE\":\"z\"}\n";

}  // namespace

TEST_F(VexorecTest, JsonLinesComeBackIdenticalThroughRecords) {
  const std::vector<std::vector<std::string>> variants = {
      {}, {"--length-prefix"}, {"--ccsid", "37"}, {"--ccsid", "500", "--length-prefix", "--encoding", "Sun OS"}};
  for (const std::vector<std::string>& options : variants) {
    std::vector<std::string> encode = {"encode", "ORDHEAD"}, decode = {"decode", "ORDHEAD"};
    encode.insert(encode.end(), options.begin(), options.end());
    decode.insert(decode.end(), options.begin(), options.end());
    const bool prefixed = options.size() == 1 || options.size() == 5;
    const ProgramRun records = run("vexorec", encode, kLines);
    ASSERT_EQ(records.status, 0) << records.err;
    ASSERT_EQ(records.out.size(), 3u * (126 + (prefixed ? 4 : 0))) << options.size();
    if (prefixed) {
      EXPECT_EQ(records.out.substr(0, 4), std::string("\0\0\0\x7e", 4));
    }
    if (options.size() == 2) {
      EXPECT_EQ(records.out.substr(0, 2), "\xF0\xF0");  // EBCDIC digits
    }
    const ProgramRun back = run("vexorec", decode, records.out);
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, kLines);
    EXPECT_EQ(back.err, "");
  }
  // A mixed CCSID takes Japanese text through PC mixed Japanese unless told otherwise.
  const std::string japanese = "{\"CUSTNO\":\"A1\",\"ORDDATE\":\"\",\"CUSTREF\":\"\xE6\x9D\xB1\xE4\xBA\xAC x\",\"MSGLINE\":\"\"}\n";
  const ProgramRun records = run("vexorec", {"encode", "ORDHEAD", "--ccsid", "939"}, japanese);
  ASSERT_EQ(records.status, 0) << records.err;
  EXPECT_EQ(records.out.substr(18, 7), "\x0E\x45\x57\x45\x75\x0F\x40");
  EXPECT_EQ(run("vexorec", {"decode", "ORDHEAD", "--ccsid", "939"}, records.out).out, japanese);
}

TEST_F(VexorecTest, NumbersTakeTheEncodingFromATextDatabase) {
  dir_.write("vexo.ini", "[DefinitionDatabase]\nDatabaseName = " + dir_.file("defs.txt") + "\nDatabaseType = Txet\n");
  dir_.write("defs.txt",
             "[NUMS]\nFieldList = L, S, B\n[L]\nDataType = LONG\nAlignment = 4\n"
             "[S]\nDataType = SHORT\nAlignment = 2\n[B]\nDataType = BYTE\n");
  const std::string line = "{\"L\":-2,\"S\":258,\"B\":7}\n";
  const struct {
    const char* encoding;
    std::string record;
  } cases[] = {
      {"273", std::string("\xFF\xFF\xFF\xFE\x01\x02\x07", 7)},
      {"Windows NT", std::string("\xFE\xFF\xFF\xFF\x02\x01\x07", 7)},
  };
  for (const auto& c : cases) {
    const ProgramRun records = run("vexorec", {"encode", "NUMS", "--encoding", c.encoding}, line);
    ASSERT_EQ(records.status, 0) << records.err;
    EXPECT_EQ(records.out, c.record) << c.encoding;
    EXPECT_EQ(run("vexorec", {"decode", "NUMS", "--encoding", c.encoding}, records.out).out, line);
  }
  const ProgramRun range = run("vexorec", {"encode", "NUMS"}, "{\"S\":40000}\n");
  EXPECT_EQ(range.status, 1);
  EXPECT_NE(range.err.find("line 1: message NUMS, field S at offset 4: 40000 is outside"), std::string::npos)
      << range.err;
}

TEST_F(VexorecTest, ABadLineOrRecordStopsUnlessSkipped) {
  const std::string good = "{\"CUSTNO\":\"1\"}\n";
  const std::string bad = good + "{\"CUSTNO\":\"123456789\"}\n" + "{\"NOSUCH\":1}\n" + good;
  const ProgramRun stop = run("vexorec", {"encode", "ORDHEAD"}, bad);
  EXPECT_EQ(stop.status, 1);
  EXPECT_EQ(stop.out.size(), 126u);  // the line before; nothing after
  EXPECT_NE(stop.err.find("line 2: message ORDHEAD, field CUSTNO at offset 0: a text of 9 bytes"), std::string::npos)
      << stop.err;

  const ProgramRun skip = run("vexorec", {"encode", "ORDHEAD", "--skip-bad"}, bad);
  EXPECT_EQ(skip.status, 0);
  EXPECT_EQ(skip.out.size(), 2u * 126);
  EXPECT_NE(skip.err.find("line 3: message ORDHEAD: the member \"NOSUCH\" names no field (skipped)"),
            std::string::npos)
      << skip.err;

  // A zero byte inside a line is part of it: the line is refused, not read up to the zero.
  const ProgramRun zero = run("vexorec", {"encode", "ORDHEAD"}, good + std::string("{\"CUSTNO\":\"1\"}\0garbage\n", 23));
  EXPECT_EQ(zero.status, 1);
  EXPECT_EQ(zero.out.size(), 126u);
  EXPECT_NE(zero.err.find("line 2: message ORDHEAD: the text is not JSON"), std::string::npos) << zero.err;

  const ProgramRun cut = run("vexorec", {"encode", "ORDHEAD", "--cut"}, "{\"CUSTNO\":\"123456789\"}\n");
  EXPECT_EQ(cut.status, 0);
  EXPECT_EQ(cut.out.substr(0, 9), "12345678 ");
  EXPECT_NE(cut.err.find("line 1: warning: "), std::string::npos) << cut.err;

  // A truncated last record is an error after the whole ones.
  const std::string two = run("vexorec", {"encode", "ORDHEAD"}, good + good).out;
  ASSERT_EQ(two.size(), 252u);
  const ProgramRun truncated = run("vexorec", {"decode", "ORDHEAD"}, two.substr(0, 200));
  EXPECT_EQ(truncated.status, 1);
  EXPECT_EQ(truncated.out, "{\"CUSTNO\":\"1\",\"ORDDATE\":\"\",\"CUSTREF\":\"\",\"MSGLINE\":\"\"}\n");
  EXPECT_NE(truncated.err.find("record 2: truncated, 74 of 126 bytes"), std::string::npos) << truncated.err;
  const ProgramRun wrongLength = run("vexorec", {"decode", "ORDHEAD", "--length-prefix"}, std::string("\0\0\0\x05", 4) + "abcde");
  EXPECT_EQ(wrongLength.status, 1);
  EXPECT_NE(wrongLength.err.find("record 1: length prefix 5 where message ORDHEAD has 126 bytes"), std::string::npos);

  const ProgramRun unknown = run("vexorec", {"decode", "NOSUCH"}, two);
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.out, "");
}
