#pragma once
// The design of a database as every engine holds it: the items of the key
// index and the views. It carries the engine-neutral rules that say which
// rows of the key index and of the views a document calls for, and which
// terms of a formula the index can answer; engines store and look up those
// rows, they never derive them on their own.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ndossa/formula.h"
#include "ndossa/note_items.h"

namespace ndossa {

struct ViewDesign {
  std::uint32_t id = 0;
  std::string name;     // found by this name, ignoring case
  std::string form;     // documents of this form are in the view
  std::string keyItem;  // sorted by this item
};

// A unique key of the design: documents of the form are unique by the items.
struct UniqueDesign {
  std::int64_t id = 0;
  std::string form;
  std::vector<std::string> items;
};

// One row of the key index (id: the indexed item's) or of a view (id: the view's).
struct IndexRow {
  std::int64_t id;
  std::string value;
};

// An indexed term of a formula: the indexed item's id and the term.
using IndexedTerm = std::pair<std::int64_t, const FormulaTerm*>;

class Design {
 public:
  // Adds an indexed item under the engine's id for it.
  void addIndexed(std::string_view item, std::int64_t id);
  void addView(ViewDesign view);
  void addUnique(UniqueDesign key);
  const std::vector<UniqueDesign>& uniqueKeys() const { return unique_; }

  // The id of an indexed item; false when the item is not indexed.
  bool indexedId(std::string_view item, std::int64_t& id) const;
  const std::vector<ViewDesign>& views() const { return views_; }
  const ViewDesign* findView(std::string_view name) const;
  const ViewDesign* viewById(std::uint32_t id) const;

  // The rows a document's items call for: one key row per value of an indexed
  // item (a text, or every list entry), one view row per view of its form
  // (keyed by the view's key item). Values are as stored, not folded.
  void rowsOf(const NoteItems& items, std::vector<IndexRow>& keys,
              std::vector<IndexRow>& entries) const;

  // The rows of the unique keys a document takes: one per unique key of its
  // form whose items it has all, holding their exact values.
  void uniqueRowsOf(const NoteItems& items, std::vector<IndexRow>& rows) const;

  // The index tables a document has rows in, and its rows in each of them.
  enum IndexTable : std::size_t { KeyTable, ViewTable, UniqueTable, kIndexTables };
  void indexRowsOf(const NoteItems& items, std::vector<IndexRow> (&rows)[kIndexTables]) const;
  // A row's value as its table compares values: key and view values ignoring
  // case (folded), unique values exactly.
  static std::string comparable(std::size_t table, std::string_view value);

  // The formula's terms on indexed items, at most maxTerms, in formula order
  // except that terms on the form come last (a search is driven best by a
  // name); exact comes back true when they are all of its terms.
  std::vector<IndexedTerm> indexedTerms(const Formula& formula, std::size_t maxTerms,
                                        bool& exact) const;

 private:
  std::unordered_map<std::string, std::int64_t, NoCaseHash, NoCaseEqual> indexed_;  // item name -> id
  std::vector<ViewDesign> views_;
  std::vector<UniqueDesign> unique_;
};

}  // namespace ndossa
