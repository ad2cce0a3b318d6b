#include "core/win32/crash_filter.hpp"

#include <atomic>

#include "core/fatal.hpp"
#include "core/lock.hpp"

namespace valdorine {
namespace {

constexpr int kMostWorkerThreads = 8;

std::atomic<CrashHandler> crash_handler{nullptr};
std::atomic<bool> handler_running{false};
std::atomic<DWORD> main_thread_id{0};

struct WorkerThreads {
  Lock lock;
  DWORD ids[kMostWorkerThreads] = {};
};

WorkerThreads& Workers() {
  static WorkerThreads workers;
  return workers;
}

// Changes the calling thread's entry from `from` to `to`; false when there is no entry `from`.
bool ReplaceWorkerEntry(DWORD from, DWORD to) {
  WorkerThreads& workers = Workers();
  const LockScope guard(workers.lock);
  for (DWORD& id : workers.ids) {
    if (id == from) {
      id = to;
      return true;
    }
  }
  return false;
}

bool IsWorkerThread(DWORD id) {
  WorkerThreads& workers = Workers();
  const LockScope guard(workers.lock);
  for (DWORD entry : workers.ids) {
    if (entry == id) return true;
  }
  return false;
}

bool IsIgnored(uint32_t code) {
  return code == exception_code::kBreakpoint || code == exception_code::kSingleStep ||
         code == exception_code::kNoncontinuable || code == exception_code::kLanguageException;
}

CrashInfo DescribeCrash(const EXCEPTION_POINTERS& exception) {
  const EXCEPTION_RECORD& record = *exception.ExceptionRecord;
  CrashInfo crash;
  crash.code = record.ExceptionCode;
  crash.address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);
  crash.continuable = (record.ExceptionFlags & EXCEPTION_NONCONTINUABLE) == 0;
  if (crash.code == exception_code::kAccessViolation && record.NumberParameters >= 2) {
    crash.write_access = record.ExceptionInformation[0] == 1;
    crash.accessed_address = record.ExceptionInformation[1];
  }
  if (exception.ContextRecord != nullptr) crash.context = *exception.ContextRecord;
  return crash;
}

}  // namespace

void InstallCrashHandler(CrashHandler handler) {
  crash_handler = handler;
  main_thread_id = GetCurrentThreadId();
  SetUnhandledExceptionFilter(FilterUnhandledException);
}

DWORD MainThreadId() { return main_thread_id; }

LONG WINAPI FilterUnhandledException(EXCEPTION_POINTERS* exception) {
  const uint32_t code = exception->ExceptionRecord->ExceptionCode;
  if (IsIgnored(code)) return kCrashPassedOn;
  if (IsWorkerThread(GetCurrentThreadId())) {
    UnregisterWorkerThread();
    ExitThread(code);
  }
  const CrashHandler handler = crash_handler;
  if (handler == nullptr || handler_running.exchange(true)) return kCrashPassedOn;
  // The record (the register context is large) stays off the crashed thread's stack, which may be
  // nearly used up; the running mark keeps a second crash from overwriting it.
  static CrashInfo crash;
  crash = DescribeCrash(*exception);
  const LONG verdict = handler(crash);
  if (code == exception_code::kStackOverflow) ExitProcess(0);
  handler_running = false;
  return verdict;
}

void RegisterWorkerThread() {
  if (!ReplaceWorkerEntry(0, GetCurrentThreadId())) InternalFatal("crash_filter", __LINE__);
}

void UnregisterWorkerThread() { ReplaceWorkerEntry(GetCurrentThreadId(), 0); }

}  // namespace valdorine
