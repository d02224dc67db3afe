// Baseline of the import benchmark: the documents an import of generated maps
// writes (per map its message, its field documents and its built message,
// with the same items)
// written straight into SQLite, one transaction per document, with the
// document database's journal settings. Prints the wall and processor seconds taken.
//
// usage: docstore_sqlite_baseline MAPS FIELDS DBFILE

#include <sqlite3.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/baseline_documents.h"

namespace {
using vexobench::cpuSeconds;
using vexobench::forEachBaselineDocument;

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: docstore_sqlite_baseline MAPS FIELDS DBFILE\n");
    return 1;
  }
  const int maps = std::atoi(argv[1]);
  const int fields = std::atoi(argv[2]);
  sqlite3* db = nullptr;
  if (sqlite3_open(argv[3], &db) != SQLITE_OK) return 1;
  bool ok = exec(db, "PRAGMA journal_mode=WAL") && exec(db, "PRAGMA synchronous=NORMAL") &&
            exec(db, "CREATE TABLE docs(id INTEGER PRIMARY KEY, form TEXT NOT NULL, key1 TEXT NOT NULL,"
                     " key2 TEXT NOT NULL, body BLOB NOT NULL)") &&
            exec(db, "CREATE UNIQUE INDEX docs_keys ON docs(form, key1, key2)");
  sqlite3_stmt* insert = nullptr;
  ok = ok && sqlite3_prepare_v2(db, "INSERT INTO docs(form, key1, key2, body) VALUES(?1, ?2, ?3, ?4)", -1,
                                &insert, nullptr) == SQLITE_OK;
  auto write = [&](const char* form, const std::string& key1, const std::string& key2, const std::string& body) {
    ok = ok && exec(db, "BEGIN");
    sqlite3_bind_text(insert, 1, form, -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 2, key1.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, key2.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_blob(insert, 4, body.data(), static_cast<int>(body.size()), SQLITE_TRANSIENT);
    ok = ok && sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_reset(insert);
    ok = ok && exec(db, "COMMIT");
  };

  auto start = std::chrono::steady_clock::now();
  double cpuStart = cpuSeconds();
  forEachBaselineDocument(maps, fields, [&](const char* form, const std::string& key1, const std::string& key2,
                                            const std::string& body) {
    write(form, key1, key2, body);
    return ok;
  });
  double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = cpuSeconds() - cpuStart;
  sqlite3_finalize(insert);
  sqlite3_close(db);
  if (!ok) return 1;
  std::printf("%.6f %.6f\n", took, cpu);
  return 0;
}
