// The SQLite engine's own cases: files of other kinds, damage written into
// the file behind the library's back, and a writer held up by another
// connection's write lock.

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "tests/ndossa/dossa_test_util.h"
#include "tests/ndossa/durability_util.h"

namespace dossatest {
namespace {

// The suite's fixture, run with the SQLite engine only.
using SqliteEngineTest = DossaTest;

TEST_P(SqliteEngineTest, ForeignAndDamagedFilesAreRefusedClearly) {
  DossaDbHandle db = 0;
  std::string text = dir_.file("text.ndb");
  writeFile(text, std::string(4096, 'x'));
  EXPECT_EQ(DossaDbOpen(text.c_str(), &db), DOSSA_ERR_NOT_DATABASE);
  std::string empty = dir_.file("empty.ndb");
  writeFile(empty, "");
  EXPECT_EQ(DossaDbOpen(empty.c_str(), &db), DOSSA_ERR_NOT_DATABASE);
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);  // opening did not turn it into a database

  // A SQLite file of someone else's.
  std::string foreign = dir_.file("foreign.db");
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(foreign.c_str(), &raw), SQLITE_OK);
  sqlite3_exec(raw, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
  sqlite3_close(raw);
  EXPECT_EQ(DossaDbOpen(foreign.c_str(), &db), DOSSA_ERR_NOT_DATABASE);

  // Ours, but cut short: opening or reading reports the damage, nothing crashes.
  for (int i = 0; i < 300; ++i)
    ASSERT_NE(put("Field", {{"MessageName", "M" + std::to_string(i)}, {"Pad", std::string(500, 'p')}}), 0u);
  DossaDbClose(db_);
  db_ = 0;
  for (std::uintmax_t keep : {std::uintmax_t{50}, std::uintmax_t{4096 * 3}, std::uintmax_t{4096 * 40}}) {
    std::string cut = dir_.file("cut" + std::to_string(keep) + ".ndb");
    std::filesystem::copy_file(path_, cut);
    std::filesystem::resize_file(cut, keep);
    DossaStatus s = DossaDbOpen(cut.c_str(), &db);
    if (s == DOSSA_NOERROR) {
      std::string problem;
      EXPECT_EQ(DossaDbCheck(db, problem), DOSSA_ERR_DATABASE_CORRUPT) << keep;
      EXPECT_FALSE(problem.empty());
      DossaNoteHandle note = 0;
      for (DossaNoteId id = 1; id <= 300; ++id) {
        s = DossaNoteOpen(db, id, 0, &note);
        if (s == DOSSA_NOERROR) DossaNoteClose(note);
        EXPECT_TRUE(s == DOSSA_NOERROR || s == DOSSA_ERR_DATABASE_CORRUPT || s == DOSSA_ERR_NOTE_NOT_FOUND)
            << s;
      }
      DossaDbClose(db);
    } else {
      EXPECT_TRUE(s == DOSSA_ERR_NOT_DATABASE || s == DOSSA_ERR_DATABASE_CORRUPT) << keep << " " << s;
    }
  }
}

TEST_P(SqliteEngineTest, CheckFindsAStoredDocumentThatDoesNotDecode) {
  DossaNoteId id = put("Service", {{"svcdef_name", "S1"}});
  ASSERT_NE(id, 0u);
  std::string problem;
  EXPECT_EQ(DossaDbCheck(db_, problem), DOSSA_NOERROR) << problem;
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, "UPDATE dossa_notes SET body = x'01ffffffff'", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
  EXPECT_EQ(DossaDbCheck(db_, problem), DOSSA_ERR_DATABASE_CORRUPT);
  DossaNoteHandle note = 0;
  EXPECT_EQ(DossaNoteOpen(db_, id, 0, &note), DOSSA_ERR_DATABASE_CORRUPT);
  EXPECT_EQ(DossaNoteDelete(db_, id, 0), DOSSA_ERR_DATABASE_CORRUPT);
}

TEST_P(SqliteEngineTest, AWriterWaitsABoundedTimeThenGetsBusy) {
  TempDir dir;
  std::string path = dir.file("busy.ndb");
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  setenv("NDOSSA_WAIT_MS", "100", 1);
  DossaDbHandle db = 0;
  ASSERT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_NOERROR);
  unsetenv("NDOSSA_WAIT_MS");
  DossaNoteId first = 0;
  ASSERT_EQ(writeDocument(db, first, 0, "M"), DOSSA_NOERROR);

  // Another connection holds the write lock.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  DossaNoteId id = 0;
  EXPECT_EQ(writeDocument(db, id, 0, "M"), DOSSA_ERR_BUSY);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(DossaNoteDelete(db, first, 0), DOSSA_ERR_BUSY);
  // Readers are not held up by the writer.
  expectWhole(db, first, 0);
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(writeDocument(db, id, 0, "M"), DOSSA_NOERROR);
  EXPECT_EQ(DossaNoteDelete(db, first, 0), DOSSA_NOERROR);
  DossaDbClose(db);
  DossaTerm();
}

// The log is written a commit at a time: each commit must be in the file when
// it returns, for a connection that does not share the library's file layer,
// whatever its size (one document, a few, more than the writer holds back or
// caches); an abandoned unit leaves nothing, even when it was written out early.
TEST_P(SqliteEngineTest, EachCommitIsInTheFileWhenItReturns) {
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path_.c_str(), &other, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  auto stored = [&](std::string& lastBody) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(other, "SELECT count(*), sum(length(body)) FROM dossa_notes", -1, &stmt, nullptr);
    long long count = -1;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
      count = sqlite3_column_int64(stmt, 0);
      lastBody = std::to_string(sqlite3_column_int64(stmt, 1));
    }
    sqlite3_finalize(stmt);
    return count;
  };
  struct Unit {
    int documents;
    std::size_t pad;
    bool commit;
  };
  const Unit units[] = {{1, 10, true}, {30, 500, true}, {3, 60000, false}, {400, 8000, true}, {2, 100, true},
                        {600, 9000, false}, {1, 1, true}};
  long long expected = 0;
  std::string total, before;
  for (const Unit& unit : units) {
    stored(before);
    ASSERT_EQ(DossaDbBeginUnit(db_), DOSSA_NOERROR);
    for (int i = 0; i < unit.documents; ++i)
      ASSERT_NE(put("Field", {{"MessageName", "M" + std::to_string(expected + i)}, {"Pad", std::string(unit.pad, 'p')}}),
                0u);
    ASSERT_EQ(unit.commit ? DossaDbCommitUnit(db_) : DossaDbAbortUnit(db_), DOSSA_NOERROR);
    if (unit.commit) expected += unit.documents;
    EXPECT_EQ(stored(total), expected) << unit.documents;
    if (!unit.commit) {
      EXPECT_EQ(total, before);
    }
  }
  sqlite3_close(other);
  std::string problem;
  EXPECT_EQ(DossaDbCheck(db_, problem), DOSSA_NOERROR) << problem;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, SqliteEngineTest, ::testing::Values(std::string("sqlite")));

}  // namespace
}  // namespace dossatest
