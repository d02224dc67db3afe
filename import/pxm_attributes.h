#pragma once
// What a map says about the look of its screen: the words of a field
// statement's ATTRB=, COLOR= and HILIGHT= operands as display defaults and
// input flags (NUM: digits only, IC: the cursor starts there), its INITIAL=
// text, and the SIZE= of a map statement. One table holds every word the
// import knows with the value it gives; some (FSET, DET) describe nothing a
// definition keeps and give none. Unknown words are passed over.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/zo_types.h"
#include "defs/zo_data_types.h"
#include "import/pxm_statement.h"

// The display default or input flag a word sets.
enum class PXMDisplay { Protection, Intensity, Color, Highlight, Numeric, Cursor, None };

// One word of an operand and the value it gives.
struct PXMAttributeWord {
  const char* keyword;  // the operand that carries the word: ATTRB, COLOR or HILIGHT
  const char* word;
  PXMDisplay display;
  ZO_LONG value;
};

// Every word of the table, in its order.
std::span<const PXMAttributeWord> PXMAttributeWords();
// The entry of `word` given under `keyword` (both compared exactly, as the
// source writes them in upper case); null when the table has none.
const PXMAttributeWord* PXMFindAttributeWord(std::string_view keyword, std::string_view word);

// The words of the operands the table covers that it does not know, each
// with its keyword, in the order written.
struct PXMUnknownWord {
  std::string keyword;
  std::string word;
};
std::vector<PXMUnknownWord> PXMUnknownAttributeWords(const PXMStatement& field);

// What one field statement says; the defaults of a new field where it says
// nothing. A later word for the same display default wins.
struct PXMFieldLook {
  ZO_LONG color = ZO_COLOR_DEFAULT;
  ZO_LONG intensity = ZO_INTENSITY_DEFAULT;
  ZO_LONG highLight = ZO_HIGHLIGHT_DEFAULT;
  ZO_LONG protection = ZO_PROTECTION_DEFAULT;
  std::string initial;  // INITIAL= without its quotes, a doubled quote made one; empty without it
  ZO_LONG numeric = 0;  // 1: digits only
  ZO_LONG cursor = 0;   // 1: the cursor starts in the field
};
PXMFieldLook PXMReadFieldLook(const PXMStatement& field);

// The count of a field statement's OCCURS=n; 1 without it (or for n below 1).
ZO_LONG PXMReadOccurs(const PXMStatement& field);

// The screen size of a map statement's SIZE=(rows,columns); 0 for what it
// does not give.
struct PXMMapSize {
  ZO_LONG rows = 0;
  ZO_LONG columns = 0;
};
PXMMapSize PXMReadMapSize(const PXMStatement& map);
