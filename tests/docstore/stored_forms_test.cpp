// The codecs of the stored forms: a definition goes through its record and
// its build group and comes back as it was; a bad group entry is refused with
// its code; and what a unit wrote decides whether its builds come from memory.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/return_codes.h"
#include "defs/zo_data_types.h"
#include "docstore/zo_msg_build.h"
#include "docstore/zo_stored_forms.h"

namespace {

using namespace zodossa;

struct FieldCase {
  const char* what;
  ZO_LONG type;
  const char* text;  // initial value of a text field
  ZO_LONG number;    // initial value of a number field
  ZO_BYTE pad;
  ZO_LONG alignment;
  ZO_LONG color;     // ZO_COLOR_DEFAULT: the field has no display defaults of its own
  ZO_BOOLEAN numeric = FALSE;
  ZO_BOOLEAN cursor = FALSE;
};

ZoFieldDef makeField(const FieldCase& c) {
  ZoFieldDef def("NAME");
  def.setDescription("the name");
  def.setBaseName("BASE");
  def.setDataType(c.type);
  if (c.type == ZODT_SHORT) def.setValue(static_cast<ZO_SHORT>(c.number));
  else if (c.type == ZODT_LONG) def.setValue(c.number);
  else if (c.type == ZODT_BYTE) def.setValue(static_cast<ZO_BYTE>(c.number));
  else def.setValue(c.text);
  def.setLength(12);
  def.setSegment(2);
  def.setRow(3);
  def.setColumn(40);
  def.setHasAttributes(TRUE);
  def.setPadCharacter(c.pad);
  def.setAlignment(c.alignment);
  def.setColor(c.color);
  def.setNumeric(c.numeric);
  def.setCursor(c.cursor);
  return def;
}

TEST(StoredForms, FieldsComeBackFromTheirBuildGroupAsTheyWere) {
  const FieldCase cases[] = {
      {"text", ZODT_STRING, "hello", 0, ZO_PAD_BLANK, ZO_ALIGN_1, ZO_COLOR_DEFAULT},
      {"short", ZODT_SHORT, "", -32768, ZO_PAD_ZERO, ZO_ALIGN_2, ZO_COLOR_DEFAULT},
      {"long", ZODT_LONG, "", 2147483647, ZO_PAD_BLANK, ZO_ALIGN_4, ZO_COLOR_DEFAULT},
      {"byte above 127", ZODT_BYTE, "", 200, ZO_PAD_ZERO, ZO_ALIGN_8, ZO_COLOR_DEFAULT},
      {"own display", ZODT_STRING, "", 0, ZO_PAD_BLANK, ZO_ALIGN_1, ZO_COLOR_MAX},
      {"numeric flag", ZODT_STRING, "", 0, ZO_PAD_BLANK, ZO_ALIGN_1, ZO_COLOR_DEFAULT, TRUE, FALSE},
      {"cursor flag and own display", ZODT_STRING, "", 0, ZO_PAD_BLANK, ZO_ALIGN_1, ZO_COLOR_MAX, FALSE, TRUE},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ZoFieldDef def = makeField(c);
    const StoredField stored = zoStoredField(def, "MSG", 7, false, false);
    EXPECT_EQ(zoUnreadableField(def, stored), 0u);
    const ZoBuiltField group = zoFieldBuildGroup(stored);
    ASSERT_EQ(group.entries.size(), static_cast<std::size_t>(BUILD_GROUP_SIZE));
    EXPECT_EQ(group.position, 7);
    EXPECT_EQ(group.ownDisplay, c.color != ZO_COLOR_DEFAULT);
    EXPECT_EQ(group.ownFlags, c.numeric || c.cursor);
    // The items written: the plain ones, and each group that is the field's own.
    std::array<FieldItem, F_COUNT> written{};
    EXPECT_EQ(zoWrittenFieldItems(stored, written),
              FIELD_PLAIN_ITEMS + (group.ownDisplay ? DISPLAY_ITEM_COUNT : 0) + (group.ownFlags ? FLAG_ITEM_COUNT : 0));
    std::vector<const char*> entries;
    for (const std::string& e : group.entries) entries.push_back(e.c_str());
    for (const std::string& e : group.display) entries.push_back(e.c_str());
    for (const std::string& e : group.flags) entries.push_back(e.c_str());
    ZoFieldDef back("NAME");
    ASSERT_EQ(zoFieldFromEntries(entries.data(), BUILD_FLAG_GROUP_SIZE, back), 0u);
    EXPECT_EQ(back.getDataType(), def.getDataType());
    EXPECT_EQ(back.getStringValue(), def.getStringValue());
    EXPECT_EQ(back.getShortValue(), def.getShortValue());
    EXPECT_EQ(back.getLongValue(), def.getLongValue());
    EXPECT_EQ(back.getByteValue(), def.getByteValue());
    EXPECT_EQ(back.getDescription(), def.getDescription());
    EXPECT_EQ(back.getBaseName(), def.getBaseName());
    EXPECT_EQ(back.getLength(), 12);
    EXPECT_EQ(back.getSegment(), 2);
    EXPECT_EQ(back.getRow(), 3);
    EXPECT_EQ(back.getColumn(), 40);
    EXPECT_EQ(back.getPadCharacter(), def.getPadCharacter());
    EXPECT_EQ(back.getAlignment(), def.getAlignment());
    EXPECT_EQ(back.getColor(), def.getColor());
    EXPECT_EQ(back.getNumeric(), def.getNumeric());
    EXPECT_EQ(back.getCursor(), def.getCursor());
  }
}

TEST(StoredForms, ABadGroupEntryIsRefusedAndLeavesTheDefinition) {
  const struct {
    ZO_LONG entry;
    const char* value;
    ZO_ULONG code;
  } cases[] = {
      {BUILD_TYPE, "Q", ERR_DB_INVALID_DATATYPE},   {BUILD_HAS_ATTRIBUTES, "?", ERR_DB_INV_HAS_ATTRS_VAL},
      {BUILD_PAD, "X", ERR_DB_INV_PAD_CHAR_VAL},    {BUILD_ALIGNMENT, "3", ERR_DB_INV_ALIGNMENT_VAL},
      {BUILD_LENGTH, "99999999999", ERR_DB_DATA_OVERFLOW}, {BUILD_VALUE, "40000", ERR_DB_DATA_OVERFLOW},
      {BUILD_COLOR, "999", ERR_DB_DATA_OVERFLOW},  {BUILD_CURSOR, "2", ERR_DB_DATA_OVERFLOW},
  };
  const ZoFieldDef def = makeField({"short", ZODT_SHORT, "", 5, ZO_PAD_BLANK, ZO_ALIGN_1, ZO_COLOR_DEFAULT});
  const ZoBuiltField group = zoFieldBuildGroup(zoStoredField(def, "MSG", 1, false, false));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    std::vector<std::string> texts = group.entries;
    texts.insert(texts.end(), group.display.begin(), group.display.end());
    texts.insert(texts.end(), group.flags.begin(), group.flags.end());
    texts[c.entry] = c.value;
    std::vector<const char*> entries;
    for (const std::string& e : texts) entries.push_back(e.c_str());
    ZoFieldDef back("NAME");
    EXPECT_EQ(zoFieldFromEntries(entries.data(), BUILD_FLAG_GROUP_SIZE, back), c.code);
    EXPECT_EQ(back.getDataType(), ZoFieldDef("NAME").getDataType());
  }
}

