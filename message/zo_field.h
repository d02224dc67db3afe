#pragma once
// ZoField: one field of a message at run time.
//
// A named, typed value with its length, screen position, segment, display
// attributes, pad character and alignment. The field ties the value to its
// type and length: numbers need a minimum length, texts are cut to the
// length, and a zero length is replaced by the length the value needs.
//
// Every setter first clears the error code and leaves in it the outcome (an
// ERR_FLD_* code; ERR_FLD_DATA_TRUNCATED is a warning and the shortened value
// is stored). A failing setter keeps the previous state of its property,
// except setDataType, which stores even an invalid type. The completion code
// and public return code inherited from ZoErrorCodes are set by the owner of
// the field (the message), not by the field itself.

#include "../common/vexo_export.h"
#include "../common/error_codes.h"
#include "../common/zo_types.h"
#include "../defs/zo_data_types.h"
#include "../defs/zo_string.h"

// The ranges of the display attributes are those of defs/zo_data_types.h.

// Minimum lengths of the numeric types.
inline constexpr ZO_LONG ZO_LONG_LENGTH = 4;
inline constexpr ZO_LONG ZO_SHORT_LENGTH = 2;
inline constexpr ZO_LONG ZO_BYTE_LENGTH = 1;
static_assert(ZO_LONG_LENGTH == sizeof(ZO_LONG) && ZO_SHORT_LENGTH == sizeof(ZO_SHORT) &&
              ZO_BYTE_LENGTH == sizeof(ZO_BYTE));

// setDataType accepts the types from ZODT_NONE to this value; the last one has
// no name and nothing else handles it.
inline constexpr ZO_LONG ZODT_HIGHEST_ACCEPTED = 17;
static_assert(ZODT_HIGHEST_ACCEPTED == ZODT_SYSTEM_AUTHENTICATOR + 1);

// Threads: a value without shared state or lock: different objects may be
// used in different threads at once, one object by one thread at a time
// unless the caller locks it.
class VEXO_API ZoField : public ZoErrorCodes {
 public:
  // Both store the name when it passes checkName; otherwise the name stays
  // empty and the error code is ERR_FLD_INVALID_NAME.
  explicit ZoField(const ZoString& name);
  explicit ZoField(const char* name);
  // Copies every property, the error code, completion code and return code.
  ZoField(const ZoField& other);
  ZoField& operator=(const ZoField& other) = default;
  ~ZoField() override;

  // Copies every property and value of `other`, not its completion code and
  // public return code; the error code becomes 0.
  void copyFrom(const ZoField& other);

  // Two fields are equal when their names are equal (case-sensitive).
  bool operator==(const ZoField& other) const { return name_ == other.name_; }
  bool operator!=(const ZoField& other) const { return !(*this == other); }

  // The field-name rule (letters, digits, underscore; at most 32 characters;
  // not a reserved name). Sets ERR_FLD_INVALID_NAME when it fails.
  ZO_BOOLEAN checkName(const ZoString& name);

  // A text makes the field a ZODT_STRING (authenticator types are kept). With
  // a length set, a longer text is cut to it (ERR_FLD_DATA_TRUNCATED); with
  // length 0 the length becomes the text's.
  void setValue(const ZoString& value);
  void setValue(const char* value);
  // A number makes the field of its type when the length (set to the
  // minimum when 0) is at least the minimum; otherwise ERR_FLD_INVALID_LENGTH
  // and value and type are unchanged.
  void setValue(ZO_LONG value);
  void setValue(ZO_SHORT value);
  void setValue(ZO_BYTE value);

