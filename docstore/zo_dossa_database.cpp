#include "docstore/zo_dossa_database.h"

#include <array>
#include <new>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "common/trace.h"
#include "defs/zo_data_types.h"
#include "docstore/zo_dossa_layout.h"
#include "docstore/zo_stored_forms.h"

namespace {

using namespace zodossa;

static_assert(ZoDossaDatabase::CACHED_ITEMS == B_COUNT);
const auto& kBuilt = zoBuiltItems();

static_assert(ZoDossaDatabase::kTextItemCount == SCREEN_TEXT_READ_ITEMS);

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
  freeTextListMemory(CACHED_ITEMS, kBuilt.types.data(), cache_);
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
  writes_.messages().clear();
  if (adapter_->beginUnit()) {
    writes_.begin();
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
  for (ZoUnitWrites::Message& message : writes_.messages()) {
    const bool built = message.known ? adapter_->writeBuiltMessage(std::move(message.built), problem)
                                     : adapter_->buildMessage(message.built.name.c_str(), problem);
    if (!built) {
      mapAdapterError(Mapping::Write);
      return finish();
    }
  }
  if (adapter_->commitUnit()) {
    writes_.end();
  } else {
    mapAdapterError(Mapping::Write);
  }
  return finish();
}

ZO_BOOLEAN ZoDossaDatabase::abortUnit() {
  XTR_METHOD("ZoDossaDatabase :: abortUnit", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  writes_.abort();
  if (!adapter_->abortUnit()) mapAdapterError(Mapping::Write);
  return finish();
}

// ---- Writes ---------------------------------------------------------------------

ZO_BOOLEAN ZoDossaDatabase::write(ZoMessageDef& definition, ZO_BOOLEAN replace) {
  XTR_METHOD("ZoDossaDatabase :: write ( ZoMessageDef&, ...", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  writes_.messageWriting();
  const ZoString& name = definition.getMessageName();
  if (name.length() == 0) return TRUE;
  // Texts that cannot be stored refuse the message before anything is written.
  ItemValue texts[ST_COUNT];
  ZO_LONG textEntrySize = 0;
  std::string reason;
  if (const ZO_ULONG refused = zoScreenTextValues(definition, texts, textEntrySize, reason); refused != 0) {
    fail(refused);
    dbErrorText_ = reason.c_str();
    return FALSE;
  }
  // Built outside a unit; within one the commit builds the message first.
  StoredMessage message = zoStoredMessage(definition, writes_.inUnit());
  // A replaced document keeps the items it is not given: a size it has is
  // overwritten even when the new definition has none.
  const bool sized = zoHasSize(message) || (replace && storedSize(name));
  ItemValue values[M_COUNT];
  zoToValues(message, values);
  const auto& items = zoMessageItems();
  if (adapter_->write(MESSAGE_FORM, MESSAGE_NAME, name, "", "", replace, sized ? M_COUNT : MESSAGE_PLAIN_ITEMS,
                      items.types.data(), items.names.data(), DOSSA_DEFAULT_ENTRY_SIZE, values) &&
      writeScreenTexts(name, texts, textEntrySize, replace)) {
    writes_.messageWritten(message);
  } else {
    mapAdapterError(Mapping::Write);
  }
  return finish();
}

bool ZoDossaDatabase::writeScreenTexts(const ZoString& messageName, ItemValue (&texts)[ST_COUNT],
                                       ZO_LONG entrySize, ZO_BOOLEAN replace) {
  if (texts[ST_TEXTS].listCount == 0) {
    if (!replace) return true;
    // Only a document that holds texts is given the empty list.
    ItemValue stored[kTextItemCount];
    ZO_LONG storedSize = 0;
    if (!readMessageDocument(messageName, zoScreenTextItems(), kTextItemCount, stored, storedSize) ||
        stored[ST_TEXTS].listCount == 0)
      return true;
    texts[ST_TEXTS].listCount = 1;
  }
  const auto& items = zoScreenTextItems();
  return adapter_->write(MESSAGE_FORM, MESSAGE_NAME, messageName, "", "", TRUE, ST_COUNT, items.types.data(),
                         items.names.data(), entrySize, texts);
}

template <std::size_t N>
bool ZoDossaDatabase::readMessageDocument(const ZoString& messageName, const FormItems<N>& items, ZO_LONG count,
                                          ItemValue* values, ZO_LONG& entrySize) {
  return adapter_->read(MESSAGE_FORM, MESSAGE_NAME, messageName, "", "", FALSE, count, items.types.data(),
                        items.names.data(), entrySize, values);
}

ZO_BOOLEAN ZoDossaDatabase::readScreenTexts(ZoMessageDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: readScreenTexts", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  definition.clearScreenTexts();
  ItemValue values[kTextItemCount];
  ZO_LONG entrySize = 0;
  // A built message whose "Message" document is gone has no texts to give.
  if (readMessageDocument(definition.getMessageName(), zoScreenTextItems(), kTextItemCount, values, entrySize)) {
    errorCode_ = zoScreenTextsFromValues(values[ST_TEXTS], entrySize, definition);
  } else if (adapter_->getErrorCode() != ERR_RDBD_DEFN_NOT_FOUND) {
    mapAdapterError(Mapping::ReadMessage);
  }
  return finish();
}

bool ZoDossaDatabase::storedSize(const ZoString& messageName) {
  ItemValue values[MS_COUNT];
  ZO_LONG entrySize = 0;
  return readMessageDocument(messageName, zoMessageSizeItems(), MS_COUNT, values, entrySize) &&
         (values[MS_ROWS].number != 0 || values[MS_COLUMNS].number != 0);
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
  if (writes_.currentMessage().empty()) {
    XTR_TEXTF("No message written before field %s", definition.getName().text());
    return fail(ERR_DB_NO_MSG_DEFN);
  }
  writes_.fieldWriting(replace != FALSE);
  const StoredField field = zoStoredField(definition, writes_.currentMessage(), writes_.nextPosition(),
                                          writes_.fieldsInUnit(), replace != FALSE);
  // Only what the reads give back unchanged is stored: a definition they
  // would refuse, or change, is refused here.
  if (const ZO_ULONG unreadable = zoUnreadableField(definition, field); unreadable != 0) {
    XTR_TEXTF("Field %s has a value the database cannot hold (0x%lx)", definition.getName().text(),
              static_cast<unsigned long>(unreadable));
    return fail(unreadable);
  }
  // The items written, in table order: the display and flag items only when they are the field's own.
  std::array<FieldItem, F_COUNT> written{};
  const ZO_LONG count = zoWrittenFieldItems(field, written);
  const auto& items = zoFieldItems();
  ItemValue v[F_COUNT];
  std::array<ZO_LONG, F_COUNT> types{};
  std::array<const char*, F_COUNT> names{};
  for (ZO_LONG i = 0; i < count; ++i) {
    const auto item = static_cast<std::size_t>(written[static_cast<std::size_t>(i)]);
    v[i].setText(field.texts[item].c_str());
    v[i].number = field.numbers[item];
    types[static_cast<std::size_t>(i)] = items.types[item];
    names[static_cast<std::size_t>(i)] = items.names[item];
  }
  if (!adapter_->write(FIELD_FORM, MESSAGE_NAME, writes_.currentMessage().c_str(), FIELD_MESSAGE_FIELD_NAME,
                       definition.getName(), replace, count, types.data(), names.data(), DOSSA_DEFAULT_ENTRY_SIZE,
                       v)) {
    mapAdapterError(Mapping::Write);
  } else {
    writes_.fieldWritten(field);
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
  const StoredService service = zoStoredService(definition);
  if (const ZO_ULONG unreadable = zoUnreadableService(definition, service); unreadable != 0) {
    XTR_TEXTF("Service %s has a value the database cannot hold (0x%lx)",
              definition.getServiceName().text(), static_cast<unsigned long>(unreadable));
    return fail(unreadable);
  }
  ItemValue v[S_COUNT];
  zoToValues(service, v);
  const auto& items = zoServiceItems();
  if (!adapter_->write(SERVICE_FORM, SERVICE_NAME, definition.getServiceName(), "", "", replace,
                       S_COUNT, items.types.data(), items.names.data(), DOSSA_DEFAULT_ENTRY_SIZE, v)) {
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
  if (!adapter_->read(builtCollection_, name, FALSE, CACHED_ITEMS, kBuilt.types.data(), kBuilt.names.data(),
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
  if (readMessageDocument(messageName, zoMessageItems(), 1, &value, entrySize)) {
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
  errorCode_ = zoFieldFromGroup([&](ZO_LONG k) { return entry(group, k); }, builtGroupWidth_, definition);
  return succeeded();
}

ZO_BOOLEAN ZoDossaDatabase::read(ZoServiceDef& definition) {
  XTR_METHOD("ZoDossaDatabase :: read ( ZoServiceDef& )", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  ItemValue v[S_COUNT];
  ZO_LONG entrySize = 0;
  const ZoString& name = definition.getServiceName();
  const auto& items = zoServiceItems();
  if (!adapter_->read(servicesCollection_, name, FALSE, S_COUNT, items.types.data(), items.names.data(),
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
  errorCode_ = zoServiceFromStored(zoFromValues<S_COUNT>(v), definition);
  return finish();
}

// ---- Deletes --------------------------------------------------------------------

ZO_BOOLEAN ZoDossaDatabase::deleteDefns(const ZoString& form, const ZoString& keyItem,
                                        const ZoString& keyValue) {
  XTR_METHOD("ZoDossaDatabase :: deleteDefns ", errorCode_);
  clearCodes();
  if (!adapter_) return fail(ERR_DB_CLOSED);
  if (form == MESSAGE_FORM || form == FIELD_FORM) writes_.definitionsDeleted();
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
  if (errorCode_ == 0 || errorCode_ == ERR_DB_DEFN_NOT_FOUND) writes_.fieldsDeleted(messageName.text());
  return succeeded();
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
