// The session's document-database branches, against fake stores. This binary
// defines the two store factory functions itself, so the linker takes these
// instead of the library's.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/return_codes.h"
#include "session/zo_session.h"
#include "session/zo_store_factory.h"
#include "tests/session/session_fixture.h"

namespace {

// What the fakes do and what they saw, reset by each test.
struct Script {
  bool outOfMemory = false;
  ZO_ULONG constructorError = 0;
  ZO_ULONG openError = 0;
  ZO_LONG openDbCode = 0;
  std::string openDbText;
  std::vector<std::string> events;
  int alive = 0;
  ZO_LONG kindSeen = 0;
  int argcSeen = -1;
};
Script databaseScript;
Script securityScript;

class FakeDatabase : public ZoDatabase {
 public:
  explicit FakeDatabase(const ZoSession& session) : ZoDatabase(session) {
    ++databaseScript.alive;
    char** argv = nullptr;
    databaseScript.kindSeen = session.getArguments(databaseScript.argcSeen, argv);
    errorCode_ = databaseScript.constructorError;
  }
  ~FakeDatabase() override {
    --databaseScript.alive;
    databaseScript.events.push_back("database deleted");
  }
  ZO_BOOLEAN open(const ZoString& name, const ZoString& server) override {
    clearCodes();
    databaseScript.events.push_back(std::string("database open ") + name.text() + " on <" +
                                    server.text() + ">");
    if (databaseScript.openError == ERR_DB_SYS_ERROR) {
      return failSystem(databaseScript.openDbCode, databaseScript.openDbText.c_str());
    }
    return fail(databaseScript.openError);
  }
  ZO_BOOLEAN close() override {
    clearCodes();
    databaseScript.events.push_back("database close");
    return TRUE;
  }
  ZO_BOOLEAN read(ZoMessageDef&) override { return TRUE; }
  ZO_BOOLEAN read(ZoServiceDef&) override { return TRUE; }
  ZO_BOOLEAN read(ZoFieldDef&) override { return TRUE; }
  ZO_BOOLEAN write(ZoMessageDef&, ZO_BOOLEAN) override { return TRUE; }
  ZO_BOOLEAN write(ZoServiceDef&, ZO_BOOLEAN) override { return TRUE; }
  ZO_BOOLEAN write(ZoFieldDef&, ZO_BOOLEAN) override { return TRUE; }
  ZO_BOOLEAN deleteSvc(const ZoString&) override { return TRUE; }
  ZO_BOOLEAN deleteMsg(const ZoString&) override { return TRUE; }
  ZO_BOOLEAN deleteMsgFlds(const ZoString&) override { return TRUE; }
  ZO_BOOLEAN deleteBuiltMsg(const ZoString&) override { return TRUE; }
};

class FakeSecurity : public ZoSecurity {
 public:
  explicit FakeSecurity(const ZoSession& session) : ZoSecurity(session) {
    ++securityScript.alive;
    errorCode_ = securityScript.constructorError;
  }
  ~FakeSecurity() override {
    --securityScript.alive;
    securityScript.events.push_back("security deleted");
  }
  ZO_BOOLEAN open(const ZoString& name, const ZoString& server) override {
    clearCodes();
    databaseScript.events.push_back(std::string("security open ") + name.text() + " on <" +
                                    server.text() + ">");
    if (securityScript.openError == ERR_SEC_SYS_ERROR) {
      return failSystem(securityScript.openDbCode, securityScript.openDbText.c_str());
    }
    return fail(securityScript.openError);
  }
  ZO_BOOLEAN close() override {
    clearCodes();
    databaseScript.events.push_back("security close");
    return TRUE;
  }
  ZO_BOOLEAN read(ZoSecurityDef&) override { return TRUE; }
};

}  // namespace

std::unique_ptr<ZoDatabase> zoNewDossaDatabase(const ZoSession& session, ZO_ULONG& failure) {
  if (databaseScript.outOfMemory) {
    failure = ERR_SESS_NO_MEMORY;
    return nullptr;
  }
  return std::make_unique<FakeDatabase>(session);
}

std::unique_ptr<ZoSecurity> zoNewDossaSecurity(const ZoSession& session, ZO_ULONG& failure) {
  if (securityScript.outOfMemory) {
    failure = ERR_SESS_NO_MEMORY;
    return nullptr;
  }
  return std::make_unique<FakeSecurity>(session);
}

