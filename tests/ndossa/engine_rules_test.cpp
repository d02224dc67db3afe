// The rules every engine shares: which index rows a change of a document
// removes and adds, the steps between units of work and read snapshots, the
// change guard, and the ids a new document may take.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ndossa/engine_rules.h"

namespace ndossa {
namespace {

constexpr std::int64_t kForm = 1, kName = 2;

Design fieldDesign() {
  Design design;
  design.addIndexed(DOSSA_FORM_ITEM, kForm);
  design.addIndexed("Name", kName);
  design.addView(ViewDesign{1, "Fields", "Field", "Name"});
  design.addUnique(UniqueDesign{1, "Field", {"Name"}});
  return design;
}

NoteItems field(const std::vector<std::string>& names) {
  NoteItems items;
  EXPECT_EQ(items.setText(DOSSA_FORM_ITEM, "Field"), DOSSA_NOERROR);
  if (!names.empty()) {
    EXPECT_EQ(items.setList("Name", names), DOSSA_NOERROR);
  }
  return items;
}

// "id:value" for each row, in order.
std::string rowsText(const std::vector<IndexRow>& rows) {
  std::string out;
  for (const IndexRow& row : rows) out += (out.empty() ? "" : " ") + std::to_string(row.id) + ":" + row.value;
  return out;
}

TEST(EngineRulesTest, RowChangesHoldOnlyWhatDiffersAsEachTableCompares) {
  struct Case {
    const char* what;
    std::vector<std::string> before, after;  // empty: no document
    const char* removedKeys;
    const char* addedKeys;
    std::size_t removedEntries, addedEntries, removedUnique, addedUnique;
  };
  const Case cases[] = {
      {"a new document takes all its rows", {}, {"A"}, "", "1:Field 2:A", 0, 1, 0, 1},
      {"a deleted one gives them all up", {"A"}, {}, "1:Field 2:A", "", 1, 0, 1, 0},
      {"a renamed one moves its name's rows", {"A"}, {"B"}, "2:A", "2:B", 1, 1, 1, 1},
      // Keys and view entries ignore case; a unique key is exact.
      {"a change of case moves only the unique key", {"A"}, {"a"}, "", "", 0, 0, 1, 1},
      {"values alike but for case are one row", {}, {"x", "X", "y"}, "", "1:Field 2:x 2:y", 0, 1, 0, 1},
      {"an unchanged document changes nothing", {"A", "B"}, {"A", "B"}, "", "", 0, 0, 0, 0},
  };
  const Design design = fieldDesign();
  for (const Case& c : cases) {
    const NoteItems before = field(c.before), after = field(c.after);
    const RowChanges changes =
        rowChanges(design, c.before.empty() ? nullptr : &before, c.after.empty() ? nullptr : &after);
    EXPECT_EQ(rowsText(changes.removed[Design::KeyTable]), c.removedKeys) << c.what;
    EXPECT_EQ(rowsText(changes.added[Design::KeyTable]), c.addedKeys) << c.what;
    EXPECT_EQ(changes.removed[Design::ViewTable].size(), c.removedEntries) << c.what;
    EXPECT_EQ(changes.added[Design::ViewTable].size(), c.addedEntries) << c.what;
    EXPECT_EQ(changes.removed[Design::UniqueTable].size(), c.removedUnique) << c.what;
    EXPECT_EQ(changes.added[Design::UniqueTable].size(), c.addedUnique) << c.what;
  }

  // Removals go first, table by table, and a failure stops the rest.
  const NoteItems a = field({"A"}), b = field({"B"});
  std::string order;
  EXPECT_EQ(applyRowChanges(rowChanges(design, &a, &b),
                            [&](bool add, std::size_t table, const std::vector<IndexRow>&) {
                              order += (add ? "+" : "-") + std::to_string(table);
                              return add && table == Design::ViewTable ? DOSSA_ERR_DISK : DOSSA_NOERROR;
                            }),
            DOSSA_ERR_DISK);
  EXPECT_EQ(order, "-0-1-2+0+1");
}

TEST(EngineRulesTest, UnitsAndSnapshotsMoveAsTheEngineRulesSay) {
  enum Op { Begin, Commit, Abort, BeginSnapshot, EndSnapshot, Change };
  struct Step {
    Op op;
    DossaStatus part;      // what the engine's own part returns
    DossaStatus expected;  // the step's status
    bool partRuns;
  };
  constexpr DossaStatus kOk = DOSSA_NOERROR, kRefused = DOSSA_ERR_INVALID_ARGUMENT, kDisk = DOSSA_ERR_DISK;
  struct Case {
    const char* what;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"commit, abort and end without a beginning",
       {{Commit, kOk, kRefused, false}, {Abort, kOk, kRefused, false}, {EndSnapshot, kOk, kRefused, false}}},
      {"units do not nest", {{Begin, kOk, kOk, true}, {Begin, kOk, kRefused, false}, {Commit, kOk, kOk, true}}},
      {"a snapshot refuses changes, units and a second snapshot",
       {{BeginSnapshot, kOk, kOk, true},
        {Change, kOk, kRefused, false},
        {Begin, kOk, kRefused, false},
        {BeginSnapshot, kOk, kRefused, false},
        {EndSnapshot, kOk, kOk, true},
        {Change, kOk, kOk, false}}},
      {"within a unit a snapshot only marks it, and the unit's end ends it",
       {{Begin, kOk, kOk, true},
        {BeginSnapshot, kOk, kOk, false},
        {Change, kOk, kRefused, false},
        {Commit, kOk, kOk, true},
        {EndSnapshot, kOk, kRefused, false}}},
      {"a failed commit keeps the unit for an abort",
       {{Begin, kOk, kOk, true}, {Commit, kDisk, kDisk, true}, {Abort, kOk, kOk, true}, {Abort, kOk, kRefused, false}}},
      {"a failed beginning opens nothing",
       {{Begin, kDisk, kDisk, true},
        {Commit, kOk, kRefused, false},
        {BeginSnapshot, kDisk, kDisk, true},
        {EndSnapshot, kOk, kRefused, false}}},
      {"a snapshot that ended early says so, and is over",
       {{BeginSnapshot, kOk, kOk, true}, {EndSnapshot, kDisk, kDisk, true}, {EndSnapshot, kOk, kRefused, false}}},
  };
  for (const Case& c : cases) {
    UnitState state;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      bool ran = false;
      auto part = [&] {
        ran = true;
        return step.part;
      };
      DossaStatus s = kOk;
      switch (step.op) {
        case Begin: s = state.begin(part); break;
        case Commit: s = state.commit(part); break;
        case Abort: s = state.abort(part); break;
        case BeginSnapshot: s = state.beginSnapshot(part); break;
        case EndSnapshot: s = state.endSnapshot(part); break;
        case Change: s = state.mayChange(); break;
      }
      EXPECT_EQ(s, step.expected) << c.what << ", step " << i;
      EXPECT_EQ(ran, step.partRuns) << c.what << ", step " << i;
    }
  }
}

