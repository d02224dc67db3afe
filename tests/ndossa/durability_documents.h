#pragma once
// The documents of the durability tests: what a writer saves and how a reader
// checks that a saved document is whole. Shared by the test and its writer
// program, which runs in processes of its own.

#include <cstdint>
#include <string>

#include "docstore/dossa_api.h"
#include "ndossa/dossa_admin.h"

namespace dossatest {

constexpr int kDurabilityItems = 17;  // as many as a field definition document has

inline std::string durabilityItemName(int k) { return "Item" + std::to_string(k); }

inline std::string durabilityItemValue(DossaNoteId id, std::uint32_t version, int k) {
  return "doc" + std::to_string(id) + "-v" + std::to_string(version) + "-" + std::to_string(k) +
         std::string(20, 'p');
}

// Writes all items of one document with the given version and saves it; id 0 makes a new document.
inline DossaStatus writeDurabilityDocument(DossaDbHandle db, DossaNoteId& id, std::uint32_t version,
                                           const std::string& owner) {
  DossaNoteHandle note = 0;
  DossaStatus s = id ? DossaNoteOpen(db, id, 0, &note) : DossaNoteCreate(db, &note);
  if (s) return s;
  s = DossaItemSetText(note, "FORM", "Field", DOSSA_TERMINATED);
  if (!s) s = DossaItemSetText(note, "MessageName", owner.c_str(), DOSSA_TERMINATED);
  if (!s) s = DossaItemSetText(note, "Version", std::to_string(version).c_str(), DOSSA_TERMINATED);
  for (int k = 0; k < kDurabilityItems && !s; ++k) {
    // A new document does not know its id yet: its first version names id 0.
    s = DossaItemSetText(note, durabilityItemName(k).c_str(), durabilityItemValue(id, version, k).c_str(),
                         DOSSA_TERMINATED);
  }
  if (!s) s = DossaNoteUpdate(note, 0);
  if (!s) DossaNoteGetId(note, &id);
  DossaNoteClose(note);
  return s;
}

}  // namespace dossatest
