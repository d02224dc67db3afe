#pragma once
// The stored layout of definitions in the document database: form, view and
// item names, the design a database is made with, the entries of a built
// message's field list, and the encodings of property values as item text.
// Shared by the definition and security databases, the build agent that
// derives "MsgBuild" documents and the administration tool.

#include <iterator>
#include <limits>
#include <string_view>

#include "common/zo_types.h"
#include "defs/zo_data_types.h"
#include "defs/zo_string.h"
#include "ndossa/dossa_admin.h"

namespace zodossa {

inline constexpr ZO_LONG ZO_LONG_MIN = std::numeric_limits<ZO_LONG>::min();
inline constexpr ZO_LONG ZO_LONG_MAX = std::numeric_limits<ZO_LONG>::max();

// Item every document created here carries: its form name.
inline constexpr const char* FORM_ITEM = DOSSA_FORM_ITEM;
// Number item set to 1 on the documents a built message was derived from.
inline constexpr const char* BUILT = "Built";

// Form "Message", key MessageName.
inline constexpr const char* MESSAGE_FORM = "Message";
inline constexpr const char* MESSAGE_NAME = "MessageName";
inline constexpr const char* MESSAGE_DESCRIPTION = "MessageDescription";
inline constexpr const char* MESSAGE_FORMAT = "MessageFormat";
// Number items of the screen size, present only on a message that has one.
inline constexpr const char* MESSAGE_ROWS = "MessageRows";
inline constexpr const char* MESSAGE_COLUMNS = "MessageColumns";
// Text list of the screen's own texts, one entry each (zoScreenTextEntry; an
// empty entry stands for none: a replaced message without texts writes one to
// clear the list), present only on a message that has or had some. The document then also
// carries the number item DOSSA_MAX_ENTRY_ITEM, its longest entry.
inline constexpr const char* MESSAGE_SCREEN_TEXTS = "MessageScreenTexts";

// Form "Field", keys MessageName and MessageFieldName.
inline constexpr const char* FIELD_FORM = "Field";
inline constexpr const char* FIELD_MESSAGE_FIELD_NAME = "MessageFieldName";
inline constexpr const char* FIELD_DESCRIPTION = "FieldDescriptionEdit";
inline constexpr const char* FIELD_BASE_NAME = "FieldName";
inline constexpr const char* FIELD_TYPE_EDIT = "FieldTypeEdit";
inline constexpr const char* FIELD_TYPE = "FieldType";
inline constexpr const char* FIELD_DEFAULT = "FieldDefault";
inline constexpr const char* FIELD_LENGTH_EDIT = "FieldLengthEdit";
inline constexpr const char* FIELD_LENGTH = "FieldLength";
inline constexpr const char* FIELD_SEGMENTS = "FieldSegmentsEdit";
inline constexpr const char* FIELD_HAS_ATTRIBUTES = "FieldHasAttributesEdit";
inline constexpr const char* FIELD_ROW = "FieldRow";
inline constexpr const char* FIELD_COLUMN = "FieldColumn";
inline constexpr const char* FIELD_PAD = "FieldPadCharacter";
inline constexpr const char* FIELD_ALIGNMENT = "FieldAlignment";
inline constexpr const char* FIELD_POSITION = "FieldPosition";
// Text items of the display defaults in decimal, present only on a field
// whose display defaults are not those of a new field.
inline constexpr const char* FIELD_COLOR = "FieldColor";
inline constexpr const char* FIELD_INTENSITY = "FieldIntensity";
inline constexpr const char* FIELD_HIGHLIGHT = "FieldHighlight";
inline constexpr const char* FIELD_PROTECTION = "FieldProtection";
// Text items of the input flags, 1 or 0 (digits only; the cursor starts in
// the field), present only on a field with a flag on.
inline constexpr const char* FIELD_NUMERIC = "FieldNumeric";
inline constexpr const char* FIELD_CURSOR = "FieldCursor";

// Form "Service", key svcdef_name, read through the view "Services".
inline constexpr const char* SERVICE_FORM = "Service";
inline constexpr const char* SERVICES_VIEW = "Services";
inline constexpr const char* SERVICE_NAME = "svcdef_name";
inline constexpr const char* SERVICE_STEP = "svcdef_step";
inline constexpr const char* SERVICE_CHARSET = "svcdef_charset";
inline constexpr const char* SERVICE_CONNMGR = "svcdef_connmgr";
inline constexpr const char* SERVICE_IBCONN = "svcdef_ibconn";
inline constexpr const char* SERVICE_OBCONN = "svcdef_obconn";
inline constexpr const char* SERVICE_SYSNAME = "svcdef_sysname";
inline constexpr const char* SERVICE_TYPE = "svcdef_type";
inline constexpr const char* SERVICE_ENCVAL = "svcdef_encval";
inline constexpr const char* SERVICE_ENCNAME = "svcdef_encname";

// Form "MsgBuild", key msgdef_name, read through the view "MsgBuild".
inline constexpr const char* BUILT_FORM = "MsgBuild";
inline constexpr const char* BUILT_VIEW = "MsgBuild";
inline constexpr const char* BUILT_NAME = "msgdef_name";
inline constexpr const char* BUILT_DESCRIPTION = "msgdef_description";
inline constexpr const char* BUILT_FORMAT = "msgdef_format";
inline constexpr const char* BUILT_FIELD_COUNT = "msgdef_fldcnt";
inline constexpr const char* BUILT_FIELD_LIST = "msgdef_fldlist";
inline constexpr const char* BUILT_MAX_ENTRY = "msgdef_maxentrylen";
// Number items of the screen size, present only when the message has one.
inline constexpr const char* BUILT_ROWS = "msgdef_rows";
inline constexpr const char* BUILT_COLUMNS = "msgdef_cols";

// Form "Security", keys secdef_dossaid (the user) and secdef_sysname (the system).
inline constexpr const char* SECURITY_FORM = "Security";
inline constexpr const char* SECURITY_USER = "secdef_dossaid";
inline constexpr const char* SECURITY_SYSTEM = "secdef_sysname";
inline constexpr const char* SECURITY_USER_ID = "secdef_userid";
inline constexpr const char* SECURITY_AUTHENTICATOR = "secdef_auth";

// The design of every database made for definitions and security: the key
// items of the forms above, the views "Services" and "MsgBuild", and the
// unique keys of "Message" (by name), "Field" (by message and field name) and
// "MsgBuild" (by name).
const DossaDesign& zoDossaDesign();

// Entries of one field's group in msgdef_fldlist.
enum BuildEntry : ZO_LONG {
  BUILD_NAME = 0,
  BUILD_DESCRIPTION = 1,
  BUILD_BASE_NAME = 2,
  BUILD_TYPE = 3,        // first letter: A B L S T X
  BUILD_VALUE = 4,
  BUILD_LENGTH = 5,
  BUILD_SEGMENT = 6,
  BUILD_HAS_ATTRIBUTES = 7,  // Y or N
  BUILD_ROW = 8,
  BUILD_COLUMN = 9,
  BUILD_PAD = 10,        // S (blank) or N (zero)
  BUILD_ALIGNMENT = 11,  // 1 2 4 8
  BUILD_GROUP_SIZE = 12,
  // Display defaults in decimal: only in the wider groups of a message one of
  // whose fields has display defaults of its own.
  BUILD_COLOR = 12,
  BUILD_INTENSITY = 13,
  BUILD_HIGHLIGHT = 14,
  BUILD_PROTECTION = 15,
  BUILD_DISPLAY_GROUP_SIZE = 16,
  // Input flags, 1 or 0: only in the widest groups, of a message one of
  // whose fields has a flag on (the display defaults are then listed too).
  BUILD_NUMERIC = 16,
  BUILD_CURSOR = 17,
  BUILD_FLAG_GROUP_SIZE = 18
};

// The display-default items of a field and their entries in a wider group,
// in the same order.
inline constexpr const char* DISPLAY_ITEMS[] = {FIELD_COLOR, FIELD_INTENSITY, FIELD_HIGHLIGHT,
                                                FIELD_PROTECTION};
inline constexpr ZO_LONG DISPLAY_ITEM_COUNT = BUILD_DISPLAY_GROUP_SIZE - BUILD_GROUP_SIZE;
static_assert(std::size(DISPLAY_ITEMS) == DISPLAY_ITEM_COUNT);
// What a field without those items has: the defaults of a new field.
inline constexpr ZO_LONG DISPLAY_DEFAULTS[] = {ZO_COLOR_DEFAULT, ZO_INTENSITY_DEFAULT, ZO_HIGHLIGHT_DEFAULT,
                                               ZO_PROTECTION_DEFAULT};
static_assert(std::size(DISPLAY_DEFAULTS) == DISPLAY_ITEM_COUNT);
// The input-flag items of a field and their entries in the widest group.
inline constexpr const char* FLAG_ITEMS[] = {FIELD_NUMERIC, FIELD_CURSOR};
inline constexpr ZO_LONG FLAG_ITEM_COUNT = BUILD_FLAG_GROUP_SIZE - BUILD_DISPLAY_GROUP_SIZE;
static_assert(std::size(FLAG_ITEMS) == FLAG_ITEM_COUNT);

// The format of a message as stored: "NONE" for an empty format, "STRING"
// for "VEXOSTR ", else the format itself.
const char* zoDossaStoredFormat(const ZoString& format);
// The reverse of zoDossaStoredFormat.
const char* zoDossaReadFormat(const char* stored);

// Letter of a service type: M I D C for 0 to 3, P for 4 and any other value.
const char* zoDossaServiceTypeLetter(ZO_LONG serviceType);
// Service type of a letter; -1 for a letter that names none.
ZO_LONG zoDossaServiceTypeFromLetter(char letter);

// Data type of the first letter of a built field's type entry; ZODT_NONE when it names none.
ZO_LONG zoDossaTypeFromLetter(char letter);
// The letter of a data type keyword ("STRING" gives "T"); "" when it names none.
const char* zoDossaTypeLetter(const char* keyword);

// A decimal text: leading blanks skipped, an optional sign, the leading
// digits; 0 without digits. Values beyond +-10^15 are held at that bound.
long long zoDossaDecimal(const char* text);

// An encoding stored as exactly three characters: c0 * 256 + c1 * 16 + c2,
// each character counting as its decimal digit value (any other character 0).
// False when the text is not three characters long.
bool zoDossaEncodingValue(const char* text, ZO_LONG& encoding);


}  // namespace zodossa

// The selection formula of a document: FORM = "form", then each key item
// given as " & item = "value"" (the second only with the first).
ZoString zoDossaFormula(const ZoString& form, const ZoString& key1Item, const ZoString& key1Value,
                        const ZoString& key2Item, const ZoString& key2Value);

