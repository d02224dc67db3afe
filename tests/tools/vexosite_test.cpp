// vexosite: the pages it writes for the example maps imported with /a, a map
// with awkward fields and texts, and a text database with a numeric field.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

using vexotest::ProgramRun;
using vexotest::TempDir;

const char* const kExampleMessages[] = {"CUSTINQ", "CUSTERR", "MENU", "ORDHEAD", "ORDLINES", "STOCKQ", "STOCKERR", "BLANKMAP"};

// A map text that is markup, a dark field, two fields sharing columns, one
// cut at the right edge and one below the screen; two with the cursor flag,
// neither the first that can be typed into, one of them numeric.
constexpr const char* kOddMap =
    "ODDSET   PXMSET TYPE=&SYSPARM,MODE=INOUT\n"
    "ODDMAP   PXMMAP SIZE=(4,20)\n"
    "         PXMFLD POS=(1,1),LENGTH=18,INITIAL='<script>&\"</script>'\n"
    "SECRET   PXMFLD POS=(2,1),LENGTH=4,ATTRB=(UNPROT,DRK)\n"
    "KEY      PXMFLD POS=(2,8),LENGTH=6,ATTRB=UNPROT,COLOR=PINK\n"
    "OVER     PXMFLD POS=(2,10),LENGTH=3,ATTRB=(UNPROT,IC)\n"
    "WIDE     PXMFLD POS=(3,15),LENGTH=10,ATTRB=(UNPROT,NUM,IC)\n"
    "FAR      PXMFLD POS=(9,1),LENGTH=2\n"
    "         PXMSET TYPE=FINAL\n"
    "         END\n";

// A numeric field and a protected one with a value to escape.
constexpr const char* kTextDefinitions =
    "[NUMS]\nFieldList = COUNT, CODE\nRowCount = 2\nColumnCount = 12\n"
    "ScreenText1 = 2,1,5,0,30,20,40,Code:\n"
    "[COUNT]\nDataType = LONG\nLength = 5\nValue = 42\nRow = 1\nColumn = 1\n"
    "[CODE]\nDataType = STRING\nLength = 3\nValue = A<'\nRow = 2\nColumn = 7\nHasAttributes = TRUE\nProtection = 42\n";

std::string slurp(const std::string& path) { return vexotest::readBytes(path); }

class VexositeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    const std::string source = std::string(std::getenv("VEXO_SOURCE_DIR")) + "/examples/maps/";
    std::ofstream(dir_->file("vexo.ini")) << "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = "
                                              "maps.ndb\nServerName = Local\n";
    std::ofstream(dir_->file("odd.pxm")) << kOddMap;
    ASSERT_EQ(vexotest::runProgram(vexotest::programFile("dossa"), {"create", dir_->file("maps.ndb")}).status, 0);
    std::vector<std::string> import = {"/a"};
    for (const char* file : {"custinq.pxm", "menu.pxm", "orders.pxm", "stock.pxm"}) import.push_back(source + file);
    import.push_back(dir_->file("odd.pxm"));
    const ProgramRun imported = vexotest::runProgram(vexotest::programFile("vexopxm"), import, std::string(), env());
    ASSERT_EQ(imported.status, 0) << imported.out << imported.err;
    // site1 names every message, site2 none: the database's own list.
    for (const char* site : {"site1", "site2"}) {
      std::vector<std::string> args = {dir_->file(site)};
      if (site == std::string("site1")) {
        args.push_back("ODDMAP");
        args.insert(args.end(), std::begin(kExampleMessages), std::end(kExampleMessages));
      }
      const ProgramRun run = vexotest::runProgram(vexotest::programFile("vexosite"), args, std::string(), env());
      ASSERT_EQ(run.status, 0) << run.out << run.err;
    }
    std::filesystem::create_directory(dir_->file("text"));
    std::ofstream(dir_->file("text/defs.txt")) << kTextDefinitions;
    std::ofstream(dir_->file("text/vexo.ini")) << "[DefinitionDatabase]\nDatabaseType = Txet\nDatabaseName = "
                                                   << dir_->file("text/defs.txt") << "\n";
    const ProgramRun text = vexotest::runProgram(vexotest::programFile("vexosite"), {dir_->file("site3")},
                                                 std::string(), {{"VEXO_INI_PATH", dir_->file("text")}});
    ASSERT_EQ(text.status, 0) << text.out << text.err;
  }
  static void TearDownTestSuite() { dir_.reset(); }
  static std::vector<vexotest::EnvSetting> env() {
    return {{"VEXO_INI_PATH", dir_->path()}, {"NDOSSA_DATA", dir_->path()}};
  }
  static std::string page(const std::string& site, const std::string& file) {
    return slurp(dir_->file(site + "/" + file));
  }
  static inline std::unique_ptr<TempDir> dir_;
};

