#include "textdb/zo_text_database.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "session/zo_session.h"
#include "tests/defs/trace_capture.h"
#include "tests/session/scratch_dir.h"

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// A text database over a file written by the test. The database only borrows
// its session, so a session that could not start serves as well as any.
class TextDb : public ::testing::Test {
 protected:
  TextDb() {
    ::unsetenv("VEXO_INI_PATH");
    session_ = std::make_unique<ZoSession>(0, nullptr);
    db_ = std::make_unique<ZoTextDatabase>(*session_);
  }
  void load(const std::string& content) {
    path_ = scratch_.write("defs.txt", content);
    ASSERT_TRUE(db_->open(ZoString(path_.c_str()), ZoString("srv")));
  }
  // Reads field `name`; returns the error code.
  ZO_ULONG readField(ZoFieldDef& field) {
    db_->read(field);
    return db_->getErrorCode();
  }

  ScratchDir scratch_;
  std::unique_ptr<ZoSession> session_;
  std::unique_ptr<ZoTextDatabase> db_;
  std::string path_;
};

TEST_F(TextDb, ReadsTheExampleFile) {
  load(readAll(std::string(std::getenv("VEXO_SOURCE_DIR")) + "/examples/textdb/orders.txt"));
  ZoServiceDef service("ORDERSVC");
  ASSERT_TRUE(db_->read(service));
  EXPECT_EQ(service.getServiceType(), ZOST_KOVA_XPC_DIRECT);
  EXPECT_EQ(service.getEncoding(), 785);
  EXPECT_EQ(service.getCharacterSet(), 500);

  ZoMessageDef message("ORDERMSG");
  ASSERT_TRUE(db_->read(message));
  EXPECT_STREQ(message.getFormat().text(), "ORDFMT");
  ASSERT_EQ(message.getFieldCount(), 3);
  ZoString alias, name;
  message.getFieldNames(alias, name, 1);
  EXPECT_STREQ(alias.text(), "ITEM");
  EXPECT_STREQ(name.text(), "ITEMCODE");

  ZoFieldDef field("CUSTNO");
  ASSERT_TRUE(db_->read(field));
  EXPECT_EQ(field.getDataType(), ZODT_STRING);
  EXPECT_EQ(field.getLength(), 8);
  EXPECT_EQ(db_->getDbErrorCode(), 0);
}

// The bounds are checked on the text: length first, then digit by digit.
TEST_F(TextDb, NumericBoundsOfEachType) {
  const struct {
    ZO_LONG type;
    const char* text;
    ZO_ULONG code;
  } cases[] = {
      {ZODT_SHORT, "31999", 0},          {ZODT_SHORT, "32767", 0},
      {ZODT_SHORT, "32768", ERR_DB_DATA_OVERFLOW}, {ZODT_SHORT, "123456", ERR_DB_DATA_OVERFLOW},
      {ZODT_SHORT, "-32768", 0},         {ZODT_SHORT, "-32769", ERR_DB_DATA_OVERFLOW},
      {ZODT_SHORT, "29999", 0},          {ZODT_BYTE, "00127", ERR_DB_DATA_OVERFLOW},
      {ZODT_BYTE, "-128", 0},            {ZODT_BYTE, "-129", ERR_DB_DATA_OVERFLOW},
      {ZODT_LONG, "-2147483648", 0},     {ZODT_LONG, "2147483648", ERR_DB_DATA_OVERFLOW},
      {ZODT_LONG, "+5", ERR_DB_DATA_MISMATCH}, {ZODT_LONG, "1-2", ERR_DB_DATA_MISMATCH},
      {ZODT_LONG, "-", ERR_DB_DATA_MISMATCH},  {ZODT_LONG, "12a", ERR_DB_DATA_MISMATCH},
      {ZODT_STRING, "12", ERR_DB_INVALID_DATATYPE},
  };
  for (const auto& c : cases) {
    ZoTextDatabase fresh(*session_);
    ZoString value(c.text);
    EXPECT_EQ(fresh.checkNumericBounds(value, c.type, "Value"), c.code == 0 ? TRUE : FALSE) << c.text;
    EXPECT_EQ(fresh.getErrorCode(), c.code) << c.text;
  }
  ZoString spaced(" 1 2 3 ");
  EXPECT_TRUE(db_->checkNumericBounds(spaced, ZODT_LONG, "Value"));
  EXPECT_STREQ(spaced.text(), "123") << "blanks are removed in place";
}

