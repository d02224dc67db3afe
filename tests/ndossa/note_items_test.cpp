// The stored form of a document: it reads back exactly, every changed byte is
// found by its checksum, and damaged stored forms (cut, altered, lying about
// lengths) are refused without harm.

#include <gtest/gtest.h>

#include <random>

#include "ndossa/note_items.h"

namespace ndossa {
namespace {

NoteItems sample() {
  NoteItems items;
  EXPECT_EQ(items.setText("FORM", "Field"), DOSSA_NOERROR);
  EXPECT_EQ(items.setText("Bytes", std::string("a\0b\xff", 4)), DOSSA_NOERROR);
  EXPECT_EQ(items.setNumber("Width", -0.125), DOSSA_NOERROR);
  EXPECT_EQ(items.createList("List", "one"), DOSSA_NOERROR);
  EXPECT_EQ(items.appendList("LIST", ""), DOSSA_NOERROR);
  return items;
}

TEST(NoteItemsTest, StoredFormReadsBackExactly) {
  NoteItems items = sample();
  std::string stored = items.encode();
  EXPECT_EQ(stored.size(), items.storedSize());
  NoteItems back;
  ASSERT_TRUE(back.decode(stored));
  ASSERT_EQ(back.items().size(), 4u);
  EXPECT_EQ(back.find("bytes")->text, std::string("a\0b\xff", 4));
  EXPECT_EQ(back.find("WIDTH")->number, -0.125);
  EXPECT_EQ(back.find("list")->list, (std::vector<std::string>{"one", ""}));
  EXPECT_EQ(back.find("List")->name, "List");  // the first spelling stays
  EXPECT_EQ(back.encode(), stored);

  // A whole list set at once is the list made entry by entry; a refused one changes nothing.
  ASSERT_EQ(back.setList("LIST", {"one", ""}), DOSSA_NOERROR);
  EXPECT_EQ(back.encode(), stored);
  EXPECT_EQ(back.setList("List", {}), DOSSA_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(back.setList("List", {"x", std::string(DOSSA_MAX_TEXT + 1, 'x')}), DOSSA_ERR_VALUE_TOO_LONG);
  EXPECT_EQ(back.encode(), stored);
}

TEST(NoteItemsTest, ManyItemsAreFoundByAnySpellingAndKeepTheirPlace) {
  NoteItems items;
  for (int i = 0; i < 100; ++i) ASSERT_EQ(items.setText("Item" + std::to_string(i), "v"), DOSSA_NOERROR);
  ASSERT_EQ(items.setText("ITEM7", "again"), DOSSA_NOERROR);  // replaced, not added
  ASSERT_EQ(items.items().size(), 100u);
  NoteItems back;
  ASSERT_TRUE(back.decode(items.encode()));
  for (int i = 0; i < 100; ++i) {
    const Item* item = back.find("iTEM" + std::to_string(i));
    ASSERT_NE(item, nullptr) << i;
    EXPECT_EQ(item, &back.items()[static_cast<std::size_t>(i)]);
    EXPECT_EQ(item->text, i == 7 ? "again" : "v");
  }
  EXPECT_EQ(back.find("Item100"), nullptr);
}

// A stored form with its checksum made to match again, so that the decoding
// rules behind the checksum are what is tested.
std::string resealed(std::string stored) {
  stored.resize(stored.size() - NoteItems::kChecksumSize);
  const std::uint32_t sum = NoteItems::checksum(stored);
  for (int i = 0; i < 4; ++i) stored.push_back(static_cast<char>((sum >> (8 * i)) & 0xFF));
  return stored;
}

TEST(NoteItemsTest, EveryChangedByteIsFoundAndOldFormsWithoutChecksumRead) {
  const std::string stored = sample().encode();
  NoteItems back;
  for (std::size_t at = 0; at < stored.size(); ++at) {
    for (int flip : {0x01, 0x80, 0xFF}) {
      std::string damaged = stored;
      damaged[at] = static_cast<char>(damaged[at] ^ flip);
      EXPECT_FALSE(back.decode(damaged)) << at << " " << flip;
    }
  }
  // The form before checksums: version 1, no trailer.
  std::string plain = stored.substr(0, stored.size() - NoteItems::kChecksumSize);
  plain[0] = 1;
  ASSERT_TRUE(back.decode(plain));
  EXPECT_EQ(back.encode(), stored);
}

TEST(NoteItemsTest, DamagedStoredFormsAreRefused) {
  std::string stored = sample().encode();
  NoteItems back;
  for (std::size_t cut = 0; cut < stored.size(); ++cut)
    EXPECT_FALSE(back.decode(std::string_view(stored).substr(0, cut))) << cut;
  EXPECT_TRUE(back.items().empty());  // a failed read leaves nothing half-read
  EXPECT_FALSE(back.decode(stored + "x"));

  // A length field that claims more than there is.
  std::string lying = stored;
  std::size_t at = lying.find("Field") - 4;
  for (int i = 0; i < 4; ++i) lying[at + static_cast<std::size_t>(i)] = '\xff';
  EXPECT_FALSE(back.decode(resealed(lying)));
  // An item count far beyond the content.
  std::string counting = stored;
  for (int i = 1; i <= 4; ++i) counting[static_cast<std::size_t>(i)] = '\xff';
  EXPECT_FALSE(back.decode(resealed(counting)));
  // Unknown kind, duplicate and invalid names.
  std::string kind = stored;
  kind[5] = 9;
  EXPECT_FALSE(back.decode(resealed(kind)));
  std::string renamed = stored;
  renamed.replace(renamed.find("Bytes"), 5, "form1");
  EXPECT_TRUE(back.decode(resealed(renamed)));
  renamed.replace(renamed.find("form1"), 5, "fo-rm");
  EXPECT_FALSE(back.decode(resealed(renamed)));
  std::string twice = stored;
  twice.replace(twice.find("Width"), 5, "Bytes");
  EXPECT_FALSE(back.decode(resealed(twice)));

  // Random damage: never a crash, and whatever decodes is well-formed again.
  std::mt19937 random(12345);
  for (int round = 0; round < 5000; ++round) {
    std::string damaged = stored;
    for (int flips = 1 + round % 3; flips > 0; --flips)
      damaged[random() % damaged.size()] = static_cast<char>(random() & 0xFF);
    damaged = resealed(damaged);
    if (back.decode(damaged)) {
      EXPECT_EQ(back.encode(), damaged);
    }
  }
}

}  // namespace
}  // namespace ndossa
