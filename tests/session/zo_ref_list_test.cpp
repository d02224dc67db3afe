#include "session/zo_ref_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item {
  int id;
};

std::vector<int> ids(const ZoRefList<Item>& list) {
  std::vector<int> out;
  for (ZO_LONG i = 0; i < list.count(); ++i) out.push_back(list.getAt(i)->id);
  return out;
}

class RefList : public ::testing::Test {
 protected:
  Item a_{1}, b_{2}, c_{3};
  ZoRefList<Item> list_;
};

TEST_F(RefList, RemovingFromTheMiddleKeepsOrderAndEnds) {
  EXPECT_EQ(list_.addTail(&a_), 1);
  EXPECT_EQ(list_.addTail(&b_), 1);
  EXPECT_EQ(list_.addTail(&c_), 1);
  EXPECT_EQ(list_.remove(&b_), 1);
  EXPECT_EQ(list_.count(), 2);
  EXPECT_EQ(ids(list_), (std::vector<int>{1, 3}));
  EXPECT_EQ(list_.head(), &a_);
  EXPECT_EQ(list_.tail(), &c_);
  // The neighbours were relinked both ways: removing the ends still works.
  EXPECT_EQ(list_.removeTail(), 1);
  EXPECT_EQ(list_.tail(), &a_);
  EXPECT_EQ(list_.removeHead(), 1);
  EXPECT_EQ(list_.count(), 0);
}

TEST_F(RefList, RemovingTheOnlyNodeEmptiesTheList) {
  list_.addTail(&a_);
  EXPECT_EQ(list_.remove(&a_), 1);
  EXPECT_EQ(list_.count(), 0);
  EXPECT_EQ(list_.head(), nullptr);
  EXPECT_EQ(list_.tail(), nullptr);
  list_.addTail(&b_);
  EXPECT_EQ(list_.head(), &b_);
  EXPECT_EQ(list_.tail(), &b_);
  list_.addHead(&a_);
  EXPECT_EQ(ids(list_), (std::vector<int>{1, 2}));
  EXPECT_EQ(list_.removeHead(), 1);
  EXPECT_EQ(list_.removeHead(), 1);
  EXPECT_EQ(list_.head(), nullptr);
  EXPECT_EQ(list_.tail(), nullptr);
}

TEST_F(RefList, DuplicatesAndMissingReferences) {
  list_.addTail(&a_);
  list_.addTail(&b_);
  list_.addTail(&a_);
  EXPECT_EQ(list_.remove(&a_), 1);
  EXPECT_EQ(ids(list_), (std::vector<int>{2, 1})) << "the first one from the head goes";
  EXPECT_EQ(list_.remove(&c_), 0);
  EXPECT_EQ(list_.count(), 2);
  EXPECT_EQ(list_.remove(nullptr), 0);
}

TEST_F(RefList, EmptyListOperationsFailQuietly) {
  EXPECT_EQ(list_.removeHead(), 0);
  EXPECT_EQ(list_.removeTail(), 0);
  EXPECT_EQ(list_.remove(&a_), 0);
  EXPECT_EQ(list_.getAt(0), nullptr);
  list_.removeAll();
  EXPECT_EQ(list_.count(), 0);
}

TEST_F(RefList, GetAtClampsToTheLastReference) {
  list_.addTail(&a_);
  list_.addTail(&b_);
  list_.addTail(&c_);
  EXPECT_EQ(list_.getAt(0), &a_);
  EXPECT_EQ(list_.getAt(2), &c_);
  EXPECT_EQ(list_.getAt(5), &c_);
  EXPECT_EQ(list_.getAt(-1), nullptr);
}

TEST_F(RefList, AssignCopiesInOrderAndReplaces) {
  list_.addTail(&a_);
  list_.addTail(&b_);
  ZoRefList<Item> other;
  other.addTail(&c_);
  EXPECT_EQ(other.assign(list_), 1);
  EXPECT_EQ(ids(other), (std::vector<int>{1, 2}));
  EXPECT_EQ(list_.assign(list_), 1);
  EXPECT_EQ(ids(list_), (std::vector<int>{1, 2})) << "self-assignment keeps the list";
  ZoRefList<Item> empty;
  EXPECT_EQ(list_.assign(empty), 1);
  EXPECT_EQ(list_.count(), 0);
  EXPECT_EQ(other.count(), 2) << "the copy is independent";
}

TEST_F(RefList, LongListsAreFreedWithoutRecursion) {
  ZoRefList<Item> big;
  for (int i = 0; i < 300000; ++i) ASSERT_EQ(big.addTail(&a_), 1);
  EXPECT_EQ(big.count(), 300000);
  // Destruction frees every node; the sanitizer build checks for leaks.
}

}  // namespace