TEST_F(TextDb, FieldDisplayDefaults) {
  load("[D]\nDataType = STRING\nColor = 5\nIntensity = 33\nHighLight = 24\nProtection = 42\n"
       "[N]\nDataType = STRING\n");
  const struct {
    const char* name;
    ZO_LONG color, intensity, highLight, protection;
  } cases[] = {{"D", 5, 33, 24, 42}, {"N", 0, 30, 20, 40}};
  for (const auto& c : cases) {
    ZoFieldDef field(c.name);
    ASSERT_EQ(readField(field), 0u) << c.name;
    EXPECT_EQ(field.getColor(), c.color) << c.name;
    EXPECT_EQ(field.getIntensity(), c.intensity) << c.name;
    EXPECT_EQ(field.getHighLight(), c.highLight) << c.name;
    EXPECT_EQ(field.getProtection(), c.protection) << c.name;
  }
}

TEST_F(TextDb, FieldDefinitions) {
  load("[S1]\nDataType = short\nValue = 1 2 3\n"
       "[S2]\nDataType = SHORT\nValue = 32768\n"
       "[L0]\nDataType = Long\n"
       "[B1]\nDataType = byte\nValue = -5\n"
       "[C1]\nDataType = CHAR\nValue = x\n"
       "[C2]\nDataType = CHAR\n"
       "[A1]\nDataType = AUTHENTICATOR\nValue = secret\n"
       "[E1]\nDataType = LONG\nValue =\n"
       "[NOTYPE]\nLength = 3\n"
       "[F]\nDataType = STRING\nValue = hello world\nAlignment = 4\nRow = 3\nColumn = 12\n"
       "Segment = 2\nLength = 20\nDescription = Customer number\nPadCharacter = null\n"
       "HasAttributes = false\n"
       "[G]\nDataType = STRING\nPadCharacter = TAB\nHasAttributes = yes\n"
       "[H]\nDataType = STRING\nRow = 5\nColumn = abc\nLength = 9\n");
  const struct {
    const char* name;
    ZO_ULONG code;
    ZO_LONG dbCode;
    ZO_LONG type;
  } cases[] = {
      {"S1", 0, 0, ZODT_SHORT},
      {"S2", ERR_DB_DATA_OVERFLOW, ERR_DB_DATA_OVERFLOW, ZODT_SHORT},
      {"L0", 0, 0, ZODT_LONG},
      {"B1", 0, 0, ZODT_BYTE},
      {"C1", ERR_DB_INVALID_DATATYPE, 0, ZODT_NONE},
      {"C2", 0, 0, ZODT_NONE},
      {"A1", 0, 0, ZODT_AUTHENTICATOR},  // the type is set before the value
      {"E1", ERR_DB_READ_DB_FAILED, ERR_CONF_VALUE_NOT_SPECIFIED, ZODT_LONG},
      {"NOTYPE", ERR_DB_KEYWORD_NOT_FOUND, ERR_CONF_KEYWORD_NOT_FOUND, ZODT_NONE},
      {"ABSENT", ERR_DB_KEYWORD_NOT_FOUND, ERR_CONF_SECTION_NOT_FOUND, ZODT_NONE},
      {"H", ERR_DB_DATA_MISMATCH, ERR_DB_DATA_MISMATCH, ZODT_STRING},
  };
  for (const auto& c : cases) {
    ZoFieldDef field(c.name);
    field.setValue(static_cast<ZO_LONG>(77));
    field.setDataType(ZODT_NONE);
    EXPECT_EQ(readField(field), c.code) << c.name;
    EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(c.dbCode)) << c.name;
    EXPECT_EQ(field.getDataType(), c.type) << c.name;
    if (c.type == ZODT_LONG && c.code == 0) {
      EXPECT_EQ(field.getLongValue(), 0) << c.name;
    }
  }
  ZoFieldDef s1("S1"), b1("B1"), a1("A1"), f("F"), g("G"), h("H");
  readField(s1);
  EXPECT_EQ(s1.getShortValue(), 123);
  readField(b1);
  EXPECT_EQ(b1.getByteValue(), static_cast<ZO_BYTE>(-5));
  readField(a1);
  EXPECT_STREQ(a1.getStringValue().text(), "secret");

  ASSERT_EQ(readField(f), 0u);
  EXPECT_STREQ(f.getStringValue().text(), "hello world");
  EXPECT_EQ(f.getAlignment(), 4);
  EXPECT_EQ(f.getRow(), 3);
  EXPECT_EQ(f.getColumn(), 12);
  EXPECT_EQ(f.getSegment(), 2);
  EXPECT_EQ(f.getLength(), 20);
  EXPECT_STREQ(f.getDescription().text(), "Customer number");
  EXPECT_EQ(f.getPadCharacter(), ZO_PAD_ZERO);
  EXPECT_EQ(f.getHasAttributes(), FALSE);

  g.setPadCharacter(ZO_PAD_ZERO);
  ASSERT_EQ(readField(g), 0u);
  EXPECT_EQ(g.getPadCharacter(), ZO_PAD_BLANK) << "an unknown pad character is SPACE";
  EXPECT_EQ(g.getHasAttributes(), TRUE);

  // A failing read keeps what it read before the failure, and nothing after.
  readField(h);
  EXPECT_EQ(h.getRow(), 5);
  EXPECT_EQ(h.getLength(), 0);
}

