// The check mode of vexopxm (/w, -w) run against a real document database:
// the import itself is the same as without it, the findings come as warning
// lines on standard error, and the exit status tells a script about them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "import/pxm_import.h"
#include "tests/import/import_test_util.h"
#include "tests/support/run_program.h"

namespace {

using import_test::continuationLine;
using import_test::ScratchDir;
using import_test::sourceLine;
using vexotest::ProgramRun;

class VexopxmCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* source = std::getenv("VEXO_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest";
    examples_ = std::filesystem::absolute(std::filesystem::path(source) / "examples" / "maps").string();
    database_ = (dir_.path() / "defs.ndb").string();
    ASSERT_EQ(vexotest::runProgram(vexotest::programFile("dossa"), {"create", database_}, dir_.path().string())
                  .status,
              0);
    std::filesystem::create_directories(dir_.path() / "ini");
    dir_.write("ini/vexo.ini", "[DefinitionDatabase]\nDatabaseName = " + database_ +
                                   "\nDatabaseType = KirraDossa\nServerName = Local\n");
  }

  ProgramRun run(const std::vector<std::string>& args) {
    return vexotest::runProgram(vexotest::programFile("vexopxm"), args, dir_.path().string(),
                                {{"VEXO_INI_PATH", (dir_.path() / "ini").string()}});
  }

  ScratchDir dir_;
  std::string examples_;
  std::string database_;
};

// Each finding, on the physical line its statement begins (comments and
// continuation lines counted).
TEST_F(VexopxmCheckTest, EachFindingOnItsLine) {
  const std::string source =
      sourceLine("* two maps with faults") +                                   // 1
      sourceLine("MAPA     PXMMAP SIZE=(24,80)") +                             // 2
      sourceLine("CNAME    PXMFLD POS=(1,1),", 'X') +                          // 3
      continuationLine("LENGTH=10") +                                          // 4
      sourceLine("* a comment inside the map") +                               // 5
      sourceLine("CUST     PXMFLD PSO=(1,5),LENGHT=8,ATTRB=ASKIP,XYZZY=1") +   // 6
      sourceLine("         SPACE") +                                           // 7
      sourceLine("NOPOS    PXMFLD LENGTH=3") +                                 // 8
      sourceLine("") +                                                         // 9
      sourceLine("AFTER    PXMFLD POS=(3,1),LENGTH=2") +                       // 10
      sourceLine("MAPB     PXMMAP SIZE=(24,80)") +                             // 11
      sourceLine("         PXMFLD POS=(1,1),LENGTH=4,INITIAL='HELLO'") +       // 12
      sourceLine("X        PXMFDL POS=(2,1),LENGTH=4") +                       // 13
      sourceLine("Y        PXMFLD POS=(3,1),LENGTH=4") +                       // 14
      sourceLine("MAPC     PXMMAP SIZE=(24,80)") +                             // 15
      sourceLine("LONE     PXMFLD POS=(1,1),LENGTH=4") +                       // 16
      sourceLine("         PXMEND");                                           // 17
  dir_.write("faults.pxm", source);
  const std::vector<std::string> warnings = {
      "faults.pxm:6: warning: unknown keyword PSO= of field CUST passed over (did you mean POS=?)",
      "faults.pxm:6: warning: unknown keyword LENGHT= of field CUST passed over (did you mean LENGTH=?)",
      "faults.pxm:6: warning: unknown keyword XYZZY= of field CUST passed over",
      "faults.pxm:6: warning: field CUST has no position (POS=, or LINE= and COLUMN=)",
      "faults.pxm:6: warning: field CUST has no length (LENGTH=)",
      "faults.pxm:8: warning: field NOPOS has no position (POS=, or LINE= and COLUMN=)",
      "faults.pxm:8: warning: field NOPOS (row 1, columns 1-3) overlaps field CNAME of line 3 (columns 1-10)",
      "faults.pxm:10: warning: field statement passed over: field AFTER stands outside any map "
      "(map MAPA ended by a blank line at line 9)",
      "faults.pxm:11: warning: map MAPB has no named field",
      "faults.pxm:13: warning: operation PXMFDL inside map MAPB ends its field list "
      "(only PXMFLD, SPACE and comments continue it)",
      "faults.pxm:14: warning: field statement passed over: field Y stands outside any map "
      "(map MAPB ended by operation PXMFDL at line 13)",
      "MAPA: 3 fields, 8 warnings",
      "MAPB: 1 field, 3 warnings",
      "MAPC: 1 field, 0 warnings",
  };
  std::string expected;
  for (const std::string& line : warnings) expected += line + "\n";

  const ProgramRun plain = run({"faults.pxm"});
  EXPECT_EQ(plain.err, "");
  EXPECT_EQ(plain.status, PXM_EXIT_OK);

  // The same import again, replacing what the first run wrote.
  for (const char* option : {"/w", "-W"}) {
    const ProgramRun checked = run({"-r", option, "faults.pxm"});
    EXPECT_EQ(checked.out, plain.out) << option;
    EXPECT_EQ(checked.err, expected) << option;
    EXPECT_EQ(checked.status, PXM_EXIT_WARNINGS) << option;
  }
}

