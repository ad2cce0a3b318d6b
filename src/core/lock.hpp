// A lock over data that threads share, its scope guard, a lock that its holder may take again, and a
// condition that a thread waits for under the lock. The Windows half is the system's slim lock and condition variable, so that the
// installer links no threads library; elsewhere they are the standard library's.
#pragma once

#include <atomic>
#include <cstdint>

#if !defined(_WIN32)
#include <condition_variable>
#include <mutex>
#endif

namespace valdorine {

// A number for the calling thread, never 0 and unique among the threads running.
uint32_t CurrentThreadNumber();

class Lock {
 public:
  constexpr Lock() = default;
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

// A lock that the thread holding it may acquire again; others get it once it has been released as
// often as it was acquired. It needs no set-up, so it can guard what runs before static
// constructors.
class RecursiveLock {
 public:
  constexpr RecursiveLock() = default;
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void Acquire();
  void Release();

 private:
  Lock lock_;
  std::atomic<uint32_t> owner_{0};  // the holder's thread number; 0 when free
  int depth_ = 0;                   // how often the holder acquired it
};

// Holds a lock for the scope it lives in.
template <typename LockType>
class LockScope {
 public:
  explicit LockScope(LockType& lock) : lock_(lock) { lock_.Acquire(); }
  ~LockScope() { lock_.Release(); }
  LockScope(const LockScope&) = delete;
  LockScope& operator=(const LockScope&) = delete;

 private:
  LockType& lock_;
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
