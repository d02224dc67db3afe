#include "import/pxm_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/import/import_test_util.h"

namespace {

using import_test::continuationLine;
using import_test::ScratchDir;
using import_test::sourceLine;

struct Seen {
  std::string label;
  std::string operation;
  int line;
  int column;
  int length;
};

// Reads every statement of a file.
std::vector<Seen> readAll(PXMFile& file) {
  std::vector<Seen> seen;
  while (PXMStatement* s = file.GetStatement()) {
    seen.push_back({s->GetLabel(), s->GetOperation(), s->GetLine(), s->GetColumn(), s->GetLength()});
  }
  return seen;
}

std::vector<Seen> readFile(const std::string& path) {
  PXMFile file(path.c_str());
  EXPECT_EQ(file.GetStatus(), PXM_STATUS_READING);
  return readAll(file);
}

// "label operation line,column,length" of each statement of `bytes`.
std::vector<std::string> statementsOf(const ScratchDir& dir, const std::string& bytes) {
  std::vector<std::string> out;
  for (const Seen& s : readFile(dir.write("bytes.pxm", bytes))) {
    out.push_back(s.label + " " + s.operation + " " + std::to_string(s.line) + "," + std::to_string(s.column) +
                  "," + std::to_string(s.length));
  }
  return out;
}

std::string withCrLf(const std::string& lf) {
  std::string crlf;
  for (char c : lf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

TEST(PXMFile, StatementsCommentsAndBlankLines) {
  ScratchDir dir;
  const std::string path = dir.write("a.pxm",
                                     "* a comment line\n"
                                     "MAPA     PXMMAP\n"
                                     "\n"
                                     "*another\n"
                                     "NAME     PXMFLD POS=(2,3),LENGTH=10\n");
  PXMFile file(path.c_str());
  ASSERT_EQ(file.GetStatus(), PXM_STATUS_READING);
  const auto seen = readAll(file);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].label, "MAPA");
  EXPECT_EQ(seen[1].label, "");  // a blank line is an empty statement
  EXPECT_EQ(seen[1].operation, "");
  EXPECT_EQ(seen[2].label, "NAME");
  EXPECT_EQ(seen[2].length, 10);
  EXPECT_EQ(file.GetStatus(), PXM_STATUS_END);
  EXPECT_EQ(file.GetStatement(), nullptr);
}

TEST(PXMFile, LineEndsAndColumnRules) {
  ScratchDir dir;
  const std::string lf =
      "MAPA     PXMMAP\n"
      "F1       PXMFLD POS=(1,2),LENGTH=3\n";
  const auto a = readFile(dir.write("lf.pxm", lf));
  const auto b = readFile(dir.write("crlf.pxm", withCrLf(lf)));
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].label, b[i].label);
    EXPECT_EQ(a[i].operation, b[i].operation);
    EXPECT_EQ(a[i].length, b[i].length);
  }

  // Exactly 71 characters then a line end: column 72 holds the line end, so
  // the next line is a statement of its own, with CR LF and with LF.
  std::string text71 = "F2       PXMFLD LENGTH=4";
  text71.append(71 - text71.size(), ' ');
  for (const char* end : {"\n", "\r\n"}) {
    const auto seen = readFile(dir.write("71.pxm", text71 + end + "F3 PXMFLD LENGTH=5\n"));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].length, 4);
    EXPECT_EQ(seen[1].label, "F3");
  }

  // Sequence numbers in columns 73-80 never reach the text.
  const auto numbered = readFile(dir.write("seq.pxm", sourceLine("F4 PXMFLD LENGTH=6", ' ', "00010000")));
  ASSERT_EQ(numbered.size(), 1u);
  EXPECT_EQ(numbered[0].length, 6);
}

