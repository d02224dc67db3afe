#include "textdb/zo_text_database.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "session/zo_encoding.h"

namespace {

// Keywords of a service-definition section.
constexpr const char* kServiceStep = "ServiceStep";
constexpr const char* kCharacterSet = "CharacterSet";
constexpr const char* kConnectionManager = "ConnectionManager";
constexpr const char* kEncoding = "Encoding";
constexpr const char* kInboundConnection = "InboundConnection";
constexpr const char* kOutboundConnection = "OutboundConnection";
constexpr const char* kSystemName = "SystemName";
constexpr const char* kServiceType = "ServiceType";
// Keywords of a message-definition section.
constexpr const char* kFormat = "Format";
constexpr const char* kRowCount = "RowCount";
constexpr const char* kColumnCount = "ColumnCount";
constexpr const char* kFieldList = "FieldList";
// ScreenText1, ScreenText2, ...: the screen's texts, up to the first number missing.
constexpr const char* kScreenText = "ScreenText";
// Keywords of a field-definition section.
constexpr const char* kDataType = "DataType";
constexpr const char* kValue = "Value";
constexpr const char* kAlignment = "Alignment";
constexpr const char* kRow = "Row";
constexpr const char* kColumn = "Column";
constexpr const char* kSegment = "Segment";
constexpr const char* kLength = "Length";
constexpr const char* kDescription = "Description";
constexpr const char* kPadCharacter = "PadCharacter";
constexpr const char* kHasAttributes = "HasAttributes";
// Display defaults of a field, as numbers (ranges in defs/zo_data_types.h).
constexpr const char* kColor = "Color";
constexpr const char* kIntensity = "Intensity";
constexpr const char* kHighLight = "HighLight";
constexpr const char* kProtection = "Protection";

// "CharacterSet = Local" stands for the local character set, 0.
constexpr const char* kLocal = "Local";
constexpr ZO_LONG kLocalCharacterSet = 0;
// Pad character names.
constexpr const char* kPadNull = "NULL";
constexpr const char* kPadSpace = "SPACE";
constexpr const char* kFalse = "FALSE";
// Separates the alias from the definition name in a FieldList token.
constexpr char kAliasSeparator = '.';

// The texts of the bounds of each numeric type.
struct NumericBounds {
  ZO_LONG dataType;
  std::string_view positive;
  std::string_view negative;
};
constexpr NumericBounds kNumericBounds[] = {
    {ZODT_SHORT, "32767", "-32768"},
    {ZODT_LONG, "2147483647", "-2147483648"},
    {ZODT_BYTE, "127", "-128"},
};

// Service types by name and by number.
struct ServiceTypeName {
  const char* name;
  const char* number;
  ZO_LONG type;
};
constexpr ServiceTypeName kServiceTypes[] = {
    {"ZOST_RK", "0", ZOST_RK},
    {"ZOST_PLV_VIA_RK", "1", ZOST_PLV_VIA_RK},
    {"ZOST_KOVA_XPC_VIA_RK", "2", ZOST_KOVA_XPC_VIA_RK},
    {"ZOST_KOVA_XPC_DIRECT", "3", ZOST_KOVA_XPC_DIRECT},
    {"ZOST_KOVA_8631_DIRECT", "4", ZOST_KOVA_8631_DIRECT},
};

// Removes every blank of `value`.
void removeBlanks(ZoString& value) {
  std::string compact(value.text());
  compact.erase(std::remove(compact.begin(), compact.end(), ' '), compact.end());
  value = compact.c_str();
}

// Number of tokens of a comma-separated list (empty ones counted).
ZO_LONG tokenCount(const ZoString& list) {
  const std::string_view text(list.text());
  return static_cast<ZO_LONG>(std::count(text.begin(), text.end(), ZoConfig::LIST_SEPARATOR)) + 1;
}

// Converts a text that checkNumericBounds accepted; it fits a ZO_LONG.
ZO_LONG toLong(const ZoString& checked) {
  return static_cast<ZO_LONG>(std::strtoll(checked.text(), nullptr, 10));
}

}  // namespace

