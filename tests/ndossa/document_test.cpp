// Documents and items: saving, reading back, replacing, deleting, and the
// limits on names, values and sizes.

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/ndossa/dossa_test_util.h"

namespace dossatest {
namespace {

using DocumentTest = DossaTest;

TEST_P(DocumentTest, AllThreeKindsRoundTripThroughTheFile) {
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db_, &note), DOSSA_NOERROR);
  DossaNoteId id = 99;
  ASSERT_EQ(DossaNoteGetId(note, &id), DOSSA_NOERROR);
  EXPECT_EQ(id, 0u);  // not saved yet
  ASSERT_EQ(DossaItemSetText(note, "FORM", "MsgBuild", DOSSA_TERMINATED), DOSSA_NOERROR);
  ASSERT_EQ(DossaItemSetText(note, "msgdef_name", "ABCDEFGH", 3), DOSSA_NOERROR);  // explicit length
  double width = 12.75;
  ASSERT_EQ(DossaItemSetNumber(note, "msgdef_fldcnt", &width), DOSSA_NOERROR);
  ASSERT_EQ(DossaItemCreateTextList(note, "msgdef_fldlist", "F1", DOSSA_TERMINATED), DOSSA_NOERROR);
  ASSERT_EQ(DossaItemAppendTextList(note, "msgdef_fldlist", "a longer entry", DOSSA_TERMINATED, 0),
            DOSSA_NOERROR);
  ASSERT_EQ(DossaItemAppendTextList(note, "msgdef_fldlist", "", DOSSA_TERMINATED, 0), DOSSA_NOERROR);
  ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  ASSERT_EQ(DossaNoteGetId(note, &id), DOSSA_NOERROR);
  EXPECT_GT(id, 0u);
  ASSERT_EQ(DossaNoteClose(note), DOSSA_NOERROR);
  EXPECT_EQ(DossaNoteClose(note), DOSSA_ERR_BAD_HANDLE);

  // Read back through a second connection, so nothing comes from memory.
  DossaDbHandle other = 0;
  ASSERT_EQ(DossaDbOpen(path_.c_str(), &other), DOSSA_NOERROR);
  ASSERT_EQ(DossaNoteOpen(other, id, 0, &note), DOSSA_NOERROR);
  char buffer[64];
  EXPECT_TRUE(DossaItemIsPresent(note, "MSGDEF_NAME", DOSSA_TERMINATED));  // names ignore case
  EXPECT_TRUE(DossaItemIsPresent(note, "msgdef_nameXYZ", 11));            // only nameLength bytes count
  EXPECT_FALSE(DossaItemIsPresent(note, "msgdef", DOSSA_TERMINATED));
  EXPECT_EQ(DossaItemGetText(note, "msgdef_name", buffer, sizeof buffer), 3);
  EXPECT_EQ(std::string(buffer, 3), "ABC");
  EXPECT_EQ(DossaItemGetLong(note, "msgdef_fldcnt", -1), 12);
  EXPECT_EQ(DossaItemGetLong(note, "msgdef_name", -1), -1);  // not a number
  EXPECT_EQ(DossaItemGetLong(note, "absent", 5), 5);
  EXPECT_EQ(DossaItemGetTextListEntries(note, "msgdef_fldlist"), 3);
  EXPECT_EQ(DossaItemGetTextListEntries(note, "msgdef_name"), 1);
  EXPECT_EQ(DossaItemGetTextListEntries(note, "msgdef_fldcnt"), 0);
  EXPECT_EQ(DossaItemGetTextListEntry(note, "msgdef_fldlist", 1, buffer, sizeof buffer), 14);
  EXPECT_STREQ(buffer, "a longer entry");
  EXPECT_EQ(DossaItemGetTextListEntry(note, "msgdef_fldlist", 2, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(DossaItemGetTextListEntry(note, "msgdef_fldlist", 3, buffer, sizeof buffer), 0);
  EXPECT_EQ(DossaItemGetText(note, "msgdef_fldlist", buffer, sizeof buffer), 20);
  EXPECT_EQ(std::string(buffer, 20), "F1; a longer entry; ");
  EXPECT_EQ(DossaItemGetText(note, "msgdef_fldcnt", buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "12.75");
  EXPECT_EQ(DossaNoteDecrypt(note, 0, nullptr), DOSSA_ERR_NOTE_NOT_SEALED);
  DossaNoteClose(note);
  DossaDbClose(other);
}

TEST_P(DocumentTest, TextCopiesAreBoundedByTheCallersBuffer) {
  std::string long70(70, 'x');
  long70[63] = 'L';
  DossaNoteId id = put("Field", {{"MessageName", long70}});
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteOpen(db_, id, 0, &note), DOSSA_NOERROR);
  char buffer[80];
  std::memset(buffer, '#', sizeof buffer);
  // At most the size given, unterminated: the byte after is untouched.
  EXPECT_EQ(DossaItemGetText(note, "MessageName", buffer, 63), 63);
  EXPECT_EQ(buffer[62], 'x');
  EXPECT_EQ(buffer[63], '#');
  EXPECT_EQ(DossaItemGetText(note, "MessageName", buffer, 0), 0);
  // A list entry is cut to size - 1 and terminated.
  ASSERT_EQ(DossaItemCreateTextList(note, "list", long70.c_str(), DOSSA_TERMINATED), DOSSA_NOERROR);
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(DossaItemGetTextListEntry(note, "list", 0, buffer, 8), 7);
  EXPECT_STREQ(buffer, "xxxxxxx");
  EXPECT_EQ(buffer[8], '#');
  EXPECT_EQ(DossaItemGetTextListEntry(note, "list", 0, buffer, 1), 0);
  EXPECT_STREQ(buffer, "");
  DossaNoteClose(note);
}

TEST_P(DocumentTest, NumbersConvertToLongSafely) {
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db_, &note), DOSSA_NOERROR);
  const std::pair<double, std::int32_t> cases[] = {
      {-7.9, -7}, {1e12, INT32_MAX}, {-1e12, INT32_MIN}, {2147483647.0, INT32_MAX}, {0.5, 0}};
  for (const auto& [number, expected] : cases) {
    ASSERT_EQ(DossaItemSetNumber(note, "n", &number), DOSSA_NOERROR);
    EXPECT_EQ(DossaItemGetLong(note, "n", 1), expected) << number;
  }
  double bad = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(DossaItemSetNumber(note, "n", &bad), DOSSA_ERR_INVALID_ARGUMENT);
  bad = std::numeric_limits<double>::infinity();
  EXPECT_EQ(DossaItemSetNumber(note, "n", &bad), DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaItemSetNumber(note, "n", nullptr), DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaItemGetLong(note, "n", 1), 0);  // the failed sets changed nothing
  DossaNoteClose(note);
}

