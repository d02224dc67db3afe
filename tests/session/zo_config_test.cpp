#include "session/zo_config.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/return_codes.h"
#include "tests/defs/trace_capture.h"
#include "tests/session/scratch_dir.h"

namespace {

std::string code(ZO_ULONG c) { return "<" + std::to_string(c) + ">"; }

class ConfigFile : public ::testing::Test {
 protected:
  void load(const std::string& content) {
    if (config_.isOpen()) config_.close();
    ASSERT_TRUE(config_.open(scratch_.write("test.ini", content).c_str()));
  }
  // The value of section/keyword (at index when given), or "<code>" when the read fails.
  std::string get(const char* section, const char* keyword, ZO_LONG index = -2) {
    ZoString value("preset");
    const ZO_BOOLEAN ok = index == -2 ? config_.read(section, keyword, value)
                                      : config_.read(section, keyword, value, index);
    return ok ? value.text() : code(config_.getErrorCode());
  }

  ScratchDir scratch_;
  ZoConfig config_;
};

TEST_F(ConfigFile, FindsValuesTheWayTheyAreWritten) {
  load("# [S]\n"
       "[definition database]\n"
       "# Key = from a comment\n"
       "  Data Type =  Alpha Beta , Two  \n"
       "databasename=defs.txt\n"
       "   # Key = commented out\n"
       "Key = first # not a comment\n"
       "Key = second\n"
       "ServerNameX = wrong keyword\n"
       "ServerName = right\n"
       "Empty =    \n"
       "Alone\n"
       "Twice\n"
       "Twice = late\n"
       "[BaseX]\n"
       "Name = wrong section\n"
       "[Base]\n"
       "Name = right section\n"
       "[Other]\n"
       "Only = here\n");
  const struct {
    const char* section;
    const char* keyword;
    std::string expected;
  } cases[] = {
      {"DefinitionDatabase", "DataType", "Alpha Beta,Two"},
      {"DEFINITIONDATABASE", "DATABASENAME", "defs.txt"},
      {"DefinitionDatabase", "Key", "first # not a comment"},
      {"DefinitionDatabase", "ServerName", "right"},
      {"DefinitionDatabase", "Only", code(ERR_CONF_KEYWORD_NOT_FOUND)},
      {"DefinitionDatabase", "Empty", code(ERR_CONF_VALUE_NOT_SPECIFIED)},
      {"DefinitionDatabase", "Alone", code(ERR_CONF_VALUE_NOT_SPECIFIED)},
      // Once the keyword was seen without "=", a later value does not clear the error.
      {"DefinitionDatabase", "Twice", code(ERR_CONF_VALUE_NOT_SPECIFIED)},
      {"Base", "Name", "right section"},
      {"Bas", "Name", code(ERR_CONF_SECTION_NOT_FOUND)},
      {"S", "Key", code(ERR_CONF_SECTION_NOT_FOUND)},
      {"Other", "Only", "here"},
  };
  for (int round = 0; round < 2; ++round) {  // any order, any number of times
    for (const auto& c : cases) {
      EXPECT_EQ(get(c.section, c.keyword), c.expected) << c.section << "/" << c.keyword;
    }
  }
  ZoString value("preset");
  EXPECT_FALSE(config_.read("Base", "Missing", value));
  EXPECT_STREQ(value.text(), "") << "a failed read leaves the value empty";
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
  EXPECT_EQ(get("S", "List", 0), "A");
  EXPECT_EQ(get("S", "List", 2), "WindowsNT");
  EXPECT_EQ(get("S", "List", 3), "last");
  EXPECT_EQ(get("S", "List", 4), code(ERR_CONF_INDEX_INVALID));
  EXPECT_EQ(get("S", "List", -1), code(ERR_CONF_INDEX_INVALID));
  EXPECT_EQ(get("S", "Gap", 2), "C");
  EXPECT_EQ(get("S", "Gap", 1), code(ERR_CONF_INDEX_INVALID)) << "an empty token ends the list";
  EXPECT_EQ(get("S", "Trail"), "A,B,") << "a continuation may run into the end of the file";
  EXPECT_EQ(get("S", "Missing", 0), code(ERR_CONF_KEYWORD_NOT_FOUND));

  ZoString value;
  config_.read("S", "List", value, 9);
  EXPECT_STREQ(value.text(), "A,B,WindowsNT,last") << "a missing token leaves the list";
}

TEST_F(ConfigFile, LineEndsLongLinesAndNulBytes) {
  load("[S]\r\nA = one\r\nB = two,\r\n three\r\nC = last");
  EXPECT_EQ(get("S", "A"), "one");
  EXPECT_EQ(get("S", "B"), "two,three");
  EXPECT_EQ(get("S", "C"), "last") << "a last line without a line end is read";

  // A line of any length is one line: nothing of its tail becomes a line of
  // its own, and a long list keeps every token.
  const std::string xs(252, 'x');
  std::string tokens;
  for (int i = 0; i < 3000; ++i) tokens += "F" + std::to_string(i) + (i < 2999 ? ", " : "");
  load("[S]\nA=" + xs + "B=yes\nC=" + std::string(100000, 'c') + "\nL=" + tokens + "\nD=end\n");
  EXPECT_EQ(get("S", "A"), xs + "B=yes");
  EXPECT_EQ(get("S", "B"), code(ERR_CONF_KEYWORD_NOT_FOUND));
  EXPECT_EQ(get("S", "C"), std::string(100000, 'c'));
  EXPECT_EQ(get("S", "L", 2999), "F2999");
  EXPECT_EQ(get("S", "D"), "end");

  // A NUL byte ends the text of its line.
  load(std::string("[S]\nA=ab") + '\0' + "cd\n" + '\0' + "B=hidden\nC=seen\n");
  EXPECT_EQ(get("S", "A"), "ab");
  EXPECT_EQ(get("S", "B"), code(ERR_CONF_KEYWORD_NOT_FOUND));
  EXPECT_EQ(get("S", "C"), "seen");
}

TEST_F(ConfigFile, RandomBytesAndTenThousandSections) {
  std::mt19937 random(20261208u);
  for (int file = 0; file < 20; ++file) {
    std::string bytes(8192, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    load(bytes);
    const std::string result = get("Base", "Encoding");
    EXPECT_TRUE(result == code(ERR_CONF_SECTION_NOT_FOUND) ||
                result == code(ERR_CONF_KEYWORD_NOT_FOUND) ||
                result == code(ERR_CONF_VALUE_NOT_SPECIFIED));
    get("Base", "Encoding", 3);
  }
  std::string many;
  for (int i = 0; i < 10000; ++i) {
    many += "[SECTION" + std::to_string(i) + "]\nKey = value" + std::to_string(i) + "\n";
  }
  load(many);
  EXPECT_EQ(get("section9999", "key"), "value9999");
  EXPECT_EQ(get("SECTION1", "Key"), "value1") << "SECTION1 is not matched by SECTION10...";
  EXPECT_EQ(get("SECTION10000", "Key"), code(ERR_CONF_SECTION_NOT_FOUND));
}

TEST(ConfigState, OperationsOutsideTheOpenState) {
  ScratchDir scratch;
  const std::string first = scratch.write("first.ini", "[S]\nK=first\n");
  const std::string second = scratch.write("second.ini", "[S]\nK=second\n");
  TraceCapture trace;
  {
    ZoConfig config;
    ZoString value;
    EXPECT_FALSE(config.read("S", "K", value));
    EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_NOT_OPEN);
    EXPECT_FALSE(config.read("S", "K", value, 0));
    EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_NOT_OPEN);
    EXPECT_FALSE(config.close());
    EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_CLOSE_ERROR);
    const std::string missing = scratch.dir() + "/missing.ini";
    const std::string directory = scratch.dir();
    for (const char* bad : {missing.c_str(), directory.c_str(), static_cast<const char*>(nullptr)}) {
      EXPECT_FALSE(config.open(bad)) << "missing file, directory, null";
      EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_OPEN_ERROR);
    }
    ASSERT_TRUE(config.open(first.c_str()));
    EXPECT_FALSE(config.open(second.c_str())) << "one file per object";
    EXPECT_EQ(config.getErrorCode(), ERR_CONF_FILE_OPEN_ERROR);
    EXPECT_TRUE(config.read("S", "K", value));
    EXPECT_STREQ(value.text(), "first") << "the first file stays open";
    EXPECT_TRUE(config.close());
    ASSERT_TRUE(config.open(ZoString(second.c_str())));
    EXPECT_TRUE(config.read("S", "K", value));
    EXPECT_STREQ(value.text(), "second");
    EXPECT_EQ(config.getPublicReturnCode(), 0);

    EXPECT_EQ(trace.count("file: <" + first + ">"), 1);
    EXPECT_EQ(trace.count("Error: only 1 open file allowed per object!"), 1);
    EXPECT_EQ(trace.count("< ZoConfig :: read rc=0x20800103"), 2) << "the indexed read's inner read";
    EXPECT_EQ(trace.count("Error: read failed!"), 1);
    trace.clear();
    config.read("S", "K", value, 1);
    EXPECT_EQ(trace.count("Token does not exist at specified index 1, end of list <<< K >>> assumed"),
              1);
    EXPECT_EQ(trace.count("< ZoConfig :: read (at index) rc=0x20800108"), 1);
    trace.clear();
  }  // left open: the destructor closes it
  EXPECT_EQ(trace.count("Warning: no file close called before object delete! - closing file"), 1);
}

}  // namespace
