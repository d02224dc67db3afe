#pragma once
// Message definition: a message's name, description, format, screen size and
// the ordered list of its fields as (alias, name) pairs. The alias is the name
// of the field in a message built from the definition; the name is that of the
// field definition describing it. A passive record that keeps the code of its
// last failure (0 = none).

#include <string>
#include <vector>

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_data_types.h"
#include "../defs/zo_string.h"

// A text of the screen the message was taken from (a caption, a heading): not
// a field of the message, kept with the definition so the screen can be shown
// as designed. Display attributes as a field definition's display defaults.
// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
struct ZoScreenText {
  ZO_LONG row = 0;
  ZO_LONG column = 0;
  ZO_LONG length = 0;
  ZoString text;
  ZO_LONG color = ZO_COLOR_DEFAULT;
  ZO_LONG intensity = ZO_INTENSITY_DEFAULT;
  ZO_LONG highLight = ZO_HIGHLIGHT_DEFAULT;
  ZO_LONG protection = ZO_PROTECTION_DEFAULT;

  // Written out: the public headers compile as C++17.
  bool operator==(const ZoScreenText& other) const {
    return row == other.row && column == other.column && length == other.length && text == other.text &&
           color == other.color && intensity == other.intensity && highLight == other.highLight &&
           protection == other.protection;
  }
};

// A screen text as one line of text, as the stores keep it: row, column,
// length, color, intensity, highlight and protection in decimal, each followed
// by a comma, then the text itself (which may hold commas).
VEXO_API std::string zoScreenTextEntry(const ZoScreenText& text);
// The reverse; false for a line that is not in that form (the text is then
// left as it was, or partly set).
VEXO_API bool zoScreenTextFromEntry(const char* entry, ZoScreenText& text);

// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
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

  // The screen's own texts, in the order they were added.
  void addScreenText(const ZoScreenText& text) { screenTexts_.push_back(text); }
  void clearScreenTexts() { screenTexts_.clear(); }
  const std::vector<ZoScreenText>& getScreenTexts() const { return screenTexts_; }

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
  std::vector<ZoScreenText> screenTexts_;
};
