#pragma once
// The rules every engine keeps the same way, whatever it stores in: the ids
// documents may have and the one a new document takes, the index rows a
// change of a document removes and adds, where a database stands between
// units of work and read snapshots, the guard that keeps one change whole,
// and the design rows a database is made with and read back from. An engine
// adds only its own statements.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ndossa/design.h"
#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "ndossa/note_items.h"

namespace ndossa {

// ---- Ids ----------------------------------------------------------------------

// Note ids are positive 32-bit numbers.
inline constexpr std::int64_t kMaxNoteId = INT32_MAX;

// True for an id a document may have.
constexpr bool validNoteId(std::int64_t id) { return id > 0 && id <= kMaxNoteId; }

// Ids are never given out twice: a new document takes the id above every
// saved id and every deleted one (a database keeps its highest deleted id),
// and a restored one must lie above them. This is the SQL of that highest id
// over the engine's tables `notes` (column noteid) and `info` (its row 1
// holds deletedmax); `greatest` is the dialect's function for the greater of
// two values.
std::string highestGivenIdSql(std::string_view greatest, std::string_view notes, std::string_view info);

// The id a statement gave a new document: DOSSA_ERR_DATABASE_FULL when it lies outside the ids there may be.
DossaStatus takeNewId(std::int64_t given, DossaNoteId& id);

// ---- Index rows -----------------------------------------------------------------

// The index rows a change of a document from `old` to `now` (either null:
// none) removes and adds, table by table (Design::IndexTable): the rows of one
// version the other does not call for, compared as their table compares
// values (Design::comparable), each once. Values stay as the design gives them.
struct RowChanges {
  std::vector<IndexRow> removed[Design::kIndexTables];
  std::vector<IndexRow> added[Design::kIndexTables];
};
RowChanges rowChanges(const Design& design, const NoteItems* old, const NoteItems* now);

// Applies the changes through apply(add, table, rows) for each table with
// rows, removals first (so that a unique key moved within the document is
// free again); stops at the first failure.
template <class Apply>
DossaStatus applyRowChanges(const RowChanges& changes, Apply&& apply) {
  for (const bool add : {false, true}) {
    for (std::size_t table = 0; table < Design::kIndexTables; ++table) {
      const std::vector<IndexRow>& rows = add ? changes.added[table] : changes.removed[table];
      if (rows.empty()) continue;
      if (DossaStatus s = apply(add, table, rows)) return s;
    }
  }
  return DOSSA_NOERROR;
}

// ---- Views -------------------------------------------------------------------------

// What Engine::viewFind gives for `count` entries of a key, the first of them
// `firstId`: DOSSA_ERR_NOT_FOUND for none, the count held at UINT32_MAX.
DossaStatus viewFound(std::int64_t count, std::int64_t firstId, DossaNoteId& first, std::uint32_t& matches);

// One entry of a view read in order, for Engine::viewRead: counted as
// skipped until `skip` are, then kept until `count` are; false (and more set)
// at the first entry beyond them.
inline bool takeViewEntry(DossaNoteId id, std::uint32_t skip, std::uint32_t count, std::vector<DossaNoteId>& ids,
                          std::uint32_t& skipped, bool& more) {
  if (skipped < skip) {
    ++skipped;
    return true;
  }
  if (ids.size() == count) {
    more = true;
    return false;
  }
  ids.push_back(id);
  return true;
}

// ---- Units of work and read snapshots ---------------------------------------------

// Where a database stands: within a unit of work, within a read snapshot,
// both or neither, and the steps between them as Engine states them. Each
// step runs the engine's own part only when the step is allowed, and moves
// on as that part's status says.
class UnitState {
 public:
  bool inUnit() const { return inUnit_; }
  bool inSnapshot() const { return inSnapshot_; }
  // A unit or a snapshot is open (an engine destroyed now ends it).
  bool open() const { return inUnit_ || inSnapshot_; }
  // A save, restore or delete: refused within a snapshot.
  DossaStatus mayChange() const { return inSnapshot_ ? DOSSA_ERR_INVALID_ARGUMENT : DOSSA_NOERROR; }

