// The engine interface below the library: a unit of work keeps its changes
// together, and an abort drops them all; the design's unique keys hold; a
// read snapshot sees one moment while another connection writes.

#include "ndossa/engine.h"
#include "tests/ndossa/dossa_test_util.h"

namespace dossatest {
namespace {

class UnitOfWorkTest : public vexotest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    driver_ = ndossa::findEngineDriver(GetParam());
    ASSERT_NE(driver_, nullptr);
    ASSERT_EQ(DossaInitExtended(0, nullptr), DOSSA_NOERROR);
    path_ = dir_.file("unit.ndb");
    ASSERT_EQ(driver_->create(path_, zodossa::zoDossaDesign()), DOSSA_NOERROR);
    ASSERT_EQ(driver_->open(path_, engine_), DOSSA_NOERROR);
  }
  void TearDown() override {
    engine_.reset();
    DossaTerm();
  }

  // Saves a new "Service" document named `name`; its id (0 on failure).
  DossaNoteId save(const char* name) {
    ndossa::NoteItems items;
    items.setText("FORM", "Service");
    items.setText("svcdef_name", name);
    DossaNoteId id = 0;
    return engine_->save(id, items) ? 0 : id;
  }
  bool present(DossaNoteId id) {
    ndossa::NoteItems items;
    return engine_->load(id, items) == DOSSA_NOERROR;
  }

  TempDir dir_;
  std::string path_;
  const ndossa::EngineDriver* driver_ = nullptr;
  std::unique_ptr<ndossa::Engine> engine_;
};

TEST_P(UnitOfWorkTest, CommitKeepsEveryChangeAndAbortDropsThemAll) {
  DossaNoteId kept = save("kept");
  ASSERT_NE(kept, 0u);
  EXPECT_EQ(engine_->commit(), DOSSA_ERR_INVALID_ARGUMENT);  // no unit open
  EXPECT_EQ(engine_->abort(), DOSSA_ERR_INVALID_ARGUMENT);

  ASSERT_EQ(engine_->begin(), DOSSA_NOERROR);
  EXPECT_EQ(engine_->begin(), DOSSA_ERR_INVALID_ARGUMENT);  // units do not nest
  DossaNoteId dropped = save("dropped");
  ASSERT_NE(dropped, 0u);
  EXPECT_EQ(engine_->remove(kept), DOSSA_NOERROR);
  EXPECT_EQ(engine_->abort(), DOSSA_NOERROR);
  EXPECT_TRUE(present(kept));
  EXPECT_FALSE(present(dropped));
  std::string problem;
  EXPECT_EQ(engine_->check(problem), DOSSA_NOERROR) << problem;

  ASSERT_EQ(engine_->begin(), DOSSA_NOERROR);
  DossaNoteId first = save("one"), second = save("two");
  EXPECT_EQ(engine_->remove(kept), DOSSA_NOERROR);
  EXPECT_EQ(engine_->remove(kept), DOSSA_ERR_NOTE_NOT_FOUND);  // a failed change leaves the unit usable
  EXPECT_EQ(engine_->commit(), DOSSA_NOERROR);
  engine_.reset();
  ASSERT_EQ(driver_->open(path_, engine_), DOSSA_NOERROR);
  EXPECT_TRUE(present(first));
  EXPECT_TRUE(present(second));
  EXPECT_FALSE(present(kept));
  EXPECT_EQ(engine_->check(problem), DOSSA_NOERROR) << problem;
}

TEST_P(UnitOfWorkTest, UniqueKeysOfTheDesignRefuseASecondDocument) {
  auto saveAs = [&](DossaNoteId& id, std::vector<std::pair<const char*, const char*>> texts) {
    ndossa::NoteItems items;
    for (const auto& [name, value] : texts) items.setText(name, value);
    return engine_->save(id, items);
  };
  DossaNoteId a = 0, other = 0, f = 0;
  ASSERT_EQ(saveAs(a, {{"FORM", "Message"}, {"MessageName", "A"}}), DOSSA_NOERROR);
  const struct {
    std::vector<std::pair<const char*, const char*>> texts;
    DossaStatus status;
  } cases[] = {
      {{{"FORM", "Message"}, {"MessageName", "A"}}, DOSSA_ERR_DUPLICATE_KEY},
      {{{"FORM", "message"}, {"MessageName", "A"}}, DOSSA_ERR_DUPLICATE_KEY},  // forms ignore case
      {{{"FORM", "Message"}, {"MessageName", "a"}}, DOSSA_NOERROR},            // values do not
      {{{"FORM", "Message"}}, DOSSA_NOERROR},                                   // without its key item
      {{{"FORM", "Message"}}, DOSSA_NOERROR},
      {{{"FORM", "Field"}, {"MessageName", "A"}, {"MessageFieldName", "F"}}, DOSSA_NOERROR},
      {{{"FORM", "Field"}, {"MessageName", "A"}, {"MessageFieldName", "F"}}, DOSSA_ERR_DUPLICATE_KEY},
      {{{"FORM", "Field"}, {"MessageName", "B"}, {"MessageFieldName", "F"}}, DOSSA_NOERROR},
      {{{"FORM", "MsgBuild"}, {"msgdef_name", "A"}}, DOSSA_NOERROR},
      {{{"FORM", "MsgBuild"}, {"msgdef_name", "A"}}, DOSSA_ERR_DUPLICATE_KEY},
      {{{"FORM", "Service"}, {"svcdef_name", "A"}}, DOSSA_NOERROR},  // not a unique form
      {{{"FORM", "Service"}, {"svcdef_name", "A"}}, DOSSA_NOERROR},
  };
  for (const auto& c : cases) {
    DossaNoteId id = 0;
    EXPECT_EQ(saveAs(id, c.texts), c.status) << c.texts[0].second;
    EXPECT_EQ(id == 0, c.status != DOSSA_NOERROR);
  }
  // An update may not take another document's key, and keeps its own.
  ASSERT_EQ(saveAs(other, {{"FORM", "Message"}, {"MessageName", "B"}}), DOSSA_NOERROR);
  EXPECT_EQ(saveAs(other, {{"FORM", "Message"}, {"MessageName", "A"}}), DOSSA_ERR_DUPLICATE_KEY);
  EXPECT_EQ(saveAs(other, {{"FORM", "Message"}, {"MessageName", "B"}, {"MessageDescription", "d"}}), DOSSA_NOERROR);
  // A deleted document frees its key.
  EXPECT_EQ(engine_->remove(a), DOSSA_NOERROR);
  EXPECT_EQ(saveAs(f, {{"FORM", "Message"}, {"MessageName", "A"}}), DOSSA_NOERROR);
  std::string problem;
  EXPECT_EQ(engine_->check(problem), DOSSA_NOERROR) << problem;
}

