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

INSTANTIATE_TEST_SUITE_P(Sqlite, SqliteEngineTest, ::testing::Values(std::string("sqlite")));

}  // namespace
}  // namespace dossatest
