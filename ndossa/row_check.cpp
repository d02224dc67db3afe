#include "ndossa/row_check.h"

#include <vector>

namespace ndossa {
namespace {

constexpr const char* kTableNames[] = {"the key index", "a view", "the unique keys"};

}  // namespace

DossaStatus RowCheck::addDocument(DossaNoteId id, std::string_view stored, std::string& problem) {
  NoteItems items;
  if (!items.decode(stored)) {
    damaged_ += (damaged_.empty() ? "" : ", ") + std::to_string(id);
    return DOSSA_NOERROR;
  }
  std::vector<IndexRow> rows[Design::kIndexTables];
  design_.indexRowsOf(items, rows);
  for (Table table : {Keys, Entries})
    for (const IndexRow& row : rows[table]) expected_[table].emplace(row.id, Design::comparable(table, row.value), id);
  for (IndexRow& row : rows[Unique]) {
    auto [holder, added] = uniqueHolders_.emplace(std::pair{row.id, row.value}, id);
    if (!added) {
      problem = "document " + std::to_string(id) + " repeats the unique key of document " +
                std::to_string(holder->second);
      return DOSSA_ERR_DATABASE_CORRUPT;
    }
    expected_[Unique].emplace(row.id, std::move(row.value), id);
  }
  return DOSSA_NOERROR;
}

DossaStatus RowCheck::documentsDone(std::string& problem) const {
  if (damaged_.empty()) return DOSSA_NOERROR;
  problem = "damaged documents: " + damaged_;
  return DOSSA_ERR_DATABASE_CORRUPT;
}

DossaStatus RowCheck::storedRow(Table table, std::int64_t id, std::string_view value, DossaNoteId note,
                                std::string& problem) {
  ++seen_[table];
  if (expected_[table].count(Row{id, Design::comparable(table, value), note}))
    return DOSSA_NOERROR;
  problem = std::string(kTableNames[table]) + " names document " + std::to_string(note) + " wrongly";
  return DOSSA_ERR_DATABASE_CORRUPT;
}

DossaStatus RowCheck::tableDone(Table table, std::string& problem) const {
  if (seen_[table] == expected_[table].size()) return DOSSA_NOERROR;
  problem = std::string(kTableNames[table]) + " lacks entries";
  return DOSSA_ERR_DATABASE_CORRUPT;
}

}  // namespace ndossa
