#pragma once
// One codec per stored form: for "Message", "Field", "Service", "MsgBuild"
// and "Security", the record a document of the form holds, its item table
// (names and types, in the order the adapter reads and writes them), and the
// conversions between the record and the definition classes; for "Message"
// also its screen texts, and for the forms of a message's documents the item
// that names their message. The build group of a field (its entries in a
// "MsgBuild" document) is made in one place, zoFieldBuildGroup, for the
// definition database, the build agent and the administration tool.
//
// Records hold item values as stored: texts cut to the 63 characters an item
// keeps (a message's name, the key its fields and build are found by, is kept
// whole), numbers as the document's numbers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/zo_types.h"
#include "defs/zo_field_def.h"
#include "defs/zo_message_def.h"
#include "defs/zo_security_def.h"
#include "defs/zo_service_def.h"
#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_real_dossa_database.h"

namespace zodossa {

// The item table of a form: item names and their types (DOSSA_ITEM_*).
template <std::size_t N>
struct FormItems {
  std::array<const char*, N> names;
  std::array<ZO_LONG, N> types;
  static constexpr ZO_LONG count = static_cast<ZO_LONG>(N);
};

// The values of a document's items by their place in the form's table: the
// text of a text item, the number of a number item.
template <std::size_t N>
struct StoredRecord {
  std::array<std::string, N> texts;
  std::array<ZO_LONG, N> numbers{};
};

// To the adapter's values and back.
template <std::size_t N>
void zoToValues(const StoredRecord<N>& record, ItemValue* values) {
  for (std::size_t i = 0; i < N; ++i) {
    values[i].setText(record.texts[i].c_str());
    values[i].number = record.numbers[i];
  }
}
template <std::size_t N>
StoredRecord<N> zoFromValues(const ItemValue* values) {
  StoredRecord<N> record;
  for (std::size_t i = 0; i < N; ++i) {
    record.texts[i] = values[i].text;
    record.numbers[i] = values[i].number;
  }
  return record;
}

// ---- "Message" ---------------------------------------------------------------
// The screen size comes last and is written only for a message that has one,
// so a message without one is stored as it always was.
enum MessageItem { M_NAME, M_DESCRIPTION, M_FORMAT, M_BUILT, M_ROWS, M_COLUMNS, M_COUNT };
inline constexpr ZO_LONG MESSAGE_PLAIN_ITEMS = M_ROWS;
const FormItems<M_COUNT>& zoMessageItems();
using StoredMessage = StoredRecord<M_COUNT>;
// The message's record; Built as given.
StoredMessage zoStoredMessage(const ZoMessageDef& definition, bool built);
// Whether the record carries a screen size.
inline bool zoHasSize(const StoredMessage& message) {
  return message.numbers[M_ROWS] != 0 || message.numbers[M_COLUMNS] != 0;
}
// The name and the screen size of a "Message" document, numbers it may lack:
// what a replace reads to learn whether the document holds a size.
enum MessageSizeItem { MS_NAME, MS_ROWS, MS_COLUMNS, MS_COUNT };
const FormItems<MS_COUNT>& zoMessageSizeItems();

// The screen texts of a message, kept in its "Message" document beside the
// record and written by its name: a text list of one entry per text
// (zoScreenTextEntry), and the length of the longest. A read gives the name
// and the list (which a document may lack); an empty entry stands for no text,
// so that a replace can clear the texts a document holds.
enum ScreenTextItem { ST_NAME, ST_TEXTS, ST_LONGEST, ST_COUNT };
inline constexpr ZO_LONG SCREEN_TEXT_READ_ITEMS = ST_LONGEST;
const FormItems<ST_COUNT>& zoScreenTextItems();
// The definition's screen texts as the values of zoScreenTextItems, the list
// in slots of `entrySize` (room for one slot even without texts). 0, or
// ERR_DB_DATA_OVERFLOW with the reason in `reason` (traced) when a text or
// their number is beyond what a text list holds, or ERR_DB_NO_MEMORY.
ZO_ULONG zoScreenTextValues(const ZoMessageDef& definition, ItemValue (&values)[ST_COUNT], ZO_LONG& entrySize,
                            std::string& reason);
// The texts of a list read in slots of `entrySize` into `definition`,
// replacing the ones it holds: 0, or ERR_DB_INCOMPATIBLE_DATABASE (traced)
// for an entry that is no screen text, the definition then left without texts.
ZO_ULONG zoScreenTextsFromValues(const ItemValue& list, ZO_LONG entrySize, ZoMessageDef& definition);

// ---- "Field" -----------------------------------------------------------------
enum FieldItem {
  F_MESSAGE_NAME, F_FIELD_NAME, F_DESCRIPTION, F_BASE_NAME, F_TYPE_EDIT, F_TYPE, F_DEFAULT,
  F_LENGTH_EDIT, F_LENGTH, F_SEGMENTS, F_HAS_ATTRIBUTES, F_ROW, F_COLUMN, F_PAD, F_ALIGNMENT,
  F_POSITION, F_BUILT,
  // Written only for a field whose display defaults are its own.
  F_COLOR, F_INTENSITY, F_HIGHLIGHT, F_PROTECTION,
  // Written only for a field with an input flag on.
  F_NUMERIC, F_CURSOR, F_COUNT
};
inline constexpr ZO_LONG FIELD_PLAIN_ITEMS = F_COLOR;
static_assert(F_NUMERIC - F_COLOR == DISPLAY_ITEM_COUNT);
static_assert(F_COUNT - F_NUMERIC == FLAG_ITEM_COUNT);
const FormItems<F_COUNT>& zoFieldItems();
struct StoredField : StoredRecord<F_COUNT> {
  bool ownDisplay = false;  // the display items are (to be) written
  bool ownFlags = false;    // the flag items are (to be) written
};
// The field's record under its message, at `position`; the display items are
// its own when it has display defaults of its own or `replace` is given (a
// replaced document keeps the items it is not given), the flag items when a
// flag is on or `replace` is given.
StoredField zoStoredField(const ZoFieldDef& definition, const std::string& messageName, ZO_LONG position,
                          bool built, bool replace);
// The items of the record that are written, in table order: the plain ones,
// then the display items and the flag items when they are its own. Returns
// their number; `items` holds them.
ZO_LONG zoWrittenFieldItems(const StoredField& field, std::array<FieldItem, F_COUNT>& items);
// The code a field read would refuse the record of `definition` with, or
// that stands for a value the read would give back changed; 0 when every
// property comes back exactly as it is.
ZO_ULONG zoUnreadableField(const ZoFieldDef& definition, const StoredField& field);

// ---- "MsgBuild" --------------------------------------------------------------
enum BuiltItem { B_NAME, B_DESCRIPTION, B_FORMAT, B_FIELD_COUNT, B_FIELD_LIST, B_ROWS, B_COLUMNS, B_COUNT };
const FormItems<B_COUNT>& zoBuiltItems();

}  // namespace zodossa

