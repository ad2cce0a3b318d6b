// The allocator behind the core library's buffers. An allocation that fails asks the registered
// memory releasers to give memory back and tries again; when memory stays short, the out-of-memory
// report goes through the fatal-error path and the process ends. The allocation functions therefore
// never return null.
#pragma once

#include <cstddef>

namespace valdorine {

// Something that holds memory it can spare (a cache, a pool) and gives it back on request.
class MemoryReleaser {
 public:
  virtual ~MemoryReleaser() = default;
  // Frees what it can; true when it freed something.
  virtual bool ReleaseMemory() = 0;
};

// Releasers are asked in the order of registration. A releaser stays registered until it is
// unregistered, so it must outlive its registration.
void RegisterMemoryReleaser(MemoryReleaser* releaser);
void UnregisterMemoryReleaser(MemoryReleaser* releaser);

void* AllocateMemory(size_t size);
void* ReallocateMemory(void* block, size_t size);  // keeps the block's contents
void FreeMemory(void* block);                      // null is accepted

// The advice line of the out-of-memory report ("Make sure the hard drive is not full." unless set).
// The text is copied.
void SetOutOfMemoryAdvice(const char* advice);

// Produces the out-of-memory report for a request of `requested_size` bytes and ends the process.
[[noreturn]] void ReportOutOfMemory(size_t requested_size);

// True once the out-of-memory report has run in this process.
bool OutOfMemoryReported();

}  // namespace valdorine
