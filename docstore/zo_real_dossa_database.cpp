#include "docstore/zo_real_dossa_database.h"

#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "common/outcome.h"
#include "common/return_codes.h"
#include "common/trace.h"
#include "docstore/zo_message_names.h"
#include "docstore/zo_msg_build.h"

ZO_LONG ZoRealDossaDatabase::initCount_ = 0;

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

// A library call that returns a status, traced before and after.
template <class Call>
DossaStatus traced(const char* name, Call call) {
  XTR_TEXTF("Calling %s", name);
  DossaStatus status = call();
  XTR_TEXTF("Returned from %s - rc is %d", name, static_cast<int>(status));
  return status;
}

// A library call whose result (if any) is not a status.
template <class Call>
auto tracedPlain(const char* name, Call call) {
  XTR_TEXTF("Calling %s", name);
  if constexpr (std::is_void_v<decltype(call())>) {
    call();
    XTR_TEXTF("Returned from %s", name);
  } else {
    auto result = call();
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
  tracedPlain("DossaLoadString", [&] {
    return DossaLoadString(nullptr, status & kErrorNumberMask, text, kTraceTextSize);
  });
  XTR_TEXTF("ERR_RDBD_DOSSA_ERROR (0x%x): %s", static_cast<unsigned>(status & 0xFFFF), text);
}

// Compares a stored key with the wanted one on their first 63 characters.
bool sameKey(const char* found, const char* wanted) {
  return std::strncmp(found, wanted, DOSSA_ITEM_TEXT_MAX) == 0;
}

// Reads a text item into a 64-character value, cut to 63 and terminated.
void readText(DossaNoteHandle note, const char* item, char* text) {
  std::uint16_t length = tracedPlain("DossaItemGetText", [&] {
    return DossaItemGetText(note, item, text, static_cast<std::uint16_t>(DOSSA_ITEM_TEXT_MAX));
  });
  text[length < DOSSA_ITEM_TEXT_MAX ? length : DOSSA_ITEM_TEXT_MAX] = '\0';
}

bool itemPresent(DossaNoteHandle note, const char* item) {
  return tracedPlain("DossaItemIsPresent",
                     [&] { return DossaItemIsPresent(note, item, DOSSA_TERMINATED); });
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
  std::uint16_t count = tracedPlain("DossaItemGetTextListEntries",
                                    [&] { return DossaItemGetTextListEntries(note, item); });
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
    std::uint16_t copied = tracedPlain("DossaItemGetTextListEntry", [&] {
      return DossaItemGetTextListEntry(note, item, j, slot, slot16);
    });
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

// Reads the items after the key items of the open document (keys matched).
ZO_ULONG readItems(DossaNoteHandle note, NoteReadState& state, ZO_LONG keysChecked) {
  // The entry size matters only to text lists: a document whose size item is
  // unusable can still be found by its keys (and deleted).
  bool readsList = false;
  for (ZO_LONG i = keysChecked; i < state.itemCount; ++i)
    readsList = readsList || dossaIsTextList(state.itemTypes[i]);
  if (readsList && itemPresent(note, DOSSA_MAX_ENTRY_ITEM)) {
    std::int32_t longest = tracedPlain("DossaItemGetLong", [&] {
      return DossaItemGetLong(note, DOSSA_MAX_ENTRY_ITEM, 0);
    });
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
      value.number = tracedPlain("DossaItemGetLong", [&] { return DossaItemGetLong(note, name, 0); });
    }
    if (status != 0) {
      freeTextListMemory(state.itemCount, state.itemTypes, state.itemValues);
      return status;
    }
  }
  return 0;
}

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
  DossaStatus status = traced("DossaNoteOpen", [&] {
    return DossaNoteOpen(state.database, state.noteId, 0, &note);
  });
  bool opened = status == 0;
  if (opened && state.decrypt) {
    status = traced("DossaNoteDecrypt", [&] { return DossaNoteDecrypt(note, 0, nullptr); });
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
    DossaStatus closed = traced("DossaNoteClose", [&] { return DossaNoteClose(note); });
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

void ZoRealDossaDatabase::initLibrary(int argc, char* argv[]) {
  if (initCount_ == 0) {
    DossaStatus status =
        traced("DossaInitExtended", [&] { return DossaInitExtended(argc, argv); });
    if (status != 0) {
      setFailure(ERR_RDBD_DOSSA_ERROR, status & kErrorNumberMask);
      XTR_TEXT("Error initializing Dossa");
      XTR_TEXTF("argc = %d, argv[0] = %s", argc, argc > 0 && argv && argv[0] ? argv[0] : "");
      return;
    }
    XTR_TEXT("Dossa initialized");
  }
  ++initCount_;
  holdsLibrary_ = true;
}

ZoRealDossaDatabase::~ZoRealDossaDatabase() {
  XTR_METHOD("ZoRealDossaDatabase :: ~ZoRealDossaDatabase", errorCode_);
  if (database_ != 0) {
    DossaStatus status = traced("DossaDbClose", [&] { return DossaDbClose(database_); });
    if (status != 0) traceStatusText(status);
    database_ = 0;
  }
  if (holdsLibrary_) {
    if (initCount_ == 1) tracedPlain("DossaTerm", [] { DossaTerm(); });
    if (initCount_ > 0) --initCount_;
    holdsLibrary_ = false;
  }
}

void ZoRealDossaDatabase::clear() {
  errorCode_ = 0;
  libraryStatus_ = 0;
}

void ZoRealDossaDatabase::open(const ZoString& serverName, const ZoString& fileName) {
  XTR_METHOD("ZoRealDossaDatabase :: open", errorCode_);
  clear();
  database_ = 0;
  char path[DOSSA_MAXPATH] = {};
  tracedPlain("DossaPathNetConstruct", [&] {
    return DossaPathNetConstruct(nullptr, serverName.text(), fileName.text(), path);
  });
  DossaDbHandle handle = 0;
  DossaStatus status = traced("DossaDbOpen", [&] { return DossaDbOpen(path, &handle); });
  if (status == 0) {
    database_ = handle;
    return;
  }
  if (handle != 0) {
    traced("DossaDbClose", [&] { return DossaDbClose(handle); });
  }
  XTR_TEXTF("Database full path name: %s", path);
  traceStatusText(status);
  const Classified classified = classify(status, true);
  setFailure(classified.code, classified.keepsStatus ? status & kErrorNumberMask : 0);
}

// ---- Helpers ------------------------------------------------------------------

void ZoRealDossaDatabase::epilogue(const char* formula) {
  if (errorCode_ == 0) return;
  if (formula) XTR_TEXTF("Document Selection Formula: (%s)", formula);
  auto status = static_cast<DossaStatus>(libraryStatus_);
  if (status != 0) {
    traceStatusText(status);
    if (isSecurityClass(status)) {
      errorCode_ = ERR_RDBD_SECURITY_FAILURE;
      status = 0;
    }
  }
  libraryStatus_ = status & kErrorNumberMask;
}

void ZoRealDossaDatabase::classifyStatus(DossaStatus status) {
  traceStatusText(status);
  const Classified classified = classify(status, false);
  setFailure(classified.code, classified.keepsStatus ? status & kErrorNumberMask : 0);
}

bool ZoRealDossaDatabase::setFailure(ZO_ULONG code, DossaStatus status) {
  errorCode_ = code;
  libraryStatus_ = status;
  return false;
}

bool ZoRealDossaDatabase::compile(const ZoString& formula, DossaMemHandle& compiled) {
  DossaStatus status = traced("DossaFormulaCompile", [&] {
    return DossaFormulaCompile(nullptr, 0, formula.text(),
                               static_cast<std::uint32_t>(formula.length()), &compiled, nullptr,
                               nullptr, nullptr, nullptr, nullptr, nullptr);
  });
  return status == 0 || setFailure(ERR_RDBD_DOSSA_ERROR, status);
}

DossaStatus ZoRealDossaDatabase::search(DossaMemHandle compiled, NoteReadState& state) {
  return traced("DossaSearch", [&] {
    return DossaSearch(database_, compiled, nullptr, 0, kDocumentsOnly, nullptr,
                       &DossaCallBackFunction, &state, nullptr);
  });
}

namespace {
// Frees a compiled formula when the operation ends, on every path.
class FormulaHandle {
 public:
  ~FormulaHandle() {
    if (handle != 0) tracedPlain("DossaMemFree", [this] { DossaMemFree(handle); });
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
      : db_(db), held_(traced("DossaDbBeginSnapshot", [db] { return DossaDbBeginSnapshot(db); }) == 0) {}
  ~ReadMoment() {
    if (held_) traced("DossaDbEndSnapshot", [this] { return DossaDbEndSnapshot(db_); });
  }
  ReadMoment(const ReadMoment&) = delete;
  ReadMoment& operator=(const ReadMoment&) = delete;

 private:
  DossaDbHandle db_;
  bool held_;
};
}  // namespace

// ---- Operations ---------------------------------------------------------------

bool ZoRealDossaDatabase::read(const ZoString& form, const ZoString& key1Item,
                               const ZoString& key1Value, const ZoString& key2Item,
                               const ZoString& key2Value, ZO_BOOLEAN decrypt, ZO_LONG itemCount,
                               const ZO_LONG* itemTypes, const char* const* itemNames,
                               ZO_LONG& entrySize, ItemValue* values) {
  XTR_METHOD("ZoRealDossaDatabase :: read", errorCode_);
  clear();
  if (database_ == 0) return zoSetOutcome(errorCode_, ERR_RDBD_DATABASE_NOT_OPEN);
  if (form.length() == 0) return zoSetOutcome(errorCode_, ERR_RDBD_INV_FORM_NAME);
  for (ZO_LONG i = 0; i < itemCount; ++i) {
    values[i].clearValue();
    values[i].listBuffer.reset();
  }
  bool withKey1 = key1Item.length() > 0;
  bool withKey2 = withKey1 && key2Item.length() > 0;
  ZoString formula = zoDossaFormula(form, key1Item, key1Value, key2Item, key2Value);
  FormulaHandle compiled;
  if (compile(formula, compiled.handle)) {
    NoteReadState state;
    state.database = database_;
    state.itemCount = itemCount;
    state.key1Item = withKey1 ? key1Item.text() : nullptr;
    state.key1Value = key1Value.text();
    state.key2Item = withKey2 ? key2Item.text() : nullptr;
    state.key2Value = key2Value.text();
    state.decrypt = decrypt != FALSE;
    state.itemTypes = itemTypes;
    state.itemNames = itemNames;
    state.itemValues = values;
    DossaStatus status = search(compiled.handle, state);
    entrySize = state.maxEntryLength;
    if (state.found == NoteReadState::Found::Refused) freeTextListMemory(itemCount, itemTypes, values);
    errorCode_ = state.code();
    if (status != 0) libraryStatus_ = status;
  }
  epilogue(formula.text());
  return zoSucceeded(errorCode_);
}

bool ZoRealDossaDatabase::write(const ZoString& form, const ZoString& key1Item,
                                const ZoString& key1Value, const ZoString& key2Item,
                                const ZoString& key2Value, ZO_BOOLEAN replace, ZO_LONG itemCount,
                                const ZO_LONG* itemTypes, const char* const* itemNames,
                                ZO_LONG entrySize, const ItemValue* values) {
  XTR_METHOD("ZoRealDossaDatabase :: write", errorCode_);
  clear();
  if (database_ == 0) return zoSetOutcome(errorCode_, ERR_RDBD_DATABASE_NOT_OPEN);
  if (form.length() == 0) return zoSetOutcome(errorCode_, ERR_RDBD_INV_FORM_NAME);
  if (key1Item.length() == 0) return zoSetOutcome(errorCode_, ERR_RDBD_INV_KEY_ITEM_NAME);
  ZoString formula = zoDossaFormula(form, key1Item, key1Value, key2Item, key2Value);
  FormulaHandle compiled;
  if (!compile(formula, compiled.handle)) {
    epilogue(formula.text());
    return false;
  }
  // A search that only verifies the keys: the item list is the key items.
  NoteReadState state;
  state.database = database_;
  state.itemCount = key2Item.length() > 0 ? 2 : 1;
  state.key1Item = key1Item.text();
  state.key1Value = key1Value.text();
  state.key2Item = key2Item.length() > 0 ? key2Item.text() : nullptr;
  state.key2Value = key2Value.text();
  DossaStatus status = search(compiled.handle, state);
  if (status != 0) libraryStatus_ = status;
  bool exists = state.found == NoteReadState::Found::Read;
  if (state.found == NoteReadState::Found::Refused) {
    errorCode_ = state.refusal;
  } else if (exists && !replace) {
    errorCode_ = ERR_RDBD_DEFN_ALREADY_EXISTS;
  }
  if (errorCode_ != 0) {
    epilogue(formula.text());
    return false;
  }

  DossaNoteHandle note = 0;
  if (exists) {
    status = traced("DossaNoteOpen", [&] { return DossaNoteOpen(database_, state.noteId, 0, &note); });
  } else {
    status = traced("DossaNoteCreate", [&] { return DossaNoteCreate(database_, &note); });
    if (status == 0) {
      status = traced("DossaItemSetText", [&] {
        return DossaItemSetText(note, zodossa::FORM_ITEM, form.text(), DOSSA_TERMINATED);
      });
    }
  }
  for (ZO_LONG i = 0; status == 0 && i < itemCount; ++i) {
    const ItemValue& value = values[i];
    const char* name = itemNames[i];
    if (itemTypes[i] == DOSSA_ITEM_TEXT) {
      auto length = static_cast<std::uint16_t>(strnlen(value.text, DOSSA_ITEM_TEXT_MAX));
      status = traced("DossaItemSetText",
                      [&] { return DossaItemSetText(note, name, value.text, length); });
    } else if (dossaIsTextList(itemTypes[i])) {
      if (value.listCount > 0 && (!value.listBuffer || entrySize <= 0)) {
        status = DOSSA_ERR_INVALID_ARGUMENT;
        break;
      }
      for (ZO_LONG j = 0; status == 0 && j < value.listCount; ++j) {
        const char* entry = value.entry(j, entrySize);
        // An entry is never read past its slot, terminated or not.
        auto length = static_cast<std::uint16_t>(
            strnlen(entry, static_cast<std::size_t>(entrySize) < DOSSA_MAX_TEXT
                               ? static_cast<std::size_t>(entrySize)
                               : DOSSA_MAX_TEXT));
        if (j == 0) {
          status = traced("DossaItemCreateTextList",
                          [&] { return DossaItemCreateTextList(note, name, entry, length); });
        } else {
          status = traced("DossaItemAppendTextList",
                          [&] { return DossaItemAppendTextList(note, name, entry, length, 0); });
        }
      }
    } else {
      double number = value.number;
      status = traced("DossaItemSetNumber", [&] { return DossaItemSetNumber(note, name, &number); });
    }
  }
  if (status == 0 && note != 0) {
    status = traced("DossaNoteUpdate", [&] { return DossaNoteUpdate(note, 0); });
  }
  if (note != 0) {
    DossaStatus closed = traced("DossaNoteClose", [&] { return DossaNoteClose(note); });
    if (status == 0) status = closed;
  }
  if (DossaErrorNumber(status) == DOSSA_ERR_DUPLICATE_KEY) {
    classifyStatus(status);
  } else if (status != 0) {
    setFailure(ERR_RDBD_DOSSA_ERROR, status);
  }
  epilogue(formula.text());
  return zoSucceeded(errorCode_);
}

bool ZoRealDossaDatabase::deleteItems(const ZoString& form, const ZoString& keyItem,
                                      const ZoString& keyValue) {
  XTR_METHOD("ZoRealDossaDatabase :: deleteItems", errorCode_);
  clear();
  if (database_ == 0) return zoSetOutcome(errorCode_, ERR_RDBD_DATABASE_NOT_OPEN);
  if (form.length() == 0) return zoSetOutcome(errorCode_, ERR_RDBD_INV_FORM_NAME);
  if (keyItem.length() == 0) return zoSetOutcome(errorCode_, ERR_RDBD_INV_KEY_ITEM_NAME);
  ZoString formula = zoDossaFormula(form, keyItem, keyValue, "", "");
  FormulaHandle compiled;
  if (!compile(formula, compiled.handle)) {
    epilogue(formula.text());
    return false;
  }
  ZO_LONG deleted = 0;
  for (;;) {
    NoteReadState state;
    state.database = database_;
    state.itemCount = 1;
    state.key1Item = keyItem.text();
    state.key1Value = keyValue.text();
    DossaStatus status = search(compiled.handle, state);
    if (status != 0) libraryStatus_ = status;
    if (state.found != NoteReadState::Found::Read) {
      if (state.found == NoteReadState::Found::Refused) errorCode_ = state.refusal;
      break;
    }
    status = traced("DossaNoteDelete", [&] { return DossaNoteDelete(database_, state.noteId, 0); });
    if (status != 0) {
      setFailure(ERR_RDBD_DOSSA_ERROR, status);
      break;
    }
    ++deleted;
  }
  if (errorCode_ == 0 && deleted == 0) errorCode_ = ERR_RDBD_DEFN_NOT_FOUND;
  epilogue(formula.text());
  return zoSucceeded(errorCode_);
}

template <class Call>
bool ZoRealDossaDatabase::onDatabase(const char* name, Call&& call) {
  clear();
  if (database_ == 0) return (errorCode_ = ERR_RDBD_DATABASE_NOT_OPEN, false);
  if (DossaStatus status = traced(name, [&] { return call(database_); })) classifyStatus(status);
  return errorCode_ == 0;
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
  clear();
  if (database_ == 0) {
    zoSetOutcome(errorCode_, ERR_RDBD_DATABASE_NOT_OPEN);
    return 0;
  }
  if (viewName.length() == 0) {
    zoSetOutcome(errorCode_, ERR_RDBD_INV_VIEW_NAME);
    return 0;
  }
  DossaNoteId viewId = 0;
  HCOLLECTION collection = 0;
  DossaStatus status = traced("DossaFindView", [&] {
    return DossaFindView(database_, viewName.text(), kViewClass, &viewId);
  });
  if (status == 0) {
    status = traced("DossaOpenCollection", [&] {
      return DossaOpenCollection(database_, database_, viewId, 0, 0, &collection, nullptr,
                                 nullptr, nullptr, nullptr);
    });
  }
  if (status != 0) classifyStatus(status);
  return errorCode_ == 0 ? collection : 0;
}

bool ZoRealDossaDatabase::closeCollection(HCOLLECTION collection) {
  XTR_METHOD("ZoRealDossaDatabase :: closeCollection", errorCode_);
  clear();
  if (database_ == 0) return zoSetOutcome(errorCode_, ERR_RDBD_DATABASE_NOT_OPEN);
  if (collection == 0) return zoSetOutcome(errorCode_, ERR_RDBD_COLLECTION_NOT_OPEN);
  DossaStatus status =
      traced("DossaCloseCollection", [&] { return DossaCloseCollection(collection); });
  if (status != 0) {
    errorCode_ = ERR_RDBD_DOSSA_ERROR;
    traceStatusText(status);
  }
  return zoSucceeded(errorCode_);
}

bool ZoRealDossaDatabase::read(HCOLLECTION collection, const ZoString& key, ZO_BOOLEAN decrypt,
                               ZO_LONG itemCount, const ZO_LONG* itemTypes,
                               const char* const* itemNames, ZO_LONG& entrySize,
                               ItemValue* values) {
  XTR_METHOD("ZoRealDossaDatabase :: read( HCOLLECTION ...)", errorCode_);
  clear();
  if (database_ == 0) return zoSetOutcome(errorCode_, ERR_RDBD_DATABASE_NOT_OPEN);
  if (collection == 0) return zoSetOutcome(errorCode_, ERR_RDBD_COLLECTION_NOT_OPEN);
  const ReadMoment moment(database_);
  DossaCollectionPosition position{};
  DossaNoteId noteId = 0;
  DossaStatus status = findEntry(collection, key, position);
  if (errorCode_ == 0) status = entryNote(collection, position, noteId);
  if (errorCode_ == 0) {
    NoteReadState state;
    state.database = database_;
    state.itemCount = itemCount;
    state.decrypt = decrypt != FALSE;
    state.noteId = noteId;
    state.itemTypes = itemTypes;
    state.itemNames = itemNames;
    state.itemValues = values;
    status = ReadNote(state);
    entrySize = state.maxEntryLength;
    if (state.found == NoteReadState::Found::Refused) freeTextListMemory(itemCount, itemTypes, values);
    errorCode_ = state.code();
  }
  libraryStatus_ = status;
  if (errorCode_ != 0 && libraryStatus_ != 0) {
    epilogue(nullptr);
  } else {
    libraryStatus_ &= kErrorNumberMask;
  }
  return zoSucceeded(errorCode_);
}

DossaStatus ZoRealDossaDatabase::findEntry(HCOLLECTION collection, const ZoString& key,
                                           DossaCollectionPosition& position) {
  DossaStatus status =
      traced("DossaUpdateCollection", [&] { return DossaUpdateCollection(collection); });
  if (status != 0) {
    errorCode_ = ERR_RDBD_DOSSA_ERROR;
    return status;
  }
  std::uint32_t matches = 0;
  status = traced("DossaFindByName", [&] {
    return DossaFindByName(collection, key.text(), 0, &position, &matches);
  });
  if (DossaErrorNumber(status) == kNoViewMatch) {
    errorCode_ = ERR_RDBD_DEFN_NOT_FOUND;
    status = 0;
  } else if (status != 0) {
    errorCode_ = ERR_RDBD_DOSSA_ERROR;
  } else if (matches > 1) {
    errorCode_ = ERR_RDBD_DUPLICATE_DEFN;
  }
  return status;
}

DossaStatus ZoRealDossaDatabase::entryNote(HCOLLECTION collection, DossaCollectionPosition& position,
                                           DossaNoteId& noteId) {
  DossaMemHandle buffer = 0;
  std::uint16_t length = 0;
  std::uint32_t returned = 0;
  std::uint16_t signal = 0;
  const DossaStatus status = traced("DossaReadEntries", [&] {
    return DossaReadEntries(collection, &position, 0, 0, 0, 1, DOSSA_READ_MASK_NOTEID, &buffer, &length,
                            nullptr, &returned, &signal);
  });
  if (status != 0) {
    errorCode_ = ERR_RDBD_DOSSA_ERROR;
  } else if (returned == 0 || buffer == 0) {
    errorCode_ = ERR_RDBD_DEFN_NOT_FOUND;
  } else if (returned > 1) {
    errorCode_ = ERR_RDBD_DUPLICATE_DEFN;
  } else if (length < sizeof(DossaNoteId)) {
    errorCode_ = ERR_RDBD_DEFN_NOT_FOUND;
  }
  if (errorCode_ == 0) {
    // The lock gives an address, not a status: a null one means the entry cannot be read.
    void* locked = tracedPlain("DossaLockObject", [&] { return DossaLockObject(buffer); });
    if (!locked) {
      errorCode_ = ERR_RDBD_DEFN_NOT_FOUND;
    } else {
      std::memcpy(&noteId, locked, sizeof noteId);
      tracedPlain("DossaUnlockObject", [&] { DossaUnlockObject(buffer); });
    }
  }
  if (buffer != 0) tracedPlain("DossaMemFree", [&] { DossaMemFree(buffer); });
  return status;
}

bool ZoRealDossaDatabase::getUserName(ZoString& name) {
  XTR_METHOD("ZoRealDossaDatabase :: getUserName", errorCode_);
  clear();
  char full[kUserNameSize] = {};
  char abbreviated[kUserNameSize] = {};
  DossaStatus status = tracedPlain("DossaGetUserName", [&] { return DossaGetUserName(full); });
  if (status == 0) {
    std::uint16_t length = 0;
    status = traced("DossaAbbreviate", [&] {
      return DossaAbbreviate(0, nullptr, full, abbreviated, kUserNameSize, &length);
    });
  }
  if (status != 0) {
    classifyStatus(status);
    return false;
  }
  XTR_TEXTF("Abbreviated user name is \"%s\"", abbreviated);
  name = abbreviated;
  return true;
}

ZoString ZoRealDossaDatabase::getMsgString(ZO_ULONG libraryStatus) const {
  XTR_METHOD("ZoRealDossaDatabase :: getMsgString", errorCode_);
  if (database_ == 0 || libraryStatus == 0) return ZoString();
  char text[kMessageTextSize] = {};
  tracedPlain("DossaLoadString", [&] {
    return DossaLoadString(nullptr, static_cast<DossaStatus>(libraryStatus & kErrorNumberMask),
                           text, kMessageTextSize);
  });
  text[kMessageTextSize - 1] = '\0';
  return ZoString(text);
}

bool ZoRealDossaDatabase::messageNames(std::vector<std::string>& names) {
  XTR_METHOD("ZoRealDossaDatabase :: messageNames", errorCode_);
  names.clear();
  return onDatabase("zoMessageNames", [&](DossaDbHandle db) { return zoMessageNames(db, names); });
}
