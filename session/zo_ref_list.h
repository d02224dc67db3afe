#pragma once
// Doubly linked list of borrowed references, used by the session to record
// the objects that work through it.
//
// The list owns its nodes only: it never deletes, copies or calls the objects
// it refers to. There is no check for duplicates: a reference added twice is
// held twice, and each remove takes one of them away.

#include <memory>
#include <new>

#include "../common/zo_types.h"

// Threads: no lock; a list is used by one thread at a time (its session's).
template <typename T>
class ZoRefList {
 public:
  ZoRefList() = default;
  ~ZoRefList() { removeAll(); }

  // Lists are copied only through assign, which reports allocation failure.
  ZoRefList(const ZoRefList&) = delete;
  ZoRefList& operator=(const ZoRefList&) = delete;

  // Link `ref` in at the head or the tail. Return 1, or 0 (and leave the
  // list unchanged) when no node can be allocated.
  ZO_LONG addHead(T* ref) {
    std::unique_ptr<Node> node(new (std::nothrow) Node);
    if (!node) return 0;
    node->ref = ref;
    if (head_) {
      head_->prev = node.get();
    } else {
      tail_ = node.get();
    }
    node->next = std::move(head_);
    head_ = std::move(node);
    ++count_;
    return 1;
  }

  ZO_LONG addTail(T* ref) {
    std::unique_ptr<Node> node(new (std::nothrow) Node);
    if (!node) return 0;
    node->ref = ref;
    node->prev = tail_;
    Node* added = node.get();
    if (tail_ != nullptr) {
      tail_->next = std::move(node);
    } else {
      head_ = std::move(node);
    }
    tail_ = added;
    ++count_;
    return 1;
  }

  // Unlinks and frees the first node, counted from the head, that holds
  // `ref`. Returns 1, or 0 when no node holds it.
  ZO_LONG remove(const T* ref) {
    for (Node* node = head_.get(); node != nullptr; node = node->next.get()) {
      if (node->ref == ref) {
        unlink(node);
        return 1;
      }
    }
    return 0;
  }

  // Unlink and free the first or last node; 0 on an empty list.
  ZO_LONG removeHead() {
    if (!head_) return 0;
    unlink(head_.get());
    return 1;
  }

  ZO_LONG removeTail() {
    if (tail_ == nullptr) return 0;
    unlink(tail_);
    return 1;
  }

  // Frees every node, one at a time (no recursion however long the list).
  void removeAll() {
    while (removeHead() != 0) {
    }
  }

  // Makes this list hold the references of `other`, in its order. Returns 1,
  // or 0 when a node could not be allocated (the list then holds the
  // references copied so far). Assigning a list to itself changes nothing.
  ZO_LONG assign(const ZoRefList& other) {
    if (&other == this) return 1;
    removeAll();
    for (const Node* node = other.head_.get(); node != nullptr; node = node->next.get()) {
      if (addTail(node->ref) == 0) return 0;
    }
    return 1;
  }

  ZO_LONG count() const { return count_; }

  // The reference at the zero-based `index` counted from the head; an index
  // at or beyond the count gives the last reference. An empty list or a
  // negative index gives null.
  T* getAt(ZO_LONG index) const {
    if (index < 0 || !head_) return nullptr;
    if (index >= count_) return tail_->ref;
    const Node* node = head_.get();
    for (ZO_LONG i = 0; i < index; ++i) node = node->next.get();
    return node->ref;
  }

  T* head() const { return head_ ? head_->ref : nullptr; }
  T* tail() const { return tail_ != nullptr ? tail_->ref : nullptr; }

 private:
  struct Node {
    Node* prev = nullptr;
    std::unique_ptr<Node> next;
    T* ref = nullptr;
  };

  // Unlinks `node` and frees it, keeping head, tail and count consistent.
  void unlink(Node* node) {
    Node* prev = node->prev;
    std::unique_ptr<Node> next = std::move(node->next);
    if (next) {
      next->prev = prev;
    } else {
      tail_ = prev;
    }
    // Replacing the owner's link frees the node.
    if (prev != nullptr) {
      prev->next = std::move(next);
    } else {
      head_ = std::move(next);
    }
    --count_;
  }

  std::unique_ptr<Node> head_;
  Node* tail_ = nullptr;
  ZO_LONG count_ = 0;
};
