// The client library's operations: argument checks and handles here, storage in the engine.

#include "ndossa/dossa_api.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "ndossa/dossa_admin.h"
#include "ndossa/library_state.h"
#include "platform/platform.h"

using ndossa::Call;
using ndossa::CollectionObject;
using ndossa::Engine;
using ndossa::Formula;
using ndossa::FormulaError;
using ndossa::LibraryState;
using ndossa::MemoryObject;
using ndossa::NoteItems;
using ndossa::NoteObject;

namespace {

// Documents a search takes from the index at a time.
constexpr std::size_t kSearchBatch = 256;
// Entries one DossaReadEntries call returns at most: their ids fill a 16-bit buffer length.
constexpr std::uint32_t kMaxEntriesPerRead = 0xFFFF / sizeof(DossaNoteId);

// Runs `body` on the open note under the library lock: `idle` for an
// uninitialised library, `unknown` for an unknown handle.
template <class Result, class Body>
Result withNote(DossaNoteHandle note, Result idle, Result unknown, Body&& body) {
  Call call;
  if (!call.ready()) return idle;
  NoteObject* object = call.state.note(note);
  if (!object) return unknown;
  return body(*object);
}

// Runs `body` on the open note `note` under the library lock: the status of
// an uninitialised library or an unknown handle, else what `body` returns.
template <class Body>
DossaStatus onNote(DossaNoteHandle note, Body&& body) {
  return withNote(note, DOSSA_ERR_NOT_INITIALIZED, DOSSA_ERR_BAD_HANDLE, body);
}

// The same for a call that returns no status: `none` for an uninitialised
// library or an unknown handle.
template <class Result, class Body>
Result onNote(DossaNoteHandle note, Result none, Body&& body) {
  return withNote(note, none, none, body);
}

// Runs `body` on the open database `db` under the library lock, likewise;
// body gets the database and the library state.
template <class Body>
DossaStatus onDatabase(DossaDbHandle db, Body&& body) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  std::shared_ptr<Engine> database = call.state.database(db);
  if (!database) return DOSSA_ERR_BAD_HANDLE;
  return body(database, call.state);
}

// The same for a call that fills `*out`: a null `out` is
// DOSSA_ERR_INVALID_ARGUMENT, and `*out` is zeroed before the handle is looked up.
template <class Out, class Body>
DossaStatus onDatabase(DossaDbHandle db, Out* out, Body&& body) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  if (!out) return DOSSA_ERR_INVALID_ARGUMENT;
  *out = 0;
  std::shared_ptr<Engine> database = call.state.database(db);
  if (!database) return DOSSA_ERR_BAD_HANDLE;
  return body(database, call.state);
}

// Runs `body` on the open collection under the library lock, likewise.
template <class Body>
DossaStatus onCollection(HCOLLECTION collection, Body&& body) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  CollectionObject* object = call.state.collection(collection);
  if (!object) return DOSSA_ERR_BAD_HANDLE;
  return body(*object);
}

// A text argument: `length` bytes, or terminated when length is DOSSA_TERMINATED.
DossaStatus textArgument(const char* text, std::uint16_t length, std::string_view& out) {
  if (!text) {
    if (length == 0 || length == DOSSA_TERMINATED) {
      out = {};
      return DOSSA_NOERROR;
    }
    return DOSSA_ERR_INVALID_ARGUMENT;
  }
  if (length != DOSSA_TERMINATED) {
    out = std::string_view(text, length);
    return DOSSA_NOERROR;
  }
  std::size_t size = strnlen(text, DOSSA_MAX_TEXT + 1);
  if (size > DOSSA_MAX_TEXT) return DOSSA_ERR_VALUE_TOO_LONG;
  out = std::string_view(text, size);
  return DOSSA_NOERROR;
}

// An item name argument; longer names than any valid one are cut so validation refuses them.
std::string_view nameArgument(const char* name) {
  if (!name) return {};
  return std::string_view(name, strnlen(name, DOSSA_MAX_ITEM_NAME + 1));
}

