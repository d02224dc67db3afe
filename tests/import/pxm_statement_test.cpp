#include "import/pxm_statement.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PXMStatement, LabelOperationAndDefaults) {
  const PXMStatement map("MAPA     PXMMAP");
  EXPECT_STREQ(map.GetLabel(), "MAPA");
  EXPECT_STREQ(map.GetOperation(), "PXMMAP");
  EXPECT_EQ(map.GetLength(), 0);
  EXPECT_EQ(map.GetColumn(), 1);
  EXPECT_EQ(map.GetLine(), 1);

  const PXMStatement unnamed("         PXMFLD POS=(2,3)");
  EXPECT_STREQ(unnamed.GetLabel(), "");
  EXPECT_STREQ(unnamed.GetOperation(), "PXMFLD");
  EXPECT_EQ(unnamed.GetLine(), 2);

  const PXMStatement blank("");
  EXPECT_STREQ(blank.GetLabel(), "");
  EXPECT_STREQ(blank.GetOperation(), "");

  const PXMStatement labelOnly("LONELY");
  EXPECT_STREQ(labelOnly.GetLabel(), "LONELY");
  EXPECT_STREQ(labelOnly.GetOperation(), "");
}

TEST(PXMStatement, PositionForms) {
  const PXMStatement pos("F PXMFLD POS=(3,10),LENGTH=12");
  EXPECT_EQ(pos.GetLine(), 3);
  EXPECT_EQ(pos.GetColumn(), 10);
  EXPECT_EQ(pos.GetLength(), 12);

  const PXMStatement single("F PXMFLD POS=5");
  EXPECT_EQ(single.GetLine(), 5);
  EXPECT_EQ(single.GetColumn(), 0);

  const PXMStatement singleInParens("F PXMFLD POS=(6)");
  EXPECT_EQ(singleInParens.GetLine(), 6);
  EXPECT_EQ(singleInParens.GetColumn(), 0);

  const PXMStatement separate("F PXMFLD LINE=4,COLUMN=7");
  EXPECT_EQ(separate.GetLine(), 4);
  EXPECT_EQ(separate.GetColumn(), 7);
  EXPECT_EQ(separate.GetLength(), 0);

  // The later of two values wins, whichever form gave them.
  const PXMStatement twice("F PXMFLD POS=(1,2),LINE=9,LENGTH=3,LENGTH=4");
  EXPECT_EQ(twice.GetLine(), 9);
  EXPECT_EQ(twice.GetColumn(), 2);
  EXPECT_EQ(twice.GetLength(), 4);

  // Blanks and commas between operands count alike, as after a joined continuation.
  const PXMStatement spaced("F PXMFLD POS=(1,2),        ,,  LENGTH=8");
  EXPECT_EQ(spaced.GetLength(), 8);
}

TEST(PXMStatement, OperandsOfOtherOperationsAreNotParsed) {
  const PXMStatement space("         SPACE LINE=5,LENGTH=9");
  EXPECT_STREQ(space.GetOperation(), "SPACE");
  EXPECT_EQ(space.GetLine(), 1);
  EXPECT_EQ(space.GetLength(), 0);

  // Any operation with the macro prefix has its operands read.
  const PXMStatement other("X PXMEND LENGTH=2");
  EXPECT_EQ(other.GetLength(), 2);

  const PXMStatement lower("X pxmfld LENGTH=2");
  EXPECT_EQ(lower.GetLength(), 0);
}

TEST(PXMStatement, ValuesThatAreSteppedOver) {
  const PXMStatement quoted("F PXMFLD INITIAL='A, B (C) ''D'' E',LENGTH=7,POS=(2,4)");
  EXPECT_EQ(quoted.GetLength(), 7);
  EXPECT_EQ(quoted.GetLine(), 2);
  EXPECT_EQ(quoted.GetColumn(), 4);

  const PXMStatement list("F PXMFLD ATTRB=(ASKIP,BRT,FSET),LENGTH=5");
  EXPECT_EQ(list.GetLength(), 5);

  const PXMStatement plain("F PXMFLD COLOR=RED,LENGTH=6");
  EXPECT_EQ(plain.GetLength(), 6);

  // A remark after the operands ends them; an "=" further on is not reached
  // as an operand of its own.
  const PXMStatement remark("F PXMFLD LENGTH=3 THE NAME FIELD");
  EXPECT_EQ(remark.GetLength(), 3);

  // A keyword is every character up to "=", blanks included.
  const PXMStatement joined("F PXMFLD LENGTH=3 NOTE LINE=8");
  EXPECT_EQ(joined.GetLine(), 1);
}

