// The archive's blocks as one stream of decoded bytes, handed out in chunks of bounded size: each
// stored block is checked (61, 62, 63), decrypted and decoded (60) only as far as its chunks are
// asked for, so that memory does not grow with a block's decoded size.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/blowfish.hpp"
#include "format/byte_reader.hpp"
#include "format/package_layout.hpp"
#include "format/xz_codec.hpp"

namespace valdorine {

struct ArchiveSettings;

// One piece of the decoded stream, or the error that stopped it.
struct DecodedChunk {
  PackageError error = PackageError::kNone;
  std::vector<uint8_t> bytes;
  bool starts_block = false;  // the first chunk of a stored block
};

class BlockStream {
 public:
  static constexpr size_t kChunkSize = 4 << 20;

  // `archive` and the cipher must outlive the stream.
  BlockStream(std::span<const uint8_t> archive, bool compressed, const Blowfish* cipher);

  // The next chunk: up to kChunkSize bytes of the current block, or of the next one when the current
  // block has ended. Empty without error at the end of the archive.
  DecodedChunk NextChunk();
  // Whether stored blocks follow that no chunk has started yet.
  bool BlocksLeft() const { return !blocks_.AtEnd(); }

 private:
  PackageError StartBlock();
  PackageError Continue(std::vector<uint8_t>& bytes);

  ByteReader blocks_;
  bool compressed_;
  const Blowfish* cipher_;
  bool in_block_ = false;
  std::vector<uint8_t> decrypted_;        // the current block's plain bytes, when encrypted
  std::span<const uint8_t> block_input_;  // the current block's bytes to decode or copy
  size_t copied_ = 0;                     // of an uncompressed block
  std::optional<XzDecoder> decoder_;
};

}  // namespace valdorine
