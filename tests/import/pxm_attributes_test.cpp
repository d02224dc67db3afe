#include "import/pxm_attributes.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace {

struct Case {
  const char* statement;
  PXMFieldLook look;
};

TEST(PXMAttributes, FieldStatementsGiveTheirLook) {
  constexpr ZO_LONG C = ZO_COLOR_DEFAULT, I = ZO_INTENSITY_DEFAULT, H = ZO_HIGHLIGHT_DEFAULT,
                    P = ZO_PROTECTION_DEFAULT;
  for (const Case& c : {
           Case{"F PXMFLD POS=(1,1),LENGTH=3", {C, I, H, P, "", 0, 0}},
           {"F PXMFLD ATTRB=ASKIP", {C, I, H, 42, "", 0, 0}},
           {"F PXMFLD ATTRB=(PROT,BRT)", {C, 32, H, 42, "", 0, 0}},
           {"F PXMFLD ATTRB=(UNPROT,NUM,DRK,IC)", {C, 33, H, 40, "", 1, 1}},  // the two input flags
           {"F PXMFLD ATTRB=(ASKIP,BRT),ATTRB=(UNPROT,NORM)", {C, 30, H, 40, "", 0, 0}},  // the later wins
           {"F PXMFLD COLOR=GREEN,HILIGHT=UNDERLINE", {5, I, 24, P, "", 0, 0}},
           {"F PXMFLD COLOR=TURQUOISE,HILIGHT=REVERSE,COLOR=NEUTRAL", {8, I, 23, P, "", 0, 0}},
           // an unknown word, and a word of another operand, give nothing
           {"F PXMFLD COLOR=MAUVE,HILIGHT=(BLINK),ATTRB=GREEN", {C, I, 22, P, "", 0, 0}},
           {"F PXMFLD INITIAL='CUSTOMER''S REF, (IF ANY)',LENGTH=30", {C, I, H, P, "CUSTOMER'S REF, (IF ANY)", 0, 0}},
           {"F PXMFLD INITIAL=PLAIN,ATTRB=DRK", {C, 33, H, P, "PLAIN", 0, 0}},
           {"F PXMFLD INITIAL='UNCLOSED, TEXT", {C, I, H, P, "UNCLOSED, TEXT", 0, 0}},
           {"F PXMFLD INITIAL='',ATTRB=( ASKIP , BRT )", {C, 32, H, 42, "", 0, 0}},
       }) {
    const PXMFieldLook look = PXMReadFieldLook(PXMStatement(c.statement));
    EXPECT_EQ(look.color, c.look.color) << c.statement;
    EXPECT_EQ(look.intensity, c.look.intensity) << c.statement;
    EXPECT_EQ(look.highLight, c.look.highLight) << c.statement;
    EXPECT_EQ(look.protection, c.look.protection) << c.statement;
    EXPECT_EQ(look.initial, c.look.initial) << c.statement;
    EXPECT_EQ(look.numeric, c.look.numeric) << c.statement;
    EXPECT_EQ(look.cursor, c.look.cursor) << c.statement;
  }
}

TEST(PXMAttributes, MapStatementsGiveTheirSize) {
  const struct {
    const char* statement;
    ZO_LONG rows, columns;
  } cases[] = {
      {"M PXMMAP SIZE=(24,80),CTRL=FREEKB", 24, 80},
      {"M PXMMAP CTRL=(FREEKB,FRSET)", 0, 0},
      {"M PXMMAP SIZE=12", 12, 0},
      {"M PXMMAP SIZE=(ROWS,COLS)", 0, 0},
      {"M PXMMAP SIZE=(0*-,80)", 0, 0},  // a character read as a digit below zero
  };
  for (const auto& c : cases) {
    const PXMMapSize size = PXMReadMapSize(PXMStatement(c.statement));
    EXPECT_EQ(size.rows, c.rows) << c.statement;
    EXPECT_EQ(size.columns, c.columns) << c.statement;
  }
}

// Every value of the table is one a message accepts for a field with
// attributes, and none is the value that means "no attributes".
TEST(PXMAttributes, TableValuesLieWhereMessagesAcceptThem) {
  const struct {
    ZO_LONG low, accepted, none;
  } ranges[] = {
      {ZO_PROTECTION_MIN, ZO_PROTECTION_MAX - 1, ZO_PROTECTION_NO_ATTRIBUTES},
      {ZO_INTENSITY_MIN, ZO_INTENSITY_MAX - 1, ZO_INTENSITY_NO_ATTRIBUTES},
      {ZO_COLOR_MIN, ZO_COLOR_MAX - 1, ZO_COLOR_NO_ATTRIBUTES},
      {ZO_HIGHLIGHT_MIN, ZO_HIGHLIGHT_MAX - 1, ZO_HIGHLIGHT_NO_ATTRIBUTES},
      {1, 1, 0},  // the input flags: on
      {1, 1, 0},
  };
  static_assert(std::size(ranges) == static_cast<std::size_t>(PXMDisplay::None));
  for (const PXMAttributeWord& w : PXMAttributeWords()) {
    EXPECT_EQ(PXMFindAttributeWord(w.keyword, w.word), &w) << w.word;  // one entry per word
    if (w.display == PXMDisplay::None) continue;
    const auto& r = ranges[static_cast<int>(w.display)];
    EXPECT_GE(w.value, r.low) << w.word;
    EXPECT_LE(w.value, r.accepted) << w.word;
    EXPECT_NE(w.value, r.none) << w.word;
  }
}

}  // namespace
