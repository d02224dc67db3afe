// The definition database on real databases: the stored layout of messages,
// fields and services, the reads from built messages, the mapping of the
// adapter's codes, and the session's document-database branches.
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "docstore/zo_dossa_database.h"
#include "docstore/zo_dossa_security.h"
#include "docstore/zo_msg_build.h"
#include "session/zo_session.h"
#include "tests/docstore/docstore_test_util.h"
#include "tests/ndossa/engine_suite.h"

namespace {

using namespace docstoretest;

class DossaDatabaseTest : public vexotest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    configure(dir_, kDefinitionIni);
    path_ = dir_.file("defs.ndb");
    createDatabase(path_);
    session_ = std::make_unique<ZoSession>(1, argv_);
    ASSERT_EQ(session_->getErrorCode(), 0u);
    db_ = session_->getDefinitionDB();
    ASSERT_NE(dynamic_cast<ZoDossaDatabase*>(db_), nullptr);
  }
  void TearDown() override {
    session_.reset();
    EXPECT_EQ(ZoRealDossaDatabase::initCount(), 0);
  }

  // Builds every message as the database's build agent does.
  void build() {
    Db db(path_);
    std::string problem;
    ASSERT_EQ(zoBuildMessages(db.get(), {}, nullptr, problem), 0) << problem;
  }

  ZoFieldDef field(const char* name, ZO_LONG row, ZO_LONG column, ZO_LONG length) {
    ZoFieldDef f(name);
    f.setDescription(("about " + std::string(name)).c_str());
    f.setDataType(ZODT_STRING);
    f.setValue("init");
    f.setRow(row);
    f.setColumn(column);
    f.setLength(length);
    f.setHasAttributes(TRUE);
    return f;
  }

  char program_[8] = "vexopxm";
  char* argv_[2] = {program_, nullptr};
  TempDir dir_;
  std::string path_;
  std::unique_ptr<ZoSession> session_;
  ZoDatabase* db_ = nullptr;
};

TEST_P(DossaDatabaseTest, MessageAndFieldDocumentsCarryTheirItemsAndPositions) {
  ZoMessageDef m1("M1");
  m1.setDescription("first message");
  ASSERT_TRUE(db_->write(m1, FALSE));
  ZoFieldDef f1 = field("F1", 3, 15, 8);
  ZoFieldDef f2("F2");
  f2.setValue(static_cast<ZO_BYTE>(200));
  f2.setPadCharacter(ZO_PAD_ZERO);
  f2.setAlignment(ZO_ALIGN_4);
  ASSERT_TRUE(db_->write(f1));
  ASSERT_TRUE(db_->write(f2));
  ZoMessageDef m2("M2");
  ASSERT_TRUE(db_->write(m2, TRUE));
  ASSERT_TRUE(db_->write(f1));

  auto messages = notesOf(path_, "Message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(itemText(path_, messages[0], "MessageName"), "M1");
  EXPECT_EQ(itemText(path_, messages[0], "MessageDescription"), "first message");
  EXPECT_EQ(itemText(path_, messages[0], "MessageFormat"), "NONE");
  EXPECT_EQ(itemText(path_, messages[0], "Built"), "0");
  auto fields = notesOf(path_, "Field");
  ASSERT_EQ(fields.size(), 3u);
  const std::pair<const char*, const char*> first[] = {
      {"MessageName", "M1"},        {"MessageFieldName", "F1"}, {"FieldDescriptionEdit", "about F1"},
      {"FieldTypeEdit", "STRING"},  {"FieldType", "STRING"},    {"FieldDefault", "init"},
      {"FieldLengthEdit", "8"},     {"FieldLength", "8"},       {"FieldSegmentsEdit", "1"},
      {"FieldHasAttributesEdit", "Y"}, {"FieldRow", "3"},       {"FieldColumn", "15"},
      {"FieldPadCharacter", "S"},   {"FieldAlignment", "1"},    {"FieldPosition", "1"},
      {"Built", "0"},               {"FORM", "Field"}};
  for (const auto& [item, value] : first) EXPECT_EQ(itemText(path_, fields[0], item), value) << item;
  EXPECT_EQ(itemText(path_, fields[1], "FieldDefault"), "-56");
  EXPECT_EQ(itemText(path_, fields[1], "FieldTypeEdit"), "BYTE");
  EXPECT_EQ(itemText(path_, fields[1], "FieldPadCharacter"), "N");
  EXPECT_EQ(itemText(path_, fields[1], "FieldAlignment"), "4");
  EXPECT_EQ(itemText(path_, fields[1], "FieldHasAttributesEdit"), "N");
  EXPECT_EQ(itemText(path_, fields[1], "FieldPosition"), "2");
  EXPECT_EQ(itemText(path_, fields[2], "MessageName"), "M2");
  EXPECT_EQ(itemText(path_, fields[2], "FieldPosition"), "1");
}

// Every message with a "Message" document, built or not, in the order written.
TEST_P(DossaDatabaseTest, ListsTheMessagesItHolds) {
  std::vector<ZoString> names{ZoString("stale")};
  ASSERT_TRUE(db_->listMessageNames(names));
  EXPECT_TRUE(names.empty());
  for (const char* name : {"ZETA", "ALPHA", "MID"}) {
    ZoMessageDef m(name);
    ASSERT_TRUE(db_->write(m));
  }
  ZoFieldDef f = field("F1", 1, 1, 1);
  ASSERT_TRUE(db_->write(f));
  build();
  ASSERT_TRUE(db_->deleteMsg("ALPHA"));
  ASSERT_TRUE(db_->listMessageNames(names));
  std::vector<std::string> listed;
  for (const ZoString& name : names) listed.emplace_back(name.text());
  EXPECT_EQ(listed, (std::vector<std::string>{"ZETA", "MID"}));
  ZoMessageDef read(names[1]);
  EXPECT_TRUE(db_->read(read)) << "a listed name reads";
  EXPECT_EQ(read.getFieldCount(), 1);
}

TEST_P(DossaDatabaseTest, ExistingDefinitionsNeedReplace) {
  ZoMessageDef m("M1");
  ASSERT_TRUE(db_->write(m));
  EXPECT_FALSE(db_->write(m));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_ALREADY_EXISTS);
  EXPECT_EQ(db_->getDbErrorCode(), 0);
  EXPECT_EQ(db_->getDbErrorText(), "");
  // A field written after the failed message write has no message to belong to.
  ZoFieldDef f = field("F1", 1, 1, 1);
  EXPECT_FALSE(db_->write(f));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_NO_MSG_DEFN);
  EXPECT_TRUE(notesOf(path_, "Field").empty());

  ASSERT_TRUE(db_->write(m, TRUE));
  ASSERT_TRUE(db_->write(f));
  EXPECT_FALSE(db_->write(f));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_ALREADY_EXISTS);
  EXPECT_TRUE(db_->write(f, TRUE));
  EXPECT_EQ(db_->getErrorCode(), 0u);
  EXPECT_EQ(notesOf(path_, "Message").size(), 1u);
  EXPECT_EQ(notesOf(path_, "Field").size(), 1u);

  // An empty message name writes nothing and succeeds.
  ZoMessageDef unnamed("");
  EXPECT_TRUE(db_->write(unnamed));
  EXPECT_EQ(notesOf(path_, "Message").size(), 1u);
}

