#include "docstore/zo_real_dossa_database.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "docstore/zo_message_names.h"
#include "docstore/zo_msg_build.h"

namespace {

// Status numbers the adapter tells apart: the client library's, whose
// numbers the adapter's classification fixes.
constexpr DossaStatus kNotSealed = DOSSA_ERR_NOTE_NOT_SEALED;
constexpr DossaStatus kDatabaseUnknown = DOSSA_ERR_NO_SUCH_DATABASE;
constexpr DossaStatus kServerUnknown = DOSSA_ERR_SERVER_UNKNOWN;
constexpr DossaStatus kServerNotResponding = DOSSA_ERR_SERVER_NOT_RESPONDING;
constexpr DossaStatus kNoViewMatch = DOSSA_ERR_NOT_FOUND;
static_assert(kNotSealed == 610 && kDatabaseUnknown == 259 && kServerUnknown == 2051 &&
              kServerNotResponding == 2055 && kNoViewMatch == 1028);
constexpr DossaStatus kErrorNumberMask = DOSSA_ERROR_NUMBER_MASK;
// Room for a status text in the traces, and for getMsgString.
constexpr std::uint16_t kTraceTextSize = 255;
constexpr std::uint16_t kMessageTextSize = 256;
// Room of a user name and its abbreviated form.
constexpr std::uint16_t kUserNameSize = static_cast<std::uint16_t>(DOSSA_MAXPATH);
// Class of documents a search looks at, and the class of a view.
constexpr std::uint16_t kDocumentsOnly = DOSSA_NOTE_CLASS_DOCUMENT;
constexpr std::uint16_t kViewClass = DOSSA_NOTE_CLASS_VIEW;
static_assert(kDocumentsOnly == 1 && kViewClass == 8);

// Statuses the adapter treats as a security failure: the client library's
// refusals, and the second class (status & 0x1700) == 0x1700 that the
// adapter's contract also names. No status of our client library is in the
// second class (a refusal is 0x19nn, and 0x19nn & 0x1700 is 0x1100), so the
// library's "only refusals" rule and this test agree on every status it gives.
constexpr DossaStatus kSecondSecurityClass = 0x1700;
constexpr bool isSecurityClass(DossaStatus status) {
  return DossaIsRefusal(status) || (status & kSecondSecurityClass) == kSecondSecurityClass;
}
static_assert(isSecurityClass(DOSSA_ERR_NO_ACCESS) && isSecurityClass(DOSSA_ERR_NO_WRITE_ACCESS));

// A library call that gives a status, traced before and after with it.
template <class Function, class... Args>
DossaStatus traced(const char* name, Function function, Args&&... args) {
  XTR_TEXTF("Calling %s", name);
  const DossaStatus status = function(std::forward<Args>(args)...);
  XTR_TEXTF("Returned from %s - rc is %d", name, static_cast<int>(status));
  return status;
}

// A library call whose result (if any) is not a status.
template <class Function, class... Args>
auto tracedPlain(const char* name, Function function, Args&&... args) {
  XTR_TEXTF("Calling %s", name);
  if constexpr (std::is_void_v<std::invoke_result_t<Function, Args...>>) {
    function(std::forward<Args>(args)...);
    XTR_TEXTF("Returned from %s", name);
  } else {
    auto result = function(std::forward<Args>(args)...);
    XTR_TEXTF("Returned from %s", name);
    return result;
  }
}

// How the adapter classifies a failing status: a code of its own (the
// status then cleared), or ERR_RDBD_DOSSA_ERROR with the status kept. Opening
// a database tells unknown databases and servers apart; the other operations
// tell a unique key already taken.
struct Classified {
  ZO_ULONG code;
  bool keepsStatus;
};
Classified classify(DossaStatus status, bool opening) {
  const DossaStatus number = DossaErrorNumber(status);
  if (isSecurityClass(status)) return {ERR_RDBD_SECURITY_FAILURE, false};
  if (opening) {
    if (number == kDatabaseUnknown) return {ERR_RDBD_DATABASE_UNKNOWN, false};
    if (number == kServerUnknown) return {ERR_RDBD_SERVER_UNKNOWN, false};
    if (number == kServerNotResponding) return {ERR_RDBD_SERVER_NOT_RESPONDING, false};
  } else if (number == DOSSA_ERR_DUPLICATE_KEY) {
    // A document of the same unique key was saved first (another writer won
    // the race between the search for the key and this save).
    return {ERR_RDBD_DEFN_ALREADY_EXISTS, false};
  }
  return {ERR_RDBD_DOSSA_ERROR, true};
}

// Fetches the text of a failing status and writes it to the trace.
void traceStatusText(DossaStatus status) {
  if (!xtrTextWanted()) return;
  char text[kTraceTextSize + 1] = {};
  tracedPlain("DossaLoadString", DossaLoadString, nullptr, status & kErrorNumberMask, text, kTraceTextSize);
  XTR_TEXTF("ERR_RDBD_DOSSA_ERROR (0x%x): %s", static_cast<unsigned>(status & 0xFFFF), text);
}

// Compares a stored key with the wanted one on their first 63 characters.
bool sameKey(const char* found, const char* wanted) {
  return std::strncmp(found, wanted, DOSSA_ITEM_TEXT_MAX) == 0;
}

// Reads a text item into a 64-character value, cut to 63 and terminated.
void readText(DossaNoteHandle note, const char* item, char* text) {
  const std::uint16_t length = tracedPlain("DossaItemGetText", DossaItemGetText, note, item, text,
                                           static_cast<std::uint16_t>(DOSSA_ITEM_TEXT_MAX));
  text[length < DOSSA_ITEM_TEXT_MAX ? length : DOSSA_ITEM_TEXT_MAX] = '\0';
}

bool itemPresent(DossaNoteHandle note, const char* item) {
  return tracedPlain("DossaItemIsPresent", DossaItemIsPresent, note, item, DOSSA_TERMINATED);
}

// Verifies one key item of the open document: `which` is 1 or 2. 0 when it
// matches, else the code that refuses the document.
ZO_ULONG checkKey(DossaNoteHandle note, const char* item, const char* wanted, int which) {
  if (!itemPresent(note, item)) {
    XTR_TEXTF("ERR_RDBD_KEY_ITEM_NOT_FOUND %d: %s", which, item);
    return ERR_RDBD_KEY_ITEM_NOT_FOUND;
  }
  char found[DOSSA_ITEM_TEXT_SIZE];
  readText(note, item, found);
  if (!sameKey(found, wanted)) {
    XTR_TEXTF("ERR_RDBD_KEY_ITEM_MISMATCH %d %s: %s != %s", which, item, wanted, found);
    return ERR_RDBD_KEY_ITEM_MISMATCH;
  }
  return 0;
}

// Reads the entries of a text-list item into slots of state.maxEntryLength.
// An entry longer than its slot fails the read: nothing is cut silently.
ZO_ULONG readTextList(DossaNoteHandle note, const char* item, ItemValue& value,
                      ZO_LONG slotSize) {
  const std::uint16_t count = tracedPlain("DossaItemGetTextListEntries", DossaItemGetTextListEntries, note, item);
  XTR_TEXTF("Text list entry count = %d", static_cast<int>(count));
  value.listCount = count;
  if (count == 0) return 0;
  std::size_t size = static_cast<std::size_t>(count) * static_cast<std::size_t>(slotSize);
  if (size > DOSSA_MAX_LIST_BUFFER) {
    XTR_TEXTF("Text list %s needs %zu bytes, more than %zu", item, size, DOSSA_MAX_LIST_BUFFER);
    return ERR_RDBD_NO_MEMORY;
  }
  value.listBuffer.reset(new (std::nothrow) char[size]);
  if (!value.listBuffer) return ERR_RDBD_NO_MEMORY;
  XTR_TEXTF("allocated memory (%p)", static_cast<void*>(value.listBuffer.get()));
  const auto slot16 = static_cast<std::uint16_t>(slotSize);
  std::vector<char> probe;
  for (std::uint16_t j = 0; j < count; ++j) {
    char* slot = value.listBuffer.get() + static_cast<std::size_t>(j) * slotSize;
    slot[0] = '\0';
    const std::uint16_t copied =
        tracedPlain("DossaItemGetTextListEntry", DossaItemGetTextListEntry, note, item, j, slot, slot16);
    // A slot filled to the brim may hold a cut entry: look again with one more byte.
    if (copied + 1 >= slotSize && slotSize < DOSSA_MAX_ENTRY_LENGTH + 1) {
      probe.resize(static_cast<std::size_t>(slotSize) + 1);
      std::uint16_t full = DossaItemGetTextListEntry(note, item, j, probe.data(),
                                                     static_cast<std::uint16_t>(slotSize + 1));
      if (full > copied) {
        XTR_TEXTF("ERR_RDBD_INCOMPATIBLE_DATABASE (ENTRY TOO LONG): %s %d", item,
                  static_cast<int>(j));
        return ERR_RDBD_INCOMPATIBLE_DATABASE;
      }
    }
  }
  return 0;
}

std::int32_t readNumber(DossaNoteHandle note, const char* item) {
  return tracedPlain("DossaItemGetLong", DossaItemGetLong, note, item, 0);
}

// Reads the items after the key items of the open document (keys matched).
ZO_ULONG readItems(DossaNoteHandle note, NoteReadState& state, ZO_LONG keysChecked) {
  // The entry size matters only to text lists: a document whose size item is
  // unusable can still be found by its keys (and deleted).
  bool readsList = false;
  for (ZO_LONG i = keysChecked; i < state.itemCount; ++i)
    readsList = readsList || dossaIsTextList(state.itemTypes[i]);
  if (readsList && itemPresent(note, DOSSA_MAX_ENTRY_ITEM)) {
    const std::int32_t longest = readNumber(note, DOSSA_MAX_ENTRY_ITEM);
    if (longest < 0 || longest > DOSSA_MAX_ENTRY_LENGTH) {
      XTR_TEXTF("ERR_RDBD_INCOMPATIBLE_DATABASE (%s = %d)", DOSSA_MAX_ENTRY_ITEM,
                static_cast<int>(longest));
      return ERR_RDBD_INCOMPATIBLE_DATABASE;
    }
    state.maxEntryLength = longest + 1;
  }
  for (ZO_LONG i = keysChecked; i < state.itemCount; ++i) {
    ItemValue& value = state.itemValues[i];
    const char* name = state.itemNames[i];
    value.clearValue();
    ZO_ULONG status = 0;
    if (!itemPresent(note, name)) {
      if (state.itemTypes[i] == DOSSA_ITEM_OPTIONAL_NUMBER ||
          state.itemTypes[i] == DOSSA_ITEM_OPTIONAL_TEXT_LIST)
        continue;
      XTR_TEXTF("ERR_RDBD_INCOMPATIBLE_DATABASE (ITEM NOT FOUND): %s", name);
      status = ERR_RDBD_INCOMPATIBLE_DATABASE;
    } else if (state.itemTypes[i] == DOSSA_ITEM_TEXT) {
      readText(note, name, value.text);
    } else if (dossaIsTextList(state.itemTypes[i])) {
      status = readTextList(note, name, value, state.maxEntryLength);
    } else {
      value.number = readNumber(note, name);
    }
    if (status != 0) {
      freeTextListMemory(state.itemCount, state.itemTypes, state.itemValues);
      return status;
    }
  }
  return 0;
}

// The client library's users in this process: adapters that took a
// reference in initLibrary, and the lock that makes its start (at the first)
// and its end (at the last) one step with the count's change.
std::mutex libraryLock;
ZO_LONG libraryUsers = 0;

}  // namespace

