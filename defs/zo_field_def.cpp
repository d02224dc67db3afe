#include "defs/zo_field_def.h"

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_names.h"

namespace {
constexpr ZoNameTraceLines kNameLines{
    "ZoFieldDef::checkName - Name contains invalid characters",
    "ZoFieldDef::checkName - Name exceeds maximum length = %d",
    "Field name is reserved: %s",
};
}  // namespace

ZoFieldDef::ZoFieldDef() {
  XTR_METHOD("ZoFieldDef :: ZoFieldDef()", errorCode_);
}

ZoFieldDef::ZoFieldDef(const ZoString& name) {
  XTR_METHOD("ZoFieldDef :: ZoFieldDef( const ZoString & )", errorCode_);
  initName(name);
}

ZoFieldDef::ZoFieldDef(const char* name) {
  XTR_METHOD("ZoFieldDef :: ZoFieldDef( const char * )", errorCode_);
  initName(ZoString(name));
}

void ZoFieldDef::initName(const ZoString& name) {
  if (checkName(name)) name_ = name;
}

ZO_BOOLEAN ZoFieldDef::checkName(const ZoString& name) {
  if (zoCheckFieldName(name, kNameLines)) return TRUE;
  return zoSetOutcome(errorCode_, ERR_FLDD_INVALID_NAME);
}

ZO_BOOLEAN ZoFieldDef::setName(const ZoString& name) {
  if (!checkName(name)) return FALSE;
  errorCode_ = 0;
  name_ = name;
  return TRUE;
}

ZO_BOOLEAN ZoFieldDef::setName(const char* name) { return setName(ZoString(name)); }

void ZoFieldDef::setDescription(const ZoString& description) {
  errorCode_ = 0;
  description_ = description;
}
void ZoFieldDef::setDescription(const char* description) { setDescription(ZoString(description)); }

void ZoFieldDef::setBaseName(const ZoString& baseName) {
  errorCode_ = 0;
  baseName_ = baseName;
}
void ZoFieldDef::setBaseName(const char* baseName) { setBaseName(ZoString(baseName)); }

void ZoFieldDef::setSegment(ZO_LONG segment) {
  errorCode_ = 0;
  segment_ = segment;
}

void ZoFieldDef::setDataType(ZO_LONG dataType) {
  errorCode_ = 0;
  dataType_ = dataType;
}

void ZoFieldDef::setLength(ZO_LONG length) {
  errorCode_ = 0;
  length_ = length;
}

void ZoFieldDef::setRow(ZO_LONG row) {
  errorCode_ = 0;
  row_ = row;
}

void ZoFieldDef::setColumn(ZO_LONG column) {
  errorCode_ = 0;
  column_ = column;
}

void ZoFieldDef::setHasAttributes(ZO_BOOLEAN hasAttributes) {
  errorCode_ = 0;
  hasAttributes_ = hasAttributes;
}

void ZoFieldDef::setPadCharacter(ZO_BYTE padCharacter) {
  errorCode_ = 0;
  padCharacter_ = padCharacter;
}

void ZoFieldDef::setAlignment(ZO_LONG alignment) {
  errorCode_ = 0;
  alignment_ = alignment;
}

void ZoFieldDef::setColor(ZO_LONG color) {
  errorCode_ = 0;
  color_ = color;
}

void ZoFieldDef::setIntensity(ZO_LONG intensity) {
  errorCode_ = 0;
  intensity_ = intensity;
}

void ZoFieldDef::setHighLight(ZO_LONG highLight) {
  errorCode_ = 0;
  highLight_ = highLight;
}

void ZoFieldDef::setProtection(ZO_LONG protection) {
  errorCode_ = 0;
  protection_ = protection;
}

void ZoFieldDef::setNumeric(ZO_BOOLEAN numeric) {
  errorCode_ = 0;
  numeric_ = numeric;
}

void ZoFieldDef::setCursor(ZO_BOOLEAN cursor) {
  errorCode_ = 0;
  cursor_ = cursor;
}

bool ZoFieldDef::hasDisplayDefaults() const {
  return color_ != ZO_COLOR_DEFAULT || intensity_ != ZO_INTENSITY_DEFAULT || highLight_ != ZO_HIGHLIGHT_DEFAULT ||
         protection_ != ZO_PROTECTION_DEFAULT;
}

void ZoFieldDef::setValue(ZO_LONG value) {
  errorCode_ = 0;
  longValue_ = value;
  dataType_ = ZODT_LONG;
}

void ZoFieldDef::setValue(ZO_SHORT value) {
  errorCode_ = 0;
  shortValue_ = value;
  dataType_ = ZODT_SHORT;
}

void ZoFieldDef::setValue(ZO_BYTE value) {
  errorCode_ = 0;
  byteValue_ = value;
  dataType_ = ZODT_BYTE;
}

void ZoFieldDef::setValue(const ZoString& value) {
  errorCode_ = 0;
  stringValue_ = value;
  if (dataType_ != ZODT_AUTHENTICATOR && dataType_ != ZODT_SYSTEM_AUTHENTICATOR) dataType_ = ZODT_STRING;
}

void ZoFieldDef::setValue(const char* value) { setValue(ZoString(value)); }
