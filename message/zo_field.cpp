// ZoField: value, type, length and display attributes of one message field.
#include "message/zo_field.h"

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_field_def.h"
#include "defs/zo_names.h"

namespace {

bool isTextType(ZO_LONG dataType) {
  return dataType == ZODT_STRING || dataType == ZODT_AUTHENTICATOR ||
         dataType == ZODT_SYSTEM_AUTHENTICATOR;
}

}  // namespace

// Constructors and the destructor report 0 on exit whatever the name check
// found; the error code carries that.
ZoField::ZoField(const ZoString& name) {
  XTR_METHOD("ZoField :: ZoField( const ZoString & )", ERR_NONE);
  init(name);
}

ZoField::ZoField(const char* name) {
  XTR_METHOD("ZoField :: ZoField( const char * )", ERR_NONE);
  init(ZoString(name));
}

ZoField::ZoField(const ZoField& other) = default;

ZoField::~ZoField() { XTR_METHOD("ZoField :: ~ZoField()", ERR_NONE); }

void ZoField::init(const ZoString& name) {
  clearCodes();
  if (checkName(name)) name_ = name;
}

ZO_BOOLEAN ZoField::checkName(const ZoString& name) {
  static const ZoNameTraceLines kLines{"ZoField::checkName - Name contains invalid characters",
                                       "ZoField::checkName - Name exceeds maximum length = %d",
                                       "Field name is reserved: %s"};
  if (zoCheckFieldName(name, kLines)) return TRUE;
  return zoSetOutcome(errorCode_, ERR_FLD_INVALID_NAME);
}

void ZoField::copyProperties(const ZoField& other) {
  if (this == &other) return;
  name_ = other.name_;
  description_ = other.description_;
  dataType_ = other.dataType_;
  length_ = other.length_;
  row_ = other.row_;
  column_ = other.column_;
  segment_ = other.segment_;
  hasAttributes_ = other.hasAttributes_;
  color_ = other.color_;
  intensity_ = other.intensity_;
  highLight_ = other.highLight_;
  protection_ = other.protection_;
  valueSet_ = other.valueSet_;
  textValue_ = other.textValue_;
  longValue_ = other.longValue_;
  shortValue_ = other.shortValue_;
  byteValue_ = other.byteValue_;
  padCharacter_ = other.padCharacter_;
  alignment_ = other.alignment_;
}

void ZoField::copyFrom(const ZoField& other) {
  copyProperties(other);
  errorCode_ = 0;
}

// ---------------------------------------------------------------------------
// Values

void ZoField::setValue(const char* value) { setValue(ZoString(value)); }

void ZoField::setValue(const ZoString& value) {
  errorCode_ = 0;
  if (dataType_ == ZODT_AUTHENTICATOR || dataType_ == ZODT_SYSTEM_AUTHENTICATOR)
    XTR_TEXT("ZoField::setValue - setValue() called for AUTHENTICATOR field");
  else
    dataType_ = ZODT_STRING;

  if (length_ != 0) {
    textValue_ = value;
    if (value.length() > length_) {
      XTR_TEXTF("ZoField::setValue - Truncating string to length = %ld",
                static_cast<long>(length_));
      textValue_.truncate(length_);
      errorCode_ = ERR_FLD_DATA_TRUNCATED;
    }
    return;
  }
  XTR_TEXTF("ZoField::setValue - length() = 0, resetting to ZoString length = %ld",
            static_cast<long>(value.length()));
  setLength(value.length());
  textValue_ = value;
}

bool ZoField::prepareNumericValue(ZO_LONG minimumLength, const char* resetLine) {
  errorCode_ = 0;
  if (length_ == 0) {
    XTR_TEXTF(resetLine, static_cast<int>(minimumLength));
    setLength(minimumLength);
  }
  if (length_ >= minimumLength) return true;
  XTR_TEXTF("ZoField::setValue - length() less than minimum length %d",
            static_cast<int>(minimumLength));
  return zoSetOutcome(errorCode_, ERR_FLD_INVALID_LENGTH);
}

