#include "import/pxm_checks.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "defs/zo_names.h"
#include "import/pxm_attributes.h"
#include "import/pxm_operands.h"

namespace {

// The screen a map without SIZE= is drawn on.
constexpr ZO_LONG DEFAULT_ROWS = 24;
constexpr ZO_LONG DEFAULT_COLUMNS = 80;

constexpr const char* OCCURS = "OCCURS";

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

// " (did you mean X?)" for the first name of `known` one edit away from
// `word` (X followed by `suffix`); empty when none is.
template <typename Known, typename Name>
std::string suggestion(std::string_view word, const Known& known, Name name, const char* suffix) {
  for (const auto& entry : known)
    if (oneEditApart(word, name(entry))) return " (did you mean " + std::string(name(entry)) + suffix + "?)";
  return "";
}

std::string fieldName(const PXMStatement& field) {
  return field.GetLabel()[0] != '\0' ? std::string("field ") + field.GetLabel() : std::string("an unnamed field");
}

// A word as the user should see it: each tab written as "<tab>".
std::string visible(std::string_view word) {
  std::string shown;
  for (char c : word) shown += c == '\t' ? std::string("<tab>") : std::string(1, c);
  return shown;
}

// Why the import refuses a name, for a name rule's problem.
const char* nameReason(ZoNameProblem problem, ZO_LONG maxLength) {
  switch (problem) {
    case ZoNameProblem::INVALID_CHARACTERS:
      return maxLength == ZO_MAX_FIELD_NAME ? "only letters and digits are allowed"
                                            : "it holds characters a name may not have";
    case ZoNameProblem::TOO_LONG:
      return maxLength == ZO_MAX_FIELD_NAME ? "longer than 32 characters" : "longer than 16 characters";
    case ZoNameProblem::RESERVED:
      return "a reserved name (name, format, fieldcount, completioncode and reasoncode are)";
    case ZoNameProblem::NONE:
      break;
  }
  return "";
}

// The keywords that an unclosed quoted value took into its text: each
// "WORD=" that follows a comma or blank in it, in order.
std::string swallowedOperands(std::string_view value) {
  std::string taken;
  for (std::size_t i = 1; i < value.size(); ++i) {
    if (value[i - 1] != ',' && value[i - 1] != ' ') continue;
    std::size_t end = i;
    while (end < value.size() && value[end] >= 'A' && value[end] <= 'Z') ++end;
    if (end == i || end >= value.size() || value[end] != '=') continue;
    taken += (taken.empty() ? "" : ", ") + std::string(value.substr(i, end - i + 1));
    i = end;
  }
  return taken;
}

std::string plural(ZO_LONG n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

}  // namespace

PXMChecks::PXMChecks(const char* fileName, std::FILE* err, bool keepAttributes)
    : fileName_(fileName), err_(err), keepAttributes_(keepAttributes) {}

void PXMChecks::warn(ZO_LONG line, const std::string& text) {
  std::fprintf(err_, "%s:%ld: warning: %s\n", fileName_, static_cast<long>(line), text.c_str());
  std::fflush(err_);
  ++warnings_;
  if (!maps_.empty()) ++maps_.back().warnings;
}

bool PXMChecks::checkTabs(const PXMStatement& statement, ZO_LONG line) {
  const std::string_view label = statement.GetLabel();
  const std::string_view operation = statement.GetOperation();
  if (label.find('\t') == std::string_view::npos && operation.find('\t') == std::string_view::npos) return false;
  warn(line, "a tab character in the label or operation columns: the statement reads as label \"" +
                 visible(label) + "\" and operation \"" + visible(operation) + "\" (write blanks instead)");
  return true;
}

void PXMChecks::outsideMap(const PXMStatement& statement, ZO_LONG line) {
  // The statement that ended a map is read again here; its tabs were told of.
  if (line != mapEndLine_ && checkTabs(statement, line)) return;
  if (isOperation(statement, PXM_OP_SET)) checkKeywords(statement, line, "the map set statement");
  if (!isOperation(statement, PXM_OP_FIELD)) return;
  const std::string where =
      maps_.empty() ? std::string("before the first map") : "map " + maps_.back().name + " ended " + endedBy_;
  warn(line, "field statement passed over: " + fieldName(statement) + " stands outside any map (" + where + ")");
}

void PXMChecks::mapStarted(const PXMStatement& map, ZO_LONG line) {
  const PXMMapSize size = PXMReadMapSize(map);
  maps_.push_back(Map{map.GetLabel(), line, 0, 0, 0, size.rows > 0 ? size.rows : DEFAULT_ROWS,
                      size.columns > 0 ? size.columns : DEFAULT_COLUMNS});
  inMap_ = true;
  placed_.clear();
  named_.clear();

  const ZoString name(map.GetLabel());
  if (name.length() == 0) {
    warn(line, "the map statement has no label: the map has no name, and the import stops here");
  } else if (const ZoNameProblem problem = zoMessageNameProblem(name); problem != ZoNameProblem::NONE) {
    warn(line, "map " + std::string(map.GetLabel()) + " cannot be imported: its name is not valid (" +
                   nameReason(problem, ZO_MAX_MESSAGE_NAME) + ")");
  }
  checkKeywords(map, line, "map " + maps_.back().name);
}

void PXMChecks::field(const PXMStatement& field, ZO_LONG line) {
  if (!inMap_) return;
  Map& map = maps_.back();
  const bool named = field.GetLabel()[0] != '\0';
  if (named) {
    map.fields += keepAttributes_ ? PXMReadOccurs(field) : 1;
  } else if (!PXMReadFieldLook(field).initial.empty()) {
    ++map.texts;
  }
  checkKeywords(field, line, fieldName(field));
  if (named) {
    checkName(field, line);
    if (!field.HasPosition()) warn(line, fieldName(field) + " has no position (POS=, or LINE= and COLUMN=)");
    if (!field.HasLength()) warn(line, fieldName(field) + " has no length (LENGTH=)");
  }
  checkPlace(field, line);
  checkValues(field, line);
  checkOverlap(field, line);
}

void PXMChecks::checkKeywords(const PXMStatement& statement, ZO_LONG line, const std::string& what) {
  const std::string_view operation = statement.GetOperation();
  for (const PXMOperand& operand : statement.GetOperands()) {
    const std::string keyword = operand.keyword.data();
    if (PXMFindOperandRule(operation, keyword) != nullptr) continue;
    warn(line, "unknown keyword " + keyword + "= of " + what + " passed over" +
                   suggestion(keyword, PXMOperandRules(operation),
                              [](const PXMOperandRule& rule) { return std::string_view(rule.keyword); }, "="));
  }
  if (!isOperation(statement, PXM_OP_FIELD)) return;
  for (const PXMUnknownWord& unknown : PXMUnknownAttributeWords(statement)) {
    std::vector<std::string_view> known;
    for (const PXMAttributeWord& entry : PXMAttributeWords())
      if (unknown.keyword == entry.keyword) known.push_back(entry.word);
    warn(line, "unknown word " + unknown.word + " of " + unknown.keyword + "= of " + what + " passed over" +
                   suggestion(unknown.word, known, [](std::string_view word) { return word; }, ""));
  }
}

void PXMChecks::checkName(const PXMStatement& field, ZO_LONG line) {
  const std::string label = field.GetLabel();
  const ZoNameProblem problem = zoFieldNameProblem(ZoString(label.c_str()));
  if (problem != ZoNameProblem::NONE) {
    warn(line, fieldName(field) + " cannot be imported: its name is not valid (" +
                   nameReason(problem, ZO_MAX_FIELD_NAME) + ")");
  }
  const auto same = std::find_if(named_.begin(), named_.end(), [&](const Named& n) { return n.label == label; });
  if (same != named_.end()) {
    warn(line, fieldName(field) + " is named twice in map " + maps_.back().name + " (first at line " +
                   std::to_string(same->sourceLine) + "); the import refuses the map");
    return;
  }
  named_.push_back(Named{label, line});
}

void PXMChecks::checkPlace(const PXMStatement& field, ZO_LONG line) {
  if (!field.HasPosition()) return;
  const Map& map = maps_.back();
  const ZO_LONG row = field.GetLine();
  const ZO_LONG column = field.GetColumn();
  if (row <= 0 || column <= 0) {
    warn(line, fieldName(field) + " is placed at row " + std::to_string(row) + ", column " +
                   std::to_string(column) + ": rows and columns count from 1");
    return;
  }
  const ZO_LONG last = column + std::max<ZO_LONG>(field.GetLength(), 1) - 1;
  if (row > map.rows || last > map.columns) {
    warn(line, fieldName(field) + " (row " + std::to_string(row) + ", columns " + std::to_string(column) + "-" +
                   std::to_string(last) + ") lies outside the map's screen of " + std::to_string(map.rows) +
                   " by " + std::to_string(map.columns));
  }
}

void PXMChecks::checkValues(const PXMStatement& field, ZO_LONG line) {
  for (const PXMOperand& operand : field.GetOperands()) {
    if (!operand.unclosedQuote) continue;
    const std::string taken = swallowedOperands(operand.value);
    warn(line, "the quoted " + std::string(operand.keyword.data()) + "= value of " + fieldName(field) +
                   " has no closing quote: " +
                   (taken.empty() ? std::string("it runs to the end of the statement")
                                  : "it takes " + taken + " into its text"));
  }
  const PXMFieldLook look = PXMReadFieldLook(field);
  const auto initialLength = static_cast<ZO_LONG>(look.initial.size());
  if (field.HasLength() && field.GetLength() > 0 && initialLength > field.GetLength()) {
    warn(line, "the INITIAL= text of " + fieldName(field) + " has " + std::to_string(initialLength) +
                   " characters, more than its length " + std::to_string(field.GetLength()));
  }
  for (const PXMOperand& operand : field.GetOperands()) {
    if (keepAttributes_ || std::strcmp(operand.keyword.data(), OCCURS) != 0 || operand.firstNumber <= 1) continue;
    warn(line, fieldName(field) + " has " + OCCURS + "=" + std::to_string(operand.firstNumber) +
                   ": only its first occurrence is kept, " + std::to_string(operand.firstNumber - 1) + " " +
                   (operand.firstNumber == 2 ? "is" : "are") + " not (/a keeps them)");
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
  mapEndLine_ = line;
  Map& map = maps_.back();
  if (map.fields == 0 && map.texts == 0) warn(map.line, "map " + map.name + " has no named field");

  const std::string at = " at line " + std::to_string(line);
  if (end == nullptr) {
    endedBy_ = "at the end of the file";
  } else if (end->GetOperation()[0] == '\0' && end->GetLabel()[0] == '\0') {
    endedBy_ = "by a blank line" + at;
  } else if (isOperation(*end, PXM_OP_MAP) || isOperation(*end, PXM_OP_SET) || isOperation(*end, PXM_OP_END)) {
    endedBy_ = std::string("by ") + (isOperation(*end, PXM_OP_MAP) ? "map " + std::string(end->GetLabel())
                                                                   : std::string(end->GetOperation())) +
               at;
  } else if (checkTabs(*end, line)) {
    endedBy_ = "by a statement with a tab" + at;
  } else {
    const std::string what = end->GetOperation()[0] == '\0' ? std::string("a statement without an operation")
                                                           : std::string("operation ") + end->GetOperation();
    warn(line, what + " inside map " + map.name + " ends its field list (only " + PXM_OP_FIELD + ", " +
                   PXM_OP_SPACE + " and comments continue it)");
    endedBy_ = "by " + what + at;
  }
}

void PXMChecks::finish() {
  for (const Map& map : maps_) {
    std::fprintf(err_, "%s: %s, %s, %s\n", map.name.c_str(), plural(map.fields, "field").c_str(),
                 plural(map.texts, "screen text").c_str(), plural(map.warnings, "warning").c_str());
  }
  std::fflush(err_);
}