TEST_F(TextDb, MessageDefinitions) {
  // 40 tokens on one line of more than 600 characters.
  std::string longList;
  for (int i = 0; i < 40; ++i) longList += (i ? ", FIELD_NUMBER_" : "FIELD_NUMBER_") + std::to_string(i);
  load("[M1]\nFormat = FMT1\nRowCount = 24\nColumnCount = 80\nDescription = not read\n"
       "FieldList = A.B, C\n"
       "[M2]\nFormat = F2\n"
       "[M3]\nFieldList = ONE,\n   TWO,\n   THREE\n"
       "[BADFMT]\nFormat = TOOLONGFMT\n"
       "[BADROWS]\nRowCount = -1\n"
       "[BADFIELD]\nFieldList = GOOD, BAD-NAME, LATER\n"
       "[RESERVED]\nFieldList = Name\n"
       "[NOALIAS]\nFieldList = .X\n"
       "[BIGROWS]\nRowCount = 99999999999\n"
       "[GAP]\nFieldList = A,,B\n"
       "[BLANKGAP]\nFieldList = FA, , FB\n"
       "[NONAME]\nFieldList = A., B\n"
       "[LONG]\nFieldList = " + longList + "\n");
  const struct {
    const char* name;
    ZO_ULONG code;
    ZO_LONG fields;
  } cases[] = {
      {"M1", 0, 2}, {"M2", 0, 0}, {"M3", 0, 3},
      {"BADFMT", ERR_DB_READ_DB_FAILED, 0},   {"BADROWS", ERR_DB_READ_DB_FAILED, 0},
      {"BADFIELD", ERR_DB_READ_DB_FAILED, 1},  // the fields before the bad token stay
      {"RESERVED", ERR_DB_READ_DB_FAILED, 0}, {"NOALIAS", ERR_DB_READ_DB_FAILED, 0},
      {"BIGROWS", ERR_DB_DATA_OVERFLOW, 0},   {"ABSENT", ERR_DB_KEYWORD_NOT_FOUND, 0},
      // An empty token inside the list, or an alias with no name, damages the list.
      {"GAP", ERR_DB_READ_DB_FAILED, 1},      {"BLANKGAP", ERR_DB_READ_DB_FAILED, 1},
      {"NONAME", ERR_DB_READ_DB_FAILED, 0},   {"LONG", 0, 40},
  };
  for (const auto& c : cases) {
    ZoMessageDef message(c.name);
    db_->read(message);
    EXPECT_EQ(db_->getErrorCode(), c.code) << c.name;
    EXPECT_EQ(message.getFieldCount(), c.fields) << c.name;
  }
  ZoMessageDef m1("M1");
  ASSERT_TRUE(db_->read(m1));
  EXPECT_EQ(m1.getRowCount(), 24);
  EXPECT_EQ(m1.getColumnCount(), 80);
  EXPECT_STREQ(m1.getDescription().text(), "");
  ZoString alias, name;
  m1.getFieldNames(alias, name, 0);
  EXPECT_EQ(std::string(alias.text()) + "/" + name.text(), "A/B");
  m1.getFieldNames(alias, name, 1);
  EXPECT_EQ(std::string(alias.text()) + "/" + name.text(), "C/C");
}

