// The check mode of vexopxm (/w, -w) run against a real document database:
// the import itself is the same as without it, the findings come as warning
// lines on standard error, and the exit status tells a script about them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
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
      sourceLine("         PXMFLD POS=(1,1),LENGTH=4,ATTRB=ASKIP") +           // 12
      sourceLine("X        PXMFDL POS=(2,1),LENGTH=4") +                       // 13
      sourceLine("Y        PXMFLD POS=(3,1),LENGTH=4") +                       // 14
      sourceLine("MAPC     PXMMAP SIZE=(24,80)") +                             // 15
      sourceLine("LONE     PXMFLD POS=(1,1),LENGTH=4") +                       // 16
      sourceLine("         PXMSET TYPE=FINAL") +                               // 17
      sourceLine("         END");                                              // 18
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
      "MAPA: 3 fields, 0 screen texts, 8 warnings",
      "MAPB: 0 fields, 0 screen texts, 3 warnings",
      "MAPC: 1 field, 0 screen texts, 0 warnings",
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
  EXPECT_EQ(clean.err,
            "ORDHEAD: 4 fields, 3 screen texts, 0 warnings\nORDLINES: 7 fields, 1 screen text, 0 warnings\n");
  EXPECT_EQ(clean.status, PXM_EXIT_OK);

  // A run that ends with an error keeps its status; the warnings come before it.
  const ProgramRun again = run({"-w", examples_ + "/stock.pxm"});
  const ProgramRun failed = run({"-w", examples_ + "/stock.pxm"});
  EXPECT_EQ(again.status, PXM_EXIT_WARNINGS);
  EXPECT_EQ(failed.status, PXM_EXIT_ERROR);
  EXPECT_EQ(failed.err.rfind("Error: VEXO rc = TVRC_DEFN_ALREADY_EXISTS (124)\n", 0), 0u) << failed.err;
}

