// Selection formulas, searches, views and their collections, as the document
// store uses them.

#include <cstring>

#include "tests/ndossa/dossa_test_util.h"

namespace dossatest {
namespace {

using SearchTest = DossaTest;

DossaStatus compile(const std::string& text, DossaMemHandle* formula, DossaStatus* error = nullptr,
                    std::uint16_t* offset = nullptr, std::uint16_t* line = nullptr,
                    std::uint16_t* column = nullptr) {
  return DossaFormulaCompile(nullptr, 0, text.c_str(), static_cast<std::uint32_t>(text.size()), formula,
                             nullptr, error, line, column, offset, nullptr);
}

TEST_P(SearchTest, FormulasOfTheStoresShapeCompileWithAnySpacing) {
  for (const char* text : {"FORM = \"Message\"", "FORM=\"Message\"",
                           "FORM = \"Field\" & MessageName = \"M1\" & MessageFieldName = \"F1\"",
                           " \tFORM\n=\"Security\"&secdef_dossaid  =  \"Jane Doe/Acme\"&secdef_sysname=\"\"  ",
                           "MessageName = \"has & and = inside\""}) {
    DossaMemHandle formula = 0;
    EXPECT_EQ(compile(text, &formula), DOSSA_NOERROR) << text;
    EXPECT_NE(formula, 0u);
    EXPECT_NE(DossaLockObject(formula), nullptr);
    DossaUnlockObject(formula);
    DossaMemFree(formula);
    EXPECT_EQ(DossaLockObject(formula), nullptr);
  }
  // Terminated text when the length is 0.
  DossaMemHandle formula = 0;
  std::uint16_t size = 0;
  ASSERT_EQ(DossaFormulaCompile(nullptr, 0, "FORM=\"A\"", 0, &formula, &size, nullptr, nullptr, nullptr,
                                nullptr, nullptr),
            DOSSA_NOERROR);
  EXPECT_EQ(std::string(static_cast<const char*>(DossaLockObject(formula)), size), "FORM = \"A\"");
  DossaMemFree(formula);
}

TEST_P(SearchTest, AnythingElseIsAFormulaError) {
  for (const char* text : {"", "   ", "FORM", "FORM =", "FORM = Message", "FORM = \"Message",
                           "FORM = \"a\" &", "FORM = \"a\" & & x = \"b\"", "FORM = \"a\" | x = \"b\"",
                           "FORM != \"a\"", "@All", "SELECT @All", "FORM = \"a\" x = \"b\"",
                           "1FORM = \"a\"", "FORM = \"a\"\"b\"", "(FORM = \"a\")", "FORM = \"a\";"}) {
    DossaMemHandle formula = 7;
    DossaStatus error = 0;
    EXPECT_EQ(compile(text, &formula, &error), DOSSA_ERR_FORMULA) << text;
    EXPECT_EQ(error, DOSSA_ERR_FORMULA);
    EXPECT_EQ(formula, 0u);
  }
  DossaMemHandle formula = 0;
  std::uint16_t offset = 0, line = 0, column = 0;
  EXPECT_EQ(compile("FORM = \"a\" &\n  x ! \"b\"", &formula, nullptr, &offset, &line, &column), DOSSA_ERR_FORMULA);
  EXPECT_EQ(offset, 17);
  EXPECT_EQ(line, 2);
  EXPECT_EQ(column, 5);

  std::string huge = "FORM = \"" + std::string(1 << 20, 'x') + "\"";
  EXPECT_EQ(compile(huge, &formula), DOSSA_ERR_FORMULA_TOO_LONG);
  std::string longValue = "FORM = \"" + std::string(DOSSA_MAX_TEXT + 1, 'x') + "\"";
  EXPECT_EQ(compile(longValue, &formula), DOSSA_ERR_FORMULA);
  EXPECT_EQ(DossaFormulaCompile("name", 4, "FORM=\"a\"", 0, &formula, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr),
            DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaFormulaCompile(nullptr, 0, nullptr, 0, &formula, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr),
            DOSSA_ERR_INVALID_ARGUMENT);
}

TEST_P(SearchTest, SearchSelectsByEveryTermInNoteIdOrderIgnoringCase) {
  DossaNoteId f1 = put("Field", {{"MessageName", "M1"}, {"MessageFieldName", "F1"}});
  DossaNoteId f2 = put("Field", {{"MessageName", "M1"}, {"MessageFieldName", "F2"}});
  DossaNoteId other = put("Field", {{"MessageName", "M2"}, {"MessageFieldName", "F1"}});
  DossaNoteId msg = put("Message", {{"MessageName", "M1"}});
  DossaNoteId f1again = put("field", {{"MessageName", "m1"}, {"MessageFieldName", "f1"}});
  ASSERT_TRUE(f1 && f2 && other && msg && f1again);

  EXPECT_EQ(search("FORM = \"Field\" & MessageName = \"M1\" & MessageFieldName = \"F1\""),
            (std::vector<DossaNoteId>{f1, f1again}));
  EXPECT_EQ(search("FORM = \"Field\" & MessageName = \"M1\""), (std::vector<DossaNoteId>{f1, f2, f1again}));
  EXPECT_EQ(search("FORM = \"Message\" & MessageName = \"M1\""), std::vector<DossaNoteId>{msg});
  EXPECT_EQ(search("MessageName = \"m1\""), (std::vector<DossaNoteId>{f1, f2, msg, f1again}));
  EXPECT_EQ(search("FORM = \"Field\""), (std::vector<DossaNoteId>{f1, f2, other, f1again}));
  EXPECT_TRUE(search("FORM = \"Field\" & MessageName = \"M3\"").empty());
  EXPECT_TRUE(search("FORM = \"Field\" & MessageName = \"M1 \"").empty());  // no trimming
}

TEST_P(SearchTest, TermsOnItemsOutsideTheIndexFilterTheIndexedOnes) {
  DossaNoteId a = put("Field", {{"MessageName", "M1"}, {"FieldType", "STRING"}});
  DossaNoteId b = put("Field", {{"MessageName", "M1"}, {"FieldType", "LONG"}});
  put("Field", {{"MessageName", "M2"}, {"FieldType", "STRING"}});
  EXPECT_EQ(search("FORM = \"Field\" & MessageName = \"M1\" & FieldType = \"string\""),
            std::vector<DossaNoteId>{a});
  EXPECT_EQ(search("FieldType = \"LONG\" & MessageName = \"M1\""), std::vector<DossaNoteId>{b});
  DossaStatus s = 0;
  EXPECT_TRUE(search("FieldType = \"LONG\"", &s).empty());
  EXPECT_EQ(s, DOSSA_ERR_FORMULA_NOT_INDEXED);
  // A text list matches through any entry; a number never equals a text.
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteCreate(db_, &note), DOSSA_NOERROR);
  DossaItemSetText(note, "FORM", "Service", DOSSA_TERMINATED);
  DossaItemCreateTextList(note, "svcdef_name", "first", DOSSA_TERMINATED);
  DossaItemAppendTextList(note, "svcdef_name", "Second", DOSSA_TERMINATED, 0);
  double one = 1;
  DossaItemSetNumber(note, "svcdef_step", &one);
  ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  DossaNoteId listed = 0;
  DossaNoteGetId(note, &listed);
  DossaNoteClose(note);
  EXPECT_EQ(search("svcdef_name = \"second\""), std::vector<DossaNoteId>{listed});
  EXPECT_TRUE(search("FORM = \"Service\" & svcdef_step = \"1\"").empty());
}

TEST_P(SearchTest, ReplacingAndDeletingKeepTheIndexTrue) {
  DossaNoteId id = put("Service", {{"svcdef_name", "OLD"}});
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteOpen(db_, id, 0, &note), DOSSA_NOERROR);
  ASSERT_EQ(DossaItemSetText(note, "svcdef_name", "NEW", DOSSA_TERMINATED), DOSSA_NOERROR);
  ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  DossaNoteClose(note);
  EXPECT_TRUE(search("svcdef_name = \"OLD\"").empty());
  EXPECT_EQ(search("svcdef_name = \"NEW\""), std::vector<DossaNoteId>{id});
  ASSERT_EQ(DossaNoteDelete(db_, id, 0), DOSSA_NOERROR);
  EXPECT_TRUE(search("svcdef_name = \"NEW\"").empty());
  EXPECT_TRUE(search("FORM = \"Service\"").empty());
  std::string problem;
  EXPECT_EQ(DossaDbCheck(db_, problem), DOSSA_NOERROR) << problem;
}