// Records the statements a ChangeGuard asks for.
struct RecordingDb {
  bool unit = false;
  DossaStatus beginStatus = DOSSA_NOERROR, commitStatus = DOSSA_NOERROR;
  std::string calls;
  bool inUnit() const { return unit; }
  DossaStatus beginChange(bool nested) { return calls += nested ? "b*" : "b", beginStatus; }
  DossaStatus commitChange(bool nested) { return calls += nested ? " c*" : " c", commitStatus; }
  void rollbackChange(bool nested) { calls += nested ? " r*" : " r"; }
};

TEST(EngineRulesTest, AChangeNotKeptIsRolledBackInItsOwnWay) {
  struct Case {
    bool unit;
    DossaStatus begin, commit;
    bool commits;
    const char* calls;
  };
  const Case cases[] = {
      {false, DOSSA_NOERROR, DOSSA_NOERROR, true, "b c"},
      {true, DOSSA_NOERROR, DOSSA_NOERROR, true, "b* c*"},
      {false, DOSSA_NOERROR, DOSSA_NOERROR, false, "b r"},   // left before its commit
      {true, DOSSA_NOERROR, DOSSA_ERR_DISK, true, "b* c* r*"},  // its commit failed
      {false, DOSSA_ERR_BUSY, DOSSA_NOERROR, false, "b"},     // never began: nothing to roll back
  };
  for (const Case& c : cases) {
    RecordingDb db{c.unit, c.begin, c.commit, {}};
    {
      ChangeGuard<RecordingDb> change(db);
      if (!change.begin() && c.commits) change.commit();
    }
    EXPECT_EQ(db.calls, c.calls);
  }
}

TEST(EngineRulesTest, NewIdsArePositive32BitNumbers) {
  const std::pair<std::int64_t, DossaStatus> cases[] = {
      {1, DOSSA_NOERROR}, {kMaxNoteId, DOSSA_NOERROR}, {kMaxNoteId + 1, DOSSA_ERR_DATABASE_FULL},
      {0, DOSSA_ERR_DATABASE_FULL}, {-1, DOSSA_ERR_DATABASE_FULL}};
  for (const auto& [given, status] : cases) {
    DossaNoteId id = 7;
    EXPECT_EQ(takeNewId(given, id), status) << given;
    EXPECT_EQ(id, status ? 7u : static_cast<DossaNoteId>(given)) << given;
  }
}

}  // namespace
}  // namespace ndossa
