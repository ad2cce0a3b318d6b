#include "core/background_task.hpp"

#include <algorithm>
#include <system_error>
#include <thread>

namespace valdorine {

unsigned ProcessorCount() { return std::max(1u, std::thread::hardware_concurrency()); }

struct BackgroundTask::Thread {
  std::thread thread;
};

BackgroundTask::BackgroundTask() : thread_(std::make_unique<Thread>()) {}

BackgroundTask::~BackgroundTask() { Wait(); }

bool BackgroundTask::StartThread() {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  return false;  // the job runs in Wait(), on the fuzzer's own thread
#endif
  try {
    thread_->thread = std::thread([this] { job_(); });
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void BackgroundTask::JoinThread() { thread_->thread.join(); }

}  // namespace valdorine
