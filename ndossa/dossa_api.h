#pragma once
// Client library of the document database ("ndossa"): databases, searches by
// selection formula, documents and their items, views and their collections,
// the user's name and the texts of statuses.
//
// Every operation that returns a DossaStatus returns 0 on success; otherwise
// the low 14 bits are the error number (DOSSA_ERR_* below), and
// DossaLoadString gives its text. Refusals for lack of access rights satisfy
// (status & 0x1900) == 0x1900 (DossaIsRefusal); no other status does.
//
// The library keeps process-wide state: DossaInitExtended must succeed before
// any other call, and after the matching DossaTerm every call fails with
// DOSSA_ERR_NOT_INITIALIZED (calls that return no status return 0, false or
// their default instead). DossaLoadString works at any time.
//
// Any thread may call the library: every call that uses its state holds one
// process-wide lock for the whole call, so that calls from several threads
// run one at a time (a search's callback runs under that lock and may call
// the library again); the calls that use no state (DossaLoadString,
// DossaGetUserName, DossaAbbreviate, DossaUnlockObject, DossaItemNameEquals,
// DossaWriteProblem, DossaEngineNames) take no lock. The bytes
// DossaLockObject gives are the caller's to guard until it frees them.
//
// Handles of databases, documents and memory are 32-bit and never 0 when
// valid; a collection handle is 16-bit. A handle belongs to the caller until
// it is given back with the matching close or free call; DossaTerm releases
// whatever is left.
//
// Environment:
//   NDOSSA_DATA     directory against which relative database file names are
//                   resolved (default: the current directory)
//   NDOSSA_USER     the user's canonical name, e.g. "CN=Jane Doe/O=Acme"
//                   (default: "CN=" followed by the login name)
//   NDOSSA_WAIT_MS  how long a writer waits for another process's write to
//                   finish before failing with DOSSA_ERR_BUSY (default 10000)

#include <cstddef>
#include <cstdint>

typedef std::uint16_t DossaStatus;
typedef std::uint32_t DossaDbHandle;
typedef std::uint32_t DossaNoteHandle;
typedef std::uint32_t DossaMemHandle;
typedef std::uint32_t DossaNoteId;
typedef std::uint16_t HCOLLECTION;

// ---- Limits -----------------------------------------------------------------
// Size of the path buffer of DossaPathNetConstruct, terminator included.
constexpr std::size_t DOSSA_MAXPATH = 256;
// A text length argument of this value means "the text is terminated".
constexpr std::uint16_t DOSSA_TERMINATED = 0xFFFF;
// Longest text item value and text-list entry, in bytes.
constexpr std::size_t DOSSA_MAX_TEXT = 65535;
// Longest item name; names are letters, digits, '_' and '$', not starting with a digit.
constexpr std::size_t DOSSA_MAX_ITEM_NAME = 255;
// Most entries of one text list.
constexpr std::size_t DOSSA_MAX_LIST_ENTRIES = 65535;
// Largest document, all items together, in bytes as stored.
constexpr std::size_t DOSSA_MAX_NOTE_SIZE = 16u * 1024u * 1024u;
// Longest selection formula, in bytes.
constexpr std::size_t DOSSA_MAX_FORMULA = 256u * 1024u;

// Document classes: DossaSearch takes a mask of them, DossaFindView the view class.
constexpr std::uint16_t DOSSA_NOTE_CLASS_DOCUMENT = 0x0001;
constexpr std::uint16_t DOSSA_NOTE_CLASS_VIEW = 0x0008;

// DossaReadEntries: navigators, the return mask and the signal flags.
constexpr std::uint16_t DOSSA_NAVIGATE_CURRENT = 0;  // skip: stay; return: from the current entry on
constexpr std::uint32_t DOSSA_READ_MASK_NOTEID = 0x00000001;
constexpr std::uint16_t DOSSA_SIGNAL_MORE = 0x0001;  // entries remain after those returned

