#include "ndossa/sqlite_engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>

#include "ndossa/engine_rules.h"
#include "ndossa/row_check.h"
#include "ndossa/sqlite_file_layer.h"
#include "platform/platform.h"

namespace ndossa {
namespace {

// Marks a file as one of our databases (SQLite header field), and its layout version.
constexpr std::int32_t kApplicationId = 0x4E445341;
constexpr std::int32_t kLayoutVersion = 1;
// Page cache per connection, in KiB: keeps the indexes of a large database in memory.
constexpr int kCacheKiB = 16384;
// Pages the log may grow by before they are copied back into the database file.
constexpr int kCheckpointPages = 8192;
// Database page size: a save writes whole pages to the log, so small pages
// write less per save (measured: about 20% more saves per second than 4096).
constexpr int kPageSize = 1024;
// Key rows a document adds in one statement; more go one by one.
constexpr std::size_t kMaxRowsPerInsert = 8;

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  Statement& operator=(Statement&& other) noexcept {
    if (this != &other) {
      sqlite3_finalize(stmt_);
      stmt_ = other.stmt_;
      other.stmt_ = nullptr;
    }
    return *this;
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kSchema =
    "CREATE TABLE dossa_info(id INTEGER PRIMARY KEY CHECK(id = 1), identity BLOB NOT NULL,"
    " deletedmax INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE dossa_indexed(itemid INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE);"
    "CREATE TABLE dossa_views(viewid INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    " form TEXT NOT NULL, keyitem TEXT NOT NULL);"
    "CREATE TABLE dossa_notes(noteid INTEGER PRIMARY KEY, body BLOB NOT NULL);"
    "CREATE TABLE dossa_keys(itemid INTEGER NOT NULL, value TEXT NOT NULL COLLATE NOCASE,"
    " noteid INTEGER NOT NULL, PRIMARY KEY(itemid, value, noteid)) WITHOUT ROWID;"
    "CREATE TABLE dossa_view_entries(viewid INTEGER NOT NULL, key TEXT NOT NULL COLLATE NOCASE,"
    " noteid INTEGER NOT NULL, PRIMARY KEY(viewid, key, noteid)) WITHOUT ROWID;"
    "CREATE INDEX dossa_view_notes ON dossa_view_entries(viewid, noteid);"
    // Unique keys: files made before them lack these two tables, and have none.
    "CREATE TABLE dossa_unique_keys(keyid INTEGER PRIMARY KEY, form TEXT NOT NULL,"
    " item1 TEXT NOT NULL, item2 TEXT);"
    "CREATE TABLE dossa_unique(keyid INTEGER NOT NULL, value TEXT NOT NULL, noteid INTEGER NOT NULL,"
    " PRIMARY KEY(keyid, value)) WITHOUT ROWID;";

DossaStatus statusOf(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return DOSSA_NOERROR;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DOSSA_ERR_BUSY;
    case SQLITE_NOTADB: return DOSSA_ERR_NOT_DATABASE;
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_MISMATCH: return DOSSA_ERR_DATABASE_CORRUPT;
    case SQLITE_READONLY: return DOSSA_ERR_NO_WRITE_ACCESS;
    case SQLITE_PERM:
    case SQLITE_AUTH: return DOSSA_ERR_NO_ACCESS;
    case SQLITE_NOMEM: return DOSSA_ERR_NO_MEMORY;
    case SQLITE_CANTOPEN: return DOSSA_ERR_CANNOT_OPEN;
    case SQLITE_TOOBIG: return DOSSA_ERR_NOTE_TOO_LARGE;
    case SQLITE_ERROR: return DOSSA_ERR_NOT_DATABASE;  // e.g. a missing table: not our layout
    default: return DOSSA_ERR_DISK;
  }
}

DossaStatus statusOfErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: return DOSSA_ERR_NO_SUCH_DATABASE;
    case EACCES:
    case EPERM: return DOSSA_ERR_NO_ACCESS;
    case ENAMETOOLONG: return DOSSA_ERR_PATH_TOO_LONG;
    case ENOMEM: return DOSSA_ERR_NO_MEMORY;
    default: return DOSSA_ERR_DISK;
  }
}

