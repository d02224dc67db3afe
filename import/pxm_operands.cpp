#include "import/pxm_operands.h"

#include "import/pxm_statement.h"

namespace {

using enum PXMKept;

// Keywords are held to PXM_KEYWORD_MAX characters by the statement, so a
// longer keyword of the language appears here cut to that size.
constexpr PXMOperandRule SET_OPERANDS[] = {
    {"TYPE", Not},    {"MODE", Not},    {"LANG", Not},    {"STORAGE", Not}, {"BASE", Not},
    {"TIOAPFX", Not}, {"CTRL", Not},    {"EXTATT", Not},  {"DSATTS", Not},  {"MAPATTS", Not},
    {"TERM", Not},    {"SUFFIX", Not},  {"COLOR", Not},   {"HILIGHT", Not}, {"PS", Not},
    {"VALIDN", Not},  {"OUTLINE", Not}, {"SOSI", Not},    {"TRANSP", Not},  {"CASE", Not},
    {"CURSLOC", Not}, {"HTAB", Not},    {"VTAB", Not},    {"LDC", Not},     {"DATA", Not},
    {"OBFMT", Not},   {"PARTN", Not},   {"FLDSEP", Not},  {"TRIGRAP", Not},
};

constexpr PXMOperandRule MAP_OPERANDS[] = {
    {"SIZE", WithAttributes},
    {"LINE", Not},    {"COLUMN", Not},  {"JUSTIFY", Not}, {"CTRL", Not},    {"EXTATT", Not},
    {"DSATTS", Not},  {"MAPATTS", Not}, {"COLOR", Not},   {"HILIGHT", Not}, {"PS", Not},
    {"VALIDN", Not},  {"OUTLINE", Not}, {"SOSI", Not},    {"TRANSP", Not},  {"CASE", Not},
    {"TIOAPFX", Not}, {"TERM", Not},    {"DATA", Not},    {"OBFMT", Not},   {"HEADER", Not},
    {"TRAILER", Not}, {"CURSLOC", Not}, {"DESC", Not},    {"PARTN", Not},   {"LDC", Not},
    {"FLDSEP", Not},  {"FIELDS", Not},
};

constexpr PXMOperandRule FIELD_OPERANDS[] = {
    {"POS", Always},           {"LINE", Always},           {"COLUMN", Always},
    {"LENGTH", Always},        {"ATTRB", WithAttributes},  {"COLOR", WithAttributes},
    {"HILIGHT", WithAttributes}, {"INITIAL", WithAttributes},
    {"OCCURS", WithAttributes},  {"JUSTIFY", Not}, {"VALIDN", Not},  {"PICIN", Not},   {"PICOUT", Not},
    {"GRPNAME", Not}, {"CASE", Not},    {"OUTLINE", Not}, {"PS", Not},      {"SOSI", Not},
    {"TRANSP", Not},  {"XINIT", Not},   {"GINIT", Not},
};

}  // namespace

std::span<const PXMOperandRule> PXMOperandRules(std::string_view operation) {
  if (operation == PXM_OP_SET) return SET_OPERANDS;
  if (operation == PXM_OP_MAP) return MAP_OPERANDS;
  if (operation == PXM_OP_FIELD) return FIELD_OPERANDS;
  return {};
}

const PXMOperandRule* PXMFindOperandRule(std::string_view operation, std::string_view keyword) {
  for (const PXMOperandRule& rule : PXMOperandRules(operation))
    if (keyword == rule.keyword) return &rule;
  return nullptr;
}
