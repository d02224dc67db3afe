#pragma once
// One statement of a screen-map source file: its label, its operation, the
// position and length operands of a field, and its other operands with their
// values as written.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/zo_types.h"
#include "defs/zo_names.h"

// Room of the fixed text members (characters, without the terminator). Longer
// words are cut to this many characters; nothing is written past the array.
// A label holds one character more than the longest valid field name, so that
// every valid name is kept whole and a longer label, once cut, is still too
// long to pass as a name: it can never turn into a different valid one.
inline constexpr std::size_t PXM_LABEL_MAX = static_cast<std::size_t>(ZO_MAX_FIELD_NAME) + 1;
inline constexpr std::size_t PXM_OPERATION_MAX = 7;
inline constexpr std::size_t PXM_KEYWORD_MAX = 7;

// Defaults of a statement that carries no position operands.
inline constexpr ZO_SHORT PXM_DEFAULT_LENGTH = 0;
inline constexpr ZO_SHORT PXM_DEFAULT_COLUMN = 1;
inline constexpr ZO_SHORT PXM_DEFAULT_LINE = 1;

// Operations of the two macros that describe a map and one of its fields, and
// the three-letter prefix that both share; only statements whose operation
// begins with the prefix have their operands parsed.
inline constexpr const char* PXM_OP_MAP = "PXMMAP";
inline constexpr const char* PXM_OP_FIELD = "PXMFLD";
inline constexpr const char* PXM_OP_SPACE = "SPACE";
// The map set statement (a source's first, and with TYPE=FINAL its last
// before END) and the statement that ends an assembler source.
inline constexpr const char* PXM_OP_SET = "PXMSET";
inline constexpr const char* PXM_OP_END = "END";
inline constexpr std::string_view PXM_MACRO_PREFIX = "PXM";

// Result of one PXMStatement::Parse call.
struct PXMOperand {
  std::array<char, PXM_KEYWORD_MAX + 1> keyword{};  // zero-terminated, zero-filled
  ZO_LONG advance = 0;                              // characters consumed from the text given to Parse
  ZO_LONG firstNumber = 0;                          // 0 when absent
  ZO_LONG secondNumber = 0;                         // 0 when absent
  std::string value;                                // the value as written: quotes, parentheses and all
  bool unclosedQuote = false;                       // a quoted value ran to the end of the text
};

class PXMStatement {
 public:
  // Builds the statement from the text of one statement (lines already joined).
  // The text is not kept.
  explicit PXMStatement(std::string_view text);
  ~PXMStatement();

  PXMStatement(const PXMStatement&) = default;
  PXMStatement& operator=(const PXMStatement&) = default;

  // Zero-terminated texts; valid as long as the statement lives.
  const char* GetLabel() const { return label_.data(); }
  const char* GetOperation() const { return operation_.data(); }

  ZO_SHORT GetLength() const { return length_; }
  ZO_SHORT GetColumn() const { return column_; }
  ZO_SHORT GetLine() const { return line_; }
  // Whether an operand gave the position (POS, LINE or COLUMN) or the length.
  bool HasPosition() const { return hasPosition_; }
  bool HasLength() const { return hasLength_; }
  // Every parsed operand, position and length among them, in order.
  const std::vector<PXMOperand>& GetOperands() const { return operands_; }

  // Parses the next "KEYWORD=value" operand of `text` into `operand`. Returns 1
  // when one was found (operand.advance tells how far it reached), 0 when the
  // text holds no further operand: it ends, or its next word has no "=" or
  // nothing after the "=".
  static int Parse(PXMOperand& operand, std::string_view text);

 private:
  void applyOperand(const PXMOperand& operand);

  std::array<char, PXM_LABEL_MAX + 1> label_{};
  std::array<char, PXM_OPERATION_MAX + 1> operation_{};
  ZO_SHORT length_ = PXM_DEFAULT_LENGTH;
  ZO_SHORT column_ = PXM_DEFAULT_COLUMN;
  ZO_SHORT line_ = PXM_DEFAULT_LINE;
  bool hasPosition_ = false;
  bool hasLength_ = false;
  std::vector<PXMOperand> operands_;
};
