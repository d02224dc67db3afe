#include "ndossa/pg_engine.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "ndossa/engine_rules.h"
#include "ndossa/pg_connection.h"
#include "ndossa/row_check.h"

namespace ndossa {
namespace {

using pg::bytesAt;
using pg::integerAt;
using pg::kByteaArray;
using pg::kInt8Array;
using pg::Params;
using pg::Result;
using pg::Session;

// Layout version of a database's schema.
constexpr std::int64_t kLayoutVersion = 1;
// Separates the service from the database name in a path.
constexpr std::string_view kServerSeparator = "!!";
// Advisory lock that serialises making databases; the two-key locks of the
// databases (class, identity) live in a separate key space.
constexpr std::int64_t kCatalogLock = 0x4E445341;
constexpr std::int32_t kDatabaseLockClass = 0x4E44;

// The service and the database name of a path, "service!!name" or "name".
void splitPath(const std::string& path, std::string& service, std::string& name) {
  const std::size_t separator = path.find(kServerSeparator);
  if (separator == std::string::npos) {
    service.clear();
    name = path;
  } else {
    service = path.substr(0, separator);
    name = path.substr(separator + kServerSeparator.size());
  }
}

// The catalog of the databases on a server: their names and schemas.
constexpr const char* kCatalogSetup =
    "CREATE SCHEMA IF NOT EXISTS ndossa;"
    "CREATE TABLE IF NOT EXISTS ndossa.databases(name bytea PRIMARY KEY, schemaname text NOT NULL UNIQUE)";

// The tables of one database; @ stands for its quoted schema name.
constexpr const char* kSchema =
    "CREATE SCHEMA @;"
    "CREATE TABLE @.info(id int PRIMARY KEY CHECK(id = 1), identity bytea NOT NULL,"
    " deletedmax bigint NOT NULL DEFAULT 0, layout bigint NOT NULL);"
    "CREATE TABLE @.indexed(itemid bigint PRIMARY KEY, name text NOT NULL);"
    "CREATE TABLE @.views(viewid bigint PRIMARY KEY, name text NOT NULL, form text NOT NULL, keyitem text NOT NULL);"
    "CREATE TABLE @.unique_keys(keyid bigint PRIMARY KEY, form text NOT NULL, item1 text NOT NULL, item2 text);"
    "CREATE TABLE @.notes(noteid bigint PRIMARY KEY, body bytea NOT NULL);"
    // Key and view values are stored folded: they compare ignoring case.
    "CREATE TABLE @.keys(itemid bigint NOT NULL, value bytea NOT NULL, noteid bigint NOT NULL,"
    " PRIMARY KEY(itemid, value, noteid));"
    "CREATE TABLE @.view_entries(viewid bigint NOT NULL, key bytea NOT NULL, noteid bigint NOT NULL,"
    " PRIMARY KEY(viewid, key, noteid));"
    "CREATE INDEX ON @.view_entries(viewid, noteid);"
    "CREATE TABLE @.unique_values(keyid bigint NOT NULL, value bytea NOT NULL, noteid bigint NOT NULL,"
    " PRIMARY KEY(keyid, value))";

// Replaces every @ in text by the schema.
std::string withSchema(std::string_view text, const std::string& schema) {
  std::string out;
  for (char c : text) {
    if (c == '@') out += schema;
    else out += c;
  }
  return out;
}

// The identifier as SQL text: in double quotes, inner ones doubled.
std::string quoted(std::string_view identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string hex(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0xF];
  }
  return out;
}

class PgEngine final : public Engine {
 public:
  ~PgEngine() override {
    if (state_.open()) session_.command("ROLLBACK");
  }
  PgEngine(const PgEngine&) = delete;
  PgEngine& operator=(const PgEngine&) = delete;