// Binds text, never NULL: an empty view may have no data pointer.
void bindText(sqlite3_stmt* stmt, int index, std::string_view text) {
  sqlite3_bind_text64(stmt, index, text.empty() ? "" : text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

std::string_view columnBytes(sqlite3_stmt* stmt, int column) {
  const void* data = sqlite3_column_blob(stmt, column);
  int size = sqlite3_column_bytes(stmt, column);
  if (!data || size <= 0) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

// Resets a reused statement whatever way the scope is left.
class Reset {
 public:
  explicit Reset(const Statement& s) : stmt_(s.get()) {}
  ~Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  Reset(const Reset&) = delete;
  Reset& operator=(const Reset&) = delete;

 private:
  sqlite3_stmt* stmt_;
};

class SqliteEngine final : public Engine {
 public:
  ~SqliteEngine() override;
  SqliteEngine(const SqliteEngine&) = delete;
  SqliteEngine& operator=(const SqliteEngine&) = delete;

  static DossaStatus create(const std::string& path, const DossaDesign& design);
  static DossaStatus open(const std::string& path, std::unique_ptr<Engine>& out);
  // Opens `path` to write, or to read only with the log and index of other
  // processes (`shared`) or as a file no one changes.
  static DossaStatus openConnection(const std::string& path, bool readOnly, bool shared,
                                    std::unique_ptr<Engine>& out);

  const std::uint8_t* identity() const override { return identity_; }
  const Design& design() const override { return design_; }
  DossaStatus load(DossaNoteId id, NoteItems& items) override;
  DossaStatus save(DossaNoteId& id, const NoteItems& items) override;
  DossaStatus restore(DossaNoteId id, const NoteItems& items) override;
  DossaStatus remove(DossaNoteId id) override;
  DossaStatus candidates(const Formula& formula, DossaNoteId after, std::size_t limit,
                         std::vector<DossaNoteId>& ids, bool& exact) override;
  DossaStatus listNotes(const char* form, DossaNoteId after, std::size_t limit,
                        std::vector<DossaNoteId>& ids) override;
  DossaStatus viewFind(std::uint32_t viewId, std::string_view key, DossaNoteId& first,
                       std::uint32_t& matches) override;
  DossaStatus viewRead(std::uint32_t viewId, DossaNoteId from, std::uint32_t skip,
                       std::uint32_t count, std::vector<DossaNoteId>& ids,
                       std::uint32_t& skipped, bool& more) override;
  DossaStatus check(std::string& problem) override;
  DossaStatus begin() override;
  DossaStatus commit() override;
  DossaStatus abort() override;
  DossaStatus beginSnapshot() override;
  DossaStatus endSnapshot() override;

 private:
  explicit SqliteEngine(sqlite3* db) : db_(db) {}
  DossaStatus loadDesign();
  DossaStatus prepare(const char* sql, Statement& stmt);
  DossaStatus exec(const char* sql);
  // Runs one statement without results through its prepared statement (prepared at first use).
  DossaStatus run(const char* sql, Statement& stmt);
  // Runs a statement that takes a note id (?1) and a stored body (?2).
  DossaStatus runWithBody(const char* sql, Statement& stmt, sqlite3_int64 id, const std::string& body);
  // Changes the key rows, view entries and unique keys of a document from
  // those of `old` to those of `now` (either null: none).
  DossaStatus indexNote(DossaNoteId id, const NoteItems* old, const NoteItems* now);
  // Adds the key rows of a document in one statement (at most kMaxRowsPerInsert rows).
  DossaStatus addKeyRows(DossaNoteId id, const std::vector<IndexRow>& rows);
  DossaStatus loadInTransaction(DossaNoteId id, NoteItems& items);
  // True within a unit that SQLite has already rolled back after a failure.
  bool unitLost() const { return state_.inUnit() && sqlite3_get_autocommit(db_) != 0; }
  // The statements of one change kept whole (ChangeGuard): BEGIN IMMEDIATE
  // ... COMMIT, or within a unit of work a savepoint.
  bool inUnit() const { return state_.inUnit(); }
  DossaStatus beginChange(bool nested);
  DossaStatus commitChange(bool nested);
  void rollbackChange(bool nested);

  sqlite3* db_ = nullptr;
  bool readOnly_ = false;
  UnitState state_;
  // Within a unit, the id the next new document takes once one was saved (0: not known).
  sqlite3_int64 nextId_ = 0;
  std::uint8_t identity_[kIdentitySize] = {};
  Design design_;
  std::int64_t formIndexId_ = 0;
  // Prepared once, reused.
  Statement loadStmt_, insertStmt_, updateStmt_, deleteStmt_, keyAddStmt_, keyDelStmt_,
      entryAddStmt_, entryDelStmt_, deletedMaxStmt_, seekStmt_, uniqueAddStmt_, uniqueDelStmt_,
      beginStmt_, commitStmt_, savepointStmt_, releaseStmt_, restoreStmt_, insertAtStmt_;
  bool hasUniqueTables_ = false;
  std::map<std::size_t, Statement> keyAddStmts_;  // by number of rows

  friend class ChangeGuard<SqliteEngine>;
};

using Transaction = ChangeGuard<SqliteEngine>;

// The URI that opens `path` read-only: with the log and index of other
// processes (read-only when this user may not write them), or as a file no
// one changes (no index, no log, no lock, no file made beside it).
std::string readOnlyUri(const std::string& path, bool shared) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~\\:", c)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri + (shared ? "?mode=ro&readonly_shm=1" : "?mode=ro&immutable=1");
}

// A database read as a file no one changes, by a user who may not write it
// nor make its index: no writer was at work when it was opened, and one that
// starts later writes its log only, which this reader does not see (it reads
// the moment it opened). Only a writer's copy of its log into the file
// changes the file under the reader: every read that finds the file changed
// since the open fails with DOSSA_ERR_BUSY instead of returning what it read.
class UnchangedFileReader final : public Engine {
 public:
  UnchangedFileReader(std::unique_ptr<Engine> engine, std::string path, PlatformFileStamp stamp)
      : engine_(std::move(engine)), path_(std::move(path)), stamp_(stamp) {}
  const std::uint8_t* identity() const override { return engine_->identity(); }
  const Design& design() const override { return engine_->design(); }
  DossaStatus load(DossaNoteId id, NoteItems& items) override { return unchanged(engine_->load(id, items)); }
  DossaStatus save(DossaNoteId&, const NoteItems&) override { return DOSSA_ERR_NO_WRITE_ACCESS; }
  DossaStatus remove(DossaNoteId) override { return DOSSA_ERR_NO_WRITE_ACCESS; }
  DossaStatus restore(DossaNoteId, const NoteItems&) override { return DOSSA_ERR_NO_WRITE_ACCESS; }
  DossaStatus candidates(const Formula& formula, DossaNoteId after, std::size_t limit,
                         std::vector<DossaNoteId>& ids, bool& exact) override {
    return unchanged(engine_->candidates(formula, after, limit, ids, exact));
  }
  DossaStatus listNotes(const char* form, DossaNoteId after, std::size_t limit,
                        std::vector<DossaNoteId>& ids) override {
    return unchanged(engine_->listNotes(form, after, limit, ids));
  }
  DossaStatus viewFind(std::uint32_t viewId, std::string_view key, DossaNoteId& first,
                       std::uint32_t& matches) override {
    return unchanged(engine_->viewFind(viewId, key, first, matches));
  }
  DossaStatus viewRead(std::uint32_t viewId, DossaNoteId from, std::uint32_t skip, std::uint32_t count,
                       std::vector<DossaNoteId>& ids, std::uint32_t& skipped, bool& more) override {
    return unchanged(engine_->viewRead(viewId, from, skip, count, ids, skipped, more));
  }
  DossaStatus check(std::string& problem) override { return unchanged(engine_->check(problem)); }
  DossaStatus begin() override { return engine_->begin(); }
  DossaStatus commit() override { return engine_->commit(); }
  DossaStatus abort() override { return engine_->abort(); }
  DossaStatus beginSnapshot() override { return engine_->beginSnapshot(); }
  DossaStatus endSnapshot() override { return unchanged(engine_->endSnapshot()); }

 private:
  // A not-found or other refusal is an answer too: any answer from a changed file is withdrawn.
  DossaStatus unchanged(DossaStatus s) const {
    PlatformFileStamp now;
    if (platformPathStamp(path_.c_str(), &now) != 0 || !(now == stamp_)) return DOSSA_ERR_BUSY;
    return s;
  }
  std::unique_ptr<Engine> engine_;
  std::string path_;
  PlatformFileStamp stamp_;
};

class SqliteDriver final : public EngineDriver {
 public:
  const char* name() const override { return "sqlite"; }
  DossaStatus initialize() const override {
    // No memory statistics: they cost a lock on every allocation. Refused
    // (and harmless) when the process has started SQLite already.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return sqlite3_initialize() == SQLITE_OK ? DOSSA_NOERROR : DOSSA_ERR_NO_MEMORY;
  }
  DossaStatus create(const std::string& path, const DossaDesign& design) const override {
    return SqliteEngine::create(path, design);
  }
  DossaStatus open(const std::string& path, std::unique_ptr<Engine>& out) const override {
    return SqliteEngine::open(path, out);
  }
  DossaStatus drop(const std::string& path) const override {
    if (const int err = platformRemoveFile(path.c_str())) return statusOfErrno(err);
    for (const char* suffix : {"-wal", "-shm"}) platformRemoveFile((path + suffix).c_str());
    return DOSSA_NOERROR;
  }
};

// The stored rows of each index table, as a full check reads them.
constexpr const char* kStoredRows[Design::kIndexTables] = {
    "SELECT itemid, value, noteid FROM dossa_keys",
    "SELECT viewid, key, noteid FROM dossa_view_entries",
    "SELECT keyid, value, noteid FROM dossa_unique"};

}  // namespace

SqliteEngine::~SqliteEngine() {
  if (state_.open()) exec("ROLLBACK");
  // Statements first: a connection with live statements does not close.
  for (Statement* stmt : {&loadStmt_, &insertStmt_, &updateStmt_, &deleteStmt_, &keyAddStmt_,
                          &keyDelStmt_, &entryAddStmt_, &entryDelStmt_, &deletedMaxStmt_, &seekStmt_,
                          &uniqueAddStmt_, &uniqueDelStmt_, &beginStmt_, &commitStmt_, &savepointStmt_,
                          &releaseStmt_, &restoreStmt_, &insertAtStmt_})
    *stmt = Statement();
  keyAddStmts_.clear();
  sqlite3_close_v2(db_);
}

DossaStatus SqliteEngine::exec(const char* sql) {
  return statusOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

DossaStatus SqliteEngine::run(const char* sql, Statement& stmt) {
  if (DossaStatus s = prepare(sql, stmt)) return s;
  Reset reset(stmt);
  return statusOf(sqlite3_step(stmt.get()));
}

DossaStatus SqliteEngine::runWithBody(const char* sql, Statement& stmt, sqlite3_int64 id, const std::string& body) {
  if (DossaStatus s = prepare(sql, stmt)) return s;
  Reset reset(stmt);
  sqlite3_bind_int64(stmt.get(), 1, id);
  sqlite3_bind_blob64(stmt.get(), 2, body.data(), body.size(), SQLITE_STATIC);
  return statusOf(sqlite3_step(stmt.get()));
}

DossaStatus SqliteEngine::beginChange(bool nested) {
  // A failure (a full disk, say) may have rolled the whole unit back: a
  // change then would be a unit of its own, outside the caller's.
  if (nested && unitLost()) return DOSSA_ERR_DISK;
  return nested ? run("SAVEPOINT ndossa_change", savepointStmt_) : run("BEGIN IMMEDIATE", beginStmt_);
}

DossaStatus SqliteEngine::commitChange(bool nested) {
  return nested ? run("RELEASE ndossa_change", releaseStmt_) : run("COMMIT", commitStmt_);
}

void SqliteEngine::rollbackChange(bool nested) {
  sqlite3_exec(db_, nested ? "ROLLBACK TO ndossa_change; RELEASE ndossa_change" : "ROLLBACK", nullptr, nullptr,
               nullptr);
}

DossaStatus SqliteEngine::prepare(const char* sql, Statement& stmt) {
  if (stmt.get()) return DOSSA_NOERROR;
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(raw);
    return statusOf(rc);
  }
  stmt = Statement(raw);
  return DOSSA_NOERROR;
}

DossaStatus SqliteEngine::create(const std::string& path, const DossaDesign& design) {
  if (const int err = platformCreateNewFile(path.c_str())) {
    if (err == EEXIST) return DOSSA_ERR_FILE_EXISTS;
    DossaStatus s = statusOfErrno(err);
    return s == DOSSA_ERR_NO_SUCH_DATABASE ? DOSSA_ERR_CANNOT_OPEN : s;
  }

  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, sqliteFileLayerName());
  std::unique_ptr<SqliteEngine> db(new SqliteEngine(raw));
  DossaStatus s = statusOf(rc);
  std::uint8_t identity[kIdentitySize];
  newIdentity(identity);
  if (!s) s = db->exec(("PRAGMA page_size=" + std::to_string(kPageSize) + ";PRAGMA journal_mode=WAL").c_str());
  if (!s) {
    Transaction t(*db);
    s = t.begin();
    if (!s) s = db->exec(kSchema);
    if (!s) {
      std::string sql = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                        ";PRAGMA user_version=" + std::to_string(kLayoutVersion) + ";";
      s = db->exec(sql.c_str());
    }
    Statement stmt;
    if (!s) s = db->prepare("INSERT INTO dossa_info(id, identity) VALUES(1, ?1)", stmt);
    if (!s) {
      sqlite3_bind_blob(stmt.get(), 1, identity, sizeof identity, SQLITE_TRANSIENT);
      s = statusOf(sqlite3_step(stmt.get()));
    }
    // One design row: the texts bound in order, a null one left NULL. Its id
    // is the row's own, which counts from 1 as the design rows do.
    auto insert = [&](const char* sql, std::initializer_list<const char*> texts) {
      Statement add;
      if (DossaStatus st = db->prepare(sql, add)) return st;
      int index = 0;
      for (const char* text : texts) {
        ++index;
        if (text) bindText(add.get(), index, text);
      }
      return statusOf(sqlite3_step(add.get()));
    };
    if (!s)
      s = storeDesign(
          design,
          [&](std::int64_t, const char* name) { return insert("INSERT INTO dossa_indexed(name) VALUES(?1)", {name}); },
          [&](std::int64_t, const DossaViewDesign& view) {
            return insert("INSERT INTO dossa_views(name, form, keyitem) VALUES(?1, ?2, ?3)",
                          {view.name, view.form, view.keyItem});
          },
          [&](std::int64_t, const DossaUniqueKey& key) {
            return insert("INSERT INTO dossa_unique_keys(form, item1, item2) VALUES(?1, ?2, ?3)",
                          {key.form, key.item1, key.item2});
          });
    if (!s) s = t.commit();
  }
  db.reset();
  if (s) {
    for (const char* suffix : {"", "-wal", "-shm"}) platformRemoveFile((path + suffix).c_str());
  }
  return s;
}

