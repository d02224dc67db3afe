#pragma once
// ZoMessage: a message at run time, built from the message definition of its
// name and the field definitions that definition lists, read through the
// session's definition database.
//
// An application reads and sets field values by field name, asks for a field's
// type, length, segment and display attributes, browses the fields in the
// order they were added, and reads the completion code and public return code
// of its last by-name call or setFormat. addField, the browse operations and
// getFieldName change only the internal error code.
//
// The message registers itself with its session when it is created and
// removes itself when destroyed: the session is borrowed and must outlive the
// message.

#include <memory>
#include <vector>

#include "../common/vexo_export.h"
#include "../common/error_codes.h"
#include "../common/zo_types.h"
#include "../defs/zo_string.h"
#include "../message/zo_field.h"
#include "../message/zo_field_table.h"

class ZoDatabase;
class ZoSession;

// Position of a browse in the message's field order, starting at 0.
typedef ZO_LONG ZoBrowseToken;

// What getProperty gives for the value of an authenticator field.
inline constexpr const char* TVAUT_HIDDEN = "";

// Threads: no lock; a message records itself with its session and reads its
// definition database, so it is used only by the thread that uses its
// session.
class VEXO_API ZoMessage : public ZoErrorCodes {
 public:
  // Number of buckets the field table starts with.
  static constexpr ZO_LONG kInitialBuckets = ZoFieldTable::kInitialBuckets;

  // Builds the message from its definition; an empty name gives a message
  // without fields. Afterwards the internal error code tells the outcome (the
  // completion code and public return code are still 0); after a failure the
  // message holds the fields added before it. The message is registered with
  // the session whatever the outcome.
  ZoMessage(const ZoString& name, ZoSession& session);
  ZoMessage(const char* name, ZoSession& session);
  // Unregisters the message from its session.
  ~ZoMessage() override;

  // A message is registered with its session under its own address.
  ZoMessage(const ZoMessage&) = delete;
  // Takes the other message's name, row and column counts and copies of its
  // fields in order (not its format, not its session). Assigning a message to
  // itself changes nothing.
  ZoMessage& operator=(const ZoMessage& other);

  // The internal code, completion code and public return code become 0.
  void clearErrorCodes();
  // Stores the internal code and derives the completion and public codes.
  void setErrorCodes(ZO_ULONG internalCode);

  // At most kMaxFormat characters: letters, digits, underscore, then blanks
  // only. Otherwise ERR_MESS_INVALID_FORMAT and the old format stays.
  ZO_BOOLEAN setFormat(const ZoString& format);

  // By-name family. An unknown (or invalid) name gives ERR_MESS_FIELD_NOT_FOUND
  // and the not-found result; every call leaves the completion code and public
  // return code describing its own outcome.
  //
  // Text value of a ZODT_STRING field; TVAUT_HIDDEN for the authenticator
  // types; ERR_MESS_FIELD_VALUE_TYPE for others. `value` is unchanged unless
  // a value is returned.
  ZO_BOOLEAN getProperty(const ZoString& name, ZoString& value);
  ZO_BOOLEAN getProperty(const char* name, ZoString& value);
  // Value of a field of exactly that type; `value` (when not null) is set to
  // 0 first. Another type: ERR_MESS_FIELD_VALUE_TYPE.
  ZO_BOOLEAN getProperty(const ZoString& name, ZO_LONG* value);
  ZO_BOOLEAN getProperty(const char* name, ZO_LONG* value);
  ZO_BOOLEAN getProperty(const ZoString& name, ZO_SHORT* value);
  ZO_BOOLEAN getProperty(const char* name, ZO_SHORT* value);
  ZO_BOOLEAN getProperty(const ZoString& name, ZO_BYTE* value);
  ZO_BOOLEAN getProperty(const char* name, ZO_BYTE* value);
  // A text for a ZODT_STRING or ZODT_AUTHENTICATOR field, cut to the field's
  // length (ERR_MESS_DATA_TRUNCATED, a warning). A system authenticator, or a
  // field with attributes and protection 42, gives ERR_MESS_PROTECTED_FIELD.
  ZO_BOOLEAN setProperty(const ZoString& name, const ZoString& value);
  ZO_BOOLEAN setProperty(const char* name, const char* value);
  // A number for a field of exactly that type (ERR_MESS_INVALID_DATATYPE
  // otherwise); a protected field gives ERR_MESS_PROTECTED_FIELD.
  ZO_BOOLEAN setProperty(const ZoString& name, ZO_LONG value);
  ZO_BOOLEAN setProperty(const char* name, ZO_LONG value);
  ZO_BOOLEAN setProperty(const ZoString& name, ZO_SHORT value);
  ZO_BOOLEAN setProperty(const char* name, ZO_SHORT value);
  ZO_BOOLEAN setProperty(const ZoString& name, ZO_BYTE value);
  ZO_BOOLEAN setProperty(const char* name, ZO_BYTE value);
  // Properties of a field; not found gives ZODT_NONE, 0, 0, 0, 30, 20, 40 and
  // 0 respectively. A field without attributes reports the no-attributes
  // values; a system authenticator always reports protection 42.
  ZO_LONG getDataType(const ZoString& name);
  ZO_LONG getDataType(const char* name);
  ZO_LONG getLength(const ZoString& name);
  ZO_LONG getLength(const char* name);
  ZO_LONG getColor(const ZoString& name);
  ZO_LONG getColor(const char* name);
  ZO_LONG getIntensity(const ZoString& name);
  ZO_LONG getIntensity(const char* name);
  ZO_LONG getHighLight(const ZoString& name);
  ZO_LONG getHighLight(const char* name);
  ZO_LONG getProtection(const ZoString& name);
  ZO_LONG getProtection(const char* name);
  ZO_LONG getSegment(const ZoString& name);
  ZO_LONG getSegment(const char* name);

