#include "core/memory.hpp"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/fatal.hpp"
#include "core/lock.hpp"
#include "core/string_format.hpp"

namespace valdorine {
namespace {

constexpr int kRetriesPerAllocation = 100;
constexpr int kReleaseAttemptsPerProcess = 50000;
constexpr int kStackWordsInReport = 80;
constexpr int kStackWordsPerLine = 8;
constexpr size_t kReportCapacity = 4096;
constexpr size_t kAdviceCapacity = 512;

// The releasers, the process-wide budget of release attempts and the advice text, under one lock.
// The lock is recursive so that a releaser may allocate or register another releaser.
struct ReleaserRegistry {
  RecursiveLock lock;
  std::vector<MemoryReleaser*> releasers;
  int release_attempts_left = kReleaseAttemptsPerProcess;
  char advice[kAdviceCapacity] = "Make sure the hard drive is not full.";
};

ReleaserRegistry& Registry() {
  static ReleaserRegistry registry;
  return registry;
}

std::atomic<bool> out_of_memory_reported{false};

// Asks the releasers in turn until one frees something; each question spends one attempt of the
// process's budget. True when memory was freed.
bool AskReleasersForMemory() {
  ReleaserRegistry& registry = Registry();
  const LockScope guard(registry.lock);
  for (MemoryReleaser* releaser : registry.releasers) {
    if (registry.release_attempts_left == 0) return false;
    --registry.release_attempts_left;
    if (releaser->ReleaseMemory()) return true;
  }
  return false;
}

// Runs `attempt` until it yields a block, asking the releasers for memory between tries.
template <typename Attempt>
void* AllocateWithRetries(size_t size, Attempt attempt) {
  for (int retry = 0;; ++retry) {
    if (void* block = attempt()) return block;
    if (retry == kRetriesPerAllocation || !AskReleasersForMemory()) ReportOutOfMemory(size);
  }
}

// Hides where a pointer came from, so that the compiler does not treat reads beyond the object it
// points into as out of bounds: the stack dump reads the caller frames on purpose.
template <typename T>
T* Unbounded(T* pointer) {
  asm volatile("" : "+r"(pointer));
  return pointer;
}

// Appends the top of this routine's own stack to `report`: the two marker words placed in its
// frame, then the words above them (this frame and its callers' frames), eight to a line, each line
// started by a single CR. The callers between the allocation and the thread's entry always span
// more than these 80 words. Sanitizers are off here because the read crosses frame boundaries.
__attribute__((noinline, no_sanitize("address", "undefined"))) void AppendStackWords(char* report, size_t capacity) {
  volatile uint32_t markers[2] = {0x11223344, 0x55667788};
  const volatile uint32_t* words = Unbounded(markers);
  size_t length = std::strlen(report);
  for (int i = 0; i < kStackWordsInReport && length < capacity; ++i) {
    const char* format = i % kStackWordsPerLine == 0 ? "\r%08X" : " %08X";
    length += static_cast<size_t>(FormatInto(report + length, static_cast<int64_t>(capacity - length), format,
                                             static_cast<unsigned>(words[i])));
  }
}

}  // namespace

void RegisterMemoryReleaser(MemoryReleaser* releaser) {
  ReleaserRegistry& registry = Registry();
  const LockScope guard(registry.lock);
  registry.releasers.push_back(releaser);
}

void UnregisterMemoryReleaser(MemoryReleaser* releaser) {
  ReleaserRegistry& registry = Registry();
  const LockScope guard(registry.lock);
  std::erase(registry.releasers, releaser);
}

void* AllocateMemory(size_t size) {
  return AllocateWithRetries(size, [size] { return std::malloc(std::max<size_t>(size, 1)); });
}

void* ReallocateMemory(void* block, size_t size) {
  return AllocateWithRetries(size, [block, size] { return std::realloc(block, std::max<size_t>(size, 1)); });
}

void FreeMemory(void* block) { std::free(block); }

void SetOutOfMemoryAdvice(const char* advice) {
  ReleaserRegistry& registry = Registry();
  const LockScope guard(registry.lock);
  FormatInto(registry.advice, kAdviceCapacity, "%s", advice);
}

// The report is built in fixed buffers on the stack: the heap is what ran out.
void ReportOutOfMemory(size_t requested_size) {
  out_of_memory_reported = true;
  char report[kReportCapacity];
  {
    ReleaserRegistry& registry = Registry();
    const LockScope guard(registry.lock);
    FormatInto(report, kReportCapacity, "%s.\r\nAdvice: %s\r\nRequested size = %zu (0x%08zX)\r\n\r\nStack contents:",
               "Out Of Memory", registry.advice, requested_size, requested_size);
  }
  AppendStackWords(report, kReportCapacity);
  Fatal("%s", report);
}

bool OutOfMemoryReported() { return out_of_memory_reported; }

}  // namespace valdorine
