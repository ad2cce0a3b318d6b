// A lock over data that threads share, its scope guard, and a condition that a thread waits for
// under the lock. The Windows half is the system's slim lock and condition variable, so that the
// installer links no threads library; elsewhere they are the standard library's.
#pragma once

#if !defined(_WIN32)
#include <condition_variable>
#include <mutex>
#endif

namespace valdorine {

class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void Acquire();
  void Release();

 private:
  friend class Condition;
#if defined(_WIN32)
  void* slim_lock_ = nullptr;  // an SRWLOCK, unlocked when all zero
#else
  std::mutex mutex_;
#endif
};

// Holds a lock for the scope it lives in.
class LockScope {
 public:
  explicit LockScope(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~LockScope() { lock_.Release(); }
  LockScope(const LockScope&) = delete;
  LockScope& operator=(const LockScope&) = delete;

 private:
  Lock& lock_;
};

class Condition {
 public:
  Condition() = default;
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  // With `lock` held by the caller: waits, the lock released meanwhile, until `ready()` holds.
  template <typename Predicate>
  void WaitUntil(Lock& lock, Predicate ready) {
    while (!ready()) Wait(lock);
  }
  // Wakes one waiting thread.
  void Signal();

 private:
  // Returns after a Signal() or spuriously, with `lock` held again.
  void Wait(Lock& lock);

#if defined(_WIN32)
  void* condition_ = nullptr;  // a CONDITION_VARIABLE, idle when all zero
#else
  std::condition_variable condition_;
#endif
};

}  // namespace valdorine
