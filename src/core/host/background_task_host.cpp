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
  try {
    thread_->thread = std::thread([this] { job_(); });
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void BackgroundTask::JoinThread() { thread_->thread.join(); }

}  // namespace valdorine
