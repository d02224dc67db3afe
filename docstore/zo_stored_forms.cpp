#include "docstore/zo_stored_forms.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "ndossa/dossa_admin.h"

namespace zodossa {

namespace {

constexpr ZO_LONG T = DOSSA_ITEM_TEXT;
constexpr ZO_LONG N = DOSSA_ITEM_NUMBER;
constexpr ZO_LONG L = DOSSA_ITEM_TEXT_LIST;
constexpr ZO_LONG O = DOSSA_ITEM_OPTIONAL_NUMBER;

// A text as an item keeps it: cut to 63 characters.
std::string stored(const char* text) { return std::string(text, strnlen(text, DOSSA_ITEM_TEXT_MAX)); }

// Room for a number written as text.
constexpr std::size_t kNumberText = 24;

std::string decimal(ZO_LONG number) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(number));
  return text;
}

std::string unsignedDecimal(ZO_LONG number) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(static_cast<ZO_ULONG>(number)));
  return text;
}

// The value of a decimal entry within [low, high]; false when it is outside.
bool entryValue(const char* entry, long long low, long long high, long long& value) {
  value = zoDossaDecimal(entry);
  return value >= low && value <= high;
}

const char* alignmentText(ZO_LONG alignment) {
  switch (alignment) {
    case ZO_ALIGN_1:
      return "1";
    case ZO_ALIGN_2:
      return "2";
    case ZO_ALIGN_4:
      return "4";
    default:
      return "8";
  }
}

}  // namespace

// ---- "Message" ---------------------------------------------------------------

const FormItems<M_COUNT>& zoMessageItems() {
  static constexpr FormItems<M_COUNT> items{
      {MESSAGE_NAME, MESSAGE_DESCRIPTION, MESSAGE_FORMAT, BUILT, MESSAGE_ROWS, MESSAGE_COLUMNS},
      {T, T, T, N, N, N}};
  return items;
}

StoredMessage zoStoredMessage(const ZoMessageDef& definition, bool built) {
  StoredMessage message;
  // The name whole: it is the key the field writes and the build look up by
  // (the item written keeps 63 characters of it).
  message.texts[M_NAME] = definition.getMessageName().text();
  message.texts[M_DESCRIPTION] = stored(definition.getDescription().text());
  message.texts[M_FORMAT] = stored(zoDossaStoredFormat(definition.getFormat()));
  message.numbers[M_BUILT] = built ? 1 : 0;
  message.numbers[M_ROWS] = definition.getRowCount();
  message.numbers[M_COLUMNS] = definition.getColumnCount();
  return message;
}

const FormItems<MS_COUNT>& zoMessageSizeItems() {
  static constexpr FormItems<MS_COUNT> items{{MESSAGE_NAME, MESSAGE_ROWS, MESSAGE_COLUMNS}, {T, O, O}};
  return items;
}

const FormItems<ST_COUNT>& zoScreenTextItems() {
  static constexpr FormItems<ST_COUNT> items{{MESSAGE_NAME, MESSAGE_SCREEN_TEXTS, DOSSA_MAX_ENTRY_ITEM},
                                             {T, DOSSA_ITEM_OPTIONAL_TEXT_LIST, N}};
  return items;
}

ZO_ULONG zoScreenTextValues(const ZoMessageDef& definition, ItemValue (&values)[ST_COUNT], ZO_LONG& entrySize,
                            std::string& reason) {
  const std::vector<ZoScreenText>& texts = definition.getScreenTexts();
  std::vector<std::string> entries;
  entries.reserve(texts.size());
  std::size_t longest = 0;
  for (const ZoScreenText& text : texts) {
    const std::string& entry = entries.emplace_back(zoScreenTextEntry(text));
    longest = std::max(longest, entry.size());
    if (entry.size() > static_cast<std::size_t>(DOSSA_MAX_ENTRY_LENGTH)) {
      reason = "the screen text at row " + std::to_string(text.row) + ", column " + std::to_string(text.column) +
               " holds " + std::to_string(text.text.length()) + " characters: a stored text holds at most " +
               std::to_string(DOSSA_MAX_ENTRY_LENGTH - static_cast<ZO_LONG>(entry.size() - text.text.length()));
      XTR_TEXTF("ERR_DB_DATA_OVERFLOW: %s", reason.c_str());
      return ERR_DB_DATA_OVERFLOW;
    }
  }
  const std::size_t slots = entries.empty() ? 1 : entries.size();
  const std::size_t slotSize = longest + 1;
  if (slots > DOSSA_MAX_LIST_ENTRIES || slots * slotSize > DOSSA_MAX_LIST_BUFFER) {
    reason = std::string("message ") + definition.getMessageName().text() +
             " has more screen texts than a text list holds";
    XTR_TEXTF("ERR_DB_DATA_OVERFLOW: %s", reason.c_str());
    return ERR_DB_DATA_OVERFLOW;
  }
  ItemValue& list = values[ST_TEXTS];
  list.listBuffer.reset(new (std::nothrow) char[slots * slotSize]());
  if (!list.listBuffer) return ERR_DB_NO_MEMORY;
  list.listCount = static_cast<ZO_LONG>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    std::memcpy(list.listBuffer.get() + i * slotSize, entries[i].data(), entries[i].size());
  values[ST_NAME].setText(definition.getMessageName().text());
  values[ST_LONGEST].number = static_cast<ZO_LONG>(longest);
  entrySize = static_cast<ZO_LONG>(slotSize);
  return 0;
}

