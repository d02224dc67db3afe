#pragma once
// The storage engine behind the client library. An engine keeps the
// documents of one database (one stored value each), the rows of its key
// index and of its views, and its design; the rows it keeps are the ones
// Design::rowsOf calls for. Every change is saved durably before it returns:
// a crash of the process never loses a saved document. Outside a unit of
// work each save and delete is a unit of its own; inside one (begin ...
// commit) they become visible and durable together at commit, and abort
// drops them all.
//
// A driver makes and opens the databases of its engine. The client library
// chooses the driver (DossaUseEngine); the rest of the library sees only
// these two interfaces.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ndossa/design.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "ndossa/formula.h"
#include "ndossa/note_items.h"

namespace ndossa {

// Indexed terms of a formula an engine checks itself; further terms are checked on the document.
inline constexpr std::size_t kMaxIndexedTerms = 8;

class Engine {
 public:
  virtual ~Engine() = default;

  // 16 bytes that tell this database from every other.
  virtual const std::uint8_t* identity() const = 0;
  virtual const Design& design() const = 0;

  // The saved document id; DOSSA_ERR_NOTE_NOT_FOUND for an unknown or deleted id.
  virtual DossaStatus load(DossaNoteId id, NoteItems& items) = 0;
  // Saves items as document id (0: a new document, whose id is set) with its rows.
  virtual DossaStatus save(DossaNoteId& id, const NoteItems& items) = 0;
  // Deletes a saved document and its rows; its id is never given out again.
  virtual DossaStatus remove(DossaNoteId id) = 0;
  // Saves items as a new document under the given id, for a load that keeps
  // the ids of a dump: DOSSA_ERR_INVALID_ARGUMENT unless id lies above every
  // id the database has given out, deleted ones included.
  virtual DossaStatus restore(DossaNoteId id, const NoteItems& items) = 0;

  // Up to limit ids after `after`, ascending, of the documents whose key rows
  // hold every term of Design::indexedTerms (exact as that gives it);
  // DOSSA_ERR_FORMULA_NOT_INDEXED when the formula has no indexed term.
  virtual DossaStatus candidates(const Formula& formula, DossaNoteId after, std::size_t limit,
                                 std::vector<DossaNoteId>& ids, bool& exact) = 0;
  // Up to limit ids after `after`, ascending: all documents, or those of one form.
  virtual DossaStatus listNotes(const char* form, DossaNoteId after, std::size_t limit,
                                std::vector<DossaNoteId>& ids) = 0;

  // First entry of the view with the key (ignoring case) and the number of such entries.
  virtual DossaStatus viewFind(std::uint32_t viewId, std::string_view key, DossaNoteId& first,
                               std::uint32_t& matches) = 0;
  // Entries in view order (key ignoring case, then note id) from the entry of
  // `from` (0: the first entry): skip `skip`, then up to `count`; `more` tells
  // whether any remain. DOSSA_ERR_POSITION_GONE when `from` left the view.
  virtual DossaStatus viewRead(std::uint32_t viewId, DossaNoteId from, std::uint32_t skip,
                               std::uint32_t count, std::vector<DossaNoteId>& ids,
                               std::uint32_t& skipped, bool& more) = 0;

  // Full consistency check: the store, every stored document, and the rows
  // against Design::rowsOf. On a failure, problem says what is wrong.
  virtual DossaStatus check(std::string& problem) = 0;

  // A unit of work: the saves and deletes up to commit are kept together or
  // not at all. Units do not nest; commit and abort without begin fail with
  // DOSSA_ERR_INVALID_ARGUMENT. An engine destroyed within a unit aborts it.
  virtual DossaStatus begin() = 0;
  virtual DossaStatus commit() = 0;
  virtual DossaStatus abort() = 0;

  // A read snapshot: load, candidates, listNotes, viewFind, viewRead and
  // check up to endSnapshot see the database as it was at beginSnapshot,
  // without holding up any writer. While it is open save, restore, remove,
  // begin and a second beginSnapshot fail with DOSSA_ERR_INVALID_ARGUMENT.
  // Within a unit it only marks the unit's reads (they see one moment
  // already); commit and abort end it with the unit. endSnapshot without
  // beginSnapshot: DOSSA_ERR_INVALID_ARGUMENT. A snapshot that a failure
  // ended early (its later reads may not have been one moment) ends with
  // DOSSA_ERR_DISK, or DOSSA_ERR_SERVER_NOT_RESPONDING for a lost server.
  // An engine destroyed within a snapshot ends it.
  virtual DossaStatus beginSnapshot() = 0;
  virtual DossaStatus endSnapshot() = 0;
};

class EngineDriver {
 public:
  virtual ~EngineDriver() = default;
  // The engine's name for DossaUseEngine.
  virtual const char* name() const = 0;
  // Readies the engine for this process; called at the first DossaInitExtended.
  virtual DossaStatus initialize() const = 0;
  // Makes a new database with the design at path; DOSSA_ERR_FILE_EXISTS for
  // an existing file, which is left alone. A failure leaves no file behind.
  virtual DossaStatus create(const std::string& path, const DossaDesign& design) const = 0;
  // Opens an existing database of this engine: DOSSA_ERR_NO_SUCH_DATABASE
  // when it is missing, DOSSA_ERR_NOT_DATABASE when it is not one of ours. A
  // store the process may only read opens for reading.
  virtual DossaStatus open(const std::string& path, std::unique_ptr<Engine>& out) const = 0;
  // Removes the database at path with everything in it (none there: DOSSA_ERR_NO_SUCH_DATABASE).
  virtual DossaStatus drop(const std::string& path) const = 0;
};

// How long a writer waits for another's write before DOSSA_ERR_BUSY, in
// milliseconds: NDOSSA_WAIT_MS, or a default of ten seconds.
int engineWaitMilliseconds();

// The engine a database path with a server part goes to (null when this build
// has none); it takes such paths whole, "server!!name".
const EngineDriver* serverEngineDriver();

// The engines of this build, the default first, then any added.
std::span<const EngineDriver* const> engineDrivers();
// Adds an engine for the rest of the process (tests add engines that fail on
// purpose); the driver must outlive the process's use of the library.
void addEngineDriver(const EngineDriver& driver);
// The engine of that name (ignoring case), or null.
const EngineDriver* findEngineDriver(std::string_view name);

}  // namespace ndossa
