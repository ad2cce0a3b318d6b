// The core library's pseudo-random generator (SplitMix64): fast, small and good enough for
// session numbers and temporary names. Not for secrets.
#pragma once

#include <cstdint>

namespace valdorine {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t Next64() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Next32() { return static_cast<uint32_t>(Next64() >> 32); }

 private:
  uint64_t state_;
};

}  // namespace valdorine