struct StopState {
  int calls = 0;
  int stopAt = 0;
  std::vector<std::uint32_t> idsAtByte16;
};

DossaStatus stopping(void* context, const DossaSearchMatch* match, const void* summary) {
  auto* state = static_cast<StopState*>(context);
  std::uint32_t id = 0;
  std::memcpy(&id, reinterpret_cast<const unsigned char*>(match) + 16, sizeof id);
  state->idsAtByte16.push_back(id);
  EXPECT_EQ(summary, nullptr);
  return ++state->calls == state->stopAt ? 0x1234 : 0;
}

TEST_P(SearchTest, CallbackResultStopsTheSearchAndIsReturned) {
  std::vector<DossaNoteId> ids;
  for (int i = 0; i < 600; ++i) ids.push_back(put("Field", {{"MessageName", "M"}}));  // spans batches
  DossaMemHandle formula = 0;
  ASSERT_EQ(compile("FORM = \"Field\" & MessageName = \"M\"", &formula), DOSSA_NOERROR);
  StopState all;
  ASSERT_EQ(DossaSearch(db_, formula, nullptr, 0, DOSSA_NOTE_CLASS_DOCUMENT, nullptr, stopping, &all, nullptr),
            DOSSA_NOERROR);
  EXPECT_EQ(all.idsAtByte16, ids);
  StopState stop;
  stop.stopAt = 300;
  EXPECT_EQ(DossaSearch(db_, formula, nullptr, 0, DOSSA_NOTE_CLASS_DOCUMENT, nullptr, stopping, &stop, nullptr),
            0x1234);
  EXPECT_EQ(stop.calls, 300);
  // Views only: no document is found.
  StopState none;
  EXPECT_EQ(DossaSearch(db_, formula, nullptr, 0, DOSSA_NOTE_CLASS_VIEW, nullptr, stopping, &none, nullptr),
            DOSSA_NOERROR);
  EXPECT_EQ(none.calls, 0);
  EXPECT_EQ(DossaSearch(db_, formula, "Services", 0, 1, nullptr, stopping, &none, nullptr),
            DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaSearch(db_, db_, nullptr, 0, 1, nullptr, stopping, &none, nullptr), DOSSA_ERR_BAD_HANDLE);
  DossaMemFree(formula);
  EXPECT_EQ(DossaSearch(db_, formula, nullptr, 0, 1, nullptr, stopping, &none, nullptr), DOSSA_ERR_BAD_HANDLE);
}

