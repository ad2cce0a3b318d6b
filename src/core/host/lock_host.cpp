#include "core/lock.hpp"

namespace valdorine {

void Lock::Acquire() { mutex_.lock(); }

void Lock::Release() { mutex_.unlock(); }

void Condition::Wait(Lock& lock) {
  std::unique_lock<std::mutex> held(lock.mutex_, std::adopt_lock);
  condition_.wait(held);
  held.release();  // the caller goes on holding it
}

void Condition::Signal() { condition_.notify_one(); }

}  // namespace valdorine
