// The adapter against real databases of the client library: the formula
// search and its exact key check, writes with and without replace, deletes,
// view reads, unsafe list sizes and the life of the library.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sqlite3.h>

#include "common/return_codes.h"
#include "docstore/zo_real_dossa_database.h"
#include "tests/docstore/docstore_test_util.h"
#include "tests/ndossa/engine_suite.h"

namespace {

using namespace docstoretest;

class AdapterTest : public vexotest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    unsetenv("NDOSSA_DATA");
    setenv("NDOSSA_USER", "CN=Jane Doe/O=Acme", 1);
    path_ = dir_.file("test.ndb");
    createDatabase(path_);
  }
  void TearDown() override { EXPECT_EQ(ZoRealDossaDatabase::initCount(), 0); }

  std::unique_ptr<ZoRealDossaDatabase> adapter() {
    auto a = std::make_unique<ZoRealDossaDatabase>("", path_.c_str());
    EXPECT_EQ(a->getErrorCode(), 0u);
    return a;
  }

  TempDir dir_;
  std::string path_;
};

constexpr ZO_LONG kTypes[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT, DOSSA_ITEM_NUMBER, DOSSA_ITEM_TEXT_LIST};
constexpr const char* kNames[] = {"Key", "Title", "Count", "Entries"};

TEST_P(AdapterTest, WritesAndReadsTextNumberAndListItems) {
  auto a = adapter();
  ItemValue in[4];
  in[0].setText("K1");
  in[1].setText("first title");
  in[2].number = -42;
  in[3].listCount = 3;
  in[3].listBuffer = std::make_unique<char[]>(3 * 10);
  std::strcpy(in[3].listBuffer.get(), "alpha");
  std::strcpy(in[3].listBuffer.get() + 10, "");
  std::memcpy(in[3].listBuffer.get() + 20, "0123456789", 10);  // fills its slot, unterminated
  ASSERT_TRUE(a->write("Thing", "Key", "K1", "", "", FALSE, 4, kTypes, kNames, 10, in));
  EXPECT_EQ(itemText(path_, notesOf(path_, "Thing").at(0), "FORM"), "Thing");

  ItemValue out[4];
  ZO_LONG entrySize = 0;
  ASSERT_TRUE(a->read("Thing", "Key", "K1", "", "", FALSE, 4, kTypes, kNames, entrySize, out));
  EXPECT_EQ(entrySize, DOSSA_DEFAULT_ENTRY_SIZE);
  EXPECT_STREQ(out[1].text, "first title");
  EXPECT_EQ(out[2].number, -42);
  ASSERT_EQ(out[3].listCount, 3);
  EXPECT_STREQ(out[3].entry(0, entrySize), "alpha");
  EXPECT_STREQ(out[3].entry(1, entrySize), "");
  EXPECT_STREQ(out[3].entry(2, entrySize), "0123456789");
  freeTextListMemory(4, kTypes, out);
  EXPECT_EQ(out[3].listBuffer, nullptr);
  EXPECT_EQ(out[3].listCount, 3);
}

TEST_P(AdapterTest, WriteWithoutReplaceRefusesAnExistingKeyAndReplaceUpdatesInPlace) {
  auto a = adapter();
  constexpr ZO_LONG types[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT};
  constexpr const char* names[] = {"Key", "Title"};
  ItemValue v[2];
  v[0].setText("K1");
  v[1].setText("old");
  ASSERT_TRUE(a->write("Thing", "Key", "K1", "", "", FALSE, 2, types, names, 48, v));
  DossaNoteId id = notesOf(path_, "Thing").at(0);
  {
    Db db(path_);  // an item the write does not name must survive a replace
    DossaNoteHandle note = 0;
    ASSERT_EQ(DossaNoteOpen(db.get(), id, 0, &note), 0);
    DossaItemSetText(note, "Extra", "kept", DOSSA_TERMINATED);
    ASSERT_EQ(DossaNoteUpdate(note, 0), 0);
    DossaNoteClose(note);
  }
  v[1].setText("new");
  EXPECT_FALSE(a->write("Thing", "Key", "K1", "", "", FALSE, 2, types, names, 48, v));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DEFN_ALREADY_EXISTS);
  EXPECT_EQ(a->getLibraryStatus(), 0u);
  EXPECT_EQ(itemText(path_, id, "Title"), "old");

  ASSERT_TRUE(a->write("Thing", "Key", "K1", "", "", TRUE, 2, types, names, 48, v));
  EXPECT_EQ(notesOf(path_, "Thing"), std::vector<DossaNoteId>{id});
  EXPECT_EQ(itemText(path_, id, "Title"), "new");
  EXPECT_EQ(itemText(path_, id, "Extra"), "kept");
}