ZoTextDatabase::ZoTextDatabase(const ZoSession& session) : ZoDatabase(session) {
  XTR_METHOD("ZoTextDatabase :: ZoTextDatabase( const ZoSession & )", errorCode_);
}

ZoTextDatabase::~ZoTextDatabase() {
  XTR_METHOD("ZoTextDatabase :: ~ZoTextDatabase()", errorCode_);
  if (config_.isOpen()) config_.close();
}

ZO_BOOLEAN ZoTextDatabase::open(const ZoString& databaseName, const ZoString& serverName) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: open( ZoString & )", errorCode_);
  XTR_TEXTF("Server name %s is ignored", serverName.text());
  config_.open(databaseName);
  dbErrorCode_ = static_cast<ZO_LONG>(config_.getErrorCode());
  if (config_.getErrorCode() != 0) return fail(ERR_DB_OPEN_DB_FAILED);
  return succeeded();
}

ZO_BOOLEAN ZoTextDatabase::close() {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: close()", errorCode_);
  config_.close();
  dbErrorCode_ = static_cast<ZO_LONG>(config_.getErrorCode());
  if (config_.getErrorCode() != 0) return fail(ERR_DB_CLOSE_DB_FAILED);
  return succeeded();
}

ZO_BOOLEAN ZoTextDatabase::checkRead(ZoString& value, ZO_LONG dataType, const char* keyword,
                                     ZO_ULONG readCode) {
  if (readCode != 0) {
    dbErrorCode_ = static_cast<ZO_LONG>(readCode);
    // A missing section means the definition itself is missing.
    errorCode_ = readCode == ERR_CONF_SECTION_NOT_FOUND ? ERR_DB_KEYWORD_NOT_FOUND
                                                        : ERR_DB_READ_DB_FAILED;
    XTR_TEXTF("reading <<< %s >>> failed", keyword);
    return succeeded();
  }
  if (dataType < ZODT_STRING || dataType > ZODT_SYSTEM_AUTHENTICATOR) {
    errorCode_ = ERR_DB_INVALID_DATATYPE;
    XTR_TEXTF("checkRead() called with incorrect dataType %ld", static_cast<long>(dataType));
  } else if (dataType == ZODT_SHORT || dataType == ZODT_LONG || dataType == ZODT_BYTE) {
    checkNumericBounds(value, dataType, keyword);
  }
  dbErrorCode_ = static_cast<ZO_LONG>(errorCode_);
  return succeeded();
}

ZO_BOOLEAN ZoTextDatabase::checkNumericBounds(ZoString& value, ZO_LONG dataType,
                                              const char* keyword) {
  // Blanks go first, so that "1 2 3" reads as 123.
  removeBlanks(value);
  const std::string compact(value.text());
  const std::string_view text(compact);
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  bool numeric = !digits.empty();
  for (char c : digits) {
    if (c < '0' || c > '9') numeric = false;
  }
  if (!numeric) {
    errorCode_ = ERR_DB_DATA_MISMATCH;
    XTR_TEXTF("%s should be numeric, but is in fact %s", keyword, value.text());
    return FALSE;
  }

  const NumericBounds* bounds = nullptr;
  for (const NumericBounds& entry : kNumericBounds) {
    if (entry.dataType == dataType) bounds = &entry;
  }
  if (bounds == nullptr) {
    errorCode_ = ERR_DB_INVALID_DATATYPE;
    XTR_TEXTF("checkNumericBounds() called with incorrect dataType %ld",
              static_cast<long>(dataType));
    return FALSE;
  }

  const std::string_view bound = negative ? bounds->negative : bounds->positive;
  const std::string boundText(bound);
  if (text.size() > bound.size()) {
    errorCode_ = ERR_DB_DATA_OVERFLOW;
    if (negative) {
      XTR_TEXTF("Negative %s exceeds %s since it is a longer string", keyword, boundText.c_str());
    } else {
      XTR_TEXTF("Positive %s exceeds %s since it is a longer string", keyword, boundText.c_str());
    }
    return FALSE;
  }
  if (text.size() == bound.size()) {
    // Same length: the first differing digit decides.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == bound[i]) continue;
      if (text[i] < bound[i]) break;
      errorCode_ = ERR_DB_DATA_OVERFLOW;
      if (negative) {
        XTR_TEXTF("Negative %s exceeds %s numerically", keyword, boundText.c_str());
      } else {
        XTR_TEXTF("Positive %s value exceeds %s numerically", keyword, boundText.c_str());
      }
      return FALSE;
    }
  }
  return TRUE;
}