ZO_ULONG zoScreenTextsFromValues(const ItemValue& list, ZO_LONG entrySize, ZoMessageDef& definition) {
  definition.clearScreenTexts();
  for (ZO_LONG j = 0; j < list.listCount; ++j) {
    const char* entry = list.entry(j, entrySize);
    if (entry[0] == '\0') continue;
    ZoScreenText text;
    if (!zoScreenTextFromEntry(entry, text)) {
      XTR_TEXTF("ERR_DB_INCOMPATIBLE_DATABASE: %s entry %d: %s", MESSAGE_SCREEN_TEXTS, static_cast<int>(j), entry);
      definition.clearScreenTexts();
      return ERR_DB_INCOMPATIBLE_DATABASE;
    }
    definition.addScreenText(text);
  }
  return 0;
}

ZoBuiltMessage zoMessageBuild(const StoredMessage& message) {
  ZoBuiltMessage built;
  built.name = message.texts[M_NAME];
  built.description = message.texts[M_DESCRIPTION];
  built.format = message.texts[M_FORMAT];
  built.rows = static_cast<std::int32_t>(message.numbers[M_ROWS]);
  built.columns = static_cast<std::int32_t>(message.numbers[M_COLUMNS]);
  return built;
}

// ---- "Field" -----------------------------------------------------------------

const FormItems<F_COUNT>& zoFieldItems() {
  static constexpr FormItems<F_COUNT> items{
      {MESSAGE_NAME,     FIELD_MESSAGE_FIELD_NAME, FIELD_DESCRIPTION,    FIELD_BASE_NAME, FIELD_TYPE_EDIT,
       FIELD_TYPE,       FIELD_DEFAULT,            FIELD_LENGTH_EDIT,    FIELD_LENGTH,    FIELD_SEGMENTS,
       FIELD_HAS_ATTRIBUTES, FIELD_ROW,            FIELD_COLUMN,         FIELD_PAD,       FIELD_ALIGNMENT,
       FIELD_POSITION,   BUILT,                    FIELD_COLOR,          FIELD_INTENSITY, FIELD_HIGHLIGHT,
       FIELD_PROTECTION, FIELD_NUMERIC,            FIELD_CURSOR},
      {T, T, T, T, T, T, T, T, N, T, T, T, T, T, T, N, N, T, T, T, T, T, T}};
  return items;
}

