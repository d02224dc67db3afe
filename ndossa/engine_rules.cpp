#include "ndossa/engine_rules.h"

#include <cstring>
#include <random>
#include <set>
#include <utility>

namespace ndossa {

std::string highestGivenIdSql(std::string_view greatest, std::string_view notes, std::string_view info) {
  std::string sql(greatest);
  sql += "(coalesce((SELECT max(noteid) FROM ";
  sql += notes;
  sql += "), 0), (SELECT deletedmax FROM ";
  sql += info;
  sql += " WHERE id = 1))";
  return sql;
}

DossaStatus takeNewId(std::int64_t given, DossaNoteId& id) {
  if (!validNoteId(given)) return DOSSA_ERR_DATABASE_FULL;
  id = static_cast<DossaNoteId>(given);
  return DOSSA_NOERROR;
}

RowChanges rowChanges(const Design& design, const NoteItems* old, const NoteItems* now) {
  std::vector<IndexRow> before[Design::kIndexTables], after[Design::kIndexTables];
  if (old) design.indexRowsOf(*old, before);
  if (now) design.indexRowsOf(*now, after);
  RowChanges changes;
  // The rows of `rows` that `other` does not call for, each once.
  auto unmatched = [](std::size_t table, std::vector<IndexRow>& rows, const std::vector<IndexRow>& other,
                      std::vector<IndexRow>& out) {
    std::set<std::pair<std::int64_t, std::string>> seen;
    for (const IndexRow& row : other) seen.emplace(row.id, Design::comparable(table, row.value));
    for (IndexRow& row : rows)
      if (seen.emplace(row.id, Design::comparable(table, row.value)).second) out.push_back(std::move(row));
  };
  for (std::size_t table = 0; table < Design::kIndexTables; ++table) {
    unmatched(table, before[table], after[table], changes.removed[table]);
    unmatched(table, after[table], before[table], changes.added[table]);
  }
  return changes;
}

DossaStatus viewFound(std::int64_t count, std::int64_t firstId, DossaNoteId& first, std::uint32_t& matches) {
  if (count == 0) return DOSSA_ERR_NOT_FOUND;
  matches = count > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(count);
  first = static_cast<DossaNoteId>(firstId);
  return DOSSA_NOERROR;
}

void newIdentity(std::uint8_t (&identity)[kIdentitySize]) {
  std::random_device random;
  for (auto& b : identity) b = static_cast<std::uint8_t>(random());
}

DossaStatus readIdentity(std::string_view stored, std::uint8_t (&identity)[kIdentitySize]) {
  if (stored.size() != kIdentitySize) return DOSSA_ERR_DATABASE_CORRUPT;
  std::memcpy(identity, stored.data(), kIdentitySize);
  return DOSSA_NOERROR;
}

DossaStatus readFormIndexId(const Design& design, std::int64_t& id) {
  return design.indexedId(DOSSA_FORM_ITEM, id) ? DOSSA_NOERROR : DOSSA_ERR_DATABASE_CORRUPT;
}

DossaStatus readView(Design& design, std::int64_t id, std::string_view name, std::string_view form,
                     std::string_view keyItem) {
  if (!validNoteId(id)) return DOSSA_ERR_DATABASE_CORRUPT;
  design.addView(ViewDesign{static_cast<std::uint32_t>(id), std::string(name), std::string(form),
                            std::string(keyItem)});
  return DOSSA_NOERROR;
}

void readUnique(Design& design, std::int64_t id, std::string_view form, std::string_view item1,
                const std::string_view* item2) {
  UniqueDesign key{id, std::string(form), {std::string(item1)}};
  if (item2) key.items.emplace_back(*item2);
  design.addUnique(std::move(key));
}

}  // namespace ndossa