  // Units do not nest, nor start within a snapshot; the unit is open when `start` succeeds.
  template <class Start>
  DossaStatus begin(Start&& start) {
    if (inUnit_ || inSnapshot_) return DOSSA_ERR_INVALID_ARGUMENT;
    const DossaStatus s = start();
    inUnit_ = s == DOSSA_NOERROR;
    return s;
  }
  // Ends the unit (and a snapshot within it) when `keep` succeeds.
  template <class Keep>
  DossaStatus commit(Keep&& keep) {
    if (!inUnit_) return DOSSA_ERR_INVALID_ARGUMENT;
    const DossaStatus s = keep();
    if (!s) inUnit_ = inSnapshot_ = false;
    return s;
  }
  // Ends the unit (and a snapshot within it), then runs `drop`.
  template <class Drop>
  DossaStatus abort(Drop&& drop) {
    if (!inUnit_) return DOSSA_ERR_INVALID_ARGUMENT;
    inUnit_ = inSnapshot_ = false;
    return drop();
  }
  // Within a unit only marks its reads; otherwise the snapshot is open when `start` succeeds.
  template <class Start>
  DossaStatus beginSnapshot(Start&& start) {
    if (inSnapshot_) return DOSSA_ERR_INVALID_ARGUMENT;
    if (!inUnit_) {
      if (DossaStatus s = start()) return s;
    }
    inSnapshot_ = true;
    return DOSSA_NOERROR;
  }
  // Ends the snapshot; outside a unit `end` ends its reads, and its status is the call's.
  template <class End>
  DossaStatus endSnapshot(End&& end) {
    if (!inSnapshot_) return DOSSA_ERR_INVALID_ARGUMENT;
    inSnapshot_ = false;
    if (inUnit_) return DOSSA_NOERROR;
    return end();
  }

 private:
  bool inUnit_ = false;
  bool inSnapshot_ = false;
};

// One change kept whole: the engine's own transaction, or within a unit of
// work a savepoint (nested); rolled back when not committed. The engine
// gives the statements: beginChange(nested), commitChange(nested) and
// rollbackChange(nested), and tells whether a unit is open (inUnit()).
template <class Db>
class ChangeGuard {
 public:
  explicit ChangeGuard(Db& db) : db_(db), nested_(db.inUnit()) {}
  ~ChangeGuard() {
    if (active_) db_.rollbackChange(nested_);
  }
  ChangeGuard(const ChangeGuard&) = delete;
  ChangeGuard& operator=(const ChangeGuard&) = delete;
  DossaStatus begin() {
    const DossaStatus s = db_.beginChange(nested_);
    active_ = s == DOSSA_NOERROR;
    return s;
  }
  DossaStatus commit() {
    const DossaStatus s = db_.commitChange(nested_);
    if (!s) active_ = false;
    return s;
  }

 private:
  Db& db_;
  const bool nested_;
  bool active_ = false;
};

// ---- The design a database is made with ---------------------------------------------

// Bytes of a database's identity.
inline constexpr std::size_t kIdentitySize = 16;
// A new database's identity, random.
void newIdentity(std::uint8_t (&identity)[kIdentitySize]);

// Walks the design rows of a new database in the order they are stored,
// each table's rows numbered from 1: indexed(id, name) for the form item and
// then each key item, view(id, view) for each view, unique(id, key) for each
// unique key. Stops at the first failure.
template <class Indexed, class View, class Unique>
DossaStatus storeDesign(const DossaDesign& design, Indexed&& indexed, View&& view, Unique&& unique) {
  std::int64_t id = 0;
  if (DossaStatus s = indexed(++id, DOSSA_FORM_ITEM)) return s;
  for (const char* item : design.keyItems)
    if (DossaStatus s = indexed(++id, item)) return s;
  id = 0;
  for (const DossaViewDesign& v : design.views)
    if (DossaStatus s = view(++id, v)) return s;
  id = 0;
  for (const DossaUniqueKey& key : design.uniqueKeys)
    if (DossaStatus s = unique(++id, key)) return s;
  return DOSSA_NOERROR;
}

// ---- The design read back ---------------------------------------------------------

// The stored identity; DOSSA_ERR_DATABASE_CORRUPT unless it has kIdentitySize bytes.
DossaStatus readIdentity(std::string_view stored, std::uint8_t (&identity)[kIdentitySize]);
// The id of the form item, which every design indexes: DOSSA_ERR_DATABASE_CORRUPT without it.
DossaStatus readFormIndexId(const Design& design, std::int64_t& id);
// Adds a stored view; DOSSA_ERR_DATABASE_CORRUPT for an id no view may have.
DossaStatus readView(Design& design, std::int64_t id, std::string_view name, std::string_view form,
                     std::string_view keyItem);
// Adds a stored unique key of one item, or two (item2 not null).
void readUnique(Design& design, std::int64_t id, std::string_view form, std::string_view item1,
                const std::string_view* item2);

}  // namespace ndossa