TEST_P(DossaDatabaseTest, BuiltMessagesReadBackAsWritten) {
  ZoMessageDef m("ORDERS");
  m.setDescription("order screen");
  m.setFormat("VEXOSTR ");
  ASSERT_TRUE(db_->write(m));
  ZoFieldDef f1 = field("CUSTNO", 3, 15, 8);
  ZoFieldDef f2("QTY");
  f2.setDataType(ZODT_SHORT);
  f2.setValue(static_cast<ZO_SHORT>(-12));
  ZoFieldDef f3("FLAG");
  f3.setValue(static_cast<ZO_BYTE>(200));
  ZoFieldDef f4("TOTAL");
  f4.setValue(static_cast<ZO_LONG>(-2147483647 - 1));
  ZoFieldDef f5("SECRET");
  f5.setDataType(ZODT_AUTHENTICATOR);
  f5.setValue("pw");
  for (ZoFieldDef* f : {&f1, &f2, &f3, &f4, &f5}) ASSERT_TRUE(db_->write(*f));
  ZoMessageDef empty("EMPTY");
  ASSERT_TRUE(db_->write(empty));
  build();

  ZoMessageDef in("ORDERS");
  ASSERT_TRUE(db_->read(in));
  EXPECT_EQ(in.getDescription(), "order screen");
  EXPECT_EQ(in.getFormat(), "VEXOSTR ");
  ASSERT_EQ(in.getFieldCount(), 5);
  ZoString alias, name;
  in.getFieldNames(alias, name, 4);
  EXPECT_EQ(alias, "SECRET");
  EXPECT_EQ(name, "SECRET");

  ZoFieldDef custno("CUSTNO");
  ASSERT_TRUE(db_->read(custno));
  EXPECT_EQ(custno.getDataType(), ZODT_STRING);
  EXPECT_EQ(custno.getStringValue(), "init");
  EXPECT_EQ(custno.getRow(), 3);
  EXPECT_EQ(custno.getColumn(), 15);
  EXPECT_EQ(custno.getLength(), 8);
  EXPECT_EQ(custno.getSegment(), 1);
  EXPECT_EQ(custno.getHasAttributes(), TRUE);
  EXPECT_EQ(custno.getPadCharacter(), ZO_PAD_BLANK);
  EXPECT_EQ(custno.getDescription(), "about CUSTNO");
  ZoFieldDef qty("QTY"), flag("FLAG"), total("TOTAL"), secret("SECRET");
  ASSERT_TRUE(db_->read(qty));
  EXPECT_EQ(qty.getDataType(), ZODT_SHORT);
  EXPECT_EQ(qty.getShortValue(), -12);
  ASSERT_TRUE(db_->read(flag));
  EXPECT_EQ(flag.getDataType(), ZODT_BYTE);
  EXPECT_EQ(flag.getByteValue(), 200);
  ASSERT_TRUE(db_->read(total));
  EXPECT_EQ(total.getLongValue(), -2147483647 - 1);
  ASSERT_TRUE(db_->read(secret));
  EXPECT_EQ(secret.getDataType(), ZODT_AUTHENTICATOR);
  EXPECT_EQ(secret.getStringValue(), "pw");

  ZoFieldDef stranger("NOTHERE");
  EXPECT_FALSE(db_->read(stranger));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);

  ZoMessageDef none("EMPTY");
  ASSERT_TRUE(db_->read(none));
  EXPECT_EQ(none.getFieldCount(), 0);
  EXPECT_EQ(none.getFormat(), "");

  // Built is set on the documents the build used.
  for (DossaNoteId id : notesOf(path_, "Field")) EXPECT_EQ(itemText(path_, id, "Built"), "1");

  // A message that was never built, or is read by another case, is not found.
  ZoMessageDef lower("orders");
  EXPECT_FALSE(db_->read(lower));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
  ZoMessageDef unknown("UNKNOWN");
  EXPECT_FALSE(db_->read(unknown));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
  // ... and a failed message read leaves no message for the field reads.
  EXPECT_FALSE(db_->read(custno));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_NO_MSG_DEFN);
}