// Sets a text item through `set` after checking the text argument.
DossaStatus setTextItem(DossaNoteHandle note, const char* item, const char* text,
                        std::uint16_t length,
                        DossaStatus (NoteItems::*set)(std::string_view, std::string_view)) {
  return onNote(note, [&](NoteObject& object) -> DossaStatus {
    std::string_view value;
    if (DossaStatus s = textArgument(text, length, value)) return s;
    return (object.items.*set)(nameArgument(item), value);
  });
}

const ndossa::Item* findItem(const NoteObject& note, const char* item) {
  if (!item) return nullptr;
  return note.items.find(nameArgument(item));
}

// Copies a result text into a caller's buffer, cut and terminated.
std::uint16_t copyTerminated(std::string_view text, char* buffer, std::uint16_t size) {
  if (!buffer || size == 0) return 0;
  std::size_t length = text.size() < std::size_t(size - 1) ? text.size() : std::size_t(size - 1);
  if (length) std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<std::uint16_t>(length);
}

bool allTermsHold(const Formula& formula, const NoteItems& items) {
  for (const auto& term : formula.terms) {
    const ndossa::Item* item = items.find(term.item);
    if (!item || !NoteItems::matches(*item, term.value)) return false;
  }
  return true;
}

}  // namespace

// ---- Library ----------------------------------------------------------------

DossaStatus DossaInitExtended(int argc, char* argv[]) {
  Call call;
  if (argc < 0 || (argc > 0 && !argv)) return DOSSA_ERR_INVALID_ARGUMENT;
  return call.state.init();
}

void DossaTerm() {
  Call call;
  call.state.term();
}

// ---- Databases --------------------------------------------------------------

DossaStatus DossaPathNetConstruct(const char* port, const char* server, const char* file,
                                  char* path) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  if (!path) return DOSSA_ERR_INVALID_ARGUMENT;
  path[0] = '\0';
  if ((port && *port) || !file) return DOSSA_ERR_INVALID_ARGUMENT;
  std::string full;
  if (server && *server) {
    full = server;
    full += "!!";
  }
  full += file;
  if (full.size() >= DOSSA_MAXPATH) return DOSSA_ERR_PATH_TOO_LONG;
  std::memcpy(path, full.c_str(), full.size() + 1);
  return DOSSA_NOERROR;
}

DossaStatus DossaDbOpen(const char* path, DossaDbHandle* db) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  if (!db) return DOSSA_ERR_INVALID_ARGUMENT;
  *db = 0;
  std::string file;
  const ndossa::EngineDriver* driver = &call.state.engine();
  if (DossaStatus s = ndossa::resolveDatabasePath(path, driver, file)) return s;
  std::unique_ptr<Engine> opened;
  if (DossaStatus s = driver->open(file, opened)) return s;
  return call.state.addDatabase(std::shared_ptr<Engine>(std::move(opened)), *db);
}

DossaStatus DossaDbClose(DossaDbHandle db) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  return call.state.removeDatabase(db) ? DOSSA_NOERROR : DOSSA_ERR_BAD_HANDLE;
}

// ---- Units of work -----------------------------------------------------------

DossaStatus DossaDbBeginUnit(DossaDbHandle db) {
  return onDatabase(db, [](const std::shared_ptr<Engine>& database, LibraryState&) { return database->begin(); });
}

DossaStatus DossaDbCommitUnit(DossaDbHandle db) {
  return onDatabase(db, [](const std::shared_ptr<Engine>& database, LibraryState&) { return database->commit(); });
}

DossaStatus DossaDbAbortUnit(DossaDbHandle db) {
  return onDatabase(db, [](const std::shared_ptr<Engine>& database, LibraryState&) { return database->abort(); });
}

// ---- Read snapshots ------------------------------------------------------------

DossaStatus DossaDbBeginSnapshot(DossaDbHandle db) {
  return onDatabase(db, [](const std::shared_ptr<Engine>& database, LibraryState&) {
    return database->beginSnapshot();
  });
}

DossaStatus DossaDbEndSnapshot(DossaDbHandle db) {
  return onDatabase(db, [](const std::shared_ptr<Engine>& database, LibraryState&) {
    return database->endSnapshot();
  });
}

// ---- Selection formulas -----------------------------------------------------