ZoTextDatabase::Keyword ZoTextDatabase::readOptional(const ZoString& section, const char* keyword,
                                                     ZO_LONG checkType, ZoString& value) {
  value = "";
  config_.read(section.text(), keyword, value);
  const ZO_ULONG readCode = config_.getErrorCode();
  if (readCode == ERR_CONF_KEYWORD_NOT_FOUND) return Keyword::ABSENT;
  return checkRead(value, checkType, keyword, readCode) ? Keyword::PRESENT : Keyword::FAILED;
}

ZoTextDatabase::Keyword ZoTextDatabase::readNumber(const ZoString& section, const char* keyword,
                                                   ZO_LONG& number) {
  ZoString value;
  const Keyword outcome = readOptional(section, keyword, ZODT_LONG, value);
  if (outcome == Keyword::PRESENT) number = toLong(value);
  return outcome;
}

void ZoTextDatabase::unknownValue(const ZoString& value, const char* keyword) {
  errorCode_ = ERR_DB_DATA_MISMATCH;
  XTR_TEXTF("Unknown value <<< %s >>> for keyword %s", value.text(), keyword);
}

ZO_BOOLEAN ZoTextDatabase::read(ZoServiceDef& definition) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: read( ZoServiceDef & )", errorCode_);
  const ZoString section = definition.getServiceName();
  ZoString value;

  Keyword outcome = readOptional(section, kServiceStep, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) definition.setServiceStep(value);

  outcome = readOptional(section, kCharacterSet, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) {
    if (value.compareNoCase(kLocal) == 0) {
      definition.setCharacterSet(kLocalCharacterSet);
    } else {
      // A character set is taken by its value, whatever zeros lead it.
      removeBlanks(value);
      value = zoWithoutLeadingZeros(value.text()).c_str();
      if (!checkRead(value, ZODT_LONG, kCharacterSet, 0)) return FALSE;
      definition.setCharacterSet(toLong(value));
    }
  }

  outcome = readOptional(section, kConnectionManager, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) definition.setConnectionManager(value);

  outcome = readOptional(section, kEncoding, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) {
    ZO_LONG encoding = zoEncodingOfName(value, ZoEncodingNames::PLATFORMS_AND_HOST);
    if (encoding == 0) {
      // A number of digits only is taken as it stands, when it fits.
      ZoString number(value);
      if (value.isNum() && checkNumericBounds(number, ZODT_LONG, kEncoding)) {
        encoding = toLong(number);
      } else if (errorCode_ == 0) {
        unknownValue(value, kEncoding);
      }
    }
    // An unknown value stores 0 and keeps its error: the next keyword present ends the read.
    definition.setEncoding(encoding);
  }

  outcome = readOptional(section, kInboundConnection, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) definition.setInboundConnection(value);

  outcome = readOptional(section, kOutboundConnection, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) definition.setOutboundConnection(value);

  outcome = readOptional(section, kSystemName, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) definition.setSystemName(value);

  outcome = readOptional(section, kServiceType, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) {
    const ServiceTypeName* found = nullptr;
    for (const ServiceTypeName& entry : kServiceTypes) {
      if (value.compareNoCase(entry.name) == 0 || value.compare(entry.number) == 0) {
        found = &entry;
      }
    }
    if (found != nullptr) {
      definition.setServiceType(found->type);
    } else {
      unknownValue(value, kServiceType);
    }
  }
  return succeeded();
}