// A replaced message or field keeps nothing of the size or display defaults
// it had, and a message read with a wider group still reads a plain field.
TEST_P(DossaDatabaseTest, ReplacingDropsAnOlderSizeAndDisplayDefaults) {
  ZoMessageDef m("M");
  m.setRowCount(24);
  m.setColumnCount(80);
  ZoFieldDef shown = field("SHOWN", 1, 1, 4), hidden = field("HIDDEN", 2, 1, 4);
  hidden.setIntensity(ZO_INTENSITY_DARK);
  hidden.setProtection(ZO_PROTECTION_PROTECTED);
  ASSERT_TRUE(db_->write(m));
  ASSERT_TRUE(db_->write(shown));
  ASSERT_TRUE(db_->write(hidden));
  build();
  ZoMessageDef in("M");
  ASSERT_TRUE(db_->read(in));
  EXPECT_EQ(in.getRowCount(), 24);
  EXPECT_EQ(in.getColumnCount(), 80);
  ZoFieldDef a("SHOWN"), b("HIDDEN");
  ASSERT_TRUE(db_->read(a));
  ASSERT_TRUE(db_->read(b));
  EXPECT_EQ(a.getIntensity(), ZO_INTENSITY_DEFAULT);
  EXPECT_EQ(b.getIntensity(), ZO_INTENSITY_DARK);
  EXPECT_EQ(b.getProtection(), ZO_PROTECTION_PROTECTED);

  ZoMessageDef plain("M");
  ASSERT_TRUE(db_->write(plain, TRUE));
  ZoFieldDef unhidden = field("HIDDEN", 2, 1, 4);
  ASSERT_TRUE(db_->write(unhidden, TRUE));
  build();
  ZoMessageDef again("M");
  ASSERT_TRUE(db_->read(again));
  EXPECT_EQ(again.getRowCount(), 0);
  EXPECT_EQ(again.getColumnCount(), 0);
  ZoFieldDef c("HIDDEN");
  ASSERT_TRUE(db_->read(c));
  EXPECT_EQ(c.getIntensity(), ZO_INTENSITY_DEFAULT);
  EXPECT_EQ(c.getProtection(), ZO_PROTECTION_DEFAULT);
}