StoredField zoStoredField(const ZoFieldDef& definition, const std::string& messageName, ZO_LONG position,
                          bool built, bool replace) {
  StoredField field;
  auto& t = field.texts;
  const char* typeWord = zoDataTypeKeyword(definition.getDataType());
  t[F_MESSAGE_NAME] = stored(messageName.c_str());
  t[F_FIELD_NAME] = stored(definition.getName().text());
  t[F_DESCRIPTION] = stored(definition.getDescription().text());
  t[F_BASE_NAME] = stored(definition.getBaseName().text());
  t[F_TYPE_EDIT] = stored(typeWord);
  t[F_TYPE] = stored(typeWord);
  switch (definition.getDataType()) {
    case ZODT_SHORT:
      t[F_DEFAULT] = decimal(definition.getShortValue());
      break;
    case ZODT_LONG:
      t[F_DEFAULT] = decimal(definition.getLongValue());
      break;
    case ZODT_BYTE:
      t[F_DEFAULT] = decimal(static_cast<signed char>(definition.getByteValue()));
      break;
    default:
      t[F_DEFAULT] = stored(definition.getStringValue().text());
  }
  t[F_LENGTH_EDIT] = unsignedDecimal(definition.getLength());
  field.numbers[F_LENGTH] = definition.getLength();
  t[F_SEGMENTS] = unsignedDecimal(definition.getSegment());
  t[F_HAS_ATTRIBUTES] = definition.getHasAttributes() == 1 ? "Y" : "N";
  t[F_ROW] = unsignedDecimal(definition.getRow());
  t[F_COLUMN] = unsignedDecimal(definition.getColumn());
  t[F_PAD] = definition.getPadCharacter() == ZO_PAD_ZERO ? "N" : "S";
  t[F_ALIGNMENT] = alignmentText(definition.getAlignment());
  field.numbers[F_POSITION] = position;
  field.numbers[F_BUILT] = built ? 1 : 0;
  const ZO_LONG display[DISPLAY_ITEM_COUNT] = {definition.getColor(), definition.getIntensity(),
                                               definition.getHighLight(), definition.getProtection()};
  for (ZO_LONG i = 0; i < DISPLAY_ITEM_COUNT; ++i) t[F_COLOR + i] = decimal(display[i]);
  field.ownDisplay = definition.hasDisplayDefaults() || replace;
  t[F_NUMERIC] = definition.getNumeric() ? "1" : "0";
  t[F_CURSOR] = definition.getCursor() ? "1" : "0";
  field.ownFlags = definition.hasInputFlags() || replace;
  return field;
}

ZO_LONG zoWrittenFieldItems(const StoredField& field, std::array<FieldItem, F_COUNT>& items) {
  ZO_LONG count = 0;
  for (int i = 0; i < F_COUNT; ++i) {
    const bool display = i >= F_COLOR && i < F_NUMERIC;
    const bool flag = i >= F_NUMERIC;
    if ((display && !field.ownDisplay) || (flag && !field.ownFlags)) continue;
    items[static_cast<std::size_t>(count++)] = static_cast<FieldItem>(i);
  }
  return count;
}

ZO_ULONG zoUnreadableField(const ZoFieldDef& definition, const StoredField& field) {
  const auto& t = field.texts;
  const ZO_LONG dataType = zoDossaTypeFromLetter(zoDossaTypeLetter(t[F_TYPE].c_str())[0]);
  if (dataType == ZODT_NONE || dataType != definition.getDataType()) return ERR_DB_INVALID_DATATYPE;
  const struct {
    FieldItem item;
    ZO_LONG value;
  } numbers[] = {{F_LENGTH_EDIT, definition.getLength()},
                 {F_SEGMENTS, definition.getSegment()},
                 {F_ROW, definition.getRow()},
                 {F_COLUMN, definition.getColumn()}};
  for (const auto& number : numbers) {
    long long value = 0;
    if (!entryValue(t[number.item].c_str(), ZO_LONG_MIN, ZO_LONG_MAX, value) || value != number.value) {
      return ERR_DB_DATA_OVERFLOW;
    }
  }
  const ZO_BOOLEAN attributes = t[F_HAS_ATTRIBUTES][0] == 'Y' ? TRUE : FALSE;
  if (attributes != definition.getHasAttributes()) return ERR_DB_INV_HAS_ATTRS_VAL;
  const ZO_BYTE pad = t[F_PAD][0] == 'S' ? ZO_PAD_BLANK : ZO_PAD_ZERO;
  if (pad != definition.getPadCharacter()) return ERR_DB_INV_PAD_CHAR_VAL;
  if (t[F_ALIGNMENT][0] - '0' != definition.getAlignment()) return ERR_DB_INV_ALIGNMENT_VAL;
  // A text value longer than an item holds would come back cut.
  const ZO_LONG type = definition.getDataType();
  if (type != ZODT_SHORT && type != ZODT_LONG && type != ZODT_BYTE &&
      definition.getStringValue().length() > static_cast<ZO_LONG>(DOSSA_ITEM_TEXT_MAX)) {
    return ERR_DB_DATA_OVERFLOW;
  }
  return 0;
}