TEST(PXMStatement, UnterminatedValuesEndTheOperands) {
  const PXMStatement quote("F PXMFLD INITIAL='OPEN, LENGTH=4");
  EXPECT_EQ(quote.GetLength(), 0);

  const PXMStatement list("F PXMFLD ATTRB=(ASKIP,LENGTH=4");
  EXPECT_EQ(list.GetLength(), 0);

  const PXMStatement pos("F PXMFLD POS=(7,8");
  EXPECT_EQ(pos.GetLine(), 7);
  EXPECT_EQ(pos.GetColumn(), 8);

  const PXMStatement empty("F PXMFLD LENGTH=");
  EXPECT_EQ(empty.GetLength(), 0);
}

TEST(PXMStatement, ParseReportsKeywordAdvanceAndNumbers) {
  PXMOperand operand;
  ASSERT_EQ(PXMStatement::Parse(operand, " ,POS=(12,34) LENGTH=5"), 1);
  EXPECT_STREQ(operand.keyword.data(), "POS");
  EXPECT_EQ(operand.advance, 13);  // stops before the blank that ended the value
  EXPECT_EQ(operand.firstNumber, 12);
  EXPECT_EQ(operand.secondNumber, 34);

  ASSERT_EQ(PXMStatement::Parse(operand, "LENGTH=5,X=1"), 1);
  EXPECT_STREQ(operand.keyword.data(), "LENGTH");
  EXPECT_EQ(operand.advance, 8);
  EXPECT_EQ(operand.firstNumber, 5);
  EXPECT_EQ(operand.secondNumber, 0);

  ASSERT_EQ(PXMStatement::Parse(operand, "V='IT''S',"), 1);
  EXPECT_EQ(operand.advance, 9);

  for (const char* none : {"", "   ", " , ,", "REMARK", "KEY="}) {
    operand.advance = 99;
    operand.firstNumber = 99;
    EXPECT_EQ(PXMStatement::Parse(operand, none), 0) << '"' << none << '"';
    EXPECT_EQ(operand.advance, 0);
    EXPECT_EQ(operand.firstNumber, 0);
  }
}

TEST(PXMStatement, OversizedWordsAreCutToTheirArrays) {
  const std::string longLabel(5000, 'L');
  const std::string longOperation = "PXMFLD" + std::string(5000, 'O');
  const std::string longKeyword(5000, 'K');
  const PXMStatement statement(longLabel + " " + longOperation + " " + longKeyword + "=1,LENGTH=9");

  EXPECT_EQ(std::string(statement.GetLabel()), std::string(PXM_LABEL_MAX, 'L'));
  EXPECT_EQ(std::string(statement.GetOperation()), "PXMFLDO");
  // The cut words are consumed whole: the operands after them are still found.
  EXPECT_EQ(statement.GetLength(), 9);

  PXMOperand operand;
  ASSERT_EQ(PXMStatement::Parse(operand, longKeyword + "=(1,2)"), 1);
  EXPECT_EQ(std::string(operand.keyword.data()), std::string(PXM_KEYWORD_MAX, 'K'));
  EXPECT_EQ(operand.secondNumber, 2);

  // A keyword that only begins like a known one is not taken for it.
  const PXMStatement near("F PXMFLD LENGTHS=4,COLUMNAR=3");
  EXPECT_EQ(near.GetLength(), 0);
  EXPECT_EQ(near.GetColumn(), 1);
}

TEST(PXMStatement, NumbersBeyondTheirRangeSaturate) {
  const PXMStatement big("F PXMFLD LENGTH=99999,POS=(70000,123456789012345678901234567890)");
  EXPECT_EQ(big.GetLength(), 32767);
  EXPECT_EQ(big.GetLine(), 32767);
  EXPECT_EQ(big.GetColumn(), 32767);

  PXMOperand operand;
  ASSERT_EQ(PXMStatement::Parse(operand, "LENGTH=" + std::string(400, '9')), 1);
  EXPECT_EQ(operand.firstNumber, 2147483647);

  // Only the first character must be a digit; the others count by their code.
  ASSERT_EQ(PXMStatement::Parse(operand, "LENGTH=1A"), 1);
  EXPECT_EQ(operand.firstNumber, 1 * 10 + ('A' - '0'));
}

}  // namespace
