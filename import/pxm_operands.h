#pragma once
// The operands of the screen-map language, one table per statement: the map
// set statement, the map statement and the field statement. Each operand is
// marked with what the import does with it, so that the check mode tells a
// misspelt word from a known one the import has no use for.

#include <span>
#include <string_view>

// What the import keeps of an operand.
enum class PXMKept {
  Always,          // read by every import (a field's position and length)
  WithAttributes,  // read only with /a (size, display defaults, initial value)
  Not,             // part of the language; nothing of it reaches a definition
};

struct PXMOperandRule {
  const char* keyword;
  PXMKept kept;
};

// The operands of `operation` (PXMSET, PXMMAP or PXMFLD); empty for any other.
std::span<const PXMOperandRule> PXMOperandRules(std::string_view operation);
// The rule of `keyword` under `operation`, compared exactly; null when unknown.
const PXMOperandRule* PXMFindOperandRule(std::string_view operation, std::string_view keyword);