  // Stores the type, then checks it (ZODT_NONE to ZODT_HIGHEST_ACCEPTED); a
  // valid type clears every value and the value-set mark, an invalid one sets
  // ERR_FLD_INVALID_DATATYPE and stays stored.
  void setDataType(ZO_LONG dataType);
  // A negative length, one below the type's minimum, or any length under an
  // unusable type fails and keeps the old length. A text longer than the new
  // length is cut (ERR_FLD_DATA_TRUNCATED) and the length stored.
  void setLength(ZO_LONG length);
  // FALSE also sets the four attributes to their no-attributes values.
  void setHasAttributes(ZO_BOOLEAN hasAttributes);
  // Outside the attribute's range: its ERR_FLD_INVALID_* code, value kept.
  // Inside: stored, and has-attributes becomes TRUE.
  void setColor(ZO_LONG color);
  void setIntensity(ZO_LONG intensity);
  void setHighLight(ZO_LONG highLight);
  void setProtection(ZO_LONG protection);
  // Stored without checks.
  void setDescription(const ZoString& description);
  void setRow(ZO_LONG row);
  void setColumn(ZO_LONG column);
  void setSegment(ZO_LONG segment);
  void setPadCharacter(ZO_BYTE padCharacter);
  void setAlignment(ZO_LONG alignment);
  void setValueSet(ZO_BOOLEAN valueSet);
  void setErrorCode(ZO_LONG errorCode) { errorCode_ = static_cast<ZO_ULONG>(errorCode); }

  const ZoString& getName() const { return name_; }
  const ZoString& getDescription() const { return description_; }
  ZoString getValue() const { return textValue_; }
  ZO_LONG getDataType() const { return dataType_; }
  ZO_LONG getLength() const { return length_; }
  ZO_LONG getRow() const { return row_; }
  ZO_LONG getColumn() const { return column_; }
  ZO_LONG getSegment() const { return segment_; }
  ZO_BOOLEAN getHasAttributes() const { return hasAttributes_; }
  ZO_LONG getColor() const { return color_; }
  ZO_LONG getIntensity() const { return intensity_; }
  ZO_LONG getHighLight() const { return highLight_; }
  ZO_LONG getProtection() const { return protection_; }
  ZO_LONG getLongValue() const { return longValue_; }
  ZO_SHORT getShortValue() const { return shortValue_; }
  ZO_BYTE getByteValue() const { return byteValue_; }
  ZO_BYTE getPadCharacter() const { return padCharacter_; }
  ZO_LONG getAlignment() const { return alignment_; }
  ZO_BOOLEAN isValueSet() const { return valueSet_; }
  ZO_ULONG getErrorCode() const { return errorCode_; }

 private:
  // Construction body shared by both constructors.
  void init(const ZoString& name);
  // Shared body of the numeric setValue forms.
  bool prepareNumericValue(ZO_LONG minimumLength, const char* resetLine);
  // Shared body of the four attribute setters.
  void setAttribute(ZO_LONG& attribute, ZO_LONG value, ZO_LONG low, ZO_LONG high,
                    ZO_ULONG errorCode, const char* invalidLine);
  // Copies every property (not the ZoErrorCodes part, not the error code).
  void copyProperties(const ZoField& other);

  ZO_ULONG errorCode_ = 0;
  ZoString name_;
  ZoString description_;
  ZO_LONG dataType_ = ZODT_NONE;
  ZO_LONG length_ = 0;
  ZO_LONG row_ = 0;
  ZO_LONG column_ = 0;
  ZO_LONG segment_ = 1;
  ZO_BOOLEAN hasAttributes_ = ZO_FALSE;
  ZO_LONG color_ = ZO_COLOR_DEFAULT;
  ZO_LONG intensity_ = ZO_INTENSITY_DEFAULT;
  ZO_LONG highLight_ = ZO_HIGHLIGHT_DEFAULT;
  ZO_LONG protection_ = ZO_PROTECTION_DEFAULT;
  ZO_BOOLEAN valueSet_ = ZO_FALSE;
  ZoString textValue_;
  ZO_LONG longValue_ = 0;
  ZO_SHORT shortValue_ = 0;
  ZO_BYTE byteValue_ = 0;
  ZO_BYTE padCharacter_ = ZO_PAD_BLANK;
  ZO_LONG alignment_ = ZO_ALIGN_1;
};

class ZoFieldDef;

// Copies a field definition into a field, as a message builds its fields:
// description, length, row, column, segment, alignment, the attributes flag
// (and, for a field with attributes, its display defaults), pad character
// and the initial value of the definition's data type; the value is then
// marked set. FALSE for a data type no field holds (the field then keeps no
// value and is not marked set). What the field's own setters refuse is left
// in its error code and properties, for ZoMessage::addField to judge.
VEXO_API bool zoCopyFieldDef(const ZoFieldDef& definition, ZoField& field);
