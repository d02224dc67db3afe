// vexomap: the drawing of a message's screen and the program's errors.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "message/zo_message.h"
#include "tests/message/text_definitions.h"
#include "tests/support/run_program.h"
#include "tools/vexomap/map_view.h"

// Allocations in this test program can be limited in size, as a tight memory
// limit would limit them: a larger request fails. Every form of new and
// delete is replaced, so that each pair meets in malloc and free.
namespace {
std::atomic<std::size_t> allocationLimit{static_cast<std::size_t>(-1)};

void* limitedAllocation(std::size_t size) noexcept {
  return size > allocationLimit.load() ? nullptr : std::malloc(size != 0 ? size : 1);
}

void* allocationOrThrow(std::size_t size) {
  if (void* memory = limitedAllocation(size)) return memory;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return allocationOrThrow(size); }
void* operator new[](std::size_t size) { return allocationOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return limitedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return limitedAllocation(size); }
// Not inlined: the compiler would then pair a free with a "new" and warn.
__attribute__((noinline)) void operator delete(void* memory) noexcept { std::free(memory); }
__attribute__((noinline)) void operator delete[](void* memory) noexcept { std::free(memory); }
__attribute__((noinline)) void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
__attribute__((noinline)) void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
__attribute__((noinline)) void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
__attribute__((noinline)) void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {

// Limits every allocation to `bytes` while it lives.
class AllocationLimit {
 public:
  explicit AllocationLimit(std::size_t bytes) { allocationLimit = bytes; }
  ~AllocationLimit() { allocationLimit = static_cast<std::size_t>(-1); }
  AllocationLimit(const AllocationLimit&) = delete;
  AllocationLimit& operator=(const AllocationLimit&) = delete;
};

// Output of one vexomapRun: exit status and both streams.
struct RunResult {
  int status;
  std::string out;
  std::string err;
};

std::string drain(std::FILE* f) {
  std::string text;
  std::rewind(f);
  char buffer[512];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return text;
}

RunResult runVexomap(std::vector<std::string> args) {
  args.insert(args.begin(), "vexomap");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = vexomapRun(static_cast<int>(args.size()), argv.data(), out, err);
  return RunResult{status, drain(out), drain(err)};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

// Definitions of a small logon screen, as the import writes them (no size).
void addLogon(TextDefinitions& defs) {
  defs.add("[LOGON]\nFieldList = TITLE, USERID, PASSWD, TRAILER\n");
  defs.add("[TITLE]\nDataType = STRING\nRow = 1\nColumn = 30\nLength = 12\nValue = SIGN ON\n");
  defs.add("[USERID]\nDataType = STRING\nRow = 5\nColumn = 10\nLength = 8\nValue = GUEST\n");
  defs.add("[PASSWD]\nDataType = AUTHENTICATOR\nRow = 6\nColumn = 10\nLength = 8\n"
           "HasAttributes = TRUE\n");
  defs.add("[TRAILER]\nDataType = STRING\nRow = 24\nColumn = 75\nLength = 10\n");
}

}  // namespace

TEST(Vexomap, DrawsFieldsAtTheirPlacesInADefaultFrame) {
  TextDefinitions defs;
  addLogon(defs);
  ZoMessage message("LOGON", defs.session());
  ASSERT_EQ(message.getErrorCode(), 0);
  const std::vector<std::string> l = lines(vexomapRender(message, false));
  ASSERT_GE(l.size(), 27u + 6u);
  EXPECT_EQ(l[0], "Message LOGON: 24 rows x 80 columns (size not defined, default used), 4 fields");
  const std::string border = "+" + std::string(80, '-') + "+";
  EXPECT_EQ(l[1], border);
  EXPECT_EQ(l[26], border);
  // Row r is line r + 1; column c is character c of the line (after "|").
  EXPECT_EQ(l[2].substr(30, 12), "TITLE_______");
  EXPECT_EQ(l[6].substr(10, 8), "USERID__");
  EXPECT_EQ(l[7].substr(10, 8), "PASSWD__");
  // A field is cut at the right edge of the frame.
  EXPECT_EQ(l[25].substr(75), "TRAILE|");
  for (int row = 2; row <= 25; ++row) EXPECT_EQ(l[static_cast<std::size_t>(row)].size(), 82u);

  // The table lists the fields in order with their properties.
  const std::string table = vexomapRender(message, false);
  EXPECT_NE(table.find("    1 TITLE"), std::string::npos);
  EXPECT_NE(table.find("    3 PASSWD"), std::string::npos);
  EXPECT_NE(table.find("AUTHENTICATOR"), std::string::npos);
  EXPECT_NE(table.find("color=0 intensity=30 highlight=20 protection=40"), std::string::npos);
  EXPECT_LT(table.find("    1 TITLE"), table.find("    2 USERID"));
}

TEST(Vexomap, ValuesHideAuthenticatorsAndSizeComesFromTheDefinition) {
  TextDefinitions defs;
  defs.add("[SMALL]\nRowCount = 3\nColumnCount = 20\nFieldList = CUST, PIN, QTY, FAR\n");
  defs.add("[CUST]\nDataType = STRING\nRow = 1\nColumn = 1\nLength = 6\nValue = AB\n");
  defs.add("[PIN]\nDataType = SYSTEM_AUTHENTICATOR\nRow = 2\nColumn = 1\nLength = 4\n");
  defs.add("[QTY]\nDataType = LONG\nValue = -42\nRow = 3\nColumn = 10\n");
  defs.add("[FAR]\nDataType = STRING\nRow = 9\nColumn = 1\nLength = 3\n");
  ZoMessage message("SMALL", defs.session());
  ASSERT_EQ(message.getErrorCode(), 0);
  const std::string drawing = vexomapRender(message, true);
  const std::vector<std::string> l = lines(drawing);
  EXPECT_EQ(l[0], "Message SMALL: 3 rows x 20 columns, 4 fields");
  EXPECT_EQ(l[1], "+" + std::string(20, '-') + "+");
  EXPECT_EQ(l[2], "|AB____              |");
  EXPECT_EQ(l[3], "|****                |");
  EXPECT_EQ(l[4], "|         -42_       |");
  EXPECT_NE(drawing.find("(off screen)"), std::string::npos);
}

TEST(Vexomap, StoredLengthsDoNotSizeWhatIsMade) {
  // Two thousand million characters, drawn in a frame of 20 columns: nothing
  // larger than the drawing is made, names and values alike.
  TextDefinitions defs;
  defs.add("[HUGE]\nRowCount = 2\nColumnCount = 20\nFieldList = TEXT, PIN\n");
  defs.add("[TEXT]\nDataType = STRING\nRow = 1\nColumn = 15\nLength = 2000000000\nValue = ABC\n");
  defs.add("[PIN]\nDataType = AUTHENTICATOR\nRow = 2\nColumn = 1\nLength = 2000000000\n");
  ZoMessage message("HUGE", defs.session());
  ASSERT_EQ(message.getErrorCode(), 0);
  for (const bool values : {false, true}) {
    std::vector<std::string> l;
    {
      const AllocationLimit limit(1024 * 1024);
      EXPECT_NO_THROW(l = lines(vexomapRender(message, values))) << values;
    }
    ASSERT_GE(l.size(), 4u);
    EXPECT_EQ(l[2], values ? "|              ABC___|" : "|              TEXT__|");
    EXPECT_EQ(l[3], values ? "|********************|" : "|PIN_________________|");
  }
}

TEST(Vexomap, ProgramReportsUsageAndErrorsWithTheirReturnCodes) {
  RunResult usage = runVexomap({});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err, "Usage: vexomap [/v] messagename\n");
  EXPECT_EQ(usage.out, "");
  EXPECT_EQ(runVexomap({"A", "B"}).status, 2);

  {
    TextDefinitions defs;
    addLogon(defs);
    defs.writeFiles();
    RunResult unknown = runVexomap({"NOSUCH"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "Error: VEXO rc = TVRC_DEFN_PROPERTY_NOT_FOUND (5009)\n");
    EXPECT_EQ(unknown.out, "");

    RunResult good = runVexomap({"/v", "LOGON"});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");
    EXPECT_NE(good.out.find("SIGN ON_____"), std::string::npos);

    RunResult badName = runVexomap({"BAD.NAME"});
    EXPECT_EQ(badName.status, 1);
    EXPECT_EQ(badName.err, "Error: VEXO rc = TVRC_INVALID_OBJECT_NAME (118)\n");
  }
  BareSession noConfiguration;  // VEXO_INI_PATH unset while it lives
  RunResult bad = runVexomap({"LOGON"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(vexotest::splitHints(bad.err).lines, "Error: VEXO rc = TVRC_INI_OPEN_ERROR (147)\n");
  EXPECT_EQ(vexotest::splitHints(bad.err).hints, "VEXO_INI_PATH is not set: set it to the folder that holds vexo.ini\n");
}

// The example text database draws as the README says: the program run in the
// example's directory, with VEXO_INI_PATH naming it.
TEST(Vexomap, TheExampleTextDatabaseDraws) {
  const char* source = std::getenv("VEXO_SOURCE_DIR");
  const std::string program = vexotest::programFile("vexomap");
  ASSERT_TRUE(source != nullptr && !program.empty()) << "run through ctest";
  std::ifstream readme(std::string(source) + "/README.md");
  const std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("`cd examples/textdb && VEXO_INI_PATH=. ../../build/bin/vexomap ORDERMSG`"),
            std::string::npos);

  const vexotest::ProgramRun run = vexotest::runProgram(
      program, {"ORDERMSG"}, std::string(source) + "/examples/textdb", {{"VEXO_INI_PATH", "."}});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> l = lines(run.out);
  ASSERT_GE(l.size(), 8u) << run.out;
  EXPECT_EQ(l[0], "Message ORDERMSG (format ORDFMT): 12 rows x 40 columns, 3 fields");
  EXPECT_EQ(l[3].substr(5, 8), "CUSTNO__");
  EXPECT_EQ(l[5].substr(5, 12), "ITEM________");
  EXPECT_EQ(l[7].substr(5, 4), "QTY_");
}

// Values as the screen shows them: columns are counted, not bytes, and
// nothing a value holds moves the frame.
TEST(Vexomap, ValuesKeepTheFrameStraight) {
  const struct {
    int row, column, length;
    const char* value;
    const char* line;  // the row as drawn, or null when a later case draws it
  } cases[] = {
      {1, 1, 10, "Gr\xC3\xBC\xC3\x9F" "e", "|Gr\xC3\xBC\xC3\x9F" "e_____          |"},
      {2, 1, 12, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "|\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E______        |"},
      // Cut at the right edge before a character that would cross it.
      {3, 16, 12, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "|               \xE6\x97\xA5\xE6\x9C\xAC_|"},
      // Controls (a tab among them), bytes that are not UTF-8, a sequence cut
      // short and a direction override each become one '?'.
      {4, 1, 20, "a\tb\x01" "c\x7F" "d\xFF" "e\xE6\x97" "f\xE2\x80\xAE" "g", "|a?b?c?d?e?f?g_______|"},
      // A combining mark stays with its letter, and takes no column.
      {5, 1, 6, "e\xCC\x81" "t\xC3\xA9", "|e\xCC\x81t\xC3\xA9___              |"},
      // A field over half of a wide character leaves a blank, not half of it.
      {6, 1, 6, "\xE6\x97\xA5\xE6\x9C\xAC", nullptr},
      {6, 2, 1, "X", "| X\xE6\x9C\xAC__              |"},
  };
  TextDefinitions defs;
  std::string list;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string name = "F" + std::to_string(i);
    list += (i > 0 ? ", " : "") + name;
    defs.add("[" + name + "]\nDataType = STRING\nRow = " + std::to_string(cases[i].row) + "\nColumn = " +
             std::to_string(cases[i].column) + "\nLength = " + std::to_string(cases[i].length) + "\n");
  }
  defs.add("[TEXTS]\nRowCount = 6\nColumnCount = 20\nFieldList = " + list + "\n");
  ZoMessage message("TEXTS", defs.session());
  ASSERT_EQ(message.getErrorCode(), 0);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    message.setProperty(("F" + std::to_string(i)).c_str(), cases[i].value);
  const std::vector<std::string> l = lines(vexomapRender(message, true));
  ASSERT_GE(l.size(), 9u);
  for (const auto& c : cases) {
    if (c.line == nullptr) continue;
    EXPECT_EQ(l[static_cast<std::size_t>(c.row) + 1], c.line) << c.value;
  }
}

// A field that does not fit is marked, in the frame where it leaves it and
// in the table; a field without a place is listed, not drawn.
TEST(Vexomap, FieldsPastTheEdgesAndWithoutAPlaceAreMarked) {
  const struct {
    const char* name;
    int row, column;
    const char* note;  // what the table adds to the field's line
  } fields[] = {
      {"IN", 1, 1, ""},
      {"CUT", 2, 8, " (cut at column 10)"},
      {"BELOW", 5, 3, " (off screen)"},
      {"RIGHT", 3, 12, " (off screen)"},
      {"NOROW", 0, 5, " (no position)"},
      {"NOCOL", 2, 0, " (no position)"},
  };
  TextDefinitions defs;
  std::string list;
  for (const auto& f : fields) {
    list += std::string(list.empty() ? "" : ", ") + f.name;
    defs.add(std::string("[") + f.name + "]\nDataType = STRING\nRow = " + std::to_string(f.row) +
             "\nColumn = " + std::to_string(f.column) + "\nLength = 4\n");
  }
  defs.add("[EDGES]\nRowCount = 3\nColumnCount = 10\nFieldList = " + list + "\n");
  ZoMessage message("EDGES", defs.session());
  ASSERT_EQ(message.getErrorCode(), 0);
  const std::string drawing = vexomapRender(message, false);
  EXPECT_EQ(drawing.substr(0, drawing.find("\n\n") + 1),
            "Message EDGES: 3 rows x 10 columns, 6 fields\n"
            "+----------+\n"
            "|IN__      |\n"
            "|       CUT|\n"
            "|          >\n"
            "+--v-------+\n"
            "Unpositioned: NOROW NOCOL\n");
  for (const auto& f : fields) {
    const std::size_t at = drawing.find(std::string(" ") + f.name + " ", drawing.find("\n\n"));
    ASSERT_NE(at, std::string::npos) << f.name;
    const std::string line = drawing.substr(at, drawing.find('\n', at) - at);
    EXPECT_EQ(line.substr(line.size() - std::strlen(f.note)), f.note) << line;
    EXPECT_EQ(line.find('(') == std::string::npos, *f.note == '\0') << line;
  }
}

// --color=always draws each field within the escape sequences of its
// attributes; without colors the drawing holds no escape at all.
// The screen's own texts, as a text database keeps them: drawn at their
// places under the fields, in their looks, and listed with the same marks.
TEST(Vexomap, ScreenTextsAreDrawnWhereTheMapPutsThem) {
  TextDefinitions defs;
  defs.add("[CUST]\nDataType = STRING\nRow = 2\nColumn = 8\nLength = 4\n");
  defs.add("[TEXTS]\nRowCount = 3\nColumnCount = 12\nFieldList = CUST\n"
           "ScreenText1 = 1,3,5,2,32,0,42,TITLE\n"       // blue, bright
           "ScreenText2 = 2,1,6,0,0,0,0,Name:\n"
           "ScreenText3 = 3,9,6,0,0,0,0,CUTOFF\n"        // runs past the right edge
           "ScreenText4 = 5,1,3,0,0,0,0,LOW\n"           // below the last row
           "ScreenText5 = 0,0,3,0,0,0,0,NOWHERE\n"
           "ScreenText6 = 2,5,6,0,0,0,0,HIDDENBYCUST\n"   // cut at its length, and a field drawn over it wins
           "ScreenText7 = 3,1,6,0,33,0,0,SECRET\n");     // dark
  defs.writeFiles();
  const RunResult run = runVexomap({"TEXTS"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> l = lines(run.out);
  ASSERT_GE(l.size(), 16u) << run.out;
  EXPECT_EQ(l[0], "Message TEXTS: 3 rows x 12 columns, 1 fields, 7 screen texts");
  EXPECT_EQ(l[2], "|  TITLE     |");
  EXPECT_EQ(l[3], "|NameHIDCUST |");
  EXPECT_EQ(l[4], "|        CUTO|");
  const std::string table = run.out.substr(run.out.find("# Screen text"));
  for (const char* expected : {"\"CUTOFF\"", "(cut at column 12)", "\"LOW\"", "(off screen)", "\"NOWHERE\"",
                               "(no position)"})
    EXPECT_NE(table.find(expected), std::string::npos) << expected << "\n" << table;
  const RunResult colored = runVexomap({"--color=always", "TEXTS"});
  EXPECT_NE(colored.out.find("\x1b[1;34mTITLE\x1b[0m"), std::string::npos) << colored.out;
}

TEST(Vexomap, ColorsAndHighlightsComeFromTheFieldsAttributes) {
  const struct {
    const char* name;
    const char* attributes;  // lines of the field's definition
    const char* drawn;       // the field as drawn with colors
  } fields[] = {
      {"PLAIN", "", "|PLAIN"},
      {"BRIGHT", "Intensity = 32\n", "\x1b[1mBRIGHT\x1b[0m"},
      {"BLUE", "Color = 2\n", "\x1b[34mBLUE\x1b[0m"},
      {"REVRED", "Color = 3\nHighLight = 23\n", "\x1b[31;7mREVRED\x1b[0m"},
      {"UNDER", "HighLight = 24\nIntensity = 32\nColor = 7\n", "\x1b[1;33;4mUNDER\x1b[0m"},
      {"BLINK", "HighLight = 22\nColor = 8\nProtection = 42\n", "\x1b[37;5mBLINK...\x1b[0m"},
      {"DEFAULT", "", "|DEFAULT"},  // attributes, all at their defaults
      {"DARK", "Intensity = 33\nColor = 2\nHighLight = 23\n", "|        |"},
  };
  TextDefinitions defs;
  std::string list;
  int row = 0;
  for (const auto& f : fields) {
    list += std::string(list.empty() ? "" : ", ") + f.name;
    const bool attributes = *f.attributes != '\0' || std::string(f.name) == "DEFAULT";
    defs.add(std::string("[") + f.name + "]\nDataType = STRING\nRow = " + std::to_string(++row) +
             "\nColumn = 1\nLength = " + std::to_string(std::strlen(f.name) + 3 * (std::string(f.name) == "BLINK")) +
             "\n" + (attributes ? "HasAttributes = TRUE\n" : "") + f.attributes);
  }
  defs.add("[LOOKS]\nRowCount = 8\nColumnCount = 8\nFieldList = " + list + "\n");
  defs.writeFiles();
  const RunResult colored = runVexomap({"--color=always", "LOOKS"});
  ASSERT_EQ(colored.status, 0) << colored.err;
  const std::vector<std::string> l = lines(colored.out);
  ASSERT_GE(l.size(), 10u);
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    EXPECT_NE(l[i + 2].find(fields[i].drawn), std::string::npos) << l[i + 2];
  }
  EXPECT_EQ(runVexomap({"--color", "LOOKS"}).out, colored.out);

  const RunResult plain = runVexomap({"LOOKS"});  // auto, and the output is no terminal
  EXPECT_EQ(plain.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(runVexomap({"--color=never", "LOOKS"}).out, plain.out);
  EXPECT_EQ(lines(plain.out)[5], "|REVRED  |");
  EXPECT_EQ(runVexomap({"--color=sometimes", "LOOKS"}).status, 2);
}

#ifndef _WIN32
// auto: colors on a terminal only, unless TERM says it cannot show them or
// NO_COLOR is set.
TEST(Vexomap, AutomaticColorFollowsTheTerminalAndTheEnvironment) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  std::FILE* terminal = std::fopen(ptsname(master), "w");
  ASSERT_NE(terminal, nullptr);
  std::FILE* file = std::tmpfile();
  const struct {
    const char* term;
    const char* noColor;
    bool onTerminal;
  } cases[] = {
      {"xterm", nullptr, true}, {"xterm", "", true}, {"xterm", "1", false},
      {"dumb", nullptr, false}, {nullptr, nullptr, false}, {"", nullptr, false},
  };
  const auto set = [](const char* name, const char* value) {
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  };
  const char* oldTerm = std::getenv("TERM");
  const std::string savedTerm = oldTerm != nullptr ? oldTerm : "";
  const char* oldNoColor = std::getenv("NO_COLOR");
  const std::string savedNoColor = oldNoColor != nullptr ? oldNoColor : "";
  const bool hadTerm = oldTerm != nullptr, hadNoColor = oldNoColor != nullptr;
  for (const auto& c : cases) {
    set("TERM", c.term);
    set("NO_COLOR", c.noColor);
    EXPECT_EQ(vexomapWantsColor("auto", terminal), c.onTerminal) << (c.term ? c.term : "(unset)");
    EXPECT_FALSE(vexomapWantsColor("auto", file));
    EXPECT_TRUE(vexomapWantsColor("always", file));
    EXPECT_FALSE(vexomapWantsColor("never", terminal));
  }
  set("TERM", hadTerm ? savedTerm.c_str() : nullptr);
  set("NO_COLOR", hadNoColor ? savedNoColor.c_str() : nullptr);
  std::fclose(file);
  std::fclose(terminal);
  close(master);
}
#endif
