#include "core/lock.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace valdorine {
namespace {

TEST(RecursiveLock, HolderTakesItAgainAndOthersWaitUntilEveryAcquireIsReleased) {
  RecursiveLock lock;
  lock.Acquire();
  lock.Acquire();  // a second acquire by the holder must not block
  std::atomic<bool> other_holds{false};
  std::thread other([&] {
    const LockScope guard(lock);
    other_holds = true;
  });
  lock.Release();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(other_holds) << "released once of twice, the lock was still the holder's";
  lock.Release();
  other.join();
  EXPECT_TRUE(other_holds);
}

TEST(RecursiveLock, KeepsNestedUpdatesFromTwoThreadsApart) {
  RecursiveLock lock;
  int counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      const LockScope outer(lock);
      const LockScope inner(lock);
      counter = counter + 1;
    }
  };
  std::thread first(work);
  std::thread second(work);
  first.join();
  second.join();
  EXPECT_EQ(counter, 40000);
}

}  // namespace
}  // namespace valdorine
