// The session's document-database branches, against fake stores registered
// in place of the real ones for the document-database type.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/return_codes.h"
#include "message/zo_message.h"
#include "session/zo_session.h"
#include "session/zo_store_factory.h"
#include "tests/session/session_fixture.h"

namespace {

// What a fake store does, per store kind; reset by each test.
struct Script {
  bool outOfMemory = false;
  ZO_ULONG constructorError = 0;
  ZO_ULONG openError = 0;  // with the system-error code: database code 4042 and a text
  bool messageReadSystemError = false;  // message reads fail with database code 4043
  int alive = 0;
};
Script databaseScript, securityScript;
std::vector<std::string> events;  // opens, closes and deletions of both stores, in order
ZO_LONG kindSeen = 0;
int argcSeen = -1;

// The behaviour both fakes share, on top of either interface.
template <typename Base, ZO_ULONG kSystemError>
class Fake : public Base {
 public:
  Fake(const ZoSession& session, Script& script, const char* what)
      : Base(session), script_(script), what_(what) {
    ++script_.alive;
    this->errorCode_ = script_.constructorError;
  }
  ~Fake() override {
    --script_.alive;
    events.push_back(what_ + " deleted");
  }
  ZO_BOOLEAN open(const ZoString& name, const ZoString& server) override {
    this->clearCodes();
    events.push_back(what_ + " open " + name.text() + " on <" + server.text() + ">");
    if (script_.openError == kSystemError) return this->failSystem(4042, "File does not exist");
    return this->fail(script_.openError);
  }
  ZO_BOOLEAN close() override {
    this->clearCodes();
    events.push_back(what_ + " close");
    return TRUE;
  }

