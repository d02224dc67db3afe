#pragma once
// The adapter over the document-database client library: the only code of the
// library that calls it.
//
// It offers a small record-oriented interface: find the first document of a
// form selected by up to two key items (or the document of a view entry) and
// copy a list of named items into the caller's ItemValue array; create or
// replace such a document from an ItemValue array; delete every document of a
// form with a given key; open and close view collections; the current user's
// abbreviated name and the text of a library status.
//
// Every operation but getMsgString and the accessors clears the error code
// and the library status on entry, leaves a new pair on failure, and returns
// true when the error code is 0. The library status is the error number (low
// 14 bits) of the last failing library call, or 0; statuses that are
// classified into a code of their own (security refusals, unknown database or
// server, a missing view key) are cleared to 0. A search that fails (one
// that cannot read a document it looks at) is such a library failure, never
// "not found".
//
// Threads: one adapter is used by one thread at a time; adapters may be made,
// used and deleted in several threads at once (the client library holds one
// process-wide lock around every call, and the adapters' count of its users
// has a lock of its own).

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "common/zo_types.h"
#include "defs/zo_string.h"
#include "docstore/zo_dossa_layout.h"
#include "ndossa/dossa_api.h"

struct ZoBuiltMessage;

// Item types of an item list.
inline constexpr ZO_LONG DOSSA_ITEM_TEXT = 1;
inline constexpr ZO_LONG DOSSA_ITEM_NUMBER = 2;  // any value but 1, 4 and 5 reads as a number
// A number item a document may lack: a read gives 0 for it instead of failing.
inline constexpr ZO_LONG DOSSA_ITEM_OPTIONAL_NUMBER = 3;
inline constexpr ZO_LONG DOSSA_ITEM_TEXT_LIST = 4;
// A text list a document may lack: a read gives no entries for it.
inline constexpr ZO_LONG DOSSA_ITEM_OPTIONAL_TEXT_LIST = 5;
inline constexpr bool dossaIsTextList(ZO_LONG itemType) {
  return itemType == DOSSA_ITEM_TEXT_LIST || itemType == DOSSA_ITEM_OPTIONAL_TEXT_LIST;
}

// Room of ItemValue::text, terminator included: text items hold at most 63 characters.
inline constexpr std::size_t DOSSA_ITEM_TEXT_SIZE = 64;
inline constexpr std::size_t DOSSA_ITEM_TEXT_MAX = DOSSA_ITEM_TEXT_SIZE - 1;
// Entry slot size of a text list when the document gives none.
inline constexpr ZO_LONG DOSSA_DEFAULT_ENTRY_SIZE = 48;
// Number item that gives the longest entry of a document's text lists.
inline constexpr const char* DOSSA_MAX_ENTRY_ITEM = zodossa::BUILT_MAX_ENTRY;
// Largest longest-entry value accepted from a document: a slot (value + 1)
// must fit the 16-bit buffer size of the client library.
inline constexpr ZO_LONG DOSSA_MAX_ENTRY_LENGTH = 65534;
// Largest buffer one text list may claim (entry count times slot size).
inline constexpr std::size_t DOSSA_MAX_LIST_BUFFER = 64u * 1024u * 1024u;

// One item value, in either direction. Text lists are held as `listCount`
// slots of the entry size, entry j at offset j * entry size, each terminated.
struct ItemValue {
  ZO_LONG number = 0;
  char text[DOSSA_ITEM_TEXT_SIZE] = {};
  ZO_LONG listCount = 0;
  std::unique_ptr<char[]> listBuffer;

  // Empty text, no list entries, number 0 (an owned list buffer is kept).
  void clearValue();
  // Copies `value` into text, cut to 63 characters.
  void setText(const char* value);
  // Entry j of the list buffer for slots of `entrySize` characters.
  const char* entry(ZO_LONG j, ZO_LONG entrySize) const { return listBuffer.get() + j * entrySize; }
};