namespace {

char kProgram[] = "vexopxm";
char* kArgv[] = {kProgram, nullptr};

class DocumentStore : public SessionFixture {
 protected:
  void SetUp() override {
    databaseScript = Script();
    securityScript = Script();
  }
  void TearDown() override {
    EXPECT_EQ(databaseScript.alive, 0) << "every store the session made is deleted";
    EXPECT_EQ(securityScript.alive, 0);
  }
  static std::string definitionSection(const std::string& extra) {
    return "[DefinitionDatabase]\nDatabaseType = KirraDossa\nDatabaseName = defs.kdb\n" + extra;
  }
  static std::string kindOneIni(const std::string& securityExtra) {
    return "[Base]\nCharacterSet = 850\nEncoding = Local\n" +
           definitionSection("ServerName = Local\n") +
           "[SecurityDatabase]\nDatabaseType = kirradossa\nDatabaseName = sec.kdb\n" +
           securityExtra;
  }
};

TEST_F(DocumentStore, ServerNameRules) {
  const struct {
    const char* line;
    const char* server;
  } cases[] = {
      {"ServerName = Local\n", ""},
      {"ServerName = LOCAL\n", ""},
      {"ServerName =\n", ""},
      {"ServerName = Server7/Acme\n", "Server7/Acme"},
  };
  for (const auto& c : cases) {
    databaseScript.events.clear();
    writeIni(definitionSection(c.line));
    {
      ZoSession session(1, kArgv);
      EXPECT_EQ(session.getErrorCode(), 0u) << c.line;
      ASSERT_FALSE(databaseScript.events.empty());
      EXPECT_EQ(databaseScript.events.front(), "database open defs.kdb on <" +
                                                   std::string(c.server) + ">");
    }
  }
  // Without ServerName a document database cannot start.
  writeIni(definitionSection(""));
  ZoSession session(1, kArgv);
  EXPECT_EQ(session.getErrorCode(), ERR_CONF_KEYWORD_NOT_FOUND);
  EXPECT_EQ(session.getDefinitionDB(), nullptr);
}

TEST_F(DocumentStore, TheStoreSeesTheSessionArguments) {
  writeIni(definitionSection("ServerName = Local\n"));
  ZoSession session(1, kArgv);
  EXPECT_EQ(databaseScript.kindSeen, ZoSession::KIND_WITH_ARGUMENTS);
  EXPECT_EQ(databaseScript.argcSeen, 1);
}

TEST_F(DocumentStore, NameOfFortySevenCharactersIsTheLongestAccepted) {
  const std::string name47(47, 'd');
  writeIni("[DefinitionDatabase]\nDatabaseType = KirraDossa\nServerName = Local\nDatabaseName = " +
           name47 + "\n");
  {
    ZoSession session(1, kArgv);
    EXPECT_EQ(session.getErrorCode(), 0u);
    EXPECT_STREQ(session.getDefinitionDBName().text(), name47.c_str());
  }
  writeIni("[DefinitionDatabase]\nDatabaseType = KirraDossa\nServerName = Local\nDatabaseName = " +
           name47 + "x\n");
  ZoSession session(1, kArgv);
  EXPECT_EQ(session.getErrorCode(), ERR_SESS_INVALID_DEFDB_NAME);
  EXPECT_EQ(session.getPublicReturnCode(), ZORC_INVALID_DB_NAME);
}

TEST_F(DocumentStore, DefinitionDatabaseFailures) {
  writeIni(definitionSection("ServerName = Local\n"));
  databaseScript.constructorError = ERR_DB_SERVER_NOT_RESPONDING;
  {
    ZoSession session(1, kArgv);
    EXPECT_EQ(session.getErrorCode(), ERR_DB_SERVER_NOT_RESPONDING);
    EXPECT_EQ(session.getDefinitionDB(), nullptr);
  }
  databaseScript = Script();
  databaseScript.openError = ERR_DB_SYS_ERROR;
  databaseScript.openDbCode = 4042;
  databaseScript.openDbText = "File does not exist";
  {
    ZoSession session(1, kArgv);
    EXPECT_EQ(session.getErrorCode(), ERR_DB_SYS_ERROR);
    EXPECT_EQ(session.getReasonCode(), 4042);
    EXPECT_STREQ(session.getErrorText().text(), "File does not exist");
  }
  databaseScript = Script();
  databaseScript.openError = ERR_DB_DATABASE_UNKNOWN;
  {
    ZoSession session(1, kArgv);
    EXPECT_EQ(session.getErrorCode(), ERR_DB_DATABASE_UNKNOWN);
    EXPECT_EQ(session.getReasonCode(), 0) << "reason codes come only with a system error";
  }
  databaseScript = Script();
  databaseScript.outOfMemory = true;
  ZoSession session(1, kArgv);
  EXPECT_EQ(session.getErrorCode(), ERR_SESS_NO_MEMORY);
}

TEST_F(DocumentStore, SecurityDatabaseIsOpenedForSessionsWithoutArguments) {
  writeIni(kindOneIni("ServerName = Vault\n"));
  {
    ZoSession session;
    ASSERT_EQ(session.getErrorCode(), 0u) << std::hex << session.getErrorCode();
    EXPECT_NE(session.getSecurityDB(), nullptr);
    EXPECT_STREQ(session.getSecurityDBName().text(), "sec.kdb");
    databaseScript.events.clear();
    securityScript.events.clear();
  }
  // Destruction closes the definition database before the security database.
  const std::vector<std::string> expected = {"database close", "database deleted",
                                             "security close"};
  EXPECT_EQ(databaseScript.events, expected);
  EXPECT_EQ(securityScript.events, std::vector<std::string>{"security deleted"});

  writeIni(kindOneIni(""));
  {
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), ERR_CONF_KEYWORD_NOT_FOUND) << "ServerName is required";
  }
  writeIni(kindOneIni("ServerName = Vault\n"));
  securityScript.openError = ERR_SEC_SYS_ERROR;
  securityScript.openDbCode = 77;
  securityScript.openDbText = "Server not responding";
  {
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), ERR_SEC_SYS_ERROR);
    EXPECT_EQ(session.getReasonCode(), 77);
    EXPECT_STREQ(session.getErrorText().text(), "Server not responding");
    EXPECT_EQ(session.getDefinitionDB(), nullptr) << "a failed start holds nothing";
  }
  securityScript = Script();
  securityScript.constructorError = ERR_SEC_NO_MEMORY;
  {
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), ERR_SEC_NO_MEMORY);
  }
  securityScript = Script();
  securityScript.outOfMemory = true;
  ZoSession session;
  EXPECT_EQ(session.getErrorCode(), ERR_SESS_NO_MEMORY);
}

}  // namespace