ZO_BOOLEAN ZoTextDatabase::read(ZoMessageDef& definition) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: read( ZoMessageDef & )", errorCode_);
  const ZoString section = definition.getMessageName();
  ZoString value;

  Keyword outcome = readOptional(section, kFormat, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT && !definition.setFormat(value)) {
    return fail(ERR_DB_READ_DB_FAILED);
  }

  // A count the definition refuses (a negative one) fails the read like a bad
  // format, rather than being dropped without a word.
  ZO_LONG number = 0;
  outcome = readNumber(section, kRowCount, number);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT && !definition.setRowCount(number)) {
    return fail(ERR_DB_READ_DB_FAILED);
  }
  outcome = readNumber(section, kColumnCount, number);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT && !definition.setColumnCount(number)) {
    return fail(ERR_DB_READ_DB_FAILED);
  }

  for (ZO_LONG index = 0;; ++index) {
    ZoString alias;
    config_.read(section.text(), kFieldList, alias, index);
    const ZO_ULONG readCode = config_.getErrorCode();
    if (readCode == ERR_CONF_KEYWORD_NOT_FOUND) break;
    if (readCode == ERR_CONF_INDEX_INVALID) {
      // The list is over only past its last token; an empty token within it
      // (the whole list is in `alias` now) means the list is damaged.
      if (index >= tokenCount(alias)) break;
      XTR_TEXTF("FieldList token %ld is empty", static_cast<long>(index));
      return fail(ERR_DB_READ_DB_FAILED);
    }
    if (readCode != 0) {
      checkRead(alias, ZODT_STRING, kFieldList, readCode);
      return FALSE;
    }
    ZoString name;
    const bool paired = alias.contains(kAliasSeparator) == TRUE;
    alias.split(kAliasSeparator, name);
    if (!paired) name = alias;
    // A token that is no valid pair of field names ("A.", ".B" included)
    // fails the read instead of leaving the field out of the definition.
    if (!definition.addFieldNames(alias, name)) return fail(ERR_DB_READ_DB_FAILED);
  }
  return readScreenTexts(section, definition) ? succeeded() : FALSE;
}

bool ZoTextDatabase::readScreenTexts(const ZoString& section, ZoMessageDef& definition) {
  definition.clearScreenTexts();
  for (ZO_LONG number = 1;; ++number) {
    const std::string keyword = kScreenText + std::to_string(number);
    ZoString value;
    const Keyword outcome = readOptional(section, keyword.c_str(), ZODT_STRING, value);
    if (outcome == Keyword::ABSENT) return true;
    if (outcome == Keyword::FAILED) return false;
    ZoScreenText text;
    if (!zoScreenTextFromEntry(value.text(), text)) {
      XTR_TEXTF("%s is not row,column,length,color,intensity,highlight,protection,text: %s", keyword.c_str(),
                value.text());
      definition.clearScreenTexts();
      fail(ERR_DB_READ_DB_FAILED);
      return false;
    }
    // Quotes keep blanks at the ends of the text.
    const ZO_LONG length = text.text.length();
    if (length >= 2 && text.text.text()[0] == '"' && text.text.text()[length - 1] == '"') {
      text.text = std::string(text.text.text() + 1, static_cast<std::size_t>(length - 2)).c_str();
    }
    definition.addScreenText(text);
  }
}

