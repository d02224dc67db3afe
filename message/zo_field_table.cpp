#include "message/zo_field_table.h"

#include <cstdint>
#include <utility>

namespace {

constexpr ZO_LONG kNoEntry = -1;
// The table grows when it holds more than this many fields per bucket.
constexpr std::size_t kMaxLoad = 1;

}  // namespace

ZoFieldTable::ZoFieldTable() : buckets_(kInitialBuckets, kNoEntry) {}

ZO_ULONG ZoFieldTable::hash(const ZoString& name) {
  std::uint32_t h = 0;
  for (const char* p = name.text(); *p != '\0'; ++p) {
    h = 16 * h + static_cast<unsigned char>(*p);
    if (h >= 0x10000000u) h = (h ^ ((h >> 28) << 4)) & 0x0FFFFFFFu;
  }
  return h;
}

ZoField* ZoFieldTable::find(const ZoString& name) const {
  for (ZO_LONG i = buckets_[hash(name) % buckets_.size()]; i != kNoEntry; i = entries_[i].next) {
    if (entries_[i].field->getName() == name) return entries_[i].field.get();
  }
  return nullptr;
}

void ZoFieldTable::insert(std::unique_ptr<ZoField> field) {
  if (entries_.size() + 1 > kMaxLoad * buckets_.size()) rehash(2 * buckets_.size() + 1);
  const std::size_t bucket = hash(field->getName()) % buckets_.size();
  // A new field goes to the head of its bucket.
  entries_.push_back(Entry{std::move(field), buckets_[bucket]});
  buckets_[bucket] = static_cast<ZO_LONG>(entries_.size() - 1);
}

void ZoFieldTable::rehash(std::size_t bucketCount) {
  buckets_.assign(bucketCount, kNoEntry);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const std::size_t bucket = hash(entries_[i].field->getName()) % bucketCount;
    entries_[i].next = buckets_[bucket];
    buckets_[bucket] = static_cast<ZO_LONG>(i);
  }
}

void ZoFieldTable::clear() {
  entries_.clear();
  buckets_.assign(kInitialBuckets, kNoEntry);
}