TEST_P(DossaDatabaseTest, ScreenTextsReadBackOnRequestAndAReplaceClearsThem) {
  const ZoScreenText texts[] = {
      {1, 30, 20, "CUSTOMER INQUIRY", ZO_COLOR_BLUE, ZO_INTENSITY_BRIGHT, ZO_HIGHLIGHT_DEFAULT,
       ZO_PROTECTION_PROTECTED},
      {3, 1, 11, "Name, city:"},
      {24, 1, 79, ZoString(std::string(79, '-').c_str())},
  };
  auto* dossa = static_cast<ZoDossaDatabase*>(db_);
  ZoMessageDef m("M");
  for (const ZoScreenText& text : texts) m.addScreenText(text);
  ZoFieldDef name = field("CUSTNAME", 3, 13, 20);
  ASSERT_TRUE(db_->write(m));
  ASSERT_TRUE(db_->write(name));
  ZoMessageDef bare("BARE");
  ASSERT_TRUE(db_->write(bare));
  build();
  ZoMessageDef in("M"), none("BARE");
  ASSERT_TRUE(db_->read(in)) << db_->getErrorCode();
  EXPECT_TRUE(in.getScreenTexts().empty()) << "a message read leaves the texts out";
  ASSERT_TRUE(dossa->readScreenTexts(in)) << db_->getErrorCode();
  ASSERT_EQ(in.getScreenTexts().size(), std::size(texts));
  for (std::size_t i = 0; i < std::size(texts); ++i) EXPECT_TRUE(in.getScreenTexts()[i] == texts[i]) << i;
  EXPECT_EQ(in.getFieldCount(), 1) << "the texts are no fields of the message";
  ASSERT_TRUE(db_->read(none));
  ASSERT_TRUE(dossa->readScreenTexts(none));
  EXPECT_TRUE(none.getScreenTexts().empty());

  // A replace without texts clears them; a text too long for a stored entry
  // refuses the message and writes nothing.
  ZoMessageDef plain("M");
  ASSERT_TRUE(db_->write(plain, TRUE));
  ZoMessageDef huge("HUGE");
  huge.addScreenText({1, 1, 1, ZoString(std::string(DOSSA_MAX_ENTRY_LENGTH, 'x').c_str())});
  EXPECT_FALSE(db_->write(huge));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATA_OVERFLOW);
  EXPECT_NE(std::string(db_->getDbErrorText().text()).find("the screen text at row 1, column 1"), std::string::npos);
  build();
  ZoMessageDef again("M"), missing("HUGE");
  ASSERT_TRUE(db_->read(again));
  ASSERT_TRUE(dossa->readScreenTexts(again));
  EXPECT_TRUE(again.getScreenTexts().empty());
  EXPECT_FALSE(db_->read(missing));
}

TEST_P(DossaDatabaseTest, RebuildingAfterAReplaceDropsRemovedFields) {
  ZoMessageDef m("M");
  ASSERT_TRUE(db_->write(m));
  ZoFieldDef a = field("A", 1, 1, 1), b = field("B", 2, 2, 2);
  ASSERT_TRUE(db_->write(a));
  ASSERT_TRUE(db_->write(b));
  build();
  // What the import does on a replace: message, deletes, then the new fields.
  ASSERT_TRUE(db_->write(m, TRUE));
  EXPECT_TRUE(db_->deleteMsgFlds("M"));
  EXPECT_TRUE(db_->deleteBuiltMsg("M"));
  EXPECT_FALSE(db_->deleteBuiltMsg("M"));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
  ASSERT_TRUE(db_->write(b));
  build();
  build();  // a second build replaces the first
  EXPECT_EQ(notesOf(path_, "MsgBuild").size(), 1u);
  ZoMessageDef in("M");
  ASSERT_TRUE(db_->read(in));
  EXPECT_EQ(in.getFieldCount(), 1);
  ZoFieldDef gone("A");
  EXPECT_FALSE(db_->read(gone));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
  ZoFieldDef kept("B");
  EXPECT_TRUE(db_->read(kept));
  EXPECT_EQ(kept.getRow(), 2);

  EXPECT_FALSE(db_->deleteMsgFlds("NOFIELDS"));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
  EXPECT_TRUE(db_->deleteMsg("M"));
  EXPECT_TRUE(notesOf(path_, "Message").empty());
}

