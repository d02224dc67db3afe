#pragma once
// The checks of the durability tests over the documents of
// durability_documents.h.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/ndossa/durability_documents.h"

namespace dossatest {

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