ZO_ULONG NoteReadState::code() const {
  if (found == Found::Nothing) return ERR_RDBD_DEFN_NOT_FOUND;
  return found == Found::Read ? 0 : refusal;
}

void ItemValue::clearValue() {
  number = 0;
  text[0] = '\0';
  listCount = 0;
}

void ItemValue::setText(const char* value) {
  std::size_t length = value ? strnlen(value, DOSSA_ITEM_TEXT_MAX) : 0;
  if (length) std::memcpy(text, value, length);
  text[length] = '\0';
}

void freeTextListMemory(ZO_LONG itemCount, const ZO_LONG* itemTypes, ItemValue* itemValues) {
  ZO_ULONG rc = 0;
  XTR_METHOD("CFunc: freeTextListMemory", rc);
  for (ZO_LONG i = 0; i < itemCount; ++i) {
    if (!dossaIsTextList(itemTypes[i]) || !itemValues[i].listBuffer) continue;
    XTR_TEXTF("freed memory (%p)", static_cast<void*>(itemValues[i].listBuffer.get()));
    itemValues[i].listBuffer.reset();
  }
}

DossaStatus DossaCallBackFunction(void* context, const DossaSearchMatch* match, const void*) {
  ZO_ULONG rc = 0;
  XTR_METHOD("CFunc: DossaCallBackFunction", rc);
  auto& state = *static_cast<NoteReadState*>(context);
  if (state.found != NoteReadState::Found::Nothing) return 0;
  state.noteId = match->noteId;
  rc = ReadNote(state) & kErrorNumberMask;
  if (rc != 0) XTR_TEXTF("ERR_RDBD_DOSSA_ERROR (0x%x)", static_cast<unsigned>(rc));
  return static_cast<DossaStatus>(rc);
}

