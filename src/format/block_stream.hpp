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

// One piece of the decoded stream, or the error that stopped it. The decoded bytes are
// buffer[headroom, end) (see BlockStream); the buffer may be longer.
struct DecodedChunk {
  PackageError error = PackageError::kNone;
  std::vector<uint8_t> buffer;
  size_t headroom = 0;
  size_t end = 0;
  bool starts_block = false;  // the first chunk of a stored block

  std::span<const uint8_t> Bytes() const { return std::span(buffer).subspan(headroom, end - headroom); }
  bool Empty() const { return end == headroom; }
};

class BlockStream {
 public:
  static constexpr size_t kChunkSize = 8 << 20;
  // The first chunk's limit; each full chunk doubles it up to kChunkSize, so that a small archive
  // never takes chunk buffers of full size.
  static constexpr size_t kFirstChunkSize = 64 << 10;

  // `archive` and the cipher must outlive the stream. Each chunk's bytes start `headroom` bytes into
  // its buffer, so that a reader can put bytes left over from the chunk before in front of them
  // without moving the chunk.
  BlockStream(std::span<const uint8_t> archive, bool compressed, const Blowfish* cipher, size_t headroom = 0);

  // The next chunk: up to the current limit (at most kChunkSize) bytes of the current block, or of the next one when the current
  // block has ended. Empty without error at the end of the archive. The chunk is decoded into
  // `buffer` (a chunk's buffer that is no longer needed, or none), so that memory is reused.
  DecodedChunk NextChunk(std::vector<uint8_t> buffer = {});
  // Whether stored blocks follow that no chunk has started yet.
  bool BlocksLeft() const { return !blocks_.AtEnd(); }

 private:
  PackageError StartBlock();
  PackageError Continue(DecodedChunk& chunk);

  ByteReader blocks_;
  bool compressed_;
  const Blowfish* cipher_;
  size_t headroom_;
  size_t chunk_limit_ = kFirstChunkSize;
  bool in_block_ = false;
  std::vector<uint8_t> decrypted_;        // the current block's plain bytes, when encrypted
  std::span<const uint8_t> block_input_;  // the current block's bytes to decode or copy
  size_t copied_ = 0;                     // of an uncompressed block
  std::optional<XzDecoder> decoder_;
};

}  // namespace valdorine