DossaStatus DossaFormulaCompile(const char* name, std::uint16_t nameLength, const char* text,
                                std::uint32_t textLength, DossaMemHandle* formula,
                                std::uint16_t* formulaLength, DossaStatus* compileError,
                                std::uint16_t* errorLine, std::uint16_t* errorColumn,
                                std::uint16_t* errorOffset, std::uint16_t* errorLength) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  auto clip = [](std::size_t v) { return static_cast<std::uint16_t>(v > 0xFFFF ? 0xFFFF : v); };
  auto report = [&](const FormulaError& e) {
    if (compileError) *compileError = e.status;
    if (errorLine) *errorLine = clip(e.line);
    if (errorColumn) *errorColumn = clip(e.column);
    if (errorOffset) *errorOffset = clip(e.offset);
    if (errorLength) *errorLength = clip(e.length);
    return e.status;
  };
  if (formula) *formula = 0;
  if (formulaLength) *formulaLength = 0;
  report(FormulaError{});
  if ((name && nameLength > 0) || !text || !formula) return DOSSA_ERR_INVALID_ARGUMENT;
  std::size_t length = textLength ? textLength : strnlen(text, DOSSA_MAX_FORMULA + 1);

  auto memory = std::make_unique<MemoryObject>();
  memory->formula = std::make_unique<Formula>();
  FormulaError error;
  if (!ndossa::compileFormula(std::string_view(text, length), *memory->formula, error))
    return report(error);
  std::string canonical = memory->formula->canonical();
  memory->bytes.assign(canonical.begin(), canonical.end());
  std::size_t size = memory->bytes.size();
  if (DossaStatus s = call.state.addMemory(std::move(memory), *formula)) return s;
  if (formulaLength) *formulaLength = clip(size);
  return DOSSA_NOERROR;
}

DossaStatus DossaSearch(DossaDbHandle db, DossaMemHandle formula, const char* viewTitle,
                        std::uint16_t flags, std::uint16_t classMask,
                        const DossaTimeDate* /*since*/, DossaSearchCallback callback,
                        void* context, DossaTimeDate* /*until*/) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  std::shared_ptr<Engine> database = call.state.database(db);
  MemoryObject* memory = call.state.memory(formula);
  if (!database || !memory || !memory->formula) return DOSSA_ERR_BAD_HANDLE;
  if ((viewTitle && *viewTitle) || flags != 0 || !callback) return DOSSA_ERR_INVALID_ARGUMENT;
  if (!(classMask & DOSSA_NOTE_CLASS_DOCUMENT)) return DOSSA_NOERROR;

  // The callback may free the formula or close the database: work on copies.
  const Formula selection = *memory->formula;
  DossaSearchMatch match{};
  std::memcpy(match.databaseId, database->identity(), sizeof match.databaseId);
  match.noteClass = DOSSA_NOTE_CLASS_DOCUMENT;
  std::vector<DossaNoteId> ids;
  DossaNoteId after = 0;
  for (;;) {
    bool exact = false;
    if (DossaStatus s = database->candidates(selection, after, kSearchBatch, ids, exact)) return s;
    for (DossaNoteId id : ids) {
      after = id;
      if (!exact) {
        NoteItems items;
        DossaStatus s = database->load(id, items);
        if (s == DOSSA_ERR_NOTE_NOT_FOUND) continue;  // deleted meanwhile
        if (s) return s;
        if (!allTermsHold(selection, items)) continue;
      }
      match.noteId = id;
      if (DossaStatus r = callback(context, &match, nullptr)) return r;
      if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
    }
    if (ids.size() < kSearchBatch) return DOSSA_NOERROR;
  }
}

void DossaMemFree(DossaMemHandle memory) {
  Call call;
  if (call.ready()) call.state.removeMemory(memory);
}

void* DossaLockObject(DossaMemHandle memory) {
  Call call;
  if (!call.ready()) return nullptr;
  MemoryObject* object = call.state.memory(memory);
  return object ? object->bytes.data() : nullptr;
}

void DossaUnlockObject(DossaMemHandle /*memory*/) {}

// ---- Documents --------------------------------------------------------------

