#include "textdb/zo_text_database.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "session/zo_session.h"
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
    if (opened_) db_->close();
    path_ = scratch_.write("defs.txt", content);
    ASSERT_TRUE(db_->open(ZoString(path_.c_str()), ZoString("ignored")));
    opened_ = true;
  }

  ScratchDir scratch_;
  std::unique_ptr<ZoSession> session_;
  std::unique_ptr<ZoTextDatabase> db_;
  std::string path_;
  bool opened_ = false;
};

TEST_F(TextDb, ReadsTheExampleFile) {
  const char* source = std::getenv("VEXO_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  load(readAll(std::string(source) + "/examples/textdb/orders.txt"));

  ZoServiceDef service("ORDERSVC");
  ASSERT_TRUE(db_->read(service)) << std::hex << db_->getErrorCode();
  EXPECT_EQ(service.getServiceType(), ZOST_KOVA_XPC_DIRECT);
  EXPECT_EQ(service.getEncoding(), 785);
  EXPECT_EQ(service.getCharacterSet(), 500);

  ZoMessageDef message("ORDERMSG");
  ASSERT_TRUE(db_->read(message));
  EXPECT_STREQ(message.getFormat().text(), "ORDFMT");
  ASSERT_EQ(message.getFieldCount(), 3);
  const char* pairs[3][2] = {{"CUSTNO", "CUSTNO"}, {"ITEM", "ITEMCODE"}, {"QTY", "QTY"}};
  for (ZO_LONG i = 0; i < 3; ++i) {
    ZoString alias, name;
    ASSERT_TRUE(message.getFieldNames(alias, name, i));
    EXPECT_STREQ(alias.text(), pairs[i][0]);
    EXPECT_STREQ(name.text(), pairs[i][1]);
  }

  ZoFieldDef field("CUSTNO");
  ASSERT_TRUE(db_->read(field));
  EXPECT_EQ(field.getDataType(), ZODT_STRING);
  EXPECT_EQ(field.getLength(), 8);
  EXPECT_EQ(field.getPadCharacter(), ZO_PAD_BLANK);
  EXPECT_EQ(db_->getErrorCode(), 0u);
  EXPECT_EQ(db_->getDbErrorCode(), 0);
}

// checkNumericBounds works on the text: length first, then digit by digit.
TEST_F(TextDb, NumericBoundsOfEachType) {
  struct Case {
    ZO_LONG type;
    const char* text;
    ZO_ULONG code;
  };
  const Case cases[] = {
      {ZODT_SHORT, "31999", 0},
      {ZODT_SHORT, "32767", 0},
      {ZODT_SHORT, "32768", ERR_DB_DATA_OVERFLOW},
      {ZODT_SHORT, "123456", ERR_DB_DATA_OVERFLOW},
      {ZODT_SHORT, "-32768", 0},
      {ZODT_SHORT, "-32769", ERR_DB_DATA_OVERFLOW},
      {ZODT_SHORT, "-9", 0},
      {ZODT_SHORT, "40000", ERR_DB_DATA_OVERFLOW},
      {ZODT_SHORT, "29999", 0},
      {ZODT_BYTE, "127", 0},
      {ZODT_BYTE, "128", ERR_DB_DATA_OVERFLOW},
      {ZODT_BYTE, "00127", ERR_DB_DATA_OVERFLOW},
      {ZODT_BYTE, "-128", 0},
      {ZODT_BYTE, "-129", ERR_DB_DATA_OVERFLOW},
      {ZODT_LONG, "2147483647", 0},
      {ZODT_LONG, "2147483648", ERR_DB_DATA_OVERFLOW},
      {ZODT_LONG, "-2147483648", 0},
      {ZODT_LONG, "-2147483649", ERR_DB_DATA_OVERFLOW},
      {ZODT_LONG, "5000000000", ERR_DB_DATA_OVERFLOW},
      {ZODT_LONG, "+5", ERR_DB_DATA_MISMATCH},
      {ZODT_LONG, "1-2", ERR_DB_DATA_MISMATCH},
      {ZODT_LONG, "--1", ERR_DB_DATA_MISMATCH},
      {ZODT_LONG, "-", ERR_DB_DATA_MISMATCH},
      {ZODT_LONG, "12a", ERR_DB_DATA_MISMATCH},
      {ZODT_STRING, "12", ERR_DB_INVALID_DATATYPE},
      {ZODT_STRING, "x", ERR_DB_DATA_MISMATCH},
  };
  for (const Case& c : cases) {
    ZoTextDatabase fresh(*session_);
    ZoString value(c.text);
    const ZO_BOOLEAN accepted = fresh.checkNumericBounds(value, c.type, "Value");
    EXPECT_EQ(accepted, c.code == 0 ? TRUE : FALSE) << c.text;
    EXPECT_EQ(fresh.getErrorCode(), c.code) << c.text;
  }
  ZoString spaced(" 1 2 3 ");
  EXPECT_TRUE(db_->checkNumericBounds(spaced, ZODT_LONG, "Value"));
  EXPECT_STREQ(spaced.text(), "123") << "blanks are removed in place";
}

TEST_F(TextDb, FieldValuesFollowTheirDataType) {
  load("[S1]\nDataType = short\nValue = 31999\n"
       "[S2]\nDataType = SHORT\nValue = 32768\n"
       "[S3]\nDataType = Short\nValue = -32768\n"
       "[S4]\nDataType = LONG\nValue = 1 2 3\n"
       "[L0]\nDataType = Long\n"
       "[B1]\nDataType = byte\nValue = -5\n"
       "[C1]\nDataType = CHAR\nValue = x\n"
       "[C2]\nDataType = CHAR\n"
       "[T1]\nDataType = STRING\nValue = hello world\n"
       "[A1]\nDataType = AUTHENTICATOR\nValue = secret\n"
       "[A2]\nDataType = SYSTEM_AUTHENTICATOR\n"
       "[E1]\nDataType = LONG\nValue =\n");
  ZoFieldDef s1("S1");
  ASSERT_TRUE(db_->read(s1));
  EXPECT_EQ(s1.getDataType(), ZODT_SHORT);
  EXPECT_EQ(s1.getShortValue(), 31999);

  ZoFieldDef s2("S2");
  EXPECT_FALSE(db_->read(s2));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_OVERFLOW);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_DB_DATA_OVERFLOW));

  ZoFieldDef s3("S3");
  ASSERT_TRUE(db_->read(s3));
  EXPECT_EQ(s3.getShortValue(), -32768);

  ZoFieldDef s4("S4");
  ASSERT_TRUE(db_->read(s4));
  EXPECT_EQ(s4.getLongValue(), 123);

  ZoFieldDef l0("L0");
  l0.setValue(static_cast<ZO_LONG>(77));
  ASSERT_TRUE(db_->read(l0));
  EXPECT_EQ(l0.getDataType(), ZODT_LONG);
  EXPECT_EQ(l0.getLongValue(), 0);

  ZoFieldDef b1("B1");
  ASSERT_TRUE(db_->read(b1));
  EXPECT_EQ(b1.getDataType(), ZODT_BYTE);
  EXPECT_EQ(b1.getByteValue(), static_cast<ZO_BYTE>(-5));

  ZoFieldDef c1("C1");
  EXPECT_FALSE(db_->read(c1));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_INVALID_DATATYPE);
  ZoFieldDef c2("C2");
  EXPECT_TRUE(db_->read(c2));
  EXPECT_EQ(c2.getDataType(), ZODT_NONE);

  ZoFieldDef t1("T1");
  ASSERT_TRUE(db_->read(t1));
  EXPECT_EQ(t1.getDataType(), ZODT_STRING);
  EXPECT_STREQ(t1.getStringValue().text(), "hello world");

  ZoFieldDef a1("A1");
  ASSERT_TRUE(db_->read(a1));
  EXPECT_EQ(a1.getDataType(), ZODT_AUTHENTICATOR) << "the type is set before the value";
  EXPECT_STREQ(a1.getStringValue().text(), "secret");
  ZoFieldDef a2("A2");
  ASSERT_TRUE(db_->read(a2));
  EXPECT_EQ(a2.getDataType(), ZODT_SYSTEM_AUTHENTICATOR);

  ZoFieldDef e1("E1");
  EXPECT_FALSE(db_->read(e1));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_READ_DB_FAILED);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_VALUE_NOT_SPECIFIED));
}

