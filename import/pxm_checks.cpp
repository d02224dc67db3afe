#include "import/pxm_checks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "import/pxm_attributes.h"

namespace {

// Keywords of a field statement: the ones the import reads, and the other
// operands of the map language that it passes over on purpose.
constexpr std::array<std::string_view, 10> KNOWN_FIELD_KEYWORDS = {
    "POS", "LINE", "COLUMN", "LENGTH", "ATTRB", "COLOR", "HILIGHT", "INITIAL", "PICIN", "PICOUT",
};

// The statement that closes a source's maps: it ends a field list on purpose.
constexpr const char* END_OF_MAPS = "PXMEND";

bool isOperation(const PXMStatement& statement, const char* operation) {
  return std::strcmp(statement.GetOperation(), operation) == 0;
}

// Whether `a` turns into `b` by one edit: a character changed, added or
// dropped, or two neighbours swapped.
bool oneEditApart(std::string_view a, std::string_view b) {
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1) return false;
  std::size_t i = 0;
  while (i < a.size() && a[i] == b[i]) ++i;
  if (i == a.size()) return a.size() != b.size();
  if (a.size() < b.size()) return a.substr(i) == b.substr(i + 1);
  if (a.substr(i + 1) == b.substr(i + 1)) return true;
  return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.substr(i + 2) == b.substr(i + 2);
}

// " (did you mean X?)" for the first of `known` one edit away from `word`
// (X followed by `suffix`); empty when none is.
template <typename Known>
std::string suggestion(std::string_view word, const Known& known, const char* suffix) {
  for (std::string_view name : known)
    if (oneEditApart(word, name)) return " (did you mean " + std::string(name) + suffix + "?)";
  return "";
}

std::string fieldName(const PXMStatement& field) {
  return field.GetLabel()[0] != '\0' ? std::string("field ") + field.GetLabel() : std::string("an unnamed field");
}

}  // namespace

PXMChecks::PXMChecks(const char* fileName, std::FILE* err) : fileName_(fileName), err_(err) {}

void PXMChecks::warn(ZO_LONG line, const std::string& text) {
  std::fprintf(err_, "%s:%ld: warning: %s\n", fileName_, static_cast<long>(line), text.c_str());
  std::fflush(err_);
  ++warnings_;
  if (!maps_.empty()) ++maps_.back().warnings;
}

void PXMChecks::outsideMap(const PXMStatement& statement, ZO_LONG line) {
  if (!isOperation(statement, PXM_OP_FIELD)) return;
  const std::string where =
      maps_.empty() ? std::string("before the first map") : "map " + maps_.back().name + " ended " + endedBy_;
  warn(line, "field statement passed over: " + fieldName(statement) + " stands outside any map (" + where + ")");
}

void PXMChecks::mapStarted(const PXMStatement& map, ZO_LONG line) {
  maps_.push_back(Map{map.GetLabel(), line});
  inMap_ = true;
  placed_.clear();
}

void PXMChecks::field(const PXMStatement& field, ZO_LONG line) {
  if (!inMap_) return;
  Map& map = maps_.back();
  ++map.fields;
  checkKeywords(field, line);
  if (field.GetLabel()[0] != '\0') {
    map.named = true;
    if (!field.HasPosition()) warn(line, fieldName(field) + " has no position (POS=, or LINE= and COLUMN=)");
    if (!field.HasLength()) warn(line, fieldName(field) + " has no length (LENGTH=)");
  }
  checkOverlap(field, line);
}

void PXMChecks::checkKeywords(const PXMStatement& field, ZO_LONG line) {
  for (const PXMOperand& operand : field.GetOtherOperands()) {
    const std::string keyword = operand.keyword.data();
    if (std::find(KNOWN_FIELD_KEYWORDS.begin(), KNOWN_FIELD_KEYWORDS.end(), keyword) != KNOWN_FIELD_KEYWORDS.end()) {
      continue;
    }
    warn(line, "unknown keyword " + keyword + "= of " + fieldName(field) + " passed over" +
                   suggestion(keyword, KNOWN_FIELD_KEYWORDS, "="));
  }
  for (const PXMUnknownWord& unknown : PXMUnknownAttributeWords(field)) {
    std::vector<std::string_view> known;
    for (const PXMAttributeWord& entry : PXMAttributeWords())
      if (unknown.keyword == entry.keyword) known.push_back(entry.word);
    warn(line, "unknown word " + unknown.word + " of " + unknown.keyword + "= of " + fieldName(field) +
                   " passed over" + suggestion(unknown.word, known, ""));
  }
}

void PXMChecks::checkOverlap(const PXMStatement& field, ZO_LONG line) {
  if (field.GetLength() <= 0) return;
  const Placed here{field.GetLabel(), line, field.GetLine(), field.GetColumn(),
                    static_cast<ZO_LONG>(field.GetColumn()) + field.GetLength() - 1};
  for (const Placed& other : placed_) {
    if (other.row != here.row || other.last < here.first || here.last < other.first) continue;
    const std::string otherName = other.label.empty() ? std::string("an unnamed field") : "field " + other.label;
    warn(line, fieldName(field) + " (row " + std::to_string(here.row) + ", columns " + std::to_string(here.first) +
                   "-" + std::to_string(here.last) + ") overlaps " + otherName + " of line " +
                   std::to_string(other.sourceLine) + " (columns " + std::to_string(other.first) + "-" +
                   std::to_string(other.last) + ")");
    break;
  }
  placed_.push_back(here);
}

void PXMChecks::mapEnded(const PXMStatement* end, ZO_LONG line) {
  if (!inMap_) return;
  inMap_ = false;
  Map& map = maps_.back();
  if (!map.named) warn(map.line, "map " + map.name + " has no named field");

  const std::string at = " at line " + std::to_string(line);
  if (end == nullptr) {
    endedBy_ = "at the end of the file";
  } else if (end->GetOperation()[0] == '\0' && end->GetLabel()[0] == '\0') {
    endedBy_ = "by a blank line" + at;
  } else if (isOperation(*end, PXM_OP_MAP)) {
    endedBy_ = "by map " + std::string(end->GetLabel()) + at;
  } else if (isOperation(*end, END_OF_MAPS)) {
    endedBy_ = std::string("by ") + END_OF_MAPS + at;
  } else {
    const std::string what = end->GetOperation()[0] == '\0' ? std::string("a statement without an operation")
                                                           : std::string("operation ") + end->GetOperation();
    warn(line, what + " inside map " + map.name + " ends its field list (only " + PXM_OP_FIELD + ", " +
                   PXM_OP_SPACE + " and comments continue it)");
    endedBy_ = "by " + what + at;
  }
}

void PXMChecks::finish() {
  const auto count = [](ZO_LONG n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
  };
  for (const Map& map : maps_) {
    std::fprintf(err_, "%s: %s, %s\n", map.name.c_str(), count(map.fields, "field").c_str(),
                 count(map.warnings, "warning").c_str());
  }
  std::fflush(err_);
}
