#include "docstore/zo_dossa_database.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <limits>
#include <new>

#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "docstore/zo_dossa_layout.h"

namespace {

using namespace zodossa;

// Item tables of the three forms written here and of the two read.
constexpr ZO_LONG T = DOSSA_ITEM_TEXT;
constexpr ZO_LONG N = DOSSA_ITEM_NUMBER;
constexpr ZO_LONG L = DOSSA_ITEM_TEXT_LIST;
constexpr ZO_LONG O = DOSSA_ITEM_OPTIONAL_NUMBER;

// The screen size comes last and is written only for a message that has one,
// so a message without one is stored as it always was.
enum MessageItem { M_NAME, M_DESCRIPTION, M_FORMAT, M_BUILT, M_ROWS, M_COLUMNS, M_COUNT };
constexpr ZO_LONG kMessageTypes[M_COUNT] = {T, T, T, N, N, N};
constexpr const char* kMessageItems[M_COUNT] = {MESSAGE_NAME, MESSAGE_DESCRIPTION, MESSAGE_FORMAT,
                                                BUILT,        MESSAGE_ROWS,        MESSAGE_COLUMNS};
constexpr ZO_LONG kMessageItemCount = M_ROWS;

enum FieldItem {
  F_MESSAGE_NAME, F_FIELD_NAME, F_DESCRIPTION, F_BASE_NAME, F_TYPE_EDIT, F_TYPE, F_DEFAULT,
  F_LENGTH_EDIT, F_LENGTH, F_SEGMENTS, F_HAS_ATTRIBUTES, F_ROW, F_COLUMN, F_PAD, F_ALIGNMENT,
  F_POSITION, F_BUILT,
  // Written only for a field whose display defaults are its own.
  F_COLOR, F_INTENSITY, F_HIGHLIGHT, F_PROTECTION, F_COUNT
};
constexpr ZO_LONG kFieldTypes[F_COUNT] = {T, T, T, T, T, T, T, T, N, T, T, T, T, T, T, N, N, T, T, T, T};
constexpr const char* kFieldItems[F_COUNT] = {
    MESSAGE_NAME,     FIELD_MESSAGE_FIELD_NAME, FIELD_DESCRIPTION, FIELD_BASE_NAME,
    FIELD_TYPE_EDIT,  FIELD_TYPE,               FIELD_DEFAULT,     FIELD_LENGTH_EDIT,
    FIELD_LENGTH,     FIELD_SEGMENTS,           FIELD_HAS_ATTRIBUTES, FIELD_ROW,
    FIELD_COLUMN,     FIELD_PAD,                FIELD_ALIGNMENT,   FIELD_POSITION,
    BUILT,            FIELD_COLOR,              FIELD_INTENSITY,   FIELD_HIGHLIGHT,
    FIELD_PROTECTION};
constexpr ZO_LONG kPlainFieldItemCount = F_COLOR;
static_assert(F_COUNT - F_COLOR == DISPLAY_ITEM_COUNT);

enum ServiceItem {
  S_NAME, S_STEP, S_CHARSET, S_CONNMGR, S_IBCONN, S_OBCONN, S_SYSNAME, S_TYPE, S_ENCVAL,
  S_ENCNAME, S_COUNT
};
constexpr ZO_LONG kServiceTypes[S_COUNT] = {T, T, T, T, T, T, T, T, T, T};
constexpr const char* kServiceItems[S_COUNT] = {
    SERVICE_NAME,   SERVICE_STEP,    SERVICE_CHARSET, SERVICE_CONNMGR, SERVICE_IBCONN,
    SERVICE_OBCONN, SERVICE_SYSNAME, SERVICE_TYPE,    SERVICE_ENCVAL,  SERVICE_ENCNAME};

enum BuiltItem { B_NAME, B_DESCRIPTION, B_FORMAT, B_FIELD_COUNT, B_FIELD_LIST, B_ROWS, B_COLUMNS };
constexpr ZO_LONG kBuiltTypes[ZoDossaDatabase::CACHED_ITEMS] = {T, T, T, N, L, O, O};
constexpr const char* kBuiltItems[ZoDossaDatabase::CACHED_ITEMS] = {
    BUILT_NAME, BUILT_DESCRIPTION, BUILT_FORMAT, BUILT_FIELD_COUNT, BUILT_FIELD_LIST, BUILT_ROWS, BUILT_COLUMNS};

// The screen texts of a "Message" document, read by its name.
constexpr ZO_LONG kTextTypes[ZoDossaDatabase::kTextItemCount] = {T, DOSSA_ITEM_OPTIONAL_TEXT_LIST};
constexpr const char* kTextItems[ZoDossaDatabase::kTextItemCount] = {MESSAGE_NAME, MESSAGE_SCREEN_TEXTS};

// A field's display defaults in the order of its display items and entries.
std::array<ZO_LONG, DISPLAY_ITEM_COUNT> displayValues(const ZoFieldDef& definition) {
  return {definition.getColor(), definition.getIntensity(), definition.getHighLight(), definition.getProtection()};
}

// Room for a number written as text.
constexpr std::size_t kNumberText = 24;

void setLong(ItemValue& value, ZO_LONG number) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(number));
  value.setText(text);
}

void setUnsigned(ItemValue& value, ZO_LONG number) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%lu",
                static_cast<unsigned long>(static_cast<ZO_ULONG>(number)));
  value.setText(text);
}

// The value of a decimal entry within [low, high]; false when it is outside.
bool entryValue(const char* entry, long long low, long long high, long long& value) {
  value = zoDossaDecimal(entry);
  return value >= low && value <= high;
}