ZO_BOOLEAN ZoTextDatabase::read(ZoFieldDef& definition) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: read( ZoFieldDef & )", errorCode_);
  const ZoString section = definition.getName();
  ZoString value;

  config_.read(section.text(), kDataType, value);
  if (config_.getErrorCode() != 0) {
    dbErrorCode_ = static_cast<ZO_LONG>(config_.getErrorCode());
    XTR_TEXTF("Reading section = <<< %s >>> keyword = <<< %s >>> failed", section.text(),
              kDataType);
    return fail(ERR_DB_KEYWORD_NOT_FOUND);
  }
  const ZoString typeName(value);
  const ZO_LONG dataType = zoDataTypeFromKeyword(typeName);
  switch (dataType) {
    case ZODT_LONG:
      definition.setValue(static_cast<ZO_LONG>(0));
      break;
    case ZODT_SHORT:
      definition.setValue(static_cast<ZO_SHORT>(0));
      break;
    case ZODT_BYTE:
      definition.setValue(static_cast<ZO_BYTE>(0));
      break;
    case ZODT_STRING:
      definition.setValue("");
      break;
    case ZODT_AUTHENTICATOR:
    case ZODT_SYSTEM_AUTHENTICATOR:
      definition.setDataType(dataType);
      definition.setValue("");
      break;
    default:
      break;  // nothing is set; the type counts as ZODT_NONE
  }

  value = "";
  config_.read(section.text(), kValue, value);
  const ZO_ULONG valueCode = config_.getErrorCode();
  if (valueCode != ERR_CONF_KEYWORD_NOT_FOUND) {
    switch (dataType) {
      case ZODT_SHORT:
        if (!checkRead(value, ZODT_SHORT, kValue, valueCode)) return FALSE;
        definition.setValue(static_cast<ZO_SHORT>(toLong(value)));
        break;
      case ZODT_LONG:
        if (!checkRead(value, ZODT_LONG, kValue, valueCode)) return FALSE;
        definition.setValue(toLong(value));
        break;
      case ZODT_BYTE:
        if (!checkRead(value, ZODT_BYTE, kValue, valueCode)) return FALSE;
        definition.setValue(static_cast<ZO_BYTE>(toLong(value)));
        break;
      case ZODT_STRING:
      case ZODT_AUTHENTICATOR:
      case ZODT_SYSTEM_AUTHENTICATOR:
        if (!checkRead(value, ZODT_STRING, kValue, valueCode)) return FALSE;
        definition.setValue(value);
        break;
      default:
        if (valueCode != 0) {
          checkRead(value, ZODT_STRING, kValue, valueCode);
          return FALSE;
        }
        XTR_TEXTF("Field %s has invalid datatype value = %s", section.text(), typeName.text());
        return fail(ERR_DB_INVALID_DATATYPE);
    }
  }

  struct NumericProperty {
    const char* keyword;
    void (ZoFieldDef::*set)(ZO_LONG);
  };
  static constexpr NumericProperty kNumericProperties[] = {
      {kAlignment, &ZoFieldDef::setAlignment}, {kRow, &ZoFieldDef::setRow},
      {kColumn, &ZoFieldDef::setColumn},       {kSegment, &ZoFieldDef::setSegment},
      {kLength, &ZoFieldDef::setLength},       {kColor, &ZoFieldDef::setColor},
      {kIntensity, &ZoFieldDef::setIntensity}, {kHighLight, &ZoFieldDef::setHighLight},
      {kProtection, &ZoFieldDef::setProtection},
  };
  for (const NumericProperty& property : kNumericProperties) {
    ZO_LONG number = 0;
    const Keyword outcome = readNumber(section, property.keyword, number);
    if (outcome == Keyword::FAILED) return FALSE;
    if (outcome == Keyword::PRESENT) (definition.*property.set)(number);
  }

  Keyword outcome = readOptional(section, kDescription, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) definition.setDescription(value);

  outcome = readOptional(section, kPadCharacter, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) {
    if (value.compareNoCase(kPadNull) == 0) {
      definition.setPadCharacter(ZO_PAD_ZERO);
    } else {
      if (value.compareNoCase(kPadSpace) != 0) {
        XTR_TEXTF("Pad character <<< %s >> is unknown, resetting to SPACE", value.text());
      }
      definition.setPadCharacter(ZO_PAD_BLANK);
    }
  }

  outcome = readOptional(section, kHasAttributes, ZODT_STRING, value);
  if (outcome == Keyword::FAILED) return FALSE;
  if (outcome == Keyword::PRESENT) {
    definition.setHasAttributes(value.compareNoCase(kFalse) == 0 ? FALSE : TRUE);
  }
  return succeeded();
}

ZO_BOOLEAN ZoTextDatabase::notSupported() { return fail(ERR_DB_NOT_SUPPORTED); }

