#include "session/zo_session.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>

#include "common/return_codes.h"
#include "common/sysutil.h"
#include "defs/zo_data_types.h"
#include "platform/platform.h"
#include "tests/defs/trace_capture.h"
#include "tests/session/session_fixture.h"

namespace {

char kProgram[] = "vexopxm";
char kArgument[] = "maps.pxm";
char* kArgv[] = {kProgram, kArgument, nullptr};

// A session that could not start keeps its code and holds nothing.
void expectFailed(const ZoSession& session, ZO_ULONG code) {
  EXPECT_EQ(session.getErrorCode(), code) << std::hex << session.getErrorCode();
  EXPECT_EQ(session.getConfig(), nullptr);
  EXPECT_EQ(session.getDefinitionDB(), nullptr);
  EXPECT_EQ(session.getSecurityDB(), nullptr);
  EXPECT_EQ(session.getCompletionCode(), 2u);
  EXPECT_NE(session.getPublicReturnCode(), 0);
}

class Session : public SessionFixture {
 protected:
  void SetUp() override { writeTextDb("defs.txt", "[F]\nDataType = LONG\n"); }
};

TEST_F(Session, ConfigurationFileIsFoundThroughTheEnvironment) {
  TraceCapture trace;
  ::unsetenv("VEXO_INI_PATH");
  {
    ZoSession session(2, kArgv);
    expectFailed(session, ERR_SESS_INI_OPEN_ERROR);
    EXPECT_EQ(session.getPublicReturnCode(), ZORC_INI_OPEN_ERROR);
    EXPECT_EQ(trace.count("Environment variable VEXO_INI_PATH NOT set"), 1);
  }
  // Set but empty is not set: the current directory's vexo.ini is not read.
  writeIni(textDbSection("defs.txt"));
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(scratch_.dir());
  ::setenv("VEXO_INI_PATH", "", 1);
  {
    trace.clear();
    ZoSession session(2, kArgv);
    expectFailed(session, ERR_SESS_INI_OPEN_ERROR);
    EXPECT_EQ(trace.count("Environment variable VEXO_INI_PATH NOT set"), 1);
  }
  std::filesystem::current_path(before);
  std::filesystem::remove(scratch_.dir() + "/vexo.ini");
  ::setenv("VEXO_INI_PATH", scratch_.dir().c_str(), 1);
  {
    ZoSession session(2, kArgv);  // the directory has no vexo.ini
    expectFailed(session, ERR_CONF_FILE_OPEN_ERROR);
    EXPECT_EQ(session.getPublicReturnCode(), ZORC_INI_OPEN_ERROR);
  }
  writeIni(textDbSection("defs.txt"));
  const std::string separator(1, platformDirSeparator());
  for (const std::string& dir : {scratch_.dir(), scratch_.dir() + separator}) {
    ::setenv("VEXO_INI_PATH", dir.c_str(), 1);
    trace.clear();
    ZoSession session(2, kArgv);
    EXPECT_EQ(session.getErrorCode(), 0u) << dir;
    EXPECT_EQ(trace.count("VEXO.INI file path = " + scratch_.dir() + separator + "vexo.ini"), 1)
        << "no second separator";
  }
  // On Linux a backslash is part of a name: "dir\\" names the directory "dir\\".
  const std::string backslashed = scratch_.dir() + "/sub\\";
  std::filesystem::create_directory(backslashed);
  std::ofstream(backslashed + "/vexo.ini") << textDbSection("defs.txt");
  ::setenv("VEXO_INI_PATH", backslashed.c_str(), 1);
  ZoSession session(2, kArgv);
  EXPECT_EQ(session.getErrorCode(), 0u) << std::hex << session.getErrorCode();
}

TEST_F(Session, ImportSessionReadsDefinitionsFromTheTextDatabase) {
  std::ifstream example(std::string(std::getenv("VEXO_SOURCE_DIR")) + "/examples/textdb/orders.txt");
  std::stringstream content;
  content << example.rdbuf();
  writeTextDb("orders.txt", content.str());
  // No Base and no SecurityDatabase section: a session with arguments never reads them.
  writeIni("# definitions for the import\n" + textDbSection("orders.txt"));
  ZoSession session(2, kArgv);
  ASSERT_EQ(session.getErrorCode(), 0u) << std::hex << session.getErrorCode();
  EXPECT_EQ(session.getPublicReturnCode(), 0);
  EXPECT_EQ(session.getSecurityDB(), nullptr);
  EXPECT_EQ(session.getEncoding(), 0);
  int argc = 0;
  char** argv = nullptr;
  EXPECT_EQ(session.getArguments(argc, argv), ZoSession::KIND_WITH_ARGUMENTS);
  EXPECT_EQ(argc, 2);
  EXPECT_EQ(argv, kArgv) << "the vector is referred to, not copied";

  ZoDatabase* db = session.getDefinitionDB();
  ASSERT_NE(db, nullptr);
  ZoMessageDef message("ORDERMSG");
  EXPECT_TRUE(db->read(message));
  EXPECT_EQ(message.getFieldCount(), 3);
  ZoFieldDef field("CUSTNO");
  EXPECT_TRUE(db->read(field));
  EXPECT_EQ(field.getLength(), 8);
  ZoServiceDef service("ORDERSVC");
  EXPECT_TRUE(db->read(service));
  EXPECT_EQ(service.getServiceType(), ZOST_KOVA_XPC_DIRECT);
}

TEST_F(Session, DefinitionDatabaseConfigurationErrors) {
  const std::string path = scratch_.dir() + "/defs.txt";
  const struct {
    std::string ini;
    ZO_ULONG code;
  } cases[] = {
      {"[Base]\nEncoding = WIN\n", ERR_CONF_SECTION_NOT_FOUND},
      {"[DefinitionDatabase]\nDatabaseType = Txet\n", ERR_CONF_KEYWORD_NOT_FOUND},
      {"[DefinitionDatabase]\nDatabaseName =\nDatabaseType = Txet\n", ERR_CONF_VALUE_NOT_SPECIFIED},
      {"[DefinitionDatabase]\nDatabaseName = " + std::string(48, 'n') + "\nDatabaseType = Txet\n",
       ERR_SESS_INVALID_DEFDB_NAME},
      {"[DefinitionDatabase]\nDatabaseName = " + path + "\n", ERR_CONF_KEYWORD_NOT_FOUND},
      {"[DefinitionDatabase]\nDatabaseName = " + path + "\nDatabaseType = Text\n",
       ERR_SESS_INVALID_DBTYPE},
      {"[DefinitionDatabase]\nDatabaseName = " + path + "\nDatabaseType = sql\n",
       ERR_SESS_INVALID_DBTYPE},
      {"[DefinitionDatabase]\nDatabaseName = " + path + "none\nDatabaseType = Txet\n",
       ERR_DB_OPEN_DB_FAILED},
      // A 100 KB name is read as its first piece, which is still too long.
      {"[DefinitionDatabase]\nDatabaseType = Txet\nDatabaseName = " + std::string(100000, 'n'),
       ERR_SESS_INVALID_DEFDB_NAME},
      // A NUL byte ends the text of its line.
      {"[DefinitionDatabase]\nDatabaseName = x\nDatabaseType = Tx" + std::string(1, '\0') + "et\n",
       ERR_SESS_INVALID_DBTYPE},
  };
  for (const auto& c : cases) {
    writeIni(c.ini);
    ZoSession session(2, kArgv);
    SCOPED_TRACE(c.ini.substr(0, 120));
    expectFailed(session, c.code);
    EXPECT_EQ(session.getReasonCode(), 0);
    EXPECT_STREQ(session.getErrorText().text(), "");
  }
  // The type is matched without regard to case, and 10,000 sections before it do no harm.
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "[Section" + std::to_string(i) + "]\nKey = v\n";
  writeIni(many + "[DefinitionDatabase]\nDatabaseName = " + path + "\nDatabaseType = tXeT\n");
  ZoSession session(2, kArgv);
  EXPECT_EQ(session.getErrorCode(), 0u);

  std::mt19937 random(42u);
  std::string bytes(16384, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  writeIni(bytes);
  ZoSession noise;
  EXPECT_NE(noise.getErrorCode(), 0u);
  EXPECT_EQ(noise.getConfig(), nullptr);
}

// Sessions without arguments also read Base and SecurityDatabase.
class KindOne : public Session {
 protected:
  void ini(const std::string& base,
           const std::string& security = "[SecurityDatabase]\nDatabaseType = None\n") {
    writeIni("[Base]\n" + base + textDbSection("defs.txt") + security);
  }
};

TEST_F(KindOne, CharacterSetIsLocalOrANumber) {
  ini("CharacterSet = local\nEncoding = WIN\n");
  {
    ZoSession session;
    ASSERT_EQ(session.getErrorCode(), 0u) << std::hex << session.getErrorCode();
    EXPECT_EQ(session.getCharacterSet(), ObtainSystemCp());
    int argc = -1;
    char** argv = kArgv;
    EXPECT_EQ(session.getArguments(argc, argv), ZoSession::KIND_WITHOUT_ARGUMENTS);
    EXPECT_EQ(argc, 0);
    EXPECT_EQ(argv, nullptr);
  }
  // A number is taken by its value, whatever zeros lead it.
  for (const auto& [line, value] : {std::pair{"500", 500}, {"00000000437", 437},
                                   {"0000002147483647", 2147483647}, {"000", 0}}) {
    ini(std::string("CharacterSet = ") + line + "\nEncoding = WIN\n");
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), 0u) << line;
    EXPECT_EQ(session.getCharacterSet(), value) << line;
  }
  const struct {
    const char* line;
    ZO_ULONG code;
  } bad[] = {
      {"CharacterSet = 12a\n", ERR_SESS_INVALID_CHARACTER_SET},
      {"CharacterSet = -5\n", ERR_SESS_INVALID_CHARACTER_SET},
      {"CharacterSet = 2147483648\n", ERR_SESS_INVALID_CHARACTER_SET},
      {"CharacterSet = 0002147483648\n", ERR_SESS_INVALID_CHARACTER_SET},
      {"CharacterSet = 99999999999\n", ERR_SESS_INVALID_CHARACTER_SET},
      {"CharacterSet =\n", ERR_CONF_VALUE_NOT_SPECIFIED},
      {"", ERR_CONF_KEYWORD_NOT_FOUND},
  };
  for (const auto& b : bad) {
    ini(std::string(b.line) + "Encoding = WIN\n");
    ZoSession session;
    SCOPED_TRACE(b.line);
    expectFailed(session, b.code);
  }
}