// A writer that finds no document of its key but loses the save to one of
// the same unique key (as another writer's save between the two would).
TEST_P(AdapterTest, ALostCreateRaceIsAlreadyExists) {
  auto a = adapter();
  constexpr ZO_LONG types[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT};
  const char* names[] = {"Key", zodossa::MESSAGE_NAME};
  ItemValue v[2];
  v[0].setText("K1");
  v[1].setText("M1");
  ASSERT_TRUE(a->write(zodossa::MESSAGE_FORM, "Key", "K1", "", "", FALSE, 2, types, names, 48, v));
  v[0].setText("K2");
  EXPECT_FALSE(a->write(zodossa::MESSAGE_FORM, "Key", "K2", "", "", FALSE, 2, types, names, 48, v));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DEFN_ALREADY_EXISTS);
  EXPECT_EQ(notesOf(path_, zodossa::MESSAGE_FORM).size(), 1u);
}

TEST_P(AdapterTest, KeysAreCheckedExactlyOnTheFirstDocumentOnly) {
  // The formula finds keys whatever their case; the first document decides.
  put(path_, "Thing", {text("Key", "abc"), text("Title", "lower")});
  put(path_, "Thing", {text("Key", "ABC"), text("Title", "upper")});
  auto a = adapter();
  ItemValue out[2];
  ZO_LONG entrySize = 0;
  constexpr ZO_LONG types[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT};
  constexpr const char* names[] = {"Key", "Title"};
  EXPECT_FALSE(a->read("Thing", "Key", "ABC", "", "", FALSE, 2, types, names, entrySize, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_KEY_ITEM_MISMATCH);
  ASSERT_TRUE(a->read("Thing", "Key", "abc", "", "", FALSE, 2, types, names, entrySize, out));
  EXPECT_STREQ(out[1].text, "lower");

  // A write keyed on the other case is refused the same way, and changes nothing.
  ItemValue v[2];
  v[0].setText("ABC");
  EXPECT_FALSE(a->write("Thing", "Key", "ABC", "", "", TRUE, 2, types, names, 48, v));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_KEY_ITEM_MISMATCH);
  EXPECT_EQ(notesOf(path_, "Thing").size(), 2u);

  // The second key is checked exactly too.
  put(path_, "Pair", {text("A", "x"), text("B", "Yy"), text("Title", "t")});
  constexpr const char* pairNames[] = {"A", "B", "Title"};
  constexpr ZO_LONG pairTypes[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT};
  ItemValue pair[3];
  EXPECT_FALSE(a->read("Pair", "A", "x", "B", "YY", FALSE, 3, pairTypes, pairNames, entrySize, pair));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_KEY_ITEM_MISMATCH);
  EXPECT_TRUE(a->read("Pair", "A", "x", "B", "Yy", FALSE, 3, pairTypes, pairNames, entrySize, pair));
  EXPECT_STREQ(pair[2].text, "t");
}