TEST_F(VexositeTest, TheSameDatabaseGivesTheSameBytes) {
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir_->file("site1"))) {
    files.insert(entry.path().filename().string());
  }
  std::set<std::string> expected = {"index.html", "m-ODDMAP.html"};
  for (const char* name : kExampleMessages) expected.insert(std::string("m-") + name + ".html");
  EXPECT_EQ(files, expected);
  for (const std::string& file : files) {
    EXPECT_FALSE(page("site1", file).empty()) << file;
    EXPECT_EQ(page("site1", file), page("site2", file)) << file;
  }
}

// A page whose write fails (its part file on a full device) fails the run:
// the page there before is kept and no piece of the new one is left.
TEST_F(VexositeTest, AFailedWriteKeepsThePageBeforeAndLeavesNoPiece) {
  const std::string site = dir_->file("site4");
  std::filesystem::create_directories(site);
  std::ofstream(site + "/m-MENU.html") << "before";
  std::filesystem::create_symlink("/dev/full", site + "/m-MENU.html.part");
  const ProgramRun run = vexotest::runProgram(vexotest::programFile("vexosite"), {site, "CUSTINQ", "MENU"},
                                              std::string(), env());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("m-MENU.html cannot be written"), std::string::npos) << run.err;
  EXPECT_EQ(slurp(site + "/m-CUSTINQ.html"), page("site1", "m-CUSTINQ.html"));
  EXPECT_EQ(slurp(site + "/m-MENU.html"), "before");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(site + "/m-MENU.html.part")));
  EXPECT_FALSE(std::filesystem::exists(site + "/index.html"));
}