// The warnings of the check mode on sources in the shape real ones have: a map
// set statement first, continued statements, the operands of the language
// that the import does not keep, PXMSET TYPE=FINAL and END at the end. Each
// case is one map; only the warning lines are compared.
TEST_F(VexopxmCheckTest, RealShapedSources) {
  struct Case {
    std::vector<std::string> fields;    // the statements after the map statement (line 5 on)
    std::vector<std::string> warnings;  // without "case.pxm:"
  };
  const std::vector<Case> cases = {
      // Known operands of every statement, unkept ones among them: no warning.
      {{sourceLine("         PXMFLD POS=(1,30),LENGTH=20,ATTRB=ASKIP,JUSTIFY=LEFT,", 'X'),
        continuationLine("INITIAL='CUSTOMER MAINTENANCE'"),
        sourceLine("CUSTNO   PXMFLD POS=(3,2),LENGTH=8,PICIN='9(8)',PICOUT='9(8)',", 'X'),
        continuationLine("VALIDN=MUSTFILL,GRPNAME=KEY,CASE=MIXED,OUTLINE=BOX,", 'X'),
        continuationLine("PS=BASE,SOSI=NO,TRANSP=YES"),
        sourceLine("         PXMFLD POS=(3,11),LENGTH=1,ATTRB=PROT")},
       {}},
      {{sourceLine("CITY     PXMFLD POS=(6,2),LENGTH=20,JUSTFY=LEFT")},
       {"5: warning: unknown keyword JUSTFY= of field CITY passed over (did you mean JUSTIFY=?)"}},
      {{sourceLine("NAME     PXMFLD POS=(3,2),LENGTH=10")},
       {"5: warning: field NAME cannot be imported: its name is not valid (a reserved name (name, format, "
        "fieldcount, completioncode and reasoncode are))"}},
      {{sourceLine("CUST-NO  PXMFLD POS=(3,2),LENGTH=10")},
       {"5: warning: field CUST-NO cannot be imported: its name is not valid (only letters and digits are "
        "allowed)"}},
      {{sourceLine("A" + std::string(33, 'B') + " PXMFLD POS=(3,2),LENGTH=10")},
       {"5: warning: field A" + std::string(32, 'B') +
        " cannot be imported: its name is not valid (longer than 32 characters)"}},
      {{sourceLine("CITY     PXMFLD POS=(6,2),LENGTH=20"), sourceLine("* the same name again"),
        sourceLine("CITY     PXMFLD POS=(7,2),LENGTH=20")},
       {"7: warning: field CITY is named twice in map MNTMAP (first at line 5); the import refuses the map"}},
      {{sourceLine("WIDE     PXMFLD POS=(8,70),LENGTH=20"), sourceLine("LOW      PXMFLD POS=(25,1),LENGTH=5"),
        sourceLine("         PXMFLD POS=(24,76),LENGTH=6,INITIAL='PF3=END'")},
       {"5: warning: field WIDE (row 8, columns 70-89) lies outside the map's screen of 24 by 80",
        "6: warning: field LOW (row 25, columns 1-5) lies outside the map's screen of 24 by 80",
        "7: warning: an unnamed field (row 24, columns 76-81) lies outside the map's screen of 24 by 80",
        "7: warning: the INITIAL= text of an unnamed field has 7 characters, more than its length 6"}},
      {{sourceLine("ZERO     PXMFLD POS=(0,5),LENGTH=5"), sourceLine("ONEPOS   PXMFLD POS=9,LENGTH=5")},
       {"5: warning: field ZERO is placed at row 0, column 5: rows and columns count from 1",
        "6: warning: field ONEPOS is placed at row 9, column 0: rows and columns count from 1"}},
      {{sourceLine("HIST     PXMFLD POS=(12,1),LENGTH=79,ATTRB=ASKIP,OCCURS=5")},
       {"5: warning: field HIST has OCCURS=5: only its first occurrence is kept, 4 are not (/a keeps them)"}},
      {{sourceLine("NOTE     PXMFLD POS=(20,2),LENGTH=30,INITIAL='abc,ATTRB=PROT,COLOR=RED")},
       {"5: warning: the quoted INITIAL= value of field NOTE has no closing quote: it takes ATTRB=, COLOR= "
        "into its text"}},
      {{sourceLine("CITY     PXMFLD POS=(6,2),LENGTH=20"), sourceLine("NAME2\tPXMFLD POS=(7,2),LENGTH=5")},
       {"6: warning: a tab character in the label or operation columns: the statement reads as label "
        "\"NAME2<tab>PXMFLD\" and operation \"POS=(7,\" (write blanks instead)"}},
  };
  for (const Case& c : cases) {
    std::string source = sourceLine("* customer maintenance") +
                         sourceLine("MNTSET   PXMSET TYPE=&SYSPARM,MODE=INOUT,LANG=COBOL,STORAGE=AUTO,", 'X') +
                         continuationLine("TIOAPFX=YES,CTRL=FREEKB,TERM=3270,EXTATT=YES") +
                         sourceLine("MNTMAP   PXMMAP SIZE=(24,80),LINE=1,COLUMN=1,JUSTIFY=FIRST,TERM=3270");
    for (const std::string& line : c.fields) source += line;
    source += sourceLine("         PXMSET TYPE=FINAL") + sourceLine("         END");
    dir_.write("case.pxm", source);
    const ProgramRun checked = run({"/r", "/w", "case.pxm"});
    std::string expected;
    for (const std::string& warning : c.warnings) expected += "case.pxm:" + warning + "\n";
    std::string got;
    std::size_t start = 0;
    for (std::size_t end; (end = checked.err.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = checked.err.substr(start, end - start + 1);
      if (line.find(": warning: ") != std::string::npos) got += line;
    }
    EXPECT_EQ(got, expected) << source;
    EXPECT_EQ(checked.status, c.warnings.empty() ? PXM_EXIT_OK : checked.status) << checked.err;
  }
}

// Several sources in one run, each imported as a run of its own; the check
// (/c) reads them the same way, opens no database and writes nothing.
TEST_F(VexopxmCheckTest, SeveralSourcesAndTheCheck) {
  const std::string orders = examples_ + "/orders.pxm";
  const std::string menu = examples_ + "/menu.pxm";
  dir_.write("twice.pxm", sourceLine("DUPMAP   PXMMAP SIZE=(24,80)") + sourceLine("A        PXMFLD POS=(1,1),LENGTH=2") +
                              sourceLine("A        PXMFLD POS=(2,1),LENGTH=2"));
  const std::string twice = (dir_.path() / "twice.pxm").string();
  dir_.write("long.pxm", sourceLine("LONGMAP  PXMMAP SIZE=(24,80)") +
                             sourceLine("T        PXMFLD POS=(1,1),LENGTH=70,INITIAL='" + std::string(26, 'V'), 'X') +
                             continuationLine(std::string(38, 'V') + "'"));
  const std::string long_ = (dir_.path() / "long.pxm").string();
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string firstErrorLine;  // "" when no error line
    int status;
  };
  const std::vector<Case> cases = {
      {{"/c", orders, menu}, "PXM map ORDHEAD\nPXM map ORDLINES\nOK\nPXM map MENU\nOK\n2 files, 3 maps checked\n", "",
       PXM_EXIT_OK},
      {{"/c", orders, twice, menu}, "PXM map ORDHEAD\nPXM map ORDLINES\nOK\nPXM map DUPMAP\n",
       "Error: VEXO rc = TVRC_DUPLICATE_FIELD (43004)", PXM_EXIT_ERROR},
      {{orders, menu}, "PXM map ORDHEAD\nPXM map ORDLINES\nOK\nPXM map MENU\nOK\n2 files, 3 maps imported\n", "",
       PXM_EXIT_OK},
      {{"/r", twice}, "PXM map DUPMAP\n", "Error: VEXO rc = TVRC_DUPLICATE_FIELD (43004)", PXM_EXIT_ERROR},
      // The check refuses an initial value the document database would refuse.
      {{"/c", "/a", long_}, "PXM map LONGMAP\n", "Error: VEXO rc = TVRC_DATA_OVERFLOW (127)", PXM_EXIT_ERROR},
  };
  for (const Case& c : cases) {
    const ProgramRun o = run(c.args);
    EXPECT_EQ(o.out, c.out) << c.args[0];
    const std::size_t error = o.err.find("Error:");
    const std::string errorLine = error == std::string::npos ? "" : o.err.substr(error, o.err.find('\n', error) - error);
    EXPECT_EQ(errorLine, c.firstErrorLine) << o.err;
    EXPECT_EQ(o.status, c.status) << o.err;
  }
  // The check opens no database: it runs without any configuration.
  const ProgramRun bare = vexotest::runProgram(vexotest::programFile("vexopxm"), {"/c", orders}, dir_.path().string(),
                                               {{"VEXO_INI_PATH", std::nullopt}});
  EXPECT_EQ(bare.status, PXM_EXIT_OK) << bare.err;
}