TEST_F(KindOne, EncodingNamesTheByteOrderOfThePlatform) {
  const struct {
    const char* name;
    ZO_LONG encoding;
  } names[] = {
      {"Local", 546},       {"Orvix", 546},  {"Windows 95", 546},  {"Windows NT", 546},
      {"HP-UX", 273},       {"Quarn", 273},  {"WIN", 546},         {"Windows 3.1", 546},
      {"Sun Solaris", 273}, {"sun os", 273}, {"WINDOWS nt  ", 546},
  };
  for (const auto& n : names) {
    ini("CharacterSet = 850\nEncoding = " + std::string(n.name) + "\n");
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), 0u) << n.name;
    EXPECT_EQ(session.getEncoding(), n.encoding) << n.name;
  }
  for (const char* bad : {"Zentra", "WindowsNT", "Mac", "546"}) {
    ini("CharacterSet = 850\nEncoding = " + std::string(bad) + "\n");
    ZoSession session;
    SCOPED_TRACE(bad);
    expectFailed(session, ERR_SESS_INVALID_ENCODING);
  }
  ini("CharacterSet = 850\n");
  ZoSession session;
  expectFailed(session, ERR_CONF_KEYWORD_NOT_FOUND);
  EXPECT_EQ(session.getEncoding(), ZoSession::ENCODING_UNSET);
}