DossaStatus DossaNoteOpen(DossaDbHandle db, DossaNoteId noteId, std::uint16_t /*flags*/,
                          DossaNoteHandle* note) {
  return onDatabase(db, note, [&](const std::shared_ptr<Engine>& database, LibraryState& state) {
    auto object = std::make_unique<NoteObject>();
    if (DossaStatus s = database->load(noteId, object->items)) return s;
    object->db = database;
    object->id = noteId;
    return state.addNote(std::move(object), *note);
  });
}

DossaStatus DossaNoteCreate(DossaDbHandle db, DossaNoteHandle* note) {
  return onDatabase(db, note, [&](const std::shared_ptr<Engine>& database, LibraryState& state) {
    auto object = std::make_unique<NoteObject>();
    object->db = database;
    return state.addNote(std::move(object), *note);
  });
}

DossaStatus DossaNoteUpdate(DossaNoteHandle note, std::uint16_t /*flags*/) {
  return onNote(note, [&](NoteObject& object) -> DossaStatus {
    if (object.restoreAs == 0) return object.db->save(object.id, object.items);
    DossaStatus s = object.db->restore(object.restoreAs, object.items);
    if (!s) object.id = std::exchange(object.restoreAs, 0);
    return s;
  });
}

DossaStatus DossaNoteClose(DossaNoteHandle note) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  return call.state.removeNote(note) ? DOSSA_NOERROR : DOSSA_ERR_BAD_HANDLE;
}

DossaStatus DossaNoteDelete(DossaDbHandle db, DossaNoteId noteId, std::uint16_t /*flags*/) {
  return onDatabase(db, [&](const std::shared_ptr<Engine>& database, LibraryState&) -> DossaStatus {
    return database->remove(noteId);
  });
}

DossaStatus DossaNoteDecrypt(DossaNoteHandle note, std::uint16_t /*flags*/, const void* /*key*/) {
  return onNote(note, [](NoteObject&) { return DOSSA_ERR_NOTE_NOT_SEALED; });
}

// ---- Items ------------------------------------------------------------------

DossaStatus DossaItemSetText(DossaNoteHandle note, const char* item, const char* text,
                             std::uint16_t length) {
  return setTextItem(note, item, text, length, &NoteItems::setText);
}

DossaStatus DossaItemCreateTextList(DossaNoteHandle note, const char* item, const char* entry,
                                    std::uint16_t length) {
  return setTextItem(note, item, entry, length, &NoteItems::createList);
}

DossaStatus DossaItemAppendTextList(DossaNoteHandle note, const char* item, const char* entry,
                                    std::uint16_t length, std::uint16_t /*flags*/) {
  return setTextItem(note, item, entry, length, &NoteItems::appendList);
}

DossaStatus DossaItemSetNumber(DossaNoteHandle note, const char* item, const double* number) {
  return onNote(note, [&](NoteObject& object) -> DossaStatus {
    if (!number) return DOSSA_ERR_INVALID_ARGUMENT;
    return object.items.setNumber(nameArgument(item), *number);
  });
}

bool DossaItemIsPresent(DossaNoteHandle note, const char* item, std::uint16_t nameLength) {
  if (!item) return false;
  return onNote(note, false, [&](NoteObject& object) {
    std::string_view name = nameArgument(item);
    if (nameLength != 0 && nameLength != DOSSA_TERMINATED && nameLength < name.size())
      name = name.substr(0, nameLength);
    return object.items.find(name) != nullptr;
  });
}

std::uint16_t DossaItemGetText(DossaNoteHandle note, const char* item, char* buffer,
                               std::uint16_t bufferSize) {
  if (!buffer) return 0;
  return onNote(note, std::uint16_t{0}, [&](NoteObject& object) -> std::uint16_t {
    const ndossa::Item* found = findItem(object, item);
    if (!found) return 0;
    std::string text = NoteItems::textOf(*found);
    std::size_t length = text.size() < bufferSize ? text.size() : bufferSize;
    std::memcpy(buffer, text.data(), length);
    return static_cast<std::uint16_t>(length);
  });
}

