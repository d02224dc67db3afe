#pragma once
// The engine-neutral half of a full check: the rows of the key index, the
// views and the unique keys that the stored documents call for, gathered
// document by document, and the stored rows compared with them. Key and view
// rows compare with their values folded (engines compare them ignoring
// case), unique keys exactly.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "ndossa/design.h"
#include "ndossa/dossa_api.h"

namespace ndossa {

class RowCheck {
 public:
  // The design's index tables, by the names the checks use.
  enum Table { Keys = Design::KeyTable, Entries = Design::ViewTable, Unique = Design::UniqueTable };

  explicit RowCheck(const Design& design) : design_(design) {}

  // Adds the rows the stored value of document id calls for; a value that
  // does not decode is noted as damaged. DOSSA_ERR_DATABASE_CORRUPT (problem
  // set) when the document repeats another's unique key.
  DossaStatus addDocument(DossaNoteId id, std::string_view stored, std::string& problem);
  // After the last document: DOSSA_ERR_DATABASE_CORRUPT when any was damaged.
  DossaStatus documentsDone(std::string& problem) const;

  // One stored row of a table; DOSSA_ERR_DATABASE_CORRUPT when no document calls for it.
  DossaStatus storedRow(Table table, std::int64_t id, std::string_view value, DossaNoteId note, std::string& problem);
  // After the last stored row of a table: DOSSA_ERR_DATABASE_CORRUPT when rows are missing.
  DossaStatus tableDone(Table table, std::string& problem) const;

  // The whole comparison as every engine runs it: documents(add) gives each
  // stored document to add(id, stored), then rows(table, add) each stored row
  // of the first `tables` tables to add(id, value, note) (a database made
  // before unique keys has two). The first failure ends it.
  template <class Documents, class Rows>
  DossaStatus run(Documents&& documents, Rows&& rows, std::size_t tables, std::string& problem) {
    DossaStatus s = documents([&](DossaNoteId id, std::string_view stored) { return addDocument(id, stored, problem); });
    if (!s) s = documentsDone(problem);
    for (std::size_t t = 0; !s && t < tables; ++t) {
      const auto table = static_cast<Table>(t);
      s = rows(table, [&](std::int64_t id, std::string_view value, DossaNoteId note) {
        return storedRow(table, id, value, note, problem);
      });
      if (!s) s = tableDone(table, problem);
    }
    return s;
  }

 private:
  using Row = std::tuple<std::int64_t, std::string, DossaNoteId>;
  const Design& design_;
  std::set<Row> expected_[3];
  std::size_t seen_[3] = {};
  std::map<std::pair<std::int64_t, std::string>, DossaNoteId> uniqueHolders_;
  std::string damaged_;  // every document whose stored value fails its checksum or decoding
};

}  // namespace ndossa
