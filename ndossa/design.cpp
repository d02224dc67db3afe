#include "ndossa/design.h"

#include <algorithm>

#include "ndossa/dossa_admin.h"

namespace ndossa {

void Design::addIndexed(std::string_view item, std::int64_t id) { indexed_[std::string(item)] = id; }

void Design::addView(ViewDesign view) { views_.push_back(std::move(view)); }

void Design::addUnique(UniqueDesign key) { unique_.push_back(std::move(key)); }

bool Design::indexedId(std::string_view item, std::int64_t& id) const {
  auto found = indexed_.find(item);
  if (found == indexed_.end()) return false;
  id = found->second;
  return true;
}

const ViewDesign* Design::findView(std::string_view name) const {
  for (const ViewDesign& view : views_)
    if (equalsNoCase(view.name, name)) return &view;
  return nullptr;
}

const ViewDesign* Design::viewById(std::uint32_t id) const {
  for (const ViewDesign& view : views_)
    if (view.id == id) return &view;
  return nullptr;
}

void Design::rowsOf(const NoteItems& items, std::vector<IndexRow>& keys,
                    std::vector<IndexRow>& entries) const {
  keys.clear();
  entries.clear();
  for (const Item& item : items.items()) {
    std::int64_t id = 0;
    if (!indexedId(item.name, id)) continue;
    if (item.kind == ItemKind::Text) keys.push_back({id, item.text});
    if (item.kind == ItemKind::TextList)
      for (const auto& entry : item.list) keys.push_back({id, entry});
  }
  const Item* form = items.find(DOSSA_FORM_ITEM);
  if (!form) return;
  const std::string formName = NoteItems::keyOf(form);
  for (const ViewDesign& view : views_)
    if (equalsNoCase(formName, view.form))
      entries.push_back({view.id, NoteItems::keyOf(items.find(view.keyItem))});
}

void Design::uniqueRowsOf(const NoteItems& items, std::vector<IndexRow>& rows) const {
  rows.clear();
  const Item* form = items.find(DOSSA_FORM_ITEM);
  if (!form) return;
  const std::string formName = NoteItems::keyOf(form);
  for (const UniqueDesign& key : unique_) {
    if (!equalsNoCase(formName, key.form)) continue;
    // Each value with its length before it, so that no two lists of values join alike.
    std::string value;
    bool whole = true;
    for (const std::string& name : key.items) {
      const Item* item = items.find(name);
      if (!item) {
        whole = false;
        break;
      }
      const std::string text = NoteItems::textOf(*item);
      value += std::to_string(text.size()) + ':' + text;
    }
    if (whole) rows.push_back({key.id, std::move(value)});
  }
}

void Design::indexRowsOf(const NoteItems& items, std::vector<IndexRow> (&rows)[kIndexTables]) const {
  rowsOf(items, rows[KeyTable], rows[ViewTable]);
  rows[UniqueTable].clear();
  if (!unique_.empty()) uniqueRowsOf(items, rows[UniqueTable]);
}

std::string Design::comparable(std::size_t table, std::string_view value) {
  return table == UniqueTable ? std::string(value) : foldCase(value);
}

std::vector<IndexedTerm> Design::indexedTerms(const Formula& formula, std::size_t maxTerms,
                                              bool& exact) const {
  std::vector<IndexedTerm> terms;
  exact = true;
  for (const FormulaTerm& term : formula.terms) {
    std::int64_t id = 0;
    if (!indexedId(term.item, id) || terms.size() == maxTerms) {
      exact = false;
      continue;
    }
    terms.emplace_back(id, &term);
  }
  // A form is shared by many documents, a name by few: names lead.
  std::int64_t form = 0;
  if (indexedId(DOSSA_FORM_ITEM, form))
    std::stable_partition(terms.begin(), terms.end(), [&](const IndexedTerm& term) { return term.first != form; });
  return terms;
}

}  // namespace ndossa