TEST(PXMFile, ContinuationLines) {
  ScratchDir dir;
  // The continued text from column 16 follows column 71 directly, blanks and all.
  const std::string path = dir.write("cont.pxm", sourceLine("FIELDA   PXMFLD POS=(4,5),", 'X', "00020000") +
                                                     "* comment between a line and its continuation\n" +
                                                     continuationLine("LENGTH=22", '*') +
                                                     continuationLine("INITIAL='A B'") + "NEXT PXMMAP\n");
  const auto seen = readFile(path);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].label, "FIELDA");
  EXPECT_EQ(seen[0].line, 4);
  EXPECT_EQ(seen[0].column, 5);
  EXPECT_EQ(seen[0].length, 22);
  EXPECT_EQ(seen[1].label, "NEXT");

  // Columns 1-15 of a continuation line are ignored, whatever they hold.
  const auto ignored =
      readFile(dir.write("cols.pxm", sourceLine("F PXMFLD POS=(1,1),", 'C') + "LENGTH=99      LENGTH=3\n"));
  ASSERT_EQ(ignored.size(), 1u);
  EXPECT_EQ(ignored[0].length, 3);

  // A continuation line of 15 characters or fewer ends the statement and is lost.
  const auto shortCont = readFile(
      dir.write("short.pxm", sourceLine("F PXMFLD LENGTH=2,", 'X') + "LINE=5\n" + "G PXMFLD LENGTH=8\n"));
  ASSERT_EQ(shortCont.size(), 2u);
  EXPECT_EQ(shortCont[0].length, 2);
  EXPECT_EQ(shortCont[0].line, 1);
  EXPECT_EQ(shortCont[1].label, "G");
}

TEST(PXMFile, EndOfInputInsideAContinuedStatement) {
  ScratchDir dir;
  const std::string path =
      dir.write("open.pxm", "MAPA PXMMAP\n" + sourceLine("F PXMFLD LENGTH=2,", 'X') + "* only a comment\n");
  PXMFile file(path.c_str());
  const auto seen = readAll(file);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].label, "MAPA");
  EXPECT_EQ(file.GetStatus(), PXM_STATUS_END);
  EXPECT_TRUE(readFile(dir.write("comments.pxm", "* one\n*two")).empty());
}

