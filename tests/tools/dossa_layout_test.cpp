// "dossa layout": the C header compiles as C11 and C++ and asserts exactly
// the offsets and size of the message's layout; the copybook compiles with
// every name usable and its record as long; the JSON Schema takes and
// refuses the records it should. "dossa diff": the changes between two imported databases.
// The copybook and schema cases exit with 77 (skipped) without their tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "message/zo_message.h"
#include "message/zo_message_layout.h"
#include "session/zo_session.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using vexotest::ProgramRun;
using vexotest::TempDir;

constexpr int kSkipped = 77;

// Fields that need padding, unaligned numbers, names that are C keywords,
// look like the writer's fillers, or are one COBOL word when cut to its length.
constexpr const char* kDefinitions =
    "[LAYOUTS]\n"
    "FieldList = LABEL, COUNT, FLAG, int, filler_1, LONG_FIELD_NAME_THAT_IS_CUT_1, LONG_FIELD_NAME_THAT_IS_CUT_2, ODD, LATE\n"
    "[LABEL]\nDataType = STRING\nLength = 3\nValue = abc\n"
    "[COUNT]\nDataType = LONG\nLength = 4\nAlignment = 4\n"
    "[FLAG]\nDataType = BYTE\nLength = 1\n"
    "[int]\nDataType = SHORT\nLength = 2\nAlignment = 2\n"
    "[filler_1]\nDataType = STRING\nLength = 5\n"
    "[LONG_FIELD_NAME_THAT_IS_CUT_1]\nDataType = STRING\nLength = 2\n"
    "[LONG_FIELD_NAME_THAT_IS_CUT_2]\nDataType = SHORT\nLength = 2\n"
    "[ODD]\nDataType = LONG\nLength = 4\n"
    "[LATE]\nDataType = LONG\nLength = 4\nAlignment = 8\n";

bool have(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

void skipWithout(const std::string& check, const std::string& what) {
  if (have(check)) return;
  std::printf("skipped: %s is not installed (scripts/setup installs it)\n", what.c_str());
  std::fflush(stdout);
  std::exit(kSkipped);
}

class DossaLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_.file("defs.txt")) << kDefinitions;
    std::ofstream(dir_.file("vexo.ini")) << "[DefinitionDatabase]\nDatabaseType = Txet\nDatabaseName = "
                                         << dir_.file("defs.txt") << "\n";
  }
  // The layout in `format`, written to dir/`file`.
  std::string layout(const std::string& format, const std::string& file) {
    const ProgramRun run = vexotest::runProgram(vexotest::programFile("dossa"), {"layout", "LAYOUTS", "--format", format},
                                                std::string(), {{"VEXO_INI_PATH", dir_.path()}});
    EXPECT_EQ(run.status, 0) << run.err;
    std::ofstream(dir_.file(file)) << run.out;
    return run.out;
  }
  // The message's layout as the library gives it.
  ZoMessageLayout expectedLayout() {
    setenv("VEXO_INI_PATH", dir_.path().c_str(), 1);
    char program[] = "test";
    char* argv[] = {program, nullptr};
    ZoSession session(1, argv);
    EXPECT_EQ(session.getErrorCode(), 0u);
    ZoMessage message("LAYOUTS", session);
    EXPECT_EQ(message.getErrorCode(), 0);
    return ZoMessageLayout(message);
  }
  // Runs a shell command in the test's folder; its status, and its output in `out`.
  int shell(const std::string& command, std::string* out = nullptr) {
    const int status = std::system(("cd '" + dir_.path() + "' && " + command + " > out.txt 2>&1").c_str());
    if (out) *out = vexotest::readBytes(dir_.file("out.txt"));
    return status;
  }
  TempDir dir_;
};

TEST_F(DossaLayoutTest, TheCHeaderCompilesAndAssertsTheLayoutsOffsets) {
  const std::string header = layout("c", "record.h");
  std::ofstream(dir_.file("use.c")) << "#include \"record.h\"\nint main(void) { struct LAYOUTS r; (void)r; return 0; }\n";
  std::string out;
  // -Wpadded: the compiler adds no padding of its own.
  EXPECT_EQ(shell("cc -std=c11 -Wall -Wextra -Wpedantic -Wpadded -Werror -c use.c -o use.o", &out), 0) << out << header;
  EXPECT_EQ(shell("c++ -x c++ -std=c++17 -Wall -Wextra -Wpedantic -Wpadded -Werror -c use.c -o use2.o", &out), 0) << out;

  // The asserted numbers, in order, are the layout's: each padding's start, each field's offset, the size.
  const ZoMessageLayout expected = expectedLayout();
  std::vector<long> want;
  for (const ZoFieldLayout& f : expected.fields()) {
    if (f.padding > 0) want.push_back(f.offset - f.padding);
    want.push_back(f.offset);
  }
  want.push_back(expected.getRecordSize());
  EXPECT_GT(expected.getPaddingBytes(), 0);
  std::vector<long> asserted;
  const std::regex number(R"(static_assert\((?:offsetof|sizeof)\(.*\) == (\d+),)");
  for (std::sregex_iterator i(header.begin(), header.end(), number), end; i != end; ++i)
    asserted.push_back(std::stol((*i)[1]));
  EXPECT_EQ(asserted, want) << header;
  // Keywords and the writer's own names do not clash with the fields'.
  EXPECT_NE(header.find("int16_t int_;"), std::string::npos) << header;
  EXPECT_NE(header.find("filler_1_2[5]"), std::string::npos) << header;
}