// The hint after an error says what is wrong, not what is usual.
TEST_F(VexopxmCheckTest, HintsGiveTheRealReason) {
  const std::string good = "[DefinitionDatabase]\nDatabaseName = " + database_ + "\nDatabaseType = KirraDossa\n";
  struct Case {
    std::string source;
    std::string ini;  // the whole vexo.ini
    std::string hints;
  };
  const std::vector<Case> cases = {
      {"NEG PXMMAP SIZE=(24,80)\nA        PXMFLD POS=(1,-1),LENGTH=2\n", good + "ServerName = Local\n",
       "map NEG, field A (line 2): its column reads as -29: rows, columns and lengths are numbers of digits only, "
       "from 0 up\n"},
      {"LEN PXMMAP SIZE=(24,80)\nA        PXMFLD POS=(1,1),LENGTH=0-\n", good + "ServerName = Local\n",
       "map LEN, field A (line 2): its length reads as -3: rows, columns and lengths are numbers of digits only, "
       "from 0 up\n"},
      {"W PXMMAP SIZE=(24,1)\nH        PXMFLD POS=(1,1),LENGTH=30000,OCCURS=900\n", good + "ServerName = Local\n",
       "map W, field H (line 2): its row reads as 60003: more than a row, column or length can be\n"},
      {"         PXMMAP SIZE=(24,80)\nA        PXMFLD POS=(1,1),LENGTH=2\n", good + "ServerName = Local\n",
       "the map statement has no label: the map has no name; write the name of its message definition in "
       "column 1 of its PXMMAP statement\n"},
      {"TWICE PXMMAP\nA        PXMFLD POS=(1,1),LENGTH=2\nA        PXMFLD POS=(2,1),LENGTH=2\n",
       good + "ServerName = Local\n",
       "map TWICE, field A (line 3): the field name A is given to more than one field of the map (vexopxm /w "
       "names the lines)\n"},
      {"M PXMMAP\n", good,
       (dir_.path() / "ini" / "vexo.ini").string() +
           ": the [DefinitionDatabase] section has no ServerName (see examples/ini/vexo.ini)\n"},
      // A byte-order mark before the first section is passed over: no error at all.
      {"M PXMMAP\n", "\xEF\xBB\xBF" + good + "ServerName = Local\n", ""},
  };
  for (const Case& c : cases) {
    dir_.write("ini/vexo.ini", c.ini);
    dir_.write("hint.pxm", c.source);
    const ProgramRun o = run({"/r", "/a", "hint.pxm"});
    EXPECT_EQ(vexotest::splitHints(o.err).hints, c.hints) << c.source << o.err;
  }
}

