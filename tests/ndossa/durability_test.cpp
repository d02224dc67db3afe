// Saved documents survive a killed writer; two writing processes neither
// corrupt the file nor lose documents; a database of 100,000 documents works.
// The writers are processes of their own (ndossa_durability_writer), killed
// with SIGKILL, or TerminateProcess on Windows.

#include <map>
#include <sstream>

#include "tests/ndossa/dossa_test_util.h"
#include "tests/ndossa/durability_util.h"
#include "tests/support/run_program.h"

namespace dossatest {
namespace {

using vexotest::StartedProgram;

class DossaDurability : public vexotest::EngineTest {
 protected:
  // The writer program's arguments for `mode` on this test's engine.
  std::vector<std::string> writer(const std::string& mode, const std::string& path) const {
    return {mode, GetParam(), path};
  }
};

std::string writerProgram() { return vexotest::programFile("ndossa_durability_writer"); }

// Notes the "ID VERSION" lines a writer printed; the number of lines.
std::size_t noteSaves(const std::string& lines, std::map<DossaNoteId, std::uint32_t>& reported) {
  std::istringstream in(lines);
  unsigned long id = 0, version = 0;
  std::size_t count = 0;
  while (in >> id >> version) {
    reported[static_cast<DossaNoteId>(id)] = static_cast<std::uint32_t>(version);
    ++count;
  }
  return count;
}

TEST_P(DossaDurability, EverySavedDocumentSurvivesAKilledWriter) {
  ASSERT_FALSE(writerProgram().empty()) << "run through ctest";
  TempDir dir;
  std::string path = dir.file("crash.ndb");
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  DossaTerm();

  constexpr long kSavesBeforeKill = 1500;
  std::map<DossaNoteId, std::uint32_t> reported;
  for (int crash = 0; crash < 2; ++crash) {
    StartedProgram writer(writerProgram(), this->writer("crash", path));
    ASSERT_TRUE(writer.started());
    // Kill at an arbitrary point after enough saves; whatever was reported had been saved.
    ASSERT_EQ(noteSaves(writer.readLines(kSavesBeforeKill), reported), static_cast<std::size_t>(kSavesBeforeKill))
        << "writer ended early";
    EXPECT_TRUE(writer.kill());
    noteSaves(writer.readLines(1L << 30), reported);
    ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
    DossaDbHandle db = 0;
    ASSERT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_NOERROR);
    std::string problem;
    EXPECT_EQ(DossaDbCheck(db, problem), DOSSA_NOERROR) << problem;
    for (const auto& [id, version] : reported) expectWhole(db, id, version);
    std::vector<DossaNoteId> all;
    ASSERT_EQ(DossaNoteList(db, nullptr, 0, 1u << 20, all), DOSSA_NOERROR);
    // At most one document per kill so far whose save committed before the writer could report it.
    EXPECT_LE(all.size(), reported.size() + static_cast<std::size_t>(crash) + 1);
    EXPECT_GE(all.size(), reported.size());
    DossaDbClose(db);
    DossaTerm();
  }
}

TEST_P(DossaDurability, TwoWritingProcessesLoseNothing) {
  ASSERT_FALSE(writerProgram().empty()) << "run through ctest";
  TempDir dir;
  std::string path = dir.file("shared.ndb");
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  DossaTerm();
  constexpr int kEach = 1500;
  {
    std::vector<std::string> a = writer("write", path), b = a;
    a.insert(a.end(), {"writerA", std::to_string(kEach)});
    b.insert(b.end(), {"writerB", std::to_string(kEach)});
    StartedProgram first(writerProgram(), a);
    StartedProgram second(writerProgram(), b);
    ASSERT_TRUE(first.started() && second.started());
    EXPECT_EQ(first.wait(), 0);
    EXPECT_EQ(second.wait(), 0);
  }

  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  DossaDbHandle db = 0;
  ASSERT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_NOERROR);
  std::string problem;
  EXPECT_EQ(DossaDbCheck(db, problem), DOSSA_NOERROR) << problem;
  for (const char* owner : {"writerA", "writerB"}) {
    std::string formula = std::string("FORM = \"Field\" & MessageName = \"") + owner + "\"";
    DossaMemHandle compiled = 0;
    ASSERT_EQ(DossaFormulaCompile(nullptr, 0, formula.c_str(), 0, &compiled, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr),
              DOSSA_NOERROR);
    std::vector<DossaNoteId> ids;
    ASSERT_EQ(DossaSearch(db, compiled, nullptr, 0, 1, nullptr, &collect, &ids, nullptr), DOSSA_NOERROR);
    DossaMemFree(compiled);
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kEach)) << owner;
    for (DossaNoteId id : ids) expectWhole(db, id, 0);
  }
  DossaDbClose(db);
  DossaTerm();
}

using LargeDatabaseTest = DossaTest;

TEST_P(LargeDatabaseTest, HundredThousandDocumentsStayFindable) {
  constexpr int kDocuments = 100000;
  for (int i = 0; i < kDocuments; ++i) {
    DossaNoteHandle note = 0;
    ASSERT_EQ(DossaNoteCreate(db_, &note), DOSSA_NOERROR);
    bool service = i % 100 == 0;
    std::string key = "K" + std::to_string(i);
    DossaItemSetText(note, "FORM", service ? "Service" : "Field", DOSSA_TERMINATED);
    DossaItemSetText(note, service ? "svcdef_name" : "MessageName", key.c_str(), DOSSA_TERMINATED);
    DossaItemSetText(note, "MessageFieldName", "F", DOSSA_TERMINATED);
    for (int k = 0; k < 14; ++k) DossaItemSetText(note, itemName(k).c_str(), key.c_str(), DOSSA_TERMINATED);
    ASSERT_EQ(DossaNoteUpdate(note, 0), DOSSA_NOERROR) << i;
    DossaNoteClose(note);
  }
  EXPECT_EQ(search("FORM = \"Field\" & MessageName = \"k77777\" & MessageFieldName = \"F\""),
            std::vector<DossaNoteId>{77778});
  EXPECT_EQ(search("FORM = \"Service\"").size(), static_cast<std::size_t>(kDocuments / 100));
  HCOLLECTION services = 0;
  DossaNoteId view = 0;
  ASSERT_EQ(DossaFindView(db_, "Services", DOSSA_NOTE_CLASS_VIEW, &view), DOSSA_NOERROR);
  ASSERT_EQ(DossaOpenCollection(db_, db_, view, 0, 0, &services, nullptr, nullptr, nullptr, nullptr), DOSSA_NOERROR);
  DossaCollectionPosition position{};
  std::uint32_t matches = 0;
  ASSERT_EQ(DossaFindByName(services, "K99900", 0, &position, &matches), DOSSA_NOERROR);
  EXPECT_EQ(position.noteId, 99901u);
  EXPECT_EQ(matches, 1u);
  EXPECT_EQ(DossaFindByName(services, "K99901", 0, &position, &matches), DOSSA_ERR_NOT_FOUND);
  DossaCloseCollection(services);
  std::vector<DossaNoteId> all;
  ASSERT_EQ(DossaNoteList(db_, nullptr, 0, 1u << 20, all), DOSSA_NOERROR);
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kDocuments));
  std::string problem;
  EXPECT_EQ(DossaDbCheck(db_, problem), DOSSA_NOERROR) << problem;
}

VEXO_ENGINE_SUITE(DossaDurability);
VEXO_ENGINE_SUITE(LargeDatabaseTest);

}  // namespace
}  // namespace dossatest
