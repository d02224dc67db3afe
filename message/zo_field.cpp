// ZoField: value, type, length and display attributes of one message field.
#include "message/zo_field.h"

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
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
  if (checkName(name)) m_name = name;
}

ZO_BOOLEAN ZoField::checkName(const ZoString& name) {
  static const ZoNameTraceLines kLines{"ZoField::checkName - Name contains invalid characters",
                                       "ZoField::checkName - Name exceeds maximum length = %d",
                                       "Field name is reserved: %s"};
  if (zoCheckFieldName(name, kLines)) return TRUE;
  return zoSetOutcome(m_rc, ERR_FLD_INVALID_NAME);
}

void ZoField::copyProperties(const ZoField& other) {
  if (this == &other) return;
  m_name = other.m_name;
  m_description = other.m_description;
  m_dataType = other.m_dataType;
  m_length = other.m_length;
  m_row = other.m_row;
  m_column = other.m_column;
  m_segment = other.m_segment;
  m_hasAttributes = other.m_hasAttributes;
  m_color = other.m_color;
  m_intensity = other.m_intensity;
  m_highLight = other.m_highLight;
  m_protection = other.m_protection;
  m_valueSet = other.m_valueSet;
  m_textValue = other.m_textValue;
  m_longValue = other.m_longValue;
  m_shortValue = other.m_shortValue;
  m_byteValue = other.m_byteValue;
  m_padCharacter = other.m_padCharacter;
  m_alignment = other.m_alignment;
}

void ZoField::copyFrom(const ZoField& other) {
  copyProperties(other);
  m_rc = 0;
}

// ---------------------------------------------------------------------------
// Values

void ZoField::setValue(const char* value) { setValue(ZoString(value)); }

void ZoField::setValue(const ZoString& value) {
  m_rc = 0;
  if (m_dataType == ZODT_AUTHENTICATOR || m_dataType == ZODT_SYSTEM_AUTHENTICATOR)
    XTR_TEXT("ZoField::setValue - setValue() called for AUTHENTICATOR field");
  else
    m_dataType = ZODT_STRING;

  if (m_length != 0) {
    m_textValue = value;
    if (value.length() > m_length) {
      XTR_TEXTF("ZoField::setValue - Truncating string to length = %ld",
                static_cast<long>(m_length));
      m_textValue.truncate(m_length);
      m_rc = ERR_FLD_DATA_TRUNCATED;
    }
    return;
  }
  XTR_TEXTF("ZoField::setValue - length() = 0, resetting to ZoString length = %ld",
            static_cast<long>(value.length()));
  setLength(value.length());
  m_textValue = value;
}

bool ZoField::prepareNumericValue(ZO_LONG minimumLength, const char* resetLine) {
  m_rc = 0;
  if (m_length == 0) {
    XTR_TEXTF(resetLine, static_cast<int>(minimumLength));
    setLength(minimumLength);
  }
  if (m_length >= minimumLength) return true;
  XTR_TEXTF("ZoField::setValue - length() less than minimum length %d",
            static_cast<int>(minimumLength));
  return zoSetOutcome(m_rc, ERR_FLD_INVALID_LENGTH);
}

void ZoField::setValue(ZO_LONG value) {
  if (!prepareNumericValue(ZO_LONG_LENGTH,
                           "ZoField::setValue - Field length() = 0, resetting to ZO_LONG length = %d"))
    return;
  m_longValue = value;
  m_dataType = ZODT_LONG;
}

void ZoField::setValue(ZO_SHORT value) {
  if (!prepareNumericValue(ZO_SHORT_LENGTH,
                           "ZoField::setValue - Field length() = 0, resetting to ZO_SHORT length = %d"))
    return;
  m_shortValue = value;
  m_dataType = ZODT_SHORT;
}

void ZoField::setValue(ZO_BYTE value) {
  if (!prepareNumericValue(ZO_BYTE_LENGTH,
                           "ZoField::setValue - length() = 0, resetting to ZO_BYTE length = %d"))
    return;
  m_byteValue = value;
  m_dataType = ZODT_BYTE;
}

void ZoField::setDataType(ZO_LONG dataType) {
  m_rc = 0;
  m_dataType = dataType;
  if (dataType < ZODT_NONE || dataType > ZODT_HIGHEST_ACCEPTED) {
    XTR_TEXTF("ZoField :: setDataType - dataType = %d is invalid", static_cast<int>(dataType));
    m_rc = ERR_FLD_INVALID_DATATYPE;
    return;
  }
  m_textValue = "";
  m_longValue = 0;
  m_shortValue = 0;
  m_byteValue = 0;
  m_valueSet = FALSE;
}