TEST(StoredForms, AServiceComesBackFromItsRecord) {
  ZoServiceDef def("SVC");
  def.setServiceStep("step");
  def.setCharacterSet(-37);
  def.setConnectionManager("manager");
  def.setServiceType(2);
  def.setEncoding(0x123);
  const StoredService stored = zoStoredService(def);
  EXPECT_EQ(zoUnreadableService(def, stored), 0u);
  ZoServiceDef back("SVC");
  ASSERT_EQ(zoServiceFromStored(stored, back), 0u);
  EXPECT_EQ(back.getServiceStep(), def.getServiceStep());
  EXPECT_EQ(back.getCharacterSet(), -37);
  EXPECT_EQ(back.getConnectionManager(), def.getConnectionManager());
  EXPECT_EQ(back.getServiceType(), 2);
  EXPECT_EQ(back.getEncoding(), 0x123);
}

// A message's screen texts go through their list and come back as they were;
// a text beyond what an entry holds is refused with the reason, and a list
// entry that is no screen text refuses the read and leaves no texts.
TEST(StoredForms, ScreenTextsComeBackFromTheirListAndBadOnesAreRefused) {
  ZoScreenText wide;
  wide.text = std::string(static_cast<std::size_t>(DOSSA_MAX_ENTRY_LENGTH), 'x').c_str();
  const struct {
    const char* what;
    std::vector<ZoScreenText> texts;
    ZO_ULONG code;
  } cases[] = {
      {"none", {}, 0},
      {"two, with commas", {{1, 30, 16, "CUSTOMER, INQUIRY", 2, 32, 20, 42}, {3, 1, 5, "Name:"}}, 0},
      {"too long for an entry", {wide}, ERR_DB_DATA_OVERFLOW},
  };
  for (const auto& c : cases) {
    ZoMessageDef def("MSG");
    for (const ZoScreenText& t : c.texts) def.addScreenText(t);
    ItemValue values[ST_COUNT];
    ZO_LONG entrySize = 0;
    std::string reason;
    ASSERT_EQ(zoScreenTextValues(def, values, entrySize, reason), c.code) << c.what;
    EXPECT_EQ(reason.empty(), c.code == 0) << c.what;
    if (c.code != 0) continue;
    EXPECT_STREQ(values[ST_NAME].text, "MSG");
    EXPECT_EQ(values[ST_LONGEST].number, entrySize - 1) << c.what;
    ZoMessageDef back("MSG");
    back.addScreenText({9, 9, 1, "stale"});
    ASSERT_EQ(zoScreenTextsFromValues(values[ST_TEXTS], entrySize, back), 0u) << c.what;
    EXPECT_TRUE(back.getScreenTexts() == c.texts) << c.what;
  }
  ItemValue bad;
  bad.listCount = 2;
  bad.listBuffer = std::make_unique<char[]>(2 * 10);
  std::strcpy(bad.listBuffer.get(), "1,2,3,0,");  // four of the seven numbers
  ZoMessageDef back("MSG");
  EXPECT_EQ(zoScreenTextsFromValues(bad, 10, back), ERR_DB_INCOMPATIBLE_DATABASE);
  EXPECT_TRUE(back.getScreenTexts().empty());
}

