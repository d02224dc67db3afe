#include "defs/zo_message_def.h"

#include <limits>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_names.h"

namespace {
constexpr ZoNameTraceLines kNameLines{
    "Name contains invalid characters",
    "Name exceeds maximum length = %d",
    nullptr,
};
constexpr ZoNameTraceLines kFieldNameLines{
    "Field name contains invalid characters",
    "Field name exceeds maximum length = %d",
    "Field name is reserved: %s",
};
}  // namespace

ZoMessageDef::ZoMessageDef(const ZoString& name) {
  const ZO_ULONG reported = 0;  // the constructors trace 0 on exit whatever the name gave
  XTR_METHOD("ZoMessageDef :: ZoMessageDef( const ZoString & )", reported);
  initName(name);
}

ZoMessageDef::ZoMessageDef(const char* name) {
  const ZO_ULONG reported = 0;
  XTR_METHOD("ZoMessageDef :: ZoMessageDef( const char * )", reported);
  initName(ZoString(name));
}

void ZoMessageDef::initName(const ZoString& name) {
  if (checkName(name)) messageName_ = name;
}

ZO_BOOLEAN ZoMessageDef::checkName(const ZoString& name) {
  if (zoCheckMessageName(name, kNameLines)) return TRUE;
  return zoSetOutcome(errorCode_, ERR_MSGD_INVALID_NAME);
}

ZO_BOOLEAN ZoMessageDef::checkFieldName(const ZoString& name) {
  if (zoCheckFieldName(name, kFieldNameLines)) return TRUE;
  return zoSetOutcome(errorCode_, ERR_MSGD_INVALID_FIELD_NAME);
}

ZO_BOOLEAN ZoMessageDef::setMessageName(const ZoString& name) {
  XTR_METHOD("ZoMessageDef :: setMessageName( const ZoString & )", errorCode_);
  errorCode_ = 0;
  if (checkName(name)) messageName_ = name;
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessageDef::setMessageName(const char* name) {
  XTR_METHOD("ZoMessageDef :: setMessageName( const char * )", errorCode_);
  return setMessageName(ZoString(name));
}

void ZoMessageDef::setDescription(const ZoString& description) {
  XTR_METHOD("ZoMessageDef :: setDescription( const ZoString & )", errorCode_);
  errorCode_ = 0;
  description_ = description;
}

void ZoMessageDef::setDescription(const char* description) {
  XTR_METHOD("ZoMessageDef :: setDescription( const char * )", errorCode_);
  setDescription(ZoString(description));
}

ZO_BOOLEAN ZoMessageDef::setRowCount(ZO_LONG rowCount) {
  XTR_METHOD("ZoMessageDef :: setRowCount", errorCode_);
  errorCode_ = 0;
  if (rowCount < 0)
    errorCode_ = ERR_MSGD_INVALID_ROW_COUNT;
  else
    rowCount_ = rowCount;
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessageDef::setColumnCount(ZO_LONG columnCount) {
  XTR_METHOD("ZoMessageDef :: setColumnCount", errorCode_);
  errorCode_ = 0;
  if (columnCount < 0)
    errorCode_ = ERR_MSGD_INVALID_COLUMN_COUNT;
  else
    columnCount_ = columnCount;
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessageDef::setFormat(const ZoString& format) {
  XTR_METHOD("ZoMessageDef :: setFormat", errorCode_);
  errorCode_ = 0;
  if (!zoCheckFormat(format)) return zoSetOutcome(errorCode_, ERR_MSGD_INVALID_FORMAT);
  format_ = format;
  return TRUE;
}

ZO_BOOLEAN ZoMessageDef::setFormat(const char* format) { return setFormat(ZoString(format)); }

ZO_BOOLEAN ZoMessageDef::addFieldNames(const ZoString& alias, const ZoString& name) {
  XTR_METHOD("ZoMessageDef :: addFieldNames( const ZoString &, const ZoString & )", errorCode_);
  errorCode_ = 0;
  if (alias.length() == 0 || name.length() == 0) {
    XTR_TEXT("Alias and/or name strings are empty");
    errorCode_ = ERR_MSGD_INVALID_FIELD_NAME;
  } else if (checkFieldName(alias) && checkFieldName(name)) {
    aliases_.add(alias);
    names_.add(name);
    ++fieldCount_;
  } else {
    XTR_TEXT("Alias and/or name strings are invalid");
    errorCode_ = ERR_MSGD_INVALID_FIELD_NAME;
  }
  return zoSucceeded(errorCode_);
}

ZO_BOOLEAN ZoMessageDef::addFieldNames(const char* alias, const char* name) {
  XTR_METHOD("ZoMessageDef :: addFieldNames( const char *, const char * )", errorCode_);
  return addFieldNames(ZoString(alias), ZoString(name));
}

ZO_BOOLEAN ZoMessageDef::getFieldNames(ZoString& alias, ZoString& name, ZO_LONG index) {
  XTR_METHOD("ZoMessageDef :: getFieldNames", errorCode_);
  errorCode_ = 0;
  if (index >= 0 && index < fieldCount_) {
    alias = aliases_.get(index);
    name = names_.get(index);
  } else {
    XTR_TEXTF("index %d exceeds current fieldCount %d", static_cast<int>(index), static_cast<int>(fieldCount_));
    errorCode_ = ERR_MSGD_INVALID_INDEX;
  }
  return zoSucceeded(errorCode_);
}

std::string zoScreenTextEntry(const ZoScreenText& text) {
  std::string entry;
  for (ZO_LONG number : {text.row, text.column, text.length, text.color, text.intensity, text.highLight,
                         text.protection}) {
    entry += std::to_string(number);
    entry += ',';
  }
  entry += text.text.text();
  return entry;
}

bool zoScreenTextFromEntry(const char* entry, ZoScreenText& text) {
  ZO_LONG* const numbers[] = {&text.row,       &text.column,    &text.length,    &text.color,
                              &text.intensity, &text.highLight, &text.protection};
  for (ZO_LONG* number : numbers) {
    const char* start = entry;
    if (*entry == '-') ++entry;
    long long value = 0;
    for (; *entry >= '0' && *entry <= '9'; ++entry) {
      value = value * 10 + (*entry - '0');
      if (value > std::numeric_limits<ZO_LONG>::max()) return false;
    }
    if (entry == start || (*start == '-' && entry == start + 1) || *entry != ',') return false;
    *number = static_cast<ZO_LONG>(*start == '-' ? -value : value);
    ++entry;
  }
  text.text = entry;
  return true;
}