TEST_F(KindOne, SecurityDatabaseConfiguration) {
  const std::string base = "CharacterSet = 850\nEncoding = HP-UX\n";
  ini(base);
  {
    ZoSession session;
    EXPECT_EQ(session.getErrorCode(), 0u);
    EXPECT_EQ(session.getSecurityDB(), nullptr) << "None: no security database";
  }
  const std::string section = "[SecurityDatabase]\n";
  const struct {
    std::string lines;
    ZO_ULONG code;
  } cases[] = {
      {"DatabaseName = sec\n", ERR_CONF_KEYWORD_NOT_FOUND},
      {"DatabaseType = Txet\n", ERR_CONF_KEYWORD_NOT_FOUND},  // the name is read first
      {"DatabaseType = Txet\nDatabaseName = sec\n", ERR_SESS_INVALID_DBTYPE},
      {"DatabaseType = SQL\nDatabaseName = sec\n", ERR_SESS_INVALID_DBTYPE},
      {"DatabaseType = Other\nDatabaseName = sec\n", ERR_SESS_INVALID_DBTYPE},
      {"DatabaseType = KirraDossa\nDatabaseName = " + std::string(48, 's') + "\n",
       ERR_SESS_INVALID_SECDB_NAME},
  };
  for (const auto& c : cases) {
    ini(base, section + c.lines);
    ZoSession session;
    SCOPED_TRACE(c.lines);
    expectFailed(session, c.code);
  }
  ini(base, "");
  ZoSession session;
  expectFailed(session, ERR_CONF_SECTION_NOT_FOUND);
}

