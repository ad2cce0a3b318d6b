// List<Bucket<V, K>>: the hash table from keys of type K to values of type V. A fixed number of
// buckets, each a chain of entries; every entry also sits in one doubly linked list of all entries,
// newest first. Keys compare for exact equality (byte for byte for String keys). In use:
// List<Bucket<String, String>> as a map and List<Bucket<bool, String>> as a set of texts.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/string.hpp"

namespace valdorine {

inline uint32_t HashKey(const String& key) { return Hash(key); }

template <typename V, typename K>
struct Bucket {
  struct Entry {
    K key;
    V value;
    Entry* next_in_bucket = nullptr;
    Entry* newer = nullptr;  // neighbours in the list of all entries
    Entry* older = nullptr;
  };
  Entry* first = nullptr;
};

template <typename B>
class List;

template <typename V, typename K>
class List<Bucket<V, K>> {
 public:
  using Entry = typename Bucket<V, K>::Entry;

  // The expected entry count a table without buckets is sized for on its first insertion.
  static constexpr int kDefaultExpectedEntries = 16;

  List() = default;
  List(const List&) = delete;
  List& operator=(const List&) = delete;
  ~List() { Clear(); }

  // Sizes the table for `expected_entries` entries: (n + 1) × 1.25 buckets, truncated. Empties it.
  void SetBucketCount(int expected_entries) {
    Clear();
    const int64_t count = (int64_t{expected_entries} + 1) * 5 / 4;
    buckets_.assign(count > 0 ? static_cast<size_t>(count) : 0, Bucket<V, K>{});
  }

  int BucketCount() const { return static_cast<int>(buckets_.size()); }
  int Count() const { return count_; }

  // The value stored for `key`, or null. A table without buckets finds nothing.
  V* Find(const K& key) {
    Entry* entry = FindEntry(key);
    return entry ? &entry->value : nullptr;
  }
  const V* Find(const K& key) const { return const_cast<List*>(this)->Find(key); }
  bool Contains(const K& key) const { return Find(key) != nullptr; }

  // The value stored for `key`; when the key is absent, a new entry holding `default_value`.
  V& FindOrInsert(const K& key, V default_value = V()) {
    if (Entry* entry = FindEntry(key)) return entry->value;
    if (buckets_.empty()) SetBucketCount(kDefaultExpectedEntries);
    Bucket<V, K>& bucket = BucketOf(key);
    auto* entry = new Entry{key, std::move(default_value), bucket.first, nullptr, newest_};
    bucket.first = entry;
    if (newest_) newest_->newer = entry;
    newest_ = entry;
    ++count_;
    return entry->value;
  }

  // Removes every entry; the bucket count stays.
  void Clear() {
    while (newest_) delete std::exchange(newest_, newest_->older);
    for (Bucket<V, K>& bucket : buckets_) bucket.first = nullptr;
    count_ = 0;
  }

  // Iteration over the entries, newest first.
  class Iterator {
   public:
    explicit Iterator(Entry* entry) : entry_(entry) {}
    Entry& operator*() const { return *entry_; }
    Entry* operator->() const { return entry_; }
    Iterator& operator++() {
      entry_ = entry_->older;
      return *this;
    }
    bool operator==(const Iterator& other) const { return entry_ == other.entry_; }

   private:
    Entry* entry_;
  };
  Iterator begin() const { return Iterator(newest_); }
  Iterator end() const { return Iterator(nullptr); }

 private:
  Bucket<V, K>& BucketOf(const K& key) { return buckets_[HashKey(key) % buckets_.size()]; }

  Entry* FindEntry(const K& key) {
    if (buckets_.empty()) return nullptr;
    for (Entry* entry = BucketOf(key).first; entry; entry = entry->next_in_bucket) {
      if (entry->key == key) return entry;
    }
    return nullptr;
  }

  std::vector<Bucket<V, K>> buckets_;
  Entry* newest_ = nullptr;
  int count_ = 0;
};

}  // namespace valdorine
