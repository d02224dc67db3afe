// With tracing on, a security read writes the adapter's whole conversation
// with the client library to the trace file, and never the authenticator.
#include <filesystem>
#include <string>

#include "common/services.h"
#include "docstore/zo_dossa_security.h"
#include "session/zo_session.h"
#include "tests/docstore/docstore_test_util.h"

namespace {

using namespace docstoretest;

std::string traceFiles(const std::string& dir) {
  std::string all;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".TRC") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return all;
}

TEST(SecurityTrace, TheAuthenticatorNeverReachesTheTrace) {
  TempDir dir;
  TempDir traces;
  configure(dir, kFullIni);
  setenv("NDOSSA_USER", "CN=Jane Doe/O=Acme", 1);
  createDatabase(dir.file("defs.ndb"));
  createDatabase(dir.file("security.ndb"));
  const std::string secret = "Zq7-unguessable-Authenticator";
  put(dir.file("security.ndb"), "Security",
      {text("secdef_dossaid", "Jane Doe/Acme"), text("secdef_sysname", "HOST"),
       text("secdef_userid", "JDOE"), text("secdef_auth", secret)});
  put(dir.file("security.ndb"), "Security",
      {text("secdef_dossaid", "Jane Doe/Acme"), text("secdef_sysname", "host"),
       text("secdef_userid", "JDOE"), text("secdef_auth", secret)});

  setenv("VEXO_TRACE", "1", 1);
  setenv("VEXO_TRACE_PATH", traces.path().c_str(), 1);
  setenv("VEXO_TRACE_LEVEL", "99", 1);
  xrkInitCommonServices("VEXO");
  {
    ZoSession session;
    ASSERT_EQ(session.getErrorCode(), 0u);
    ZoSecurityDef def("HOST");
    ASSERT_TRUE(session.getSecurityDB()->read(def));
    EXPECT_EQ(def.getAuthenticator(), secret.c_str());
    ZoSecurityDef other("HOST2");
    EXPECT_FALSE(session.getSecurityDB()->read(other));
    ZoSecurityDef lower("host");  // the search finds "HOST" first
    EXPECT_FALSE(session.getSecurityDB()->read(lower));
  }
  xrkTermCommonServices();

  const std::string trace = traceFiles(traces.path());
  for (const char* line : {"ZoDossaSecurity :: read ( ZoSecurityDef )", "CFunc: ReadNote()",
                           "Calling DossaSearch", "Returned from DossaSearch - rc is 0",
                           "Abbreviated user name is \"Jane Doe/Acme\"", "Dossa initialized",
                           "Document Selection Formula: (FORM = \"Security\" & secdef_dossaid = "
                           "\"Jane Doe/Acme\" & secdef_sysname = \"HOST2\")",
                           "ERR_RDBD_KEY_ITEM_MISMATCH 2 secdef_sysname: host != HOST",
                           "Returned from DossaNoteDecrypt - rc is 610",
                           "DossaNoteDecrypt returned ERR_NOTE_NOT_SEALED"}) {
    EXPECT_NE(trace.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(trace.find(secret), std::string::npos);
  EXPECT_EQ(trace.find(secret.substr(0, 12)), std::string::npos);
}

}  // namespace
