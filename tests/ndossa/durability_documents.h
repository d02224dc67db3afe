#pragma once
// Documents whose every item names the document and its version, so that a
// reader can tell a whole document from a torn one: what the writers of the
// durability tests save. Shared by the tests and their writer program, which
// runs in processes of its own.

#include <cstdint>
#include <string>

#include "ndossa/dossa_admin.h"
#include "ndossa/dossa_api.h"

namespace dossatest {

inline constexpr int kItems = 17;  // as many as a field definition document has

inline std::string itemName(int k) { return "Item" + std::to_string(k); }
inline std::string itemValue(DossaNoteId id, std::uint32_t version, int k) {
  return "doc" + std::to_string(id) + "-v" + std::to_string(version) + "-" + std::to_string(k) +
         std::string(20, 'p');
}

// Writes all items of one document with the given version and saves it; 0 for a new document.
inline DossaStatus writeDocument(DossaDbHandle db, DossaNoteId& id, std::uint32_t version, const std::string& owner) {
  DossaNoteHandle note = 0;
  DossaStatus s = id ? DossaNoteOpen(db, id, 0, &note) : DossaNoteCreate(db, &note);
  if (s) return s;
  s = DossaItemSetText(note, "FORM", "Field", DOSSA_TERMINATED);
  if (!s) s = DossaItemSetText(note, "MessageName", owner.c_str(), DOSSA_TERMINATED);
  if (!s) s = DossaItemSetText(note, "Version", std::to_string(version).c_str(), DOSSA_TERMINATED);
  for (int k = 0; k < kItems && !s; ++k) {
    // A new document does not know its id yet: its first version names id 0.
    s = DossaItemSetText(note, itemName(k).c_str(), itemValue(id, version, k).c_str(), DOSSA_TERMINATED);
  }
  if (!s) s = DossaNoteUpdate(note, 0);
  if (!s) DossaNoteGetId(note, &id);
  DossaNoteClose(note);
  return s;
}

}  // namespace dossatest
