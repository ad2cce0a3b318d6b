// Writes the archive: file entries become records (length, fields, data, data checksum) in one
// stream, which is cut into raw blocks of a chosen size; each raw block is compressed and
// optionally encrypted on its own, then stored with its length and checksum. Blocks are
// independent, so the builder packs them in parallel; ArchiveWriter packs them in order in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "format/blowfish.hpp"
#include "format/checksum_accumulator.hpp"
#include "format/file_entry.hpp"

namespace valdorine {

// Cuts the record stream into raw blocks of `block_size` bytes (the last one shorter) and hands
// each to the sink in order. A record may span several blocks.
class RecordBlocker {
 public:
  using BlockSink = std::function<void(std::vector<uint8_t> raw_block)>;

  RecordBlocker(size_t block_size, BlockSink sink);

  // An entry's record: its fields (the entry's data view is ignored), then `data_size` bytes of
  // data handed over in any number of AddData calls, then EndEntry.
  void BeginEntry(const FileEntry& entry, uint32_t data_size);
  void AddData(std::span<const uint8_t> data);
  void EndEntry();
  // Hands over the last, partial block.
  void Finish();

 private:
  void Append(std::span<const uint8_t> bytes);

  size_t block_size_;
  BlockSink sink_;
  std::vector<uint8_t> block_;
  ChecksumAccumulator data_checksum_;
};

struct BlockPacking {
  bool compress = true;
  uint32_t preset = 6;
  const Blowfish* cipher = nullptr;
};

// Compresses and encrypts one raw block into its stored bytes; false when the encoder fails.
bool PackBlock(std::span<const uint8_t> raw, const BlockPacking& packing, std::vector<uint8_t>& stored);

// The stored block with its length and checksum in front.
std::vector<uint8_t> FrameBlock(std::span<const uint8_t> stored);

// The whole archive in memory, packed block by block as entries are added.
class ArchiveWriter {
 public:
  ArchiveWriter(size_t block_size, BlockPacking packing);

  void Add(const FileEntry& entry);  // with its data
  // The archive bytes; false when a block could not be packed.
  bool Finish(std::vector<uint8_t>& archive);

 private:
  BlockPacking packing_;
  std::vector<uint8_t> archive_;
  bool failed_ = false;
  RecordBlocker blocker_;
};

}  // namespace valdorine