// ScreenText1, 2, ...: row, column, length, the four display defaults and the
// text (commas kept, quotes keep the blanks at its ends); the list ends at the
// first gap.
TEST_F(TextDb, ScreenTexts) {
  load("[SCREEN]\nFieldList = CUST\n"
       "ScreenText1 = 1,30,16,2,32,20,42,CUSTOMER INQUIRY\n"
       "ScreenText2 = 3,1,12,0,30,20,40,\"Name,city: \"\n"
       "ScreenText4 = 9,9,1,0,30,20,40,not read\n"
       "[NOTEXTS]\nFieldList = CUST\n"
       "[BADTEXT]\nScreenText1 = 1,30,CUSTOMER INQUIRY\n"
       "[NEGATIVE]\nScreenText1 = 1,-,3,0,30,20,40,ABC\n");
  const struct {
    const char* name;
    ZO_ULONG code;
    std::vector<ZoScreenText> texts;
  } cases[] = {
      {"SCREEN", 0,
       {{1, 30, 16, "CUSTOMER INQUIRY", 2, 32, 20, 42}, {3, 1, 12, "Name,city: ", 0, 30, 20, 40}}},
      {"NOTEXTS", 0, {}},
      {"BADTEXT", ERR_DB_READ_DB_FAILED, {}},
      {"NEGATIVE", ERR_DB_READ_DB_FAILED, {}},
  };
  for (const auto& c : cases) {
    ZoMessageDef message(c.name);
    db_->read(message);
    EXPECT_EQ(db_->getErrorCode(), c.code) << c.name;
    std::string got;
    for (const ZoScreenText& t : message.getScreenTexts()) got += zoScreenTextEntry(t) + "|";
    EXPECT_TRUE(message.getScreenTexts() == c.texts) << c.name << ": " << got;
  }
}