std::int32_t DossaItemGetLong(DossaNoteHandle note, const char* item, std::int32_t defaultValue) {
  return onNote(note, defaultValue, [&](NoteObject& object) -> std::int32_t {
    const ndossa::Item* found = findItem(object, item);
    if (!found || found->kind != ndossa::ItemKind::Number || std::isnan(found->number))
      return defaultValue;
    double value = std::trunc(found->number);
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(value);
  });
}

std::uint16_t DossaItemGetTextListEntries(DossaNoteHandle note, const char* item) {
  return onNote(note, std::uint16_t{0}, [&](NoteObject& object) -> std::uint16_t {
    const ndossa::Item* found = findItem(object, item);
    if (!found) return 0;
    if (found->kind == ndossa::ItemKind::Text) return 1;
    if (found->kind == ndossa::ItemKind::TextList) return static_cast<std::uint16_t>(found->list.size());
    return 0;
  });
}

std::uint16_t DossaItemGetTextListEntry(DossaNoteHandle note, const char* item,
                                        std::uint16_t index, char* buffer,
                                        std::uint16_t bufferSize) {
  copyTerminated({}, buffer, bufferSize);
  return onNote(note, std::uint16_t{0}, [&](NoteObject& object) -> std::uint16_t {
    const ndossa::Item* found = findItem(object, item);
    if (!found) return 0;
    if (found->kind == ndossa::ItemKind::Text && index == 0)
      return copyTerminated(found->text, buffer, bufferSize);
    if (found->kind == ndossa::ItemKind::TextList && index < found->list.size())
      return copyTerminated(found->list[index], buffer, bufferSize);
    return 0;
  });
}

// ---- Views and collections --------------------------------------------------

DossaStatus DossaFindView(DossaDbHandle db, const char* viewName, std::uint16_t noteClass,
                          DossaNoteId* viewId) {
  return onDatabase(db, viewId, [&](const std::shared_ptr<Engine>& database, LibraryState&) {
    if (!viewName || noteClass != DOSSA_NOTE_CLASS_VIEW) return DOSSA_ERR_INVALID_ARGUMENT;
    const ndossa::ViewDesign* view = database->design().findView(viewName);
    if (!view) return DOSSA_ERR_VIEW_NOT_FOUND;
    *viewId = view->id;
    return DOSSA_NOERROR;
  });
}

DossaStatus DossaOpenCollection(DossaDbHandle viewDb, DossaDbHandle dataDb, DossaNoteId viewId,
                                std::uint16_t flags, DossaMemHandle unreadList,
                                HCOLLECTION* collection, DossaNoteHandle* viewNote,
                                void* /*reserved1*/, DossaMemHandle* reserved2,
                                DossaMemHandle* reserved3) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  if (!collection) return DOSSA_ERR_INVALID_ARGUMENT;
  *collection = 0;
  if (viewNote) *viewNote = 0;
  if (reserved2) *reserved2 = 0;
  if (reserved3) *reserved3 = 0;
  std::shared_ptr<Engine> database = call.state.database(viewDb);
  if (!database || !call.state.database(dataDb)) return DOSSA_ERR_BAD_HANDLE;
  if (viewDb != dataDb || flags != 0 || unreadList != 0) return DOSSA_ERR_INVALID_ARGUMENT;
  if (!database->design().viewById(viewId)) return DOSSA_ERR_VIEW_NOT_FOUND;
  return call.state.addCollection(CollectionObject{std::move(database), viewId}, *collection);
}

DossaStatus DossaCloseCollection(HCOLLECTION collection) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  return call.state.removeCollection(collection) ? DOSSA_NOERROR : DOSSA_ERR_BAD_HANDLE;
}

DossaStatus DossaUpdateCollection(HCOLLECTION collection) {
  return onCollection(collection, [](CollectionObject&) { return DOSSA_NOERROR; });
}

DossaStatus DossaFindByName(HCOLLECTION collection, const char* key, std::uint16_t flags,
                            DossaCollectionPosition* position, std::uint32_t* matches) {
  return onCollection(collection, [&](CollectionObject& object) {
    if (!key || !position || !matches || flags != 0) return DOSSA_ERR_INVALID_ARGUMENT;
    position->noteId = 0;
    *matches = 0;
    std::size_t length = strnlen(key, DOSSA_MAX_TEXT + 1);
    if (length > DOSSA_MAX_TEXT) return DOSSA_ERR_NOT_FOUND;  // longer than any stored key
    return object.db->viewFind(object.viewId, std::string_view(key, length), position->noteId,
                               *matches);
  });
}