TEST_P(UnitOfWorkTest, ASnapshotSeesOneMomentWhileAnotherConnectionWrites) {
  const DossaNoteId old = save("old");
  ASSERT_NE(old, 0u);
  std::unique_ptr<ndossa::Engine> writer;
  ASSERT_EQ(driver_->open(path_, writer), DOSSA_NOERROR);
  ndossa::Formula byName;
  ndossa::FormulaError error;
  ASSERT_TRUE(ndossa::compileFormula("svcdef_name = \"old\"", byName, error));
  const std::uint32_t view = engine_->design().findView(zodossa::SERVICES_VIEW)->id;
  // Every read an engine offers, as the ids it gives.
  auto reads = [&]() {
    std::vector<DossaNoteId> listed, found, entries;
    bool exact = false, more = false;
    DossaNoteId first = 0;
    std::uint32_t matches = 0, skipped = 0;
    EXPECT_EQ(engine_->listNotes(nullptr, 0, 100, listed), DOSSA_NOERROR);
    EXPECT_EQ(engine_->candidates(byName, 0, 100, found, exact), DOSSA_NOERROR);
    if (engine_->viewFind(view, "old", first, matches) == DOSSA_NOERROR) found.push_back(first);
    EXPECT_EQ(engine_->viewRead(view, 0, 0, 100, entries, skipped, more), DOSSA_NOERROR);
    std::string problem;
    EXPECT_EQ(engine_->check(problem), DOSSA_NOERROR) << problem;
    return std::vector<std::vector<DossaNoteId>>{listed, found, entries};
  };
  const auto before = reads();

  EXPECT_EQ(engine_->endSnapshot(), DOSSA_ERR_INVALID_ARGUMENT);
  ASSERT_EQ(engine_->beginSnapshot(), DOSSA_NOERROR);
  EXPECT_EQ(engine_->beginSnapshot(), DOSSA_ERR_INVALID_ARGUMENT);  // snapshots do not nest
  EXPECT_EQ(writer->remove(old), DOSSA_NOERROR);                   // the writer is not held up
  ndossa::NoteItems items;
  items.setText("FORM", "Service");
  items.setText("svcdef_name", "new");
  DossaNoteId added = 0;
  ASSERT_EQ(writer->save(added, items), DOSSA_NOERROR);
  EXPECT_TRUE(present(old));
  EXPECT_FALSE(present(added));
  EXPECT_EQ(reads(), before);
  // No change goes through a snapshot.
  EXPECT_EQ(save("refused"), 0u);
  EXPECT_EQ(engine_->remove(old), DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(engine_->begin(), DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(engine_->endSnapshot(), DOSSA_NOERROR);
  EXPECT_FALSE(present(old));
  EXPECT_TRUE(present(added));

  // Within a unit the snapshot only marks the unit's reads, and ends with it.
  for (const bool keep : {false, true}) {
    ASSERT_EQ(engine_->begin(), DOSSA_NOERROR);
    const DossaNoteId inUnit = save("in unit");
    ASSERT_EQ(engine_->beginSnapshot(), DOSSA_NOERROR);
    EXPECT_TRUE(present(inUnit));
    EXPECT_EQ(save("refused"), 0u);
    EXPECT_EQ(keep ? engine_->commit() : engine_->abort(), DOSSA_NOERROR);
    EXPECT_EQ(engine_->endSnapshot(), DOSSA_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(present(inUnit), keep);
  }
  EXPECT_NE(save("after"), 0u);
}

VEXO_ENGINE_SUITE(UnitOfWorkTest);

}  // namespace
}  // namespace dossatest
