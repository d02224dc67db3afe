#include "session/zo_ref_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item {
  int id;
};

// The ids from the head, checked against the links both ways.
std::vector<int> ids(const ZoRefList<Item>& list) {
  std::vector<int> out;
  for (ZO_LONG i = 0; i < list.count(); ++i) out.push_back(list.getAt(i)->id);
  EXPECT_EQ(list.head(), list.count() > 0 ? list.getAt(0) : nullptr);
  EXPECT_EQ(list.tail(), list.count() > 0 ? list.getAt(list.count() - 1) : nullptr);
  return out;
}

TEST(RefList, LinksStayConsistentThroughAddsAndRemoves) {
  Item a{1}, b{2}, c{3};
  ZoRefList<Item> list;
  EXPECT_EQ(list.removeHead(), 0);
  EXPECT_EQ(list.removeTail(), 0);
  EXPECT_EQ(list.getAt(0), nullptr);

  list.addTail(&a);
  list.addTail(&b);
  list.addTail(&c);
  EXPECT_EQ(list.remove(&b), 1);
  EXPECT_EQ(ids(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(list.removeTail(), 1);
  EXPECT_EQ(ids(list), (std::vector<int>{1}));
  EXPECT_EQ(list.remove(&a), 1);
  EXPECT_EQ(ids(list), (std::vector<int>{}));
  EXPECT_EQ(list.head(), nullptr);

  list.addTail(&b);  // the first node of an empty list is head and tail
  list.addHead(&a);
  list.addTail(&c);
  EXPECT_EQ(ids(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list.removeHead(), 1);
  EXPECT_EQ(ids(list), (std::vector<int>{2, 3}));
  EXPECT_EQ(list.getAt(5), &c) << "an index beyond the count gives the last";
  EXPECT_EQ(list.getAt(-1), nullptr);
}

TEST(RefList, DuplicatesAndMissingReferences) {
  Item a{1}, b{2}, c{3};
  ZoRefList<Item> list;
  list.addTail(&a);
  list.addTail(&b);
  list.addTail(&a);
  EXPECT_EQ(list.remove(&a), 1);
  EXPECT_EQ(ids(list), (std::vector<int>{2, 1})) << "the first one from the head goes";
  EXPECT_EQ(list.remove(&c), 0);
  EXPECT_EQ(list.remove(nullptr), 0);
  EXPECT_EQ(list.count(), 2);
}

TEST(RefList, AssignCopiesInOrder) {
  Item a{1}, b{2}, c{3};
  ZoRefList<Item> list, other;
  list.addTail(&a);
  list.addTail(&b);
  other.addTail(&c);
  EXPECT_EQ(other.assign(list), 1);
  EXPECT_EQ(ids(other), (std::vector<int>{1, 2}));
  EXPECT_EQ(list.assign(list), 1);
  EXPECT_EQ(ids(list), (std::vector<int>{1, 2})) << "self-assignment keeps the list";
  list.removeAll();
  EXPECT_EQ(other.count(), 2) << "the copy is independent";
}

TEST(RefList, LongListsAreFreedWithoutRecursion) {
  Item a{1};
  ZoRefList<Item> big;
  for (int i = 0; i < 300000; ++i) ASSERT_EQ(big.addTail(&a), 1);
  EXPECT_EQ(big.count(), 300000);
}

}  // namespace
