// Vector<T> (alias Array<T>): a growable contiguous sequence with a signed 32-bit count whose
// element access is checked. An index below 0 or not below the count is a fatal internal error
// naming the element type, the index and the highest valid index.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/type_name.hpp"

namespace valdorine {

[[noreturn]] void FatalIndexOutOfRange(const char* type_name, int index, int count);

template <typename T>
class Vector {
 public:
  Vector() = default;
  Vector(std::initializer_list<T> items) : items_(items) {}

  int Count() const { return static_cast<int>(items_.size()); }
  bool IsEmpty() const { return items_.empty(); }

  T& operator[](int index) { return items_[Checked(index)]; }
  const T& operator[](int index) const { return items_[Checked(index)]; }
  T& First() { return (*this)[0]; }
  T& Last() { return (*this)[Count() - 1]; }
  const T& First() const { return (*this)[0]; }
  const T& Last() const { return (*this)[Count() - 1]; }
  T* Data() { return items_.data(); }
  const T* Data() const { return items_.data(); }

  T& Append(T item) { return items_.emplace_back(std::move(item)); }
  // Elements from `index` up move one place towards the end; index == Count() appends.
  void Insert(int index, T item) {
    if (index != Count()) Checked(index);
    items_.insert(items_.begin() + index, std::move(item));
  }
  void RemoveAt(int index) { items_.erase(items_.begin() + Checked(index)); }
  void RemoveRange(int index, int count) {
    if (count <= 0) return;
    Checked(index);
    Checked(index + count - 1);
    items_.erase(items_.begin() + index, items_.begin() + index + count);
  }
  void Swap(int a, int b) { std::swap((*this)[a], (*this)[b]); }
  void Reverse() { std::reverse(items_.begin(), items_.end()); }
  void Clear() { items_.clear(); }
  void Reserve(int count) { items_.reserve(static_cast<size_t>(std::max(count, 0))); }
  void Resize(int count) { items_.resize(static_cast<size_t>(std::max(count, 0))); }

  // Sorts with a comparison returning <0, 0 or >0; not stable.
  template <typename Compare>
  void Sort(Compare compare, bool descending = false) {
    std::sort(items_.begin(), items_.end(), [&](const T& a, const T& b) {
      return descending ? compare(b, a) < 0 : compare(a, b) < 0;
    });
  }

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  size_t Checked(int index) const {
    if (index < 0 || index >= Count()) FatalIndexOutOfRange(TypeName<T>(), index, Count());
    return static_cast<size_t>(index);
  }

  std::vector<T> items_;
};

template <typename T>
using Array = Vector<T>;

}  // namespace valdorine
