// The security database on a real database: the current user's document for
// a system, exact keys, missing items and the states of the object.
#include <memory>
#include <string>

#include "common/return_codes.h"
#include "docstore/zo_dossa_security.h"
#include "session/zo_session.h"
#include "tests/docstore/docstore_test_util.h"
#include "tests/ndossa/engine_suite.h"

namespace {

using namespace docstoretest;

class DossaSecurityTest : public vexotest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    configure(dir_, kDefinitionIni);
    setenv("NDOSSA_USER", "CN=Jane Doe/O=Acme", 1);
    createDatabase(dir_.file("defs.ndb"));
    path_ = dir_.file("security.ndb");
    createDatabase(path_);
    session_ = std::make_unique<ZoSession>(1, argv_);
    ASSERT_EQ(session_->getErrorCode(), 0u);
    security_ = std::make_unique<ZoDossaSecurity>(*session_);
  }
  void TearDown() override {
    security_.reset();
    session_.reset();
    EXPECT_EQ(ZoRealDossaDatabase::initCount(), 0);
  }

  DossaNoteId secdef(const std::string& user, const std::string& system, const std::string& id,
                     const std::string& auth) {
    return put(path_, "Security", {text("secdef_dossaid", user), text("secdef_sysname", system),
                                   text("secdef_userid", id), text("secdef_auth", auth)});
  }

  char program_[8] = "vexopxm";
  char* argv_[2] = {program_, nullptr};
  TempDir dir_;
  std::string path_;
  std::unique_ptr<ZoSession> session_;
  std::unique_ptr<ZoDossaSecurity> security_;
};

TEST_P(DossaSecurityTest, ReadsTheCurrentUsersDefinitionForASystem) {
  secdef("Someone Else/Acme", "HOST", "OTHER", "x");
  secdef("Jane Doe/Acme", "HOST", "JDOE", "first");
  secdef("Jane Doe/Acme", "HOST", "JDOE2", "second");
  secdef("Jane Doe/Acme", "TEST", "JTEST", "t");
  ASSERT_TRUE(security_->open("security.ndb", ""));
  ZoSecurityDef host("HOST");
  ASSERT_TRUE(security_->read(host));
  EXPECT_EQ(host.getUserId(), "JDOE");  // the first in search order
  EXPECT_EQ(host.getAuthenticator(), "first");
  ZoSecurityDef test("TEST");
  ASSERT_TRUE(security_->read(test));
  EXPECT_EQ(test.getUserId(), "JTEST");

  ZoSecurityDef none("NONE");
  EXPECT_FALSE(security_->read(none));
  EXPECT_EQ(security_->getErrorCode(), ERR_SEC_DEFN_NOT_FOUND);
  EXPECT_EQ(none.getUserId(), "");
}

TEST_P(DossaSecurityTest, KeysDifferingInCaseAndMissingItemsFailTheRead) {
  secdef("jane doe/acme", "HOST", "JDOE", "pw");
  put(path_, "Security", {text("secdef_dossaid", "Jane Doe/Acme"), text("secdef_sysname", "NOAUTH"),
                          text("secdef_userid", "JDOE")});
  ASSERT_TRUE(security_->open("security.ndb", ""));
  ZoSecurityDef host("HOST");
  EXPECT_FALSE(security_->read(host));
  EXPECT_EQ(security_->getErrorCode(), ERR_RDBD_KEY_ITEM_MISMATCH);
  EXPECT_EQ(host.getAuthenticator(), "");
  ZoSecurityDef noauth("NOAUTH");
  EXPECT_FALSE(security_->read(noauth));
  EXPECT_EQ(security_->getErrorCode(), ERR_SEC_INCOMPATIBLE_DATABASE);
  EXPECT_EQ(noauth.getUserId(), "");
}

TEST_P(DossaSecurityTest, OpenAndCloseFollowTheStateOfTheObject) {
  ZoSecurityDef def("HOST");
  EXPECT_FALSE(security_->read(def));
  EXPECT_EQ(security_->getErrorCode(), ERR_SEC_DB_NOT_OPEN);
  EXPECT_FALSE(security_->close());
  EXPECT_EQ(security_->getErrorCode(), ERR_SEC_DB_NOT_OPEN);
  EXPECT_FALSE(security_->open("missing.ndb", ""));
  EXPECT_EQ(security_->getErrorCode(), ERR_SEC_DATABASE_UNKNOWN);
  EXPECT_FALSE(security_->open("security.ndb", "SERVER"));
  EXPECT_EQ(security_->getErrorCode(), ERR_SEC_DATABASE_UNKNOWN);
  if (localFiles()) {  // a foreign file
    std::ofstream(dir_.file("junk.ndb")) << "junk";
    EXPECT_FALSE(security_->open("junk.ndb", ""));
    EXPECT_EQ(security_->getErrorCode(), ERR_SEC_SYS_ERROR);
    EXPECT_NE(security_->getDbErrorCode(), 0);
    EXPECT_EQ(security_->getDbErrorText(), "");  // no open database to give the text
  }
  ASSERT_TRUE(security_->open("security.ndb", ""));
  EXPECT_EQ(security_->getDbErrorText(), "");
  EXPECT_FALSE(security_->open("security.ndb", ""));
  EXPECT_EQ(security_->getErrorCode(), ERR_SEC_DB_ALREADY_OPEN);
  EXPECT_TRUE(security_->close());
}

VEXO_ENGINE_SUITE(DossaSecurityTest);

}  // namespace
