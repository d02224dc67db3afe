#pragma once
// Field definition: the name, type, length, screen position, segment, display
// defaults, input flags and initial value of one field of a message. A
// passive record: it stores what it is given, checks only its name, and keeps
// the code of its last failure (0 = none).

#include "../common/vexo_export.h"
#include "../common/zo_types.h"
#include "../defs/zo_data_types.h"
#include "../defs/zo_string.h"

// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoFieldDef {
 public:
  // Each constructor sets every field to its default, then stores the name if
  // it passes checkName; an invalid name leaves the name empty and the error
  // code ERR_FLDD_INVALID_NAME.
  ZoFieldDef();
  explicit ZoFieldDef(const ZoString& name);
  explicit ZoFieldDef(const char* name);
  ZoFieldDef(const ZoFieldDef&) = default;
  ZoFieldDef& operator=(const ZoFieldDef&) = default;
  virtual ~ZoFieldDef() = default;

  // The field-name rule (characters, length, reserved names). On failure sets
  // ERR_FLDD_INVALID_NAME and returns FALSE.
  ZO_BOOLEAN checkName(const ZoString& name);
  // Stores the name when it passes checkName (clearing the code); otherwise the
  // name is unchanged and the code stays ERR_FLDD_INVALID_NAME.
  ZO_BOOLEAN setName(const ZoString& name);
  ZO_BOOLEAN setName(const char* name);

  // Setters without checks: each clears the error code and stores its argument.
  void setDescription(const ZoString& description);
  void setDescription(const char* description);
  void setBaseName(const ZoString& baseName);
  void setBaseName(const char* baseName);
  void setSegment(ZO_LONG segment);
  void setDataType(ZO_LONG dataType);
  void setLength(ZO_LONG length);
  void setRow(ZO_LONG row);
  void setColumn(ZO_LONG column);
  void setHasAttributes(ZO_BOOLEAN hasAttributes);
  void setPadCharacter(ZO_BYTE padCharacter);
  void setAlignment(ZO_LONG alignment);
  // Display defaults a field built from the definition starts with when it
  // has attributes (ranges in defs/zo_data_types.h; not checked here).
  void setColor(ZO_LONG color);
  void setIntensity(ZO_LONG intensity);
  void setHighLight(ZO_LONG highLight);
  void setProtection(ZO_LONG protection);

  // Initial value; each form clears the error code and sets the data type to
  // its own (ZODT_LONG, ZODT_SHORT, ZODT_BYTE). A text sets ZODT_STRING unless
  // the type is already ZODT_AUTHENTICATOR or ZODT_SYSTEM_AUTHENTICATOR, so a
  // reader sets such a type first and then the value.
  void setValue(ZO_LONG value);
  void setValue(ZO_SHORT value);
  void setValue(ZO_BYTE value);
  void setValue(const ZoString& value);
  void setValue(const char* value);

  const ZoString& getName() const { return name_; }
  const ZoString& getDescription() const { return description_; }
  ZO_LONG getSegment() const { return segment_; }
  ZO_ULONG getErrorCode() const { return errorCode_; }
  const ZoString& getBaseName() const { return baseName_; }
  ZO_LONG getDataType() const { return dataType_; }
  ZO_LONG getLength() const { return length_; }
  ZO_LONG getRow() const { return row_; }
  ZO_LONG getColumn() const { return column_; }
  ZO_BOOLEAN getHasAttributes() const { return hasAttributes_; }
  ZO_LONG getLongValue() const { return longValue_; }
  ZO_SHORT getShortValue() const { return shortValue_; }
  const ZoString& getStringValue() const { return stringValue_; }
  ZO_BYTE getByteValue() const { return byteValue_; }
  ZO_BYTE getPadCharacter() const { return padCharacter_; }
  ZO_LONG getAlignment() const { return alignment_; }
  ZO_LONG getColor() const { return color_; }
  ZO_LONG getIntensity() const { return intensity_; }
  ZO_LONG getHighLight() const { return highLight_; }
  ZO_LONG getProtection() const { return protection_; }
  // Whether any display default differs from the one a new field holds.
  bool hasDisplayDefaults() const;

  static constexpr ZO_LONG DEFAULT_SEGMENT = 1;

  // Input flags of the screen: the field takes digits only, and the cursor
  // starts in it. Off in a new field; stored without checks (each setter
  // clears the error code).
  void setNumeric(ZO_BOOLEAN numeric);
  ZO_BOOLEAN getNumeric() const { return numeric_; }
  void setCursor(ZO_BOOLEAN cursor);
  ZO_BOOLEAN getCursor() const { return cursor_; }
  // Whether either input flag is on.
  bool hasInputFlags() const { return numeric_ != ZO_FALSE || cursor_ != ZO_FALSE; }

 private:
  void initName(const ZoString& name);

  ZoString name_;
  ZoString description_;
  ZO_LONG segment_ = DEFAULT_SEGMENT;
  ZO_ULONG errorCode_ = 0;
  ZoString baseName_;
  ZO_LONG dataType_ = ZODT_NONE;
  ZO_LONG length_ = 0;
  ZO_LONG row_ = 0;
  ZO_LONG column_ = 0;
  ZO_BOOLEAN hasAttributes_ = ZO_FALSE;
  ZO_LONG longValue_ = 0;
  ZO_SHORT shortValue_ = 0;
  ZoString stringValue_;
  ZO_BYTE byteValue_ = 0;
  ZO_BYTE padCharacter_ = ZO_PAD_BLANK;
  ZO_LONG alignment_ = ZO_ALIGN_1;
  ZO_LONG color_ = ZO_COLOR_DEFAULT;
  ZO_LONG intensity_ = ZO_INTENSITY_DEFAULT;
  ZO_LONG highLight_ = ZO_HIGHLIGHT_DEFAULT;
  ZO_LONG protection_ = ZO_PROTECTION_DEFAULT;
  ZO_BOOLEAN numeric_ = ZO_FALSE;
  ZO_BOOLEAN cursor_ = ZO_FALSE;
};