TEST_F(TextDb, FieldPropertiesAndTheirKeywords) {
  load("[F]\nDataType = STRING\nAlignment = 4\nRow = 3\nColumn = 12\nSegment = 2\n"
       "Length = 20\nDescription = Customer number\nPadCharacter = null\n"
       "HasAttributes = false\n"
       "[G]\nDataType = STRING\nPadCharacter = TAB\nHasAttributes = yes\n"
       "[H]\nDataType = STRING\nRow = 5\nColumn = abc\nLength = 9\n");
  ZoFieldDef f("F");
  ASSERT_TRUE(db_->read(f));
  EXPECT_EQ(f.getAlignment(), 4);
  EXPECT_EQ(f.getRow(), 3);
  EXPECT_EQ(f.getColumn(), 12);
  EXPECT_EQ(f.getSegment(), 2);
  EXPECT_EQ(f.getLength(), 20);
  EXPECT_STREQ(f.getDescription().text(), "Customer number");
  EXPECT_EQ(f.getPadCharacter(), ZO_PAD_ZERO);
  EXPECT_EQ(f.getHasAttributes(), FALSE);

  ZoFieldDef g("G");
  g.setPadCharacter(ZO_PAD_ZERO);
  ASSERT_TRUE(db_->read(g));
  EXPECT_EQ(g.getPadCharacter(), ZO_PAD_BLANK) << "an unknown pad character is SPACE";
  EXPECT_EQ(g.getHasAttributes(), TRUE);

  // A failing read keeps what it read before the failure, and nothing after.
  ZoFieldDef h("H");
  EXPECT_FALSE(db_->read(h));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_MISMATCH);
  EXPECT_EQ(h.getRow(), 5);
  EXPECT_EQ(h.getLength(), 0);
}

