#pragma once
// Administrative operations of the client library, beyond what applications
// need: making a database, walking its documents and items, checking it.
// The rules of ndossa/dossa_api.h apply (initialisation, handles, statuses,
// and the one process-wide lock around every call that uses the library's state).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ndossa/dossa_api.h"

// Item every document carries: the name of its form. It is always indexed.
inline constexpr const char* DOSSA_FORM_ITEM = "FORM";

// A view of a database design: the documents of one form, sorted by one item.
struct DossaViewDesign {
  const char* name;
  const char* form;
  const char* keyItem;
};

// A form whose documents are told apart by one or two items: the database
// holds at most one document of the form with the same values of them
// (compared exactly, letter case counting; a document that lacks one of the
// items is not counted). A save that would make a second one fails with
// DOSSA_ERR_DUPLICATE_KEY and changes nothing. item2 null: one item.
struct DossaUniqueKey {
  const char* form;
  const char* item1;
  const char* item2;
};

// The design a database is made with: the items its key index holds (besides
// DOSSA_FORM_ITEM), its views and its unique keys. The caller owns the
// tables; the database keeps its own copy. Databases made before unique keys
// existed have none.
struct DossaDesign {
  std::span<const char* const> keyItems;
  std::span<const DossaViewDesign> views;
  std::span<const DossaUniqueKey> uniqueKeys = {};
};

// Makes a new database with the design at path, resolved like DossaDbOpen.
// An existing file: DOSSA_ERR_FILE_EXISTS, and the file is left alone. A
// design with a null or empty name: DOSSA_ERR_INVALID_ARGUMENT.
DossaStatus DossaDbCreate(const char* path, const DossaDesign& design);

// Removes the database at path, resolved like DossaDbOpen, with all its
// documents; handles still open on it must not be used after. A missing
// database: DOSSA_ERR_NO_SUCH_DATABASE.
DossaStatus DossaDbDelete(const char* path);

// What stops this user from changing the local database `path` (named as for
// DossaDbOpen): "FILE is not writable by this user", or the same of its folder
// or of the log or index another user made beside it; empty when nothing is
// in the way, or for a database on a server.
std::string DossaWriteProblem(const char* path);

// Names of the storage engines of this build, the default first.
std::vector<std::string> DossaEngineNames();

// Makes the named engine (ignoring case) the one that later DossaDbCreate and
// DossaDbOpen calls use, for the whole process; allowed at any time, the
// choice outlives DossaTerm. Unknown name: DOSSA_ERR_INVALID_ARGUMENT.
DossaStatus DossaUseEngine(const char* name);

// Checks the whole file, every document and the indexes. On a failure,
// problem tells what is wrong. The check reads one moment of the database:
// that of the caller's read snapshot or unit of work, else one of its own.
DossaStatus DossaDbCheck(DossaDbHandle db, std::string& problem);

// The note id of a document (0 while it was never saved).
DossaStatus DossaNoteGetId(DossaNoteHandle note, DossaNoteId* noteId);

// A new document that its first DossaNoteUpdate saves under noteId, as a load
// of a dump keeps the dump's ids: that update fails with
// DOSSA_ERR_INVALID_ARGUMENT unless noteId lies above every id the database
// has given out, deleted ones included.
DossaStatus DossaNoteCreateWithId(DossaDbHandle db, DossaNoteId noteId, DossaNoteHandle* note);

// Note ids after `after`, ascending, at most limit: of every document, or of
// the documents of one form (form compared ignoring case) when form is not null.
DossaStatus DossaNoteList(DossaDbHandle db, const char* form, DossaNoteId after,
                          std::uint32_t limit, std::vector<DossaNoteId>& ids);

// Sets a text-list item to all the entries at once (at least one), as
// DossaItemCreateTextList and DossaItemAppendTextList would one by one, and
// with their statuses; a failure changes nothing.
DossaStatus DossaItemSetTextList(DossaNoteHandle note, const char* item, const std::vector<std::string>& entries);

// True when two item names name the same item (ASCII letter case ignored).
bool DossaItemNameEquals(std::string_view a, std::string_view b);

enum class DossaItemKind { Text, TextList, Number };

// One item as DossaItemScan shows it; the views are valid during the visit only.
struct DossaItemInfo {
  std::string_view name;
  DossaItemKind kind;
  std::string_view text;                  // Text
  const std::vector<std::string>* list;   // TextList
  double number;                          // Number
};

// Visits the items of a document in the order they were first set. The visit
// must not change or close that document.
DossaStatus DossaItemScan(DossaNoteHandle note,
                          const std::function<void(const DossaItemInfo&)>& visit);

