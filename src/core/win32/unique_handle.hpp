// RAII ownership of Win32 handles: each wrapper closes its handle with the matching function.
#pragma once

#include <windows.h>

#include <utility>

namespace valdorine {

// Traits name the handle type, its "absent" value and how it is closed.
template <typename Traits>
class UniqueResource {
 public:
  using Handle = typename Traits::Handle;

  UniqueResource() = default;
  explicit UniqueResource(Handle handle) : handle_(handle) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueResource() { Reset(); }

  Handle Get() const { return handle_; }
  bool IsValid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return IsValid(); }
  // For out-parameters of the system's calls.
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  Handle Release() { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(Handle handle = Traits::Invalid()) {
    if (IsValid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

namespace handle_traits {
struct Kernel {  // process, thread, token, mutex, event, mapping
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct File {  // CreateFileW's result
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct Find {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};
struct RegistryKey {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle k) { ::RegCloseKey(k); }
};
struct Module {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle m) { ::FreeLibrary(m); }
};
struct LocalMemory {  // memory that the system allocated for the caller (security descriptors, lists)
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle memory) { ::LocalFree(memory); }
};
}  // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Kernel>;
using UniqueFileHandle = UniqueResource<handle_traits::File>;
using UniqueFindHandle = UniqueResource<handle_traits::Find>;
using UniqueRegistryKey = UniqueResource<handle_traits::RegistryKey>;
using UniqueModule = UniqueResource<handle_traits::Module>;
using UniqueLocalMemory = UniqueResource<handle_traits::LocalMemory>;

}  // namespace valdorine
