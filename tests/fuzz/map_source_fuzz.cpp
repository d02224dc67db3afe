// Bytes as a screen-map source file: the reader hands out statements with its
// look-ahead moves, and every statement text also goes through the operand
// parser and the statement builder directly.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "import/pxm_attributes.h"
#include "import/pxm_file.h"
#include "import/pxm_statement.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

// Walks every operand of `text`; each step must consume something and stay
// inside the text.
void parseAll(std::string_view text) {
  PXMOperand operand;
  std::size_t guard = 0;
  while (!text.empty() && PXMStatement::Parse(operand, text) == 1) {
    if (operand.advance <= 0 || static_cast<std::size_t>(operand.advance) > text.size()) std::abort();
    if (operand.keyword.back() != '\0') std::abort();
    text.remove_prefix(static_cast<std::size_t>(operand.advance));
    if (++guard > 1'000'000) std::abort();
  }
}

void checkStatement(const PXMStatement& statement) {
  if (std::strlen(statement.GetLabel()) > PXM_LABEL_MAX) std::abort();
  if (std::strlen(statement.GetOperation()) > PXM_OPERATION_MAX) std::abort();
  // What /a keeps: only values of the table, a size that is never negative.
  const PXMFieldLook look = PXMReadFieldLook(statement);
  if (look.protection != ZO_PROTECTION_DEFAULT && look.protection != ZO_PROTECTION_PROTECTED) std::abort();
  const PXMMapSize size = PXMReadMapSize(statement);
  if (size.rows < 0 || size.columns < 0) std::abort();
  PXMUnknownAttributeWords(statement);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  parseAll(text);
  checkStatement(PXMStatement(text));

  std::string path = FuzzScratch::instance().write("source.pxm", data, size);
  PXMFile file(path.c_str());
  if (file.GetStatus() != PXM_STATUS_READING) std::abort();
  // As the import loop does: at each map statement mark it, read on, go back
  // to the mark, and read the statement that ended the list again.
  std::size_t statements = 0;
  while (PXMStatement* statement = file.GetStatement()) {
    checkStatement(*statement);
    if (++statements > size + 1) std::abort();  // every statement consumes input
    if (statements % 3 == 0) {
      file.MarkStatement();
      if (file.GetStatement() == nullptr) break;
      file.ReturnToMark();
      if (file.GetStatement() == nullptr) std::abort();  // the marked statement reads again
    } else if (statements % 3 == 1) {
      file.ReturnToStatement();
      if (file.GetStatement() == nullptr) std::abort();
    }
  }
  if (file.GetStatus() != PXM_STATUS_END && file.GetStatus() != PXM_STATUS_READ_ERROR) std::abort();
  return 0;
}
