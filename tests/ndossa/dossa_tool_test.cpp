// The dossa administration tool, run as a program.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/ndossa/dossa_test_util.h"
#include "tests/support/run_program.h"

namespace dossatest {
namespace {

using ToolRun = vexotest::ProgramRun;

class DossaToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tool_ = vexotest::programFile("dossa");
    ASSERT_FALSE(tool_.empty()) << "run through ctest";
    db_ = dir_.file("tool.ndb");
  }

  ToolRun run(const std::vector<std::string>& args) { return vexotest::runProgram(tool_, args); }

  TempDir dir_;
  std::string tool_;
  std::string db_;
};

// Runs with a local file ("local") or with "--server vexotest" and a
// database of that test server ("server").
class DossaToolStoreTest : public DossaToolTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    DossaToolTest::SetUp();
    if (GetParam() == "server") db_ = std::filesystem::path(dir_.path()).filename().string() + ".ndb";
  }
  ToolRun run(std::vector<std::string> args, const std::string& input = std::string()) {
    if (GetParam() == "server") args.insert(args.begin(), {"--server", "vexotest"});
    return vexotest::runProgram(tool_, args, std::string(), {}, {input, std::string()});
  }
};

TEST_P(DossaToolStoreTest, DocumentsGoInAndComeOutAsJsonLines) {
  ASSERT_EQ(run({"create", db_}).status, 0);
  ToolRun put = run({"put", db_, "Service", "svcdef_name=S1", "svcdef_step=a=b", "--number", "n=42", "--list",
                 "l=x,,y", "--number", "f=-2.5", "empty="});
  ASSERT_EQ(put.status, 0) << put.err;
  EXPECT_EQ(put.out, "1\n");
  ASSERT_EQ(run({"put", db_, "Field", "MessageName=M\"1\\", "tab=\t", "latin=\xff", "utf=\xc3\xa9"}).out, "2\n");
  ASSERT_EQ(run({"put", db_, "Field", "MessageName=M2"}).out, "3\n");
  ASSERT_EQ(run({"delete", db_, "3"}).status, 0);

  ToolRun dump = run({"dump", db_});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out,
            "{\"noteid\":1,\"items\":{\"FORM\":\"Service\",\"svcdef_name\":\"S1\",\"svcdef_step\":\"a=b\","
            "\"n\":42,\"l\":[\"x\",\"\",\"y\"],\"f\":-2.5,\"empty\":\"\"}}\n"
            "{\"noteid\":2,\"items\":{\"FORM\":\"Field\",\"MessageName\":\"M\\\"1\\\\\",\"tab\":\"\\t\","
            "\"latin\":{\"base64\":\"/w==\"},\"utf\":\"\xc3\xa9\"}}\n");
  ToolRun byForm = run({"dump", db_, "--form", "FIELD"});
  EXPECT_EQ(byForm.out.substr(0, 14), "{\"noteid\":2,\"i");
  EXPECT_EQ(std::count(byForm.out.begin(), byForm.out.end(), '\n'), 1);

  ToolRun list = run({"list", db_});
  ASSERT_EQ(list.status, 0);
  EXPECT_EQ(list.out.rfind("1\tService\tsvcdef_name=S1\t", 0), 0u) << list.out;
  EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 2);
  EXPECT_EQ(run({"list", db_, "--form", "Message"}).out, "");
  EXPECT_EQ(run({"check", db_}).out, "ok\n");

  // The dump loads into a new database that dumps the same.
  const std::string dumpFile = dir_.write("dump.jsonl", dump.out);
  ASSERT_EQ(run({"load", db_ + ".copy"}, dumpFile).status, 0);
  EXPECT_EQ(run({"dump", db_ + ".copy"}).out, dump.out);
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Stores, DossaToolStoreTest, ::testing::Values(std::string("local")));
#else
INSTANTIATE_TEST_SUITE_P(Stores, DossaToolStoreTest, ::testing::Values(std::string("local"), std::string("server")));
#endif

// Changes one byte of the file's only copy of `marker`; false when it is not there.
bool damageFile(const std::string& path, const std::string& marker) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t at = bytes.find(marker);
  if (at == std::string::npos || bytes.find(marker, at + 1) != std::string::npos) return false;
  file.seekp(static_cast<std::streamoff>(at + marker.size() / 2));
  file.put(static_cast<char>(bytes[at + marker.size() / 2] ^ 0x20));
  return static_cast<bool>(file);
}

TEST_F(DossaToolTest, CheckNamesEveryDamagedDocumentAndReadsRefuseThem) {
  ASSERT_EQ(run({"create", db_}).status, 0);
  for (const char* value : {"value=FIRSTMARKER", "value=plain", "value=THIRDMARKER"})
    ASSERT_EQ(run({"put", db_, "Service", value}).status, 0);
  ASSERT_EQ(run({"check", db_, "--repair"}).out, "ok\n");
  ASSERT_TRUE(damageFile(db_, "FIRSTMARKER"));
  ASSERT_TRUE(damageFile(db_, "THIRDMARKER"));
  ToolRun check = run({"check", db_});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find("damaged documents: 1, 3"), std::string::npos) << check.err;
  EXPECT_EQ(run({"check", db_, "--repair"}).status, 1);  // damage is not repaired away
  ToolRun dump = run({"dump", db_});
  EXPECT_EQ(dump.status, 1);
  EXPECT_NE(dump.err.find("document 1: Database is damaged"), std::string::npos) << dump.err;
}