DossaStatus SqliteEngine::open(const std::string& path, std::unique_ptr<Engine>& out) {
  out.reset();
  PlatformFileAccess file{};
  if (const int err = platformFileAccess(path.c_str(), &file)) return statusOfErrno(err);
  if (!file.regular) return DOSSA_ERR_NOT_DATABASE;
  if (!file.readable) return DOSSA_ERR_NO_ACCESS;
  // A user who may not change the file, or not make its log beside it, reads
  // it and never makes a file there: a log and index another user's process
  // made are opened read-only; without them, no writer is at work, and the
  // file is read as it stands (see UnchangedFileReader). The last writer may
  // remove its log and index between the look and the open: the file is then
  // read as it stands.
  if (file.writable && file.folderWritable) return openConnection(path, false, false, out);
  PlatformFileAccess log{}, index{};
  const bool shared = platformFileAccess((path + "-wal").c_str(), &log) == 0 &&
                      platformFileAccess((path + "-shm").c_str(), &index) == 0 && index.readable;
  if (shared && openConnection(path, true, true, out) == DOSSA_NOERROR) return DOSSA_NOERROR;
  return openConnection(path, true, false, out);
}

DossaStatus SqliteEngine::openConnection(const std::string& path, bool readOnly, bool shared,
                                         std::unique_ptr<Engine>& out) {
  out.reset();
  PlatformFileStamp stamp;
  if (readOnly && !shared && platformPathStamp(path.c_str(), &stamp)) return DOSSA_ERR_CANNOT_OPEN;

  sqlite3* raw = nullptr;
  int rc = readOnly ? sqlite3_open_v2(readOnlyUri(path, shared).c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                                      sqliteFileLayerName())
                    : sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, sqliteFileLayerName());
  std::unique_ptr<SqliteEngine> db(new SqliteEngine(raw));
  if (rc != SQLITE_OK) return statusOf(rc);
  db->readOnly_ = readOnly;
  sqlite3_busy_timeout(raw, engineWaitMilliseconds());
  sqlite3_extended_result_codes(raw, 0);

  // The header tells whether the file is ours before anything else is read.
  Statement stmt;
  DossaStatus s = db->prepare("PRAGMA application_id", stmt);
  if (s) return s == DOSSA_ERR_NOT_DATABASE || s == DOSSA_ERR_DATABASE_CORRUPT ? DOSSA_ERR_NOT_DATABASE : s;
  rc = sqlite3_step(stmt.get());
  if (rc != SQLITE_ROW) return statusOf(rc);
  if (sqlite3_column_int(stmt.get(), 0) != kApplicationId) return DOSSA_ERR_NOT_DATABASE;
  stmt = Statement();
  if ((s = db->prepare("PRAGMA user_version", stmt))) return s;
  rc = sqlite3_step(stmt.get());
  if (rc != SQLITE_ROW) return statusOf(rc);
  if (sqlite3_column_int(stmt.get(), 0) != kLayoutVersion) return DOSSA_ERR_WRONG_VERSION;
  stmt = Statement();

  std::string pragmas = "PRAGMA synchronous=NORMAL;PRAGMA cache_size=-" + std::to_string(kCacheKiB) +
                        ";PRAGMA wal_autocheckpoint=" + std::to_string(kCheckpointPages) + ";";
  if ((s = db->exec(pragmas.c_str()))) return s;
  if ((s = db->loadDesign())) return s;
  if (readOnly && !shared)
    out = std::make_unique<UnchangedFileReader>(std::move(db), path, stamp);
  else
    out = std::move(db);
  return DOSSA_NOERROR;
}

