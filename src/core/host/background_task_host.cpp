#include "core/background_task.hpp"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

namespace valdorine {

unsigned ProcessorCount() { return std::max(1u, std::thread::hardware_concurrency()); }

struct BackgroundTask::Thread {
  std::thread thread;
};

BackgroundTask::BackgroundTask() : thread_(std::make_unique<Thread>()) {}

BackgroundTask::~BackgroundTask() { Wait(); }

void BackgroundTask::Start(std::function<void()> job) {
  Wait();
  job_ = std::move(job);
  pending_ = true;
  try {
    thread_->thread = std::thread([this] { job_(); });
  } catch (const std::system_error&) {
    // No thread: Wait() runs the job.
  }
}

void BackgroundTask::Wait() {
  if (!pending_) return;
  pending_ = false;
  if (thread_->thread.joinable()) {
    thread_->thread.join();
  } else {
    job_();
  }
  job_ = nullptr;
}

}  // namespace valdorine