DossaStatus ReadNote(NoteReadState& state) {
  ZO_ULONG rc = 0;
  XTR_METHOD("CFunc: ReadNote()", rc);
  DossaNoteHandle note = 0;
  DossaStatus status = traced("DossaNoteOpen", DossaNoteOpen, state.database, state.noteId, 0, &note);
  bool opened = status == 0;
  if (opened && state.decrypt) {
    status = traced("DossaNoteDecrypt", DossaNoteDecrypt, note, 0, nullptr);
    if (DossaErrorNumber(status) == kNotSealed) {
      XTR_TEXT("DossaNoteDecrypt returned ERR_NOTE_NOT_SEALED");
      status = 0;
    }
  }
  ZO_ULONG refusal = ERR_RDBD_DOSSA_ERROR;
  if (status == 0) {
    ZO_LONG keysChecked = 0;
    refusal = 0;
    if (state.key1Item) {
      ++keysChecked;
      refusal = checkKey(note, state.key1Item, state.key1Value, 1);
      if (refusal == 0 && state.key2Item) {
        ++keysChecked;
        refusal = checkKey(note, state.key2Item, state.key2Value, 2);
      }
    }
    if (refusal == 0) refusal = readItems(note, state, keysChecked);
  }
  if (opened) {
    const DossaStatus closed = traced("DossaNoteClose", DossaNoteClose, note);
    if (refusal == 0 && closed != 0) {
      status = closed;
      refusal = ERR_RDBD_DOSSA_ERROR;
    }
  }
  state.found = refusal == 0 ? NoteReadState::Found::Read : NoteReadState::Found::Refused;
  state.refusal = refusal;
  if (status != 0) XTR_TEXTF("ERR_RDBD_DOSSA_ERROR (0x%x)", static_cast<unsigned>(status & 0xFFFF));
  rc = status & kErrorNumberMask;
  return static_cast<DossaStatus>(rc);
}

