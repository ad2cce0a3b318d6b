// RAII for COM: an interface pointer that releases its reference, and the apartment of the calling
// thread for the lifetime of a scope.
#pragma once

#include <objbase.h>

#include <utility>

namespace valdorine {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For out-parameters that return an interface of this type.
  Interface** Receive() {
    Reset();
    return &pointer_;
  }
  // For out-parameters typed void** (QueryInterface, QueryService, CoCreateInstance).
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

  // Asks this object for another of its interfaces; empty when it has none.
  template <typename Other>
  ComPtr<Other> As() const {
    ComPtr<Other> other;
    if (pointer_) pointer_->QueryInterface(__uuidof(Other), other.ReceiveVoid());
    return other;
  }

  void Reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

// Joins the calling thread to a single-threaded apartment for the scope and balances that at the
// end. A thread already in a multithreaded apartment stays there and is left alone.
class ComApartment {
 public:
  ComApartment() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (joined_) CoUninitialize();
  }

 private:
  bool joined_;
};

}  // namespace valdorine
