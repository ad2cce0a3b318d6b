// Blowfish: the standard cipher (16 rounds, 64-bit blocks as two big-endian 32-bit halves, the
// initial tables from the digits of pi), and its CBC mode with an all-zero initial vector, which
// the package uses for the script and for every archive block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace valdorine {

class Blowfish {
 public:
  static constexpr size_t kBlockSize = 8;

  // Keys of 1 to 56 bytes; the package uses 8.
  explicit Blowfish(std::span<const uint8_t> key);

  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;

  // CBC over whole blocks, in place, starting from a zero vector; `data.size()` must be a
  // multiple of kBlockSize (a shorter tail is left as it is).
  void EncryptCbc(std::span<uint8_t> data) const;
  void DecryptCbc(std::span<uint8_t> data) const;

 private:
  uint32_t Round(uint32_t x) const;

  uint32_t p_[18];
  uint32_t s_[4][256];
};

}  // namespace valdorine