TEST_F(VexopxmCheckTest, CleanSourcesAndErrorRuns) {
  // A source without findings: only the summary, and the status of a clean run.
  const ProgramRun clean = run({"/w", examples_ + "/orders.pxm"});
  EXPECT_EQ(clean.out, "PXM map ORDHEAD\nPXM map ORDLINES\nOK\n");
  EXPECT_EQ(clean.err, "ORDHEAD: 7 fields, 0 warnings\nORDLINES: 8 fields, 0 warnings\n");
  EXPECT_EQ(clean.status, PXM_EXIT_OK);

  // A run that ends with an error keeps its status; the warnings come before it.
  const ProgramRun again = run({"-w", examples_ + "/stock.pxm"});
  const ProgramRun failed = run({"-w", examples_ + "/stock.pxm"});
  EXPECT_EQ(again.status, PXM_EXIT_WARNINGS);
  EXPECT_EQ(failed.status, PXM_EXIT_ERROR);
  EXPECT_EQ(failed.err.rfind("Error: VEXO rc = TVRC_DEFN_ALREADY_EXISTS (124)\n", 0), 0u) << failed.err;
}

// Words of the attribute operands that the import does not know.
TEST_F(VexopxmCheckTest, UnknownAttributeWords) {
  dir_.write("words.pxm", sourceLine("MAPW     PXMMAP SIZE=(24,80)") +
                              sourceLine("F        PXMFLD POS=(1,1),LENGTH=2,ATTRB=(ASKIP,BRTT,NUM),COLOR=GREN") +
                              sourceLine("G        PXMFLD POS=(2,1),LENGTH=2,HILIGHT=SPARKLE,COLOR=BLUE"));
  const ProgramRun checked = run({"/w", "/a", "words.pxm"});
  EXPECT_EQ(checked.err,
            "words.pxm:2: warning: unknown word BRTT of ATTRB= of field F passed over (did you mean BRT?)\n"
            "words.pxm:2: warning: unknown word GREN of COLOR= of field F passed over (did you mean GREEN?)\n"
            "words.pxm:3: warning: unknown word SPARKLE of HILIGHT= of field G passed over\n"
            "MAPW: 2 fields, 3 warnings\n");
  EXPECT_EQ(checked.status, PXM_EXIT_WARNINGS);
}

// vexomap names the database it looked in for a message it does not hold.
TEST_F(VexopxmCheckTest, VexomapHintForAMissingMessage) {
  const ProgramRun o = vexotest::runProgram(vexotest::programFile("vexomap"), {"NOSUCH"}, dir_.path().string(),
                                            {{"VEXO_INI_PATH", (dir_.path() / "ini").string()}});
  const vexotest::ErrorOutput err = vexotest::splitHints(o.err);
  EXPECT_EQ(err.lines, "Error: VEXO rc = TVRC_DEFN_NOT_FOUND (125)\n");
  EXPECT_EQ(err.hints, "no message NOSUCH in the database " + database_ +
                           "\nimport its map first with: vexopxm source.pxm\n");
  EXPECT_EQ(o.status, 1);
}

}  // namespace
