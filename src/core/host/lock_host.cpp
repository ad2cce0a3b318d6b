#include "core/lock.hpp"

#include <unistd.h>

namespace valdorine {

uint32_t CurrentThreadNumber() { return static_cast<uint32_t>(gettid()); }

void Lock::Acquire() { mutex_.lock(); }

void Lock::Release() { mutex_.unlock(); }

void Condition::Wait(Lock& lock) {
  std::unique_lock<std::mutex> held(lock.mutex_, std::adopt_lock);
  condition_.wait(held);
  held.release();  // the caller goes on holding it
}

void Condition::Signal() { condition_.notify_one(); }

}  // namespace valdorine
