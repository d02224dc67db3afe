#include "session/zo_config.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/return_codes.h"
#include "tests/session/scratch_dir.h"

namespace {

// Opens a file holding `content` and keeps the reader open for the test.
class ConfigFile : public ::testing::Test {
 protected:
  void load(const std::string& content) {
    if (config_.isOpen()) config_.close();
    ASSERT_TRUE(config_.open(scratch_.write("test.ini", content).c_str()));
  }
  // The value of section/keyword, or "<code>" when the read fails.
  std::string get(const char* section, const char* keyword) {
    ZoString value("preset");
    if (!config_.read(section, keyword, value)) {
      EXPECT_STREQ(value.text(), "") << "a failed read leaves the value empty";
      return "<" + std::to_string(config_.getErrorCode()) + ">";
    }
    return value.text();
  }
  static std::string code(ZO_ULONG c) { return "<" + std::to_string(c) + ">"; }

  ScratchDir scratch_;
  ZoConfig config_;
};

TEST_F(ConfigFile, SectionsAndKeywordsMatchWithoutCaseAndBlanks) {
  load("[definitiondatabase]\n"
       "  Database Type = Txet  \n"
       "databasename=defs.txt\n"
       "[Definition Database Two]\n"
       "X = 1\n");
  EXPECT_EQ(get("DefinitionDatabase", "DatabaseType"), "Txet");
  EXPECT_EQ(get("DEFINITIONDATABASE", "DATABASENAME"), "defs.txt");
  EXPECT_EQ(get("DefinitionDatabaseTwo", "x"), "1");
  EXPECT_EQ(config_.getErrorCode(), 0u);
}

TEST_F(ConfigFile, ValueKeepsInnerBlanksAndLosesOuterOnes) {
  load("[S]\n"
       "  Data Type =  Alpha Beta , Two  \n"
       "Encoding = Windows NT   \n"
       "Note = a # not a comment\n");
  EXPECT_EQ(get("S", "DataType"), "Alpha Beta,Two");
  EXPECT_EQ(get("S", "Encoding"), "Windows NT");
  EXPECT_EQ(get("S", "Note"), "a # not a comment");
}

TEST_F(ConfigFile, CommentLinesNeverMatch) {
  load("# [S]\n"
       "# Key = from a comment\n"
       "[S]\n"
       "   # Key = commented out\n"
       "#Key=also commented\n"
       "Key = real\n");
  EXPECT_EQ(get("S", "Key"), "real");
}

TEST_F(ConfigFile, KeywordIsLookedUpOnlyInItsOwnSection) {
  load("[A]\n"
       "Key = first\n"
       "Key = second\n"
       "[B]\n"
       "Other = 1\n"
       "[C]\n"
       "Only = c\n");
  EXPECT_EQ(get("A", "Key"), "first");
  EXPECT_EQ(get("B", "Only"), code(ERR_CONF_KEYWORD_NOT_FOUND));
  EXPECT_EQ(get("C", "Key"), code(ERR_CONF_KEYWORD_NOT_FOUND));
  EXPECT_EQ(get("D", "Key"), code(ERR_CONF_SECTION_NOT_FOUND));
}

TEST_F(ConfigFile, NamesMatchWholeNotByPrefix) {
  load("[BaseX]\n"
       "Name = wrong section\n"
       "[Base]\n"
       "ServerNameX = wrong keyword\n"
       "ServerName = right\n"
       "Name = right section\n");
  EXPECT_EQ(get("Base", "ServerName"), "right");
  EXPECT_EQ(get("Base", "Name"), "right section");
  EXPECT_EQ(get("Bas", "Name"), code(ERR_CONF_SECTION_NOT_FOUND));
}

TEST_F(ConfigFile, MissingValueIsReported) {
  load("[S]\n"
       "Empty =    \n"
       "Alone\n"
       "Twice\n"
       "Twice = late\n"
       "[T]\n"
       "Bare\n");
  EXPECT_EQ(get("S", "Empty"), code(ERR_CONF_VALUE_NOT_SPECIFIED));
  EXPECT_EQ(get("S", "Alone"), code(ERR_CONF_VALUE_NOT_SPECIFIED));
  // Once the keyword was seen without "=", a later value does not clear the error.
  EXPECT_EQ(get("S", "Twice"), code(ERR_CONF_VALUE_NOT_SPECIFIED));
  EXPECT_EQ(get("T", "Bare"), code(ERR_CONF_VALUE_NOT_SPECIFIED));
}

TEST_F(ConfigFile, ContinuedListsAreJoinedAndIndexed) {
  load("[S]\n"
       "List = A , B,\n"
       "       Windows NT ,\n"
       "       last\n"
       "Next = after\n"
       "Gap = A,,C\n"
       "Trail = A,B,\n");
  EXPECT_EQ(get("S", "List"), "A,B,WindowsNT,last");
  EXPECT_EQ(get("S", "Next"), "after");

  ZoString value;
  const char* expected[] = {"A", "B", "WindowsNT", "last"};
  for (ZO_LONG i = 0; i < 4; ++i) {
    ASSERT_TRUE(config_.read("S", "List", value, i)) << i;
    EXPECT_STREQ(value.text(), expected[i]);
  }
  EXPECT_FALSE(config_.read("S", "List", value, 4));
  EXPECT_EQ(config_.getErrorCode(), ERR_CONF_INDEX_INVALID);
  EXPECT_STREQ(value.text(), "A,B,WindowsNT,last") << "a missing token leaves the list";
  EXPECT_FALSE(config_.read("S", "List", value, -1));
  EXPECT_EQ(config_.getErrorCode(), ERR_CONF_INDEX_INVALID);

  EXPECT_TRUE(config_.read("S", "Gap", value, 2));
  EXPECT_STREQ(value.text(), "C");
  EXPECT_FALSE(config_.read("S", "Gap", value, 1)) << "an empty token ends the list";
  EXPECT_EQ(config_.getErrorCode(), ERR_CONF_INDEX_INVALID);

  // The continuation of the last line runs into the end of the file.
  EXPECT_EQ(get("S", "Trail"), "A,B,");
  EXPECT_FALSE(config_.read("S", "Missing", value, 0));
  EXPECT_EQ(config_.getErrorCode(), ERR_CONF_KEYWORD_NOT_FOUND);
  EXPECT_STREQ(value.text(), "");
}

TEST_F(ConfigFile, LineEndsOfEveryKindAndNoneAtTheEnd) {
  load("[S]\r\nA = one\r\nB = two,\r\n three\r\nC = last");
  EXPECT_EQ(get("S", "A"), "one");
  EXPECT_EQ(get("S", "B"), "two,three");
  EXPECT_EQ(get("S", "C"), "last");
  load("[S]");
  EXPECT_EQ(get("S", "A"), code(ERR_CONF_KEYWORD_NOT_FOUND));
}

TEST_F(ConfigFile, LongLinesAreReadInPiecesOf254) {
  // The first piece holds "A=" and 252 x; the rest of the physical line is a
  // line of its own and so yields B.
  const std::string xs(252, 'x');
  load("[S]\nA=" + xs + "B=yes\nC=" + std::string(100000, 'c') + "\nD=end\n");
  EXPECT_EQ(get("S", "A"), xs);
  EXPECT_EQ(get("S", "B"), "yes");
  EXPECT_EQ(get("S", "C"), std::string(252, 'c'));
  EXPECT_EQ(get("S", "D"), "end");
}

TEST_F(ConfigFile, ValuesMayBeReadAgainInAnyOrder) {
  load("[A]\nK=1\n[B]\nK=2\n");
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(get("B", "K"), "2");
    EXPECT_EQ(get("A", "K"), "1");
  }
}