// ---- Life cycle ---------------------------------------------------------------

ZoRealDossaDatabase::ZoRealDossaDatabase(const ZoString& serverName, const ZoString& fileName,
                                         int argc, char* argv[]) {
  XTR_METHOD("ZoRealDossaDatabase :: ZoRealDossaDatabase (..args)", errorCode_);
  initLibrary(argc, argv);
  if (errorCode_ == 0) open(serverName, fileName);
}

ZoRealDossaDatabase::ZoRealDossaDatabase(const ZoString& serverName, const ZoString& fileName) {
  XTR_METHOD("ZoRealDossaDatabase :: ZoRealDossaDatabase", errorCode_);
  // A process that never started the client library (a session created
  // without the program's arguments) gets it started here, once.
  initLibrary(0, nullptr);
  if (errorCode_ == 0) open(serverName, fileName);
}

ZO_LONG ZoRealDossaDatabase::initCount() {
  const std::lock_guard<std::mutex> lock(libraryLock);
  return libraryUsers;
}

void ZoRealDossaDatabase::initLibrary(int argc, char* argv[]) {
  const std::lock_guard<std::mutex> lock(libraryLock);
  if (libraryUsers == 0) {
    if (!call("DossaInitExtended", DossaInitExtended, argc, argv)) {
      XTR_TEXT("Error initializing Dossa");
      XTR_TEXTF("argc = %d, argv[0] = %s", argc, argc > 0 && argv && argv[0] ? argv[0] : "");
      return;
    }
    XTR_TEXT("Dossa initialized");
  }
  ++libraryUsers;
  holdsLibrary_ = true;
}

ZoRealDossaDatabase::~ZoRealDossaDatabase() {
  XTR_METHOD("ZoRealDossaDatabase :: ~ZoRealDossaDatabase", errorCode_);
  if (database_ != 0) call("DossaDbClose", DossaDbClose, database_);
  database_ = 0;
  if (holdsLibrary_) {
    const std::lock_guard<std::mutex> lock(libraryLock);
    if (libraryUsers == 1) tracedPlain("DossaTerm", DossaTerm);
    --libraryUsers;
    holdsLibrary_ = false;
  }
}

void ZoRealDossaDatabase::clear() {
  errorCode_ = 0;
  libraryStatus_ = 0;
}

bool ZoRealDossaDatabase::start() {
  clear();
  return database_ != 0 || setFailure(ERR_RDBD_DATABASE_NOT_OPEN, 0);
}

void ZoRealDossaDatabase::open(const ZoString& serverName, const ZoString& fileName) {
  XTR_METHOD("ZoRealDossaDatabase :: open", errorCode_);
  clear();
  database_ = 0;
  char path[DOSSA_MAXPATH] = {};
  tracedPlain("DossaPathNetConstruct", DossaPathNetConstruct, nullptr, serverName.text(), fileName.text(), path);
  DossaDbHandle handle = 0;
  const DossaStatus status = traced("DossaDbOpen", DossaDbOpen, path, &handle);
  if (status == 0) {
    database_ = handle;
    return;
  }
  if (handle != 0) traced("DossaDbClose", DossaDbClose, handle);
  XTR_TEXTF("Database full path name: %s", path);
  classifyStatus(status, true);
}