ZO_BOOLEAN ZoTextDatabase::write(ZoServiceDef& definition, ZO_BOOLEAN replace) {
  clearCodes();
  XtrMethod trace("ZoTextDatabase :: write( ZoServiceDef &, ZO_BOOLEAN )",
                  "ZoTextDatabase :: write( ZoServiceDef & )", errorCode_);
  XTR_TEXTF("Write with REPLACE = %d of ZoServiceDef = %s is not supported",
            static_cast<int>(replace), definition.getServiceName().text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::write(ZoServiceDef& definition) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: write( ZoServiceDef & )", errorCode_);
  XTR_TEXTF("Write of ZoServiceDef = %s is not supported", definition.getServiceName().text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::write(ZoFieldDef& definition, ZO_BOOLEAN replace) {
  clearCodes();
  XtrMethod trace("ZoTextDatabase :: write( ZoFieldDef &, ZO_BOOLEAN )",
                  "ZoTextDatabase :: write( ZoFieldDef & )", errorCode_);
  XTR_TEXTF("Write with REPLACE = %d of ZoFieldDef = %s is not supported",
            static_cast<int>(replace), definition.getName().text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::write(ZoFieldDef& definition) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: write( ZoFieldDef & )", errorCode_);
  XTR_TEXTF("Write of ZoFieldDef = %s is not supported", definition.getName().text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::write(ZoMessageDef& definition, ZO_BOOLEAN replace) {
  clearCodes();
  XtrMethod trace("ZoTextDatabase :: write( ZoMessageDef &, ZO_BOOLEAN )",
                  "ZoTextDatabase :: write( ZoMessageDef & )", errorCode_);
  XTR_TEXTF("Write with REPLACE = %d for ZoMessageDef = %s is not supported",
            static_cast<int>(replace), definition.getMessageName().text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::write(ZoMessageDef& definition) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: write( ZoMessageDef & )", errorCode_);
  XTR_TEXTF("Write of ZoMessageDef = %s is not supported", definition.getMessageName().text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::deleteSvc(const ZoString& serviceName) {
  clearCodes();
  XtrMethod trace("ZoTextDatabase :: deleteSvc ( ZoString & )",
                  "ZoTextDatabase :: deleteSvc( ZoString & )", errorCode_);
  XTR_TEXTF("deleteSvc for %s is not supported", serviceName.text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::deleteMsg(const ZoString& messageName) {
  clearCodes();
  XtrMethod trace("ZoTextDatabase :: deleteMsg ( ZoString & )",
                  "ZoTextDatabase :: deleteMsg( ZoString & )", errorCode_);
  XTR_TEXTF("deleteMsg for %s is not supported", messageName.text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::deleteMsgFlds(const ZoString& messageName) {
  clearCodes();
  XtrMethod trace("ZoTextDatabase :: deleteMsgFlds ( ZoString & )",
                  "ZoTextDatabase :: deleteMsgFlds ( ZoString & ) ", errorCode_);
  XTR_TEXTF("deleteMsgFlds for %s is not supported", messageName.text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::deleteBuiltMsg(const ZoString& messageName) {
  clearCodes();
  XtrMethod trace("ZoTextDatabase :: deleteBuiltMsg ( ZoString & )",
                  "ZoTextDatabase :: deleteBuiltMsg ( ZoString & ) ", errorCode_);
  XTR_TEXTF("deleteBuiltMsg for %s is not supported", messageName.text());
  return notSupported();
}

ZO_BOOLEAN ZoTextDatabase::listMessageNames(std::vector<ZoString>& names) {
  clearCodes();
  XTR_METHOD("ZoTextDatabase :: listMessageNames", errorCode_);
  names.clear();
  std::vector<std::string> sections;
  if (!config_.sectionNames(sections)) {
    dbErrorCode_ = static_cast<ZO_LONG>(config_.getErrorCode());
    return fail(ERR_DB_READ_DB_FAILED);
  }
  static constexpr const char* kMessageKeywords[] = {kFormat, kFieldList, kRowCount, kColumnCount};
  for (const std::string& section : sections) {
    for (const char* keyword : kMessageKeywords) {
      ZoString value;
      config_.read(section.c_str(), keyword, value);
      const ZO_ULONG readCode = config_.getErrorCode();
      if (readCode == ERR_CONF_KEYWORD_NOT_FOUND) continue;
      // A keyword without a value still marks the section as a message.
      if (readCode != 0 && readCode != ERR_CONF_VALUE_NOT_SPECIFIED) {
        names.clear();
        dbErrorCode_ = static_cast<ZO_LONG>(readCode);
        return fail(ERR_DB_READ_DB_FAILED);
      }
      names.emplace_back(section.c_str());
      break;
    }
  }
  return succeeded();
}
