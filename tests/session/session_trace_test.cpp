// The trace lines of the configuration reader and the session: their names,
// exit codes and texts are what a reader of a trace file goes by.

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/return_codes.h"
#include "session/zo_config.h"
#include "session/zo_session.h"
#include "tests/defs/trace_capture.h"
#include "tests/session/session_fixture.h"

namespace {

std::string exitLine(const std::string& name, ZO_ULONG code) {
  char rc[16];
  std::snprintf(rc, sizeof rc, "0x%08X", static_cast<unsigned>(code));
  return "< " + name + " rc=" + rc;
}

TEST(ConfigTrace, EntryExitAndTextLines) {
  ScratchDir scratch;
  const std::string path = scratch.write("t.ini", "[S]\nList = A, B\nAlone\n");
  TraceCapture trace;
  {
    ZoConfig config;
    config.open(path.c_str());
    EXPECT_EQ(trace.count("> ZoConfig :: open"), 1);
    EXPECT_EQ(trace.count("file: <" + path + ">"), 1);
    EXPECT_EQ(trace.count(exitLine("ZoConfig :: open", 0)), 1);

    ZoString value;
    config.read("Missing", "K", value);
    EXPECT_EQ(trace.count("Section <<< Missing >>> not present"), 1);
    EXPECT_EQ(trace.count(exitLine("ZoConfig :: read", ERR_CONF_SECTION_NOT_FOUND)), 1);
    config.read("S", "Other", value);
    EXPECT_EQ(trace.count("Section S keyword <<< Other >>> not present"), 1);
    config.read("S", "Alone", value);
    EXPECT_EQ(trace.count("Error: no = sign following keyword!"), 1);

    trace.clear();
    config.read("S", "List", value, 2);
    EXPECT_EQ(trace.count("> ZoConfig :: read (at index)"), 1);
    EXPECT_EQ(trace.count("Token does not exist at specified index 2, end of list <<< List >>> "
                          "assumed"),
              1);
    EXPECT_EQ(trace.count(exitLine("ZoConfig :: read (at index)", ERR_CONF_INDEX_INVALID)), 1);
    config.read("S", "Nope", value, 0);
    EXPECT_EQ(trace.count("Error: read failed!"), 1);

    config.open(path.c_str());
    EXPECT_EQ(trace.count("Error: only 1 open file allowed per object!"), 1);
    trace.clear();
  }
  EXPECT_EQ(trace.count("Warning: no file close called before object delete! - closing file"), 1);
  EXPECT_EQ(trace.count("> ZoConfig :: ~ZoConfig"), 1);
}

TEST(ConfigTrace, UserTracingWritesNothing) {
  ScratchDir scratch;
  const std::string path = scratch.write("t.ini", "[S]\n");
  TraceCapture trace(/*userTracing=*/true);
  ZoConfig config;
  config.open(path.c_str());
  ZoString value;
  config.read("S", "K", value);
  config.close();
  EXPECT_TRUE(trace.lines().empty());
}

class SessionTrace : public SessionFixture {};

TEST_F(SessionTrace, StartAndFailureLines) {
  TraceCapture trace;
  {
    writeIni("[DefinitionDatabase]\nDatabaseName = x\nDatabaseType = SQL\n");
    ZoSession session(0, nullptr);
    EXPECT_EQ(trace.count("> ZoSession::ZoSession(argc, argv)"), 1);
    EXPECT_EQ(trace.count("VEXO.INI file path = " + scratch_.dir() + "/vexo.ini"), 1);
    EXPECT_EQ(trace.count("SQL definition database not supported"), 1);
    EXPECT_EQ(trace.count(exitLine("ZoSession :: createDefinitionDB", ERR_SESS_INVALID_DBTYPE)), 1);
    EXPECT_EQ(trace.count(exitLine("ZoSession::initSession", ERR_SESS_INVALID_DBTYPE)), 1);
    EXPECT_EQ(trace.count(exitLine("ZoSession::ZoSession(argc, argv)", ERR_SESS_INVALID_DBTYPE)),
              1);
  }
  trace.clear();
  ::unsetenv("VEXO_INI_PATH");
  {
    ZoSession session;
    EXPECT_EQ(trace.count("Environment variable VEXO_INI_PATH NOT set"), 1);
    EXPECT_EQ(trace.count(exitLine("ZoSession :: createConfig", ERR_SESS_INI_OPEN_ERROR)), 1);
    int object = 0;
    auto* message = reinterpret_cast<ZoMessage*>(&object);
    char expected[64];
    std::snprintf(expected, sizeof expected, ">>> Adding ZoMessage reference at 0x%" PRIxPTR " >>>",
                  reinterpret_cast<std::uintptr_t>(message));
    session.addMessage(message);
    EXPECT_EQ(trace.count(expected), 1);
    session.removeMessage(message);
    EXPECT_TRUE(trace.mentions(">>> Removing ZoMessage reference at 0x"));
  }
  EXPECT_EQ(trace.count(exitLine("ZoSession::~ZoSession", 0)), 1);
}

TEST_F(SessionTrace, ConfigurationValuesAreTraced) {
  writeTextDb("defs.txt", "[X]\n");
  writeIni("[Base]\nCharacterSet = 37\nEncoding = Mac\n" + textDbSection("defs.txt"));
  TraceCapture trace;
  ZoSession session;
  EXPECT_EQ(trace.count("CharacterSet specified = 37"), 1);
  EXPECT_EQ(trace.count("Invalid encoding Mac specified"), 1);
  EXPECT_EQ(trace.count(exitLine("ZoSession :: setEncoding", ERR_SESS_INVALID_ENCODING)), 1);
}

}  // namespace