DossaStatus SqliteEngine::loadDesign() {
  Statement stmt;
  DossaStatus s = prepare("SELECT identity FROM dossa_info WHERE id = 1", stmt);
  if (s) return s;
  int rc = sqlite3_step(stmt.get());
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? DOSSA_ERR_DATABASE_CORRUPT : statusOf(rc);
  if ((s = readIdentity(columnBytes(stmt.get(), 0), identity_))) return s;

  Statement items;
  if ((s = prepare("SELECT itemid, name FROM dossa_indexed", items))) return s;
  while ((rc = sqlite3_step(items.get())) == SQLITE_ROW) {
    design_.addIndexed(columnBytes(items.get(), 1), sqlite3_column_int64(items.get(), 0));
  }
  if (rc != SQLITE_DONE) return statusOf(rc);
  if ((s = readFormIndexId(design_, formIndexId_))) return s;

  Statement views;
  if ((s = prepare("SELECT viewid, name, form, keyitem FROM dossa_views ORDER BY viewid", views)))
    return s;
  while ((rc = sqlite3_step(views.get())) == SQLITE_ROW) {
    if ((s = readView(design_, sqlite3_column_int64(views.get(), 0), columnBytes(views.get(), 1),
                      columnBytes(views.get(), 2), columnBytes(views.get(), 3))))
      return s;
  }
  if (rc != SQLITE_DONE) return statusOf(rc);

  Statement tables;
  if ((s = prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'dossa_unique_keys'",
                   tables)))
    return s;
  if ((rc = sqlite3_step(tables.get())) != SQLITE_ROW) return statusOf(rc);
  hasUniqueTables_ = sqlite3_column_int(tables.get(), 0) == 1;
  if (!hasUniqueTables_) return DOSSA_NOERROR;
  Statement unique;
  if ((s = prepare("SELECT keyid, form, item1, item2 FROM dossa_unique_keys ORDER BY keyid", unique)))
    return s;
  while ((rc = sqlite3_step(unique.get())) == SQLITE_ROW) {
    const bool twoItems = sqlite3_column_type(unique.get(), 3) != SQLITE_NULL;
    const std::string_view item2 = twoItems ? columnBytes(unique.get(), 3) : std::string_view();
    readUnique(design_, sqlite3_column_int64(unique.get(), 0), columnBytes(unique.get(), 1),
               columnBytes(unique.get(), 2), twoItems ? &item2 : nullptr);
  }
  return rc == SQLITE_DONE ? DOSSA_NOERROR : statusOf(rc);
}