TEST(PXMFile, LongLinesAreOneLineWithEitherLineEnd) {
  ScratchDir dir;
  const auto padded = [](std::string text, std::size_t width, char fill = ' ') {
    text.resize(width, fill);
    return text;
  };
  const std::string field = "F1 PXMFLD LENGTH=1";
  const std::string next = "F2 PXMFLD LENGTH=2\n";
  const std::vector<std::string> both = {"F1 PXMFLD 1,1,1", "F2 PXMFLD 1,1,2"};
  const struct {
    const char* name;
    std::string source;  // with LF line ends; run with CR LF too
    std::vector<std::string> expected;
  } cases[] = {
      {"81 columns", padded(field, 80) + "Z\n" + next, both},
      {"blanks past column 80", padded(field, 300) + "\n" + next, both},
      {"sequence number and more", padded(field, 72) + "00010000 NOT A STATEMENT\n" + next, both},
      {"long comment line", "*" + std::string(99, 'C') + "\n" + field + "\n" + next, both},
      {"continued long line",
       padded("F1 PXMFLD LINE=3,", 71) + "X" + std::string(500, 'S') + "\n" + std::string(15, ' ') + "LENGTH=1\n" +
           next,
       {"F1 PXMFLD 3,1,1", "F2 PXMFLD 1,1,2"}},
      {"one megabyte", padded(field, 72) + std::string(1024 * 1024, 'A') + "\n" + next, both},
      {"last line without line end", next + padded(field, 100), {"F2 PXMFLD 1,1,2", "F1 PXMFLD 1,1,1"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(statementsOf(dir, c.source), c.expected) << c.name;
    EXPECT_EQ(statementsOf(dir, withCrLf(c.source)), c.expected) << c.name << " with CR LF";
  }

  // Every line length from 1 to 100 before the line end gives the same
  // statements with LF and with CR LF.
  for (std::size_t width = 1; width <= 100; ++width) {
    const std::string source = padded("F1 PXMFLD LENGTH=1", width, 'X') + "\n" + next;
    EXPECT_EQ(statementsOf(dir, source), statementsOf(dir, withCrLf(source))) << width;
  }
}

TEST(PXMFile, SameBytesGiveTheSameStatementsOnEverySystem) {
  // The statements are written out here, so a reader that let the system
  // translate the bytes (text mode: line ends, an end-of-file character)
  // fails where the system does that.
  using namespace std::string_literals;
  ScratchDir dir;
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> expected;
  } cases[] = {
      {"zero bytes", "AB\0CD PXMMAP\nF PXM\0FLD LENGTH=3 \0\n"s,
       {"AB\x01" "CD PXMMAP 1,1,0", "F PXM\x01" "FLD 1,1,3"}},
      {"end-of-file character", "* \x1A\nMAPA PXMMAP\x1A\n"s, {"MAPA PXMMAP\x1A 1,1,0"}},
      {"mixed line ends", "MAPA PXMMAP\r\nF PXMFLD LENGTH=3\n\r\nG PXMFLD\r\r\n"s,
       {"MAPA PXMMAP 1,1,0", "F PXMFLD 1,1,3", "  1,1,0", "G PXMFLD 1,1,0"}},
      {"carriage return inside a line", "F PXMFLD LENGTH=3 \rX\r\n"s, {"F PXMFLD 1,1,3"}},
  };
  for (const auto& c : cases) EXPECT_EQ(statementsOf(dir, c.bytes), c.expected) << c.name;
}

TEST(PXMFile, MarkAndReturn) {
  ScratchDir dir;
  const std::string path = dir.write("mark.pxm",
                                     "MAPA PXMMAP\n"
                                     "F1 PXMFLD LENGTH=1\n"
                                     "F2 PXMFLD LENGTH=2\n");
  PXMFile file(path.c_str());
  ASSERT_STREQ(file.GetStatement()->GetLabel(), "MAPA");
  file.MarkStatement();
  ASSERT_STREQ(file.GetStatement()->GetLabel(), "F1");
  ASSERT_STREQ(file.GetStatement()->GetLabel(), "F2");
  file.ReturnToStatement();
  ASSERT_STREQ(file.GetStatement()->GetLabel(), "F2");
  EXPECT_EQ(file.GetStatement(), nullptr);
  EXPECT_EQ(file.GetStatus(), PXM_STATUS_END);

  // Back at the end of input, the end is read again; the mark still works after it.
  file.ReturnToStatement();
  EXPECT_EQ(file.GetStatement(), nullptr);
  file.ReturnToMark();
  EXPECT_EQ(file.GetStatus(), PXM_STATUS_END);  // repositioning leaves the status alone
  ASSERT_STREQ(file.GetStatement()->GetLabel(), "MAPA");
  ASSERT_STREQ(file.GetStatement()->GetLabel(), "F1");

  // A statement continued over several lines is read again from its first line.
  const std::string cont =
      dir.write("mark2.pxm", sourceLine("F PXMFLD POS=(3,4),", 'X') + continuationLine("LENGTH=5") + "END\n");
  PXMFile second(cont.c_str());
  ASSERT_EQ(second.GetStatement()->GetLength(), 5);
  second.ReturnToStatement();
  const PXMStatement* again = second.GetStatement();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->GetLength(), 5);
  EXPECT_EQ(again->GetLine(), 3);
}

TEST(PXMFile, FilesThatCannotBeRead) {
  ScratchDir dir;
  PXMFile missing((dir.path() / "missing.pxm").string().c_str());
  EXPECT_EQ(missing.GetStatus(), PXM_STATUS_NOT_OPENED);
  EXPECT_EQ(missing.GetStatement(), nullptr);

  PXMFile directory(dir.path().string().c_str());
  EXPECT_EQ(directory.GetStatus(), PXM_STATUS_NOT_OPENED);
  EXPECT_EQ(directory.GetStatement(), nullptr);
}

TEST(PXMFile, FiftyMegabytesOfOneMap) {
  ScratchDir dir;
  constexpr int fields = 100000;
  std::string source = import_test::manyFieldsSource(fields);
  ASSERT_GT(source.size(), 50u * 1000 * 1000);
  PXMFile file(dir.write("big.pxm", source).c_str());
  source.clear();
  source.shrink_to_fit();

  int count = 0;
  Seen last{};
  while (const PXMStatement* s = file.GetStatement()) {
    ++count;
    last = {s->GetLabel(), s->GetOperation(), s->GetLine(), s->GetColumn(), s->GetLength()};
  }
  EXPECT_EQ(count, fields + 1);
  EXPECT_EQ(last.label, "F100000");
  EXPECT_EQ(last.length, 0);
  EXPECT_EQ(file.GetStatus(), PXM_STATUS_END);
}

}  // namespace