ZoBuiltField zoFieldBuildGroup(const StoredField& field) {
  // The items of the entries, in BuildEntry order.
  static constexpr FieldItem kEntries[BUILD_GROUP_SIZE] = {
      F_FIELD_NAME, F_DESCRIPTION, F_BASE_NAME, F_TYPE, F_DEFAULT, F_LENGTH_EDIT,
      F_SEGMENTS,   F_HAS_ATTRIBUTES, F_ROW,    F_COLUMN, F_PAD,   F_ALIGNMENT};
  ZoBuiltField group;
  group.position = static_cast<std::int32_t>(field.numbers[F_POSITION]);
  group.entries.reserve(BUILD_GROUP_SIZE);
  for (FieldItem item : kEntries)
    group.entries.push_back(item == F_TYPE ? zoDossaTypeLetter(field.texts[item].c_str()) : field.texts[item]);
  group.ownDisplay = field.ownDisplay;
  for (ZO_LONG i = 0; i < DISPLAY_ITEM_COUNT; ++i)
    group.display[i] = field.ownDisplay ? field.texts[F_COLOR + i] : std::to_string(DISPLAY_DEFAULTS[i]);
  group.ownFlags = field.ownFlags;
  for (ZO_LONG i = 0; i < FLAG_ITEM_COUNT; ++i) group.flags[i] = field.ownFlags ? field.texts[F_NUMERIC + i] : "0";
  return group;
}

// ---- "MsgBuild" --------------------------------------------------------------

const FormItems<B_COUNT>& zoBuiltItems() {
  static constexpr FormItems<B_COUNT> items{{BUILT_NAME, BUILT_DESCRIPTION, BUILT_FORMAT, BUILT_FIELD_COUNT,
                                             BUILT_FIELD_LIST, BUILT_ROWS, BUILT_COLUMNS},
                                            {T, T, T, N, L, O, O}};
  return items;
}