  static DossaStatus create(const std::string& path, const DossaDesign& design);
  static DossaStatus open(const std::string& path, std::unique_ptr<Engine>& out);
  static DossaStatus drop(const std::string& path);

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
  PgEngine() = default;
  // The statement text with @ as this database's schema (built once per text).
  const std::string& sql(const char* text);
  DossaStatus run(const char* text, const Params& params, Result* out = nullptr) {
    return session_.run(sql(text), params, out);
  }
  DossaStatus loadDesign();
  DossaStatus loadInTransaction(DossaNoteId id, NoteItems& items);
  DossaStatus indexNote(DossaNoteId id, const NoteItems* old, const NoteItems* now);
  // Rows of a table as the two array parameters of a statement (ids, values),
  // the values as the table stores them (Design::comparable: key and view
  // values folded).
  static void rowArrays(std::size_t table, const std::vector<IndexRow>& rows, std::string& ids, std::string& values);
  // Opens a transaction that holds this database's write lock.
  DossaStatus beginLocked();
  // The statements of one change kept whole (ChangeGuard): a locked
  // transaction, or within a unit of work a savepoint.
  bool inUnit() const { return state_.inUnit(); }
  DossaStatus beginChange(bool nested);
  DossaStatus commitChange(bool nested);
  void rollbackChange(bool nested);
  // Ids of the rows of a one-column id result.
  static void collectIds(const PGresult* result, std::vector<DossaNoteId>& ids);

  Session session_;
  std::string schema_;  // quoted
  UnitState state_;
  // Within a unit, the savepoint of the last change is released only when
  // the next change starts (one round trip for both) or the unit ends.
  bool savepointOpen_ = false;
  // Within a unit no other writer can change the database: the stored
  // values of the documents read or written in it are kept until it ends.
  std::unordered_map<DossaNoteId, std::string> unitBodies_;
  std::uint8_t identity_[kIdentitySize] = {};
  std::int32_t lockKey_ = 0;
  Design design_;
  std::int64_t formIndexId_ = 0;
  std::unordered_map<const char*, std::string> statements_;

  friend class ChangeGuard<PgEngine>;
};

using Change = ChangeGuard<PgEngine>;

class PgDriver final : public EngineDriver {
 public:
  const char* name() const override { return "postgresql"; }
  DossaStatus initialize() const override { return DOSSA_NOERROR; }
  DossaStatus create(const std::string& path, const DossaDesign& design) const override {
    return PgEngine::create(path, design);
  }
  DossaStatus open(const std::string& path, std::unique_ptr<Engine>& out) const override {
    return PgEngine::open(path, out);
  }
  DossaStatus drop(const std::string& path) const override { return PgEngine::drop(path); }
};

// The stored rows of each index table, as a full check reads them.
constexpr const char* kStoredRows[Design::kIndexTables] = {
    "SELECT itemid, value, noteid FROM @.keys",
    "SELECT viewid, key, noteid FROM @.view_entries",
    "SELECT keyid, value, noteid FROM @.unique_values"};

}  // namespace

const std::string& PgEngine::sql(const char* text) {
  auto it = statements_.find(text);
  if (it == statements_.end()) it = statements_.emplace(text, withSchema(text, schema_)).first;
  return it->second;
}

void PgEngine::collectIds(const PGresult* result, std::vector<DossaNoteId>& ids) {
  for (int row = 0; row < PQntuples(result); ++row)
    ids.push_back(static_cast<DossaNoteId>(integerAt(result, row, 0)));
}

DossaStatus PgEngine::beginLocked() {
  DossaStatus s = session_.command("BEGIN");
  if (s) return s;
  session_.setInTransaction(true);
  s = run("SELECT pg_advisory_xact_lock(CAST($1 AS int), CAST($2 AS int))",
          Params().integer(kDatabaseLockClass).integer(lockKey_));
  if (s) {
    session_.command("ROLLBACK");
    session_.setInTransaction(false);
  }
  return s;
}

