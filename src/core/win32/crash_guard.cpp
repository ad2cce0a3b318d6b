#include "core/win32/crash_guard.hpp"

#include <windows.h>
// windows.h first: the process-status header needs its types. Its functions are taken from
// kernel32 (Windows 7 and later), not from psapi.dll.
#define PSAPI_VERSION 2
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace valdorine {
namespace {

// A guarded call in progress; its buffer holds the registers to resume with.
struct GuardFrame {
  void* resume[5];  // __builtin_setjmp's buffer
  GuardFrame* outer;
};

// Guarded calls are made by one thread at a time (the main thread); the handler acts only there.
GuardFrame* innermost = nullptr;
DWORD guarded_thread = 0;
// The modules loaded when the outermost guarded call began, sorted.
std::vector<HMODULE> modules_before;

std::vector<HMODULE> LoadedModules() {
  std::vector<HMODULE> modules(256);
  DWORD needed = 0;
  while (EnumProcessModules(GetCurrentProcess(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                               &needed) &&
         needed > modules.size() * sizeof(HMODULE)) {
    modules.resize(needed / sizeof(HMODULE) + 16);
  }
  modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
  std::sort(modules.begin(), modules.end());
  return modules;
}

bool IsCrash(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
      return true;
    default:
      return false;
  }
}

// Whether `address` lies in a module that the guarded call loaded, or in none.
bool IsForeign(const void* address) {
  if (address == nullptr) return true;  // a call through a null pointer
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<const wchar_t*>(address), &module)) {
    return true;
  }
  return !std::binary_search(modules_before.begin(), modules_before.end(), module);
}

[[noreturn]] void ResumeAtGuard() { __builtin_longjmp(innermost->resume, 1); }

LONG CALLBACK OnException(EXCEPTION_POINTERS* pointers) {
  if (innermost == nullptr || GetCurrentThreadId() != guarded_thread ||
      !IsCrash(pointers->ExceptionRecord->ExceptionCode) || !IsForeign(pointers->ExceptionRecord->ExceptionAddress)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // Resume in ResumeAtGuard as if it had been called below the faulting frame, with the stack
  // aligned as a call leaves it.
  CONTEXT* context = pointers->ContextRecord;
#if defined(__x86_64__)
  context->Rsp = (context->Rsp & ~uintptr_t{15}) - 256 - 8;
  context->Rip = reinterpret_cast<uintptr_t>(&ResumeAtGuard);
#else
  context->Esp = (context->Esp & ~uintptr_t{15}) - 256 - 4;
  context->Eip = reinterpret_cast<uintptr_t>(&ResumeAtGuard);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

// The handler stays registered for the run once a guarded call was made.
void WatchExceptions() {
  static const PVOID handler = AddVectoredExceptionHandler(1, OnException);
  (void)handler;
}

void Leave(GuardFrame& frame) {
  innermost = frame.outer;
  if (innermost == nullptr) modules_before.clear();
}

}  // namespace

__attribute__((noinline)) bool RunGuarded(void (*call)(void* context), void* context) {
  WatchExceptions();
  if (innermost == nullptr) {
    modules_before = LoadedModules();
    guarded_thread = GetCurrentThreadId();
  }
  GuardFrame frame{{}, innermost};
  innermost = &frame;
  if (__builtin_setjmp(frame.resume) != 0) {
    Leave(frame);
    return false;
  }
  call(context);
  Leave(frame);
  return true;
}

}  // namespace valdorine