ZO_ULONG zoFieldFromEntries(const char* const* entries, ZO_LONG width, ZoFieldDef& definition) {
  ZO_ULONG code = 0;
  const char typeLetter = entries[BUILD_TYPE][0];
  const char attributesLetter = entries[BUILD_HAS_ATTRIBUTES][0];
  const char padLetter = entries[BUILD_PAD][0];
  const char alignmentLetter = entries[BUILD_ALIGNMENT][0];
  const ZO_LONG dataType = zoDossaTypeFromLetter(typeLetter);
  if (dataType == ZODT_NONE) {
    XTR_TEXTF("ERR_DB_INVALID_DATATYPE:(%c)", typeLetter);
    code = ERR_DB_INVALID_DATATYPE;
  }
  if (attributesLetter != 'Y' && attributesLetter != 'N') {
    XTR_TEXTF("ERR_DB_INV_HAS_ATTRS_VAL:(%c)", attributesLetter);
    code = ERR_DB_INV_HAS_ATTRS_VAL;
  }
  if (padLetter != 'S' && padLetter != 'N') {
    XTR_TEXTF("ERR_DB_INV_PAD_CHAR_VAL:(%c)", padLetter);
    code = ERR_DB_INV_PAD_CHAR_VAL;
  }
  const ZO_LONG alignment = alignmentLetter - '0';
  if (!zoIsValidAlignment(alignment)) {
    XTR_TEXTF("ERR_DB_INV_ALIGNMENT_VAL:(%c)", alignmentLetter);
    code = ERR_DB_INV_ALIGNMENT_VAL;
  }
  if (code != 0) return code;

  // Numbers must fit the properties they are stored in: a value that does not
  // is refused rather than wrapped.
  long long initial = 0, length = 0, segment = 0, row = 0, column = 0;
  const char* valueText = entries[BUILD_VALUE];
  bool fits = entryValue(entries[BUILD_LENGTH], ZO_LONG_MIN, ZO_LONG_MAX, length) &&
              entryValue(entries[BUILD_SEGMENT], ZO_LONG_MIN, ZO_LONG_MAX, segment) &&
              entryValue(entries[BUILD_ROW], ZO_LONG_MIN, ZO_LONG_MAX, row) &&
              entryValue(entries[BUILD_COLUMN], ZO_LONG_MIN, ZO_LONG_MAX, column);
  if (dataType == ZODT_SHORT)
    fits = fits && entryValue(valueText, std::numeric_limits<ZO_SHORT>::min(),
                              std::numeric_limits<ZO_SHORT>::max(), initial);
  if (dataType == ZODT_LONG) fits = fits && entryValue(valueText, ZO_LONG_MIN, ZO_LONG_MAX, initial);
  // A byte is stored as signed (-128 to 127); its unsigned form is accepted too.
  if (dataType == ZODT_BYTE) fits = fits && entryValue(valueText, -128, 255, initial);
  // Display defaults, in the wider groups only; each within its range.
  auto display = std::to_array(DISPLAY_DEFAULTS);
  if (width >= BUILD_DISPLAY_GROUP_SIZE) {
    constexpr std::array<std::array<ZO_LONG, 2>, DISPLAY_ITEM_COUNT> ranges = {{
        {ZO_COLOR_MIN, ZO_COLOR_MAX},
        {ZO_INTENSITY_MIN, ZO_INTENSITY_MAX},
        {ZO_HIGHLIGHT_MIN, ZO_HIGHLIGHT_MAX},
        {ZO_PROTECTION_MIN, ZO_PROTECTION_MAX},
    }};
    for (ZO_LONG i = 0; i < DISPLAY_ITEM_COUNT; ++i) {
      long long value = 0;
      fits = fits && entryValue(entries[BUILD_COLOR + i], ranges[i][0], ranges[i][1], value);
      display[i] = static_cast<ZO_LONG>(value);
    }
  }
  // Input flags, in the widest groups only; each 0 or 1.
  std::array<ZO_BOOLEAN, FLAG_ITEM_COUNT> flags{};
  for (ZO_LONG i = 0; width >= BUILD_FLAG_GROUP_SIZE && i < FLAG_ITEM_COUNT; ++i) {
    long long value = 0;
    fits = fits && entryValue(entries[BUILD_NUMERIC + i], 0, 1, value);
    flags[i] = value != 0 ? TRUE : FALSE;
  }
  if (!fits) {
    XTR_TEXTF("ERR_DB_DATA_OVERFLOW: field %s", definition.getName().text());
    return ERR_DB_DATA_OVERFLOW;
  }

  definition.setBaseName(entries[BUILD_BASE_NAME]);
  definition.setDataType(dataType);
  switch (dataType) {
    case ZODT_SHORT:
      definition.setValue(static_cast<ZO_SHORT>(initial));
      break;
    case ZODT_LONG:
      definition.setValue(static_cast<ZO_LONG>(initial));
      break;
    case ZODT_BYTE:
      definition.setValue(static_cast<ZO_BYTE>(initial & 0xFF));
      break;
    default:
      definition.setValue(valueText);
  }
  definition.setLength(static_cast<ZO_LONG>(length));
  definition.setSegment(static_cast<ZO_LONG>(segment));
  definition.setDescription(entries[BUILD_DESCRIPTION]);
  definition.setHasAttributes(attributesLetter == 'Y' ? TRUE : FALSE);
  definition.setRow(static_cast<ZO_LONG>(row));
  definition.setColumn(static_cast<ZO_LONG>(column));
  definition.setPadCharacter(padLetter == 'S' ? ZO_PAD_BLANK : ZO_PAD_ZERO);
  definition.setAlignment(alignment);
  definition.setColor(display[0]);
  definition.setIntensity(display[1]);
  definition.setHighLight(display[2]);
  definition.setProtection(display[3]);
  definition.setNumeric(flags[0]);
  definition.setCursor(flags[1]);
  return 0;
}

// ---- The documents of a message -----------------------------------------------

const std::array<MessageDocumentForm, 3>& zoMessageDocumentForms() {
  static const std::array<MessageDocumentForm, 3> forms{{{MESSAGE_FORM, zoMessageItems().names[M_NAME]},
                                                         {FIELD_FORM, zoFieldItems().names[F_MESSAGE_NAME]},
                                                         {BUILT_FORM, zoBuiltItems().names[B_NAME]}}};
  return forms;
}

const MessageDocumentForm* zoMessageDocumentForm(std::string_view form) {
  for (const MessageDocumentForm& entry : zoMessageDocumentForms())
    if (DossaItemNameEquals(form, entry.form)) return &entry;
  return nullptr;
}

// ---- "Service" ---------------------------------------------------------------

const FormItems<S_COUNT>& zoServiceItems() {
  static constexpr FormItems<S_COUNT> items{
      {SERVICE_NAME, SERVICE_STEP, SERVICE_CHARSET, SERVICE_CONNMGR, SERVICE_IBCONN, SERVICE_OBCONN,
       SERVICE_SYSNAME, SERVICE_TYPE, SERVICE_ENCVAL, SERVICE_ENCNAME},
      {T, T, T, T, T, T, T, T, T, T}};
  return items;
}