TEST_F(TextDb, MissingFieldDefinitionsAndKeywords) {
  load("[NOTYPE]\nLength = 3\n");
  ZoFieldDef missing("ABSENT");
  EXPECT_FALSE(db_->read(missing));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_KEYWORD_NOT_FOUND);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_SECTION_NOT_FOUND));
  ZoFieldDef noType("NOTYPE");
  EXPECT_FALSE(db_->read(noType));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_KEYWORD_NOT_FOUND);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_KEYWORD_NOT_FOUND));
  EXPECT_EQ(noType.getLength(), 0);
}

TEST_F(TextDb, MessageDefinitions) {
  load("[M1]\nFormat = FMT1\nRowCount = 24\nColumnCount = 80\nDescription = not read\n"
       "FieldList = A.B, C\n"
       "[M2]\nFormat = F2\n"
       "[M3]\nFieldList = ONE,\n   TWO,\n   THREE\n"
       "[BADFMT]\nFormat = TOOLONGFMT\n"
       "[BADROWS]\nRowCount = -1\n"
       "[BADFIELD]\nFieldList = GOOD, BAD-NAME, LATER\n"
       "[RESERVED]\nFieldList = Name\n"
       "[NOALIAS]\nFieldList = .X\n"
       "[BIGROWS]\nRowCount = 99999999999\n");
  ZoMessageDef m1("M1");
  ASSERT_TRUE(db_->read(m1));
  EXPECT_STREQ(m1.getFormat().text(), "FMT1");
  EXPECT_EQ(m1.getRowCount(), 24);
  EXPECT_EQ(m1.getColumnCount(), 80);
  EXPECT_STREQ(m1.getDescription().text(), "");
  ASSERT_EQ(m1.getFieldCount(), 2);
  ZoString alias, name;
  m1.getFieldNames(alias, name, 0);
  EXPECT_STREQ(alias.text(), "A");
  EXPECT_STREQ(name.text(), "B");
  m1.getFieldNames(alias, name, 1);
  EXPECT_STREQ(alias.text(), "C");
  EXPECT_STREQ(name.text(), "C");

  ZoMessageDef m2("M2");
  ASSERT_TRUE(db_->read(m2));
  EXPECT_EQ(m2.getFieldCount(), 0);

  ZoMessageDef m3("M3");
  ASSERT_TRUE(db_->read(m3));
  EXPECT_EQ(m3.getFieldCount(), 3);

  struct Bad {
    const char* name;
    ZO_ULONG code;
  };
  const Bad bad[] = {
      {"BADFMT", ERR_DB_READ_DB_FAILED},   {"BADROWS", ERR_DB_READ_DB_FAILED},
      {"BADFIELD", ERR_DB_READ_DB_FAILED}, {"RESERVED", ERR_DB_READ_DB_FAILED},
      {"NOALIAS", ERR_DB_READ_DB_FAILED},  {"BIGROWS", ERR_DB_DATA_OVERFLOW},
      {"ABSENT", ERR_DB_KEYWORD_NOT_FOUND},
  };
  for (const Bad& b : bad) {
    ZoMessageDef message(b.name);
    EXPECT_FALSE(db_->read(message)) << b.name;
    EXPECT_EQ(db_->getErrorCode(), b.code) << b.name;
  }
  ZoMessageDef partial("BADFIELD");
  db_->read(partial);
  EXPECT_EQ(partial.getFieldCount(), 1) << "fields before the bad token stay";
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
       "[S7]\nEncoding = Mac\n");
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

  // An unknown encoding stores 0 and the next keyword present ends the read.
  ZoServiceDef s3("S3");
  s3.setEncoding(5);
  EXPECT_FALSE(db_->read(s3));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_MISMATCH);
  EXPECT_EQ(s3.getEncoding(), 0);
  EXPECT_STREQ(s3.getInboundConnection().text(), "");
  ZoServiceDef s7("S7");
  EXPECT_FALSE(db_->read(s7)) << "also when no keyword follows";
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_MISMATCH);

  ZoServiceDef s4("S4");
  EXPECT_FALSE(db_->read(s4));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_OVERFLOW);

  ZoServiceDef s5("S5");
  EXPECT_FALSE(db_->read(s5));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_MISMATCH);
  EXPECT_EQ(s5.getServiceType(), ZOST_RK) << "an unknown type is not set";

  ZoServiceDef s6("S6");
  EXPECT_FALSE(db_->read(s6));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_OVERFLOW);
  EXPECT_EQ(s6.getEncoding(), 0);

  ZoServiceDef missing("NOSVC");
  EXPECT_FALSE(db_->read(missing));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_KEYWORD_NOT_FOUND);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_SECTION_NOT_FOUND));

  // A following successful read clears both codes.
  ASSERT_TRUE(db_->read(s2));
  EXPECT_EQ(db_->getErrorCode(), 0u);
  EXPECT_EQ(db_->getDbErrorCode(), 0);
}

