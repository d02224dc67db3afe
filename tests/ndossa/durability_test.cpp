// Saved documents survive a killed writer; two writing processes neither
// corrupt the file nor lose documents; a database of 100,000 documents works.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>

#include "tests/ndossa/dossa_test_util.h"
#include "tests/ndossa/durability_util.h"

namespace dossatest {
namespace {

class DossaDurability : public vexotest::EngineTest {};

// The writer of the crash test: creates documents and rewrites earlier ones until killed.
[[noreturn]] void crashWriter(const std::string& path, int reportFd) {
  DossaDbHandle db = 0;
  if (DossaInitExtended(0, nullptr) || DossaDbOpen(path.c_str(), &db)) _exit(2);
  std::vector<Saved> mine;
  for (std::uint32_t round = 0;; ++round) {
    Saved saved{0, 0};
    if (round % 4 == 3 && !mine.empty()) {
      saved = mine[round % mine.size()];
      ++saved.version;
    }
    if (writeDocument(db, saved.id, saved.version, "crash")) _exit(3);
    if (saved.version == 0) mine.push_back(saved);
    else mine[round % mine.size()] = saved;
    if (write(reportFd, &saved, sizeof saved) != static_cast<ssize_t>(sizeof saved)) _exit(4);
  }
}

TEST_P(DossaDurability, EverySavedDocumentSurvivesAKilledWriter) {
  TempDir dir;
  std::string path = dir.file("crash.ndb");
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  DossaTerm();  // nothing of the library is open while the writer forks

  std::map<DossaNoteId, std::uint32_t> reported;
  for (int crash = 0; crash < 2; ++crash) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      crashWriter(path, fds[1]);
    }
    close(fds[1]);
    // Kill at an arbitrary point after enough saves; whatever was reported had been saved.
    std::size_t seen = 0;
    Saved saved{};
    while (seen < 1500 && read(fds[0], &saved, sizeof saved) == static_cast<ssize_t>(sizeof saved)) {
      reported[saved.id] = saved.version;
      ++seen;
    }
    ASSERT_EQ(seen, 1500u) << "writer ended early";
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    while (read(fds[0], &saved, sizeof saved) == static_cast<ssize_t>(sizeof saved)) reported[saved.id] = saved.version;
    close(fds[0]);

    ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
    DossaDbHandle db = 0;
    ASSERT_EQ(DossaDbOpen(path.c_str(), &db), DOSSA_NOERROR);
    std::string problem;
    EXPECT_EQ(DossaDbCheck(db, problem), DOSSA_NOERROR) << problem;
    for (const auto& [id, version] : reported) expectWhole(db, id, version);
    std::vector<DossaNoteId> all;
    ASSERT_EQ(DossaNoteList(db, nullptr, 0, 1u << 20, all), DOSSA_NOERROR);
    // At most the one document whose save was cut off by the kill after committing.
    EXPECT_LE(all.size(), reported.size() + 1);
    EXPECT_GE(all.size(), reported.size());
    DossaDbClose(db);
    DossaTerm();
  }
}

// A writer of the two-writer test; exits 0 when every save succeeded.
[[noreturn]] void concurrentWriter(const std::string& path, const std::string& owner, int count) {
  DossaDbHandle db = 0;
  if (DossaInitExtended(0, nullptr) || DossaDbOpen(path.c_str(), &db)) _exit(2);
  std::vector<DossaNoteId> mine;
  for (int i = 0; i < count; ++i) {
    DossaNoteId id = 0;
    if (writeDocument(db, id, 0, owner)) _exit(3);
    mine.push_back(id);
    if (i % 3 == 2) {
      DossaNoteId again = mine[static_cast<std::size_t>(i) / 2];
      if (writeDocument(db, again, 1, owner)) _exit(4);
    }
  }
  DossaDbClose(db);
  DossaTerm();
  _exit(0);
}

TEST_P(DossaDurability, TwoWritingProcessesLoseNothing) {
  TempDir dir;
  std::string path = dir.file("shared.ndb");
  ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
  ASSERT_EQ(DossaDbCreate(path.c_str(), zodossa::zoDossaDesign()), DOSSA_NOERROR);
  DossaTerm();
  constexpr int kEach = 1500;
  pid_t a = fork();
  if (a == 0) concurrentWriter(path, "writerA", kEach);
  pid_t b = fork();
  if (b == 0) concurrentWriter(path, "writerB", kEach);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  for (pid_t child : {a, b}) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
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