// The code a field read would refuse the stored texts `v` of `definition`
// with, or that stands for a value the read would give back changed; 0 when
// every property comes back exactly as it is.
ZO_ULONG unreadableField(const ZoFieldDef& definition, const ItemValue (&v)[F_COUNT]) {
  const ZO_LONG dataType = zoDossaTypeFromLetter(zoDossaTypeLetter(v[F_TYPE].text)[0]);
  if (dataType == ZODT_NONE || dataType != definition.getDataType()) return ERR_DB_INVALID_DATATYPE;
  const struct {
    FieldItem item;
    ZO_LONG value;
  } numbers[] = {{F_LENGTH_EDIT, definition.getLength()},
                 {F_SEGMENTS, definition.getSegment()},
                 {F_ROW, definition.getRow()},
                 {F_COLUMN, definition.getColumn()}};
  for (const auto& number : numbers) {
    long long stored = 0;
    if (!entryValue(v[number.item].text, ZO_LONG_MIN, ZO_LONG_MAX, stored) || stored != number.value) {
      return ERR_DB_DATA_OVERFLOW;
    }
  }
  const ZO_BOOLEAN attributes = v[F_HAS_ATTRIBUTES].text[0] == 'Y' ? TRUE : FALSE;
  if (attributes != definition.getHasAttributes()) return ERR_DB_INV_HAS_ATTRS_VAL;
  const ZO_BYTE pad = v[F_PAD].text[0] == 'S' ? ZO_PAD_BLANK : ZO_PAD_ZERO;
  if (pad != definition.getPadCharacter()) return ERR_DB_INV_PAD_CHAR_VAL;
  if (v[F_ALIGNMENT].text[0] - '0' != definition.getAlignment()) return ERR_DB_INV_ALIGNMENT_VAL;
  // A text value longer than an item holds would come back cut.
  const ZO_LONG type = definition.getDataType();
  if (type != ZODT_SHORT && type != ZODT_LONG && type != ZODT_BYTE &&
      definition.getStringValue().length() > static_cast<ZO_LONG>(DOSSA_ITEM_TEXT_MAX)) {
    return ERR_DB_DATA_OVERFLOW;
  }
  return 0;
}

// The same for the stored texts of a service.
ZO_ULONG unreadableService(const ZoServiceDef& definition, const ItemValue (&v)[S_COUNT]) {
  if (zoDossaServiceTypeFromLetter(v[S_TYPE].text[0]) != definition.getServiceType()) {
    return ERR_DB_INV_SERVICE_TYPE_VAL;
  }
  ZO_LONG encoding = 0;
  if (!zoDossaEncodingValue(v[S_ENCVAL].text, encoding) || encoding != definition.getEncoding()) {
    return ERR_DB_INV_ENCODING_VAL;
  }
  long long characterSet = 0;
  if (!entryValue(v[S_CHARSET].text, ZO_LONG_MIN, ZO_LONG_MAX, characterSet) ||
      characterSet != definition.getCharacterSet()) {
    return ERR_DB_DATA_OVERFLOW;
  }
  return 0;
}

}  // namespace

ZoDossaDatabase::ZoDossaDatabase(const ZoSession& session, ZoDossaArguments arguments)
    : ZoDatabase(session), arguments_(arguments) {
  XTR_METHOD("ZoDossaDatabase :: ZoDossaDatabase", errorCode_);
  clearCache();
}

ZoDossaDatabase::~ZoDossaDatabase() {
  XTR_METHOD("ZoDossaDatabase :: ~ZoDossaDatabase", errorCode_);
  release();
}

void ZoDossaDatabase::clearCache() {
  freeTextListMemory(CACHED_ITEMS, kBuiltTypes, cache_);
  for (ItemValue& value : cache_) value.clearValue();
  builtFieldCount_ = 0;
  builtGroupWidth_ = 0;
}

void ZoDossaDatabase::release() {
  clearCache();
  builtMessageName_ = "";
  if (!adapter_) return;
  if (servicesCollection_ != 0) adapter_->closeCollection(servicesCollection_);
  if (builtCollection_ != 0) adapter_->closeCollection(builtCollection_);
  servicesCollection_ = 0;
  builtCollection_ = 0;
  adapter_.reset();
}

void ZoDossaDatabase::mapAdapterError(Mapping mapping) {
  ZO_ULONG code = adapter_->getErrorCode();
  bool readMapping = mapping == Mapping::ReadMessage || mapping == Mapping::ReadService;
  switch (code) {
    case ERR_RDBD_DOSSA_ERROR:
      errorCode_ = ERR_DB_SYS_ERROR;
      dbErrorCode_ = static_cast<ZO_LONG>(adapter_->getLibraryStatus());
      return;
    case ERR_RDBD_SECURITY_FAILURE:
      errorCode_ = ERR_DB_SECURITY_FAILURE;
      return;
    case ERR_RDBD_DEFN_NOT_FOUND:
      errorCode_ = mapping == Mapping::Write ? code : ERR_DB_DEFN_NOT_FOUND;
      return;
    case ERR_RDBD_DEFN_ALREADY_EXISTS:
      errorCode_ = mapping == Mapping::Write ? ERR_DB_DEFN_ALREADY_EXISTS : code;
      return;
    case ERR_RDBD_NO_MEMORY:
      errorCode_ = readMapping ? ERR_DB_NO_MEMORY : code;
      return;
    case ERR_RDBD_INCOMPATIBLE_DATABASE:
      errorCode_ = readMapping ? ERR_DB_INCOMPATIBLE_DATABASE : code;
      return;
    case ERR_RDBD_DUPLICATE_DEFN:
      errorCode_ = mapping == Mapping::ReadService ? ERR_DB_DUPLICATE_DEFN : code;
      return;
    case ERR_RDBD_SERVER_UNKNOWN:
    case ERR_RDBD_DATABASE_UNKNOWN:
      errorCode_ = mapping == Mapping::Open ? ERR_DB_DATABASE_UNKNOWN : code;
      return;
    case ERR_RDBD_SERVER_NOT_RESPONDING:
      errorCode_ = mapping == Mapping::Open ? ERR_DB_SERVER_NOT_RESPONDING : code;
      return;
    default:
      errorCode_ = code;
  }
}

