#pragma once
// ZoFieldTable: the fields of one message, owned, in the order they were
// added and found by name through a chained hash table that grows as fields
// come, so that a look-up stays short however many fields a message has.
// Names match exactly, letter case included.

#include <cstddef>
#include <memory>
#include <vector>

#include "../common/zo_types.h"
#include "../defs/zo_string.h"
#include "../message/zo_field.h"

class ZoFieldTable {
 public:
  // Number of buckets the table starts with.
  static constexpr ZO_LONG kInitialBuckets = 101;

  ZoFieldTable();
  // The table owns its fields.
  ZoFieldTable(const ZoFieldTable&) = delete;
  ZoFieldTable& operator=(const ZoFieldTable&) = delete;

  // The field of that name, or null. It stays the table's.
  ZoField* find(const ZoString& name) const;
  // Takes the field; its name must not be in the table yet.
  void insert(std::unique_ptr<ZoField> field);
  // Drops every field.
  void clear();

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // The field added at 0-based `index` (< size()); it stays the table's.
  ZoField& at(std::size_t index) const { return *entries_[index].field; }

 private:
  // One entry: the field and the next entry of its bucket.
  struct Entry {
    std::unique_ptr<ZoField> field;
    ZO_LONG next;  // index into entries_, or -1
  };

  static ZO_ULONG hash(const ZoString& name);
  void rehash(std::size_t bucketCount);

  std::vector<Entry> entries_;     // in the order the fields were added
  std::vector<ZO_LONG> buckets_;   // head entry of each bucket, or -1
};