TEST_F(TextDb, WritesAndDeletesAreRefusedAndTheFileIsUntouched) {
  const std::string content = "[M]\nFormat = F\n[F]\nDataType = LONG\n[S]\nEncoding = WIN\n";
  load(content);
  ZoMessageDef message("M");
  ZoFieldDef field("F");
  ZoServiceDef service("S");
  ZoString name("M");
  ZoDatabase& db = *db_;
  const auto refused = [&](ZO_BOOLEAN result) {
    EXPECT_FALSE(result);
    EXPECT_EQ(db.getErrorCode(), ERR_DB_NOT_SUPPORTED);
    EXPECT_EQ(db.getDbErrorCode(), 0);
  };
  refused(db.write(message));
  refused(db.write(message, TRUE));
  refused(db.write(field));
  refused(db.write(field, FALSE));
  refused(db.write(service));
  refused(db.write(service, TRUE));
  refused(db.deleteSvc(name));
  refused(db.deleteMsg(name));
  refused(db.deleteMsgFlds(name));
  refused(db.deleteBuiltMsg(name));
  EXPECT_EQ(readAll(path_), content);
  EXPECT_TRUE(db.read(message));
}

TEST_F(TextDb, OpenAndCloseOutsideTheirStates) {
  const std::string missing = scratch_.dir() + "/missing.txt";
  EXPECT_FALSE(db_->open(ZoString(missing.c_str()), ZoString("")));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_OPEN_DB_FAILED);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_FILE_OPEN_ERROR));

  ZoServiceDef service("S");
  EXPECT_FALSE(db_->read(service)) << "not open";
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_FILE_NOT_OPEN));

  EXPECT_FALSE(db_->close());
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_CLOSE_DB_FAILED);
  EXPECT_EQ(db_->getDbErrorCode(), static_cast<ZO_LONG>(ERR_CONF_FILE_CLOSE_ERROR));

  load("[S]\nSystemName = X\n");
  EXPECT_FALSE(db_->open(ZoString(path_.c_str()), ZoString("")));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_OPEN_DB_FAILED) << "a second open fails";
  EXPECT_TRUE(db_->read(service)) << "and the first file stays open";
  EXPECT_STREQ(service.getSystemName().text(), "X");
  EXPECT_TRUE(db_->close());
  EXPECT_EQ(db_->getDbErrorCode(), 0);
  opened_ = false;
  EXPECT_STREQ(db_->getDbErrorText().text(), "");
}