TEST_F(DossaLayoutTest, TheCopybookCompilesWithEveryNameUsable) {
  skipWithout("cobc --version", "GnuCOBOL (cobc)");
  const std::string copybook = layout("cobol", "record.cpy");
  // Every item is referred to, so that two items of one name would be ambiguous.
  std::string uses;
  const std::regex item(R"(05  ([A-Z0-9-]+))");
  std::set<std::string> names;
  for (std::sregex_iterator i(copybook.begin(), copybook.end(), item), end; i != end; ++i) {
    if ((*i)[1] == "FILLER") continue;
    names.insert((*i)[1]);
    uses += "           INITIALIZE " + std::string((*i)[1]) + "\n";
  }
  EXPECT_EQ(names.size(), 9u) << copybook;
  std::ofstream(dir_.file("use.cob")) << "       IDENTIFICATION DIVISION.\n       PROGRAM-ID. USE.\n"
                                         "       DATA DIVISION.\n       WORKING-STORAGE SECTION.\n"
                                         "       COPY \"record.cpy\".\n       PROCEDURE DIVISION.\n"
                                      << uses << "           DISPLAY FUNCTION LENGTH(LAYOUTS-RECORD)\n"
                                      << "           STOP RUN.\n";
  std::string out;
  EXPECT_EQ(shell("cobc -fsyntax-only use.cob", &out), 0) << out << copybook;
  // Run, the record is as long as the layout's.
  ASSERT_EQ(shell("cobc -x use.cob -o use && ./use", &out), 0) << out;
  EXPECT_EQ(std::stol(out), expectedLayout().getRecordSize()) << out;
}

TEST_F(DossaLayoutTest, TheSchemaTakesValidRecordsAndRefusesOthers) {
  skipWithout("python3 -c 'import jsonschema'", "python3-jsonschema");
  layout("json-schema", "record.schema.json");
  struct Case {
    const char* record;
    bool valid;
  };
  const Case cases[] = {
      {R"({})", true},
      {R"({"LABEL":"abc","COUNT":-2147483648,"FLAG":255,"int":32767,"LONG_FIELD_NAME_THAT_IS_CUT_1":"ab","LONG_FIELD_NAME_THAT_IS_CUT_2":-32768,"LATE":2147483647})", true},
      {R"({"LABEL":"abcd"})", false},       // longer than its field
      {R"({"FLAG":256})", false},          // beyond a byte
      {R"({"COUNT":2147483648})", false},  // beyond a long
      {R"({"int":-32769})", false},        // beyond a short
      {R"({"LABEL":7})", false},            // a number for a text
      {R"({"COUNT":"1"})", false},         // a text for a number
      {R"({"EXTRA":1})", false},           // no such field
  };
  std::ofstream samples(dir_.file("samples.jsonl"));
  for (const Case& c : cases) samples << c.record << "\n";
  samples.close();
  std::ofstream(dir_.file("check.py"))
      << "import json, jsonschema\n"
         "schema = json.load(open('record.schema.json'))\n"
         "jsonschema.Draft202012Validator.check_schema(schema)\n"
         "v = jsonschema.Draft202012Validator(schema)\n"
         "for line in open('samples.jsonl'):\n"
         "    print('valid' if v.is_valid(json.loads(line)) else 'invalid')\n";
  std::string out;
  ASSERT_EQ(shell("python3 check.py", &out), 0) << out;
  std::istringstream lines(out);
  for (const Case& c : cases) {
    std::string verdict;
    std::getline(lines, verdict);
    EXPECT_EQ(verdict, c.valid ? "valid" : "invalid") << c.record;
  }

  // What the record codec decodes is valid too: the valid samples through
  // vexorec into records and back, then each decoded line against the schema.
  std::ofstream valid(dir_.file("valid.jsonl"));
  for (const Case& c : cases) {
    if (c.valid) valid << c.record << "\n";
  }
  valid.close();
  setenv("VEXO_INI_PATH", dir_.path().c_str(), 1);
  const std::string vexorec = vexotest::programFile("vexorec");
  ASSERT_EQ(shell(vexorec + " encode LAYOUTS < valid.jsonl > records.bin && " + vexorec +
                      " decode LAYOUTS < records.bin > samples.jsonl && python3 check.py",
                  &out),
            0)
      << out;
  EXPECT_EQ(out, "valid\nvalid\n");
}