// What the search hands its callback and ReadNote: the document to read, the
// keys to verify and the caller's item tables.
struct NoteReadState {
  DossaDbHandle database = 0;
  ZO_LONG itemCount = 0;
  const char* key1Item = nullptr;  // null: no key to verify
  const char* key1Value = "";
  const char* key2Item = nullptr;
  const char* key2Value = "";
  bool decrypt = false;
  DossaNoteId noteId = 0;
  // What became of the search so far: no document looked at, the first one
  // read, or the first one refused (its keys differ, or reading it failed).
  enum class Found { Nothing, Read, Refused };
  Found found = Found::Nothing;
  ZO_ULONG refusal = 0;  // the adapter's code when refused
  // The adapter's code of the outcome: ERR_RDBD_DEFN_NOT_FOUND for nothing, 0 when read.
  ZO_ULONG code() const;
  const ZO_LONG* itemTypes = nullptr;
  const char* const* itemNames = nullptr;
  ZO_LONG maxEntryLength = DOSSA_DEFAULT_ENTRY_SIZE;
  ItemValue* itemValues = nullptr;
};

// Releases the list buffers of the text-list items among `itemValues` (the
// counts and other fields are left as they are).
void freeTextListMemory(ZO_LONG itemCount, const ZO_LONG* itemTypes, ItemValue* itemValues);

// The search callback: reads the first match through ReadNote, ignores the
// rest. `state` is a NoteReadState.
DossaStatus DossaCallBackFunction(void* state, const DossaSearchMatch* match, const void* summary);

// Reads the document state.noteId: verifies the key items (the leading
// entries of the item list) exactly, then reads the remaining items into the
// values. Sets state.found (and the refusal); returns the 14-bit library status.
DossaStatus ReadNote(NoteReadState& state);

// The program's arguments the client library is initialised with; `given` is
// false when the program did not hand them over.
struct ZoDossaArguments {
  bool given = false;
  int argc = 0;
  char** argv = nullptr;
};

class ZoRealDossaDatabase {
 public:
  // Initialises the client library (once per process; see below) with the
  // program's arguments, then opens the database. The object exists even when
  // that fails: its owner reads getErrorCode() and deletes it.
  ZoRealDossaDatabase(const ZoString& serverName, const ZoString& fileName, int argc, char* argv[]);
  // Opens the database without the program's arguments. When nothing in this
  // process has initialised the client library yet, it is initialised here
  // without arguments.
  ZoRealDossaDatabase(const ZoString& serverName, const ZoString& fileName);
  // Closes the database; the last adapter to go terminates the client library.
  virtual ~ZoRealDossaDatabase();

  ZoRealDossaDatabase(const ZoRealDossaDatabase&) = delete;
  ZoRealDossaDatabase& operator=(const ZoRealDossaDatabase&) = delete;