// "MsgBuild" documents made by hand: group widths, duplicates and bad letters.
TEST_P(DossaDatabaseTest, BuiltDocumentsAreDecodedDefensively) {
  auto group = [](const std::string& name, const char* type, const char* attrs, const char* pad,
                  const char* align) {
    return std::vector<std::string>{name, "d", "base", type, "7", "5", "1", attrs, "2", "3", pad, align};
  };
  std::vector<std::string> three;
  for (const char* n : {"X", "Y", "X"}) {
    auto g = group(n, "T", "Y", "S", "1");
    if (!three.empty()) g[4] = "second";
    three.insert(three.end(), g.begin(), g.end());
  }
  auto builtDoc = [&](const std::string& name, double width, const std::vector<std::string>& entries) {
    put(path_, "MsgBuild", {text("msgdef_name", name), text("msgdef_description", "hand"),
                            text("msgdef_format", "STRING"), number("msgdef_fldcnt", width),
                            list("msgdef_fldlist", entries)});
  };
  builtDoc("THREE", 12, three);
  builtDoc("ZERO", 0, three);
  builtDoc("NEGATIVE", -12, three);
  builtDoc("NARROW", 5, three);
  auto bad = group("BAD", "Q", "Z", "S", "8");
  auto worse = group("WORSE", "T", "Y", "x", "3");
  bad.insert(bad.end(), worse.begin(), worse.end());
  builtDoc("LETTERS", 12, bad);
  put(path_, "MsgBuild", {text("msgdef_name", "NOLIST"), text("msgdef_description", "d"),
                          text("msgdef_format", "NONE"), number("msgdef_fldcnt", 12)});
  // The database was opened before these documents existed: the view sees them all the same.

  ZoMessageDef three_("THREE");
  ASSERT_TRUE(db_->read(three_));
  EXPECT_EQ(three_.getFieldCount(), 3);
  EXPECT_EQ(three_.getFormat(), "VEXOSTR ");
  ZoFieldDef x("X");
  ASSERT_TRUE(db_->read(x));
  EXPECT_EQ(x.getStringValue(), "7");  // the first group of the name
  EXPECT_EQ(x.getBaseName(), "base");

  for (const char* name : {"ZERO", "NEGATIVE", "NARROW", "NOLIST"}) {
    ZoMessageDef m(name);
    EXPECT_FALSE(db_->read(m)) << name;
    EXPECT_EQ(db_->getErrorCode(), ERR_DB_INCOMPATIBLE_DATABASE) << name;
    EXPECT_EQ(m.getFieldCount(), 0) << name;
  }
  ZoFieldDef after("X");
  EXPECT_FALSE(db_->read(after));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_NO_MSG_DEFN);

  ZoMessageDef letters("LETTERS");
  ASSERT_TRUE(db_->read(letters));
  ZoFieldDef badField("BAD");
  EXPECT_FALSE(db_->read(badField));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_INV_HAS_ATTRS_VAL);  // the last of the failing checks
  EXPECT_EQ(badField.getBaseName(), "");
  ZoFieldDef worseField("WORSE");
  EXPECT_FALSE(db_->read(worseField));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_INV_ALIGNMENT_VAL);

  // Close and reopen: the cache is gone.
  ASSERT_TRUE(db_->close());
  EXPECT_FALSE(db_->close());
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_CLOSED);
  ASSERT_TRUE(db_->open("defs.ndb", ""));
  EXPECT_FALSE(db_->open("defs.ndb", ""));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_ALREADY_OPEN);
  EXPECT_FALSE(db_->read(x));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_NO_MSG_DEFN);
}

TEST_P(DossaDatabaseTest, BuildAgentBuildsTheNamedMessagesByExactName) {
  for (const char* name : {"ONE", "TWO"}) {
    ZoMessageDef m(name);
    ASSERT_TRUE(db_->write(m));
    ZoFieldDef f = field("UPPER", 1, 2, 3);
    ASSERT_TRUE(db_->write(f));
  }
  // The store refuses a second message that differs only in case (its key
  // check is exact); such documents can still come from elsewhere.
  ZoMessageDef lower("two");
  EXPECT_FALSE(db_->write(lower));
  EXPECT_EQ(db_->getErrorCode(), ERR_RDBD_KEY_ITEM_MISMATCH);
  put(path_, "Message", {text("MessageName", "two"), text("MessageDescription", ""), text("MessageFormat", "NONE")});
  put(path_, "Field", {text("MessageName", "two"), text("MessageFieldName", "LOWER"), number("FieldPosition", 1)});
  Db db(path_);
  std::string problem;
  std::vector<std::string> built;
  auto report = [&](const std::string& message, std::size_t fields) {
    built.push_back(message + ":" + std::to_string(fields));
  };
  EXPECT_EQ(zoBuildMessages(db.get(), {"TWO", "NONE"}, report, problem), DOSSA_ERR_NOTE_NOT_FOUND);
  EXPECT_NE(problem.find("NONE"), std::string::npos);
  EXPECT_TRUE(built.empty());
  ASSERT_EQ(zoBuildMessages(db.get(), {"TWO"}, report, problem), 0) << problem;
  EXPECT_EQ(built, std::vector<std::string>{"TWO:1"});
  auto msgBuild = notesOf(path_, "MsgBuild");
  ASSERT_EQ(msgBuild.size(), 1u);
  EXPECT_EQ(itemText(path_, msgBuild[0], "msgdef_fldlist").substr(0, 5), "UPPER");
  EXPECT_EQ(itemText(path_, msgBuild[0], "msgdef_fldcnt"), "12");
  EXPECT_EQ(itemText(path_, notesOf(path_, "Message")[0], "Built"), "0");
  EXPECT_EQ(itemText(path_, notesOf(path_, "Message")[1], "Built"), "1");
}

