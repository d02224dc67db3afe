#pragma once
// The items of one document in memory, and their stored form (one value per
// document). Item names are matched without regard to ASCII letter case.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ndossa/dossa_api.h"

namespace ndossa {

enum class ItemKind : std::uint8_t { Text = 1, TextList = 2, Number = 3 };

struct Item {
  std::string name;  // spelling of the first set
  ItemKind kind = ItemKind::Text;
  std::string text;                // Text
  std::vector<std::string> list;   // TextList
  double number = 0;               // Number
};

// True for a name of 1 to DOSSA_MAX_ITEM_NAME letters, digits, '_' or '$' not starting with a digit.
bool validItemName(std::string_view name);
// ASCII lower case copy: the form under which names are compared.
std::string foldCase(std::string_view text);
// Equality ignoring ASCII letter case.
bool equalsNoCase(std::string_view a, std::string_view b);
// Hashing and equality of names ignoring ASCII letter case, for maps that
// are looked up by any spelling of a name without folding it first.
struct NoCaseHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const;
};
struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return equalsNoCase(a, b); }
};
// A number as the text a reader sees ("42", "2.5").
std::string formatNumber(double number);

class NoteItems {
 public:
  // The item of that name, or null.
  const Item* find(std::string_view name) const;

  // Each setter checks the name, the value length and the document size, and
  // changes nothing when it fails.
  DossaStatus setText(std::string_view name, std::string_view text);
  DossaStatus setNumber(std::string_view name, double number);
  DossaStatus createList(std::string_view name, std::string_view entry);
  DossaStatus appendList(std::string_view name, std::string_view entry);
  // A whole list at once, as createList and appendList would make it.
  DossaStatus setList(std::string_view name, const std::vector<std::string>& entries);

  const std::vector<Item>& items() const { return items_; }
  // Bytes of the stored form.
  std::size_t storedSize() const { return size_ + kChecksumSize; }

  // The text a reader sees: a text, a list's entries joined by "; ", a number as decimal.
  static std::string textOf(const Item& item);
  // The text the item is sorted by in a view: a text, a list's first entry, a number as decimal.
  static std::string keyOf(const Item* item);
  // True when a formula term ITEM = "value" holds for the item (text or any list entry, ignoring case).
  static bool matches(const Item& item, std::string_view value);

  // The checksum stored after a stored form's body: XXH32 (seed 0) of the body.
  static std::uint32_t checksum(std::string_view body);
  // The stored form, with its checksum.
  std::string encode() const;
  // Rebuilds the items from their stored form; false (and no items) when the
  // stored form is damaged in any way: a checksum that does not match, or a
  // form that does not decode. A form stored without a checksum is read as it is.
  bool decode(std::string_view stored);

 private:
  static constexpr std::size_t kNoItem = static_cast<std::size_t>(-1);
  // The index of the item of that name, or kNoItem.
  std::size_t indexOf(std::string_view name) const;
  Item* findMutable(std::string_view name);
  // Points slot at the item to replace or at a new one, after checking the
  // name and that the document stays within its size limit.
  DossaStatus prepare(std::string_view name, std::size_t newValueSize, Item*& slot);
  static std::size_t storedSizeOf(const Item& item);

  std::vector<Item> items_;
  // Name -> index, kept once a document has more than a few items.
  std::unordered_map<std::string, std::size_t, NoCaseHash, NoCaseEqual> byName_;
  std::size_t size_ = kHeaderSize;

 public:
  static constexpr std::size_t kHeaderSize = 5;  // version byte, item count
  static constexpr std::size_t kChecksumSize = 4;  // the checksum after the items
};

}  // namespace ndossa
