#pragma once
// Message definition: a message's name, description, format, screen size and
// the ordered list of its fields as (alias, name) pairs. The alias is the name
// of the field in a message built from the definition; the name is that of the
// field definition describing it. A passive record that keeps the code of its
// last failure (0 = none).

#include "common/vexo_export.h"
#include "common/zo_types.h"
#include "defs/zo_string.h"

class VEXO_API ZoMessageDef {
 public:
  // Each constructor clears the counts and the code, then stores the name if it
  // passes checkName; an invalid name leaves the name empty and the error code
  // ERR_MSGD_INVALID_NAME.
  explicit ZoMessageDef(const ZoString& name);
  explicit ZoMessageDef(const char* name);
  ZoMessageDef(const ZoMessageDef&) = default;
  ZoMessageDef& operator=(const ZoMessageDef&) = default;
  virtual ~ZoMessageDef() = default;

  // The message-name rule; on failure sets ERR_MSGD_INVALID_NAME.
  ZO_BOOLEAN checkName(const ZoString& name);
  // The field-name rule; on failure sets ERR_MSGD_INVALID_FIELD_NAME.
  ZO_BOOLEAN checkFieldName(const ZoString& name);

  // Stores the name when it passes checkName; otherwise it is unchanged.
  ZO_BOOLEAN setMessageName(const ZoString& name);
  ZO_BOOLEAN setMessageName(const char* name);
  void setDescription(const ZoString& description);
  void setDescription(const char* description);
  // A negative count sets ERR_MSGD_INVALID_ROW_COUNT / ..._COLUMN_COUNT and
  // keeps the old one. TRUE when stored.
  ZO_BOOLEAN setRowCount(ZO_LONG rowCount);
  ZO_BOOLEAN setColumnCount(ZO_LONG columnCount);
  // At most ZO_MAX_FORMAT characters, letters, digits and underscore followed by
  // blanks only (isAlNumPad); otherwise ERR_MSGD_INVALID_FORMAT and the old
  // format stays. TRUE when stored.
  ZO_BOOLEAN setFormat(const ZoString& format);
  ZO_BOOLEAN setFormat(const char* format);

  // Appends the pair of one more field. Both must be non-empty valid field
  // names, else ERR_MSGD_INVALID_FIELD_NAME and nothing changes. Duplicates are
  // not looked for.
  ZO_BOOLEAN addFieldNames(const ZoString& alias, const ZoString& name);
  ZO_BOOLEAN addFieldNames(const char* alias, const char* name);
  // Copies the pair of field `index` into the out-arguments. An index outside
  // 0..field count-1 sets ERR_MSGD_INVALID_INDEX and leaves them unchanged.
  ZO_BOOLEAN getFieldNames(ZoString& alias, ZoString& name, ZO_LONG index);

  const ZoString& getMessageName() const { return messageName_; }
  const ZoString& getDescription() const { return description_; }
  const ZoString& getFormat() const { return format_; }
  ZO_LONG getFieldCount() const { return fieldCount_; }
  ZO_LONG getRowCount() const { return rowCount_; }
  ZO_LONG getColumnCount() const { return columnCount_; }
  ZO_ULONG getErrorCode() const { return errorCode_; }

 private:
  void initName(const ZoString& name);

  ZoString messageName_;
  ZoString description_;
  ZoString format_;
  ZO_LONG fieldCount_ = 0;
  ZO_LONG rowCount_ = 0;
  ZO_LONG columnCount_ = 0;
  ZO_ULONG errorCode_ = 0;
  ZoStringArray aliases_;
  ZoStringArray names_;
};
