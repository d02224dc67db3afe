#include "docstore/zo_dossa_layout.h"

#include <cstring>
#include <string>

#include "defs/zo_data_types.h"

namespace zodossa {

namespace {
// The format the document database stores as "STRING" (8 characters, the last a blank).
constexpr const char* kStringFormat = "VEXOSTR ";
constexpr const char* kStoredString = "STRING";
constexpr const char* kStoredNone = "NONE";
constexpr long long kDecimalBound = 1000000000000000LL;

struct TypeLetter {
  ZO_LONG dataType;
  char letter;
  const char* text;
};
constexpr TypeLetter kTypeLetters[] = {
    {ZODT_AUTHENTICATOR, 'A', "A"}, {ZODT_BYTE, 'B', "B"},   {ZODT_LONG, 'L', "L"},
    {ZODT_SHORT, 'S', "S"},         {ZODT_STRING, 'T', "T"}, {ZODT_SYSTEM_AUTHENTICATOR, 'X', "X"},
};
constexpr const char* kServiceLetters[] = {"M", "I", "D", "C", "P"};

constexpr const char* kKeyItems[] = {MESSAGE_NAME, FIELD_MESSAGE_FIELD_NAME, SERVICE_NAME,
                                     BUILT_NAME,   SECURITY_USER,            SECURITY_SYSTEM};
constexpr DossaViewDesign kViews[] = {{SERVICES_VIEW, SERVICE_FORM, SERVICE_NAME},
                                      {BUILT_VIEW, BUILT_FORM, BUILT_NAME}};
// The forms a definition is named by: one message, one field of a message, one built message.
constexpr DossaUniqueKey kUniqueKeys[] = {{MESSAGE_FORM, MESSAGE_NAME, nullptr},
                                          {FIELD_FORM, MESSAGE_NAME, FIELD_MESSAGE_FIELD_NAME},
                                          {BUILT_FORM, BUILT_NAME, nullptr}};
}  // namespace

const DossaDesign& zoDossaDesign() {
  static const DossaDesign design{kKeyItems, kViews, kUniqueKeys};
  return design;
}

const char* zoDossaStoredFormat(const ZoString& format) {
  if (format.length() == 0) return kStoredNone;
  if (format == kStringFormat) return kStoredString;
  return format.text();
}

const char* zoDossaReadFormat(const char* stored) {
  if (std::strcmp(stored, kStoredNone) == 0) return "";
  if (std::strcmp(stored, kStoredString) == 0) return kStringFormat;
  return stored;
}

const char* zoDossaServiceTypeLetter(ZO_LONG serviceType) {
  if (serviceType >= ZOST_RK && serviceType < ZOST_KOVA_8631_DIRECT) return kServiceLetters[serviceType];
  return kServiceLetters[ZOST_KOVA_8631_DIRECT];
}

ZO_LONG zoDossaServiceTypeFromLetter(char letter) {
  for (ZO_LONG type = ZOST_RK; type <= ZOST_KOVA_8631_DIRECT; ++type)
    if (kServiceLetters[type][0] == letter) return type;
  return -1;
}

ZO_LONG zoDossaTypeFromLetter(char letter) {
  for (const TypeLetter& t : kTypeLetters)
    if (t.letter == letter) return t.dataType;
  return ZODT_NONE;
}

const char* zoDossaTypeLetter(const char* keyword) {
  ZO_LONG dataType = zoDataTypeFromKeyword(ZoString(keyword));
  for (const TypeLetter& t : kTypeLetters)
    if (t.dataType == dataType) return t.text;
  return "";
}

long long zoDossaDecimal(const char* text) {
  while (*text == ' ') ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value < kDecimalBound) value = value * 10 + (*text - '0');
  }
  if (value > kDecimalBound) value = kDecimalBound;
  return negative ? -value : value;
}

bool zoDossaEncodingValue(const char* text, ZO_LONG& encoding) {
  if (std::strlen(text) != 3) return false;
  auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
  encoding = digit(text[0]) * 256 + digit(text[1]) * 16 + digit(text[2]);
  return true;
}

}  // namespace zodossa

ZoString zoDossaFormula(const ZoString& form, const ZoString& key1Item, const ZoString& key1Value,
                        const ZoString& key2Item, const ZoString& key2Value) {
  // Built as one text, then copied once.
  std::string formula;
  formula.reserve(64);
  formula.append(zodossa::FORM_ITEM).append(" = \"").append(form.text()).append("\"");
  // The second key counts only with the first.
  const ZoString* const keys[][2] = {{&key1Item, &key1Value}, {&key2Item, &key2Value}};
  for (const auto& [item, value] : keys) {
    if (item->length() == 0) break;
    formula.append(" & ").append(item->text()).append(" = \"").append(value->text()).append("\"");
  }
  return ZoString(formula.c_str());
}
