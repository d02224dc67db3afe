// The server engine's own cases, against the private server of the test run
// (services of scripts/pg-cluster): how a server path fails, names of any
// characters, databases kept apart on one server, and damage a check finds.

#include <libpq-fe.h>

#include <string>

#include "tests/ndossa/dossa_test_util.h"

namespace dossatest {
namespace {

// The suite's fixture with the server engine; "vexotest" is the test server.
class PgEngineTest : public DossaTest {
 protected:
  // A database name on the test server no other test uses.
  std::string serverPath(const std::string& name) { return "vexotest!!" + dir_.path() + "/" + name; }
};

TEST_P(PgEngineTest, ServerPathsFailWithTheirOwnStatus) {
  const std::string unique = dir_.path() + "/x.ndb";
  struct Case {
    std::string path;
    DossaStatus status;
  };
  const Case cases[] = {
      {"vexotest!!" + unique, DOSSA_ERR_NO_SUCH_DATABASE},  // no such database on the server
      {"no-such-service!!defs.ndb", DOSSA_ERR_SERVER_UNKNOWN},
      {"vexodown!!defs.ndb", DOSSA_ERR_SERVER_NOT_RESPONDING},  // nothing listens there
      {"vexodenied!!defs.ndb", DOSSA_ERR_NO_ACCESS},            // the server refuses the user
      {"vexotest!!", DOSSA_ERR_NO_SUCH_DATABASE},
  };
  for (const Case& c : cases) {
    DossaDbHandle db = 0;
    EXPECT_EQ(DossaDbOpen(c.path.c_str(), &db), c.status) << c.path;
    EXPECT_EQ(db, 0u);
    if (c.status != DOSSA_ERR_NO_SUCH_DATABASE) {
      EXPECT_EQ(DossaDbCreate(c.path.c_str(), zodossa::zoDossaDesign()), c.status) << c.path;
    }
  }
  EXPECT_TRUE(DossaIsRefusal(DOSSA_ERR_NO_ACCESS));
  // Opening never makes the database; making it twice is refused.
  const std::string path = "vexotest!!" + unique;
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  EXPECT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_ERR_FILE_EXISTS);
  // A server name in a path goes to the server whatever engine is the default.
  ASSERT_EQ(DossaUseEngine("sqlite"), DOSSA_NOERROR);
  DossaDbHandle db = 0;
  ASSERT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_NOERROR);
  DossaDbClose(db);
  // Deleted, it is gone, and its name is free again.
  EXPECT_EQ(DossaDbDelete(path.c_str()), DOSSA_NOERROR);
  EXPECT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_ERR_NO_SUCH_DATABASE);
  EXPECT_EQ(DossaDbDelete(path.c_str()), DOSSA_ERR_NO_SUCH_DATABASE);
  EXPECT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
}

TEST_P(PgEngineTest, NamesOfAnyCharactersAreDatabasesOfTheirOwn) {
  const std::string names[] = {
      "defs.ndb", "DEFS.ndb", "it's \"quoted\"", "x'); DROP SCHEMA ndossa CASCADE; --",
      "d\xC3\xA9" "finitions.ndb", std::string(300, 'n'), "back\\slash;semi"};
  DossaDbClose(db_);
  db_ = 0;
  for (const std::string& name : names) {
    const std::string path = serverPath(name);
    ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR) << name;
    ASSERT_EQ(DossaDbOpen(path.c_str(), &db_), DOSSA_NOERROR) << name;
    // Each holds only its own document: the first of each gets id 1.
    EXPECT_EQ(put("Service", {{"svcdef_name", name}}), 1u) << name;
    DossaDbClose(db_);
    db_ = 0;
  }
  for (const std::string& name : names) {
    ASSERT_EQ(DossaDbOpen(serverPath(name).c_str(), &db_), DOSSA_NOERROR) << name;
    EXPECT_EQ(text(1, "svcdef_name"), name);
    std::vector<DossaNoteId> ids;
    ASSERT_EQ(DossaNoteList(db_, nullptr, 0, 10, ids), DOSSA_NOERROR);
    EXPECT_EQ(ids.size(), 1u) << name;
    DossaDbClose(db_);
    db_ = 0;
  }
}

TEST_P(PgEngineTest, CheckFindsDamageWrittenBehindTheLibrarysBack) {
  const DossaNoteId id = put("Service", {{"svcdef_name", "S1"}});
  ASSERT_NE(id, 0u);
  std::string problem;
  ASSERT_EQ(DossaDbCheck(db_, problem), DOSSA_NOERROR) << problem;

  PGconn* conn = PQconnectdb("service=vexotest");
  ASSERT_EQ(PQstatus(conn), CONNECTION_OK) << PQerrorMessage(conn);
  const std::string name = path_;
  const char* values[] = {name.c_str()};
  PGresult* found =
      PQexecParams(conn, "SELECT schemaname FROM ndossa.databases WHERE name = convert_to($1, 'UTF8')", 1, nullptr,
                   values, nullptr, nullptr, 0);
  ASSERT_EQ(PQntuples(found), 1);
  const std::string schema = "\"" + std::string(PQgetvalue(found, 0, 0)) + "\"";
  PQclear(found);
  const std::string damages[] = {
      "UPDATE " + schema + ".notes SET body = set_byte(body, length(body) - 1, get_byte(body, length(body) - 1) # 1)",
      "DELETE FROM " + schema + ".keys",
  };
  const char* expected[] = {"damaged documents", "the key index"};
  for (std::size_t i = 0; i < std::size(damages); ++i) {
    ASSERT_EQ(DossaDbCheck(db_, problem), DOSSA_NOERROR) << problem;
    PGresult* done = PQexec(conn, ("BEGIN;" + damages[i]).c_str());
    EXPECT_EQ(PQresultStatus(done), PGRES_COMMAND_OK) << PQerrorMessage(conn);
    PQclear(done);
    PQclear(PQexec(conn, "COMMIT"));
    EXPECT_EQ(DossaDbCheck(db_, problem), DOSSA_ERR_DATABASE_CORRUPT);
    EXPECT_NE(problem.find(expected[i]), std::string::npos) << problem;
    if (i == 0) PQclear(PQexec(conn, damages[0].c_str()));  // the bit flips back
  }
  PQfinish(conn);
}

INSTANTIATE_TEST_SUITE_P(Server, PgEngineTest, ::testing::Values(std::string("postgresql")));

}  // namespace
}  // namespace dossatest