// ---- Statuses ---------------------------------------------------------------
constexpr DossaStatus DOSSA_NOERROR = 0;
constexpr DossaStatus DOSSA_ERR_NOT_INITIALIZED = 0x0101;
constexpr DossaStatus DOSSA_ERR_BAD_HANDLE = 0x0102;
constexpr DossaStatus DOSSA_ERR_NO_SUCH_DATABASE = 0x0103;  // 259
constexpr DossaStatus DOSSA_ERR_NOT_DATABASE = 0x0104;
constexpr DossaStatus DOSSA_ERR_DATABASE_CORRUPT = 0x0105;
constexpr DossaStatus DOSSA_ERR_DISK = 0x0106;
constexpr DossaStatus DOSSA_ERR_BUSY = 0x0107;
constexpr DossaStatus DOSSA_ERR_INVALID_ARGUMENT = 0x0108;
constexpr DossaStatus DOSSA_ERR_NO_MEMORY = 0x0109;
constexpr DossaStatus DOSSA_ERR_PATH_TOO_LONG = 0x010A;
constexpr DossaStatus DOSSA_ERR_FILE_EXISTS = 0x010B;
constexpr DossaStatus DOSSA_ERR_DATABASE_FULL = 0x010C;
constexpr DossaStatus DOSSA_ERR_CANNOT_OPEN = 0x010D;
constexpr DossaStatus DOSSA_ERR_BUFFER_TOO_SMALL = 0x010E;
constexpr DossaStatus DOSSA_ERR_TOO_MANY_HANDLES = 0x010F;
constexpr DossaStatus DOSSA_ERR_WRONG_VERSION = 0x0110;
constexpr DossaStatus DOSSA_ERR_NOTE_NOT_FOUND = 0x0201;
constexpr DossaStatus DOSSA_ERR_ITEM_NOT_FOUND = 0x0202;
constexpr DossaStatus DOSSA_ERR_ITEM_NAME = 0x0203;
constexpr DossaStatus DOSSA_ERR_VALUE_TOO_LONG = 0x0204;
constexpr DossaStatus DOSSA_ERR_NOTE_TOO_LARGE = 0x0205;
constexpr DossaStatus DOSSA_ERR_TOO_MANY_ENTRIES = 0x0206;
constexpr DossaStatus DOSSA_ERR_ITEM_TYPE = 0x0207;
constexpr DossaStatus DOSSA_ERR_DUPLICATE_KEY = 0x0208;  // a unique key of the design is taken
constexpr DossaStatus DOSSA_ERR_NOTE_NOT_SEALED = 0x0262;  // 610
constexpr DossaStatus DOSSA_ERR_FORMULA = 0x0301;
constexpr DossaStatus DOSSA_ERR_FORMULA_TOO_LONG = 0x0302;
constexpr DossaStatus DOSSA_ERR_FORMULA_NOT_INDEXED = 0x0303;
constexpr DossaStatus DOSSA_ERR_VIEW_NOT_FOUND = 0x0401;
constexpr DossaStatus DOSSA_ERR_POSITION_GONE = 0x0402;
constexpr DossaStatus DOSSA_ERR_NOT_FOUND = 0x0404;  // 1028: no view entry matches the key
constexpr DossaStatus DOSSA_ERR_NO_USER_NAME = 0x0501;
constexpr DossaStatus DOSSA_ERR_NAME_TOO_LONG = 0x0502;
constexpr DossaStatus DOSSA_ERR_SERVER_UNKNOWN = 0x0803;         // 2051
constexpr DossaStatus DOSSA_ERR_SERVER_NOT_RESPONDING = 0x0807;  // 2055
constexpr DossaStatus DOSSA_ERR_NO_ACCESS = 0x1901;              // may not read the database
constexpr DossaStatus DOSSA_ERR_NO_WRITE_ACCESS = 0x1902;        // may not change the database

// The bits of a status that hold its error number.
constexpr DossaStatus DOSSA_ERROR_NUMBER_MASK = 0x3FFF;
// The error number of a status.
constexpr DossaStatus DossaErrorNumber(DossaStatus status) { return status & DOSSA_ERROR_NUMBER_MASK; }

// The bits every refusal for lack of access rights has set, and the test.
constexpr DossaStatus DOSSA_REFUSAL_CLASS = 0x1900;
constexpr bool DossaIsRefusal(DossaStatus status) {
  return (status & DOSSA_REFUSAL_CLASS) == DOSSA_REFUSAL_CLASS;
}
static_assert(DossaIsRefusal(DOSSA_ERR_NO_ACCESS) && DossaIsRefusal(DOSSA_ERR_NO_WRITE_ACCESS));

// ---- Records ----------------------------------------------------------------
// A point in time (microseconds since 1970-01-01 UTC); searches accept but ignore it.
struct DossaTimeDate {
  std::int64_t microseconds;
};