TEST_P(DocumentTest, UpdateReplacesInPlaceAndKeepsOtherItems) {
  DossaNoteId id = put("Service", {{"svcdef_name", "S1"}, {"svcdef_step", "one"}});
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteOpen(db_, id, 0, &note), DOSSA_NOERROR);
  ASSERT_EQ(DossaItemSetText(note, "SVCDEF_STEP", "two", DOSSA_TERMINATED), DOSSA_NOERROR);
  // A text item becomes a list when created as one; appending to a text is refused.
  EXPECT_EQ(DossaItemAppendTextList(note, "svcdef_name", "x", DOSSA_TERMINATED, 0), DOSSA_ERR_ITEM_TYPE);
  ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  DossaNoteId same = 0;
  DossaNoteGetId(note, &same);
  EXPECT_EQ(same, id);
  DossaNoteClose(note);
  EXPECT_EQ(text(id, "svcdef_step"), "two");
  EXPECT_EQ(text(id, "svcdef_name"), "S1");
  std::vector<DossaNoteId> all;
  ASSERT_EQ(DossaNoteList(db_, nullptr, 0, 100, all), DOSSA_NOERROR);
  EXPECT_EQ(all, std::vector<DossaNoteId>{id});
}

TEST_P(DocumentTest, DeletedDocumentsAreGoneAndTheirIdsNeverReturn) {
  DossaNoteId a = put("Service", {{"svcdef_name", "A"}});
  DossaNoteId b = put("Service", {{"svcdef_name", "B"}});
  ASSERT_LT(a, b);
  DossaNoteHandle stale = 0;
  ASSERT_EQ(DossaNoteOpen(db_, b, 0, &stale), DOSSA_NOERROR);
  ASSERT_EQ(DossaNoteDelete(db_, b, 0), DOSSA_NOERROR);
  EXPECT_EQ(DossaNoteDelete(db_, b, 0), DOSSA_ERR_NOTE_NOT_FOUND);
  DossaNoteHandle note = 0;
  EXPECT_EQ(DossaNoteOpen(db_, b, 0, &note), DOSSA_ERR_NOTE_NOT_FOUND);
  EXPECT_EQ(note, 0u);
  // A document deleted while open is not brought back by saving it.
  EXPECT_EQ(DossaNoteUpdate(stale, 0), DOSSA_ERR_NOTE_NOT_FOUND);
  DossaNoteClose(stale);
  EXPECT_TRUE(search("FORM = \"Service\" & svcdef_name = \"B\"").empty());
  // The highest id was deleted; the next document still gets a new one, also after reopening.
  DossaDbClose(db_);
  ASSERT_EQ(DossaDbOpen(path_.c_str(), &db_), DOSSA_NOERROR);
  DossaNoteId c = put("Service", {{"svcdef_name", "C"}});
  EXPECT_GT(c, b);
  EXPECT_EQ(DossaNoteOpen(db_, 0, 0, &note), DOSSA_ERR_NOTE_NOT_FOUND);
  EXPECT_EQ(DossaNoteOpen(db_, 0xFFFFFFFFu, 0, &note), DOSSA_ERR_NOTE_NOT_FOUND);
}

