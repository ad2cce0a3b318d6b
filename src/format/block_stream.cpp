#include "format/block_stream.hpp"

#include <algorithm>
#include <cstring>

#include "core/string.hpp"
#include "format/script_cipher.hpp"

namespace valdorine {

BlockStream::BlockStream(std::span<const uint8_t> archive, bool compressed, const Blowfish* cipher)
    : blocks_(archive), compressed_(compressed), cipher_(cipher) {}

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

PackageError BlockStream::Continue(std::vector<uint8_t>& bytes) {
  if (!compressed_) {
    const size_t count = std::min(kChunkSize, block_input_.size() - copied_);
    bytes.assign(block_input_.begin() + static_cast<ptrdiff_t>(copied_),
                 block_input_.begin() + static_cast<ptrdiff_t>(copied_ + count));
    copied_ += count;
    in_block_ = copied_ < block_input_.size();
    return PackageError::kNone;
  }
  bytes.resize(kChunkSize);
  size_t produced = 0;
  const XzDecoder::Step step = decoder_->Decode(bytes, produced);
  bytes.resize(produced);
  if (step == XzDecoder::Step::kFailed) return PackageError::kBlockDecode;
  in_block_ = step == XzDecoder::Step::kMore;
  return PackageError::kNone;
}

DecodedChunk BlockStream::NextChunk() {
  DecodedChunk chunk;
  // A block that decodes to nothing hands over to the next one at once.
  while (chunk.bytes.empty()) {
    if (!in_block_) {
      if (blocks_.AtEnd()) return chunk;
      chunk.error = StartBlock();
      chunk.starts_block = true;
      if (chunk.error != PackageError::kNone) return chunk;
    }
    chunk.error = Continue(chunk.bytes);
    if (chunk.error != PackageError::kNone) return chunk;
    if (!in_block_) {
      decoder_.reset();
      decrypted_ = {};
    }
  }
  return chunk;
}

}  // namespace valdorine