TEST_P(DossaDatabaseTest, ServicesKeepTypeCharacterSetAndEncoding) {
  ZoServiceDef s("ORDER-ENTRY");
  s.setServiceStep("STEP1");
  s.setCharacterSet(-37);
  s.setConnectionManager("CM");
  s.setInboundConnection("IN");
  s.setOutboundConnection("OUT");
  s.setSystemName("HOST");
  s.setServiceType(ZOST_KOVA_XPC_DIRECT);
  s.setEncoding(0x111);
  ASSERT_TRUE(db_->write(s));
  ZoServiceDef odd("ODD");
  odd.setEncoding(0x11);
  EXPECT_FALSE(db_->write(odd)) << "an encoding the read refuses is not stored";
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_INV_ENCODING_VAL);
  put(path_, "Service", {text("svcdef_name", "ODD"), text("svcdef_step", ""), text("svcdef_charset", "0"),
                         text("svcdef_connmgr", ""), text("svcdef_ibconn", ""), text("svcdef_obconn", ""),
                         text("svcdef_sysname", ""), text("svcdef_type", "P"), text("svcdef_encval", "11"),
                         text("svcdef_encname", "11")});
  put(path_, "Service", {text("svcdef_name", "HEXA"), text("svcdef_step", ""), text("svcdef_charset", "0"),
                         text("svcdef_connmgr", ""), text("svcdef_ibconn", ""), text("svcdef_obconn", ""),
                         text("svcdef_sysname", ""), text("svcdef_type", "I"), text("svcdef_encval", "1A1"),
                         text("svcdef_encname", "1A1")});
  auto ids = notesOf(path_, "Service");
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(itemText(path_, ids[0], "svcdef_encval"), "111");
  EXPECT_EQ(itemText(path_, ids[0], "svcdef_type"), "C");
  EXPECT_EQ(itemText(path_, ids[0], "svcdef_charset"), "-37");
  EXPECT_EQ(itemText(path_, ids[1], "svcdef_encname"), "11");
  EXPECT_EQ(itemText(path_, ids[1], "svcdef_type"), "P");

  ZoServiceDef in("ORDER-ENTRY");
  ASSERT_TRUE(db_->read(in));
  EXPECT_EQ(in.getEncoding(), 0x111);
  EXPECT_EQ(in.getServiceType(), ZOST_KOVA_XPC_DIRECT);
  EXPECT_EQ(in.getCharacterSet(), -37);
  EXPECT_EQ(in.getServiceStep(), "STEP1");
  EXPECT_EQ(in.getConnectionManager(), "CM");
  EXPECT_EQ(in.getInboundConnection(), "IN");
  EXPECT_EQ(in.getOutboundConnection(), "OUT");
  EXPECT_EQ(in.getSystemName(), "HOST");
  ZoServiceDef oddIn("ODD");
  EXPECT_FALSE(db_->read(oddIn));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_INV_ENCODING_VAL);
  ZoServiceDef hexa("HEXA");
  ASSERT_TRUE(db_->read(hexa));
  EXPECT_EQ(hexa.getEncoding(), 0x101);
  EXPECT_EQ(hexa.getServiceType(), ZOST_PLV_VIA_RK);

  EXPECT_FALSE(db_->write(s));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_ALREADY_EXISTS);
  put(path_, "Service", {text("svcdef_name", "hexa")});
  EXPECT_FALSE(db_->read(hexa));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DUPLICATE_DEFN);
  EXPECT_TRUE(db_->deleteSvc("ODD"));
  EXPECT_FALSE(db_->read(oddIn));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DEFN_NOT_FOUND);
}

