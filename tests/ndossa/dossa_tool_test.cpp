// The dossa administration tool, run as a program.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <set>
#include <string>
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

}  // namespace
}  // namespace dossatest