// A field of a message as its build lists it.
struct ZoBuiltField {
  std::int32_t position = 0;
  std::vector<std::string> entries;  // zodossa::BUILD_GROUP_SIZE of them, in BuildEntry order
  // Color, intensity, highlight and protection in decimal (the defaults when
  // the document has none); listed when a field of the message has its own.
  std::array<std::string, zodossa::DISPLAY_ITEM_COUNT> display;
  bool ownDisplay = false;  // the document has display items
  // The input flags, 1 or 0 (0 when the document has none); listed when a
  // field of the message has its own.
  std::array<std::string, zodossa::FLAG_ITEM_COUNT> flags;
  bool ownFlags = false;  // the document has flag items
};

// A message as its build lists it; rows and columns 0 when it has no size.
struct ZoBuiltMessage {
  std::string name;
  std::string description;
  std::string format;
  std::int32_t rows = 0;
  std::int32_t columns = 0;
  std::vector<ZoBuiltField> fields;
};

namespace zodossa {

// The build group of a field from its record: the one place that says which
// item goes to which entry.
ZoBuiltField zoFieldBuildGroup(const StoredField& field);
// A message's build, without fields, from its record.
ZoBuiltMessage zoMessageBuild(const StoredMessage& message);

// The field of a build group into `definition`: `entries` (or `entry(k)`)
// give the group's entries, `width` their number (display defaults only in
// the wider groups, at least BUILD_GROUP_SIZE). 0, or the code that refuses
// the group (traced); the definition is changed only on success. Input
// flags come only from the widest groups (at least BUILD_FLAG_GROUP_SIZE).
ZO_ULONG zoFieldFromEntries(const char* const* entries, ZO_LONG width, ZoFieldDef& definition);
template <class Entry>
ZO_ULONG zoFieldFromGroup(const Entry& entry, ZO_LONG width, ZoFieldDef& definition) {
  std::array<const char*, BUILD_FLAG_GROUP_SIZE> entries{};
  for (ZO_LONG k = 0; k < BUILD_FLAG_GROUP_SIZE && k < width; ++k) entries[k] = entry(k);
  return zoFieldFromEntries(entries.data(), width, definition);
}

// ---- The documents of a message -----------------------------------------------
// The forms whose documents belong to a message ("Message", "Field",
// "MsgBuild", in that order), each with the item of its table that names it.
struct MessageDocumentForm {
  const char* form;
  const char* nameItem;
};
const std::array<MessageDocumentForm, 3>& zoMessageDocumentForms();
// The entry of `form`, its name compared without regard to case as the store
// compares names; null for a form whose documents belong to no message.
const MessageDocumentForm* zoMessageDocumentForm(std::string_view form);

// ---- "Service" ---------------------------------------------------------------
enum ServiceItem {
  S_NAME, S_STEP, S_CHARSET, S_CONNMGR, S_IBCONN, S_OBCONN, S_SYSNAME, S_TYPE, S_ENCVAL,
  S_ENCNAME, S_COUNT
};
const FormItems<S_COUNT>& zoServiceItems();
using StoredService = StoredRecord<S_COUNT>;
StoredService zoStoredService(const ZoServiceDef& definition);
// The code a service read would refuse the record with, or that stands for
// a value it would give back changed; 0 when it comes back as it is.
ZO_ULONG zoUnreadableService(const ZoServiceDef& definition, const StoredService& service);
// The record into `definition`: 0, or the code that refuses it (traced);
// the definition is changed only on success.
ZO_ULONG zoServiceFromStored(const StoredService& service, ZoServiceDef& definition);

// ---- "Security" --------------------------------------------------------------
enum SecurityItem { SEC_USER, SEC_SYSTEM, SEC_USER_ID, SEC_AUTHENTICATOR, SEC_COUNT };
const FormItems<SEC_COUNT>& zoSecurityItems();
using StoredSecurity = StoredRecord<SEC_COUNT>;
// The user id and authenticator of the record into `definition`.
void zoSecurityFromStored(const StoredSecurity& security, ZoSecurityDef& definition);

}  // namespace zodossa