ZO_BOOLEAN ZoDossaDatabase::finish() {
  if (adapter_) dbErrorText_ = adapter_->getMsgString(static_cast<ZO_ULONG>(dbErrorCode_));
  return succeeded();
}

ZO_BOOLEAN ZoDossaDatabase::open(const ZoString& databaseName, const ZoString& serverName) {
  XTR_METHOD("ZoDossaDatabase :: open", errorCode_);
  clearCodes();
  if (adapter_) return fail(ERR_DB_ALREADY_OPEN);
  if (arguments_.given) {
    adapter_.reset(new (std::nothrow)
                       ZoRealDossaDatabase(serverName, databaseName, arguments_.argc, arguments_.argv));
  } else {
    adapter_.reset(new (std::nothrow) ZoRealDossaDatabase(serverName, databaseName));
  }
  if (!adapter_) return fail(ERR_DB_NO_MEMORY);
  if (adapter_->getErrorCode() == 0) servicesCollection_ = adapter_->openCollection(SERVICES_VIEW);
  if (adapter_->getErrorCode() == 0) builtCollection_ = adapter_->openCollection(BUILT_VIEW);
  if (adapter_->getErrorCode() != 0) {
    mapAdapterError(Mapping::Open);
    finish();
    release();
    return FALSE;
  }
  return finish();
}