// Every numeric property, at and past both ends of its range: a value either
// comes back exactly through the store or is refused when written.
TEST_P(DossaDatabaseTest, WhatIsWrittenReadsBackOrIsRefusedAtWrite) {
  using Set = void (*)(ZoFieldDef&, long long);
  using Get = long long (*)(const ZoFieldDef&);
  constexpr long long kMin = -2147483647LL - 1, kMax = 2147483647LL;
  const Set row = [](ZoFieldDef& f, long long v) { f.setRow(static_cast<ZO_LONG>(v)); };
  const Set column = [](ZoFieldDef& f, long long v) { f.setColumn(static_cast<ZO_LONG>(v)); };
  const Set length = [](ZoFieldDef& f, long long v) { f.setLength(static_cast<ZO_LONG>(v)); };
  const Set segment = [](ZoFieldDef& f, long long v) { f.setSegment(static_cast<ZO_LONG>(v)); };
  const Set type = [](ZoFieldDef& f, long long v) { f.setDataType(static_cast<ZO_LONG>(v)); };
  const Set align = [](ZoFieldDef& f, long long v) { f.setAlignment(static_cast<ZO_LONG>(v)); };
  const Set pad = [](ZoFieldDef& f, long long v) { f.setPadCharacter(static_cast<ZO_BYTE>(v)); };
  const Set attrs = [](ZoFieldDef& f, long long v) { f.setHasAttributes(static_cast<ZO_BOOLEAN>(v)); };
  const Set longValue = [](ZoFieldDef& f, long long v) { f.setValue(static_cast<ZO_LONG>(v)); };
  const Set shortValue = [](ZoFieldDef& f, long long v) { f.setValue(static_cast<ZO_SHORT>(v)); };
  const Set byteValue = [](ZoFieldDef& f, long long v) { f.setValue(static_cast<ZO_BYTE>(v)); };
  const struct {
    Set set;
    Get get;
    std::vector<long long> stored, refused;
    ZO_ULONG code;
  } properties[] = {
      {row, [](const ZoFieldDef& f) -> long long { return f.getRow(); }, {0, kMax}, {-1, kMin}, ERR_DB_DATA_OVERFLOW},
      {column, [](const ZoFieldDef& f) -> long long { return f.getColumn(); }, {0, kMax}, {-1, kMin}, ERR_DB_DATA_OVERFLOW},
      {length, [](const ZoFieldDef& f) -> long long { return f.getLength(); }, {0, kMax}, {-1, kMin}, ERR_DB_DATA_OVERFLOW},
      {segment, [](const ZoFieldDef& f) -> long long { return f.getSegment(); }, {0, kMax}, {-1, kMin}, ERR_DB_DATA_OVERFLOW},
      {type, [](const ZoFieldDef& f) -> long long { return f.getDataType(); }, {ZODT_STRING, ZODT_SYSTEM_AUTHENTICATOR},
       {ZODT_NONE, ZODT_SYSTEM_AUTHENTICATOR + 1}, ERR_DB_INVALID_DATATYPE},
      {align, [](const ZoFieldDef& f) -> long long { return f.getAlignment(); }, {1, 2, 4, 8}, {0, 3, 9, -1}, ERR_DB_INV_ALIGNMENT_VAL},
      {pad, [](const ZoFieldDef& f) -> long long { return f.getPadCharacter(); }, {ZO_PAD_ZERO, ZO_PAD_BLANK}, {1, 255}, ERR_DB_INV_PAD_CHAR_VAL},
      {attrs, [](const ZoFieldDef& f) -> long long { return f.getHasAttributes(); }, {FALSE, TRUE}, {2, -1}, ERR_DB_INV_HAS_ATTRS_VAL},
      {longValue, [](const ZoFieldDef& f) -> long long { return f.getLongValue(); }, {kMin, kMax}, {}, 0},
      {shortValue, [](const ZoFieldDef& f) -> long long { return f.getShortValue(); }, {-32768, 32767}, {}, 0},
      {byteValue, [](const ZoFieldDef& f) -> long long { return f.getByteValue(); }, {0, 255}, {}, 0},
  };
  ZoMessageDef m("LIMITS");
  ASSERT_TRUE(db_->write(m));
  struct Expected {
    std::string name;
    Get get;
    long long value;
  };
  std::vector<Expected> expected;
  for (const auto& p : properties) {
    for (const bool refused : {false, true}) {
      for (long long value : refused ? p.refused : p.stored) {
        const std::string name = "F" + std::to_string(expected.size()) + (refused ? "R" : "");
        ZoFieldDef f(name.c_str());
        f.setValue("");
        p.set(f, value);
        EXPECT_EQ(db_->write(f), refused ? FALSE : TRUE) << name << " = " << value;
        EXPECT_EQ(db_->getErrorCode(), refused ? p.code : 0u) << name << " = " << value;
        expected.push_back({name, p.get, refused ? 0 : value});
      }
    }
  }
  build();
  ZoMessageDef in("LIMITS");
  ASSERT_TRUE(db_->read(in));
  for (const Expected& e : expected) {
    ZoFieldDef f(e.name.c_str());
    const bool refused = e.name.back() == 'R';
    EXPECT_EQ(db_->read(f), refused ? FALSE : TRUE) << e.name;
    if (!refused) {
      EXPECT_EQ(e.get(f), e.value) << e.name;
    }
  }

  // The same for a service: type, encoding and character set.
  const struct {
    ZO_LONG type, encoding, characterSet;
    ZO_ULONG code;
  } services[] = {
      {ZOST_RK, 0x100, static_cast<ZO_LONG>(kMin), 0},
      {ZOST_KOVA_8631_DIRECT, 0x999, static_cast<ZO_LONG>(kMax), 0},
      {-1, 0x111, 0, ERR_DB_INV_SERVICE_TYPE_VAL},
      {ZOST_KOVA_8631_DIRECT + 1, 0x111, 0, ERR_DB_INV_SERVICE_TYPE_VAL},
      {ZOST_RK, 0xFF, 0, ERR_DB_INV_ENCODING_VAL},
      {ZOST_RK, 0x1000, 0, ERR_DB_INV_ENCODING_VAL},
      {ZOST_RK, 0x1A1, 0, ERR_DB_INV_ENCODING_VAL},
      {ZOST_RK, -1, 0, ERR_DB_INV_ENCODING_VAL},
  };
  for (std::size_t i = 0; i < std::size(services); ++i) {
    const auto& c = services[i];
    const std::string name = "SVC" + std::to_string(i);
    ZoServiceDef s(name.c_str());
    s.setServiceType(c.type);
    s.setEncoding(c.encoding);
    s.setCharacterSet(c.characterSet);
    EXPECT_EQ(db_->write(s), c.code == 0 ? TRUE : FALSE) << name;
    EXPECT_EQ(db_->getErrorCode(), c.code) << name;
    ZoServiceDef back(name.c_str());
    EXPECT_EQ(db_->read(back), c.code == 0 ? TRUE : FALSE) << name;
    if (c.code != 0) continue;
    EXPECT_EQ(back.getServiceType(), c.type) << name;
    EXPECT_EQ(back.getEncoding(), c.encoding) << name;
    EXPECT_EQ(back.getCharacterSet(), c.characterSet) << name;
  }
}

