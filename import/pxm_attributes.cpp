#include "import/pxm_attributes.h"

#include <cstring>
#include <iterator>

namespace {

constexpr const char* ATTRB = "ATTRB";
constexpr const char* COLOR = "COLOR";
constexpr const char* HILIGHT = "HILIGHT";
constexpr const char* INITIAL = "INITIAL";
constexpr const char* SIZE = "SIZE";
constexpr char QUOTE = '\'';

using enum PXMDisplay;

// Auto-skip fields cannot be typed into either: they are protected too.
constexpr PXMAttributeWord WORDS[] = {
    {ATTRB, "UNPROT", Protection, ZO_PROTECTION_DEFAULT},
    {ATTRB, "PROT", Protection, ZO_PROTECTION_PROTECTED},
    {ATTRB, "ASKIP", Protection, ZO_PROTECTION_PROTECTED},
    {ATTRB, "NORM", Intensity, ZO_INTENSITY_DEFAULT},
    {ATTRB, "BRT", Intensity, ZO_INTENSITY_BRIGHT},
    {ATTRB, "DRK", Intensity, ZO_INTENSITY_DARK},
    {ATTRB, "NUM", Numeric, 1},
    {ATTRB, "IC", Cursor, 1},
    {ATTRB, "FSET", None, 0},
    {ATTRB, "DET", None, 0},
    {COLOR, "DEFAULT", Color, ZO_COLOR_DEFAULT},
    {COLOR, "BLUE", Color, ZO_COLOR_BLUE},
    {COLOR, "RED", Color, ZO_COLOR_RED},
    {COLOR, "PINK", Color, ZO_COLOR_PINK},
    {COLOR, "GREEN", Color, ZO_COLOR_GREEN},
    {COLOR, "TURQUOISE", Color, ZO_COLOR_TURQUOISE},
    {COLOR, "YELLOW", Color, ZO_COLOR_YELLOW},
    {COLOR, "NEUTRAL", Color, ZO_COLOR_NEUTRAL},
    {HILIGHT, "OFF", Highlight, ZO_HIGHLIGHT_DEFAULT},
    {HILIGHT, "BLINK", Highlight, ZO_HIGHLIGHT_BLINK},
    {HILIGHT, "REVERSE", Highlight, ZO_HIGHLIGHT_REVERSE},
    {HILIGHT, "UNDERLINE", Highlight, ZO_HIGHLIGHT_UNDERLINE},
};

// The member of a look that each display default and flag is kept in, in
// the order of PXMDisplay.
constexpr ZO_LONG PXMFieldLook::*LOOK_MEMBERS[] = {&PXMFieldLook::protection, &PXMFieldLook::intensity,
                                                   &PXMFieldLook::color,      &PXMFieldLook::highLight,
                                                   &PXMFieldLook::numeric,    &PXMFieldLook::cursor};
static_assert(std::size(LOOK_MEMBERS) == static_cast<std::size_t>(None));

bool keywordIs(const PXMOperand& operand, const char* keyword) {
  return std::strcmp(operand.keyword.data(), keyword) == 0;
}

// The words of a value: "(A,B)" or "A", split at commas, without blanks.
template <typename Each>
void forEachWord(std::string_view value, Each each) {
  if (!value.empty() && value.front() == '(') {
    value.remove_prefix(1);
    if (!value.empty() && value.back() == ')') value.remove_suffix(1);
  }
  while (!value.empty()) {
    const std::size_t comma = value.find(',');
    std::string_view word = value.substr(0, comma);
    while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
    while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
    if (!word.empty()) each(word);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
}

// A quoted value without its quotes, each doubled quote made one; any other
// value as written.
std::string unquoted(std::string_view value) {
  if (value.empty() || value.front() != QUOTE) return std::string(value);
  std::string text;
  for (std::size_t i = 1; i < value.size(); ++i) {
    if (value[i] == QUOTE) {
      if (i + 1 < value.size() && value[i + 1] == QUOTE) {
        text += QUOTE;
        ++i;
        continue;
      }
      break;  // the closing quote
    }
    text += value[i];
  }
  return text;
}

}  // namespace

std::span<const PXMAttributeWord> PXMAttributeWords() { return WORDS; }

const PXMAttributeWord* PXMFindAttributeWord(std::string_view keyword, std::string_view word) {
  for (const PXMAttributeWord& entry : WORDS)
    if (keyword == entry.keyword && word == entry.word) return &entry;
  return nullptr;
}

PXMFieldLook PXMReadFieldLook(const PXMStatement& field) {
  PXMFieldLook look;
  for (const PXMOperand& operand : field.GetOperands()) {
    if (keywordIs(operand, INITIAL)) {
      look.initial = unquoted(operand.value);
      continue;
    }
    forEachWord(operand.value, [&](std::string_view word) {
      const PXMAttributeWord* entry = PXMFindAttributeWord(operand.keyword.data(), word);
      if (entry == nullptr || entry->display == None) return;
      look.*LOOK_MEMBERS[static_cast<int>(entry->display)] = entry->value;
    });
  }
  return look;
}

std::vector<PXMUnknownWord> PXMUnknownAttributeWords(const PXMStatement& field) {
  std::vector<PXMUnknownWord> unknown;
  for (const PXMOperand& operand : field.GetOperands()) {
    const std::string_view keyword = operand.keyword.data();
    const bool covered = keyword == ATTRB || keyword == COLOR || keyword == HILIGHT;
    if (!covered) continue;
    forEachWord(operand.value, [&](std::string_view word) {
      if (PXMFindAttributeWord(keyword, word) == nullptr) unknown.push_back({std::string(keyword), std::string(word)});
    });
  }
  return unknown;
}

ZO_LONG PXMReadOccurs(const PXMStatement& field) {
  ZO_LONG occurs = 1;
  for (const PXMOperand& operand : field.GetOperands())
    if (keywordIs(operand, "OCCURS")) occurs = operand.firstNumber > 1 ? operand.firstNumber : 1;
  return occurs;
}

PXMMapSize PXMReadMapSize(const PXMStatement& map) {
  PXMMapSize size;
  for (const PXMOperand& operand : map.GetOperands()) {
    // The reader turns any character into a digit; a size that came out
    // negative is no size.
    if (keywordIs(operand, SIZE))
      size = operand.firstNumber >= 0 && operand.secondNumber >= 0
                 ? PXMMapSize{operand.firstNumber, operand.secondNumber}
                 : PXMMapSize{};
  }
  return size;
}
