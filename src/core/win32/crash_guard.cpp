#include "core/win32/crash_guard.hpp"

#include <windows.h>

#include <cstdint>


namespace valdorine {
namespace {

// The guard of the thread's innermost guarded call; its buffer holds the registers to resume with.
struct GuardFrame {
  void* resume[5];  // __builtin_setjmp's buffer
  GuardFrame* outer;
};
// Guarded calls are made by one thread at a time (the main thread); the handler acts only there.
GuardFrame* innermost = nullptr;
DWORD guarded_thread = 0;

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

// Whether `address` lies in a library below the Windows folder (the system folders, the side-by-side
// store); an address outside every module (code made at run time, a jump to nowhere) is foreign.
bool InSystemLibrary(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<const wchar_t*>(address), &module)) {
    return false;
  }
  static wchar_t file[32768];  // the longest path the system has
  static wchar_t windows[32768];
  const DWORD file_length = GetModuleFileNameW(module, file, 32768);
  const UINT windows_length = GetSystemWindowsDirectoryW(windows, 32768);
  if (windows_length == 0 || windows_length >= 32768 || file_length <= windows_length) return false;
  return CompareStringOrdinal(file, static_cast<int>(windows_length), windows, static_cast<int>(windows_length), TRUE) ==
             CSTR_EQUAL &&
         file[windows_length] == L'\\';
}

[[noreturn]] void ResumeAtGuard() { __builtin_longjmp(innermost->resume, 1); }

LONG CALLBACK OnException(EXCEPTION_POINTERS* pointers) {
  if (innermost == nullptr || GetCurrentThreadId() != guarded_thread || !IsCrash(pointers->ExceptionRecord->ExceptionCode) ||
      InSystemLibrary(pointers->ExceptionRecord->ExceptionAddress)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // Resume in ResumeAtGuard as if it had been called where the fault happened: the stack pointer
  // aligned as a call leaves it, so that the function's own frame is sound.
  CONTEXT* context = pointers->ContextRecord;
#if defined(_M_X64) || defined(__x86_64__)
  context->Rsp = (context->Rsp & ~uintptr_t{15}) - 8 - 256;
  context->Rip = reinterpret_cast<uintptr_t>(&ResumeAtGuard);
#else
  context->Esp = (context->Esp & ~uintptr_t{15}) - 4 - 256;
  context->Eip = reinterpret_cast<uintptr_t>(&ResumeAtGuard);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

// The handler stays registered for the run once a guarded call was made.
void WatchExceptions() {
  static const PVOID handler = AddVectoredExceptionHandler(1, OnException);
  (void)handler;
}

}  // namespace

__attribute__((noinline)) bool RunGuarded(void (*call)(void* context), void* context) {
  WatchExceptions();
  GuardFrame frame{{}, innermost};
  innermost = &frame;
  guarded_thread = GetCurrentThreadId();
  if (__builtin_setjmp(frame.resume) != 0) {
    innermost = frame.outer;
    return false;
  }
  call(context);
  innermost = frame.outer;
  return true;
}

}  // namespace valdorine
