#include "ndossa/formula.h"

#include "ndossa/note_items.h"

namespace ndossa {
namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$';
}

class Parser {
 public:
  Parser(std::string_view text, FormulaError& error) : text_(text), error_(error) {}

  bool parse(Formula& formula) {
    for (;;) {
      FormulaTerm term;
      if (!name(term.item) || !expect('=') || !quoted(term.value)) return false;
      formula.terms.push_back(std::move(term));
      skipSpace();
      if (pos_ == text_.size()) return true;
      if (!expect('&')) return false;
    }
  }

 private:
  void skipSpace() {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
  }

  bool fail(std::size_t at, std::size_t length) {
    error_.status = DOSSA_ERR_FORMULA;
    error_.offset = at;
    error_.length = length;
    error_.line = 1;
    error_.column = 1;
    for (std::size_t i = 0; i < at && i < text_.size(); ++i) {
      if (text_[i] == '\n') {
        ++error_.line;
        error_.column = 1;
      } else {
        ++error_.column;
      }
    }
    return false;
  }

  // Length of the token starting at pos_, for error reports.
  std::size_t tokenLength() const {
    std::size_t end = pos_;
    while (end < text_.size() && !isSpace(text_[end])) ++end;
    return end - pos_;
  }

  bool name(std::string& out) {
    skipSpace();
    std::size_t start = pos_;
    while (pos_ < text_.size() && isNameChar(text_[pos_])) ++pos_;
    std::string_view found = text_.substr(start, pos_ - start);
    if (!validItemName(found)) {
      pos_ = start;
      return fail(start, found.empty() ? tokenLength() : found.size());
    }
    out.assign(found);
    return true;
  }

  bool expect(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return fail(pos_, tokenLength());
  }

  bool quoted(std::string& out) {
    skipSpace();
    if (pos_ >= text_.size() || text_[pos_] != '"') return fail(pos_, tokenLength());
    std::size_t start = ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') ++pos_;
    if (pos_ >= text_.size()) return fail(start - 1, text_.size() - start + 1);  // unterminated
    if (pos_ - start > DOSSA_MAX_TEXT) return fail(start - 1, pos_ - start + 2);
    out.assign(text_.substr(start, pos_ - start));
    ++pos_;
    return true;
  }

  std::string_view text_;
  FormulaError& error_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string Formula::canonical() const {
  std::string out;
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (i) out += " & ";
    out += terms[i].item;
    out += " = \"";
    out += terms[i].value;
    out += '"';
  }
  return out;
}

bool compileFormula(std::string_view text, Formula& formula, FormulaError& error) {
  error = FormulaError{};
  formula.terms.clear();
  if (text.size() > DOSSA_MAX_FORMULA) {
    error.status = DOSSA_ERR_FORMULA_TOO_LONG;
    return false;
  }
  Parser parser(text, error);
  if (!parser.parse(formula)) {
    formula.terms.clear();
    return false;
  }
  return true;
}

}  // namespace ndossa