DossaStatus SqliteEngine::loadInTransaction(DossaNoteId id, NoteItems& items) {
  DossaStatus s = prepare("SELECT body FROM dossa_notes WHERE noteid = ?1", loadStmt_);
  if (s) return s;
  Reset reset(loadStmt_);
  sqlite3_bind_int64(loadStmt_.get(), 1, id);
  int rc = sqlite3_step(loadStmt_.get());
  if (rc == SQLITE_DONE) return DOSSA_ERR_NOTE_NOT_FOUND;
  if (rc != SQLITE_ROW) return statusOf(rc);
  if (!items.decode(columnBytes(loadStmt_.get(), 0))) return DOSSA_ERR_DATABASE_CORRUPT;
  return DOSSA_NOERROR;
}

DossaStatus SqliteEngine::load(DossaNoteId id, NoteItems& items) {
  if (!validNoteId(id)) return DOSSA_ERR_NOTE_NOT_FOUND;
  return loadInTransaction(id, items);
}

DossaStatus SqliteEngine::indexNote(DossaNoteId id, const NoteItems* old, const NoteItems* now) {
  // By table: key rows, view entries, unique keys.
  static constexpr const char* kDelete[3] = {
      "DELETE FROM dossa_keys WHERE itemid = ?1 AND value = ?2 AND noteid = ?3",
      "DELETE FROM dossa_view_entries WHERE viewid = ?1 AND key = ?2 AND noteid = ?3",
      "DELETE FROM dossa_unique WHERE keyid = ?1 AND value = ?2 AND noteid = ?3"};
  static constexpr const char* kAdd[3] = {
      "INSERT OR IGNORE INTO dossa_keys(itemid, value, noteid) VALUES(?1, ?2, ?3)",
      "INSERT OR IGNORE INTO dossa_view_entries(viewid, key, noteid) VALUES(?1, ?2, ?3)",
      "INSERT INTO dossa_unique(keyid, value, noteid) VALUES(?1, ?2, ?3)"};
  Statement* deletes[3] = {&keyDelStmt_, &entryDelStmt_, &uniqueDelStmt_};
  Statement* adds[3] = {&keyAddStmt_, &entryAddStmt_, &uniqueAddStmt_};
  return applyRowChanges(rowChanges(design_, old, now), [&](bool add, std::size_t table,
                                                            const std::vector<IndexRow>& rows) -> DossaStatus {
    // New key rows go in together: one statement instead of one per row.
    if (add && table == Design::KeyTable && rows.size() > 1 && rows.size() <= kMaxRowsPerInsert)
      return addKeyRows(id, rows);
    Statement& stmt = add ? *adds[table] : *deletes[table];
    if (DossaStatus s = prepare(add ? kAdd[table] : kDelete[table], stmt)) return s;
    for (const IndexRow& row : rows) {
      Reset reset(stmt);
      sqlite3_bind_int64(stmt.get(), 1, row.id);
      bindText(stmt.get(), 2, row.value);
      sqlite3_bind_int64(stmt.get(), 3, id);
      int rc = sqlite3_step(stmt.get());
      if (table == Design::UniqueTable && (rc & 0xFF) == SQLITE_CONSTRAINT) return DOSSA_ERR_DUPLICATE_KEY;
      if (rc != SQLITE_DONE) return statusOf(rc);
    }
    return DOSSA_NOERROR;
  });
}

