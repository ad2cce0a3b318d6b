// Runs one job on a thread of its own while the caller goes on, for work that can overlap with the
// caller's (decoding the next archive block while files are written). When no thread can be
// started, the job runs on the caller's thread in Wait(), so the outcome is the same either way.
#pragma once

#include <functional>
#include <memory>

namespace valdorine {

// How many processors the system runs threads on; at least 1.
unsigned ProcessorCount();

class BackgroundTask {
 public:
  BackgroundTask();
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;
  ~BackgroundTask();  // waits for a started job

  // Starts `job`, after waiting for the one started before.
  void Start(std::function<void()> job);
  // Returns once the started job has finished; at once when none is pending.
  void Wait();

 private:
  struct Thread;  // the platform's thread
  // The platform's half: runs `job_` on a new thread, false when none can be started; and waits
  // for that thread to end.
  bool StartThread();
  void JoinThread();

  std::function<void()> job_;
  std::unique_ptr<Thread> thread_;
  bool pending_ = false;
  bool on_thread_ = false;  // the pending job runs on a thread of its own
};

}  // namespace valdorine