DossaStatus PgEngine::beginChange(bool nested) {
  if (!nested) return beginLocked();
  // A failure may have aborted the whole unit: nothing more goes into it.
  if (DossaStatus s = session_.transactionState()) return s;
  DossaStatus s = savepointOpen_ ? session_.command("RELEASE SAVEPOINT ndossa_change; SAVEPOINT ndossa_change")
                                 : session_.command("SAVEPOINT ndossa_change");
  savepointOpen_ = s == DOSSA_NOERROR;
  return s;
}

DossaStatus PgEngine::commitChange(bool nested) {
  if (DossaStatus s = session_.transactionState()) return s;
  // Within a unit the change is kept with it; its savepoint goes when the next change starts.
  if (nested) return DOSSA_NOERROR;
  DossaStatus s = session_.command("COMMIT");
  if (!s) session_.setInTransaction(false);
  return s;
}

void PgEngine::rollbackChange(bool nested) {
  if (nested) {
    session_.command("ROLLBACK TO SAVEPOINT ndossa_change; RELEASE SAVEPOINT ndossa_change");
    savepointOpen_ = false;
  } else {
    session_.command("ROLLBACK");
    session_.setInTransaction(false);
  }
}

DossaStatus PgEngine::create(const std::string& path, const DossaDesign& design) {
  std::string service, name;
  splitPath(path, service, name);
  if (name.empty()) return DOSSA_ERR_NO_SUCH_DATABASE;
  std::unique_ptr<PgEngine> db(new PgEngine());
  Session& session = db->session_;
  if (DossaStatus s = session.connect(service)) return s;

  newIdentity(db->identity_);
  const std::string schemaName = "ndossa_" + hex(db->identity_, sizeof db->identity_);
  db->schema_ = quoted(schemaName);

  // All of it in one transaction: a failure leaves nothing behind.
  DossaStatus s = session.command("BEGIN");
  if (s) return s;
  session.setInTransaction(true);
  auto finish = [&](DossaStatus status) { return session.finish(status); };
  if ((s = session.run("SELECT pg_advisory_xact_lock($1)", Params().integer(kCatalogLock)))) return finish(s);
  if ((s = session.command(kCatalogSetup))) return finish(s);
  Result found;
  if ((s = session.run("SELECT 1 FROM ndossa.databases WHERE name = $1", Params().bytes(name), &found)))
    return finish(s);
  if (PQntuples(found.get()) > 0) return finish(DOSSA_ERR_FILE_EXISTS);
  if ((s = session.run("INSERT INTO ndossa.databases(name, schemaname) VALUES($1, $2)",
                       Params().bytes(name).text(schemaName))))
    return finish(s);
  if ((s = session.command(withSchema(kSchema, db->schema_)))) return finish(s);
  if ((s = db->run("INSERT INTO @.info(id, identity, layout) VALUES(1, $1, $2)",
                   Params().bytes({reinterpret_cast<const char*>(db->identity_), sizeof db->identity_})
                       .integer(kLayoutVersion))))
    return finish(s);
  s = storeDesign(
      design,
      [&](std::int64_t id, const char* item) {
        return db->run("INSERT INTO @.indexed(itemid, name) VALUES($1, $2)", Params().integer(id).text(item));
      },
      [&](std::int64_t id, const DossaViewDesign& view) {
        return db->run("INSERT INTO @.views(viewid, name, form, keyitem) VALUES($1, $2, $3, $4)",
                       Params().integer(id).text(view.name).text(view.form).text(view.keyItem));
      },
      [&](std::int64_t id, const DossaUniqueKey& key) {
        return db->run("INSERT INTO @.unique_keys(keyid, form, item1, item2) VALUES($1, $2, $3, $4)",
                       Params().integer(id).text(key.form).text(key.item1).optionalText(key.item2));
      });
  // Two makers of one name at once: the second finds the catalog row taken.
  if (s == DOSSA_ERR_DUPLICATE_KEY) s = DOSSA_ERR_FILE_EXISTS;
  return finish(s);
}