// Open, close and read outside their states.
TEST(ConfigState, OperationsOutsideTheOpenState) {
  ScratchDir scratch;
  const std::string first = scratch.write("first.ini", "[S]\nK=first\n");
  const std::string second = scratch.write("second.ini", "[S]\nK=second\n");
  ZoConfig config;
  ZoString value;

  EXPECT_FALSE(config.read("S", "K", value));
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_NOT_OPEN);
  EXPECT_FALSE(config.read("S", "K", value, 0));
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_NOT_OPEN);
  EXPECT_FALSE(config.close());
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_CLOSE_ERROR);
  EXPECT_FALSE(config.open((scratch.dir() + "/missing.ini").c_str()));
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_OPEN_ERROR);
  EXPECT_FALSE(config.open(scratch.dir().c_str())) << "a directory is no configuration file";
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_OPEN_ERROR);
  EXPECT_FALSE(config.open(static_cast<const char*>(nullptr)));
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_OPEN_ERROR);

  ASSERT_TRUE(config.open(first.c_str()));
  EXPECT_EQ(config.getErrorCode(), 0u);
  EXPECT_FALSE(config.open(second.c_str())) << "one file per object";
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_OPEN_ERROR);
  EXPECT_TRUE(config.read("S", "K", value));
  EXPECT_STREQ(value.text(), "first") << "the first file stays open";

  EXPECT_TRUE(config.close());
  EXPECT_FALSE(config.isOpen());
  ASSERT_TRUE(config.open(ZoString(second.c_str())));
  EXPECT_TRUE(config.read("S", "K", value));
  EXPECT_STREQ(value.text(), "second");
  // Left open: the destructor closes it.
  EXPECT_EQ(config.getCompletionCode(), 0u);
  EXPECT_EQ(config.getPublicReturnCode(), 0);
}