TEST_F(DossaToolTest, MistakesGiveAClearMessageAndStatusOne) {
  std::string missing = dir_.file("missing.ndb");
  std::string text = dir_.file("text.ndb");
  std::ofstream(text) << "not a database at all\n";
  ASSERT_EQ(run({"create", db_}).status, 0);

  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  std::vector<Case> cases = {
      {{}, "no command"},
      {{"frobnicate", db_}, "unknown command"},
      {{"create", db_}, "File already exists"},
      {{"create", text}, "File already exists"},
      {{"list", missing}, "File does not exist"},
      {{"dump", text}, "File is not a database"},
      {{"list", db_, "--form"}, "usage"},
      {{"list", db_, "--sort", "x"}, "usage"},
      {{"put", db_}, "usage"},
      {{"put", db_, "F", "novalue"}, "expected NAME=VALUE"},
      {{"put", db_, "F", "=v"}, "expected NAME=VALUE"},
      {{"put", db_, "F", "bad-name=v"}, "Invalid item name"},
      {{"put", db_, "", "a=1"}, "FORM must not be empty"},
      {{"put", db_, "Me\"ssage", "a=1"}, "cannot be searched for"},
      {{"put", db_, "F", "9lives=v"}, "Invalid item name"},
      {{"put", db_, "F", "--number", "a b=1"}, "Invalid item name"},
      {{"put", db_, "F", "form=Other"}, "would replace the document's FORM"},
      {{"put", db_, "F", "--number", "n=12abc"}, "not a number"},
      {{"put", db_, "F", "--number", "n=inf"}, "not a number"},
      {{"put", db_, "F", "--list"}, "needs NAME=VALUE"},
      {{"put", db_, "F", "--bogus", "x=1"}, "unknown option"},
      {{"delete", db_, "0"}, "not a note id"},
      {{"delete", db_, "-1"}, "not a note id"},
      {{"delete", db_, "99999999999"}, "not a note id"},
      {{"delete", db_, "5"}, "Document not found"},
      {{"delete", missing, "5"}, "File does not exist"},
      {{"--server"}, "--server takes a NAME"},
      {{"--server", "vexotest"}, "no command and FILE"},
  };
#ifndef _WIN32  // a Windows command line holds at most 32,767 characters
  cases.push_back({{"put", db_, "F", "x=" + std::string(70000, 'v')}, "too long"});
#endif
  for (const Case& c : cases) {
    ToolRun r = run(c.args);
    std::string shown = c.args.empty() ? "" : c.args[0];
    // The command lines the tool refuses as such (status 2); the rest fail (1).
    static const std::set<std::string> usageErrors = {
        "no command",   "unknown command", "usage",          "expected NAME=VALUE", "FORM must not be empty",
        "not a number", "needs NAME=VALUE", "unknown option", "not a note id", "--server takes a NAME",
        "no command and FILE"};
    const bool usage = usageErrors.count(c.message) != 0;
    EXPECT_EQ(r.status, usage ? 2 : 1) << shown;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << shown << ": " << r.err;
    EXPECT_EQ(r.out, "") << shown;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(run({"dump", db_}).out, "");  // no failed put left a document behind
}

// One command line and what the tool does with it: its status, the start of
// its output and a part of its standard error ("" when it must be empty).
struct LineCase {
  std::vector<std::string> args;
  int status;
  std::string out;
  std::string err;
};

void expectCases(const std::vector<LineCase>& cases, const std::function<ToolRun(const std::vector<std::string>&)>& run) {
  for (const LineCase& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    const ToolRun r = run(c.args);
    EXPECT_EQ(r.status, c.status) << shown << r.err;
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << shown << r.out;
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "") << shown;
    } else {
      EXPECT_NE(r.err.find(c.err), std::string::npos) << shown << r.err;
    }
  }
}