TEST_F(Session, RestartRereadsTheConfigurationAndKeepsTheLists) {
  writeTextDb("two.txt", "[F]\nDataType = SHORT\n");
  writeIni(textDbSection("defs.txt"));
  ZoSession session(2, kArgv);
  ASSERT_EQ(session.getErrorCode(), 0u);
  int message = 0;
  ZoMessage* reference = reinterpret_cast<ZoMessage*>(&message);
  EXPECT_EQ(session.addMessage(reference), 1);

  writeIni(textDbSection("two.txt"));
  EXPECT_TRUE(session.restartSession());
  ZoFieldDef field("F");
  ASSERT_NE(session.getDefinitionDB(), nullptr);
  ASSERT_TRUE(session.getDefinitionDB()->read(field));
  EXPECT_EQ(field.getDataType(), ZODT_SHORT);

  // A directory without a configuration file (the session holds its own file
  // open, which Windows would not let a test delete).
  const std::filesystem::path empty = scratch_.path() / "empty";
  std::filesystem::create_directory(empty);
  ::setenv("VEXO_INI_PATH", empty.string().c_str(), 1);
  EXPECT_FALSE(session.restartSession());
  expectFailed(session, ERR_CONF_FILE_OPEN_ERROR);
  EXPECT_EQ(session.messages().count(), 1) << "a restart leaves the lists alone";
  // Steps called on a failed session report instead of crashing.
  EXPECT_FALSE(session.createDefinitionDB());
  EXPECT_FALSE(session.createSecurityDB());
  EXPECT_FALSE(session.setEncoding());
  EXPECT_EQ(session.getEncoding(), ZoSession::ENCODING_UNSET);

  ::setenv("VEXO_INI_PATH", scratch_.dir().c_str(), 1);
  EXPECT_TRUE(session.restartSession()) << "a failed session can be restarted";
  EXPECT_EQ(session.getPublicReturnCode(), 0);
}

TEST_F(Session, ReferenceListsRecordAddressesOnly) {
  ::unsetenv("VEXO_INI_PATH");
  ZoSession session(2, kArgv);  // the lists work whether or not the session started
  int objects[4] = {};
  auto* service = reinterpret_cast<ZoService*>(&objects[0]);
  auto* message = reinterpret_cast<ZoMessage*>(&objects[1]);
  auto* send = reinterpret_cast<ZoSendOptions*>(&objects[2]);
  auto* receive = reinterpret_cast<ZoReceiveOptions*>(&objects[3]);
  TraceCapture trace;

  EXPECT_EQ(session.addService(service), 1);
  EXPECT_EQ(session.addService(service), 1);
  EXPECT_EQ(session.addMessage(message), 1);
  EXPECT_EQ(session.addSendOptions(send), 1);
  EXPECT_EQ(session.addReceiveOptions(receive), 1);
  EXPECT_EQ(session.services().count(), 2);
  EXPECT_EQ(session.messages().getAt(0), message);
  EXPECT_EQ(session.sendOptions().getAt(0), send);
  EXPECT_EQ(session.receiveOptions().getAt(0), receive);
  char line[80];
  std::snprintf(line, sizeof line, ">>> Adding ZoMessage reference at 0x%" PRIxPTR " >>>",
                reinterpret_cast<std::uintptr_t>(message));
  EXPECT_EQ(trace.count(line), 1);

  EXPECT_EQ(session.removeService(service), 1);
  EXPECT_EQ(session.services().count(), 1) << "one record per remove";
  EXPECT_EQ(session.removeMessage(reinterpret_cast<ZoMessage*>(&objects[2])), 0);
  EXPECT_EQ(session.removeSendOptions(send), 1);
  EXPECT_EQ(session.removeSendOptions(send), 0);
  EXPECT_EQ(session.removeReceiveOptions(receive), 1);
  EXPECT_TRUE(trace.mentions(">>> Removing ZoReceiveOptions reference at 0x"));
  EXPECT_EQ(session.getErrorCode(), ERR_SESS_INI_OPEN_ERROR) << "the lists record no error";
  // The session is destroyed with references still recorded; they are left alone.
}

}  // namespace