 private:
  Script& script_;
  std::string what_;
};

class FakeDatabase : public Fake<ZoDatabase, ERR_DB_SYS_ERROR> {
 public:
  explicit FakeDatabase(const ZoStoreRequest& request) : Fake(request.session, databaseScript, "database") {
    kindSeen = request.kind;
    argcSeen = request.argc;
  }
  ZO_BOOLEAN read(ZoMessageDef&) override {
    clearCodes();
    if (databaseScript.messageReadSystemError) return failSystem(4043, "Disk error");
    return TRUE;
  }
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

class FakeSecurity : public Fake<ZoSecurity, ERR_SEC_SYS_ERROR> {
 public:
  explicit FakeSecurity(const ZoSession& session) : Fake(session, securityScript, "security") {}
  ZO_BOOLEAN read(ZoSecurityDef&) override { return TRUE; }
};

std::unique_ptr<ZoDatabase> newFakeDatabase(const ZoStoreRequest& request) {
  if (databaseScript.outOfMemory) return nullptr;
  return std::make_unique<FakeDatabase>(request);
}

std::unique_ptr<ZoSecurity> newFakeSecurity(const ZoStoreRequest& request) {
  if (securityScript.outOfMemory) return nullptr;
  return std::make_unique<FakeSecurity>(request.session);
}

char kProgram[] = "vexopxm";
char* kArgv[] = {kProgram, nullptr};

class DocumentStore : public SessionFixture {
 protected:
  void SetUp() override {
    databaseScript = Script();
    securityScript = Script();
    events.clear();
    real_ = zoRegisterStoreType({"KirraDossa", "Document", newFakeDatabase, newFakeSecurity, true});
  }
  void TearDown() override {
    zoRegisterStoreType(real_);
    EXPECT_EQ(databaseScript.alive, 0) << "every store the session made is deleted";
    EXPECT_EQ(securityScript.alive, 0);
  }
  ZoStoreType real_{};
  void definitionIni(const std::string& lines) {
    writeIni("[DefinitionDatabase]\nDatabaseType = KirraDossa\n" + lines);
  }
  void kindOneIni(const std::string& securityLines) {
    writeIni("[Base]\nCharacterSet = 850\nEncoding = Local\n[DefinitionDatabase]\n"
             "DatabaseType = KirraDossa\nDatabaseName = defs.kdb\nServerName = Local\n"
             "[SecurityDatabase]\nDatabaseType = kirradossa\nDatabaseName = sec.kdb\n" +
             securityLines);
  }
};

TEST_F(DocumentStore, ServerNameAndDatabaseName) {
  const struct {
    std::string lines;
    std::string opened;  // "" when the start fails
    ZO_ULONG code;
  } cases[] = {
      {"DatabaseName = d\nServerName = Local\n", "database open d on <>", 0},
      {"DatabaseName = d\nServerName = LOCAL\n", "database open d on <>", 0},
      {"DatabaseName = d\nServerName =\n", "database open d on <>", 0},
      {"DatabaseName = d\nServerName = Server7/Acme\n", "database open d on <Server7/Acme>", 0},
      {"DatabaseName = d\n", "", ERR_CONF_KEYWORD_NOT_FOUND},
      {"ServerName = Local\nDatabaseName = " + std::string(47, 'd') + "\n",
       "database open " + std::string(47, 'd') + " on <>", 0},
      {"ServerName = Local\nDatabaseName = " + std::string(48, 'd') + "\n", "",
       ERR_SESS_INVALID_DEFDB_NAME},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    events.clear();
    definitionIni(c.lines);
    ZoSession session(1, kArgv);
    EXPECT_EQ(session.getErrorCode(), c.code);
    std::string opened;
    for (const std::string& event : events) {
      if (event.rfind("database open", 0) == 0) opened = event;
    }
    EXPECT_EQ(opened, c.opened);
    EXPECT_EQ(session.getDefinitionDB() != nullptr, c.code == 0);
  }
  // The store is handed the session's arguments when it is created.
  EXPECT_EQ(kindSeen, ZoSession::KIND_WITH_ARGUMENTS);
  EXPECT_EQ(argcSeen, 1);
}

TEST_F(DocumentStore, DefinitionDatabaseFailures) {
  definitionIni("DatabaseName = d\nServerName = Local\n");
  const struct {
    Script script;
    ZO_ULONG code;
    ZO_LONG reason;
  } cases[] = {
      {{false, ERR_DB_SERVER_NOT_RESPONDING, 0, 0}, ERR_DB_SERVER_NOT_RESPONDING, 0},
      {{false, 0, ERR_DB_SYS_ERROR, 0}, ERR_DB_SYS_ERROR, 4042},
      {{false, 0, ERR_DB_DATABASE_UNKNOWN, 0}, ERR_DB_DATABASE_UNKNOWN, 0},
      {{true, 0, 0, 0}, ERR_SESS_NO_MEMORY, 0},
  };
  for (const auto& c : cases) {
    databaseScript = c.script;
    ZoSession session(1, kArgv);
    EXPECT_EQ(session.getErrorCode(), c.code);
    EXPECT_EQ(session.getReasonCode(), c.reason) << "reason codes come only with a system error";
    EXPECT_STREQ(session.getErrorText().text(), c.reason != 0 ? "File does not exist" : "");
    EXPECT_EQ(session.getDefinitionDB(), nullptr);
  }
}

TEST_F(DocumentStore, SecurityDatabaseForSessionsWithoutArguments) {
  kindOneIni("ServerName = Vault\n");
  {
    ZoSession session;
    ASSERT_EQ(session.getErrorCode(), 0u) << std::hex << session.getErrorCode();
    EXPECT_NE(session.getSecurityDB(), nullptr);
    EXPECT_EQ(events.back(), "security open sec.kdb on <Vault>");
    events.clear();
  }
  // Destruction closes the definition database before the security database.
  const std::vector<std::string> order = {"database close", "database deleted", "security close",
                                          "security deleted"};
  EXPECT_EQ(events, order);

  kindOneIni("");
  {
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), ERR_CONF_KEYWORD_NOT_FOUND) << "ServerName is required";
  }
  kindOneIni("ServerName = Vault\n");
  const struct {
    Script script;
    ZO_ULONG code;
    ZO_LONG reason;
  } cases[] = {
      {{false, 0, ERR_SEC_SYS_ERROR, 0}, ERR_SEC_SYS_ERROR, 4042},
      {{false, ERR_SEC_NO_MEMORY, 0, 0}, ERR_SEC_NO_MEMORY, 0},
      {{true, 0, 0, 0}, ERR_SESS_NO_MEMORY, 0},
  };
  for (const auto& c : cases) {
    securityScript = c.script;
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), c.code);
    EXPECT_EQ(session.getReasonCode(), c.reason);
    EXPECT_EQ(session.getDefinitionDB(), nullptr) << "a failed start holds nothing";
  }
}

}  // namespace

// A message whose definition read fails in the store itself leaves the
// store's code and text in the session's record of the last database failure.
TEST_F(DocumentStore, MessageReadSystemErrorIsRecordedInTheSession) {
  definitionIni("DatabaseName = d\nServerName = Local\n");
  ZoSession session(1, kArgv);
  ASSERT_EQ(session.getErrorCode(), 0u);
  databaseScript.messageReadSystemError = true;
  ZoMessage message("ORDHEAD", session);
  EXPECT_EQ(static_cast<ZO_ULONG>(message.getErrorCode()), ERR_DB_SYS_ERROR);
  EXPECT_EQ(session.getReasonCode(), 4043);
  EXPECT_STREQ(session.getErrorText().text(), "Disk error");
}
