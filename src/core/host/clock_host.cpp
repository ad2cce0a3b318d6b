#include "core/clock.hpp"

#include <chrono>

namespace valdorine {

uint64_t MonotonicMilliseconds() {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
}

}  // namespace valdorine
