#include "defs/zo_data_types.h"

#include <array>
#include <limits>

namespace {
struct TypeKeyword {
  ZO_LONG type;
  const char* keyword;
};
constexpr std::array<TypeKeyword, 6> kTypeKeywords{{
    {ZODT_STRING, "STRING"},
    {ZODT_SHORT, "SHORT"},
    {ZODT_LONG, "LONG"},
    {ZODT_BYTE, "BYTE"},
    {ZODT_AUTHENTICATOR, "AUTHENTICATOR"},
    {ZODT_SYSTEM_AUTHENTICATOR, "SYSTEM_AUTHENTICATOR"},
}};
}  // namespace

const char* zoDataTypeKeyword(ZO_LONG dataType) {
  for (const auto& entry : kTypeKeywords)
    if (entry.type == dataType) return entry.keyword;
  return "";
}

ZO_LONG zoDataTypeFromKeyword(const ZoString& keyword) {
  for (const auto& entry : kTypeKeywords)
    if (keyword.compareNoCase(entry.keyword) == 0) return entry.type;
  return ZODT_NONE;
}

ZO_BOOLEAN zoIsValidAlignment(ZO_LONG alignment) {
  return (alignment == ZO_ALIGN_1 || alignment == ZO_ALIGN_2 || alignment == ZO_ALIGN_4 || alignment == ZO_ALIGN_8)
             ? TRUE
             : FALSE;
}

std::string zoWithoutLeadingZeros(std::string_view decimal) {
  const std::size_t sign = (!decimal.empty() && decimal.front() == '-') ? 1 : 0;
  std::size_t first = sign;
  while (first + 1 < decimal.size() && decimal[first] == '0' && decimal[first + 1] >= '0' &&
         decimal[first + 1] <= '9') {
    ++first;
  }
  return std::string(decimal.substr(0, sign)) + std::string(decimal.substr(first));
}

ZO_BOOLEAN zoDataTypeRange(ZO_LONG dataType, std::int64_t& low, std::int64_t& high) {
  low = high = 0;
  switch (dataType) {
    case ZODT_LONG:
      low = std::numeric_limits<ZO_LONG>::min();
      high = std::numeric_limits<ZO_LONG>::max();
      return TRUE;
    case ZODT_SHORT:
      low = std::numeric_limits<ZO_SHORT>::min();
      high = std::numeric_limits<ZO_SHORT>::max();
      return TRUE;
    case ZODT_BYTE:
      high = std::numeric_limits<ZO_BYTE>::max();
      return TRUE;
    default:
      return FALSE;
  }
}
