#pragma once
// Selection formulas: one or more terms ITEM = "value" joined by '&'.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ndossa/dossa_api.h"

namespace ndossa {

struct FormulaTerm {
  std::string item;
  std::string value;
};

struct Formula {
  std::vector<FormulaTerm> terms;
  // The formula written back in one canonical spelling.
  std::string canonical() const;
};

// Where a formula failed to compile.
struct FormulaError {
  DossaStatus status = DOSSA_NOERROR;
  std::size_t offset = 0;  // byte offset of the offending token
  std::size_t length = 0;  // its length (0 at the end of the text)
  std::size_t line = 1;    // 1-based
  std::size_t column = 1;  // 1-based
};

// Parses text into formula. Blanks, tabs and line ends may surround every
// token; values are taken as they stand between the double quotes.
bool compileFormula(std::string_view text, Formula& formula, FormulaError& error);

}  // namespace ndossa