// What the document store does in its callback: open the match, check a key, read, close.
struct ReadState {
  DossaDbHandle db = 0;
  int opened = 0;
  std::string found;
};

DossaStatus readFirst(void* context, const DossaSearchMatch* match, const void*) {
  auto* state = static_cast<ReadState*>(context);
  if (!state->found.empty()) return 0;
  DossaNoteHandle note = 0;
  DossaStatus s = DossaNoteOpen(state->db, match->noteId, 0, &note);
  if (s) return s;
  ++state->opened;
  char text[64];
  std::uint16_t n = DossaItemGetText(note, "secdef_userid", text, sizeof text - 1);
  state->found.assign(text, n);
  // Deleting the match from inside the callback does not disturb the search.
  DossaNoteDelete(state->db, match->noteId, 0);
  return DossaNoteClose(note);
}

TEST_P(SearchTest, CallbackMayUseTheLibraryWhileTheSearchRuns) {
  put("Security", {{"secdef_dossaid", "Jane Doe/Acme"}, {"secdef_sysname", "SYS1"}, {"secdef_userid", "jd1"}});
  put("Security", {{"secdef_dossaid", "Jane Doe/Acme"}, {"secdef_sysname", "SYS1"}, {"secdef_userid", "jd2"}});
  DossaMemHandle formula = 0;
  ASSERT_EQ(compile("FORM = \"Security\" & secdef_dossaid = \"jane doe/acme\" & secdef_sysname = \"SYS1\"",
                    &formula),
            DOSSA_NOERROR);
  ReadState state{db_, 0, {}};
  ASSERT_EQ(DossaSearch(db_, formula, nullptr, 0, 1, nullptr, readFirst, &state, nullptr), DOSSA_NOERROR);
  EXPECT_EQ(state.found, "jd1");
  EXPECT_EQ(state.opened, 1);
  ReadState again{db_, 0, {}};
  ASSERT_EQ(DossaSearch(db_, formula, nullptr, 0, 1, nullptr, readFirst, &again, nullptr), DOSSA_NOERROR);
  EXPECT_EQ(again.found, "jd2");
  DossaMemFree(formula);
}

// Opens a view's collection as the document store does.
HCOLLECTION openView(DossaDbHandle db, const char* name) {
  DossaNoteId view = 0;
  if (DossaFindView(db, name, DOSSA_NOTE_CLASS_VIEW, &view)) return 0;
  HCOLLECTION collection = 0;
  if (DossaOpenCollection(db, db, view, 0, 0, &collection, nullptr, nullptr, nullptr, nullptr)) return 0;
  return collection;
}