DossaStatus SqliteEngine::addKeyRows(DossaNoteId id, const std::vector<IndexRow>& rows) {
  Statement& stmt = keyAddStmts_[rows.size()];
  if (!stmt.get()) {
    std::string sql = "INSERT OR IGNORE INTO dossa_keys(itemid, value, noteid) VALUES(?1, ?2, ?3)";
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const std::string first = std::to_string(3 * i + 1);
      sql += ", (?" + first + ", ?" + std::to_string(3 * i + 2) + ", ?3)";
    }
    if (DossaStatus s = prepare(sql.c_str(), stmt)) {
      keyAddStmts_.erase(rows.size());
      return s;
    }
  }
  Reset reset(stmt);
  sqlite3_bind_int64(stmt.get(), 3, id);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    sqlite3_bind_int64(stmt.get(), static_cast<int>(3 * i + 1), rows[i].id);
    bindText(stmt.get(), static_cast<int>(3 * i + 2), rows[i].value);
  }
  int rc = sqlite3_step(stmt.get());
  return rc == SQLITE_DONE ? DOSSA_NOERROR : statusOf(rc);
}

DossaStatus SqliteEngine::save(DossaNoteId& id, const NoteItems& items) {
  if (readOnly_) return DOSSA_ERR_NO_WRITE_ACCESS;
  if (DossaStatus s = state_.mayChange()) return s;
  std::string body = items.encode();
  Transaction t(*this);
  DossaStatus s = t.begin();
  if (s) return s;
  DossaNoteId saved = id;
  NoteItems old;
  if (id != 0) {
    if ((s = loadInTransaction(id, old))) return s;
    if ((s = runWithBody("UPDATE dossa_notes SET body = ?2 WHERE noteid = ?1", updateStmt_, id, body))) return s;
  } else if (nextId_ != 0) {
    if (nextId_ > kMaxNoteId) return DOSSA_ERR_DATABASE_FULL;
    if ((s = runWithBody("INSERT INTO dossa_notes(noteid, body) VALUES(?1, ?2)", insertAtStmt_, nextId_, body)))
      return s;
    saved = nextId_;
  } else {
    static const std::string kInsert = "INSERT INTO dossa_notes(noteid, body) SELECT " +
                                       highestGivenIdSql("max", "dossa_notes", "dossa_info") + " + 1, ?1";
    if ((s = prepare(kInsert.c_str(), insertStmt_))) return s;
    Reset reset(insertStmt_);
    sqlite3_bind_blob64(insertStmt_.get(), 1, body.data(), body.size(), SQLITE_STATIC);
    int rc = sqlite3_step(insertStmt_.get());
    if (rc != SQLITE_DONE) return statusOf(rc);
    if ((s = takeNewId(sqlite3_last_insert_rowid(db_), saved))) return s;
  }
  if ((s = indexNote(saved, id != 0 ? &old : nullptr, &items))) return s;
  if ((s = t.commit())) return s;
  // Within a unit no other writer can take an id: the next one is known.
  if (state_.inUnit() && id == 0) nextId_ = static_cast<sqlite3_int64>(saved) + 1;
  id = saved;
  return DOSSA_NOERROR;
}

DossaStatus SqliteEngine::restore(DossaNoteId id, const NoteItems& items) {
  if (readOnly_) return DOSSA_ERR_NO_WRITE_ACCESS;
  if (DossaStatus s = state_.mayChange()) return s;
  if (!validNoteId(id)) return DOSSA_ERR_INVALID_ARGUMENT;
  std::string body = items.encode();
  Transaction t(*this);
  DossaStatus s = t.begin();
  if (s) return s;
  // Only above every id given out, so that no id is ever given out twice.
  static const std::string kRestore = "INSERT INTO dossa_notes(noteid, body) SELECT ?1, ?2 WHERE ?1 > " +
                                      highestGivenIdSql("max", "dossa_notes", "dossa_info");
  if ((s = runWithBody(kRestore.c_str(), restoreStmt_, id, body))) return s;
  if (sqlite3_changes(db_) != 1) return DOSSA_ERR_INVALID_ARGUMENT;
  if ((s = indexNote(id, nullptr, &items))) return s;
  nextId_ = 0;
  return t.commit();
}

