#include "core/background_task.hpp"

#include <windows.h>

#include "core/win32/unique_handle.hpp"

namespace valdorine {

struct BackgroundTask::Thread {
  UniqueResource<handle_traits::Kernel> handle;
};

namespace {

DWORD WINAPI RunJob(void* job) {
  (*static_cast<std::function<void()>*>(job))();
  return 0;
}

}  // namespace

unsigned ProcessorCount() {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1;
}

BackgroundTask::BackgroundTask() : thread_(std::make_unique<Thread>()) {}

BackgroundTask::~BackgroundTask() { Wait(); }

bool BackgroundTask::StartThread() {
  // The job needs little stack: reserve 256 KiB instead of the stub's default.
  thread_->handle.Reset(::CreateThread(nullptr, 256 * 1024, RunJob, &job_, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  return thread_->handle.IsValid();
}

void BackgroundTask::JoinThread() {
  ::WaitForSingleObject(thread_->handle.Get(), INFINITE);
  thread_->handle.Reset();
}

}  // namespace valdorine