// What DossaSearch hands its callback for each match.
struct DossaSearchMatch {
  std::uint8_t databaseId[16];  // identity of the database the match comes from
  DossaNoteId noteId;           // byte 16: the matching document
  std::uint16_t noteClass;      // DOSSA_NOTE_CLASS_DOCUMENT
  std::uint16_t reserved;
};
static_assert(offsetof(DossaSearchMatch, noteId) == 16);

// The search callback: context as given to DossaSearch, the match, and a
// summary of the document's items (always null). A nonzero result stops the
// search, and DossaSearch returns it.
typedef DossaStatus (*DossaSearchCallback)(void* context, const DossaSearchMatch* match,
                                           const void* summary);

// A place in a collection: the entry of the document noteId (0: before the first entry).
struct DossaCollectionPosition {
  DossaNoteId noteId;
};

// ---- Library ----------------------------------------------------------------
// Sets up the process state. Calls nest: each successful call needs one DossaTerm.
DossaStatus DossaInitExtended(int argc, char* argv[]);
// Releases the process state (at the last nesting level): closes every handle.
void DossaTerm();

// ---- Databases --------------------------------------------------------------
// Writes "server!!file" into path (DOSSA_MAXPATH bytes), or just the file when
// the server is null or empty. A result that does not fit gives
// DOSSA_ERR_PATH_TOO_LONG and an empty path. port must be null.
DossaStatus DossaPathNetConstruct(const char* port, const char* server, const char* file,
                                  char* path);
// Opens an existing database. A relative file name is resolved against
// NDOSSA_DATA. Missing file: DOSSA_ERR_NO_SUCH_DATABASE (the file is never
// created); "server!!name" names a database on a server (DOSSA_ERR_SERVER_UNKNOWN
// in a build without the server engine); a file that is
// not a database of ours: DOSSA_ERR_NOT_DATABASE. A read-only file opens for
// reading; changes then fail with DOSSA_ERR_NO_WRITE_ACCESS.
DossaStatus DossaDbOpen(const char* path, DossaDbHandle* db);
// Closes the database handle. Documents and collections still open on it stay usable until closed.
DossaStatus DossaDbClose(DossaDbHandle db);

// ---- Units of work -----------------------------------------------------------
// Starts a unit of work on the database: the document saves and deletes made
// through this handle until DossaDbCommitUnit are kept together or not at
// all, and searches and reads within it see them. The unit takes the database
// for writing at once, so another writer waits (see NDOSSA_WAIT_MS, then
// DOSSA_ERR_BUSY) until it ends and nothing can change between a look-up and
// the save that depends on it. Units do not nest: DOSSA_ERR_INVALID_ARGUMENT.
// A read-only database: DOSSA_ERR_NO_WRITE_ACCESS.
DossaStatus DossaDbBeginUnit(DossaDbHandle db);
// Makes every change of the unit durable at once. On a failure the unit is
// still open and the caller must abort it. Without a unit: DOSSA_ERR_INVALID_ARGUMENT.
DossaStatus DossaDbCommitUnit(DossaDbHandle db);
// Drops every change of the unit. A unit still open when the database goes
// (its handle closed, its documents closed, DossaTerm, the process ended) is dropped too.
DossaStatus DossaDbAbortUnit(DossaDbHandle db);

// ---- Read snapshots ------------------------------------------------------------
// Starts a read snapshot on the database: every search, document open, note
// list, check and collection read through this handle until
// DossaDbEndSnapshot sees the database as it was at this call, however long
// the reads take and whatever other handles and processes commit meanwhile.
// It holds up no writer. While it is open, changes through this handle (saves,
// deletes, DossaDbBeginUnit) fail with DOSSA_ERR_INVALID_ARGUMENT; so does a
// second DossaDbBeginSnapshot: snapshots do not nest. Within a unit of work
// the unit's own view serves (it already sees one moment, its changes
// included), and the unit's commit or abort ends the snapshot too.
DossaStatus DossaDbBeginSnapshot(DossaDbHandle db);
// Ends the read snapshot; later reads see the latest commits again. Without
// a snapshot: DOSSA_ERR_INVALID_ARGUMENT. A snapshot that a failure ended
// early (a lost server connection, say) gives that failure's status here:
// the reads after it may not have been one moment. A snapshot still open when the
// database goes (its handle, documents and collections closed, DossaTerm)
// ends with it.
DossaStatus DossaDbEndSnapshot(DossaDbHandle db);

