#include "core/lock.hpp"

#include <windows.h>

namespace valdorine {
namespace {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

PSRWLOCK SlimLock(void*& storage) { return reinterpret_cast<PSRWLOCK>(&storage); }

}  // namespace

uint32_t CurrentThreadNumber() { return GetCurrentThreadId(); }

void Lock::Acquire() { AcquireSRWLockExclusive(SlimLock(slim_lock_)); }

void Lock::Release() { ReleaseSRWLockExclusive(SlimLock(slim_lock_)); }

void Condition::Wait(Lock& lock) {
  SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&condition_), SlimLock(lock.slim_lock_), INFINITE, 0);
}

void Condition::Signal() { WakeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&condition_)); }

}  // namespace valdorine
