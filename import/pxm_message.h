#pragma once
// Composer of one map: turns a "PXMMAP" statement and its "PXMFLD" statements
// into a message definition and one field definition per named field, and
// writes them into a definition database.
//
// Use per map: newMap, addField for each field statement, endMap. Each of the
// three first clears the results; after each, getErrorCode tells whether it
// worked (0) and getDbErrorCode / getDbErrorText give the database's own code
// and text after a failed write. Nothing is printed; details go to the trace.

#include <memory>
#include <string>

#include "common/zo_types.h"
#include "defs/zo_database.h"
#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "defs/zo_string.h"
#include "import/pxm_statement.h"

class ZoSession;

// Columns of a map without SIZE=, for placing the occurrences of a field.
inline constexpr ZO_LONG PXM_DEFAULT_MAP_COLUMNS = 80;
// Most occurrences one field statement gives (a whole 24 by 80 screen of
// one-character fields with their attribute bytes).
inline constexpr ZO_LONG PXM_MAX_OCCURS = 960;

// Text that begins the description of every map's message definition.
inline constexpr const char* PXM_MAP_DESCRIPTION_PREFIX = "KOVA PXM map ";
// Text between the map name and the field number in a field's description.
inline constexpr const char* PXM_FIELD_DESCRIPTION_INFIX = " field ";

class PXMMessage {
 public:
  // Writes into the session's definition database. Both are borrowed: the
  // session and its database must outlive the composer. A session without a
  // definition database leaves the error code ERR_PXM_UNEXPECTED_ERROR.
  PXMMessage(ZoSession* session, ZO_BOOLEAN replace);
  // Writes into `database` instead of the session's (the session may then be
  // null); both borrowed as above. A null database leaves the error code
  // ERR_PXM_UNEXPECTED_ERROR.
  PXMMessage(ZoSession* session, ZoDatabase* database, ZO_BOOLEAN replace);
  // Composes every map as the other constructors do and writes nothing:
  // endMap succeeds once the map is composed (the check of vexopxm /c).
  explicit PXMMessage(ZO_BOOLEAN replace);
  ~PXMMessage();

  PXMMessage(const PXMMessage&) = delete;
  PXMMessage& operator=(const PXMMessage&) = delete;

  // With `keep`, the maps that follow also keep what their statements say
  // about the screen: the map's size (SIZE=) as the message definition's row
  // and column counts, and each field's display defaults (ATTRB=, COLOR=,
  // HILIGHT=, through the table of import/pxm_attributes.h) and initial
  // value (INITIAL=). Off by default: every field then gets the same display
  // defaults and an empty value, and the size is left undefined.
  void setKeepAttributes(bool keep) { keepAttributes_ = keep; }

  // Starts a map named by the statement's label, with room for `fieldCount`
  // field definitions; discards the previous map's definitions.
  void newMap(const PXMStatement& statement, ZO_LONG fieldCount);
  // Adds one field from a "PXMFLD" statement. A statement without a label is
  // no field (no slot, no number, error code 0): with the attributes kept and
  // an INITIAL= it is a text of the screen, kept with the message definition
  // (its position, length, text and display defaults); else it is passed over. With the attributes kept,
  // OCCURS=n gives n fields named by the label and the occurrence number,
  // each placed right after the one before and its attribute byte.
  void addField(const PXMStatement& statement);
  // The field definitions that addField makes of `statement`: its OCCURS=
  // count (at most PXM_MAX_OCCURS) for a named field with the attributes
  // kept, else 1. The map loop sizes newMap by it.
  ZO_LONG slotsFor(const PXMStatement& statement) const;
  // Writes the map as one unit of work of the database: the message
  // definition (replacing it only when asked at construction), the removal of
  // the old field definitions and built form of the message, and each field
  // definition. Stops at the first failure and drops the map's writes, so
  // that the database keeps the map as it was before; maps ended before
  // stay written.
  void endMap();

  ZO_ULONG getErrorCode() const { return errorCode_; }
  ZO_LONG getDbErrorCode() const { return dbErrorCode_; }
  ZoString getDbErrorText() const { return errorText_; }

  // Name of the field definition whose write failed the last endMap; empty
  // when none did.
  const char* getFailedField() const { return failedField_.text(); }

  // Why the last operation failed, in the user's words, when the composer
  // knows more than its code tells; empty otherwise.
  const char* getErrorReason() const { return errorReason_.c_str(); }

  // Number of field definitions filled for the current map.
  ZO_LONG getFieldsAdded() const { return fieldsAdded_; }

 private:
  void clearResults();
  // False (with ERR_DB_DATA_OVERFLOW and the reason) when a row, column or
  // length is one the database cannot keep.
  bool storableNumbers(ZO_LONG row, ZO_LONG column, ZO_LONG length);
  // Keeps the screen text of an unnamed field statement, if it is one.
  void addScreenText(const PXMStatement& statement);
  // Composes one field definition named fieldName_ at `row` and `column`.
  void composeField(const PXMStatement& statement, ZO_LONG row, ZO_LONG column);
  // Takes the error code, database code and text of a failed database call.
  void takeDatabaseError();
  void discardMap();
  // The writes of endMap inside its unit; false after a failure (error set).
  bool writeMap();

  ZoDatabase* database_;
  [[maybe_unused]] ZoSession* session_;  // borrowed, never deleted
  ZO_ULONG errorCode_ = 0;
  ZO_LONG dbErrorCode_ = 0;
  ZoString errorText_;
  ZO_BOOLEAN replace_;
  ZoString mapName_;
  ZoString mapDescription_;
  ZoString fieldName_;
  ZoString fieldDescription_;
  ZO_LONG fieldCapacity_ = 0;
  ZO_LONG fieldsAdded_ = 0;
  std::unique_ptr<ZoFieldDef[]> fieldDefs_;
  std::unique_ptr<ZoMessageDef> messageDef_;
  bool mapReady_ = false;  // newMap succeeded and endMap may write
  bool keepAttributes_ = false;
  ZO_LONG mapColumns_ = PXM_DEFAULT_MAP_COLUMNS;
  bool writeNothing_ = false;  // composes only: no database
  ZoString failedField_;
  std::string errorReason_;
};