// The note ids the collection gives for a key, read one entry at a time as the store does.
std::vector<DossaNoteId> lookUp(HCOLLECTION collection, const char* key, DossaStatus* status,
                                std::uint32_t* matches) {
  std::vector<DossaNoteId> out;
  DossaCollectionPosition position{};
  *status = DossaUpdateCollection(collection);
  if (!*status) *status = DossaFindByName(collection, key, 0, &position, matches);
  if (*status) return out;
  DossaMemHandle buffer = 0;
  std::uint16_t length = 0, flags = 0;
  std::uint32_t returned = 0;
  *status = DossaReadEntries(collection, &position, 0, 0, 0, 1, 1, &buffer, &length, nullptr, &returned, &flags);
  if (*status || !buffer) return out;
  const auto* ids = static_cast<const std::uint32_t*>(DossaLockObject(buffer));
  out.assign(ids, ids + returned);
  DossaUnlockObject(buffer);
  DossaMemFree(buffer);
  return out;
}

TEST_P(SearchTest, ViewsFindTheirDocumentsByKeyIgnoringCase) {
  DossaNoteId s1 = put("Service", {{"svcdef_name", "Alpha"}});
  DossaNoteId b1 = put("MsgBuild", {{"msgdef_name", "MSG1"}});
  put("Message", {{"msgdef_name", "MSG2"}});  // wrong form: not in the view
  DossaNoteId b2a = put("MsgBuild", {{"msgdef_name", "dup"}});
  DossaNoteId b2b = put("MsgBuild", {{"msgdef_name", "DUP"}});

  DossaNoteId view = 0;
  EXPECT_EQ(DossaFindView(db_, "services", DOSSA_NOTE_CLASS_VIEW, &view), DOSSA_NOERROR);
  EXPECT_EQ(DossaFindView(db_, "Nothing", DOSSA_NOTE_CLASS_VIEW, &view), DOSSA_ERR_VIEW_NOT_FOUND);
  EXPECT_EQ(DossaFindView(db_, "Services", 1, &view), DOSSA_ERR_INVALID_ARGUMENT);

  HCOLLECTION services = openView(db_, "Services");
  HCOLLECTION built = openView(db_, "MsgBuild");
  ASSERT_NE(services, 0);
  ASSERT_NE(built, 0);
  ASSERT_NE(services, built);
  DossaStatus s = 0;
  std::uint32_t matches = 0;
  EXPECT_EQ(lookUp(services, "ALPHA", &s, &matches), std::vector<DossaNoteId>{s1});
  EXPECT_EQ(matches, 1u);
  EXPECT_EQ(lookUp(built, "msg1", &s, &matches), std::vector<DossaNoteId>{b1});
  EXPECT_TRUE(lookUp(built, "MSG2", &s, &matches).empty());
  EXPECT_EQ(s, DOSSA_ERR_NOT_FOUND);
  EXPECT_EQ(s & 0x3FFF, 1028);
  EXPECT_TRUE(lookUp(services, "MSG1", &s, &matches).empty());
  EXPECT_EQ(s, DOSSA_ERR_NOT_FOUND);
  EXPECT_EQ(lookUp(built, "Dup", &s, &matches), std::vector<DossaNoteId>{b2a});
  EXPECT_EQ(matches, 2u);

  // Reading several entries moves the position and tells when more remain.
  DossaCollectionPosition position{};
  ASSERT_EQ(DossaFindByName(built, "DUP", 0, &position, &matches), DOSSA_NOERROR);
  DossaMemHandle buffer = 0;
  std::uint16_t length = 0, flags = 0;
  std::uint32_t returned = 0, skipped = 0;
  ASSERT_EQ(DossaReadEntries(built, &position, 0, 1, 0, 1, 1, &buffer, &length, &skipped, &returned, &flags),
            DOSSA_NOERROR);
  EXPECT_EQ(skipped, 1u);
  ASSERT_EQ(returned, 1u);
  EXPECT_EQ(*static_cast<std::uint32_t*>(DossaLockObject(buffer)), b2b);
  EXPECT_EQ(position.noteId, b2b);
  EXPECT_EQ(flags, DOSSA_SIGNAL_MORE);  // "dup" sorts before "MSG1", which follows
  DossaMemFree(buffer);
  position.noteId = 0;  // from the start: dup, DUP, MSG1
  ASSERT_EQ(DossaReadEntries(built, &position, 0, 0, 0, 2, 1, &buffer, &length, nullptr, &returned, &flags),
            DOSSA_NOERROR);
  ASSERT_EQ(returned, 2u);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(flags, DOSSA_SIGNAL_MORE);
  EXPECT_EQ(static_cast<std::uint32_t*>(DossaLockObject(buffer))[1], b2b);
  DossaMemFree(buffer);
  ASSERT_EQ(DossaReadEntries(built, &position, 0, 1, 0, 5, 1, &buffer, &length, nullptr, &returned, &flags),
            DOSSA_NOERROR);
  ASSERT_EQ(returned, 1u);
  EXPECT_EQ(*static_cast<std::uint32_t*>(DossaLockObject(buffer)), b1);
  EXPECT_EQ(flags, 0);
  DossaMemFree(buffer);

  // A view always shows the saved state: a new document and a changed key.
  DossaNoteId s2 = put("Service", {{"svcdef_name", "Beta"}});
  EXPECT_EQ(lookUp(services, "beta", &s, &matches), std::vector<DossaNoteId>{s2});
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteOpen(db_, s1, 0, &note), DOSSA_NOERROR);
  DossaItemSetText(note, "svcdef_name", "Gamma", DOSSA_TERMINATED);
  ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR);
  DossaNoteClose(note);
  EXPECT_TRUE(lookUp(services, "Alpha", &s, &matches).empty());
  EXPECT_EQ(lookUp(services, "GAMMA", &s, &matches), std::vector<DossaNoteId>{s1});

  // A document without its key item is in the view under the empty key.
  DossaNoteId keyless = put("Service", {});
  EXPECT_EQ(lookUp(services, "", &s, &matches), std::vector<DossaNoteId>{keyless});

  // An entry that left the view is reported, not replaced by its neighbour.
  ASSERT_EQ(DossaFindByName(services, "Gamma", 0, &position, &matches), DOSSA_NOERROR);
  ASSERT_EQ(DossaNoteDelete(db_, s1, 0), DOSSA_NOERROR);
  EXPECT_EQ(DossaReadEntries(services, &position, 0, 0, 0, 1, 1, &buffer, &length, nullptr, &returned, &flags),
            DOSSA_ERR_POSITION_GONE);
  EXPECT_EQ(buffer, 0u);

  EXPECT_EQ(DossaReadEntries(services, &position, 0, 0, 1, 1, 1, &buffer, &length, nullptr, &returned, &flags),
            DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaCloseCollection(services), DOSSA_NOERROR);
  EXPECT_EQ(DossaCloseCollection(services), DOSSA_ERR_BAD_HANDLE);
  EXPECT_EQ(DossaUpdateCollection(services), DOSSA_ERR_BAD_HANDLE);
  EXPECT_EQ(DossaCloseCollection(built), DOSSA_NOERROR);
  std::string problem;
  EXPECT_EQ(DossaDbCheck(db_, problem), DOSSA_NOERROR) << problem;
}

