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
  std::vector<IndexRow> keyRows, entryRows, uniqueRows;
  design_.rowsOf(items, keyRows, entryRows);
  for (const IndexRow& row : keyRows) expected_[Keys].emplace(row.id, foldCase(row.value), id);
  for (const IndexRow& row : entryRows) expected_[Entries].emplace(row.id, foldCase(row.value), id);
  design_.uniqueRowsOf(items, uniqueRows);
  for (IndexRow& row : uniqueRows) {
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
  if (expected_[table].count(Row{id, table == Unique ? std::string(value) : foldCase(value), note}))
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
