// ZoMessage: fields built from definitions, kept in a hash table by name and
// in a list by order.
#include "message/zo_message.h"

#include <utility>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "defs/zo_database.h"
#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "defs/zo_names.h"
#include "session/zo_session.h"

namespace {

// The length a numeric type needs, and the names the trace gives it.
struct NumericLength {
  ZO_LONG dataType;
  ZO_LONG length;
  const char* lengthName;
  const char* typeName;
};
constexpr NumericLength kNumericLengths[] = {
    {ZODT_SHORT, ZO_SHORT_LENGTH, "ZO_SHORT", "ZODT_SHORT"},
    {ZODT_LONG, ZO_LONG_LENGTH, "ZO_LONG", "ZODT_LONG"},
    {ZODT_BYTE, ZO_BYTE_LENGTH, "ZO_BYTE", "ZODT_BYTE"},
};

// The row of a numeric type; null for the text types.
const NumericLength* numericLength(ZO_LONG dataType) {
  for (const NumericLength& row : kNumericLengths) {
    if (row.dataType == dataType) return &row;
  }
  return nullptr;
}

bool isProtectedByAttribute(const ZoField& field) {
  return field.getHasAttributes() && field.getProtection() == ZO_PROTECTION_PROTECTED;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

ZoMessage::ZoMessage(const ZoString& name, ZoSession& session) : session_(session) {
  construct(name);
}

ZoMessage::ZoMessage(const char* name, ZoSession& session) : session_(session) {
  XtrMethod trace("ZoMessage :: ZoMessage( char *, ZoSession & )", errorCode_);
  construct(ZoString(name));
}

void ZoMessage::construct(const ZoString& name) {
  XtrMethod trace("ZoMessage :: ZoMessage( ZoString &, ZoSession & )", errorCode_);
  clearCodes();
  errorCode_ = 0;

  if (checkName(name)) {
    messageName_ = name;
    if (name.length() == 0) {
      XTR_TEXT("Empty message");
    } else if (ZoDatabase* db = session_.getDefinitionDB(); db == nullptr) {
      XTR_TEXT("Definition database is NULL; cannot continue");
      errorCode_ = ERR_MESS_INVALID_DB;
    } else {
      ZoMessageDef definition(name);
      db->read(definition);
      errorCode_ = db->getErrorCode();
      if (errorCode_ == 0) {
        rowCount_ = definition.getRowCount();
        columnCount_ = definition.getColumnCount();
        format_ = definition.getFormat();
        ZO_LONG currentSegment = 1;
        for (ZO_LONG j = 0; j < definition.getFieldCount() && errorCode_ == 0; ++j) {
          ZoString alias;
          ZoString fieldName;
          definition.getFieldNames(alias, fieldName, j);
          if (definition.getErrorCode() != 0) {
            errorCode_ = definition.getErrorCode();
            XTR_TEXTF("Failed to read field %d; errorCode = %ld", static_cast<int>(j),
                      static_cast<long>(errorCode_));
            break;
          }
          if (!buildField(*db, alias, fieldName, currentSegment)) break;
        }
      }
      // A store failure, or a definition the store can say more about.
      if (errorCode_ == ERR_DB_SYS_ERROR ||
          (errorCode_ == ERR_DB_DEFN_NOT_FOUND && db->getDbErrorText().length() != 0))
        session_.recordDatabaseFailure(db->getDbErrorCode(), db->getDbErrorText());
    }
  }
  session_.addMessage(this);
}

bool ZoMessage::buildField(ZoDatabase& db, const ZoString& alias, const ZoString& name,
                           ZO_LONG& currentSegment) {
  ZoFieldDef definition(name);
  db.read(definition);
  errorCode_ = db.getErrorCode();
  if (errorCode_ != 0) return false;

  ZoField field(alias);
  // The fields run through the segments 1, 2, 3, ... in order, without gaps.
  const ZO_LONG segment = definition.getSegment();
  if (segment < 1 || (segment != currentSegment && segment != currentSegment + 1)) {
    XTR_TEXTF("Field %s has invalid segment number %ld", name.text(), static_cast<long>(segment));
    return zoSetOutcome(errorCode_, ERR_MESS_INVALID_SEGMENT);
  }
  if (segment > currentSegment) currentSegment = segment;

  // Failures inside the field are left for addField to judge.
  if (!zoCopyFieldDef(definition, field)) {
    XTR_TEXTF("Unknown dataType %ld on read of FieldDef %s",
              static_cast<long>(definition.getDataType()), name.text());
    return zoSetOutcome(errorCode_, ERR_MESS_INVALID_DATATYPE);
  }
  return addField(field) == TRUE;
}

ZoMessage::~ZoMessage() {
  XtrMethod trace("ZoMessage :: ~ZoMessage()", errorCode_);
  session_.removeMessage(this);
  errorCode_ = 0;
  removeAllFields();
}

ZoMessage& ZoMessage::operator=(const ZoMessage& other) {
  XtrMethod trace("ZoMessage :: operator =", ERR_NONE);
  // Emptying the target first would lose the source when both are the same.
  if (this == &other) return *this;
  clearErrorCodes();
  removeAllFields();
  messageName_ = other.messageName_;
  rowCount_ = other.rowCount_;
  columnCount_ = other.columnCount_;
  // The other message's fields in their order, as its browse gives them.
  for (std::size_t i = 0; i < other.fields_.size(); ++i) addField(other.fields_.at(i));
  return *this;
}

// ---------------------------------------------------------------------------
// Codes and names

void ZoMessage::clearErrorCodes() {
  XtrMethod trace("ZoMessage :: clearErrorCodes()", ERR_NONE);
  errorCode_ = 0;
  clearCodes();
}

void ZoMessage::setErrorCodes(ZO_ULONG internalCode) {
  XtrMethod trace("ZoMessage :: setErrorCodes()", ERR_NONE);
  errorCode_ = internalCode;
  setFromInternalCode(internalCode);
}

bool ZoMessage::checkName(const ZoString& name) {
  static const ZoNameTraceLines kLines{"Name contains invalid characters",
                                       "Name exceeds maximum length = %d", ""};
  if (zoCheckMessageName(name, kLines)) return true;
  return zoSetOutcome(errorCode_, ERR_MESS_INVALID_NAME);
}

bool ZoMessage::checkFieldName(const ZoString& name) {
  static const ZoNameTraceLines kLines{"Field name contains invalid characters",
                                       "Field name exceeds maximum length = %d",
                                       "Field name is reserved: %s"};
  if (zoCheckFieldName(name, kLines)) return true;
  return zoSetOutcome(errorCode_, ERR_MESS_INVALID_FIELD_NAME);
}

ZO_BOOLEAN ZoMessage::setFormat(const ZoString& format) {
  XtrMethod trace("ZoMessage :: setFormat( const ZoString & )", *this);
  clearErrorCodes();
  const ZO_ULONG code = zoCheckFormat(format) ? 0 : ERR_MESS_INVALID_FORMAT;
  if (code == 0) format_ = format;
  setErrorCodes(code);
  return zoSucceeded(code);
}

// ---------------------------------------------------------------------------
// Field table

void ZoMessage::removeAllFields() {
  fields_.clear();
  fieldNames_ = ZoStringArray();
}

ZO_BOOLEAN ZoMessage::addField(const ZoField& given) {
  XtrMethod trace("ZoMessage :: addField( const ZoField & )", errorCode_);
  errorCode_ = 0;
  auto failed = [&](ZO_ULONG code) {
    errorCode_ = code;
    trace.exitAs("ZoMessage :: addField()");
    return FALSE;
  };

  const ZoString& name = given.getName();
  // A field without a name could never be told apart from a failed lookup.
  if (name.length() == 0) {
    XTR_TEXT("Field name is empty");
    return failed(ERR_MESS_INVALID_FIELD_NAME);
  }
  if (!checkFieldName(name)) return failed(ERR_MESS_INVALID_FIELD_NAME);
  if (fields_.find(name) != nullptr) {
    XTR_TEXTF("Field %s has a duplicate", name.text());
    return failed(ERR_MESS_DUPLICATE_FIELD);
  }
  const ZO_LONG dataType = given.getDataType();
  if (dataType < ZODT_STRING || dataType > ZODT_SYSTEM_AUTHENTICATOR) {
    XTR_TEXTF("Field has data type %d which is out of bounds", static_cast<int>(dataType));
    return failed(ERR_MESS_INVALID_DATATYPE);
  }

  auto field = std::make_unique<ZoField>(given);
  bool truncate = false;
  if (const NumericLength* numeric = numericLength(dataType)) {
    if (field->getLength() == 0) {
      XTR_TEXTF("Field length() = 0, resetting to %s length = %ld", numeric->lengthName,
                static_cast<long>(numeric->length));
      field->setLength(numeric->length);
    }
    if (field->getLength() < numeric->length) {
      XTR_TEXTF("Field is %s but has a length less than minimum length %ld", numeric->typeName,
                static_cast<long>(numeric->length));
      return failed(ERR_MESS_INVALID_LENGTH);
    }
  } else {  // the text types
    const ZO_LONG valueLength = field->getValue().length();
    if (field->getLength() == 0) {
      XTR_TEXTF("Field length() = 0, resetting to ZoString length = %ld",
                static_cast<long>(valueLength));
      field->setLength(valueLength);
    } else if (valueLength > field->getLength()) {
      truncate = true;
    }
  }

  // The attribute limits here are one below the highest value the field's
  // own setters accept.
  if (field->getHasAttributes()) {
    if (field->getColor() >= ZO_COLOR_MAX) {
      XTR_TEXTF("Field has color attribute %d which is out of bounds",
                static_cast<int>(field->getColor()));
      return failed(ERR_MESS_INVALID_COLOR);
    }
    if (field->getHighLight() >= ZO_HIGHLIGHT_MAX) {
      XTR_TEXTF("Field has highlight attribute %d which is out of bounds",
                static_cast<int>(field->getHighLight()));
      return failed(ERR_MESS_INVALID_HIGHLIGHT);
    }
    if (field->getIntensity() >= ZO_INTENSITY_MAX) {
      XTR_TEXTF("Field has intensity attribute %d which is out of bounds",
                static_cast<int>(field->getIntensity()));
      return failed(ERR_MESS_INVALID_INTENSITY);
    }
    if (field->getProtection() >= ZO_PROTECTION_MAX) {
      XTR_TEXTF("Field has protection attribute %d which is out of bounds",
                static_cast<int>(field->getProtection()));
      return failed(ERR_MESS_INVALID_PROTECTION);
    }
  }

  if (!zoIsValidAlignment(field->getAlignment())) {
    XTR_TEXTF("Field has invalid alignment option = %ld", static_cast<long>(field->getAlignment()));
    return failed(ERR_MESS_INVALID_ALIGNMENT);
  }
  if (truncate) {
    XTR_TEXTF("Truncating string to length = %ld", static_cast<long>(field->getLength()));
    ZoString value = field->getValue();
    value.truncate(field->getLength());
    field->setValue(value);
    errorCode_ = ERR_MESS_DATA_TRUNCATED;  // a warning: the field is still added
  }

  fieldNames_.add(name);
  fields_.insert(std::move(field));
  XTR_TEXTF("Field count is now %d", static_cast<int>(fields_.size()));
  return zoSucceeded(errorCode_);
}

// ---------------------------------------------------------------------------
// Browsing

void ZoMessage::startBrowseFields(ZoBrowseToken* token) {
  XtrMethod trace("ZoMessage :: startBrowseFields( ZoBrowseToken * )", errorCode_);
  errorCode_ = 0;
  if (token) *token = 0;
}

void ZoMessage::endBrowseFields(ZoBrowseToken* token) {
  XtrMethod trace("ZoMessage :: endBrowseFields( ZoBrowseToken * )", errorCode_);
  errorCode_ = 0;
  if (token) *token = 0;
}

ZoField* ZoMessage::getNextField(ZoBrowseToken* token) {
  XtrMethod trace("ZoMessage :: getNextField( ZoBrowseToken * )", errorCode_);
  errorCode_ = 0;
  auto failed = [&](ZO_ULONG code) -> ZoField* {
    errorCode_ = code;
    trace.exitAs("ZoMessage :: getNextField()");
    return nullptr;
  };
  if (token == nullptr || *token < 0) {
    XTR_TEXT("Invalid token");
    return failed(ERR_MESS_INVALID_TOKEN);
  }
  if (fields_.empty()) {
    XTR_TEXT("No fields in message");
    return failed(ERR_MESS_EMPTY_MESSAGE);
  }
  if (*token >= getFieldCount()) {
    XTR_TEXTF("No field at specified location %ld", static_cast<long>(*token));
    return failed(ERR_MESS_NO_MORE_FIELDS);
  }
  // The table and the names keep the same order, so the entry at the token is
  // the field named at that position.
  ZoField* field = &fields_.at(static_cast<std::size_t>(*token));
  ++*token;
  return field;
}

ZoString ZoMessage::getFieldName(ZO_LONG index) {
  XtrMethod trace("ZoMessage :: getFieldName( ZO_LONG )", errorCode_);
  errorCode_ = 0;
  if (fields_.empty()) {
    XTR_TEXT("No fields in message");
    errorCode_ = ERR_MESS_EMPTY_MESSAGE;
    return ZoString();
  }
  if (index < 1 || index > getFieldCount()) {
    XTR_TEXTF("Invalid index = %ld", static_cast<long>(index));
    errorCode_ = ERR_MESS_INVALID_TOKEN;
    return ZoString();
  }
  return fieldNames_.get(index - 1);
}

// ---------------------------------------------------------------------------
// By-name family

ZoField* ZoMessage::lookUp(const ZoString& name) {
  // The temporary field applies the field-name rule: a name it refuses is
  // never found.
  const ZoField probe(name);
  clearErrorCodes();
  ZoField* field = probe.getErrorCode() == 0 ? fields_.find(probe.getName()) : nullptr;
  if (field == nullptr) {
    XTR_TEXTF("Field %s not found", name.text());
    errorCode_ = ERR_MESS_FIELD_NOT_FOUND;
  }
  return field;
}

ZO_BOOLEAN ZoMessage::getProperty(const ZoString& name, ZoString& value) {
  XtrMethod trace("ZoMessage :: getProperty( const ZoString &, ZoString & )", *this);
  if (const ZoField* field = lookUp(name)) {
    switch (field->getDataType()) {
      case ZODT_STRING:
        value = field->getValue();
        break;
      case ZODT_AUTHENTICATOR:
        XTR_TEXT("Field is of type AUTHENTICATOR; returning TVAUT_HIDDEN");
        value = TVAUT_HIDDEN;
        break;
      case ZODT_SYSTEM_AUTHENTICATOR:
        XTR_TEXT("Field is of type SYSTEM AUTHENTICATOR; returning TVAUT_HIDDEN");
        value = TVAUT_HIDDEN;
        break;
      default:
        XTR_TEXTF("Field %s has unexpected datatype %ld", name.text(),
                  static_cast<long>(field->getDataType()));
        errorCode_ = ERR_MESS_FIELD_VALUE_TYPE;
        break;
    }
  }
  setErrorCodes(errorCode_);
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessage::getProperty(const char* name, ZoString& value) {
  XtrMethod trace("ZoMessage :: getProperty( const char *, ZoString & )", *this);
  return getProperty(ZoString(name), value);
}

namespace {

// Value of a numeric field of exactly the type asked for.
ZO_LONG numericValue(const ZoField& f, ZO_LONG*) { return f.getLongValue(); }
ZO_SHORT numericValue(const ZoField& f, ZO_SHORT*) { return f.getShortValue(); }
ZO_BYTE numericValue(const ZoField& f, ZO_BYTE*) { return f.getByteValue(); }
constexpr ZO_LONG typeOf(ZO_LONG*) { return ZODT_LONG; }
constexpr ZO_LONG typeOf(ZO_SHORT*) { return ZODT_SHORT; }
constexpr ZO_LONG typeOf(ZO_BYTE*) { return ZODT_BYTE; }

}  // namespace

template <typename T>
ZO_BOOLEAN ZoMessage::getNumber(const ZoString& name, T* value) {
  if (value) *value = 0;
  if (const ZoField* field = lookUp(name)) {
    if (field->getDataType() == typeOf(value)) {
      if (value) *value = numericValue(*field, value);
    } else {
      XTR_TEXTF("Field %s has unexpected datatype %ld", name.text(),
                static_cast<long>(field->getDataType()));
      errorCode_ = ERR_MESS_FIELD_VALUE_TYPE;
    }
  }
  setErrorCodes(errorCode_);
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessage::getProperty(const ZoString& name, ZO_LONG* value) {
  XtrMethod trace("ZoMessage :: getProperty( const ZoString &, ZO_LONG * )", *this);
  return getNumber(name, value);
}

ZO_BOOLEAN ZoMessage::getProperty(const char* name, ZO_LONG* value) {
  XtrMethod trace("ZoMessage :: getProperty( const char *, ZO_LONG * )", *this);
  return getProperty(ZoString(name), value);
}

ZO_BOOLEAN ZoMessage::getProperty(const ZoString& name, ZO_SHORT* value) {
  XtrMethod trace("ZoMessage :: getProperty( const ZoString &, ZO_SHORT * )", *this);
  return getNumber(name, value);
}

ZO_BOOLEAN ZoMessage::getProperty(const char* name, ZO_SHORT* value) {
  XtrMethod trace("ZoMessage :: getProperty( const char *, ZO_SHORT * )", *this);
  return getProperty(ZoString(name), value);
}

ZO_BOOLEAN ZoMessage::getProperty(const ZoString& name, ZO_BYTE* value) {
  XtrMethod trace("ZoMessage :: getProperty( const ZoString &, ZO_BYTE * )", *this);
  return getNumber(name, value);
}

ZO_BOOLEAN ZoMessage::getProperty(const char* name, ZO_BYTE* value) {
  // The character-pointer form of the byte getter traces under the short name.
  XtrMethod trace("ZoMessage :: getProperty( const char *, ZO_SHORT * )", *this);
  return getProperty(ZoString(name), value);
}

ZO_BOOLEAN ZoMessage::setProperty(const ZoString& name, const ZoString& value) {
  XtrMethod trace("ZoMessage :: setProperty( const ZoString &, ZoString & )", *this);
  if (ZoField* field = lookUp(name)) {
    const ZO_LONG dataType = field->getDataType();
    if (dataType == ZODT_SYSTEM_AUTHENTICATOR) {
      XTR_TEXT("Field has type SYSTEM AUTHENTICATOR so is protected");
      errorCode_ = ERR_MESS_PROTECTED_FIELD;
    } else if (dataType == ZODT_STRING || dataType == ZODT_AUTHENTICATOR) {
      if (isProtectedByAttribute(*field)) {
        XTR_TEXT("Field is protected by attribute");
        errorCode_ = ERR_MESS_PROTECTED_FIELD;
      } else {
        ZoString text = value;
        if (text.length() > field->getLength()) {
          XTR_TEXTF("Truncating string data to length = %ld", static_cast<long>(field->getLength()));
          text.truncate(field->getLength());
          errorCode_ = ERR_MESS_DATA_TRUNCATED;
        }
        field->setValue(text);
        field->setValueSet(TRUE);
      }
    } else {
      XTR_TEXTF("Field has unexpected dataType = %ld", static_cast<long>(dataType));
      errorCode_ = ERR_MESS_INVALID_DATATYPE;
    }
  }
  setErrorCodes(errorCode_);
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessage::setProperty(const char* name, const char* value) {
  XtrMethod trace("ZoMessage :: setProperty( const char *, char * )", *this);
  return setProperty(ZoString(name), ZoString(value));
}

template <typename T>
ZO_BOOLEAN ZoMessage::setNumber(const ZoString& name, T value) {
  if (ZoField* field = lookUp(name)) {
    if (field->getDataType() != typeOf(static_cast<T*>(nullptr))) {
      XTR_TEXTF("Field has unexpected dataType = %ld", static_cast<long>(field->getDataType()));
      errorCode_ = ERR_MESS_INVALID_DATATYPE;
    } else if (isProtectedByAttribute(*field)) {
      XTR_TEXT("Field is protected by attribute");
      errorCode_ = ERR_MESS_PROTECTED_FIELD;
    } else {
      field->setValue(value);
      field->setValueSet(TRUE);
    }
  }
  setErrorCodes(errorCode_);
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessage::setProperty(const ZoString& name, ZO_LONG value) {
  XtrMethod trace("ZoMessage :: setProperty( const ZoString &, ZO_LONG )", *this);
  return setNumber(name, value);
}

ZO_BOOLEAN ZoMessage::setProperty(const char* name, ZO_LONG value) {
  XtrMethod trace("ZoMessage :: setProperty( const char *, ZO_LONG )", *this);
  return setProperty(ZoString(name), value);
}

ZO_BOOLEAN ZoMessage::setProperty(const ZoString& name, ZO_SHORT value) {
  XtrMethod trace("ZoMessage :: setProperty( const ZoString &, ZO_SHORT )", *this);
  return setNumber(name, value);
}

ZO_BOOLEAN ZoMessage::setProperty(const char* name, ZO_SHORT value) {
  XtrMethod trace("ZoMessage :: setProperty( const char *, ZO_SHORT )", *this);
  return setProperty(ZoString(name), value);
}

ZO_BOOLEAN ZoMessage::setProperty(const ZoString& name, ZO_BYTE value) {
  XtrMethod trace("ZoMessage :: setProperty( const ZoString &, ZO_BYTE )", *this);
  return setNumber(name, value);
}

ZO_BOOLEAN ZoMessage::setProperty(const char* name, ZO_BYTE value) {
  XtrMethod trace("ZoMessage :: setProperty( const char *, ZO_BYTE )", *this);
  return setProperty(ZoString(name), value);
}

// Property getters: each looks the field up and reports its own outcome.
template <typename Get>
ZO_LONG ZoMessage::getAttribute(const ZoString& name, ZO_LONG notFound, Get get) {
  ZO_LONG result = notFound;
  if (const ZoField* field = lookUp(name)) result = get(*field);
  setErrorCodes(errorCode_);
  return result;
}

namespace {

// The value a field reports for an attribute: its own with attributes on,
// the no-attributes value (and a trace line) without.
ZO_LONG attributeOf(const ZoField& field, ZO_LONG value, ZO_LONG noAttributes) {
  if (field.getHasAttributes()) return value;
  XTR_TEXTF("Field %s does not support extended attributes", field.getName().text());
  return noAttributes;
}

}  // namespace

ZO_LONG ZoMessage::getDataType(const ZoString& name) {
  XtrMethod trace("ZoMessage :: getDataType( const ZoString & )", *this);
  return getAttribute(name, ZODT_NONE, [](const ZoField& f) { return f.getDataType(); });
}

ZO_LONG ZoMessage::getDataType(const char* name) {
  XtrMethod trace("ZoMessage :: getDataType( const char * )", *this);
  return getDataType(ZoString(name));
}

ZO_LONG ZoMessage::getLength(const ZoString& name) {
  XtrMethod trace("ZoMessage :: getLength( const ZoString & )", *this);
  return getAttribute(name, 0, [](const ZoField& f) { return f.getLength(); });
}

ZO_LONG ZoMessage::getLength(const char* name) {
  XtrMethod trace("ZoMessage :: getLength( const char * )", *this);
  return getLength(ZoString(name));
}

ZO_LONG ZoMessage::getSegment(const ZoString& name) {
  XtrMethod trace("ZoMessage :: getSegment( const ZoString & )", *this);
  return getAttribute(name, 0, [](const ZoField& f) { return f.getSegment(); });
}

ZO_LONG ZoMessage::getSegment(const char* name) {
  XtrMethod trace("ZoMessage :: getSegment( const char * )", *this);
  return getSegment(ZoString(name));
}

ZO_LONG ZoMessage::getColor(const ZoString& name) {
  XtrMethod trace("ZoMessage :: getColor( const ZoString & )", *this);
  return getAttribute(name, 0, [](const ZoField& f) {
    return attributeOf(f, f.getColor(), ZO_COLOR_NO_ATTRIBUTES);
  });
}

ZO_LONG ZoMessage::getColor(const char* name) {
  XtrMethod trace("ZoMessage :: getColor( const char * )", *this);
  return getColor(ZoString(name));
}

ZO_LONG ZoMessage::getIntensity(const ZoString& name) {
  XtrMethod trace("ZoMessage :: getIntensity( const ZoString & )", *this);
  return getAttribute(name, ZO_INTENSITY_DEFAULT, [](const ZoField& f) {
    return attributeOf(f, f.getIntensity(), ZO_INTENSITY_NO_ATTRIBUTES);
  });
}

ZO_LONG ZoMessage::getIntensity(const char* name) {
  XtrMethod trace("ZoMessage :: getIntensity( const char * )", *this);
  return getIntensity(ZoString(name));
}

ZO_LONG ZoMessage::getHighLight(const ZoString& name) {
  XtrMethod trace("ZoMessage :: getHighLight( const ZoString & )", *this);
  return getAttribute(name, ZO_HIGHLIGHT_DEFAULT, [](const ZoField& f) {
    return attributeOf(f, f.getHighLight(), ZO_HIGHLIGHT_NO_ATTRIBUTES);
  });
}

ZO_LONG ZoMessage::getHighLight(const char* name) {
  XtrMethod trace("ZoMessage :: getHighLight( const char * )", *this);
  return getHighLight(ZoString(name));
}

ZO_LONG ZoMessage::getProtection(const ZoString& name) {
  XtrMethod trace("ZoMessage :: getProtection( const ZoString & )", *this);
  return getAttribute(name, ZO_PROTECTION_DEFAULT, [](const ZoField& f) -> ZO_LONG {
    if (f.getDataType() == ZODT_SYSTEM_AUTHENTICATOR) {
      XTR_TEXTF("Field %s is a SYSTEM AUTHENTICATOR deemed PROTECTED", f.getName().text());
      return ZO_PROTECTION_PROTECTED;
    }
    return attributeOf(f, f.getProtection(), ZO_PROTECTION_NO_ATTRIBUTES);
  });
}

ZO_LONG ZoMessage::getProtection(const char* name) {
  XtrMethod trace("ZoMessage :: getProtection( const char * )", *this);
  return getProtection(ZoString(name));
}