// Files that are not configuration files at all: the reader reports codes and
// never crashes.
TEST(ConfigHostileInput, RandomBytesGiveCodesNotCrashes) {
  ScratchDir scratch;
  std::mt19937 random(20261208u);
  for (int file = 0; file < 20; ++file) {
    std::string bytes(8192, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    ZoConfig config;
    ASSERT_TRUE(config.open(scratch.write("random.ini", bytes).c_str()));
    ZoString value;
    if (!config.read("Base", "Encoding", value)) {
      EXPECT_TRUE(config.getErrorCode() == ERR_CONF_SECTION_NOT_FOUND ||
                  config.getErrorCode() == ERR_CONF_KEYWORD_NOT_FOUND ||
                  config.getErrorCode() == ERR_CONF_VALUE_NOT_SPECIFIED);
    }
    config.read("Base", "Encoding", value, 3);
    EXPECT_TRUE(config.close());
  }
}

TEST(ConfigHostileInput, NulBytesEndTheTextOfTheirLine) {
  ScratchDir scratch;
  const std::string content = std::string("[S]\nA=ab") + '\0' + "cd\n" + '\0' + "B=hidden\nC=seen\n";
  ZoConfig config;
  ASSERT_TRUE(config.open(scratch.write("nul.ini", content).c_str()));
  ZoString value;
  EXPECT_TRUE(config.read("S", "A", value));
  EXPECT_STREQ(value.text(), "ab");
  EXPECT_FALSE(config.read("S", "B", value));
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_KEYWORD_NOT_FOUND);
  EXPECT_TRUE(config.read("S", "C", value));
  EXPECT_STREQ(value.text(), "seen");
}

TEST(ConfigHostileInput, TenThousandSections) {
  ScratchDir scratch;
  std::string content;
  for (int i = 0; i < 10000; ++i) {
    content += "[SECTION" + std::to_string(i) + "]\nKey = value" + std::to_string(i) + "\n";
  }
  ZoConfig config;
  ASSERT_TRUE(config.open(scratch.write("many.ini", content).c_str()));
  ZoString value;
  EXPECT_TRUE(config.read("section9999", "key", value));
  EXPECT_STREQ(value.text(), "value9999");
  EXPECT_TRUE(config.read("SECTION1", "Key", value));
  EXPECT_STREQ(value.text(), "value1") << "SECTION1 is not matched by SECTION10...";
  EXPECT_FALSE(config.read("SECTION10000", "Key", value));
  EXPECT_EQ(config.getErrorCode(), ERR_CONF_SECTION_NOT_FOUND);
}

}  // namespace