TEST_F(TextDb, ServiceDefinitions) {
  load("[S1]\nServiceStep = STEP1\nCharacterSet = LOCAL\nConnectionManager = QM1\n"
       "Encoding = sun os\nInboundConnection = IN.Q\nOutboundConnection = OUT.Q\n"
       "SystemName = HOSTA\nServiceType = zost_plv_via_rk\n"
       "[S2]\nEncoding = 1234\nServiceType = 2\nCharacterSet = 037\n"
       "[S3]\nEncoding = Mac\nInboundConnection = never.stored\n"
       "[S4]\nCharacterSet = 5000000000\n"
       "[S5]\nServiceType = 9\n"
       "[S6]\nEncoding = 99999999999\n"
       "[S7]\nCharacterSet = 0000000000437\n"
       "[S8]\nCharacterSet = 000 2147483648\n");
  ZoServiceDef s1("S1");
  s1.setCharacterSet(99);
  ASSERT_TRUE(db_->read(s1));
  EXPECT_STREQ(s1.getServiceStep().text(), "STEP1");
  EXPECT_EQ(s1.getCharacterSet(), 0);
  EXPECT_STREQ(s1.getConnectionManager().text(), "QM1");
  EXPECT_EQ(s1.getEncoding(), 273);
  EXPECT_STREQ(s1.getInboundConnection().text(), "IN.Q");
  EXPECT_STREQ(s1.getOutboundConnection().text(), "OUT.Q");
  EXPECT_STREQ(s1.getSystemName().text(), "HOSTA");
  EXPECT_EQ(s1.getServiceType(), ZOST_PLV_VIA_RK);

  ZoServiceDef s2("S2");
  ASSERT_TRUE(db_->read(s2));
  EXPECT_EQ(s2.getEncoding(), 1234);
  EXPECT_EQ(s2.getServiceType(), 2);
  EXPECT_EQ(s2.getCharacterSet(), 37);
  ZoServiceDef s7("S7");
  ASSERT_TRUE(db_->read(s7)) << "leading zeros do not make a character set too long";
  EXPECT_EQ(s7.getCharacterSet(), 437);

  const struct {
    const char* name;
    ZO_ULONG code;
  } bad[] = {{"S3", ERR_DB_DATA_MISMATCH},
             {"S4", ERR_DB_DATA_OVERFLOW},
             {"S5", ERR_DB_DATA_MISMATCH},
             {"S6", ERR_DB_DATA_OVERFLOW},
             {"S8", ERR_DB_DATA_OVERFLOW},
             {"NOSVC", ERR_DB_KEYWORD_NOT_FOUND}};
  for (const auto& b : bad) {
    ZoServiceDef service(b.name);
    service.setEncoding(5);
    EXPECT_FALSE(db_->read(service)) << b.name;
    EXPECT_EQ(db_->getErrorCode(), b.code) << b.name;
    EXPECT_EQ(service.getServiceType(), ZOST_RK) << "an unknown type is not set";
    // An unknown or too large encoding stores 0; the next keyword present ends the read.
    if (b.name[1] == '3' || b.name[1] == '6') {
      EXPECT_EQ(service.getEncoding(), 0);
    }
    EXPECT_STREQ(service.getInboundConnection().text(), "");
  }
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_SECTION_NOT_FOUND));
  ASSERT_TRUE(db_->read(s2));
  EXPECT_EQ(db_->getDbErrorCode(), 0) << "a following good read clears both codes";
}

TEST_F(TextDb, WritesAndDeletesAreRefusedAndTheFileIsUntouched) {
  const std::string content = "[M]\nFormat = F\n[F]\nDataType = LONG\n[S]\nEncoding = WIN\n";
  load(content);
  ZoMessageDef message("M");
  ZoFieldDef field("F");
  ZoServiceDef service("S");
  ZoString name("M");
  ZoDatabase& db = *db_;
  TraceCapture trace;
  for (const ZO_BOOLEAN result :
       {db.write(message), db.write(message, TRUE), db.write(field), db.write(field, FALSE),
        db.write(service), db.write(service, TRUE), db.deleteSvc(name), db.deleteMsg(name),
        db.deleteMsgFlds(name), db.deleteBuiltMsg(name)}) {
    EXPECT_FALSE(result);
  }
  EXPECT_EQ(db.getErrorCode(), ERR_DB_NOT_SUPPORTED);
  EXPECT_EQ(db.getDbErrorCode(), 0);
  EXPECT_EQ(trace.count("< ZoTextDatabase :: write( ZoServiceDef & ) rc=0x20800501"), 2)
      << "the two-argument form exits under the one-argument name";
  EXPECT_EQ(trace.count("> ZoTextDatabase :: write( ZoServiceDef &, ZO_BOOLEAN )"), 1);
  EXPECT_EQ(trace.count("Write with REPLACE = 1 for ZoMessageDef = M is not supported"), 1);
  EXPECT_EQ(trace.count("< ZoTextDatabase :: deleteMsgFlds ( ZoString & )  rc=0x20800501"), 1);
  EXPECT_EQ(readAll(path_), content);
  EXPECT_TRUE(db.read(message));
}