void ZoField::setValue(ZO_LONG value) {
  if (!prepareNumericValue(ZO_LONG_LENGTH,
                           "ZoField::setValue - Field length() = 0, resetting to ZO_LONG length = %d"))
    return;
  longValue_ = value;
  dataType_ = ZODT_LONG;
}

void ZoField::setValue(ZO_SHORT value) {
  if (!prepareNumericValue(ZO_SHORT_LENGTH,
                           "ZoField::setValue - Field length() = 0, resetting to ZO_SHORT length = %d"))
    return;
  shortValue_ = value;
  dataType_ = ZODT_SHORT;
}

void ZoField::setValue(ZO_BYTE value) {
  if (!prepareNumericValue(ZO_BYTE_LENGTH,
                           "ZoField::setValue - length() = 0, resetting to ZO_BYTE length = %d"))
    return;
  byteValue_ = value;
  dataType_ = ZODT_BYTE;
}

void ZoField::setDataType(ZO_LONG dataType) {
  errorCode_ = 0;
  dataType_ = dataType;
  if (dataType < ZODT_NONE || dataType > ZODT_HIGHEST_ACCEPTED) {
    XTR_TEXTF("ZoField :: setDataType - dataType = %d is invalid", static_cast<int>(dataType));
    errorCode_ = ERR_FLD_INVALID_DATATYPE;
    return;
  }
  textValue_ = "";
  longValue_ = 0;
  shortValue_ = 0;
  byteValue_ = 0;
  valueSet_ = FALSE;
}

void ZoField::setLength(ZO_LONG length) {
  errorCode_ = 0;
  if (length < 0) {
    XTR_TEXT("ZoField :: setLength - negative length is invalid");
    errorCode_ = ERR_FLD_INVALID_LENGTH;
    return;
  }
  if (dataType_ < ZODT_NONE || dataType_ > ZODT_SYSTEM_AUTHENTICATOR) {
    XTR_TEXTF("ZoField::setLength - dataType %ld is invalid", static_cast<long>(dataType_));
    errorCode_ = ERR_FLD_INVALID_DATATYPE;
  } else if (dataType_ == ZODT_SHORT && length < ZO_SHORT_LENGTH) {
    XTR_TEXTF("ZoField::setLength - length %ld is too small for ZODT_SHORT", static_cast<long>(length));
    errorCode_ = ERR_FLD_INVALID_LENGTH;
  } else if (dataType_ == ZODT_LONG && length < ZO_LONG_LENGTH) {
    XTR_TEXTF("ZoField::setLength - length %ld is too small for ZODT_LONG", static_cast<long>(length));
    errorCode_ = ERR_FLD_INVALID_LENGTH;
  } else if (dataType_ == ZODT_BYTE && length < ZO_BYTE_LENGTH) {
    XTR_TEXTF("ZoField::setLength - length %ld is too small for ZODT_BYTE", static_cast<long>(length));
    errorCode_ = ERR_FLD_INVALID_LENGTH;
  } else if (isTextType(dataType_) && textValue_.length() > length) {
    textValue_.truncate(length);
    XTR_TEXTF("ZoField :: setLength -Truncating string to length = %ld", static_cast<long>(length));
    errorCode_ = ERR_FLD_DATA_TRUNCATED;
  }
  if (errorCode_ == 0 || errorCode_ == ERR_FLD_DATA_TRUNCATED) length_ = length;
}

// ---------------------------------------------------------------------------
// Attributes and plain properties

void ZoField::setHasAttributes(ZO_BOOLEAN hasAttributes) {
  errorCode_ = 0;
  hasAttributes_ = hasAttributes;
  if (hasAttributes) return;
  color_ = ZO_COLOR_NO_ATTRIBUTES;
  intensity_ = ZO_INTENSITY_NO_ATTRIBUTES;
  highLight_ = ZO_HIGHLIGHT_NO_ATTRIBUTES;
  protection_ = ZO_PROTECTION_NO_ATTRIBUTES;
  XTR_TEXT("ZoField :: setHasAttributes - hasAttributes() being set to FALSE ");
}