// The import's order (message, delete of its fields, its fields) builds from
// memory; anything that may leave other documents behind reads them back.
TEST(StoredForms, AUnitBuildsFromMemoryOnlyWhatItWroteWhole) {
  enum Step { Message, DeleteFields, Field, ReplaceField, DeleteByKey, OtherMessageFields };
  const struct {
    const char* what;
    std::vector<Step> steps;
    bool known;
    std::size_t fields;
  } cases[] = {
      {"import order", {Message, DeleteFields, Field, Field}, true, 2},
      {"fields without the delete", {Message, Field}, false, 0},
      {"a replaced field", {Message, DeleteFields, Field, ReplaceField}, false, 1},
      {"a delete by key after", {Message, DeleteFields, Field, DeleteByKey}, false, 1},
      {"another message's fields deleted", {Message, OtherMessageFields, Field}, false, 0},
  };
  const ZoFieldDef def = makeField({"text", ZODT_STRING, "x", 0, ZO_PAD_BLANK, ZO_ALIGN_1, ZO_COLOR_DEFAULT});
  ZoMessageDef message("MSG");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ZoUnitWrites writes;
    writes.begin();
    for (Step step : c.steps) {
      switch (step) {
        case Message:
          writes.messageWriting();
          writes.messageWritten(zoStoredMessage(message, true));
          break;
        case DeleteFields:
          writes.fieldsDeleted("MSG");
          break;
        case OtherMessageFields:
          writes.fieldsDeleted("OTHER");
          break;
        case DeleteByKey:
          writes.definitionsDeleted();
          break;
        case Field:
        case ReplaceField:
          writes.fieldWriting(step == ReplaceField);
          EXPECT_TRUE(writes.fieldsInUnit());
          writes.fieldWritten(zoStoredField(def, writes.currentMessage(), writes.nextPosition(), true, false));
          break;
      }
    }
    ASSERT_EQ(writes.messages().size(), 1u);
    EXPECT_EQ(writes.messages()[0].known, c.known);
    EXPECT_EQ(writes.messages()[0].built.fields.size(), c.fields);
    writes.abort();
    EXPECT_TRUE(writes.currentMessage().empty());
    EXPECT_FALSE(writes.fieldsInUnit());
  }
}

}  // namespace