// ---- Selection formulas -----------------------------------------------------
// Compiles a selection formula: one or more terms ITEM = "value" joined by
// '&', any spacing (values cannot contain '"'). Text comparison ignores ASCII
// letter case; a text list matches when any entry does. name must be null.
// textLength 0 means the text is terminated. The compiled formula is a memory
// handle for DossaMemFree. The last six arguments may be null; when given
// they receive the compiled size, the error status and, on an error, its
// 1-based line and column, 0-based offset and the length of the offending token.
DossaStatus DossaFormulaCompile(const char* name, std::uint16_t nameLength, const char* text,
                                std::uint32_t textLength, DossaMemHandle* formula,
                                std::uint16_t* formulaLength, DossaStatus* compileError,
                                std::uint16_t* errorLine, std::uint16_t* errorColumn,
                                std::uint16_t* errorOffset, std::uint16_t* errorLength);
// Calls callback once per document that the formula selects, in ascending
// note-id order. viewTitle must be null or empty, flags 0; classMask must
// include DOSSA_NOTE_CLASS_DOCUMENT or nothing is found; since and until are
// ignored. The search goes through the database's indexes: a formula that
// names no indexed item (FORM and the designs' key items are) fails with
// DOSSA_ERR_FORMULA_NOT_INDEXED.
DossaStatus DossaSearch(DossaDbHandle db, DossaMemHandle formula, const char* viewTitle,
                        std::uint16_t flags, std::uint16_t classMask, const DossaTimeDate* since,
                        DossaSearchCallback callback, void* context, DossaTimeDate* until);
// Frees a memory handle (formula or entry buffer). 0 and unknown handles are ignored.
void DossaMemFree(DossaMemHandle memory);
// The address of a memory handle's bytes (null for an unknown handle); valid until it is freed.
void* DossaLockObject(DossaMemHandle memory);
void DossaUnlockObject(DossaMemHandle memory);

// ---- Documents --------------------------------------------------------------
// Loads a saved document into memory. Unknown or deleted id: DOSSA_ERR_NOTE_NOT_FOUND.
DossaStatus DossaNoteOpen(DossaDbHandle db, DossaNoteId noteId, std::uint16_t flags,
                          DossaNoteHandle* note);
// A new, empty, unsaved document; it gets its note id when first updated.
DossaStatus DossaNoteCreate(DossaDbHandle db, DossaNoteHandle* note);
// Saves the whole document in one transaction. A document deleted since it was
// opened gives DOSSA_ERR_NOTE_NOT_FOUND and is not saved.
DossaStatus DossaNoteUpdate(DossaNoteHandle note, std::uint16_t flags);
// Frees the in-memory document (unsaved changes are dropped).
DossaStatus DossaNoteClose(DossaNoteHandle note);
// Removes a saved document. Note ids are never reused.
DossaStatus DossaNoteDelete(DossaDbHandle db, DossaNoteId noteId, std::uint16_t flags);
// No document is sealed: returns DOSSA_ERR_NOTE_NOT_SEALED for every valid document.
DossaStatus DossaNoteDecrypt(DossaNoteHandle note, std::uint16_t flags, const void* key);

// ---- Items ------------------------------------------------------------------
// Item names are compared without regard to ASCII case. Setting an item
// replaces any item of that name. length is the byte count of the value or
// DOSSA_TERMINATED.
DossaStatus DossaItemSetText(DossaNoteHandle note, const char* item, const char* text,
                             std::uint16_t length);
// Replaces the item with a text list of one entry.
DossaStatus DossaItemCreateTextList(DossaNoteHandle note, const char* item, const char* entry,
                                    std::uint16_t length);
// Appends an entry to a text list (creating the list when absent); flags must be 0.
DossaStatus DossaItemAppendTextList(DossaNoteHandle note, const char* item, const char* entry,
                                    std::uint16_t length, std::uint16_t flags);
// Sets a number item; the number must be finite.
DossaStatus DossaItemSetNumber(DossaNoteHandle note, const char* item, const double* number);
// True when the document has the item; nameLength bytes of item are the name
// (DOSSA_TERMINATED or 0: the name is terminated).
bool DossaItemIsPresent(DossaNoteHandle note, const char* item, std::uint16_t nameLength);
// Copies at most bufferSize bytes of the item's text (a number as decimal
// text, a text list as its entries joined by "; ") into buffer, without a
// terminator, and returns the count. 0 for a missing item.
std::uint16_t DossaItemGetText(DossaNoteHandle note, const char* item, char* buffer,
                               std::uint16_t bufferSize);
