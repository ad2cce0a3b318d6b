#include "core/background_task.hpp"

#include <utility>

namespace valdorine {

void BackgroundTask::Start(std::function<void()> job) {
  Wait();
  job_ = std::move(job);
  pending_ = true;
  on_thread_ = StartThread();
}

void BackgroundTask::Wait() {
  if (!pending_) return;
  pending_ = false;
  if (on_thread_) {
    JoinThread();
  } else {
    job_();  // no thread could be started
  }
  job_ = nullptr;
}

}  // namespace valdorine
