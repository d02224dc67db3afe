#include "defs/zo_names.h"

#include <array>

#include "common/trace.h"

namespace {

constexpr std::array<const char*, 5> kReservedFieldNames{"name", "format", "fieldcount", "completioncode",
                                                         "reasoncode"};

void traceProblem(ZoNameProblem problem, const ZoString& name, ZO_LONG maxLength, const ZoNameTraceLines& lines) {
  switch (problem) {
    case ZoNameProblem::INVALID_CHARACTERS:
      if (lines.invalidCharacters != nullptr) XTR_TEXT(lines.invalidCharacters);
      break;
    case ZoNameProblem::TOO_LONG:
      if (lines.tooLong != nullptr) XTR_TEXTF(lines.tooLong, static_cast<int>(maxLength));
      break;
    case ZoNameProblem::RESERVED:
      if (lines.reserved != nullptr) XTR_TEXTF(lines.reserved, name.text());
      break;
    case ZoNameProblem::NONE:
      break;
  }
}

}  // namespace

ZO_BOOLEAN zoIsReservedFieldName(const ZoString& name) {
  for (const char* reserved : kReservedFieldNames)
    if (name.compareNoCase(reserved) == 0) return TRUE;
  return FALSE;
}

ZoNameProblem zoMessageNameProblem(const ZoString& name) {
  if (!name.isAllowedCharSet()) return ZoNameProblem::INVALID_CHARACTERS;
  if (name.length() > ZO_MAX_MESSAGE_NAME) return ZoNameProblem::TOO_LONG;
  return ZoNameProblem::NONE;
}

ZoNameProblem zoFieldNameProblem(const ZoString& name) {
  if (!name.isAlNum()) return ZoNameProblem::INVALID_CHARACTERS;
  if (name.length() > ZO_MAX_FIELD_NAME) return ZoNameProblem::TOO_LONG;
  if (zoIsReservedFieldName(name)) return ZoNameProblem::RESERVED;
  return ZoNameProblem::NONE;
}

ZO_BOOLEAN zoCheckMessageName(const ZoString& name, const ZoNameTraceLines& lines) {
  const ZoNameProblem problem = zoMessageNameProblem(name);
  traceProblem(problem, name, ZO_MAX_MESSAGE_NAME, lines);
  return problem == ZoNameProblem::NONE ? TRUE : FALSE;
}

ZO_BOOLEAN zoCheckFieldName(const ZoString& name, const ZoNameTraceLines& lines) {
  const ZoNameProblem problem = zoFieldNameProblem(name);
  traceProblem(problem, name, ZO_MAX_FIELD_NAME, lines);
  return problem == ZoNameProblem::NONE ? TRUE : FALSE;
}

ZO_BOOLEAN zoCheckFormat(const ZoString& format) {
  if (format.length() > ZO_MAX_FORMAT) {
    XTR_TEXTF("Format length: %ld exceeds maximum: %ld", static_cast<long>(format.length()),
              static_cast<long>(ZO_MAX_FORMAT));
    return FALSE;
  }
  if (format.isAlNumPad()) return TRUE;
  XTR_TEXT("Format contains non alpha-numeric characters");
  return FALSE;
}