DossaStatus SqliteEngine::remove(DossaNoteId id) {
  if (!validNoteId(id)) return DOSSA_ERR_NOTE_NOT_FOUND;
  if (readOnly_) return DOSSA_ERR_NO_WRITE_ACCESS;
  if (DossaStatus s = state_.mayChange()) return s;
  Transaction t(*this);
  DossaStatus s = t.begin();
  if (s) return s;
  NoteItems old;
  if ((s = loadInTransaction(id, old))) return s;
  if ((s = indexNote(id, &old, nullptr))) return s;
  if ((s = prepare("DELETE FROM dossa_notes WHERE noteid = ?1", deleteStmt_))) return s;
  if ((s = prepare("UPDATE dossa_info SET deletedmax = ?1 WHERE id = 1 AND deletedmax < ?1", deletedMaxStmt_)))
    return s;
  for (const Statement* stmt : {&deleteStmt_, &deletedMaxStmt_}) {
    Reset reset(*stmt);
    sqlite3_bind_int64(stmt->get(), 1, id);
    int rc = sqlite3_step(stmt->get());
    if (rc != SQLITE_DONE) return statusOf(rc);
  }
  return t.commit();
}

DossaStatus SqliteEngine::candidates(const Formula& formula, DossaNoteId after, std::size_t limit,
                                 std::vector<DossaNoteId>& ids, bool& exact) {
  ids.clear();
  std::vector<IndexedTerm> terms = design_.indexedTerms(formula, kMaxIndexedTerms, exact);
  if (terms.empty()) return DOSSA_ERR_FORMULA_NOT_INDEXED;
  // The documents that hold every term, found by leapfrogging: each term in
  // turn seeks its first document at or after the candidate; a term that
  // lands further on makes that the candidate, and a candidate every term
  // lands on is a match. Each seek is one step down the key index, so a
  // selective term keeps the search short however common the others are.
  DossaStatus s = prepare("SELECT noteid FROM dossa_keys WHERE itemid = ?1 AND value = ?2"
                          " AND noteid >= ?3 ORDER BY noteid LIMIT 1",
                          seekStmt_);
  if (s) return s;
  auto seek = [&](const IndexedTerm& term, sqlite3_int64 from, sqlite3_int64& found) -> DossaStatus {
    Reset reset(seekStmt_);
    sqlite3_bind_int64(seekStmt_.get(), 1, term.first);
    bindText(seekStmt_.get(), 2, term.second->value);
    sqlite3_bind_int64(seekStmt_.get(), 3, from);
    int rc = sqlite3_step(seekStmt_.get());
    if (rc == SQLITE_ROW) {
      found = sqlite3_column_int64(seekStmt_.get(), 0);
      return DOSSA_NOERROR;
    }
    found = -1;
    return rc == SQLITE_DONE ? DOSSA_NOERROR : statusOf(rc);
  };
  sqlite3_int64 candidate = static_cast<sqlite3_int64>(after) + 1;
  std::size_t agreed = 0;
  for (std::size_t i = 0; ids.size() < limit; i = (i + 1) % terms.size()) {
    sqlite3_int64 found = 0;
    if ((s = seek(terms[i], candidate, found))) return s;
    if (found < 0) break;
    if (found != candidate) {
      candidate = found;
      agreed = 0;
    }
    if (++agreed == terms.size()) {
      ids.push_back(static_cast<DossaNoteId>(candidate++));
      agreed = 0;
    }
  }
  return DOSSA_NOERROR;
}

DossaStatus SqliteEngine::listNotes(const char* form, DossaNoteId after, std::size_t limit,
                                std::vector<DossaNoteId>& ids) {
  ids.clear();
  Statement stmt;
  DossaStatus s = form ? prepare("SELECT noteid FROM dossa_keys WHERE itemid = ?3 AND value = ?4"
                                 " AND noteid > ?1 ORDER BY noteid LIMIT ?2",
                                 stmt)
                       : prepare("SELECT noteid FROM dossa_notes WHERE noteid > ?1 ORDER BY noteid LIMIT ?2",
                                 stmt);
  if (s) return s;
  sqlite3_bind_int64(stmt.get(), 1, after);
  sqlite3_bind_int64(stmt.get(), 2, static_cast<sqlite3_int64>(limit));
  if (form) {
    sqlite3_bind_int64(stmt.get(), 3, formIndexId_);
    bindText(stmt.get(), 4, form);
  }
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
    ids.push_back(static_cast<DossaNoteId>(sqlite3_column_int64(stmt.get(), 0)));
  return rc == SQLITE_DONE ? DOSSA_NOERROR : statusOf(rc);
}

DossaStatus SqliteEngine::viewFind(std::uint32_t viewId, std::string_view key, DossaNoteId& first,
                               std::uint32_t& matches) {
  first = 0;
  matches = 0;
  Statement stmt;
  // Keys equal under the view's collation sort by note id, so the first entry is the smallest id.
  DossaStatus s = prepare("SELECT count(*), min(noteid) FROM dossa_view_entries WHERE viewid = ?1 AND key = ?2",
                          stmt);
  if (s) return s;
  sqlite3_bind_int64(stmt.get(), 1, viewId);
  bindText(stmt.get(), 2, key);
  int rc = sqlite3_step(stmt.get());
  if (rc != SQLITE_ROW) return statusOf(rc);
  return viewFound(sqlite3_column_int64(stmt.get(), 0), sqlite3_column_int64(stmt.get(), 1), first, matches);
}

