#include <cstdint>

#include "core/string.hpp"

namespace valdorine {
namespace {

constexpr uint32_t kChecksumSeed = 0x79E2BC9D;
constexpr int64_t kLargestChecksummedLength = 0x7FFFFFFF;

uint32_t LittleEndianWord(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

// A range outside 1 .. 0x7FFFFFFF bytes (which no String or package part can have) is treated as
// empty.
uint32_t PackageChecksum(const void* bytes, int64_t length) {
  uint32_t sum = kChecksumSeed;
  if (bytes == nullptr || length < 1 || length > kLargestChecksummedLength) return sum;
  const auto* data = static_cast<const uint8_t*>(bytes);
  const int64_t whole_words_end = length & ~int64_t{3};
  for (int64_t offset = 0; offset < whole_words_end; offset += 4) sum += LittleEndianWord(data + offset);
  for (int64_t offset = whole_words_end; offset < length; ++offset) {
    sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(data[offset])));
  }
  return sum + static_cast<uint32_t>(length);
}

}  // namespace valdorine
