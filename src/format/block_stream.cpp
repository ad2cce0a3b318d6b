#include "format/block_stream.hpp"

#include <algorithm>
#include <cstring>

#include "core/string.hpp"
#include "format/script_cipher.hpp"

namespace valdorine {

BlockStream::BlockStream(std::span<const uint8_t> archive, bool compressed, const Blowfish* cipher, size_t headroom)
    : blocks_(archive), compressed_(compressed), cipher_(cipher), headroom_(headroom) {}

PackageError BlockStream::StartBlock() {
  auto length = blocks_.ReadU32();
  if (!length) return PackageError::kBlockBeyondArchive;
  if (*length == 0) return PackageError::kBlockLength;
  auto checksum = blocks_.ReadU32();
  if (!checksum) return PackageError::kBlockBeyondArchive;
  auto stored = blocks_.ReadBytes(*length);
  if (!stored) return PackageError::kBlockBeyondArchive;
  if (PackageChecksum(stored->data(), static_cast<int64_t>(stored->size())) != *checksum) {
    return PackageError::kBlockChecksum;
  }
  block_input_ = *stored;
  if (cipher_) {
    decrypted_.assign(stored->begin(), stored->end());
    if (!Open(decrypted_, *cipher_)) return PackageError::kBlockDecode;
    block_input_ = decrypted_;
  }
  copied_ = 0;
  if (compressed_) decoder_.emplace(block_input_);
  in_block_ = true;
  return PackageError::kNone;
}

// Decodes the next bytes of the current block into the chunk's buffer after its headroom. The
// buffer only ever grows: a reused one is large enough already, and growing a vector fills it with
// zeros first.
PackageError BlockStream::Continue(DecodedChunk& chunk) {
  std::vector<uint8_t>& buffer = chunk.buffer;
  const size_t limit = chunk_limit_;
  if (buffer.size() < headroom_ + limit) buffer.resize(headroom_ + limit);
  size_t produced = 0;
  if (!compressed_) {
    produced = std::min(limit, block_input_.size() - copied_);
    std::memcpy(buffer.data() + headroom_, block_input_.data() + copied_, produced);
    copied_ += produced;
    in_block_ = copied_ < block_input_.size();
  } else {
    const XzDecoder::Step step = decoder_->Decode(std::span(buffer).subspan(headroom_, limit), produced);
    if (step == XzDecoder::Step::kFailed) return PackageError::kBlockDecode;
    in_block_ = step == XzDecoder::Step::kMore;
  }
  chunk.end = headroom_ + produced;
  if (produced == limit) chunk_limit_ = std::min(2 * limit, kChunkSize);
  return PackageError::kNone;
}

DecodedChunk BlockStream::NextChunk(std::vector<uint8_t> buffer) {
  DecodedChunk chunk{PackageError::kNone, std::move(buffer), headroom_, headroom_, false};
  if (chunk.buffer.size() < headroom_) chunk.buffer.resize(headroom_);
  // A block that decodes to nothing hands over to the next one at once.
  while (chunk.Empty()) {
    if (!in_block_) {
      if (blocks_.AtEnd()) return chunk;
      chunk.error = StartBlock();
      chunk.starts_block = true;
      if (chunk.error != PackageError::kNone) return chunk;
    }
    chunk.error = Continue(chunk);
    if (chunk.error != PackageError::kNone) return chunk;
    if (!in_block_) {
      decoder_.reset();
      decrypted_ = {};
    }
  }
  return chunk;
}

}  // namespace valdorine