DossaStatus DossaReadEntries(HCOLLECTION collection, DossaCollectionPosition* position,
                             std::uint16_t skipNavigator, std::uint32_t skipCount,
                             std::uint16_t returnNavigator, std::uint32_t returnCount,
                             std::uint32_t returnMask, DossaMemHandle* buffer,
                             std::uint16_t* bufferLength, std::uint32_t* skipped,
                             std::uint32_t* returned, std::uint16_t* signalFlags) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  if (buffer) *buffer = 0;
  if (bufferLength) *bufferLength = 0;
  if (skipped) *skipped = 0;
  if (returned) *returned = 0;
  if (signalFlags) *signalFlags = 0;
  CollectionObject* object = call.state.collection(collection);
  if (!object) return DOSSA_ERR_BAD_HANDLE;
  if (!position || !buffer || !bufferLength || !returned || !signalFlags ||
      skipNavigator != DOSSA_NAVIGATE_CURRENT || returnNavigator != DOSSA_NAVIGATE_CURRENT ||
      returnMask != DOSSA_READ_MASK_NOTEID)
    return DOSSA_ERR_INVALID_ARGUMENT;

  std::uint32_t count = returnCount < kMaxEntriesPerRead ? returnCount : kMaxEntriesPerRead;
  std::vector<DossaNoteId> ids;
  std::uint32_t skippedCount = 0;
  bool more = false;
  if (DossaStatus s = object->db->viewRead(object->viewId, position->noteId, skipCount, count, ids,
                                           skippedCount, more))
    return s;
  if (skipped) *skipped = skippedCount;
  if (more) *signalFlags = DOSSA_SIGNAL_MORE;
  if (ids.empty()) return DOSSA_NOERROR;
  auto memory = std::make_unique<MemoryObject>();
  memory->bytes.resize(ids.size() * sizeof(DossaNoteId));
  std::memcpy(memory->bytes.data(), ids.data(), memory->bytes.size());
  auto length = static_cast<std::uint16_t>(memory->bytes.size());
  if (DossaStatus s = call.state.addMemory(std::move(memory), *buffer)) return s;
  *bufferLength = length;
  *returned = static_cast<std::uint32_t>(ids.size());
  position->noteId = ids.back();
  return DOSSA_NOERROR;
}

// ---- Administration ---------------------------------------------------------

DossaStatus DossaDbCreate(const char* path, const DossaDesign& design) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  for (const char* item : design.keyItems)
    if (!item || !*item) return DOSSA_ERR_INVALID_ARGUMENT;
  for (const DossaViewDesign& view : design.views)
    if (!view.name || !*view.name || !view.form || !*view.form || !view.keyItem || !*view.keyItem)
      return DOSSA_ERR_INVALID_ARGUMENT;
  for (const DossaUniqueKey& key : design.uniqueKeys)
    if (!key.form || !*key.form || !key.item1 || !*key.item1 || (key.item2 && !*key.item2))
      return DOSSA_ERR_INVALID_ARGUMENT;
  std::string file;
  const ndossa::EngineDriver* driver = &call.state.engine();
  if (DossaStatus s = ndossa::resolveDatabasePath(path, driver, file)) return s;
  return driver->create(file, design);
}

DossaStatus DossaDbDelete(const char* path) {
  Call call;
  if (!call.ready()) return DOSSA_ERR_NOT_INITIALIZED;
  std::string file;
  const ndossa::EngineDriver* driver = &call.state.engine();
  if (DossaStatus s = ndossa::resolveDatabasePath(path, driver, file)) return s;
  return driver->drop(file);
}