DossaStatus SqliteEngine::viewRead(std::uint32_t viewId, DossaNoteId from, std::uint32_t skip,
                               std::uint32_t count, std::vector<DossaNoteId>& ids,
                               std::uint32_t& skipped, bool& more) {
  ids.clear();
  skipped = 0;
  more = false;
  Statement stmt;
  DossaStatus s;
  if (from != 0) {
    Statement keyStmt;
    if ((s = prepare("SELECT key FROM dossa_view_entries WHERE viewid = ?1 AND noteid = ?2", keyStmt)))
      return s;
    sqlite3_bind_int64(keyStmt.get(), 1, viewId);
    sqlite3_bind_int64(keyStmt.get(), 2, from);
    int rc = sqlite3_step(keyStmt.get());
    if (rc == SQLITE_DONE) return DOSSA_ERR_POSITION_GONE;
    if (rc != SQLITE_ROW) return statusOf(rc);
    if ((s = prepare("SELECT noteid FROM dossa_view_entries WHERE viewid = ?1"
                     " AND (key, noteid) >= (?2, ?3) ORDER BY key, noteid",
                     stmt)))
      return s;
    bindText(stmt.get(), 2, columnBytes(keyStmt.get(), 0));
    sqlite3_bind_int64(stmt.get(), 3, from);
  } else {
    if ((s = prepare("SELECT noteid FROM dossa_view_entries WHERE viewid = ?1 ORDER BY key, noteid", stmt)))
      return s;
  }
  sqlite3_bind_int64(stmt.get(), 1, viewId);
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW &&
         takeViewEntry(static_cast<DossaNoteId>(sqlite3_column_int64(stmt.get(), 0)), skip, count, ids, skipped,
                       more)) {
  }
  return rc == SQLITE_DONE || rc == SQLITE_ROW ? DOSSA_NOERROR : statusOf(rc);
}

DossaStatus SqliteEngine::check(std::string& problem) {
  problem.clear();
  Statement stmt;
  DossaStatus s = prepare("PRAGMA integrity_check", stmt);
  if (s) return s;
  int rc = sqlite3_step(stmt.get());
  if (rc != SQLITE_ROW) return statusOf(rc);
  std::string verdict(columnBytes(stmt.get(), 0));
  if (verdict != "ok") {
    problem = "file check: " + verdict;
    return DOSSA_ERR_DATABASE_CORRUPT;
  }
  stmt = Statement();

  // Every document decodes, and the index rows are exactly those its items call for.
  auto documents = [&](auto&& add) -> DossaStatus {
    Statement notes;
    if (DossaStatus st = prepare("SELECT noteid, body FROM dossa_notes ORDER BY noteid", notes)) return st;
    int step;
    while ((step = sqlite3_step(notes.get())) == SQLITE_ROW)
      if (DossaStatus st = add(static_cast<DossaNoteId>(sqlite3_column_int64(notes.get(), 0)), columnBytes(notes.get(), 1)))
        return st;
    return step == SQLITE_DONE ? DOSSA_NOERROR : statusOf(step);
  };
  auto rows = [&](RowCheck::Table table, auto&& add) -> DossaStatus {
    Statement stored;
    if (DossaStatus st = prepare(kStoredRows[table], stored)) return st;
    int step;
    while ((step = sqlite3_step(stored.get())) == SQLITE_ROW)
      if (DossaStatus st = add(sqlite3_column_int64(stored.get(), 0), columnBytes(stored.get(), 1),
                               static_cast<DossaNoteId>(sqlite3_column_int64(stored.get(), 2))))
        return st;
    return step == SQLITE_DONE ? DOSSA_NOERROR : statusOf(step);
  };
  return RowCheck(design_).run(documents, rows, hasUniqueTables_ ? Design::kIndexTables : Design::UniqueTable,
                               problem);
}

DossaStatus SqliteEngine::begin() {
  if (readOnly_) return DOSSA_ERR_NO_WRITE_ACCESS;
  return state_.begin([&]() -> DossaStatus {
    nextId_ = 0;
    return exec("BEGIN IMMEDIATE");
  });
}

DossaStatus SqliteEngine::commit() {
  return state_.commit([&]() -> DossaStatus {
    if (unitLost()) return DOSSA_ERR_DISK;
    DossaStatus s = exec("COMMIT");
    nextId_ = 0;
    return s;
  });
}

DossaStatus SqliteEngine::abort() {
  return state_.abort([&]() -> DossaStatus {
    nextId_ = 0;
    // A unit SQLite has rolled back after a failure is gone already.
    return sqlite3_get_autocommit(db_) != 0 ? DOSSA_NOERROR : exec("ROLLBACK");
  });
}

DossaStatus SqliteEngine::beginSnapshot() {
  // A read transaction takes its moment at its first read: read at once.
  return state_.beginSnapshot([&]() -> DossaStatus {
    DossaStatus s = exec("BEGIN");
    if (!s) s = exec("SELECT count(*) FROM dossa_info");
    if (s && sqlite3_get_autocommit(db_) == 0) exec("ROLLBACK");
    return s;
  });
}

DossaStatus SqliteEngine::endSnapshot() {
  return state_.endSnapshot([&]() -> DossaStatus {
    // SQLite ends a transaction by itself after some failures; later reads then stood alone.
    if (sqlite3_get_autocommit(db_) != 0) return DOSSA_ERR_DISK;
    DossaStatus s = exec("COMMIT");
    if (s) exec("ROLLBACK");
    return s;
  });
}

const EngineDriver& sqliteEngineDriver() {
  static const SqliteDriver driver;
  return driver;
}

}  // namespace ndossa
