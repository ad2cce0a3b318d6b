// The package checksum computed piece by piece, for data that is written or read in chunks of
// any size. Gives the same result as PackageChecksum over the concatenated pieces.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace valdorine {

class ChecksumAccumulator {
 public:
  void Add(std::span<const uint8_t> bytes);
  uint32_t Result() const;
  uint64_t Length() const { return length_; }

 private:
  uint32_t sum_ = 0;
  uint64_t length_ = 0;
  std::array<uint8_t, 4> pending_{};  // bytes of an incomplete word
  size_t pending_count_ = 0;
};

}  // namespace valdorine