TEST_F(TextDb, HostileFilesGiveCodesNotCrashes) {
  std::mt19937 random(7u);
  std::string bytes(64 * 1024, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  // Some plausible structure among the noise.
  bytes += "\n[F]\nDataType = LONG\nValue = 99999999999999999999999999\n";
  bytes += "[M]\nFieldList = " + std::string(100000, 'A') + "\n";
  load(bytes);
  ZoFieldDef field("F");
  EXPECT_FALSE(db_->read(field));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_OVERFLOW);
  ZoMessageDef message("M");
  EXPECT_FALSE(db_->read(message)) << "the 254-character piece is too long for a field name";
  ZoServiceDef service("NOPE");
  EXPECT_FALSE(db_->read(service));
}

TEST_F(TextDb, ManySectionsAndNulBytes) {
  std::string content;
  for (int i = 0; i < 10000; ++i) {
    content += "[F" + std::to_string(i) + "]\nDataType = LONG\nValue = " + std::to_string(i) + "\n";
  }
  content += std::string("[Z]\nDataType = STRING\nValue = ab") + '\0' + "cd\nLength = 4\n";
  load(content);
  ZoFieldDef last("F9999");
  ASSERT_TRUE(db_->read(last));
  EXPECT_EQ(last.getLongValue(), 9999);
  ZoFieldDef first("F1");
  ASSERT_TRUE(db_->read(first));
  EXPECT_EQ(first.getLongValue(), 1) << "F1 is not taken for F10...";
  ZoFieldDef z("Z");
  ASSERT_TRUE(db_->read(z));
  EXPECT_STREQ(z.getStringValue().text(), "ab") << "a NUL byte ends the text of its line";
  EXPECT_EQ(z.getLength(), 4);
}

}  // namespace