TEST_P(DocumentTest, OversizedNamesAndValuesAreRefusedAndChangeNothing) {
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db_, &note), DOSSA_NOERROR);
  std::string mega(1 << 20, 'a');
  EXPECT_EQ(DossaItemSetText(note, mega.c_str(), "v", DOSSA_TERMINATED), DOSSA_ERR_ITEM_NAME);
  EXPECT_EQ(DossaItemSetText(note, "big", mega.c_str(), DOSSA_TERMINATED), DOSSA_ERR_VALUE_TOO_LONG);
  EXPECT_EQ(DossaItemCreateTextList(note, "big", mega.c_str(), DOSSA_TERMINATED), DOSSA_ERR_VALUE_TOO_LONG);
  EXPECT_EQ(DossaItemAppendTextList(note, "big", mega.c_str(), DOSSA_TERMINATED, 0), DOSSA_ERR_VALUE_TOO_LONG);
  EXPECT_FALSE(DossaItemIsPresent(note, mega.c_str(), DOSSA_TERMINATED));
  EXPECT_FALSE(DossaItemIsPresent(note, "big", DOSSA_TERMINATED));
  for (const char* bad : {"", "1abc", "a-b", "a b", "FORM\n"})
    EXPECT_EQ(DossaItemSetText(note, bad, "v", DOSSA_TERMINATED), DOSSA_ERR_ITEM_NAME) << bad;
  EXPECT_EQ(DossaItemSetText(note, nullptr, "v", DOSSA_TERMINATED), DOSSA_ERR_ITEM_NAME);
  EXPECT_EQ(DossaItemSetText(note, "x", nullptr, 5), DOSSA_ERR_INVALID_ARGUMENT);
  std::string longest(DOSSA_MAX_ITEM_NAME, 'n');
  EXPECT_EQ(DossaItemSetText(note, longest.c_str(), "v", DOSSA_TERMINATED), DOSSA_NOERROR);
  std::string full(DOSSA_MAX_TEXT, 'v');
  EXPECT_EQ(DossaItemSetText(note, "full", full.c_str(), DOSSA_TERMINATED), DOSSA_NOERROR);

  // The whole document has a limit too; the item that would pass it is refused.
  DossaStatus s = DOSSA_NOERROR;
  int added = 0;
  for (; added < 1000 && !s; ++added)
    s = DossaItemSetText(note, ("i" + std::to_string(added)).c_str(), full.c_str(), DOSSA_TERMINATED);
  EXPECT_EQ(s, DOSSA_ERR_NOTE_TOO_LARGE);
  EXPECT_FALSE(DossaItemIsPresent(note, ("i" + std::to_string(added - 1)).c_str(), DOSSA_TERMINATED));
  ASSERT_EQ(DossaItemSetText(note, "FORM", "Big", DOSSA_TERMINATED), DOSSA_NOERROR);
  ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  DossaNoteId id = 0;
  DossaNoteGetId(note, &id);
  DossaNoteClose(note);
  EXPECT_EQ(text(id, ("i" + std::to_string(added - 2)).c_str()), full);
}

TEST_P(DocumentTest, ListsStopAtTheirEntryLimit) {
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db_, &note), DOSSA_NOERROR);
  ASSERT_EQ(DossaItemCreateTextList(note, "l", "0", 1), DOSSA_NOERROR);
  for (std::size_t i = 1; i < DOSSA_MAX_LIST_ENTRIES; ++i)
    ASSERT_EQ(DossaItemAppendTextList(note, "l", "e", 1, 0), DOSSA_NOERROR);
  EXPECT_EQ(DossaItemAppendTextList(note, "l", "e", 1, 0), DOSSA_ERR_TOO_MANY_ENTRIES);
  EXPECT_EQ(DossaItemGetTextListEntries(note, "l"), DOSSA_MAX_LIST_ENTRIES);
  DossaNoteClose(note);
}

TEST_P(DocumentTest, HandlesAreCheckedByKind) {
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db_, &note), DOSSA_NOERROR);
  EXPECT_EQ(DossaNoteUpdate(db_, 0), DOSSA_ERR_BAD_HANDLE);  // a database is not a document
  DossaNoteHandle wrong = 5;
  EXPECT_EQ(DossaNoteOpen(note, 1, 0, &wrong), DOSSA_ERR_BAD_HANDLE);
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(DossaItemSetText(12345, "a", "b", DOSSA_TERMINATED), DOSSA_ERR_BAD_HANDLE);
  EXPECT_EQ(DossaNoteDecrypt(12345, 0, nullptr), DOSSA_ERR_BAD_HANDLE);
  EXPECT_EQ(DossaLockObject(note), nullptr);
  DossaMemFree(note);  // not memory: ignored
  EXPECT_EQ(DossaItemSetText(note, "a", "b", DOSSA_TERMINATED), DOSSA_NOERROR);
  // Closing the database leaves open documents usable until they are closed.
  DossaDbClose(db_);
  db_ = 0;
  ASSERT_EQ(DossaItemSetText(note, "FORM", "Service", DOSSA_TERMINATED), DOSSA_NOERROR);
  EXPECT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  EXPECT_EQ(DossaNoteClose(note), DOSSA_NOERROR);
}

VEXO_ENGINE_SUITE(DocumentTest);

}  // namespace
}  // namespace dossatest