// ---- Helpers ------------------------------------------------------------------

bool ZoRealDossaDatabase::classifyStatus(DossaStatus status, bool opening) {
  traceStatusText(status);
  const Classified classified = classify(status, opening);
  return setFailure(classified.code, classified.keepsStatus ? status & kErrorNumberMask : 0);
}

bool ZoRealDossaDatabase::setFailure(ZO_ULONG code, DossaStatus status) {
  errorCode_ = code;
  libraryStatus_ = status;
  return false;
}

template <class Function, class... Args>
bool ZoRealDossaDatabase::call(const char* name, Function function, Args&&... args) {
  const DossaStatus status = traced(name, function, std::forward<Args>(args)...);
  return status == 0 || classifyStatus(status);
}

bool ZoRealDossaDatabase::finish(const char* formula) const {
  if (errorCode_ != 0 && formula) XTR_TEXTF("Document Selection Formula: (%s)", formula);
  return errorCode_ == 0;
}

bool ZoRealDossaDatabase::compile(const ZoString& formula, DossaMemHandle& compiled) {
  return call("DossaFormulaCompile", DossaFormulaCompile, nullptr, 0, formula.text(),
              static_cast<std::uint32_t>(formula.length()), &compiled, nullptr, nullptr, nullptr, nullptr,
              nullptr, nullptr);
}

bool ZoRealDossaDatabase::search(DossaMemHandle compiled, NoteReadState& state) {
  return call("DossaSearch", DossaSearch, database_, compiled, nullptr, 0, kDocumentsOnly, nullptr,
              &DossaCallBackFunction, &state, nullptr);
}

namespace {
// Frees a compiled formula when the operation ends, on every path.
class FormulaHandle {
 public:
  ~FormulaHandle() {
    if (handle != 0) tracedPlain("DossaMemFree", DossaMemFree, handle);
  }
  DossaMemHandle handle = 0;
};

// The reads of one look-up in a collection (its view entry, then its
// document) see one moment of the database: a writer that replaces the
// document in between must not make it vanish. Without the snapshot the
// reads still run, each on the latest commit.
class ReadMoment {
 public:
  explicit ReadMoment(DossaDbHandle db)
      : db_(db), held_(traced("DossaDbBeginSnapshot", DossaDbBeginSnapshot, db) == 0) {}
  ~ReadMoment() {
    if (held_) traced("DossaDbEndSnapshot", DossaDbEndSnapshot, db_);
  }
  ReadMoment(const ReadMoment&) = delete;
  ReadMoment& operator=(const ReadMoment&) = delete;

 private:
  DossaDbHandle db_;
  bool held_;
};

// The state of a search whose first match is read into the caller's items.
NoteReadState readState(DossaDbHandle database, ZO_LONG itemCount, const ZO_LONG* itemTypes,
                        const char* const* itemNames, ItemValue* values, bool decrypt) {
  NoteReadState state;
  state.database = database;
  state.itemCount = itemCount;
  state.decrypt = decrypt;
  state.itemTypes = itemTypes;
  state.itemNames = itemNames;
  state.itemValues = values;
  return state;
}

// The end of a read: the slot size of the lists read, and no list kept from
// a refused document.
void endRead(const NoteReadState& state, ZO_LONG& entrySize) {
  entrySize = state.maxEntryLength;
  if (state.found == NoteReadState::Found::Refused)
    freeTextListMemory(state.itemCount, state.itemTypes, state.itemValues);
}

// The keys a search verifies; the second only with the first.
void verifyKeys(NoteReadState& state, const ZoString& key1Item, const ZoString& key1Value,
                const ZoString& key2Item, const ZoString& key2Value) {
  const bool withKey1 = key1Item.length() > 0;
  state.key1Item = withKey1 ? key1Item.text() : nullptr;
  state.key1Value = key1Value.text();
  state.key2Item = withKey1 && key2Item.length() > 0 ? key2Item.text() : nullptr;
  state.key2Value = key2Value.text();
}
}  // namespace

// ---- Operations ---------------------------------------------------------------