DossaStatus PgEngine::open(const std::string& path, std::unique_ptr<Engine>& out) {
  out.reset();
  std::string service, name;
  splitPath(path, service, name);
  if (name.empty()) return DOSSA_ERR_NO_SUCH_DATABASE;
  std::unique_ptr<PgEngine> db(new PgEngine());
  if (DossaStatus s = db->session_.connect(service)) return s;
  Result found;
  DossaStatus s = db->session_.run("SELECT schemaname FROM ndossa.databases WHERE name = $1",
                                   Params().bytes(name), &found);
  // No catalog yet: the server holds no database of ours.
  if (s == DOSSA_ERR_NOT_DATABASE) return DOSSA_ERR_NO_SUCH_DATABASE;
  if (s) return s;
  if (PQntuples(found.get()) != 1) return DOSSA_ERR_NO_SUCH_DATABASE;
  db->schema_ = quoted(bytesAt(found.get(), 0, 0));
  if ((s = db->loadDesign())) return s == DOSSA_ERR_NO_SUCH_DATABASE ? DOSSA_ERR_DATABASE_CORRUPT : s;
  out = std::move(db);
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::drop(const std::string& path) {
  std::string service, name;
  splitPath(path, service, name);
  if (name.empty()) return DOSSA_ERR_NO_SUCH_DATABASE;
  Session session;
  DossaStatus s = session.connect(service);
  if (!s) s = session.command("BEGIN");
  if (s) return s;
  session.setInTransaction(true);
  Result found;
  if (!(s = session.run("SELECT pg_advisory_xact_lock($1)", Params().integer(kCatalogLock))))
    s = session.run("SELECT schemaname FROM ndossa.databases WHERE name = $1", Params().bytes(name), &found);
  if (s == DOSSA_ERR_NOT_DATABASE || (!s && PQntuples(found.get()) != 1)) s = DOSSA_ERR_NO_SUCH_DATABASE;
  if (!s) s = session.command("DROP SCHEMA IF EXISTS " + quoted(bytesAt(found.get(), 0, 0)) + " CASCADE");
  if (!s) s = session.run("DELETE FROM ndossa.databases WHERE name = $1", Params().bytes(name));
  return session.finish(s);
}

DossaStatus PgEngine::loadDesign() {
  Result result;
  DossaStatus s = run("SELECT identity, layout FROM @.info WHERE id = 1", Params(), &result);
  if (s) return s;
  if (PQntuples(result.get()) != 1) return DOSSA_ERR_DATABASE_CORRUPT;
  if ((s = readIdentity(bytesAt(result.get(), 0, 0), identity_))) return s;
  if (integerAt(result.get(), 0, 1) != kLayoutVersion) return DOSSA_ERR_WRONG_VERSION;
  lockKey_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(identity_[0]) << 24 | identity_[1] << 16 |
                                       identity_[2] << 8 | identity_[3]);

  if ((s = run("SELECT itemid, name FROM @.indexed", Params(), &result))) return s;
  for (int row = 0; row < PQntuples(result.get()); ++row)
    design_.addIndexed(bytesAt(result.get(), row, 1), integerAt(result.get(), row, 0));
  if ((s = readFormIndexId(design_, formIndexId_))) return s;

  if ((s = run("SELECT viewid, name, form, keyitem FROM @.views ORDER BY viewid", Params(), &result))) return s;
  for (int row = 0; row < PQntuples(result.get()); ++row)
    if ((s = readView(design_, integerAt(result.get(), row, 0), bytesAt(result.get(), row, 1),
                      bytesAt(result.get(), row, 2), bytesAt(result.get(), row, 3))))
      return s;

  if ((s = run("SELECT keyid, form, item1, item2 FROM @.unique_keys ORDER BY keyid", Params(), &result))) return s;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    const std::string_view item2 = bytesAt(result.get(), row, 3);
    readUnique(design_, integerAt(result.get(), row, 0), bytesAt(result.get(), row, 1), bytesAt(result.get(), row, 2),
               PQgetisnull(result.get(), row, 3) ? nullptr : &item2);
  }
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::loadInTransaction(DossaNoteId id, NoteItems& items) {
  if (state_.inUnit()) {
    auto kept = unitBodies_.find(id);
    if (kept != unitBodies_.end()) return items.decode(kept->second) ? DOSSA_NOERROR : DOSSA_ERR_DATABASE_CORRUPT;
  }
  Result result;
  DossaStatus s = run("SELECT body FROM @.notes WHERE noteid = $1", Params().integer(id), &result);
  if (s) return s;
  if (PQntuples(result.get()) == 0) return DOSSA_ERR_NOTE_NOT_FOUND;
  const std::string_view body = bytesAt(result.get(), 0, 0);
  if (!items.decode(body)) return DOSSA_ERR_DATABASE_CORRUPT;
  if (state_.inUnit()) unitBodies_.emplace(id, body);
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::load(DossaNoteId id, NoteItems& items) {
  if (!validNoteId(id)) return DOSSA_ERR_NOTE_NOT_FOUND;
  return loadInTransaction(id, items);
}

DossaStatus PgEngine::indexNote(DossaNoteId id, const NoteItems* old, const NoteItems* now) {
  // One statement per table and direction, the rows given as two arrays.
  static constexpr const char* kDelete[3] = {
      "DELETE FROM @.keys t USING unnest($1::bigint[], $2::bytea[]) AS r(id, v)"
      " WHERE t.itemid = r.id AND t.value = r.v AND t.noteid = $3",
      "DELETE FROM @.view_entries t USING unnest($1::bigint[], $2::bytea[]) AS r(id, v)"
      " WHERE t.viewid = r.id AND t.key = r.v AND t.noteid = $3",
      "DELETE FROM @.unique_values t USING unnest($1::bigint[], $2::bytea[]) AS r(id, v)"
      " WHERE t.keyid = r.id AND t.value = r.v AND t.noteid = $3"};
  static constexpr const char* kAdd[3] = {
      "INSERT INTO @.keys(itemid, value, noteid) SELECT r.id, r.v, $3"
      " FROM unnest($1::bigint[], $2::bytea[]) AS r(id, v) ON CONFLICT DO NOTHING",
      "INSERT INTO @.view_entries(viewid, key, noteid) SELECT r.id, r.v, $3"
      " FROM unnest($1::bigint[], $2::bytea[]) AS r(id, v) ON CONFLICT DO NOTHING",
      "INSERT INTO @.unique_values(keyid, value, noteid) SELECT r.id, r.v, $3"
      " FROM unnest($1::bigint[], $2::bytea[]) AS r(id, v)"};
  return applyRowChanges(rowChanges(design_, old, now),
                         [&](bool add, std::size_t table, const std::vector<IndexRow>& rows) -> DossaStatus {
                           std::string ids, values;
                           rowArrays(table, rows, ids, values);
                           return run(add ? kAdd[table] : kDelete[table], Params()
                                                                              .array(std::move(ids), kInt8Array)
                                                                              .array(std::move(values), kByteaArray)
                                                                              .integer(id));
                         });
}

void PgEngine::rowArrays(std::size_t table, const std::vector<IndexRow>& rows, std::string& ids,
                         std::string& values) {
  static constexpr char kHex[] = "0123456789abcdef";
  ids = "{";
  values = "{";
  for (const IndexRow& row : rows) {
    if (ids.size() > 1) {
      ids += ',';
      values += ',';
    }
    ids += std::to_string(row.id);
    values += "\"\\\\x";  // quoted, backslash doubled: the element reads \x and hex digits
    for (unsigned char c : Design::comparable(table, row.value)) {
      values += kHex[c >> 4];
      values += kHex[c & 0xF];
    }
    values += '"';
  }
  ids += '}';
  values += '}';
}

DossaStatus PgEngine::save(DossaNoteId& id, const NoteItems& items) {
  if (DossaStatus s = state_.mayChange()) return s;
  std::string body = items.encode();
  Change change(*this);
  DossaStatus s = change.begin();
  if (s) return s;
  DossaNoteId saved = id;
  NoteItems old;
  if (id != 0) {
    if ((s = loadInTransaction(id, old))) return s;
    if ((s = run("UPDATE @.notes SET body = $2 WHERE noteid = $1", Params().integer(id).bytes(body)))) return s;
    if ((s = indexNote(saved, &old, &items))) return s;
  } else {
    // The document and all its rows in one statement: one round trip.
    const RowChanges rows = rowChanges(design_, nullptr, &items);
    Params params;
    params.bytes(body);
    for (std::size_t table = 0; table < Design::kIndexTables; ++table) {
      std::string ids, values;
      rowArrays(table, rows.added[table], ids, values);
      params.array(std::move(ids), kInt8Array).array(std::move(values), kByteaArray);
    }
    static const std::string kInsert =
        "WITH n AS (INSERT INTO @.notes(noteid, body) SELECT " + highestGivenIdSql("greatest", "@.notes", "@.info") +
        " + 1, $1 RETURNING noteid),"
        " k AS (INSERT INTO @.keys(itemid, value, noteid) SELECT r.id, r.v, n.noteid"
                 " FROM n, unnest($2::bigint[], $3::bytea[]) AS r(id, v) ON CONFLICT DO NOTHING),"
                 " e AS (INSERT INTO @.view_entries(viewid, key, noteid) SELECT r.id, r.v, n.noteid"
                 " FROM n, unnest($4::bigint[], $5::bytea[]) AS r(id, v) ON CONFLICT DO NOTHING),"
                 " u AS (INSERT INTO @.unique_values(keyid, value, noteid) SELECT r.id, r.v, n.noteid"
                 " FROM n, unnest($6::bigint[], $7::bytea[]) AS r(id, v))"
        " SELECT noteid FROM n";
    Result result;
    if ((s = run(kInsert.c_str(), params, &result))) return s;
    if ((s = takeNewId(PQntuples(result.get()) == 1 ? integerAt(result.get(), 0, 0) : 0, saved))) return s;
  }
  if ((s = change.commit())) return s;
  if (state_.inUnit()) unitBodies_[saved] = std::move(body);
  id = saved;
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::restore(DossaNoteId id, const NoteItems& items) {
  if (!validNoteId(id)) return DOSSA_ERR_INVALID_ARGUMENT;
  if (DossaStatus s = state_.mayChange()) return s;
  std::string body = items.encode();
  Change change(*this);
  DossaStatus s = change.begin();
  if (s) return s;
  // Only above every id given out, so that no id is ever given out twice.
  static const std::string kRestore = "INSERT INTO @.notes(noteid, body) SELECT $1, $2 WHERE $1 > " +
                                      highestGivenIdSql("greatest", "@.notes", "@.info") + " RETURNING noteid";
  Result result;
  if ((s = run(kRestore.c_str(), Params().integer(id).bytes(body), &result))) return s;
  if (PQntuples(result.get()) != 1) return DOSSA_ERR_INVALID_ARGUMENT;
  if ((s = indexNote(id, nullptr, &items))) return s;
  if ((s = change.commit())) return s;
  if (state_.inUnit()) unitBodies_[id] = std::move(body);
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::remove(DossaNoteId id) {
  if (!validNoteId(id)) return DOSSA_ERR_NOTE_NOT_FOUND;
  if (DossaStatus s = state_.mayChange()) return s;
  Change change(*this);
  DossaStatus s = change.begin();
  if (s) return s;
  NoteItems old;
  if ((s = loadInTransaction(id, old))) return s;
  if ((s = indexNote(id, &old, nullptr))) return s;
  if ((s = run("DELETE FROM @.notes WHERE noteid = $1", Params().integer(id)))) return s;
  if ((s = run("UPDATE @.info SET deletedmax = $1 WHERE id = 1 AND deletedmax < $1", Params().integer(id))))
    return s;
  if ((s = change.commit())) return s;
  unitBodies_.erase(id);
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::candidates(const Formula& formula, DossaNoteId after, std::size_t limit,
                                 std::vector<DossaNoteId>& ids, bool& exact) {
  ids.clear();
  std::vector<IndexedTerm> terms = design_.indexedTerms(formula, kMaxIndexedTerms, exact);
  if (terms.empty()) return DOSSA_ERR_FORMULA_NOT_INDEXED;
  // Drive the query by the first term (a name when the formula has one); the
  // other terms are looked up per driving row. No round trip is spent on
  // counting first.
  static const std::vector<std::string> kQueries = [] {
    std::vector<std::string> queries(kMaxIndexedTerms + 1);
    for (std::size_t n = 1; n <= kMaxIndexedTerms; ++n) {
      std::string& q = queries[n];
      q = "SELECT k0.noteid FROM @.keys k0 WHERE k0.itemid = $1 AND k0.value = $2 AND k0.noteid > $3";
      for (std::size_t j = 1; j < n; ++j) {
        const std::string k = "k" + std::to_string(j);
        // A scalar subquery (at most one row, by the primary key) is looked up
        // per driving row; an EXISTS would become a join over the whole term.
        q += " AND (SELECT " + k + ".noteid FROM @.keys " + k + " WHERE " + k + ".itemid = $" +
             std::to_string(2 * j + 2) + " AND " + k + ".value = $" + std::to_string(2 * j + 3) + " AND " + k +
             ".noteid = k0.noteid) IS NOT NULL";
      }
      q += " ORDER BY k0.noteid LIMIT $" + std::to_string(2 * n + 2);
    }
    return queries;
  }();
  Params params;
  params.integer(terms[0].first).bytes(foldCase(terms[0].second->value)).integer(after);
  for (std::size_t j = 1; j < terms.size(); ++j)
    params.integer(terms[j].first).bytes(foldCase(terms[j].second->value));
  params.integer(static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)));
  Result result;
  if (DossaStatus s = run(kQueries[terms.size()].c_str(), params, &result)) return s;
  collectIds(result.get(), ids);
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::listNotes(const char* form, DossaNoteId after, std::size_t limit,
                                std::vector<DossaNoteId>& ids) {
  ids.clear();
  const auto bound = static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX));
  Result result;
  DossaStatus s =
      form ? run("SELECT noteid FROM @.keys WHERE itemid = $3 AND value = $4 AND noteid > $1 ORDER BY noteid LIMIT $2",
                 Params().integer(after).integer(bound).integer(formIndexId_).bytes(foldCase(form)), &result)
           : run("SELECT noteid FROM @.notes WHERE noteid > $1 ORDER BY noteid LIMIT $2",
                 Params().integer(after).integer(bound), &result);
  if (s) return s;
  collectIds(result.get(), ids);
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::viewFind(std::uint32_t viewId, std::string_view key, DossaNoteId& first,
                               std::uint32_t& matches) {
  first = 0;
  matches = 0;
  Result result;
  DossaStatus s = run("SELECT count(*), min(noteid) FROM @.view_entries WHERE viewid = $1 AND key = $2",
                      Params().integer(viewId).bytes(foldCase(key)), &result);
  if (s) return s;
  return viewFound(integerAt(result.get(), 0, 0), integerAt(result.get(), 0, 1), first, matches);
}

DossaStatus PgEngine::viewRead(std::uint32_t viewId, DossaNoteId from, std::uint32_t skip,
                               std::uint32_t count, std::vector<DossaNoteId>& ids,
                               std::uint32_t& skipped, bool& more) {
  ids.clear();
  skipped = 0;
  more = false;
  // One entry beyond those wanted tells whether more remain.
  const std::int64_t wanted = static_cast<std::int64_t>(skip) + count + 1;
  Result result;
  DossaStatus s;
  if (from != 0) {
    Result key;
    if ((s = run("SELECT key FROM @.view_entries WHERE viewid = $1 AND noteid = $2",
                 Params().integer(viewId).integer(from), &key)))
      return s;
    if (PQntuples(key.get()) == 0) return DOSSA_ERR_POSITION_GONE;
    s = run("SELECT noteid FROM @.view_entries WHERE viewid = $1 AND (key, noteid) >= ($2, $3)"
            " ORDER BY key, noteid LIMIT $4",
            Params().integer(viewId).bytes(bytesAt(key.get(), 0, 0)).integer(from).integer(wanted), &result);
  } else {
    s = run("SELECT noteid FROM @.view_entries WHERE viewid = $1 ORDER BY key, noteid LIMIT $2",
            Params().integer(viewId).integer(wanted), &result);
  }
  if (s) return s;
  const int rows = PQntuples(result.get());
  for (int row = 0; row < rows; ++row)
    if (!takeViewEntry(static_cast<DossaNoteId>(integerAt(result.get(), row, 0)), skip, count, ids, skipped, more))
      break;
  return DOSSA_NOERROR;
}

DossaStatus PgEngine::check(std::string& problem) {
  problem.clear();
  // Every document decodes, and the index rows are exactly those its items call for.
  auto documents = [&](auto&& add) -> DossaStatus {
    Result result;
    if (DossaStatus st = run("SELECT noteid, body FROM @.notes ORDER BY noteid", Params(), &result)) return st;
    for (int row = 0; row < PQntuples(result.get()); ++row)
      if (DossaStatus st = add(static_cast<DossaNoteId>(integerAt(result.get(), row, 0)), bytesAt(result.get(), row, 1)))
        return st;
    return DOSSA_NOERROR;
  };
  auto rows = [&](RowCheck::Table table, auto&& add) -> DossaStatus {
    Result stored;
    if (DossaStatus st = run(kStoredRows[table], Params(), &stored)) return st;
    for (int row = 0; row < PQntuples(stored.get()); ++row)
      if (DossaStatus st = add(integerAt(stored.get(), row, 0), bytesAt(stored.get(), row, 1),
                               static_cast<DossaNoteId>(integerAt(stored.get(), row, 2))))
        return st;
    return DOSSA_NOERROR;
  };
  return RowCheck(design_).run(documents, rows, Design::kIndexTables, problem);
}

DossaStatus PgEngine::begin() {
  return state_.begin([&]() -> DossaStatus {
    savepointOpen_ = false;
    unitBodies_.clear();
    return beginLocked();
  });
}

DossaStatus PgEngine::commit() {
  return state_.commit([&]() -> DossaStatus {
    // A failed statement aborted the unit: COMMIT would only roll it back.
    if (DossaStatus s = session_.transactionState()) return s;
    DossaStatus s = session_.command("COMMIT");
    if (!s) {
      savepointOpen_ = false;
      unitBodies_.clear();
      session_.setInTransaction(false);
    }
    return s;
  });
}

DossaStatus PgEngine::abort() {
  return state_.abort([&]() -> DossaStatus {
    savepointOpen_ = false;
    unitBodies_.clear();
    session_.command("ROLLBACK");
    session_.setInTransaction(false);
    return DOSSA_NOERROR;
  });
}

DossaStatus PgEngine::beginSnapshot() {
  // Within a unit every other writer waits for the unit's lock: its reads see one moment already.
  return state_.beginSnapshot([&]() -> DossaStatus {
    // A repeatable-read transaction takes its snapshot at its first query: query at once.
    DossaStatus s = session_.command("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY; SELECT 1");
    if (s) {
      session_.command("ROLLBACK");
      return s;
    }
    session_.setInTransaction(true);
    return DOSSA_NOERROR;
  });
}

DossaStatus PgEngine::endSnapshot() {
  // A failed statement aborts the transaction, a lost connection ends it: the snapshot ends with that failure.
  return state_.endSnapshot([&] { return session_.finish(session_.transactionState()); });
}

const EngineDriver& pgEngineDriver() {
  static const PgDriver driver;
  return driver;
}

}  // namespace ndossa
