// Packs the archive's raw blocks on every core: each worker runs its own single-threaded xz
// encoder on whole blocks, and the packed blocks are handed on in submission order, so the output
// is the same whatever the number of threads. At most two blocks per worker are in flight, which
// bounds memory.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "format/archive_writer.hpp"

namespace valdorine::builder {

class BlockCompressorPool {
 public:
  // Receives each packed block, in order, on the thread that submits.
  using Consumer = std::function<void(std::vector<uint8_t> stored)>;

  BlockCompressorPool(unsigned threads, BlockPacking packing, Consumer consumer);
  BlockCompressorPool(const BlockCompressorPool&) = delete;
  BlockCompressorPool& operator=(const BlockCompressorPool&) = delete;
  ~BlockCompressorPool();

  // Queues a raw block; waits while too many are in flight, handing finished ones on meanwhile.
  void Submit(std::vector<uint8_t> raw);
  // Waits for every block and hands on the rest. Throws BuildError when the encoder failed.
  void Finish();

 private:
  struct Job {
    uint64_t index;
    std::vector<uint8_t> raw;
  };

  void Work();
  // Hands on finished blocks in order; with `wait_for_one`, waits until at least one is handed on.
  void Deliver(std::unique_lock<std::mutex>& lock, bool wait_for_one);

  BlockPacking packing_;
  Consumer consumer_;
  size_t max_in_flight_;

  std::mutex mutex_;
  std::condition_variable job_ready_;
  std::condition_variable result_ready_;
  std::deque<Job> jobs_;
  std::map<uint64_t, std::vector<uint8_t>> results_;
  uint64_t next_submitted_ = 0;
  uint64_t next_delivered_ = 0;
  bool failed_ = false;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace valdorine::builder