// Two databases imported from a map source and a changed copy of it.
class DossaDiffTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(std::string(std::getenv("VEXO_SOURCE_DIR")) + "/examples/maps/orders.pxm");
    std::stringstream text;
    text << in.rdbuf();
    orders_ = text.str();
    importInto("a", orders_, {});
    importInto("b", changed({{"CUSTNO   PXMFLD POS=(3,15),LENGTH=8", "CUSTNO   PXMFLD POS=(3,16),LENGTH=10"},
                             {"QTY3     PXMFLD POS=(6,14),LENGTH=5,ATTRB=(UNPROT,NUM)\n", ""},
                             {"         PXMSET TYPE=FINAL", "NEWMAP   PXMMAP SIZE=(24,80)\nNOTE     PXMFLD "
                                                          "POS=(1,1),LENGTH=4\n         PXMSET TYPE=FINAL"}}),
               {});
  }
  // The map source with each text replaced once.
  std::string changed(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::string source = orders_;
    for (const auto& [from, to] : changes) {
      const std::size_t at = source.find(from);
      EXPECT_NE(at, std::string::npos) << from;
      if (at != std::string::npos) source.replace(at, from.size(), to);
    }
    return source;
  }
  // A database `name`.ndb made and `source` imported into it with `options`.
  void importInto(const std::string& name, const std::string& source, std::vector<std::string> options) {
    const std::string folder = dir_.file(name);
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/vexo.ini") << "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = " << name
                                        << ".ndb\nServerName = Local\n";
    std::ofstream(folder + "/" + name + ".pxm") << source;
    ASSERT_EQ(dossa({"create", dir_.file(name + ".ndb")}).status, 0);
    options.push_back(folder + "/" + name + ".pxm");
    const ProgramRun import = vexotest::runProgram(vexotest::programFile("vexopxm"), options, std::string(),
                                                   {{"VEXO_INI_PATH", folder}, {"NDOSSA_DATA", dir_.path()}});
    ASSERT_EQ(import.status, 0) << import.out << import.err;
  }
  ProgramRun dossa(const std::vector<std::string>& args, const vexotest::StandardFiles& files = {}) {
    return vexotest::runProgram(vexotest::programFile("dossa"), args, std::string(), {}, files);
  }
  TempDir dir_;
  std::string orders_;
};

TEST_F(DossaDiffTest, EachChangeIsALineAndTheRecordsMovesFollow) {
  const ProgramRun run = dossa({"diff", dir_.file("a.ndb"), dir_.file("b.ndb")});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::string expected =
      "message NEWMAP: added\n"
      "field ORDHEAD.CUSTNO: column 15 -> 16\n"
      "field ORDHEAD.CUSTNO: length 8 -> 10\n"
      "record ORDHEAD: size 126 -> 128\n"
      "record ORDHEAD.ORDDATE: offset 8 -> 10\n"
      "record ORDHEAD.CUSTREF: offset 18 -> 20\n"
      "record ORDHEAD.MSGLINE: offset 48 -> 50\n"
      "field ORDLINES.QTY3: removed\n"
      "field ORDLINES.TOTAL: description \"ORDLINES field 7\" -> \"ORDLINES field 6\"\n"
      "record ORDLINES: size 57 -> 52\n"
      "record ORDLINES.TOTAL: offset 45 -> 40\n";
  EXPECT_EQ(vexotest::asText(run.out), expected);

  const ProgramRun json = dossa({"diff", "--json", dir_.file("a.ndb"), dir_.file("b.ndb")});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(vexotest::asText(json.out).substr(0, json.out.find('\n') + 1),
            "{\"kind\":\"message\",\"message\":\"NEWMAP\",\"change\":\"added\"}\n");
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 11);
}

// The input flags live in the definitions only, not in the fields a message builds.
TEST_F(DossaDiffTest, TheInputFlagsKeptWithTheLookAreCompared) {
  importInto("c", orders_, {"/a"});
  importInto("d", changed({{"QTY1     PXMFLD POS=(4,14),LENGTH=5,ATTRB=(UNPROT,NUM)", "QTY1     PXMFLD POS=(4,14),LENGTH=5,ATTRB=(UNPROT,IC)"}}),
             {"/a"});
  const ProgramRun run = dossa({"diff", dir_.file("c.ndb"), dir_.file("d.ndb")});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(vexotest::asText(run.out), "field ORDLINES.QTY1: flags \"numeric\" -> \"cursor\"\n");
}

TEST_F(DossaDiffTest, ADumpOfADatabaseIsTheSameAsItAndErrorsGiveTwo) {
  ASSERT_EQ(dossa({"dump", dir_.file("a.ndb")}, {std::string(), dir_.file("a.jsonl")}).status, 0);
  const ProgramRun same = dossa({"diff", dir_.file("a.jsonl"), dir_.file("a.ndb")});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "");
  EXPECT_EQ(dossa({"diff", dir_.file("a.ndb"), dir_.file("missing.ndb")}).status, 2);
  std::ofstream(dir_.file("bad.jsonl")) << "{\"noteid\":1}\n";
  const ProgramRun bad = dossa({"diff", dir_.file("bad.jsonl"), dir_.file("a.ndb")});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("line 1"), std::string::npos) << bad.err;
  EXPECT_EQ(dossa({"diff", dir_.file("a.ndb")}).status, 2);
}

}  // namespace
