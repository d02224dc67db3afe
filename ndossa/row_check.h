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

 private:
  using Row = std::tuple<std::int64_t, std::string, DossaNoteId>;
  const Design& design_;
  std::set<Row> expected_[3];
  std::size_t seen_[3] = {};
  std::map<std::pair<std::int64_t, std::string>, DossaNoteId> uniqueHolders_;
  std::string damaged_;  // every document whose stored value fails its checksum or decoding
};

}  // namespace ndossa