bool ZoRealDossaDatabase::read(const ZoString& form, const ZoString& key1Item,
                               const ZoString& key1Value, const ZoString& key2Item,
                               const ZoString& key2Value, ZO_BOOLEAN decrypt, ZO_LONG itemCount,
                               const ZO_LONG* itemTypes, const char* const* itemNames,
                               ZO_LONG& entrySize, ItemValue* values) {
  XTR_METHOD("ZoRealDossaDatabase :: read", errorCode_);
  if (!start()) return false;
  if (form.length() == 0) return setFailure(ERR_RDBD_INV_FORM_NAME, 0);
  for (ZO_LONG i = 0; i < itemCount; ++i) {
    values[i].clearValue();
    values[i].listBuffer.reset();
  }
  ZoString formula = zoDossaFormula(form, key1Item, key1Value, key2Item, key2Value);
  FormulaHandle compiled;
  if (compile(formula, compiled.handle)) {
    NoteReadState state = readState(database_, itemCount, itemTypes, itemNames, values, decrypt != FALSE);
    verifyKeys(state, key1Item, key1Value, key2Item, key2Value);
    if (search(compiled.handle, state)) zoSetOutcome(errorCode_, state.code());
    endRead(state, entrySize);
  }
  return finish(formula.text());
}

bool ZoRealDossaDatabase::setItem(DossaNoteHandle note, const char* name, ZO_LONG type, const ItemValue& value,
                                  ZO_LONG entrySize) {
  if (type == DOSSA_ITEM_TEXT) {
    const auto length = static_cast<std::uint16_t>(strnlen(value.text, DOSSA_ITEM_TEXT_MAX));
    return call("DossaItemSetText", DossaItemSetText, note, name, value.text, length);
  }
  if (!dossaIsTextList(type)) {
    const double number = value.number;
    return call("DossaItemSetNumber", DossaItemSetNumber, note, name, &number);
  }
  if (value.listCount > 0 && (!value.listBuffer || entrySize <= 0))
    return classifyStatus(DOSSA_ERR_INVALID_ARGUMENT);
  // An entry is never read past its slot, terminated or not.
  const std::size_t slot = std::min(static_cast<std::size_t>(entrySize), DOSSA_MAX_TEXT);
  bool set = true;
  for (ZO_LONG j = 0; set && j < value.listCount; ++j) {
    const char* entry = value.entry(j, entrySize);
    const auto length = static_cast<std::uint16_t>(strnlen(entry, slot));
    set = j == 0 ? call("DossaItemCreateTextList", DossaItemCreateTextList, note, name, entry, length)
                 : call("DossaItemAppendTextList", DossaItemAppendTextList, note, name, entry, length, 0);
  }
  return set;
}

bool ZoRealDossaDatabase::write(const ZoString& form, const ZoString& key1Item,
                                const ZoString& key1Value, const ZoString& key2Item,
                                const ZoString& key2Value, ZO_BOOLEAN replace, ZO_LONG itemCount,
                                const ZO_LONG* itemTypes, const char* const* itemNames,
                                ZO_LONG entrySize, const ItemValue* values) {
  XTR_METHOD("ZoRealDossaDatabase :: write", errorCode_);
  if (!start()) return false;
  if (form.length() == 0) return setFailure(ERR_RDBD_INV_FORM_NAME, 0);
  if (key1Item.length() == 0) return setFailure(ERR_RDBD_INV_KEY_ITEM_NAME, 0);
  ZoString formula = zoDossaFormula(form, key1Item, key1Value, key2Item, key2Value);
  FormulaHandle compiled;
  // A search that only verifies the keys: the item list is the key items.
  NoteReadState state = readState(database_, key2Item.length() > 0 ? 2 : 1, nullptr, nullptr, nullptr, false);
  verifyKeys(state, key1Item, key1Value, key2Item, key2Value);
  if (!compile(formula, compiled.handle) || !search(compiled.handle, state)) return finish(formula.text());
  const bool exists = state.found == NoteReadState::Found::Read;
  if (state.found == NoteReadState::Found::Refused) setFailure(state.refusal, 0);
  if (exists && !replace) setFailure(ERR_RDBD_DEFN_ALREADY_EXISTS, 0);
  if (errorCode_ != 0) return finish(formula.text());

  DossaNoteHandle note = 0;
  bool saved = exists ? call("DossaNoteOpen", DossaNoteOpen, database_, state.noteId, 0, &note)
                      : call("DossaNoteCreate", DossaNoteCreate, database_, &note) &&
                            call("DossaItemSetText", DossaItemSetText, note, zodossa::FORM_ITEM, form.text(),
                                 DOSSA_TERMINATED);
  for (ZO_LONG i = 0; saved && i < itemCount; ++i)
    saved = setItem(note, itemNames[i], itemTypes[i], values[i], entrySize);
  if (saved) saved = call("DossaNoteUpdate", DossaNoteUpdate, note, 0);
  if (note != 0) {
    const DossaStatus closed = traced("DossaNoteClose", DossaNoteClose, note);
    if (saved && closed != 0) classifyStatus(closed);
  }
  return finish(formula.text());
}