  // Finds the first document of `form` selected by the keys (a key with an
  // empty item name is not used; the second only with the first), verifies
  // the keys exactly, and reads the items after the key items into `values`.
  // `entrySize` receives the slot size of the text lists read. The caller owns
  // `values` and the list buffers that come back in them.
  bool read(const ZoString& form, const ZoString& key1Item, const ZoString& key1Value,
            const ZoString& key2Item, const ZoString& key2Value, ZO_BOOLEAN decrypt,
            ZO_LONG itemCount, const ZO_LONG* itemTypes, const char* const* itemNames,
            ZO_LONG& entrySize, ItemValue* values);
  // Creates the document of `form` with these keys, or with `replace` updates
  // the one that exists (its other items stay). Text lists are read from the
  // values in slots of `entrySize`. Nothing is saved unless every item was set.
  bool write(const ZoString& form, const ZoString& key1Item, const ZoString& key1Value,
             const ZoString& key2Item, const ZoString& key2Value, ZO_BOOLEAN replace,
             ZO_LONG itemCount, const ZO_LONG* itemTypes, const char* const* itemNames,
             ZO_LONG entrySize, const ItemValue* values);
  // Deletes every document of `form` whose key item has the value;
  // ERR_RDBD_DEFN_NOT_FOUND when there was none.
  bool deleteItems(const ZoString& form, const ZoString& keyItem, const ZoString& keyValue);
  // A unit of work on the database (see DossaDbBeginUnit): begin, then commit
  // or abort.
  bool beginUnit();
  bool commitUnit();
  bool abortUnit();
  // Derives the "MsgBuild" document of the message from its "Message" and
  // "Field" documents (see zo_msg_build.h); `problem` says what went wrong.
  bool buildMessage(const ZoString& messageName, std::string& problem);
  // Writes the "MsgBuild" document of a message from what its documents were
  // just written with (see zoWriteBuiltMessage).
  bool writeBuiltMessage(ZoBuiltMessage message, std::string& problem);
  // Opens the collection of a view; 0 on failure.
  HCOLLECTION openCollection(const ZoString& viewName);
  bool closeCollection(HCOLLECTION collection);
  // Reads the document of the one view entry with `key`; every item of the list is read.
  bool read(HCOLLECTION collection, const ZoString& key, ZO_BOOLEAN decrypt, ZO_LONG itemCount,
            const ZO_LONG* itemTypes, const char* const* itemNames, ZO_LONG& entrySize,
            ItemValue* values);
  // The current user's abbreviated name; needs no open database.
  bool getUserName(ZoString& name);
  // The library's text for a status; empty when no database is open or the status is 0.
  ZoString getMsgString(ZO_ULONG libraryStatus) const;

  // The names of the messages the database holds (see zo_message_names.h).
  bool messageNames(std::vector<std::string>& names);

  ZO_ULONG getErrorCode() const { return errorCode_; }
  ZO_ULONG getLibraryStatus() const { return libraryStatus_; }

  // Number of adapters holding an initialisation of the client library.
  static ZO_LONG initCount();

 private:
  // Step of both constructors.
  void open(const ZoString& serverName, const ZoString& fileName);
  // Takes one reference on the client library, initialising it at the first.
  // References are taken and given back under one process-wide lock, so that
  // adapters may be made and deleted in several threads at once.
  void initLibrary(int argc, char* argv[]);
  void clear();
  // Starts an operation on the open database: clears the error pair; false
  // (ERR_RDBD_DATABASE_NOT_OPEN) when no database is open.
  bool start();
  // Ends read, write and deleteItems: traces the selection formula of a
  // failed one; true when the error code is 0.
  bool finish(const char* formula) const;
  // Traces the text of a failing status and classifies it into the error
  // pair (see classify; `opening` for the open); false.
  bool classifyStatus(DossaStatus status, bool opening = false);
  // Sets the error code and the library status; false.
  bool setFailure(ZO_ULONG code, DossaStatus status);
  // Runs one library call that gives a status, traced before and after; a
  // failing status is classified (classifyStatus). True when it succeeded.
  template <class Function, class... Args>
  bool call(const char* name, Function function, Args&&... args);
  // Compiles the selection formula.
  bool compile(const ZoString& formula, DossaMemHandle& compiled);
  // Runs a library call on the open database (see call).
  template <class Call>
  bool onDatabase(const char* name, Call&& operation);
  // Sets one item of the open document `note` from its value.
  bool setItem(DossaNoteHandle note, const char* name, ZO_LONG type, const ItemValue& value,
               ZO_LONG entrySize);
  // The position of the one view entry of `key` in the collection; the error
  // is set when there is none or more than one.
  bool findEntry(HCOLLECTION collection, const ZoString& key, DossaCollectionPosition& position);
  // The document of the view entry at `position`.
  bool entryNote(HCOLLECTION collection, DossaCollectionPosition& position, DossaNoteId& noteId);
  // Runs the search with `state` as the context; a failing status (the
  // search's own, or that of reading the document it found) is classified.
  bool search(DossaMemHandle compiled, NoteReadState& state);

  ZO_ULONG errorCode_ = 0;
  ZO_ULONG libraryStatus_ = 0;
  DossaDbHandle database_ = 0;
  bool holdsLibrary_ = false;
};