StoredService zoStoredService(const ZoServiceDef& definition) {
  StoredService service;
  auto& t = service.texts;
  t[S_NAME] = stored(definition.getServiceName().text());
  t[S_STEP] = stored(definition.getServiceStep().text());
  t[S_CHARSET] = decimal(definition.getCharacterSet());
  t[S_CONNMGR] = stored(definition.getConnectionManager().text());
  t[S_IBCONN] = stored(definition.getInboundConnection().text());
  t[S_OBCONN] = stored(definition.getOutboundConnection().text());
  t[S_SYSNAME] = stored(definition.getSystemName().text());
  t[S_TYPE] = zoDossaServiceTypeLetter(definition.getServiceType());
  char encoding[kNumberText];
  std::snprintf(encoding, sizeof encoding, "%lx",
                static_cast<unsigned long>(static_cast<ZO_ULONG>(definition.getEncoding())));
  t[S_ENCVAL] = encoding;
  t[S_ENCNAME] = encoding;
  return service;
}

ZO_ULONG zoUnreadableService(const ZoServiceDef& definition, const StoredService& service) {
  const auto& t = service.texts;
  if (zoDossaServiceTypeFromLetter(t[S_TYPE][0]) != definition.getServiceType()) return ERR_DB_INV_SERVICE_TYPE_VAL;
  ZO_LONG encoding = 0;
  if (!zoDossaEncodingValue(t[S_ENCVAL].c_str(), encoding) || encoding != definition.getEncoding()) {
    return ERR_DB_INV_ENCODING_VAL;
  }
  long long characterSet = 0;
  if (!entryValue(t[S_CHARSET].c_str(), ZO_LONG_MIN, ZO_LONG_MAX, characterSet) ||
      characterSet != definition.getCharacterSet()) {
    return ERR_DB_DATA_OVERFLOW;
  }
  return 0;
}

ZO_ULONG zoServiceFromStored(const StoredService& service, ZoServiceDef& definition) {
  const auto& t = service.texts;
  ZO_ULONG code = 0;
  const ZO_LONG serviceType = zoDossaServiceTypeFromLetter(t[S_TYPE][0]);
  if (serviceType < 0) {
    XTR_TEXTF("ERR_DB_INV_SERVICE_TYPE_VAL:(%c)", t[S_TYPE][0]);
    code = ERR_DB_INV_SERVICE_TYPE_VAL;
  }
  ZO_LONG encoding = 0;
  if (!zoDossaEncodingValue(t[S_ENCVAL].c_str(), encoding)) {
    XTR_TEXTF("ERR_DB_INV_ENCODING_VAL:(%s)", t[S_ENCVAL].c_str());
    code = ERR_DB_INV_ENCODING_VAL;
  }
  long long characterSet = 0;
  if (code == 0 && !entryValue(t[S_CHARSET].c_str(), ZO_LONG_MIN, ZO_LONG_MAX, characterSet)) {
    XTR_TEXTF("ERR_DB_DATA_OVERFLOW: %s = %s", SERVICE_CHARSET, t[S_CHARSET].c_str());
    code = ERR_DB_DATA_OVERFLOW;
  }
  if (code != 0) return code;
  definition.setServiceType(serviceType);
  definition.setServiceStep(t[S_STEP].c_str());
  definition.setCharacterSet(static_cast<ZO_LONG>(characterSet));
  definition.setConnectionManager(t[S_CONNMGR].c_str());
  definition.setInboundConnection(t[S_IBCONN].c_str());
  definition.setOutboundConnection(t[S_OBCONN].c_str());
  definition.setSystemName(t[S_SYSNAME].c_str());
  definition.setEncoding(encoding);
  return 0;
}

// ---- "Security" --------------------------------------------------------------

const FormItems<SEC_COUNT>& zoSecurityItems() {
  static constexpr FormItems<SEC_COUNT> items{
      {SECURITY_USER, SECURITY_SYSTEM, SECURITY_USER_ID, SECURITY_AUTHENTICATOR}, {T, T, T, T}};
  return items;
}

void zoSecurityFromStored(const StoredSecurity& security, ZoSecurityDef& definition) {
  definition.setUserId(security.texts[SEC_USER_ID].c_str());
  definition.setAuthenticator(security.texts[SEC_AUTHENTICATOR].c_str());
}

}  // namespace zodossa