bool ZoRealDossaDatabase::deleteItems(const ZoString& form, const ZoString& keyItem,
                                      const ZoString& keyValue) {
  XTR_METHOD("ZoRealDossaDatabase :: deleteItems", errorCode_);
  if (!start()) return false;
  if (form.length() == 0) return setFailure(ERR_RDBD_INV_FORM_NAME, 0);
  if (keyItem.length() == 0) return setFailure(ERR_RDBD_INV_KEY_ITEM_NAME, 0);
  ZoString formula = zoDossaFormula(form, keyItem, keyValue, "", "");
  FormulaHandle compiled;
  ZO_LONG deleted = 0;
  for (bool more = compile(formula, compiled.handle); more;) {
    NoteReadState state = readState(database_, 1, nullptr, nullptr, nullptr, false);
    verifyKeys(state, keyItem, keyValue, "", "");
    more = search(compiled.handle, state);
    if (more && state.found == NoteReadState::Found::Refused) setFailure(state.refusal, 0);
    more = more && state.found == NoteReadState::Found::Read &&
           call("DossaNoteDelete", DossaNoteDelete, database_, state.noteId, 0);
    if (more) ++deleted;
  }
  if (errorCode_ == 0 && deleted == 0) setFailure(ERR_RDBD_DEFN_NOT_FOUND, 0);
  return finish(formula.text());
}

template <class Call>
bool ZoRealDossaDatabase::onDatabase(const char* name, Call&& operation) {
  return start() && call(name, operation, database_);
}

bool ZoRealDossaDatabase::beginUnit() {
  XTR_METHOD("ZoRealDossaDatabase :: beginUnit", errorCode_);
  return onDatabase("DossaDbBeginUnit", DossaDbBeginUnit);
}

bool ZoRealDossaDatabase::commitUnit() {
  XTR_METHOD("ZoRealDossaDatabase :: commitUnit", errorCode_);
  return onDatabase("DossaDbCommitUnit", DossaDbCommitUnit);
}

bool ZoRealDossaDatabase::abortUnit() {
  XTR_METHOD("ZoRealDossaDatabase :: abortUnit", errorCode_);
  return onDatabase("DossaDbAbortUnit", DossaDbAbortUnit);
}

bool ZoRealDossaDatabase::buildMessage(const ZoString& messageName, std::string& problem) {
  XTR_METHOD("ZoRealDossaDatabase :: buildMessage", errorCode_);
  return onDatabase("zoBuildMessages", [&](DossaDbHandle db) {
    DossaStatus status = zoBuildMessages(db, {messageName.text()}, nullptr, problem);
    if (status != 0) XTR_TEXTF("Build of %s failed: %s", messageName.text(), problem.c_str());
    return status;
  });
}

bool ZoRealDossaDatabase::writeBuiltMessage(ZoBuiltMessage message, std::string& problem) {
  XTR_METHOD("ZoRealDossaDatabase :: writeBuiltMessage", errorCode_);
  return onDatabase("zoWriteBuiltMessage", [&](DossaDbHandle db) {
    const std::string name = message.name;
    DossaStatus status = zoWriteBuiltMessage(db, std::move(message), problem);
    if (status != 0) XTR_TEXTF("Build of %s failed: %s", name.c_str(), problem.c_str());
    return status;
  });
}

HCOLLECTION ZoRealDossaDatabase::openCollection(const ZoString& viewName) {
  XTR_METHOD("ZoRealDossaDatabase :: openCollection", errorCode_);
  if (!start()) return 0;
  if (viewName.length() == 0) {
    setFailure(ERR_RDBD_INV_VIEW_NAME, 0);
    return 0;
  }
  DossaNoteId viewId = 0;
  HCOLLECTION collection = 0;
  const bool opened = call("DossaFindView", DossaFindView, database_, viewName.text(), kViewClass, &viewId) &&
                      call("DossaOpenCollection", DossaOpenCollection, database_, database_, viewId, 0, 0,
                           &collection, nullptr, nullptr, nullptr, nullptr);
  return opened ? collection : 0;
}

bool ZoRealDossaDatabase::closeCollection(HCOLLECTION collection) {
  XTR_METHOD("ZoRealDossaDatabase :: closeCollection", errorCode_);
  if (!start()) return false;
  if (collection == 0) return setFailure(ERR_RDBD_COLLECTION_NOT_OPEN, 0);
  return call("DossaCloseCollection", DossaCloseCollection, collection);
}

