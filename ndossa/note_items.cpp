#include "ndossa/note_items.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

// xxHash, compiled into this file (no library to link).
#define XXH_INLINE_ALL
#include <xxhash.h>


namespace ndossa {
namespace {

// Version 2 ends with the XXH32 checksum of everything before it (4 bytes, little
// endian); version 1, written before, has none and is still read.
constexpr std::uint8_t kPlainVersion = 1;
constexpr std::uint8_t kFormatVersion = 2;
// Stored form of one item: kind, name length, name, then by kind:
// text: 4-byte length and bytes; number: 8 bytes (IEEE double, little endian);
// list: 4-byte count, then per entry 4-byte length and bytes.
constexpr std::size_t kItemHead = 2;
constexpr std::size_t kLengthSize = 4;
constexpr std::size_t kNumberSize = 8;

void putU32(std::string& out, std::uint32_t v) {
  const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                         static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
  out.append(bytes, sizeof bytes);
}

class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  bool u8(std::uint8_t& v) {
    if (data_.size() - pos_ < 1) return false;
    v = static_cast<std::uint8_t>(data_[pos_++]);
    return true;
  }
  bool u32(std::uint32_t& v) {
    if (data_.size() - pos_ < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(static_cast<std::uint8_t>(data_[pos_ + i])) << (8 * i);
    pos_ += 4;
    return true;
  }
  bool u64(std::uint64_t& v) {
    if (data_.size() - pos_ < 8) return false;
    v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(static_cast<std::uint8_t>(data_[pos_ + i])) << (8 * i);
    pos_ += 8;
    return true;
  }
  bool bytes(std::size_t n, std::string_view& v) {
    if (data_.size() - pos_ < n) return false;
    v = data_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  bool atEnd() const { return pos_ == data_.size(); }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$';
}
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9'); }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Room made for the items of a document at its first item: most have fewer.
constexpr std::size_t kTypicalItems = 24;
// Items of a document found without the map by name.
constexpr std::size_t kLinearItems = 32;

}  // namespace

bool validItemName(std::string_view name) {
  if (name.empty() || name.size() > DOSSA_MAX_ITEM_NAME || !isNameStart(name[0])) return false;
  for (char c : name)
    if (!isNameChar(c)) return false;
  return true;
}

std::string foldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lower(c);
  return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::size_t NoCaseHash::operator()(std::string_view text) const {
  // XXH3 of the lower-case bytes, folded on the stack. Names have at most
  // DOSSA_MAX_ITEM_NAME bytes; of a longer text only the first bytes are
  // hashed, which still gives texts equal but for case one hash.
  std::array<char, DOSSA_MAX_ITEM_NAME + 1> folded;
  const std::string_view part = text.substr(0, folded.size());
  std::transform(part.begin(), part.end(), folded.begin(), lower);
  return static_cast<std::size_t>(XXH3_64bits(folded.data(), part.size()));
}

std::string formatNumber(double number) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", number);
  return buf;
}

std::size_t NoteItems::indexOf(std::string_view name) const {
  if (byName_.empty()) {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (equalsNoCase(items_[i].name, name)) return i;
    return kNoItem;
  }
  auto it = byName_.find(name);
  return it == byName_.end() ? kNoItem : it->second;
}

const Item* NoteItems::find(std::string_view name) const {
  const std::size_t i = indexOf(name);
  return i == kNoItem ? nullptr : &items_[i];
}

Item* NoteItems::findMutable(std::string_view name) {
  const std::size_t i = indexOf(name);
  return i == kNoItem ? nullptr : &items_[i];
}

std::size_t NoteItems::storedSizeOf(const Item& item) {
  std::size_t size = kItemHead + item.name.size();
  switch (item.kind) {
    case ItemKind::Text: return size + kLengthSize + item.text.size();
    case ItemKind::Number: return size + kNumberSize;
    case ItemKind::TextList:
      size += kLengthSize;
      for (const auto& e : item.list) size += kLengthSize + e.size();
      return size;
  }
  return size;
}

DossaStatus NoteItems::prepare(std::string_view name, std::size_t newValueSize, Item*& slot) {
  if (!validItemName(name)) return DOSSA_ERR_ITEM_NAME;
  Item* existing = findMutable(name);
  std::size_t oldSize = existing ? storedSizeOf(*existing) : 0;
  std::size_t newSize = kItemHead + name.size() + newValueSize;
  if (size_ - oldSize + newSize > DOSSA_MAX_NOTE_SIZE) return DOSSA_ERR_NOTE_TOO_LARGE;
  if (!existing) {
    if (items_.empty()) items_.reserve(kTypicalItems);
    items_.push_back(Item{std::string(name), ItemKind::Text, {}, {}, 0});
    existing = &items_.back();
    // A few items are found by looking at each; many through the map.
    if (items_.size() > kLinearItems) {
      if (byName_.empty())
        for (std::size_t i = 0; i < items_.size(); ++i) byName_.emplace(items_[i].name, i);
      else
        byName_.emplace(std::string(name), items_.size() - 1);
    }
  }
  size_ = size_ - oldSize + newSize;
  slot = existing;
  return DOSSA_NOERROR;
}

DossaStatus NoteItems::setText(std::string_view name, std::string_view text) {
  if (text.size() > DOSSA_MAX_TEXT) return DOSSA_ERR_VALUE_TOO_LONG;
  Item* item = nullptr;
  if (DossaStatus s = prepare(name, kLengthSize + text.size(), item)) return s;
  item->kind = ItemKind::Text;
  item->text.assign(text);
  item->list.clear();
  item->number = 0;
  return DOSSA_NOERROR;
}

DossaStatus NoteItems::setNumber(std::string_view name, double number) {
  if (!std::isfinite(number)) return DOSSA_ERR_INVALID_ARGUMENT;
  Item* item = nullptr;
  if (DossaStatus s = prepare(name, kNumberSize, item)) return s;
  item->kind = ItemKind::Number;
  item->text.clear();
  item->list.clear();
  item->number = number;
  return DOSSA_NOERROR;
}

DossaStatus NoteItems::createList(std::string_view name, std::string_view entry) {
  if (entry.size() > DOSSA_MAX_TEXT) return DOSSA_ERR_VALUE_TOO_LONG;
  Item* item = nullptr;
  if (DossaStatus s = prepare(name, 2 * kLengthSize + entry.size(), item)) return s;
  item->kind = ItemKind::TextList;
  item->text.clear();
  item->list.assign(1, std::string(entry));
  item->number = 0;
  return DOSSA_NOERROR;
}

DossaStatus NoteItems::setList(std::string_view name, const std::vector<std::string>& entries) {
  if (entries.empty()) return DOSSA_ERR_INVALID_ARGUMENT;
  if (entries.size() > DOSSA_MAX_LIST_ENTRIES) return DOSSA_ERR_TOO_MANY_ENTRIES;
  std::size_t size = kLengthSize;
  for (const std::string& entry : entries) {
    if (entry.size() > DOSSA_MAX_TEXT) return DOSSA_ERR_VALUE_TOO_LONG;
    size += kLengthSize + entry.size();
  }
  Item* item = nullptr;
  if (DossaStatus s = prepare(name, size, item)) return s;
  item->kind = ItemKind::TextList;
  item->text.clear();
  item->list = entries;
  item->number = 0;
  return DOSSA_NOERROR;
}

DossaStatus NoteItems::appendList(std::string_view name, std::string_view entry) {
  Item* item = validItemName(name) ? findMutable(name) : nullptr;
  if (!item) return createList(name, entry);
  if (item->kind != ItemKind::TextList) return DOSSA_ERR_ITEM_TYPE;
  if (entry.size() > DOSSA_MAX_TEXT) return DOSSA_ERR_VALUE_TOO_LONG;
  if (item->list.size() >= DOSSA_MAX_LIST_ENTRIES) return DOSSA_ERR_TOO_MANY_ENTRIES;
  std::size_t grow = kLengthSize + entry.size();
  if (size_ + grow > DOSSA_MAX_NOTE_SIZE) return DOSSA_ERR_NOTE_TOO_LARGE;
  item->list.emplace_back(entry);
  size_ += grow;
  return DOSSA_NOERROR;
}

std::string NoteItems::textOf(const Item& item) {
  switch (item.kind) {
    case ItemKind::Text: return item.text;
    case ItemKind::Number: return formatNumber(item.number);
    case ItemKind::TextList: {
      std::string out;
      for (std::size_t i = 0; i < item.list.size(); ++i) {
        if (i) out += "; ";
        out += item.list[i];
      }
      return out;
    }
  }
  return {};
}

std::string NoteItems::keyOf(const Item* item) {
  if (!item) return {};
  if (item->kind == ItemKind::TextList) return item->list.empty() ? std::string() : item->list[0];
  return textOf(*item);
}

bool NoteItems::matches(const Item& item, std::string_view value) {
  if (item.kind == ItemKind::Text) return equalsNoCase(item.text, value);
  if (item.kind == ItemKind::TextList) {
    for (const auto& e : item.list)
      if (equalsNoCase(e, value)) return true;
  }
  return false;
}

std::string NoteItems::encode() const {
  std::string out;
  out.reserve(size_);
  out.push_back(static_cast<char>(kFormatVersion));
  putU32(out, static_cast<std::uint32_t>(items_.size()));
  for (const Item& item : items_) {
    out.push_back(static_cast<char>(item.kind));
    out.push_back(static_cast<char>(item.name.size()));
    out += item.name;
    switch (item.kind) {
      case ItemKind::Text:
        putU32(out, static_cast<std::uint32_t>(item.text.size()));
        out += item.text;
        break;
      case ItemKind::Number: {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &item.number, sizeof bits);
        putU32(out, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
        putU32(out, static_cast<std::uint32_t>(bits >> 32));
        break;
      }
      case ItemKind::TextList:
        putU32(out, static_cast<std::uint32_t>(item.list.size()));
        for (const auto& e : item.list) {
          putU32(out, static_cast<std::uint32_t>(e.size()));
          out += e;
        }
        break;
    }
  }
  putU32(out, checksum(out));
  return out;
}

std::uint32_t NoteItems::checksum(std::string_view body) {
  return static_cast<std::uint32_t>(XXH32(body.data(), body.size(), 0));
}

bool NoteItems::decode(std::string_view stored) {
  items_.clear();
  byName_.clear();
  size_ = kHeaderSize;
  NoteItems result;
  if (stored.size() > DOSSA_MAX_NOTE_SIZE + kChecksumSize || stored.empty()) return false;
  const auto version = static_cast<std::uint8_t>(stored[0]);
  if (version == kFormatVersion) {
    if (stored.size() < kChecksumSize) return false;
    std::string_view body = stored.substr(0, stored.size() - kChecksumSize);
    std::uint32_t sum = 0;
    if (!Reader(stored.substr(body.size())).u32(sum) || sum != checksum(body)) return false;
    stored = body;
  } else if (version != kPlainVersion) {
    return false;
  }
  Reader in(stored.substr(1));
  std::uint32_t count = 0;
  if (!in.u32(count)) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t kind = 0, nameLength = 0;
    std::string_view name;
    if (!in.u8(kind) || !in.u8(nameLength) || !in.bytes(nameLength, name)) return false;
    DossaStatus s = DOSSA_ERR_DATABASE_CORRUPT;
    switch (static_cast<ItemKind>(kind)) {
      case ItemKind::Text: {
        std::uint32_t length = 0;
        std::string_view text;
        if (!in.u32(length) || !in.bytes(length, text)) return false;
        s = result.setText(name, text);
        break;
      }
      case ItemKind::Number: {
        std::uint64_t bits = 0;
        double number = 0;
        if (!in.u64(bits)) return false;
        std::memcpy(&number, &bits, sizeof number);
        s = result.setNumber(name, number);
        break;
      }
      case ItemKind::TextList: {
        std::uint32_t entries = 0;
        if (!in.u32(entries) || entries == 0 || entries > DOSSA_MAX_LIST_ENTRIES) return false;
        for (std::uint32_t j = 0; j < entries; ++j) {
          std::uint32_t length = 0;
          std::string_view entry;
          if (!in.u32(length) || !in.bytes(length, entry)) return false;
          s = j == 0 ? result.createList(name, entry) : result.appendList(name, entry);
          if (s) break;
        }
        break;
      }
      default: return false;
    }
    if (s) return false;
    if (result.items_.size() != i + 1) return false;  // names are unique: a repeated one replaced an item
  }
  if (!in.atEnd()) return false;
  *this = std::move(result);
  return true;
}

}  // namespace ndossa
