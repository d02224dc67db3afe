// Maps imported into a real document database and built become messages
// whose fields, in order, carry the source's names, rows, columns and lengths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "docstore/zo_msg_build.h"
#include "import/pxm_import.h"
#include "import/user_message.h"
#include "message/zo_message.h"
#include "session/zo_session.h"
#include "tests/docstore/docstore_test_util.h"

namespace {

using namespace docstoretest;

struct SourceField {
  const char* name;
  ZO_LONG row, column, length;
};

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    configure(dir_, kDefinitionIni);
    createDatabase(dir_.file("defs.ndb"));
    const char* source = std::getenv("VEXO_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest";
    const std::string map = dir_.file("orders.pxm");
    std::filesystem::copy_file(std::string(source) + "/examples/maps/orders.pxm", map);

    std::string program = "vexopxm";
    std::string file = map;
    char* argv[] = {program.data(), file.data(), nullptr};
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    {
      UserMessage message(out, err);
      PXMImport import;
      ASSERT_EQ(import.run(2, argv, message), PXM_EXIT_OK);
    }
    std::fclose(out);
    std::fclose(err);

    Db db(dir_.file("defs.ndb"));
    std::string problem;
    ASSERT_EQ(zoBuildMessages(db.get(), {}, nullptr, problem), 0) << problem;
  }

  static void expectFields(ZoMessage& message, const std::vector<SourceField>& expected) {
    ASSERT_EQ(message.getErrorCode(), 0);
    ASSERT_EQ(message.getFieldCount(), static_cast<ZO_LONG>(expected.size()));
    ZoBrowseToken token = 0;
    message.startBrowseFields(&token);
    for (const SourceField& e : expected) {
      const ZoField* f = message.getNextField(&token);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->getName(), e.name);
      EXPECT_EQ(f->getRow(), e.row) << e.name;
      EXPECT_EQ(f->getColumn(), e.column) << e.name;
      EXPECT_EQ(f->getLength(), e.length) << e.name;
      EXPECT_EQ(f->getDataType(), ZODT_STRING) << e.name;
      EXPECT_EQ(f->getSegment(), 1) << e.name;
    }
    message.endBrowseFields(&token);
  }

  TempDir dir_;
  char program_[8] = "vexo";
  char* argv_[2] = {program_, nullptr};
};

}  // namespace

TEST_F(RoundTrip, ImportedMapsBecomeMessages) {
  ZoSession session(1, argv_);
  ASSERT_EQ(session.getErrorCode(), 0u);

  ZoMessage head("ORDHEAD", session);
  expectFields(head, {{"CUSTNO", 3, 15, 8},
                      {"ORDDATE", 4, 15, 10},
                      {"CUSTREF", 5, 15, 30},
                      {"MSGLINE", 23, 2, 78}});
  ZoMessage lines("ORDLINES", session);
  expectFields(lines, {{"ITEM1", 4, 2, 10},
                       {"QTY1", 4, 14, 5},
                       {"ITEM2", 5, 2, 10},
                       {"QTY2", 5, 14, 5},
                       {"ITEM3", 6, 2, 10},
                       {"QTY3", 6, 14, 5},
                       {"TOTAL", 21, 60, 12}});

  // The imported fields take values by name, cut to their length.
  EXPECT_TRUE(head.setProperty("CUSTNO", "C0001234"));
  EXPECT_FALSE(head.setProperty("CUSTNO", "C000123456"));
  EXPECT_EQ(head.getPublicReturnCode(), ZORC_FIELD_TRUNCATED);
  ZoString value;
  EXPECT_TRUE(head.getProperty("CUSTNO", value));
  EXPECT_EQ(value, "C0001234");

  ZoMessage missing("NOSUCHMAP", session);
  EXPECT_EQ(missing.getErrorCode(), static_cast<ZO_LONG>(ERR_DB_DEFN_NOT_FOUND));
  EXPECT_EQ(session.messages().count(), 3);
}
