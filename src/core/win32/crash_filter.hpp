// The process's unhandled-exception filter: it turns a processor or system exception that nothing
// caught into a call of the registered crash handler, which reports it and decides how the process
// ends. Debugger events and language exceptions are left to the system, and threads that end
// through their own handling (registered worker threads) are ended without a report.
#pragma once

#include <windows.h>

#include <cstdint>

namespace valdorine {

// What the filter knows about an exception.
struct CrashInfo {
  uint32_t code = 0;
  uintptr_t address = 0;          // where it happened
  bool continuable = true;        // false when the system marked it noncontinuable
  bool write_access = false;      // access violation: the access was a write
  uintptr_t accessed_address = 0; // access violation: the address accessed
  CONTEXT context{};              // the crashed thread's registers
};

namespace exception_code {
inline constexpr uint32_t kAccessViolation = 0xC0000005;
inline constexpr uint32_t kBreakpoint = 0x80000003;
inline constexpr uint32_t kSingleStep = 0x80000004;
inline constexpr uint32_t kNoncontinuable = 0xC0000025;
inline constexpr uint32_t kStackOverflow = 0xC00000FD;
inline constexpr uint32_t kLanguageException = 0xE06D7363;
}  // namespace exception_code

// The handler's verdict.
inline constexpr LONG kCrashHandled = EXCEPTION_EXECUTE_HANDLER;   // the process ends
inline constexpr LONG kCrashPassedOn = EXCEPTION_CONTINUE_SEARCH;  // the system's default handling

using CrashHandler = LONG (*)(const CrashInfo& crash);

// Registers `handler` and installs the filter for the process. Called on the main thread, which
// it remembers.
void InstallCrashHandler(CrashHandler handler);

// The thread that installed the crash handler.
DWORD MainThreadId();

// The filter itself. Ignored codes and a crash inside the running handler are passed on; an
// exception on a registered worker thread ends that thread alone; anything else goes to the
// handler, whose verdict is returned. After a stack overflow the process ends with code 0 once
// the handler has reported it.
LONG WINAPI FilterUnhandledException(EXCEPTION_POINTERS* exception);

// The calling thread ends without a report when it crashes, and the rest of the process goes on:
// for threads whose work is optional (sending notifications). A fixed table of a few entries.
void RegisterWorkerThread();
void UnregisterWorkerThread();

}  // namespace valdorine
