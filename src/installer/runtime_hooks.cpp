// The C++ runtime's hooks that the installer supplies itself. The runtime's own versions come with
// exception objects, their strings and the unwinder (about 100 KB), though the installer is built
// without exceptions and nothing would catch one. Here a container that cannot grow ends
// in the out-of-memory report, a broken precondition in a fatal error, and the guards of local
// statics take a lock of the core library.
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstdint>

#include "core/fatal.hpp"
#include "core/lock.hpp"
#include "core/memory.hpp"
#include "core/string_format.hpp"

namespace {

// Serialises the initialisation of local statics. Recursive, since one static's initialiser may
// reach another's.
valdorine::RecursiveLock static_initialisation;

uint8_t* InitialisedFlag(int64_t* guard) { return reinterpret_cast<uint8_t*>(guard); }

}  // namespace

// Returns 1 when the caller is to initialise the static, holding the lock until the release.
extern "C" int __cxa_guard_acquire(int64_t* guard) {
  if (__atomic_load_n(InitialisedFlag(guard), __ATOMIC_ACQUIRE) != 0) return 0;
  static_initialisation.Acquire();
  if (*InitialisedFlag(guard) != 0) {
    static_initialisation.Release();  // another thread finished it meanwhile
    return 0;
  }
  return 1;
}

extern "C" void __cxa_guard_release(int64_t* guard) {
  __atomic_store_n(InitialisedFlag(guard), 1, __ATOMIC_RELEASE);
  static_initialisation.Release();
}

namespace std {

void __throw_bad_alloc() { valdorine::ReportOutOfMemory(0); }
void __throw_bad_array_new_length() { valdorine::ReportOutOfMemory(SIZE_MAX); }
void __throw_length_error(const char*) { valdorine::ReportOutOfMemory(SIZE_MAX); }  // a size beyond the container's reach
void __throw_logic_error(const char* what) { valdorine::FatalError(what); }
void __throw_bad_function_call() { valdorine::FatalError("An empty function was called."); }

void __throw_out_of_range_fmt(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  valdorine::FormatIntoV(text, sizeof text, format, args);
  va_end(args);
  valdorine::FatalError(text);
}

}  // namespace std