TEST_P(DossaDatabaseTest, ClosedDatabaseRefusesEveryOperation) {
  ASSERT_TRUE(db_->close());
  ZoMessageDef m("M");
  ZoFieldDef f("F");
  ZoServiceDef s("S");
  EXPECT_FALSE(db_->write(m));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_CLOSED);
  EXPECT_FALSE(db_->read(m));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_CLOSED);
  EXPECT_FALSE(db_->read(f));
  EXPECT_FALSE(db_->read(s));
  EXPECT_FALSE(db_->write(f));
  EXPECT_FALSE(db_->write(s));
  EXPECT_FALSE(db_->deleteMsg("M"));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_CLOSED);
  std::vector<ZoString> names;
  EXPECT_FALSE(db_->listMessageNames(names));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_CLOSED);
  EXPECT_FALSE(db_->open("missing.ndb", ""));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATABASE_UNKNOWN);
  EXPECT_FALSE(db_->open("defs.ndb", "REMOTE"));
  EXPECT_EQ(db_->getErrorCode(), ERR_DB_DATABASE_UNKNOWN);
  if (localFiles()) {  // a foreign file
    std::ofstream(dir_.file("junk.ndb")) << "junk";
    EXPECT_FALSE(db_->open("junk.ndb", ""));
    EXPECT_EQ(db_->getErrorCode(), ERR_DB_SYS_ERROR);
    EXPECT_NE(db_->getDbErrorCode(), 0);
    EXPECT_EQ(db_->getDbErrorText(), "");  // no open database to give the text
  }
  EXPECT_TRUE(db_->open("defs.ndb", ""));
  EXPECT_EQ(db_->getDbErrorCode(), 0);
}

TEST(DossaSession, ConfigurationErrorsOfTheDocumentDatabaseReachTheSession) {
  TempDir dir;
  configure(dir, kDefinitionIni);  // defs.ndb does not exist
  char program[] = "vexopxm";
  char* argv[] = {program, nullptr};
  ZoSession missing(1, argv);
  EXPECT_EQ(missing.getErrorCode(), ERR_DB_DATABASE_UNKNOWN);
  EXPECT_EQ(missing.getDefinitionDB(), nullptr);
  std::ofstream(dir.file("defs.ndb")) << "junk";
  ZoSession junk(1, argv);
  EXPECT_EQ(junk.getErrorCode(), ERR_DB_SYS_ERROR);
  EXPECT_NE(junk.getReasonCode(), 0);
  EXPECT_EQ(junk.getErrorText(), "");
  EXPECT_EQ(ZoRealDossaDatabase::initCount(), 0);
}

// A session created without arguments opens both databases without handing
// the program's arguments to the client library, which starts all the same.
TEST(DossaSession, SessionWithoutArgumentsOpensDefinitionAndSecurityDatabases) {
  TempDir dir;
  configure(dir, kFullIni);
  createDatabase(dir.file("defs.ndb"));
  createDatabase(dir.file("security.ndb"));
  setenv("NDOSSA_USER", "CN=Jane Doe/O=Acme", 1);
  put(dir.file("security.ndb"), "Security",
      {text("secdef_dossaid", "Jane Doe/Acme"), text("secdef_sysname", "HOST"),
       text("secdef_userid", "JDOE"), text("secdef_auth", "s3cret")});
  {
    ZoSession session;
    ASSERT_EQ(session.getErrorCode(), 0u);
    ASSERT_NE(session.getSecurityDB(), nullptr);
    EXPECT_EQ(ZoRealDossaDatabase::initCount(), 2);
    ZoSecurityDef def("HOST");
    ASSERT_TRUE(session.getSecurityDB()->read(def));
    EXPECT_EQ(def.getUserId(), "JDOE");
    EXPECT_EQ(def.getAuthenticator(), "s3cret");
    ZoMessageDef m("M");
    EXPECT_TRUE(session.getDefinitionDB()->write(m));
  }
  EXPECT_EQ(ZoRealDossaDatabase::initCount(), 0);
}

VEXO_ENGINE_SUITE(DossaDatabaseTest);

}  // namespace
