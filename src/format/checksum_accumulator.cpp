#include "format/checksum_accumulator.hpp"

#include <algorithm>

#include "format/byte_reader.hpp"

namespace valdorine {
namespace {
constexpr uint32_t kSeed = 0x79E2BC9D;
constexpr uint64_t kMaxLength = 0x7FFFFFFF;
}  // namespace

void ChecksumAccumulator::Add(std::span<const uint8_t> bytes) {
  length_ += bytes.size();
  if (pending_count_ > 0) {  // complete the word begun by an earlier piece
    const size_t take = std::min<size_t>(4 - pending_count_, bytes.size());
    std::copy_n(bytes.begin(), take, pending_.begin() + pending_count_);
    pending_count_ += take;
    bytes = bytes.subspan(take);
    if (pending_count_ < 4) return;
    sum_ += ByteReader::LoadU32(pending_);
    pending_count_ = 0;
  }
  const size_t whole_words = bytes.size() & ~size_t{3};
  for (size_t at = 0; at < whole_words; at += 4) sum_ += ByteReader::LoadU32(bytes.subspan(at, 4));
  std::copy(bytes.begin() + static_cast<ptrdiff_t>(whole_words), bytes.end(), pending_.begin());
  pending_count_ = bytes.size() - whole_words;
}

uint32_t ChecksumAccumulator::Result() const {
  if (length_ < 1 || length_ > kMaxLength) return kSeed;
  uint32_t sum = kSeed + sum_;
  for (size_t i = 0; i < pending_count_; ++i) sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(pending_[i])));
  return sum + static_cast<uint32_t>(length_);
}

}  // namespace valdorine
