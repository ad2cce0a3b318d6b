#include "core/lock.hpp"

namespace valdorine {

void RecursiveLock::Acquire() {
  const uint32_t caller = CurrentThreadNumber();
  // Only the caller itself can have stored its own number, so a relaxed read decides safely.
  if (owner_.load(std::memory_order_relaxed) != caller) {
    lock_.Acquire();
    owner_.store(caller, std::memory_order_relaxed);
  }
  ++depth_;
}

void RecursiveLock::Release() {
  if (--depth_ > 0) return;
  owner_.store(0, std::memory_order_relaxed);
  lock_.Release();
}

}  // namespace valdorine