TEST_P(SearchTest, CollectionArgumentsAreChecked) {
  DossaNoteId view = 0;
  ASSERT_EQ(DossaFindView(db_, "MsgBuild", DOSSA_NOTE_CLASS_VIEW, &view), DOSSA_NOERROR);
  HCOLLECTION collection = 0;
  DossaDbHandle other = 0;
  ASSERT_EQ(DossaDbOpen(path_.c_str(), &other), DOSSA_NOERROR);
  EXPECT_EQ(DossaOpenCollection(db_, other, view, 0, 0, &collection, nullptr, nullptr, nullptr, nullptr),
            DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(DossaOpenCollection(db_, db_, 999, 0, 0, &collection, nullptr, nullptr, nullptr, nullptr),
            DOSSA_ERR_VIEW_NOT_FOUND);
  DossaDbClose(other);
  ASSERT_EQ(DossaOpenCollection(db_, db_, view, 0, 0, &collection, nullptr, nullptr, nullptr, nullptr),
            DOSSA_NOERROR);
  DossaCollectionPosition position{};
  std::uint32_t matches = 0;
  std::string mega(1 << 20, 'k');
  EXPECT_EQ(DossaFindByName(collection, mega.c_str(), 0, &position, &matches), DOSSA_ERR_NOT_FOUND);
  EXPECT_EQ(DossaFindByName(collection, nullptr, 0, &position, &matches), DOSSA_ERR_INVALID_ARGUMENT);
  // The collection outlives a closed database handle until it is closed itself.
  DossaDbClose(db_);
  db_ = 0;
  EXPECT_EQ(DossaFindByName(collection, "x", 0, &position, &matches), DOSSA_ERR_NOT_FOUND);
  EXPECT_EQ(DossaCloseCollection(collection), DOSSA_NOERROR);
}

VEXO_ENGINE_SUITE(SearchTest);

}  // namespace
}  // namespace dossatest