std::string DossaWriteProblem(const char* path) {
  std::string file;
  const ndossa::EngineDriver* driver = nullptr;
  if (ndossa::resolveDatabasePath(path, driver, file) || driver) return {};
  PlatformFileAccess access{};
  if (platformFileAccess(file.c_str(), &access) != 0) return {};
  if (!access.writable) return file + " is not writable by this user";
  if (!access.folderWritable)
    return "the folder of " + file + " is not writable by this user (the database's log is made there)";
  for (const char* suffix : {"-wal", "-shm"}) {
    PlatformFileAccess made{};
    if (platformFileAccess((file + suffix).c_str(), &made) == 0 && !made.writable)
      return file + suffix + " is not writable by this user (another user's process made it: "
                             "that user, or the owner of the folder, may remove it when no one uses the database)";
  }
  return {};
}

std::vector<std::string> DossaEngineNames() {
  std::vector<std::string> names;
  for (const ndossa::EngineDriver* driver : ndossa::engineDrivers()) names.emplace_back(driver->name());
  return names;
}

DossaStatus DossaUseEngine(const char* name) {
  Call call;
  const ndossa::EngineDriver* driver = name ? ndossa::findEngineDriver(name) : nullptr;
  if (!driver) return DOSSA_ERR_INVALID_ARGUMENT;
  call.state.useEngine(*driver);
  return DOSSA_NOERROR;
}

DossaStatus DossaDbCheck(DossaDbHandle db, std::string& problem) {
  problem.clear();
  return onDatabase(db, [&](const std::shared_ptr<Engine>& database, LibraryState&) -> DossaStatus {
    // The documents and the index rows must be read at one moment, or a
    // writer committing between them looks like damage.
    const DossaStatus begun = database->beginSnapshot();
    if (begun && begun != DOSSA_ERR_INVALID_ARGUMENT) return begun;  // INVALID_ARGUMENT: the caller's serves
    const DossaStatus s = database->check(problem);
    const DossaStatus ended = begun ? DOSSA_NOERROR : database->endSnapshot();
    return s ? s : ended;
  });
}

DossaStatus DossaNoteCreateWithId(DossaDbHandle db, DossaNoteId noteId, DossaNoteHandle* note) {
  return onDatabase(db, note, [&](const std::shared_ptr<Engine>& database, LibraryState& state) -> DossaStatus {
    if (noteId == 0) return DOSSA_ERR_INVALID_ARGUMENT;
    auto object = std::make_unique<NoteObject>();
    object->db = database;
    object->restoreAs = noteId;
    return state.addNote(std::move(object), *note);
  });
}

DossaStatus DossaNoteGetId(DossaNoteHandle note, DossaNoteId* noteId) {
  return onNote(note, [&](NoteObject& object) -> DossaStatus {
    if (!noteId) return DOSSA_ERR_INVALID_ARGUMENT;
    *noteId = object.id;
    return DOSSA_NOERROR;
  });
}

DossaStatus DossaNoteList(DossaDbHandle db, const char* form, DossaNoteId after,
                          std::uint32_t limit, std::vector<DossaNoteId>& ids) {
  ids.clear();
  return onDatabase(db, [&](const std::shared_ptr<Engine>& database, LibraryState&) {
    if (form && strnlen(form, DOSSA_MAX_TEXT + 1) > DOSSA_MAX_TEXT) return DOSSA_NOERROR;
    return database->listNotes(form, after, limit, ids);
  });
}

bool DossaItemNameEquals(std::string_view a, std::string_view b) { return ndossa::equalsNoCase(a, b); }

DossaStatus DossaItemSetTextList(DossaNoteHandle note, const char* item, const std::vector<std::string>& entries) {
  return onNote(note, [&](NoteObject& object) { return object.items.setList(nameArgument(item), entries); });
}

DossaStatus DossaItemScan(DossaNoteHandle note,
                          const std::function<void(const DossaItemInfo&)>& visit) {
  return onNote(note, [&](NoteObject& object) -> DossaStatus {
    for (const ndossa::Item& item : object.items.items()) {
      DossaItemInfo info{item.name, DossaItemKind::Text, item.text, &item.list, item.number};
      if (item.kind == ndossa::ItemKind::TextList) info.kind = DossaItemKind::TextList;
      if (item.kind == ndossa::ItemKind::Number) info.kind = DossaItemKind::Number;
      visit(info);
    }
    return DOSSA_NOERROR;
  });
}