TEST_F(DossaToolTest, OptionsComeAnywhereInEitherForm) {
  ASSERT_EQ(run({"create", db_}).status, 0);
  ASSERT_EQ(run({"put", db_, "Service", "x=1"}).out, "1\n");
  const std::string service = "1\tService\tx=1\n";
  const std::string dumped = "{\"noteid\":1,";
  expectCases(
      {
          {{"list", "--form", "Service", db_}, 0, service, ""},
          {{"list", db_, "--form=Service"}, 0, service, ""},
          {{"--form=service", "list", db_}, 0, service, ""},
          {{"list", "--server=Local", db_}, 0, service, ""},
          {{"dump", "--form", "Service", db_}, 0, dumped, ""},
          {{"dump", "--salvage", db_}, 0, dumped, ""},
          {{"check", "--repair", db_}, 0, "ok\n", ""},
          // A form that no document has is not an empty success.
          {{"list", db_, "--form", "Nope"}, 0, "", "dossa: no document has the form Nope\n"},
          {{"dump", "--form=Nope", db_}, 0, "", "dossa: no document has the form Nope\n"},
          {{"delete", "--message", "M9", db_}, 1, "", "no documents of message \"M9\""},
          {{"delete", db_, "--message=M9"}, 1, "", "no documents of message \"M9\""},
          // Refused command lines.
          {{"list", db_, "--repair"}, 2, "", "list takes no --repair"},
          {{"put", db_, "F", "--form", "G", "a=1"}, 2, "", "put takes no --form"},
          {{"check", db_, "--number", "n=1"}, 2, "", "check takes no --number and --list"},
          {{"check", db_, "--repair=yes"}, 2, "", "--repair takes no value"},
          {{"dump", db_, "--form", "F", "--salvage"}, 2, "", "usage"},
          {{"delete", db_, "4", "--message", "M9"}, 2, "", "usage"},
          {{"list", db_, "--frobnicate=1"}, 2, "", "unknown option --frobnicate\n"},
          {{"list", db_, db_}, 2, "", "list takes FILE"},
          // Items keep their order among the options; after "--" every word is an item.
          {{"put", "--number=n=-1", db_, "F", "a=-b", "--list", "l=x,y"}, 0, "2\n", ""},
          {{"put", db_, "F", "--", "--number=1"}, 1, "", "item \"--number\": Invalid item name"},
      },
      [&](const std::vector<std::string>& args) { return run(args); });
  EXPECT_EQ(run({"list", db_, "--form", "F"}).out, "2\tF\tn=-1\ta=-b\tl=x,y\n");
}

// Without FILE, the database (and its server) of the vexo.ini in the folder VEXO_INI_PATH names.
TEST_F(DossaToolTest, TheConfigurationNamesTheDatabaseWhenFileIsLeftOut) {
  auto ini = [&](const std::string& folder, const std::string& body) {
    std::filesystem::create_directories(dir_.file(folder));
    dir_.write(folder + "/vexo.ini", "[DefinitionDatabase]\n" + body);
    return dir_.file(folder);
  };
  const std::string local = ini("local", "DatabaseType = KirraDossa\nDatabaseName = " + db_ + "\nServerName = Local\n");
  std::string folder = local;
  auto runIn = [&](const std::vector<std::string>& args) {
    return vexotest::runProgram(tool_, args, std::string(), {{"VEXO_INI_PATH", folder}});
  };
  expectCases(
      {
          {{"create"}, 0, "", ""},
          {{"put", "Service", "x=1"}, 0, "1\n", ""},
          {{"put", "Field", "--number", "n=2"}, 0, "2\n", ""},
          {{"list", "--form", "Service"}, 0, "1\tService\tx=1\n", ""},
          {{"dump"}, 0, "{\"noteid\":1,", ""},
          {{"delete", "2"}, 0, "", ""},
          {{"check"}, 0, "ok\n", ""},
          {{"put"}, 2, "", "put takes FILE FORM and items"},
      },
      runIn);
  const std::string other = dir_.file("other.ndb");
  ASSERT_EQ(run({"create", other}).status, 0);
  const std::vector<std::pair<std::string, std::string>> broken = {
      {dir_.file("absent"), "vexo.ini (VEXO_INI_PATH): cannot be read"},
      {ini("noname", "DatabaseType = KirraDossa\n"), "vexo.ini: [DefinitionDatabase] has no DatabaseName"},
      {ini("text", "DatabaseType = Txet\nDatabaseName = defs\n"), "DatabaseType Txet is not a document database"},
#ifndef _WIN32  // the test server's services
      {ini("down", "DatabaseType = KirraDossa\nDatabaseName = defs.ndb\nServerName = vexodown\n"),
       "the server vexodown does not answer"},
#endif
  };
  for (const auto& [where, problem] : broken) {
    folder = where;
    // A FILE that is given is used whatever the configuration holds.
    expectCases({{{"list"}, 1, "", problem}, {{"check", other}, 0, "ok\n", ""}}, runIn);
  }
}

TEST_F(DossaToolTest, AServerThatDoesNotAnswerIsNamed) {
#ifdef _WIN32
  GTEST_SKIP() << "the test server's services";
#endif
  expectCases({{{"--server", "vexodown", "list", "defs.ndb"}, 1, "",
                "dossa: vexodown!!defs.ndb: Server is not responding\n"
                "  the server vexodown does not answer: see the host and port of its connection service\n"},
               {{"--server=nosuch", "list", "defs.ndb"}, 1, "",
                "  no connection service (pg_service.conf) names nosuch\n"}},
              [&](const std::vector<std::string>& args) { return run(args); });
}

}  // namespace
}  // namespace dossatest