// Sections that hold a keyword of a message are listed, in file order, each once.
TEST_F(TextDb, ListsTheMessageSections) {
  std::vector<ZoString> names{ZoString("stale")};
  EXPECT_FALSE(db_->listMessageNames(names)) << "not open";
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_READ_DB_FAILED);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_FILE_NOT_OPEN));
  EXPECT_TRUE(names.empty());

  load("[SVC]\nServiceType = ZOST_KOVA_XPC_DIRECT\n[ZMSG]\nFieldList = F\n[F]\nDataType = STRING\n"
       "[AMSG]\nFormat = X\n[zmsg]\nFormat = Y\n[ROWS]\nRowCount = 2\n[COLS]\nColumnCount\n[EMPTY]\n");
  ASSERT_TRUE(db_->listMessageNames(names));
  std::vector<std::string> listed;
  for (const ZoString& name : names) listed.emplace_back(name.text());
  EXPECT_EQ(listed, (std::vector<std::string>{"ZMSG", "AMSG", "ROWS", "COLS"}));
  ZoMessageDef message(names[0]);
  EXPECT_TRUE(db_->read(message)) << "a listed name reads";
}

TEST_F(TextDb, OpenAndCloseOutsideTheirStates) {
  EXPECT_FALSE(db_->open(ZoString((scratch_.dir() + "/missing.txt").c_str()), ZoString("")));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_OPEN_DB_FAILED);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_FILE_OPEN_ERROR));
  ZoServiceDef service("S");
  EXPECT_FALSE(db_->read(service)) << "not open";
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_FILE_NOT_OPEN));
  EXPECT_FALSE(db_->close());
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_CLOSE_DB_FAILED);

  load("[S]\nSystemName = X\n");
  EXPECT_FALSE(db_->open(ZoString(path_.c_str()), ZoString("")));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_OPEN_DB_FAILED) << "a second open fails";
  EXPECT_TRUE(db_->read(service)) << "and the first file stays open";
  EXPECT_STREQ(service.getSystemName().text(), "X");
  EXPECT_TRUE(db_->close());
}

TEST_F(TextDb, HostileFilesGiveCodesNotCrashes) {
  std::mt19937 random(7u);
  std::string bytes(64 * 1024, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  bytes += "\n[F]\nDataType = LONG\nValue = 99999999999999999999999999\n";
  bytes += "[M]\nFieldList = " + std::string(100000, 'A') + "\n";
  for (int i = 0; i < 10000; ++i) {
    bytes += "[F" + std::to_string(i) + "]\nDataType = LONG\nValue = " + std::to_string(i) + "\n";
  }
  bytes += std::string("[Z]\nDataType = STRING\nValue = ab") + '\0' + "cd\nLength = 4\n";
  load(bytes);
  ZoFieldDef field("F");
  EXPECT_EQ(readField(field), ERR_DB_DATA_OVERFLOW);
  ZoMessageDef message("M");
  EXPECT_FALSE(db_->read(message)) << "the 100000-character token is too long for a field name";
  ZoFieldDef last("F9999"), first("F1"), z("Z");
  ASSERT_EQ(readField(last), 0u);
  EXPECT_EQ(last.getLongValue(), 9999);
  ASSERT_EQ(readField(first), 0u);
  EXPECT_EQ(first.getLongValue(), 1) << "F1 is not taken for F10...";
  ASSERT_EQ(readField(z), 0u);
  EXPECT_STREQ(z.getStringValue().text(), "ab") << "a NUL byte ends the text of its line";
  EXPECT_EQ(z.getLength(), 4);
}

}  // namespace
