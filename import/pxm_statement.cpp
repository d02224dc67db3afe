#include "import/pxm_statement.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/trace.h"

namespace {

constexpr char BLANK = ' ';
constexpr char COMMA = ',';
constexpr char EQUALS = '=';
constexpr char QUOTE = '\'';
constexpr char OPEN_PAREN = '(';
constexpr char CLOSE_PAREN = ')';

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Copies the characters of `text` from `pos` up to (not including) the first
// one for which `stop` holds, or to the end, into `target`, keeping at most
// N - 1 characters and a terminator. Returns the position of the character
// that stopped the copy (text.size() at the end): a word longer than the array
// is cut, and the whole word is still consumed.
template <std::size_t N, typename Stop>
std::size_t copyWord(std::array<char, N>& target, std::string_view text, std::size_t pos, Stop stop) {
  target.fill('\0');
  std::size_t kept = 0;
  for (; pos < text.size() && !stop(text[pos]); ++pos) {
    if (kept < N - 1) target[kept++] = text[pos];
  }
  return pos;
}

// Reads a number from `pos` up to the first character for which `stop` holds:
// value := value * 10 + (character code - code of "0") for each character.
// The sum saturates at the limits of ZO_LONG, so a run of digits of any length
// gives the largest value rather than wrapping round to an unrelated one.
template <typename Stop>
ZO_LONG readNumber(std::string_view text, std::size_t& pos, Stop stop) {
  constexpr std::int64_t lo = std::numeric_limits<ZO_LONG>::min();
  constexpr std::int64_t hi = std::numeric_limits<ZO_LONG>::max();
  std::int64_t value = 0;
  for (; pos < text.size() && !stop(text[pos]); ++pos) {
    const std::int64_t digit = static_cast<unsigned char>(text[pos]) - '0';
    value = std::clamp<std::int64_t>(value * 10 + digit, lo, hi);
  }
  return static_cast<ZO_LONG>(value);
}

// Stores a parsed number in a 16-bit member. Values beyond its range are held
// at the nearest limit instead of being wrapped into a plausible-looking one.
ZO_SHORT toShort(ZO_LONG value) {
  return static_cast<ZO_SHORT>(
      std::clamp<ZO_LONG>(value, std::numeric_limits<ZO_SHORT>::min(), std::numeric_limits<ZO_SHORT>::max()));
}

bool keywordIs(const PXMOperand& operand, const char* name) {
  return std::strcmp(operand.keyword.data(), name) == 0;
}

}  // namespace

PXMStatement::PXMStatement(std::string_view text) {
  const ZO_ULONG rc = 0;
  XTR_METHOD("PXMStatement::PXMStatement", rc);

  const auto isBlank = [](char c) { return c == BLANK; };
  std::size_t pos = copyWord(label_, text, 0, isBlank);
  while (pos < text.size() && text[pos] == BLANK) ++pos;
  pos = copyWord(operation_, text, pos, isBlank);

  if (std::string_view(operation_.data()).substr(0, PXM_MACRO_PREFIX.size()) != PXM_MACRO_PREFIX) return;

  PXMOperand operand;
  while (pos < text.size() && Parse(operand, text.substr(pos)) == 1) {
    applyOperand(operand);
    pos += static_cast<std::size_t>(operand.advance);
  }
}

PXMStatement::~PXMStatement() {
  const ZO_ULONG rc = 0;
  XTR_METHOD("PXMStatement::~PXMStatement", rc);
}

void PXMStatement::applyOperand(const PXMOperand& operand) {
  if (keywordIs(operand, "COLUMN")) {
    column_ = toShort(operand.firstNumber);
    hasPosition_ = true;
  } else if (keywordIs(operand, "LENGTH")) {
    length_ = toShort(operand.firstNumber);
    hasLength_ = true;
  } else if (keywordIs(operand, "LINE")) {
    line_ = toShort(operand.firstNumber);
    hasPosition_ = true;
  } else if (keywordIs(operand, "POS")) {
    line_ = toShort(operand.firstNumber);
    column_ = toShort(operand.secondNumber);
    hasPosition_ = true;
  }
  operands_.push_back(operand);
}

int PXMStatement::Parse(PXMOperand& operand, std::string_view text) {
  const ZO_ULONG rc = 0;
  XTR_METHOD("PXMStatement::Parse", rc);

  // An operand never reaches beyond what ZO_LONG can count; the reader keeps
  // statements far below that size.
  text = text.substr(0, static_cast<std::size_t>(std::numeric_limits<ZO_LONG>::max()));

  operand.keyword.fill('\0');
  operand.advance = 0;
  operand.firstNumber = 0;
  operand.secondNumber = 0;
  operand.value.clear();
  operand.unclosedQuote = false;

  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == BLANK || text[pos] == COMMA)) ++pos;
  if (pos >= text.size()) return 0;

  pos = copyWord(operand.keyword, text, pos, [](char c) { return c == EQUALS; });
  if (pos >= text.size()) return 0;  // a word without "=" ends the operands
  ++pos;
  if (pos >= text.size()) return 0;

  const auto endsPlainValue = [](char c) { return c == BLANK || c == COMMA; };
  const std::size_t valueStart = pos;
  const char first = text[pos];
  if (first == QUOTE) {
    ++pos;
    operand.unclosedQuote = true;
    while (pos < text.size()) {
      if (text[pos] == QUOTE) {
        if (pos + 1 < text.size() && text[pos + 1] == QUOTE) {
          pos += 2;  // a doubled quote stands for one quote inside the value
          continue;
        }
        ++pos;  // the closing quote
        operand.unclosedQuote = false;
        break;
      }
      ++pos;
    }
  } else if (first == OPEN_PAREN && pos + 1 < text.size() && isDigit(text[pos + 1])) {
    ++pos;
    operand.firstNumber = readNumber(text, pos, [](char c) { return c == CLOSE_PAREN || c == COMMA; });
    if (pos < text.size() && text[pos] == COMMA) {
      ++pos;
      operand.secondNumber = readNumber(text, pos, [](char c) { return c == CLOSE_PAREN; });
    }
    if (pos < text.size() && text[pos] == CLOSE_PAREN) ++pos;
  } else if (first == OPEN_PAREN) {
    const std::size_t close = text.find(CLOSE_PAREN, pos);
    pos = close == std::string_view::npos ? text.size() : close + 1;
  } else if (isDigit(first)) {
    operand.firstNumber = readNumber(text, pos, endsPlainValue);
  } else {
    while (pos < text.size() && !endsPlainValue(text[pos])) ++pos;
  }

  operand.advance = static_cast<ZO_LONG>(pos);
  operand.value.assign(text.substr(valueStart, pos - valueStart));
  return 1;
}