// With /a, OCCURS=n gives n fields named by the label and the number, each
// after the one before and its attribute byte; a name that is taken fails the map.
TEST_F(VexopxmCheckTest, OccursWithAttributes) {
  dir_.write("hist.pxm", sourceLine("HISTMAP  PXMMAP SIZE=(24,80)") +
                             sourceLine("HIST     PXMFLD POS=(8,1),LENGTH=79,ATTRB=ASKIP,OCCURS=10") +
                             sourceLine("CODE     PXMFLD POS=(20,1),LENGTH=3,OCCURS=3"));
  const ProgramRun o = run({"/a", "/w", "hist.pxm"});
  EXPECT_EQ(o.err, "HISTMAP: 13 fields, 0 screen texts, 0 warnings\n");
  ASSERT_EQ(o.status, PXM_EXIT_OK) << o.err;
  const ProgramRun list =
      vexotest::runProgram(vexotest::programFile("dossa"), {"list", database_, "--form", "Field"}, dir_.path().string());
  std::vector<std::string> expected;
  for (int k = 1; k <= 10; ++k)
    expected.push_back("HIST" + std::to_string(k) + " " + std::to_string(7 + k) + " 1");
  for (int k = 1; k <= 3; ++k) expected.push_back("CODE" + std::to_string(k) + " 20 " + std::to_string(1 + 4 * (k - 1)));
  for (const std::string& field : expected) {
    std::istringstream words(field);
    std::string name, row, column;
    words >> name >> row >> column;
    const std::size_t at = list.out.find("MessageFieldName=" + name + "\t");
    ASSERT_NE(at, std::string::npos) << name << "\n" << list.out;
    const std::string line = list.out.substr(list.out.rfind('\n', at) + 1, list.out.find('\n', at) - list.out.rfind('\n', at));
    EXPECT_NE(line.find("\tFieldRow=" + row + "\t"), std::string::npos) << line;
    EXPECT_NE(line.find("\tFieldColumn=" + column + "\t"), std::string::npos) << line;
  }

  dir_.write("taken.pxm", sourceLine("TAKEN    PXMMAP SIZE=(24,80)") + sourceLine("HIST2    PXMFLD POS=(1,1),LENGTH=5") +
                              sourceLine("HIST     PXMFLD POS=(8,1),LENGTH=79,OCCURS=3"));
  const ProgramRun taken = run({"/a", "taken.pxm"});
  EXPECT_EQ(vexotest::splitHints(taken.err).hints,
            "map TAKEN, field HIST (line 3): occurrence 2 of OCCURS=3 would be named HIST2, which the map already "
            "has\n");
  EXPECT_EQ(taken.status, PXM_EXIT_ERROR);
}

// With /a, the unnamed fields with INITIAL= of a real-shaped source are kept
// as the message's screen texts (row, column, length, color, intensity,
// highlight, protection, text), in the order of the source; without /a the
// message is stored as before, and a replace without /a clears them.
TEST_F(VexopxmCheckTest, ScreenTextsWithAttributes) {
  const struct {
    std::vector<std::string> options;
    std::string texts;  // the item as dossa dump shows it; empty: no item
  } cases[] = {
      {{"/r"}, ""},
      {{"/r", "/a"},
       R"("MessageScreenTexts":["1,1,7,0,30,20,42,CUSTINQ","1,28,22,6,32,24,42,CUSTOMER ENQUIRY",)"
       R"("3,2,14,5,30,20,42,CUSTOMER NO..:","5,2,14,5,30,20,42,NAME.........:",)"
       R"("6,2,14,5,30,20,42,PHONE........:","24,1,32,2,30,20,42,PF3=END  PF7=BACK  PF8=FORWARD"])"},
      {{"/r"}, R"("MessageScreenTexts":[""])"},
  };
  const std::string source = (std::filesystem::path(examples_) / "custinq.pxm").string();
  for (const auto& c : cases) {
    std::vector<std::string> args = c.options;
    args.push_back(source);
    const ProgramRun o = run(args);
    ASSERT_EQ(o.status, PXM_EXIT_OK) << o.err;
    const ProgramRun dump =
        vexotest::runProgram(vexotest::programFile("dossa"), {"dump", database_, "--form", "Message"}, dir_.path().string());
    const std::size_t at = dump.out.find(R"("MessageName":"CUSTINQ")");
    ASSERT_NE(at, std::string::npos) << dump.out;
    const std::string line = dump.out.substr(at, dump.out.find('\n', at) - at);
    if (c.texts.empty()) {
      EXPECT_EQ(line.find("MessageScreenTexts"), std::string::npos) << line;
    } else {
      EXPECT_NE(line.find(c.texts), std::string::npos) << line;
    }
  }
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
            "MAPW: 2 fields, 0 screen texts, 3 warnings\n");
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