  // Validates a field and stores a copy of it (with a zero length replaced by
  // the length its type or value needs, and a text longer than the length cut
  // to it, ERR_MESS_DATA_TRUNCATED). The field passed in is not changed.
  ZO_BOOLEAN addField(const ZoField& field);

  // Browsing: start sets the token to 0; getNextField returns the message's
  // own field at the token and advances it, or null at the end
  // (ERR_MESS_NO_MORE_FIELDS), for a message without fields
  // (ERR_MESS_EMPTY_MESSAGE) and for a negative or null token
  // (ERR_MESS_INVALID_TOKEN). The field belongs to the message: the caller may
  // read and change it but must not delete it; it stays valid while the
  // message lives and is not assigned to.
  void startBrowseFields(ZoBrowseToken* token);
  ZoField* getNextField(ZoBrowseToken* token);
  void endBrowseFields(ZoBrowseToken* token);

  // Name of the field at 1-based `index`, or empty (ERR_MESS_EMPTY_MESSAGE,
  // ERR_MESS_INVALID_TOKEN).
  ZoString getFieldName(ZO_LONG index);

  const ZoString& getMessageName() const { return messageName_; }
  const ZoString& getFormat() const { return format_; }
  ZO_LONG getRowCount() const { return rowCount_; }
  ZO_LONG getColumnCount() const { return columnCount_; }
  ZO_LONG getFieldCount() const { return static_cast<ZO_LONG>(fields_.size()); }
  ZO_ULONG getErrorCode() const { return errorCode_; }

 private:
  void construct(const ZoString& name);
  // Adds the field `alias` described by the field definition `name`; FALSE
  // ends the build with the internal code telling why.
  bool buildField(ZoDatabase& db, const ZoString& alias, const ZoString& name,
                  ZO_LONG& currentSegment);
  // The message-name rule; sets ERR_MESS_INVALID_NAME.
  bool checkName(const ZoString& name);
  // The field-name rule; sets ERR_MESS_INVALID_FIELD_NAME.
  bool checkFieldName(const ZoString& name);

  void removeAllFields();

  // First steps of every by-name operation: clears the codes and finds the
  // field, or sets ERR_MESS_FIELD_NOT_FOUND.
  ZoField* lookUp(const ZoString& name);
  // Bodies shared by the numeric getProperty/setProperty forms and by the
  // property getters; each ends with setErrorCodes.
  template <typename T>
  ZO_BOOLEAN getNumber(const ZoString& name, T* value);
  template <typename T>
  ZO_BOOLEAN setNumber(const ZoString& name, T value);
  template <typename Get>
  ZO_LONG getAttribute(const ZoString& name, ZO_LONG notFound, Get get);

  ZO_ULONG errorCode_ = 0;
  ZoFieldTable fields_;
  ZoSession& session_;
  ZoString messageName_;
  ZoString format_;
  ZO_LONG rowCount_ = 0;
  ZO_LONG columnCount_ = 0;
  ZoStringArray fieldNames_;
};