TEST_P(AdapterTest, MissingDocumentsAndItemsAreReported) {
  auto a = adapter();
  ItemValue out[4];
  ZO_LONG entrySize = 0;
  EXPECT_FALSE(a->read("Thing", "Key", "none", "", "", FALSE, 4, kTypes, kNames, entrySize, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DEFN_NOT_FOUND);
  EXPECT_EQ(a->getLibraryStatus(), 0u);

  // Entries is a number here: a list of no entries, and no buffer for it.
  put(path_, "Thing", {text("Key", "K"), text("Title", "t"), number("Count", 7), number("Entries", 1)});
  ASSERT_TRUE(a->read("Thing", "Key", "K", "", "", FALSE, 4, kTypes, kNames, entrySize, out));
  EXPECT_EQ(out[3].listCount, 0);
  EXPECT_EQ(out[3].listBuffer, nullptr);

  put(path_, "Thing", {text("Key", "L"), text("Title", "t"), list("Entries", {"a"})});
  EXPECT_FALSE(a->read("Thing", "Key", "L", "", "", FALSE, 4, kTypes, kNames, entrySize, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_INCOMPATIBLE_DATABASE);
  EXPECT_EQ(out[3].listBuffer, nullptr);

  EXPECT_FALSE(a->read("", "Key", "L", "", "", FALSE, 4, kTypes, kNames, entrySize, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_INV_FORM_NAME);
  EXPECT_FALSE(a->write("Thing", "", "L", "", "", FALSE, 4, kTypes, kNames, 48, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_INV_KEY_ITEM_NAME);
}

TEST_P(AdapterTest, TextItemsHoldAtMost63Characters) {
  const std::string longKey(70, 'k');
  put(path_, "Thing", {text("Key", longKey), text("Title", std::string(100, 't'))});
  auto a = adapter();
  constexpr ZO_LONG types[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT};
  constexpr const char* names[] = {"Key", "Title"};
  ItemValue out[2];
  ZO_LONG entrySize = 0;
  ASSERT_TRUE(a->read("Thing", "Key", longKey.c_str(), "", "", FALSE, 2, types, names, entrySize, out));
  EXPECT_EQ(std::string(out[1].text), std::string(63, 't'));
  ItemValue in;
  in.setText(std::string(80, 'x').c_str());
  EXPECT_EQ(std::strlen(in.text), 63u);
}

TEST_P(AdapterTest, DeleteItemsRemovesEveryMatchingDocument) {
  auto a = adapter();
  EXPECT_FALSE(a->deleteItems("Thing", "Key", "K"));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DEFN_NOT_FOUND);
  for (int i = 0; i < 3; ++i) put(path_, "Thing", {text("Key", "K")});
  put(path_, "Thing", {text("Key", "other")});
  put(path_, "Other", {text("Key", "K")});
  EXPECT_TRUE(a->deleteItems("Thing", "Key", "K"));
  EXPECT_EQ(notesOf(path_, "Thing").size(), 1u);
  EXPECT_EQ(notesOf(path_, "Other").size(), 1u);
  EXPECT_FALSE(a->deleteItems("", "Key", "K"));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_INV_FORM_NAME);
}

TEST_P(AdapterTest, ViewReadsNeedExactlyOneEntry) {
  put(path_, "Service", {text("svcdef_name", "ONE"), text("svcdef_step", "s1")});
  put(path_, "Service", {text("svcdef_name", "TWO"), text("svcdef_step", "a")});
  put(path_, "Service", {text("svcdef_name", "two"), text("svcdef_step", "b")});
  auto a = adapter();
  HCOLLECTION services = a->openCollection("Services");
  ASSERT_NE(services, 0);
  constexpr ZO_LONG types[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT};
  constexpr const char* names[] = {"svcdef_name", "svcdef_step"};
  ItemValue out[2];
  ZO_LONG entrySize = 0;
  ASSERT_TRUE(a->read(services, "ONE", FALSE, 2, types, names, entrySize, out));
  EXPECT_STREQ(out[0].text, "ONE");
  EXPECT_STREQ(out[1].text, "s1");
  EXPECT_FALSE(a->read(services, "TWO", FALSE, 2, types, names, entrySize, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DUPLICATE_DEFN);
  EXPECT_FALSE(a->read(services, "THREE", FALSE, 2, types, names, entrySize, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DEFN_NOT_FOUND);
  EXPECT_EQ(a->getLibraryStatus(), 0u);
  EXPECT_FALSE(a->read(0, "ONE", FALSE, 2, types, names, entrySize, out));
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_COLLECTION_NOT_OPEN);
  EXPECT_TRUE(a->closeCollection(services));

  EXPECT_EQ(a->openCollection("NoSuchView"), 0);
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DOSSA_ERROR);
  EXPECT_EQ(a->getLibraryStatus(), DOSSA_ERR_VIEW_NOT_FOUND);
  EXPECT_FALSE(a->getMsgString(a->getLibraryStatus()).length() == 0);
  EXPECT_EQ(a->openCollection(""), 0);
  EXPECT_EQ(a->getErrorCode(), ERR_RDBD_INV_VIEW_NAME);
}

TEST_P(AdapterTest, OpenFailuresAreClassified) {
  ZoRealDossaDatabase missing("", dir_.file("none.ndb").c_str());
  EXPECT_EQ(missing.getErrorCode(), ERR_RDBD_DATABASE_UNKNOWN);
  EXPECT_EQ(missing.getLibraryStatus(), 0u);
  EXPECT_EQ(missing.getMsgString(DOSSA_ERR_NO_SUCH_DATABASE).length(), 0);
  ZoRealDossaDatabase remote("FARAWAY", path_.c_str());
  EXPECT_EQ(remote.getErrorCode(), ERR_RDBD_SERVER_UNKNOWN);
  if (!localFiles()) return;  // a foreign file is the local engine's case
  {
    std::ofstream(dir_.file("junk.ndb")) << "not a database";
  }
  ZoRealDossaDatabase junk("", dir_.file("junk.ndb").c_str());
  EXPECT_EQ(junk.getErrorCode(), ERR_RDBD_DOSSA_ERROR);
  EXPECT_NE(junk.getLibraryStatus(), 0u);
  ItemValue out[4];
  ZO_LONG entrySize = 0;
  EXPECT_FALSE(junk.read("Thing", "Key", "K", "", "", FALSE, 4, kTypes, kNames, entrySize, out));
  EXPECT_EQ(junk.getErrorCode(), ERR_RDBD_DATABASE_NOT_OPEN);
}

// Sizes of text-list slots come from the document: they are checked, and no
// entry is ever cut to fit or written past its slot.
TEST_P(AdapterTest, UnsafeEntrySizesFromTheDocumentAreRefused) {
  constexpr ZO_LONG types[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT_LIST};
  constexpr const char* names[] = {"Key", "List"};
  const std::string long60(60, 'e');
  put(path_, "L", {text("Key", "default"), list("List", {"short", long60})});
  put(path_, "L", {text("Key", "negative"), list("List", {"a"}), number("msgdef_maxentrylen", -5)});
  put(path_, "L", {text("Key", "huge"), list("List", {"a"}), number("msgdef_maxentrylen", 70000)});
  put(path_, "L", {text("Key", "short"), list("List", {"abcdef"}), number("msgdef_maxentrylen", 3)});
  put(path_, "L", {text("Key", "zero"), list("List", {"", ""}), number("msgdef_maxentrylen", 0)});
  put(path_, "L", {text("Key", "exact"), list("List", {"abc", long60}), number("msgdef_maxentrylen", 60)});
  auto a = adapter();
  ItemValue out[2];
  ZO_LONG entrySize = 0;
  for (const char* key : {"default", "negative", "huge", "short"}) {
    EXPECT_FALSE(a->read("L", "Key", key, "", "", FALSE, 2, types, names, entrySize, out)) << key;
    EXPECT_EQ(a->getErrorCode(), ERR_RDBD_INCOMPATIBLE_DATABASE) << key;
    EXPECT_EQ(out[1].listBuffer, nullptr) << key;
  }
  ASSERT_TRUE(a->read("L", "Key", "zero", "", "", FALSE, 2, types, names, entrySize, out));
  EXPECT_EQ(entrySize, 1);
  EXPECT_EQ(out[1].listCount, 2);
  ASSERT_TRUE(a->read("L", "Key", "exact", "", "", FALSE, 2, types, names, entrySize, out));
  EXPECT_EQ(entrySize, 61);
  EXPECT_STREQ(out[1].entry(0, entrySize), "abc");
  EXPECT_EQ(std::string(out[1].entry(1, entrySize)), long60);
  // The unusable size does not stop a search by key alone (a delete, for one).
  EXPECT_TRUE(a->deleteItems("L", "Key", "huge"));
}

TEST_P(AdapterTest, UserNameIsAbbreviated) {
  ZoRealDossaDatabase a("", path_.c_str());
  ZoString name;
  ASSERT_TRUE(a.getUserName(name));
  EXPECT_EQ(name, "Jane Doe/Acme");
}

// The library stays up while any adapter needs it, whichever goes first.
TEST_P(AdapterTest, LibraryLivesAsLongAsItsLastAdapter) {
  char program[] = "vexopxm";
  char* argv[] = {program, nullptr};
  auto first = std::make_unique<ZoRealDossaDatabase>("", path_.c_str(), 1, argv);
  auto second = std::make_unique<ZoRealDossaDatabase>("", path_.c_str());
  ASSERT_EQ(first->getErrorCode(), 0u);
  ASSERT_EQ(second->getErrorCode(), 0u);
  EXPECT_EQ(ZoRealDossaDatabase::initCount(), 2);
  first.reset();
  ZoString name;
  EXPECT_TRUE(second->deleteItems("Thing", "Key", "K") || second->getErrorCode() == ERR_RDBD_DEFN_NOT_FOUND);
  EXPECT_TRUE(second->getUserName(name));
  second.reset();
  EXPECT_EQ(ZoRealDossaDatabase::initCount(), 0);
  // Nothing left initialised: the library refuses work until started again.
  char path[DOSSA_MAXPATH];
  EXPECT_EQ(DossaPathNetConstruct(nullptr, "", "x", path), DOSSA_ERR_NOT_INITIALIZED);
}

// A search that cannot read the documents it looks at fails as the library
// failure it is: a read does not say "not found", a write does not add a
// second document, a delete does not say "none".
TEST_P(AdapterTest, ASearchOverADamagedDocumentIsALibraryFailure) {
  if (!localFiles()) GTEST_SKIP() << "damages the engine's own file";
  auto a = adapter();
  ASSERT_TRUE(a->write("Thing", "Key", "K1", "", "", FALSE, 0, kTypes, kNames, 10, nullptr));
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, "UPDATE dossa_notes SET body = x'01ffffffff'", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(raw);
  ItemValue out[1];
  ZO_LONG entrySize = 0;
  const struct {
    const char* what;
    std::function<bool()> run;
  } cases[] = {
      {"read", [&] { return a->read("Thing", "Key", "K1", "", "", FALSE, 1, kTypes, kNames, entrySize, out); }},
      {"write", [&] { return a->write("Thing", "Key", "K1", "", "", FALSE, 0, kTypes, kNames, 10, nullptr); }},
      {"delete", [&] { return a->deleteItems("Thing", "Key", "K1"); }},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(c.run()) << c.what;
    EXPECT_EQ(a->getErrorCode(), ERR_RDBD_DOSSA_ERROR) << c.what;
    EXPECT_EQ(a->getLibraryStatus(), DOSSA_ERR_DATABASE_CORRUPT) << c.what;
  }
}

// Adapters made and deleted in several threads at once: each finds the
// library started (none ends it under another), and the last stops it.
TEST_P(AdapterTest, AdaptersComeAndGoInSeveralThreads) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 25;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        ZoRealDossaDatabase a("", path_.c_str());
        ZoString name;
        if (a.getErrorCode() != 0 || !a.getUserName(name)) ++failures;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(ZoRealDossaDatabase::initCount(), 0);
}

TEST(Formula, IsBuiltFromTheFormAndUpToTwoKeys) {
  EXPECT_EQ(zoDossaFormula("Field", "MessageName", "M1", "MessageFieldName", "F1"),
            "FORM = \"Field\" & MessageName = \"M1\" & MessageFieldName = \"F1\"");
  EXPECT_EQ(zoDossaFormula("Message", "MessageName", "M 1", "", "x"),
            "FORM = \"Message\" & MessageName = \"M 1\"");
  EXPECT_EQ(zoDossaFormula("Message", "", "x", "Second", "y"), "FORM = \"Message\"");
}

// A view read finds the entry, then reads its document: a writer that
// replaces the document in between must not make it vanish.
TEST_P(AdapterTest, ViewReadsSeeTheOldOrTheNewDocumentWhileItIsReplaced) {
  put(path_, "Service", {text("svcdef_name", "ONE"), text("svcdef_step", "s0")});
  auto a = adapter();
  HCOLLECTION services = a->openCollection("Services");
  ASSERT_NE(services, 0);
  constexpr int kReplacements = 400;
  std::atomic<int> replaced{0};
  std::atomic<bool> failed{false};
  std::thread writer([&] {
    Db db(path_);
    for (int i = 1; i <= kReplacements && !failed; ++i) {
      std::vector<DossaNoteId> ids;
      DossaNoteHandle note = 0;
      DossaStatus s = DossaDbBeginUnit(db.get());
      if (!s) s = DossaNoteList(db.get(), "Service", 0, 10, ids);
      for (DossaNoteId id : ids)
        if (!s) s = DossaNoteDelete(db.get(), id, 0);
      if (!s) s = DossaNoteCreate(db.get(), &note);
      const std::string step = "s" + std::to_string(i);
      if (!s) s = DossaItemSetText(note, "FORM", "Service", DOSSA_TERMINATED);
      if (!s) s = DossaItemSetText(note, "svcdef_name", "ONE", DOSSA_TERMINATED);
      if (!s) s = DossaItemSetText(note, "svcdef_step", step.c_str(), DOSSA_TERMINATED);
      if (!s) s = DossaNoteUpdate(note, 0);
      if (note) DossaNoteClose(note);
      if (!s) s = DossaDbCommitUnit(db.get());
      if (s) {
        DossaDbAbortUnit(db.get());
        failed = true;
      }
      replaced = i;
    }
  });
  constexpr ZO_LONG types[] = {DOSSA_ITEM_TEXT, DOSSA_ITEM_TEXT};
  constexpr const char* names[] = {"svcdef_name", "svcdef_step"};
  int reads = 0, failures = 0;
  ZO_ULONG firstFailure = 0;
  while (replaced < kReplacements && !failed) {
    ItemValue out[2];
    ZO_LONG entrySize = 0;
    ++reads;
    if (!a->read(services, "ONE", FALSE, 2, types, names, entrySize, out) && failures++ == 0)
      firstFailure = a->getErrorCode();
  }
  writer.join();
  EXPECT_FALSE(failed) << "the writer failed";
  EXPECT_EQ(failures, 0) << "of " << reads << " reads, first error 0x" << std::hex << firstFailure;
  EXPECT_TRUE(a->closeCollection(services));
  std::printf("%d view reads during %d replacements, %d failed\n", reads, kReplacements, failures);
}

VEXO_ENGINE_SUITE(AdapterTest);

}  // namespace
