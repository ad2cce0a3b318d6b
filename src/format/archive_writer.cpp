#include "format/archive_writer.hpp"

#include <algorithm>
#include <utility>

#include "core/string.hpp"
#include "format/byte_writer.hpp"
#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"

namespace valdorine {

RecordBlocker::RecordBlocker(size_t block_size, BlockSink sink)
    : block_size_(std::max<size_t>(block_size, 1)), sink_(std::move(sink)) {}

void RecordBlocker::Append(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const size_t take = std::min(bytes.size(), block_size_ - block_.size());
    block_.insert(block_.end(), bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(take));
    bytes = bytes.subspan(take);
    if (block_.size() == block_size_) sink_(std::exchange(block_, {}));
  }
}

void RecordBlocker::BeginEntry(const FileEntry& entry, uint32_t data_size) {
  const std::vector<uint8_t> fields = EncodeEntryFields(entry);
  ByteWriter length;
  length.U32(static_cast<uint32_t>(fields.size() + data_size + 4));
  Append(length.Bytes());
  Append(fields);
  data_checksum_ = ChecksumAccumulator();
}

void RecordBlocker::AddData(std::span<const uint8_t> data) {
  data_checksum_.Add(data);
  Append(data);
}

void RecordBlocker::EndEntry() {
  ByteWriter checksum;
  checksum.U32(data_checksum_.Result());
  Append(checksum.Bytes());
}

void RecordBlocker::Finish() {
  if (!block_.empty()) sink_(std::exchange(block_, {}));
}

bool PackBlock(std::span<const uint8_t> raw, const BlockPacking& packing, std::vector<uint8_t>& stored) {
  if (packing.compress) {
    if (!Encode(raw, packing.preset, stored)) return false;
  } else {
    stored.assign(raw.begin(), raw.end());
  }
  if (packing.cipher) stored = Seal(stored, *packing.cipher);
  return true;
}

std::vector<uint8_t> FrameBlock(std::span<const uint8_t> stored) {
  ByteWriter writer;
  writer.U32(static_cast<uint32_t>(stored.size()));
  writer.U32(PackageChecksum(stored.data(), static_cast<int64_t>(stored.size())));
  writer.Bytes(stored);
  return writer.Take();
}

ArchiveWriter::ArchiveWriter(size_t block_size, BlockPacking packing)
    : packing_(packing), blocker_(block_size, [this](std::vector<uint8_t> raw) {
        std::vector<uint8_t> stored;
        failed_ = failed_ || !PackBlock(raw, packing_, stored);
        const std::vector<uint8_t> framed = FrameBlock(stored);
        archive_.insert(archive_.end(), framed.begin(), framed.end());
      }) {}

void ArchiveWriter::Add(const FileEntry& entry) {
  blocker_.BeginEntry(entry, static_cast<uint32_t>(entry.data.size()));
  blocker_.AddData(entry.data);
  blocker_.EndEntry();
}

bool ArchiveWriter::Finish(std::vector<uint8_t>& archive) {
  blocker_.Finish();
  archive = std::move(archive_);
  return !failed_;
}

}  // namespace valdorine