bool ZoRealDossaDatabase::read(HCOLLECTION collection, const ZoString& key, ZO_BOOLEAN decrypt,
                               ZO_LONG itemCount, const ZO_LONG* itemTypes,
                               const char* const* itemNames, ZO_LONG& entrySize,
                               ItemValue* values) {
  XTR_METHOD("ZoRealDossaDatabase :: read( HCOLLECTION ...)", errorCode_);
  if (!start()) return false;
  if (collection == 0) return setFailure(ERR_RDBD_COLLECTION_NOT_OPEN, 0);
  const ReadMoment moment(database_);
  DossaCollectionPosition position{};
  NoteReadState state = readState(database_, itemCount, itemTypes, itemNames, values, decrypt != FALSE);
  if (!findEntry(collection, key, position) || !entryNote(collection, position, state.noteId)) return false;
  const DossaStatus status = ReadNote(state);
  endRead(state, entrySize);
  return status != 0 ? classifyStatus(status) : zoSetOutcome(errorCode_, state.code());
}

bool ZoRealDossaDatabase::findEntry(HCOLLECTION collection, const ZoString& key,
                                    DossaCollectionPosition& position) {
  if (!call("DossaUpdateCollection", DossaUpdateCollection, collection)) return false;
  std::uint32_t matches = 0;
  const DossaStatus status = traced("DossaFindByName", DossaFindByName, collection, key.text(), 0, &position, &matches);
  if (DossaErrorNumber(status) == kNoViewMatch) return setFailure(ERR_RDBD_DEFN_NOT_FOUND, 0);
  if (status != 0) return classifyStatus(status);
  return matches <= 1 || setFailure(ERR_RDBD_DUPLICATE_DEFN, 0);
}

bool ZoRealDossaDatabase::entryNote(HCOLLECTION collection, DossaCollectionPosition& position,
                                    DossaNoteId& noteId) {
  DossaMemHandle buffer = 0;
  std::uint16_t length = 0;
  std::uint32_t returned = 0;
  std::uint16_t signal = 0;
  if (call("DossaReadEntries", DossaReadEntries, collection, &position, 0, 0, 0, 1, DOSSA_READ_MASK_NOTEID, &buffer,
           &length, nullptr, &returned, &signal)) {
    if (returned == 0 || buffer == 0) {
      setFailure(ERR_RDBD_DEFN_NOT_FOUND, 0);
    } else if (returned > 1) {
      setFailure(ERR_RDBD_DUPLICATE_DEFN, 0);
    } else if (length < sizeof(DossaNoteId)) {
      setFailure(ERR_RDBD_DEFN_NOT_FOUND, 0);
    } else if (void* locked = tracedPlain("DossaLockObject", DossaLockObject, buffer); !locked) {
      // The lock gives an address, not a status: a null one means the entry cannot be read.
      setFailure(ERR_RDBD_DEFN_NOT_FOUND, 0);
    } else {
      std::memcpy(&noteId, locked, sizeof noteId);
      tracedPlain("DossaUnlockObject", DossaUnlockObject, buffer);
    }
  }
  if (buffer != 0) tracedPlain("DossaMemFree", DossaMemFree, buffer);
  return errorCode_ == 0;
}

bool ZoRealDossaDatabase::getUserName(ZoString& name) {
  XTR_METHOD("ZoRealDossaDatabase :: getUserName", errorCode_);
  clear();
  char full[kUserNameSize] = {};
  char abbreviated[kUserNameSize] = {};
  std::uint16_t length = 0;
  // The user name call's status is traced as a plain result.
  if (const DossaStatus status = tracedPlain("DossaGetUserName", DossaGetUserName, full); status != 0)
    return classifyStatus(status);
  if (!call("DossaAbbreviate", DossaAbbreviate, 0, nullptr, full, abbreviated, kUserNameSize, &length)) return false;
  XTR_TEXTF("Abbreviated user name is \"%s\"", abbreviated);
  name = abbreviated;
  return true;
}

ZoString ZoRealDossaDatabase::getMsgString(ZO_ULONG libraryStatus) const {
  XTR_METHOD("ZoRealDossaDatabase :: getMsgString", errorCode_);
  if (database_ == 0 || libraryStatus == 0) return ZoString();
  char text[kMessageTextSize] = {};
  tracedPlain("DossaLoadString", DossaLoadString, nullptr,
              static_cast<DossaStatus>(libraryStatus & kErrorNumberMask), text, kMessageTextSize);
  text[kMessageTextSize - 1] = '\0';
  return ZoString(text);
}

bool ZoRealDossaDatabase::messageNames(std::vector<std::string>& names) {
  XTR_METHOD("ZoRealDossaDatabase :: messageNames", errorCode_);
  names.clear();
  return onDatabase("zoMessageNames", [&](DossaDbHandle db) { return zoMessageNames(db, names); });
}