// A number item's value truncated toward zero and limited to the 32-bit range;
// defaultValue when the item is missing or not a number.
std::int32_t DossaItemGetLong(DossaNoteHandle note, const char* item, std::int32_t defaultValue);
// Entries of a text list (a text item counts as one, other kinds and missing items as 0).
std::uint16_t DossaItemGetTextListEntries(DossaNoteHandle note, const char* item);
// Copies entry index (0-based) into buffer, cut to bufferSize - 1 bytes and
// terminated; returns the count copied. An index out of range gives an empty
// text and 0; bufferSize 0 writes nothing.
std::uint16_t DossaItemGetTextListEntry(DossaNoteHandle note, const char* item,
                                        std::uint16_t index, char* buffer,
                                        std::uint16_t bufferSize);

// ---- Views and collections --------------------------------------------------
// Finds a view of the database design by name (ignoring case); noteClass must
// be DOSSA_NOTE_CLASS_VIEW. Unknown view: DOSSA_ERR_VIEW_NOT_FOUND.
DossaStatus DossaFindView(DossaDbHandle db, const char* viewName, std::uint16_t noteClass,
                          DossaNoteId* viewId);
// Opens the collection of a view: its documents sorted by key (ignoring case),
// then by note id. viewDb and dataDb must be the same database; flags and the
// other arguments must be 0 or null. A collection always shows the saved
// state of the database (within a read snapshot, the snapshot's).
DossaStatus DossaOpenCollection(DossaDbHandle viewDb, DossaDbHandle dataDb, DossaNoteId viewId,
                                std::uint16_t flags, DossaMemHandle unreadList,
                                HCOLLECTION* collection, DossaNoteHandle* viewNote,
                                void* reserved1, DossaMemHandle* reserved2,
                                DossaMemHandle* reserved3);
DossaStatus DossaCloseCollection(HCOLLECTION collection);
// Brings the collection up to date (a collection is always current; this checks the handle).
DossaStatus DossaUpdateCollection(HCOLLECTION collection);
// Positions at the first entry whose key equals key ignoring case and counts
// the matching entries. None: DOSSA_ERR_NOT_FOUND. flags must be 0.
DossaStatus DossaFindByName(HCOLLECTION collection, const char* key, std::uint16_t flags,
                            DossaCollectionPosition* position, std::uint32_t* matches);
// Reads up to returnCount entries starting at the position's entry (after
// skipping skipCount entries) into a new memory handle of 32-bit note ids,
// and moves the position to the last entry returned. Only
// DOSSA_NAVIGATE_CURRENT navigators and DOSSA_READ_MASK_NOTEID are supported.
// When no entry is returned, buffer is 0. skipped may be null. An entry that
// left the view since the position was taken: DOSSA_ERR_POSITION_GONE.
DossaStatus DossaReadEntries(HCOLLECTION collection, DossaCollectionPosition* position,
                             std::uint16_t skipNavigator, std::uint32_t skipCount,
                             std::uint16_t returnNavigator, std::uint32_t returnCount,
                             std::uint32_t returnMask, DossaMemHandle* buffer,
                             std::uint16_t* bufferLength, std::uint32_t* skipped,
                             std::uint32_t* returned, std::uint16_t* signalFlags);

// ---- Names and texts --------------------------------------------------------
// The user's canonical name into name (DOSSA_MAXPATH bytes, terminated).
DossaStatus DossaGetUserName(char* name);
// Drops the component tags of a canonical name ("CN=Jane Doe/O=Acme" gives
// "Jane Doe/Acme"). flags 0, templateName null. A result that does not fit
// in outputSize bytes with its terminator: DOSSA_ERR_BUFFER_TOO_SMALL and an empty output.
DossaStatus DossaAbbreviate(std::uint16_t flags, const char* templateName, const char* name,
                            char* output, std::uint16_t outputSize, std::uint16_t* outputLength);
// The English text of a status into buffer, cut to bufferSize - 1 bytes and
// terminated; returns its length. module must be null.
std::uint16_t DossaLoadString(const char* module, DossaStatus status, char* buffer,
                              std::uint16_t bufferSize);
