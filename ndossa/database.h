#pragma once
// One database file: documents kept one row each (their items in one stored
// value), an index of the design's key items, and the entries of the design's
// views. Every change is one transaction; the file runs in write-ahead-log
// mode so that a crash of the process never loses a saved document.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"
#include "ndossa/formula.h"
#include "ndossa/note_items.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ndossa {

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~Statement();
  Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

struct ViewDesign {
  std::uint32_t id = 0;
  std::string name;     // "Services"
  std::string form;     // documents of this form are in the view
  std::string keyItem;  // sorted by this item
};

class Database {
 public:
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Makes a new database with the design at path; refuses an existing file.
  static DossaStatus create(const std::string& path, const DossaDesign& design);
  // Opens an existing database of ours.
  static DossaStatus open(const std::string& path, std::unique_ptr<Database>& out);

  const std::uint8_t* identity() const { return identity_; }

  DossaStatus load(DossaNoteId id, NoteItems& items);
  // Saves items as document id (0: a new document, whose id is set).
  DossaStatus save(DossaNoteId& id, const NoteItems& items);
  DossaStatus remove(DossaNoteId id);

  // Up to limit ids after `after`, ascending, of the documents that match the
  // formula's indexed terms; all terms hold when `exact` comes back true.
  DossaStatus candidates(const Formula& formula, DossaNoteId after, std::size_t limit,
                         std::vector<DossaNoteId>& ids, bool& exact);
  // Up to limit ids after `after`, ascending: all documents, or those of one form.
  DossaStatus listNotes(const char* form, DossaNoteId after, std::size_t limit,
                        std::vector<DossaNoteId>& ids);

  const ViewDesign* findView(std::string_view name) const;
  const ViewDesign* viewById(std::uint32_t id) const;
  // First entry with the key (ignoring case) and the number of such entries.
  DossaStatus viewFind(std::uint32_t viewId, std::string_view key, DossaNoteId& first,
                       std::uint32_t& matches);
  // Entries in view order from the entry of `from` (0: the first entry):
  // skip `skip`, then up to `count`; `more` tells whether any remain.
  DossaStatus viewRead(std::uint32_t viewId, DossaNoteId from, std::uint32_t skip,
                       std::uint32_t count, std::vector<DossaNoteId>& ids,
                       std::uint32_t& skipped, bool& more);

  // Full consistency check: the file, every stored document and the indexes.
  // On a failure, problem says what is wrong.
  DossaStatus check(std::string& problem);

 private:
  explicit Database(sqlite3* db) : db_(db) {}
  DossaStatus loadDesign();
  DossaStatus prepare(const char* sql, Statement& stmt);
  DossaStatus exec(const char* sql);
  // Index rows and view entries of a document: added or removed.
  DossaStatus indexNote(DossaNoteId id, const NoteItems& items, bool add);
  DossaStatus loadInTransaction(DossaNoteId id, NoteItems& items);
  DossaStatus status(int rc) const;

  sqlite3* db_ = nullptr;
  bool readOnly_ = false;
  std::uint8_t identity_[16] = {};
  std::vector<ViewDesign> views_;
  std::map<std::string, std::int64_t> indexed_;  // folded item name -> index id
  std::int64_t formIndexId_ = 0;
  // Prepared once, reused.
  Statement loadStmt_, insertStmt_, updateStmt_, deleteStmt_, keyAddStmt_, keyDelStmt_,
      entryAddStmt_, entryDelStmt_, deletedMaxStmt_, probeStmt_;
  std::map<std::size_t, Statement> candidateStmts_;  // by number of indexed terms

  friend class Transaction;
};

}  // namespace ndossa
