#include "import/pxm_statement.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Expect {
  const char* text;
  int line, column, length;
};

void check(const Expect& e) {
  const PXMStatement s(e.text);
  EXPECT_EQ(s.GetLine(), e.line) << e.text;
  EXPECT_EQ(s.GetColumn(), e.column) << e.text;
  EXPECT_EQ(s.GetLength(), e.length) << e.text;
}

TEST(PXMStatement, LabelAndOperation) {
  const PXMStatement map("MAPA     PXMMAP");
  EXPECT_STREQ(map.GetLabel(), "MAPA");
  EXPECT_STREQ(map.GetOperation(), "PXMMAP");
  const PXMStatement unnamed("         PXMFLD POS=(2,3)");
  EXPECT_STREQ(unnamed.GetLabel(), "");
  EXPECT_STREQ(unnamed.GetOperation(), "PXMFLD");
  const PXMStatement blank("");
  EXPECT_STREQ(blank.GetLabel(), "");
  EXPECT_STREQ(blank.GetOperation(), "");
}

TEST(PXMStatement, PositionAndLength) {
  for (const Expect& e : {
           Expect{"MAPA PXMMAP", 1, 1, 0},  // defaults
           {"F PXMFLD POS=(3,10),LENGTH=12", 3, 10, 12},
           {"F PXMFLD POS=5", 5, 0, 0},
           {"F PXMFLD POS=(6)", 6, 0, 0},
           {"F PXMFLD LINE=4,COLUMN=7", 4, 7, 0},
           {"F PXMFLD POS=(1,2),LINE=9,LENGTH=3,LENGTH=4", 9, 2, 4},  // the later value wins
           {"F PXMFLD POS=(1,2),        ,,  LENGTH=8", 1, 2, 8},      // blanks and commas alike
           {"X PXMEND LENGTH=2", 1, 1, 2},                            // any operation with the prefix
           {"  SPACE LINE=5,LENGTH=9", 1, 1, 0},                      // other operations: not parsed
           {"X pxmfld LENGTH=2", 1, 1, 0},
           {"F PXMFLD LENGTHS=4,COLUMNAR=3", 1, 1, 0},  // only whole keywords count
       }) {
    check(e);
  }
}

TEST(PXMStatement, ValuesThatAreSteppedOver) {
  for (const Expect& e : {
           Expect{"F PXMFLD INITIAL='A, B (C) ''D'' E',LENGTH=7,POS=(2,4)", 2, 4, 7},
           {"F PXMFLD ATTRB=(ASKIP,BRT,FSET),LENGTH=5", 1, 1, 5},
           {"F PXMFLD COLOR=RED,LENGTH=6", 1, 1, 6},
           {"F PXMFLD LENGTH=3 THE NAME FIELD", 1, 1, 3},  // a remark ends the operands
           {"F PXMFLD LENGTH=3 NOTE LINE=8", 1, 1, 3},     // keyword "NOTE LINE"
           // Unterminated values run to the end of the text.
           {"F PXMFLD INITIAL='OPEN, LENGTH=4", 1, 1, 0},
           {"F PXMFLD ATTRB=(ASKIP,LENGTH=4", 1, 1, 0},
           {"F PXMFLD POS=(7,8", 7, 8, 0},
           {"F PXMFLD LENGTH=", 1, 1, 0},
       }) {
    check(e);
  }
}

TEST(PXMStatement, ParseResult) {
  PXMOperand operand;
  ASSERT_EQ(PXMStatement::Parse(operand, " ,POS=(12,34) LENGTH=5"), 1);
  EXPECT_STREQ(operand.keyword.data(), "POS");
  EXPECT_EQ(operand.advance, 13);  // stops before the blank that ended the value
  EXPECT_EQ(operand.firstNumber, 12);
  EXPECT_EQ(operand.secondNumber, 34);

  ASSERT_EQ(PXMStatement::Parse(operand, "V='IT''S',"), 1);
  EXPECT_EQ(operand.advance, 9);
  EXPECT_EQ(operand.firstNumber, 0);

  for (const char* none : {"", " , ,", "REMARK", "KEY="}) {
    operand.advance = 99;
    operand.firstNumber = 99;
    EXPECT_EQ(PXMStatement::Parse(operand, none), 0) << '"' << none << '"';
    EXPECT_EQ(operand.advance, 0);
    EXPECT_EQ(operand.firstNumber, 0);
  }
}

TEST(PXMStatement, OversizedWordsAreCutAndConsumedWhole) {
  const std::string label(5000, 'L');
  const std::string keyword(5000, 'K');
  const PXMStatement s(label + " PXMFLD" + std::string(5000, 'O') + " " + keyword + "=1,LENGTH=9");
  EXPECT_EQ(std::string(s.GetLabel()), std::string(PXM_LABEL_MAX, 'L'));
  EXPECT_EQ(std::string(s.GetOperation()), "PXMFLDO");
  EXPECT_EQ(s.GetLength(), 9);

  PXMOperand operand;
  ASSERT_EQ(PXMStatement::Parse(operand, keyword + "=(1,2)"), 1);
  EXPECT_EQ(std::string(operand.keyword.data()), std::string(PXM_KEYWORD_MAX, 'K'));
  EXPECT_EQ(operand.secondNumber, 2);
}

TEST(PXMStatement, NumbersSaturateInsteadOfWrapping) {
  check({"F PXMFLD LENGTH=99999,POS=(70000,123456789012345678901234567890)", 32767, 32767, 32767});
  PXMOperand operand;
  ASSERT_EQ(PXMStatement::Parse(operand, "LENGTH=" + std::string(400, '9')), 1);
  EXPECT_EQ(operand.firstNumber, 2147483647);
  // Only the first character must be a digit; the others count by their code.
  ASSERT_EQ(PXMStatement::Parse(operand, "LENGTH=1A"), 1);
  EXPECT_EQ(operand.firstNumber, 1 * 10 + ('A' - '0'));
}

}  // namespace