void ZoField::setLength(ZO_LONG length) {
  m_rc = 0;
  if (length < 0) {
    XTR_TEXT("ZoField :: setLength - negative length is invalid");
    m_rc = ERR_FLD_INVALID_LENGTH;
    return;
  }
  if (m_dataType < ZODT_NONE || m_dataType > ZODT_SYSTEM_AUTHENTICATOR) {
    XTR_TEXTF("ZoField::setLength - dataType %ld is invalid", static_cast<long>(m_dataType));
    m_rc = ERR_FLD_INVALID_DATATYPE;
  } else if (m_dataType == ZODT_SHORT && length < ZO_SHORT_LENGTH) {
    XTR_TEXTF("ZoField::setLength - length %ld is too small for ZODT_SHORT", static_cast<long>(length));
    m_rc = ERR_FLD_INVALID_LENGTH;
  } else if (m_dataType == ZODT_LONG && length < ZO_LONG_LENGTH) {
    XTR_TEXTF("ZoField::setLength - length %ld is too small for ZODT_LONG", static_cast<long>(length));
    m_rc = ERR_FLD_INVALID_LENGTH;
  } else if (m_dataType == ZODT_BYTE && length < ZO_BYTE_LENGTH) {
    XTR_TEXTF("ZoField::setLength - length %ld is too small for ZODT_BYTE", static_cast<long>(length));
    m_rc = ERR_FLD_INVALID_LENGTH;
  } else if (isTextType(m_dataType) && m_textValue.length() > length) {
    m_textValue.truncate(length);
    XTR_TEXTF("ZoField :: setLength -Truncating string to length = %ld", static_cast<long>(length));
    m_rc = ERR_FLD_DATA_TRUNCATED;
  }
  if (m_rc == 0 || m_rc == ERR_FLD_DATA_TRUNCATED) m_length = length;
}

// ---------------------------------------------------------------------------
// Attributes and plain properties

void ZoField::setHasAttributes(ZO_BOOLEAN hasAttributes) {
  m_rc = 0;
  m_hasAttributes = hasAttributes;
  if (hasAttributes) return;
  m_color = ZO_COLOR_NO_ATTRIBUTES;
  m_intensity = ZO_INTENSITY_NO_ATTRIBUTES;
  m_highLight = ZO_HIGHLIGHT_NO_ATTRIBUTES;
  m_protection = ZO_PROTECTION_NO_ATTRIBUTES;
  XTR_TEXT("ZoField :: setHasAttributes - hasAttributes() being set to FALSE ");
}

void ZoField::setAttribute(ZO_LONG& attribute, ZO_LONG value, ZO_LONG low, ZO_LONG high,
                           ZO_ULONG errorCode, const char* invalidLine) {
  m_rc = 0;
  if (value < low || value > high) {
    XTR_TEXTF(invalidLine, static_cast<long>(value));
    m_rc = errorCode;
    return;
  }
  attribute = value;
  m_hasAttributes = TRUE;
}

void ZoField::setColor(ZO_LONG color) {
  setAttribute(m_color, color, ZO_COLOR_MIN, ZO_COLOR_MAX, ERR_FLD_INVALID_COLOR,
               "ZoField::setColor - color = %ld is invalid");
}

void ZoField::setIntensity(ZO_LONG intensity) {
  setAttribute(m_intensity, intensity, ZO_INTENSITY_MIN, ZO_INTENSITY_MAX, ERR_FLD_INVALID_INTENSITY,
               "ZoField::setIntensity - intensity = %ld is invalid");
}

void ZoField::setHighLight(ZO_LONG highLight) {
  setAttribute(m_highLight, highLight, ZO_HIGHLIGHT_MIN, ZO_HIGHLIGHT_MAX, ERR_FLD_INVALID_HIGHLIGHT,
               "ZoField::setHighLight - highLight = %ld is invalid");
}

void ZoField::setProtection(ZO_LONG protection) {
  setAttribute(m_protection, protection, ZO_PROTECTION_MIN, ZO_PROTECTION_MAX,
               ERR_FLD_INVALID_PROTECTION, "ZoField::setProtection - protection = %ld is invalid");
}

void ZoField::setDescription(const ZoString& description) {
  m_rc = 0;
  m_description = description;
}

void ZoField::setRow(ZO_LONG row) {
  m_rc = 0;
  m_row = row;
}

void ZoField::setColumn(ZO_LONG column) {
  m_rc = 0;
  m_column = column;
}

void ZoField::setSegment(ZO_LONG segment) {
  m_rc = 0;
  m_segment = segment;
}

void ZoField::setPadCharacter(ZO_BYTE padCharacter) {
  m_rc = 0;
  m_padCharacter = padCharacter;
}

void ZoField::setAlignment(ZO_LONG alignment) {
  m_rc = 0;
  m_alignment = alignment;
}

void ZoField::setValueSet(ZO_BOOLEAN valueSet) {
  m_rc = 0;
  m_valueSet = valueSet;
}