ZO_BOOLEAN ZoDossaDatabase::close() {
  XTR_METHOD("ZoDossaDatabase :: close", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  release();
  return TRUE;
}

// ---- Units of work ----------------------------------------------------------------

ZO_BOOLEAN ZoDossaDatabase::beginUnit() {
  XTR_METHOD("ZoDossaDatabase :: beginUnit", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  unitMessages_.clear();
  if (adapter_->beginUnit()) {
    inUnit_ = true;
  } else {
    mapAdapterError(Mapping::Write);
  }
  return finish();
}

ZO_BOOLEAN ZoDossaDatabase::commitUnit() {
  XTR_METHOD("ZoDossaDatabase :: commitUnit", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  std::string problem;
  for (UnitMessage& message : unitMessages_) {
    const bool built = message.fieldsKnown ? adapter_->writeBuiltMessage(std::move(message.built), problem)
                                           : adapter_->buildMessage(message.built.name.c_str(), problem);
    if (!built) {
      mapAdapterError(Mapping::Write);
      return finish();
    }
  }
  if (adapter_->commitUnit()) {
    inUnit_ = false;
    unitMessages_.clear();
  } else {
    mapAdapterError(Mapping::Write);
  }
  return finish();
}

ZO_BOOLEAN ZoDossaDatabase::abortUnit() {
  XTR_METHOD("ZoDossaDatabase :: abortUnit", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  inUnit_ = false;
  unitMessages_.clear();
  // The documents written in the unit are gone: fields may not follow them.
  currentMessageName_ = "";
  if (!adapter_->abortUnit()) mapAdapterError(Mapping::Write);
  return finish();
}

// ---- Writes ---------------------------------------------------------------------

ZO_BOOLEAN ZoDossaDatabase::write(ZoMessageDef& definition, ZO_BOOLEAN replace) {
  XTR_METHOD("ZoDossaDatabase :: write ( ZoMessageDef&, ...", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  fieldPosition_ = 1;
  currentMessageName_ = "";
  const ZoString& name = definition.getMessageName();
  if (name.length() == 0) return TRUE;
  // Texts that cannot be stored refuse the message before anything is written.
  ItemValue texts;
  ZO_LONG textEntrySize = 0;
  if (!screenTextEntries(definition, texts, textEntrySize)) return FALSE;
  ItemValue values[M_COUNT];
  values[M_NAME].setText(name.text());
  values[M_DESCRIPTION].setText(definition.getDescription().text());
  values[M_FORMAT].setText(zoDossaStoredFormat(definition.getFormat()));
  // Built outside a unit; within one the commit builds the message first.
  values[M_BUILT].number = inUnit_ ? 1 : 0;
  values[M_ROWS].number = definition.getRowCount();
  values[M_COLUMNS].number = definition.getColumnCount();
  // A replaced document keeps the items it is not given: a size it has is
  // overwritten even when the new definition has none.
  const bool sized = values[M_ROWS].number != 0 || values[M_COLUMNS].number != 0 ||
                     (replace && storedSize(name));
  if (adapter_->write(MESSAGE_FORM, MESSAGE_NAME, name, "", "", replace, sized ? M_COUNT : kMessageItemCount,
                      kMessageTypes, kMessageItems, DOSSA_DEFAULT_ENTRY_SIZE, values) &&
      writeScreenTexts(name, texts, textEntrySize, replace)) {
    currentMessageName_ = name;
    if (inUnit_) {
      UnitMessage unit;
      unit.built.name = name.text();
      unit.built.description = values[M_DESCRIPTION].text;
      unit.built.format = values[M_FORMAT].text;
      unit.built.rows = sized ? static_cast<std::int32_t>(values[M_ROWS].number) : 0;
      unit.built.columns = sized ? static_cast<std::int32_t>(values[M_COLUMNS].number) : 0;
      unitMessages_.push_back(std::move(unit));
    }
  } else {
    mapAdapterError(Mapping::Write);
  }
  return finish();
}

bool ZoDossaDatabase::screenTextEntries(const ZoMessageDef& definition, ItemValue& entries,
                                        ZO_LONG& entrySize) {
  const std::vector<ZoScreenText>& texts = definition.getScreenTexts();
  std::vector<std::string> encoded;
  encoded.reserve(texts.size());
  std::size_t longest = 0;
  for (const ZoScreenText& text : texts) {
    encoded.push_back(zoScreenTextEntry(text));
    longest = std::max(longest, encoded.back().size());
    if (encoded.back().size() > static_cast<std::size_t>(DOSSA_MAX_ENTRY_LENGTH)) {
      fail(ERR_DB_DATA_OVERFLOW);
      char reason[160];
      std::snprintf(reason, sizeof reason,
                    "the screen text at row %ld, column %ld holds %d characters: a stored text holds at most %ld",
                    static_cast<long>(text.row), static_cast<long>(text.column), text.text.length(),
                    static_cast<long>(DOSSA_MAX_ENTRY_LENGTH - (encoded.back().size() - text.text.length())));
      dbErrorText_ = reason;
      XTR_TEXTF("ERR_DB_DATA_OVERFLOW: %s", reason);
      return false;
    }
  }
  const std::size_t count = encoded.empty() ? 1 : encoded.size();
  entrySize = static_cast<ZO_LONG>(longest + 1);
  if (count > DOSSA_MAX_LIST_ENTRIES || count * (longest + 1) > DOSSA_MAX_LIST_BUFFER) {
    fail(ERR_DB_DATA_OVERFLOW);
    dbErrorText_ = ZoString("message ") + definition.getMessageName() + " has more screen texts than a text list holds";
    XTR_TEXTF("ERR_DB_DATA_OVERFLOW: %s", dbErrorText_.text());
    return false;
  }
  // An empty entry stands for no text, so that a replace can clear older ones.
  entries.listBuffer.reset(new (std::nothrow) char[count * (longest + 1)]());
  if (!entries.listBuffer) {
    fail(ERR_DB_NO_MEMORY);
    return false;
  }
  entries.listCount = encoded.empty() ? 0 : static_cast<ZO_LONG>(count);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    std::memcpy(entries.listBuffer.get() + i * (longest + 1), encoded[i].data(), encoded[i].size());
  }
  return true;
}

bool ZoDossaDatabase::writeScreenTexts(const ZoString& messageName, ItemValue& entries,
                                       ZO_LONG entrySize, ZO_BOOLEAN replace) {
  if (entries.listCount == 0) {
    if (!replace) return true;
    // Only a document that holds texts is given the empty list.
    ItemValue stored[kTextItemCount];
    ZO_LONG storedSize = 0;
    if (!readStoredTexts(messageName, stored, storedSize) || stored[1].listCount == 0) return true;
    entries.listCount = 1;
  }
  ItemValue values[3];
  values[0].setText(messageName.text());
  values[1].listCount = entries.listCount;
  values[1].listBuffer = std::move(entries.listBuffer);
  values[2].number = entrySize - 1;
  const ZO_LONG types[] = {T, L, N};
  const char* const items[] = {MESSAGE_NAME, MESSAGE_SCREEN_TEXTS, DOSSA_MAX_ENTRY_ITEM};
  return adapter_->write(MESSAGE_FORM, MESSAGE_NAME, messageName, "", "", TRUE, 3, types, items, entrySize,
                         values);
}

bool ZoDossaDatabase::readStoredTexts(const ZoString& messageName, ItemValue (&values)[kTextItemCount],
                                      ZO_LONG& entrySize) {
  return adapter_->read(MESSAGE_FORM, MESSAGE_NAME, messageName, "", "", FALSE, kTextItemCount, kTextTypes,
                        kTextItems, entrySize, values);
}

ZO_BOOLEAN ZoDossaDatabase::readScreenTexts(ZoMessageDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: readScreenTexts", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  loadScreenTexts(definition);
  return finish();
}

bool ZoDossaDatabase::loadScreenTexts(ZoMessageDef& definition) {
  definition.clearScreenTexts();
  ItemValue values[kTextItemCount];
  ZO_LONG entrySize = 0;
  if (!readStoredTexts(definition.getMessageName(), values, entrySize)) {
    // A built message whose "Message" document is gone has no texts to give.
    if (adapter_->getErrorCode() == ERR_RDBD_DEFN_NOT_FOUND) return true;
    mapAdapterError(Mapping::ReadMessage);
    return false;
  }
  bool good = true;
  for (ZO_LONG j = 0; good && j < values[1].listCount; ++j) {
    const char* entry = values[1].entry(j, entrySize);
    if (entry[0] == '\0') continue;
    ZoScreenText text;
    good = zoScreenTextFromEntry(entry, text);
    if (good) {
      definition.addScreenText(text);
    } else {
      XTR_TEXTF("ERR_DB_INCOMPATIBLE_DATABASE: %s entry %d: %s", MESSAGE_SCREEN_TEXTS, static_cast<int>(j), entry);
      errorCode_ = ERR_DB_INCOMPATIBLE_DATABASE;
    }
  }
  if (!good) definition.clearScreenTexts();
  return good;
}

bool ZoDossaDatabase::storedSize(const ZoString& messageName) {
  const ZO_LONG types[] = {T, O, O};
  const char* const items[] = {MESSAGE_NAME, MESSAGE_ROWS, MESSAGE_COLUMNS};
  ItemValue values[std::size(items)];
  ZO_LONG entrySize = 0;
  return adapter_->read(MESSAGE_FORM, MESSAGE_NAME, messageName, "", "", FALSE,
                        static_cast<ZO_LONG>(std::size(items)), types, items, entrySize, values) &&
         (values[1].number != 0 || values[2].number != 0);
}

ZO_BOOLEAN ZoDossaDatabase::write(ZoMessageDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: write ( ZoMessageDef& )", errorCode_);
  write(definition, FALSE);
  return succeeded();
}

ZO_BOOLEAN ZoDossaDatabase::write(ZoFieldDef& definition, ZO_BOOLEAN replace) {
  XTR_METHOD("ZoDossaDatabase :: write ( ZoFieldDef&, ... )", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  // A field belongs to the message written last; without one it would be
  // stored under an empty message name, where nothing can find it.
  if (currentMessageName_.length() == 0) {
    XTR_TEXTF("No message written before field %s", definition.getName().text());
    return fail(ERR_DB_NO_MSG_DEFN);
  }
  ItemValue v[F_COUNT];
  const char* typeWord = zoDataTypeKeyword(definition.getDataType());
  v[F_MESSAGE_NAME].setText(currentMessageName_.text());
  v[F_FIELD_NAME].setText(definition.getName().text());
  v[F_DESCRIPTION].setText(definition.getDescription().text());
  v[F_BASE_NAME].setText(definition.getBaseName().text());
  v[F_TYPE_EDIT].setText(typeWord);
  v[F_TYPE].setText(typeWord);
  switch (definition.getDataType()) {
    case ZODT_SHORT:
      setLong(v[F_DEFAULT], definition.getShortValue());
      break;
    case ZODT_LONG:
      setLong(v[F_DEFAULT], definition.getLongValue());
      break;
    case ZODT_BYTE:
      setLong(v[F_DEFAULT], static_cast<signed char>(definition.getByteValue()));
      break;
    default:
      v[F_DEFAULT].setText(definition.getStringValue().text());
  }
  setUnsigned(v[F_LENGTH_EDIT], definition.getLength());
  v[F_LENGTH].number = definition.getLength();
  setUnsigned(v[F_SEGMENTS], definition.getSegment());
  v[F_HAS_ATTRIBUTES].setText(definition.getHasAttributes() == 1 ? "Y" : "N");
  setUnsigned(v[F_ROW], definition.getRow());
  setUnsigned(v[F_COLUMN], definition.getColumn());
  v[F_PAD].setText(definition.getPadCharacter() == ZO_PAD_ZERO ? "N" : "S");
  switch (definition.getAlignment()) {
    case ZO_ALIGN_1:
      v[F_ALIGNMENT].setText("1");
      break;
    case ZO_ALIGN_2:
      v[F_ALIGNMENT].setText("2");
      break;
    case ZO_ALIGN_4:
      v[F_ALIGNMENT].setText("4");
      break;
    default:
      v[F_ALIGNMENT].setText("8");
  }
  UnitMessage* unit = unitMessage();
  // A replaced field is one document, not two entries.
  if (unit && replace) unit->fieldsKnown = false;
  v[F_POSITION].number = fieldPosition_++;
  v[F_BUILT].number = unit ? 1 : 0;
  const auto display = displayValues(definition);
  for (ZO_LONG i = 0; i < DISPLAY_ITEM_COUNT; ++i) setLong(v[F_COLOR + i], display[i]);
  // A replaced document keeps the items it is not given, so a replace
  // writes the display defaults even when they are a new field's.
  const ZO_LONG itemCount = definition.hasDisplayDefaults() || replace ? F_COUNT : kPlainFieldItemCount;
  // Only what the reads give back unchanged is stored: a definition they
  // would refuse, or change, is refused here.
  if (const ZO_ULONG unreadable = unreadableField(definition, v); unreadable != 0) {
    XTR_TEXTF("Field %s has a value the database cannot hold (0x%lx)", definition.getName().text(),
              static_cast<unsigned long>(unreadable));
    return fail(unreadable);
  }
  if (!adapter_->write(FIELD_FORM, MESSAGE_NAME, currentMessageName_, FIELD_MESSAGE_FIELD_NAME,
                       definition.getName(), replace, itemCount, kFieldTypes, kFieldItems,
                       DOSSA_DEFAULT_ENTRY_SIZE, v)) {
    mapAdapterError(Mapping::Write);
  } else if (unit && unit->fieldsKnown) {
    // The build's entries, as the build would read them back.
    ZoBuiltField field;
    field.position = static_cast<std::int32_t>(v[F_POSITION].number);
    field.entries = {v[F_FIELD_NAME].text, v[F_DESCRIPTION].text, v[F_BASE_NAME].text,
                     zoDossaTypeLetter(v[F_TYPE].text), v[F_DEFAULT].text, v[F_LENGTH_EDIT].text,
                     v[F_SEGMENTS].text, v[F_HAS_ATTRIBUTES].text, v[F_ROW].text, v[F_COLUMN].text,
                     v[F_PAD].text, v[F_ALIGNMENT].text};
    field.ownDisplay = itemCount == F_COUNT;
    for (ZO_LONG i = 0; i < DISPLAY_ITEM_COUNT; ++i)
      field.display[i] = field.ownDisplay ? v[F_COLOR + i].text : std::to_string(DISPLAY_DEFAULTS[i]);
    unit->built.fields.push_back(std::move(field));
  }
  return finish();
}

ZO_BOOLEAN ZoDossaDatabase::write(ZoFieldDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: write ( ZoFieldDef& )", errorCode_);
  write(definition, FALSE);
  return succeeded();
}

ZO_BOOLEAN ZoDossaDatabase::write(ZoServiceDef& definition, ZO_BOOLEAN replace) {
  XTR_METHOD("ZoDossaDatabase :: write ( ZoServiceDef&, ... )", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  ItemValue v[S_COUNT];
  v[S_NAME].setText(definition.getServiceName().text());
  v[S_STEP].setText(definition.getServiceStep().text());
  setLong(v[S_CHARSET], definition.getCharacterSet());
  v[S_CONNMGR].setText(definition.getConnectionManager().text());
  v[S_IBCONN].setText(definition.getInboundConnection().text());
  v[S_OBCONN].setText(definition.getOutboundConnection().text());
  v[S_SYSNAME].setText(definition.getSystemName().text());
  v[S_TYPE].setText(zoDossaServiceTypeLetter(definition.getServiceType()));
  char encoding[kNumberText];
  std::snprintf(encoding, sizeof encoding, "%lx",
                static_cast<unsigned long>(static_cast<ZO_ULONG>(definition.getEncoding())));
  v[S_ENCVAL].setText(encoding);
  v[S_ENCNAME].setText(encoding);
  if (const ZO_ULONG unreadable = unreadableService(definition, v); unreadable != 0) {
    XTR_TEXTF("Service %s has a value the database cannot hold (0x%lx)",
              definition.getServiceName().text(), static_cast<unsigned long>(unreadable));
    return fail(unreadable);
  }
  if (!adapter_->write(SERVICE_FORM, SERVICE_NAME, definition.getServiceName(), "", "", replace,
                       S_COUNT, kServiceTypes, kServiceItems, DOSSA_DEFAULT_ENTRY_SIZE, v)) {
    mapAdapterError(Mapping::Write);
  }
  return finish();
}

ZO_BOOLEAN ZoDossaDatabase::write(ZoServiceDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: write ( ZoServiceDef& )", errorCode_);
  write(definition, FALSE);
  return succeeded();
}

// ---- Reads ----------------------------------------------------------------------

ZO_BOOLEAN ZoDossaDatabase::read(ZoMessageDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: read ( ZoMessageDef& )", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  builtMessageName_ = "";
  clearCache();
  const ZoString& name = definition.getMessageName();
  if (!adapter_->read(builtCollection_, name, FALSE, CACHED_ITEMS, kBuiltTypes, kBuiltItems,
                      maxEntryLength_, cache_)) {
    mapAdapterError(Mapping::ReadMessage);
    clearCache();
    finish();
    if (errorCode_ == ERR_DB_DEFN_NOT_FOUND) explainUnbuilt(name);
    return succeeded();
  }
  // The view finds keys without regard to case; the document must be this message's.
  if (name != cache_[B_NAME].text) {
    XTR_TEXTF(" ERR_DB_DEFN_NOT_FOUND: built message %s is not %s", cache_[B_NAME].text,
              name.text());
    errorCode_ = ERR_DB_DEFN_NOT_FOUND;
  } else if (cache_[B_FIELD_COUNT].number < FIELD_GROUP_ENTRIES) {
    // Each field needs a whole group; a narrower one (0 or negative included)
    // cannot be decoded and must not divide.
    XTR_TEXTF("ERR_DB_INCOMPATIBLE_DATABASE: %s = %d", BUILT_FIELD_COUNT,
              static_cast<int>(cache_[B_FIELD_COUNT].number));
    errorCode_ = ERR_DB_INCOMPATIBLE_DATABASE;
  }
  if (errorCode_ == 0) {
    builtGroupWidth_ = cache_[B_FIELD_COUNT].number;
    builtFieldCount_ = cache_[B_FIELD_LIST].listCount / builtGroupWidth_;
    definition.setDescription(cache_[B_DESCRIPTION].text);
    definition.setFormat(zoDossaReadFormat(cache_[B_FORMAT].text));
    // A negative size fails the definition's check, and with it the read.
    if (cache_[B_ROWS].number != 0) definition.setRowCount(cache_[B_ROWS].number);
    if (definition.getErrorCode() == 0 && cache_[B_COLUMNS].number != 0)
      definition.setColumnCount(cache_[B_COLUMNS].number);
    for (ZO_LONG i = 0; definition.getErrorCode() == 0 && i < builtFieldCount_; ++i) {
      const char* field = cache_[B_FIELD_LIST].entry(i * builtGroupWidth_, maxEntryLength_);
      definition.addFieldNames(field, field);
    }
    errorCode_ = definition.getErrorCode();
  }
  if (errorCode_ != 0) {
    clearCache();
  } else {
    builtMessageName_ = name;
  }
  finish();
  if (errorCode_ == ERR_DB_DEFN_NOT_FOUND) explainUnbuilt(name);
  return succeeded();
}

void ZoDossaDatabase::explainUnbuilt(const ZoString& messageName) {
  ItemValue value;
  ZO_LONG entrySize = 0;
  const ZO_LONG types[] = {T};
  const char* const items[] = {MESSAGE_NAME};
  if (adapter_->read(MESSAGE_FORM, MESSAGE_NAME, messageName, "", "", FALSE, 1, types, items,
                     entrySize, &value)) {
    dbErrorText_ = ZoString("Message ") + messageName + " is imported but not built";
    XTR_TEXT(dbErrorText_.text());
  }
}

ZO_BOOLEAN ZoDossaDatabase::read(ZoFieldDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: read ( ZoFieldDef& )", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  if (builtMessageName_.length() == 0) return fail(ERR_DB_NO_MSG_DEFN);
  const ItemValue& list = cache_[B_FIELD_LIST];
  auto entry = [&](ZO_LONG group, ZO_LONG k) {
    return list.entry(group * builtGroupWidth_ + k, maxEntryLength_);
  };
  ZO_LONG group = 0;
  while (group < builtFieldCount_ && definition.getName() != entry(group, 0)) ++group;
  if (group == builtFieldCount_) {
    XTR_TEXTF(" ERR_DB_DEFN_NOT_FOUND: Field %s not in message %s.", definition.getName().text(),
              builtMessageName_.text());
    return fail(ERR_DB_DEFN_NOT_FOUND);
  }
  char typeLetter = entry(group, BUILD_TYPE)[0];
  char attributesLetter = entry(group, BUILD_HAS_ATTRIBUTES)[0];
  char padLetter = entry(group, BUILD_PAD)[0];
  char alignmentLetter = entry(group, BUILD_ALIGNMENT)[0];
  ZO_LONG dataType = zoDossaTypeFromLetter(typeLetter);
  if (dataType == ZODT_NONE) {
    XTR_TEXTF("ERR_DB_INVALID_DATATYPE:(%c)", typeLetter);
    errorCode_ = ERR_DB_INVALID_DATATYPE;
  }
  if (attributesLetter != 'Y' && attributesLetter != 'N') {
    XTR_TEXTF("ERR_DB_INV_HAS_ATTRS_VAL:(%c)", attributesLetter);
    errorCode_ = ERR_DB_INV_HAS_ATTRS_VAL;
  }
  if (padLetter != 'S' && padLetter != 'N') {
    XTR_TEXTF("ERR_DB_INV_PAD_CHAR_VAL:(%c)", padLetter);
    errorCode_ = ERR_DB_INV_PAD_CHAR_VAL;
  }
  ZO_LONG alignment = alignmentLetter - '0';
  if (!zoIsValidAlignment(alignment)) {
    XTR_TEXTF("ERR_DB_INV_ALIGNMENT_VAL:(%c)", alignmentLetter);
    errorCode_ = ERR_DB_INV_ALIGNMENT_VAL;
  }
  if (errorCode_ != 0) return FALSE;

  // Numbers must fit the properties they are stored in: a value that does not
  // is refused rather than wrapped.
  long long initial = 0, length = 0, segment = 0, row = 0, column = 0;
  const char* valueText = entry(group, BUILD_VALUE);
  bool fits = entryValue(entry(group, BUILD_LENGTH), ZO_LONG_MIN, ZO_LONG_MAX, length) &&
              entryValue(entry(group, BUILD_SEGMENT), ZO_LONG_MIN, ZO_LONG_MAX, segment) &&
              entryValue(entry(group, BUILD_ROW), ZO_LONG_MIN, ZO_LONG_MAX, row) &&
              entryValue(entry(group, BUILD_COLUMN), ZO_LONG_MIN, ZO_LONG_MAX, column);
  if (dataType == ZODT_SHORT)
    fits = fits && entryValue(valueText, std::numeric_limits<ZO_SHORT>::min(),
                              std::numeric_limits<ZO_SHORT>::max(), initial);
  if (dataType == ZODT_LONG) fits = fits && entryValue(valueText, ZO_LONG_MIN, ZO_LONG_MAX, initial);
  // A byte is stored as signed (-128 to 127); its unsigned form is accepted too.
  if (dataType == ZODT_BYTE) fits = fits && entryValue(valueText, -128, 255, initial);
  // Display defaults, in the wider groups only; each within its range.
  auto display = std::to_array(DISPLAY_DEFAULTS);
  if (builtGroupWidth_ >= BUILD_DISPLAY_GROUP_SIZE) {
    constexpr std::array<std::array<ZO_LONG, 2>, DISPLAY_ITEM_COUNT> ranges = {{
        {ZO_COLOR_MIN, ZO_COLOR_MAX},
        {ZO_INTENSITY_MIN, ZO_INTENSITY_MAX},
        {ZO_HIGHLIGHT_MIN, ZO_HIGHLIGHT_MAX},
        {ZO_PROTECTION_MIN, ZO_PROTECTION_MAX},
    }};
    for (ZO_LONG i = 0; i < DISPLAY_ITEM_COUNT; ++i) {
      long long value = 0;
      fits = fits && entryValue(entry(group, BUILD_COLOR + i), ranges[i][0], ranges[i][1], value);
      display[i] = static_cast<ZO_LONG>(value);
    }
  }
  if (!fits) {
    XTR_TEXTF("ERR_DB_DATA_OVERFLOW: field %s", definition.getName().text());
    return fail(ERR_DB_DATA_OVERFLOW);
  }

  definition.setBaseName(entry(group, BUILD_BASE_NAME));
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
  definition.setDescription(entry(group, BUILD_DESCRIPTION));
  definition.setHasAttributes(attributesLetter == 'Y' ? TRUE : FALSE);
  definition.setRow(static_cast<ZO_LONG>(row));
  definition.setColumn(static_cast<ZO_LONG>(column));
  definition.setPadCharacter(padLetter == 'S' ? ZO_PAD_BLANK : ZO_PAD_ZERO);
  definition.setAlignment(alignment);
  definition.setColor(display[0]);
  definition.setIntensity(display[1]);
  definition.setHighLight(display[2]);
  definition.setProtection(display[3]);
  return TRUE;
}

ZO_BOOLEAN ZoDossaDatabase::read(ZoServiceDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: read ( ZoServiceDef& )", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  ItemValue v[S_COUNT];
  ZO_LONG entrySize = 0;
  const ZoString& name = definition.getServiceName();
  if (!adapter_->read(servicesCollection_, name, FALSE, S_COUNT, kServiceTypes, kServiceItems,
                      entrySize, v)) {
    mapAdapterError(Mapping::ReadService);
    return finish();
  }
  // The view finds keys without regard to case; the document must be this service's.
  if (name != v[S_NAME].text) {
    XTR_TEXTF(" ERR_DB_DEFN_NOT_FOUND: service %s is not %s", v[S_NAME].text, name.text());
    errorCode_ = ERR_DB_DEFN_NOT_FOUND;
    return finish();
  }
  ZO_LONG serviceType = zoDossaServiceTypeFromLetter(v[S_TYPE].text[0]);
  if (serviceType < 0) {
    XTR_TEXTF("ERR_DB_INV_SERVICE_TYPE_VAL:(%c)", v[S_TYPE].text[0]);
    errorCode_ = ERR_DB_INV_SERVICE_TYPE_VAL;
  }
  ZO_LONG encoding = 0;
  if (!zoDossaEncodingValue(v[S_ENCVAL].text, encoding)) {
    XTR_TEXTF("ERR_DB_INV_ENCODING_VAL:(%s)", v[S_ENCVAL].text);
    errorCode_ = ERR_DB_INV_ENCODING_VAL;
  }
  long long characterSet = 0;
  if (errorCode_ == 0 && !entryValue(v[S_CHARSET].text, ZO_LONG_MIN, ZO_LONG_MAX, characterSet)) {
    XTR_TEXTF("ERR_DB_DATA_OVERFLOW: %s = %s", SERVICE_CHARSET, v[S_CHARSET].text);
    errorCode_ = ERR_DB_DATA_OVERFLOW;
  }
  if (errorCode_ == 0) {
    definition.setServiceType(serviceType);
    definition.setServiceStep(v[S_STEP].text);
    definition.setCharacterSet(static_cast<ZO_LONG>(characterSet));
    definition.setConnectionManager(v[S_CONNMGR].text);
    definition.setInboundConnection(v[S_IBCONN].text);
    definition.setOutboundConnection(v[S_OBCONN].text);
    definition.setSystemName(v[S_SYSNAME].text);
    definition.setEncoding(encoding);
  }
  return finish();
}

// ---- Deletes --------------------------------------------------------------------

ZO_BOOLEAN ZoDossaDatabase::deleteDefns(const ZoString& form, const ZoString& keyItem,
                                        const ZoString& keyValue) {
  XTR_METHOD("ZoDossaDatabase :: deleteDefns ", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  // What a unit's messages were written with may no longer be what they hold.
  if (form == MESSAGE_FORM || form == FIELD_FORM)
    for (UnitMessage& message : unitMessages_) message.fieldsKnown = false;
  if (!adapter_->deleteItems(form, keyItem, keyValue)) mapAdapterError(Mapping::Delete);
  return finish();
}

ZO_BOOLEAN ZoDossaDatabase::deleteSvc(const ZoString& serviceName) {
  XTR_METHOD("ZoDossaDatabase :: deleteSvc ", errorCode_);
  return deleteDefns(SERVICE_FORM, SERVICE_NAME, serviceName);
}

ZO_BOOLEAN ZoDossaDatabase::deleteMsg(const ZoString& messageName) {
  XTR_METHOD("ZoDossaDatabase :: deleteMsg ", errorCode_);
  return deleteDefns(MESSAGE_FORM, MESSAGE_NAME, messageName);
}

ZO_BOOLEAN ZoDossaDatabase::deleteMsgFlds(const ZoString& messageName) {
  XTR_METHOD("ZoDossaDatabase :: deleteMsgFlds ( ZoString& )", errorCode_);
  deleteDefns(FIELD_FORM, MESSAGE_NAME, messageName);
  // The message has no field left but those written from now on in the unit.
  UnitMessage* unit = unitMessage();
  if (unit && unit->built.name == messageName.text() && (errorCode_ == 0 || errorCode_ == ERR_DB_DEFN_NOT_FOUND)) {
    unit->fieldsKnown = true;
    unit->built.fields.clear();
  }
  return succeeded();
}

ZoDossaDatabase::UnitMessage* ZoDossaDatabase::unitMessage() {
  if (!inUnit_ || unitMessages_.empty() || currentMessageName_.length() == 0) return nullptr;
  UnitMessage& last = unitMessages_.back();
  return last.built.name == currentMessageName_.text() ? &last : nullptr;
}

ZO_BOOLEAN ZoDossaDatabase::deleteBuiltMsg(const ZoString& messageName) {
  XTR_METHOD("ZoDossaDatabase :: deleteBuiltMsg ", errorCode_);
  return deleteDefns(BUILT_FORM, BUILT_NAME, messageName);
}

// ---- Listing --------------------------------------------------------------------

ZO_BOOLEAN ZoDossaDatabase::listMessageNames(std::vector<ZoString>& names) {
  XTR_METHOD("ZoDossaDatabase :: listMessageNames", errorCode_);
  clearCodes();
  names.clear();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  std::vector<std::string> stored;
  if (!adapter_->messageNames(stored)) {
    mapAdapterError(Mapping::ReadMessage);
    return finish();
  }
  names.reserve(stored.size());
  for (const std::string& name : stored) names.emplace_back(name.c_str());
  return finish();
}