void ZoField::setAttribute(ZO_LONG& attribute, ZO_LONG value, ZO_LONG low, ZO_LONG high,
                           ZO_ULONG errorCode, const char* invalidLine) {
  errorCode_ = 0;
  if (value < low || value > high) {
    XTR_TEXTF(invalidLine, static_cast<long>(value));
    errorCode_ = errorCode;
    return;
  }
  attribute = value;
  hasAttributes_ = TRUE;
}

void ZoField::setColor(ZO_LONG color) {
  setAttribute(color_, color, ZO_COLOR_MIN, ZO_COLOR_MAX, ERR_FLD_INVALID_COLOR,
               "ZoField::setColor - color = %ld is invalid");
}

void ZoField::setIntensity(ZO_LONG intensity) {
  setAttribute(intensity_, intensity, ZO_INTENSITY_MIN, ZO_INTENSITY_MAX, ERR_FLD_INVALID_INTENSITY,
               "ZoField::setIntensity - intensity = %ld is invalid");
}

void ZoField::setHighLight(ZO_LONG highLight) {
  setAttribute(highLight_, highLight, ZO_HIGHLIGHT_MIN, ZO_HIGHLIGHT_MAX, ERR_FLD_INVALID_HIGHLIGHT,
               "ZoField::setHighLight - highLight = %ld is invalid");
}

void ZoField::setProtection(ZO_LONG protection) {
  setAttribute(protection_, protection, ZO_PROTECTION_MIN, ZO_PROTECTION_MAX,
               ERR_FLD_INVALID_PROTECTION, "ZoField::setProtection - protection = %ld is invalid");
}

void ZoField::setDescription(const ZoString& description) {
  errorCode_ = 0;
  description_ = description;
}

void ZoField::setRow(ZO_LONG row) {
  errorCode_ = 0;
  row_ = row;
}

void ZoField::setColumn(ZO_LONG column) {
  errorCode_ = 0;
  column_ = column;
}

void ZoField::setSegment(ZO_LONG segment) {
  errorCode_ = 0;
  segment_ = segment;
}

void ZoField::setPadCharacter(ZO_BYTE padCharacter) {
  errorCode_ = 0;
  padCharacter_ = padCharacter;
}

void ZoField::setAlignment(ZO_LONG alignment) {
  errorCode_ = 0;
  alignment_ = alignment;
}

void ZoField::setValueSet(ZO_BOOLEAN valueSet) {
  errorCode_ = 0;
  valueSet_ = valueSet;
}

// ---------------------------------------------------------------------------
// From a definition

bool zoCopyFieldDef(const ZoFieldDef& definition, ZoField& field) {
  field.setDescription(definition.getDescription());
  field.setLength(definition.getLength());
  field.setRow(definition.getRow());
  field.setColumn(definition.getColumn());
  field.setSegment(definition.getSegment());
  field.setAlignment(definition.getAlignment());
  field.setHasAttributes(definition.getHasAttributes());
  // A field with attributes starts from its definition's display defaults
  // (the field's setters would turn attributes on, so only then).
  if (definition.getHasAttributes()) {
    field.setColor(definition.getColor());
    field.setIntensity(definition.getIntensity());
    field.setHighLight(definition.getHighLight());
    field.setProtection(definition.getProtection());
  }
  field.setPadCharacter(definition.getPadCharacter());

  switch (definition.getDataType()) {
    case ZODT_STRING:
      field.setValue(definition.getStringValue());
      break;
    case ZODT_SHORT:
      field.setValue(definition.getShortValue());
      break;
    case ZODT_LONG:
      field.setValue(definition.getLongValue());
      break;
    case ZODT_BYTE:
      field.setValue(definition.getByteValue());
      break;
    case ZODT_AUTHENTICATOR:
      field.setDataType(ZODT_AUTHENTICATOR);
      field.setValue(definition.getStringValue());
      break;
    case ZODT_SYSTEM_AUTHENTICATOR:
      field.setDataType(ZODT_SYSTEM_AUTHENTICATOR);
      break;
    default:
      return false;
  }
  field.setValueSet(TRUE);
  return true;
}