TEST_F(VexositeTest, FieldsBecomeInputsOfTheirKindAndTextsAreEscaped) {
  struct Case {
    const char* site;
    const char* file;
    const char* pattern;  // a regular expression the page must match
    bool present;
  };
  const Case cases[] = {
      // The map's markup is text; the page has only its own script.
      {"site1", "m-ODDMAP.html", R"(data-row="1" [^>]*>&lt;script&gt;&amp;&quot;&lt;/script  </div>)", true},
      {"site1", "m-ODDMAP.html", R"(<script>&|<script>[^\n]*<script>)", false},
      {"site1", "m-ODDMAP.html", R"(<input type="password" name="SECRET" class="field dark")", true},
      {"site1", "m-ODDMAP.html", R"(name="KEY" class="field c-pink overlap"[^>]* maxlength="6" size="6")", true},
      {"site1", "m-ODDMAP.html", R"(name="KEY"[^>]* autofocus)", false},
      // The first field with the cursor flag has the focus; a later one is marked.
      {"site1", "m-ODDMAP.html", R"(name="OVER" class="field overlap"[^>]* autofocus>)", true},
      {"site1", "m-ODDMAP.html", R"(name="WIDE" class="field numeric cut"[^>]* data-width="6" maxlength="10"[^>]* inputmode="numeric" pattern="\[0-9\]\*">)", true},
      {"site1", "m-ODDMAP.html", R"(<tr class="cut cursor-extra"><td>4</td><td>WIDE</td>.*<td>numeric cursor</td><td>cut at the right edge; cursor flag also on an earlier field: not focused</td></tr>)", true},
      {"site1", "m-ODDMAP.html", R"(name="FAR")", false},
      {"site1", "m-ODDMAP.html", R"(<tr class="offscreen"><td>5</td><td>FAR</td>.*<td>off screen</td></tr>)", true},
      {"site1", "m-CUSTINQ.html", R"(name="CUSTNO" class="field c-yellow h-underline numeric"[^>]* maxlength="8" size="8"[^>]* inputmode="numeric")", true},
      {"site1", "m-CUSTINQ.html", R"(name="CUSTNAM" class="field bright protected"[^>]* readonly tabindex="-1")", true},
      {"site1", "m-CUSTINQ.html", R"(<tr><td>HIST2</td><td>132</td><td>79</td><td>STRING</td>)", true},
      {"site1", "m-CUSTINQ.html", R"((src|href)="(https?:)?//)", false},
      {"site1", "index.html", R"(<tr class="message" data-name="ORDHEAD"><td><a href="m-ORDHEAD.html">ORDHEAD</a></td><td>126</td><td>4</td><td>3</td>)", true},
      {"site3", "m-NUMS.html", R"(name="COUNT" class="field numeric"[^>]* inputmode="numeric" pattern="\[0-9\]\*" autofocus>)", true},
      {"site3", "m-NUMS.html", R"(name="CODE" class="field protected"[^>]* readonly tabindex="-1" value="A&lt;&#39;">)", true},
      {"site3", "m-NUMS.html", R"(&quot;COUNT&quot;: 42,\n  &quot;CODE&quot;: &quot;A&lt;&#39;&quot;)", true},
      {"site3", "m-NUMS.html", R"(data-row="2" [^>]*>Code:       </div>)", true},
  };
  for (const Case& c : cases) {
    const std::string text = page(c.site, c.file);
    EXPECT_EQ(std::regex_search(text, std::regex(c.pattern)), c.present) << c.file << ": " << c.pattern;
  }
  for (const char* name : kExampleMessages) {
    const std::string text = page("site1", std::string("m-") + name + ".html");
    const std::regex autofocus(" autofocus>");
    const auto focused = std::distance(std::sregex_iterator(text.begin(), text.end(), autofocus), std::sregex_iterator());
    EXPECT_LE(focused, 1) << name;
  }
}

// The page's lines as text, with the character references undone.
std::string lineText(std::string html) {
  html = std::regex_replace(html, std::regex("<[^>]*>"), "");
  const std::pair<const char*, const char*> references[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : references) html = std::regex_replace(html, std::regex(from), to);
  return html;
}

TEST_F(VexositeTest, ScreenTextsStandWhereVexomapDrawsThem) {
  std::vector<std::string> names(std::begin(kExampleMessages), std::end(kExampleMessages));
  names.emplace_back("ODDMAP");
  for (const std::string& name : names) {
    const ProgramRun drawn = vexotest::runProgram(vexotest::programFile("vexomap"), {name}, std::string(), env());
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    std::vector<std::string> frame;
    std::istringstream lines(drawn.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.size() >= 2 && line[0] == '|') frame.push_back(line.substr(1, line.size() - 2));
    }
    const std::string html = page("site1", "m-" + name + ".html");
    std::map<long, std::string> rows;
    const std::regex row(R"re(<div class="line" data-row="(\d+)"[^>]*>(.*)</div>)re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), row); it != std::sregex_iterator(); ++it) {
      rows[std::stol((*it)[1])] = lineText((*it)[2]);
    }
    // What the inputs cover is the fields' and differs by design.
    const std::regex input(R"re(<input [^>]*data-row="(\d+)" data-column="(\d+)" data-width="(\d+)")re");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), input); it != std::sregex_iterator(); ++it) {
      const long r = std::stol((*it)[1]);
      const auto start = static_cast<std::size_t>(std::stol((*it)[2]) - 1);
      const auto width = static_cast<std::size_t>(std::stol((*it)[3]));
      ASSERT_TRUE(rows.count(r) != 0 && r - 1 < static_cast<long>(frame.size())) << name << " row " << r;
      frame[static_cast<std::size_t>(r - 1)].replace(start, width, width, ' ');
    }
    ASSERT_EQ(rows.size(), frame.size()) << name;
    for (std::size_t r = 0; r < frame.size(); ++r) EXPECT_EQ(rows[static_cast<long>(r + 1)], frame[r]) << name << " row " << r + 1;
  }
}

}  // namespace
