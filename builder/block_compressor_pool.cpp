#include "block_compressor_pool.hpp"

#include <algorithm>

#include "build_error.hpp"

namespace valdorine::builder {

BlockCompressorPool::BlockCompressorPool(unsigned threads, BlockPacking packing, Consumer consumer)
    : packing_(packing), consumer_(std::move(consumer)), max_in_flight_(2 * std::max(threads, 1u)) {
  for (unsigned i = 0; i < std::max(threads, 1u); ++i) workers_.emplace_back([this] { Work(); });
}

BlockCompressorPool::~BlockCompressorPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  job_ready_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void BlockCompressorPool::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    job_ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (stopping_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    std::vector<uint8_t> stored;
    const bool packed = PackBlock(job.raw, packing_, stored);
    job.raw = {};
    lock.lock();
    failed_ = failed_ || !packed;
    results_.emplace(job.index, std::move(stored));
    result_ready_.notify_all();
  }
}

void BlockCompressorPool::Deliver(std::unique_lock<std::mutex>& lock, bool wait_for_one) {
  if (wait_for_one) result_ready_.wait(lock, [this] { return results_.contains(next_delivered_); });
  for (auto ready = results_.find(next_delivered_); ready != results_.end(); ready = results_.find(next_delivered_)) {
    std::vector<uint8_t> stored = std::move(ready->second);
    results_.erase(ready);
    ++next_delivered_;
    lock.unlock();
    consumer_(std::move(stored));
    lock.lock();
  }
}

void BlockCompressorPool::Submit(std::vector<uint8_t> raw) {
  std::unique_lock lock(mutex_);
  while (next_submitted_ - next_delivered_ >= max_in_flight_) Deliver(lock, true);
  jobs_.push_back({next_submitted_++, std::move(raw)});
  job_ready_.notify_one();
  Deliver(lock, false);
}

void BlockCompressorPool::Finish() {
  std::unique_lock lock(mutex_);
  while (next_delivered_ < next_submitted_) Deliver(lock, true);
  if (failed_) throw BuildError("the xz encoder failed");
}

}  // namespace valdorine::builder
