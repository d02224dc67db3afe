#pragma once
// Documents whose every item names the document and its version, so that a
// reader can tell a whole document from a torn one.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ndossa/dossa_api.h"

namespace dossatest {

inline constexpr int kItems = 17;  // as many as a field definition document has

// What a writer reports after each save returned success.
struct Saved {
  DossaNoteId id;
  std::uint32_t version;
};

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

// Checks that a saved document is whole: every item of one and the same version, at least `atLeast`.
inline void expectWhole(DossaDbHandle db, DossaNoteId id, std::uint32_t atLeast) {
  DossaNoteHandle note = 0;
  ASSERT_EQ(DossaNoteOpen(db, id, 0, &note), DOSSA_NOERROR) << "document " << id;
  char buffer[128];
  std::uint16_t n = DossaItemGetText(note, "Version", buffer, sizeof buffer);
  std::uint32_t version = static_cast<std::uint32_t>(std::stoul(std::string(buffer, n)));
  EXPECT_GE(version, atLeast) << "document " << id;
  DossaNoteId named = version == 0 ? 0 : id;
  for (int k = 0; k < kItems; ++k) {
    n = DossaItemGetText(note, itemName(k).c_str(), buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n), itemValue(named, version, k)) << "document " << id;
  }
  DossaNoteClose(note);
}

}  // namespace dossatest
