#include "format/archive_reader.hpp"

#include <algorithm>
#include <utility>

#include "core/string.hpp"
#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"

namespace valdorine {

PackageError CheckArchiveChecksum(std::span<const uint8_t> archive, uint32_t expected) {
  if (PackageChecksum(archive.data(), static_cast<int64_t>(archive.size())) != expected) {
    return PackageError::kArchiveChecksum;
  }
  return PackageError::kNone;
}

ArchiveReader::ArchiveReader(std::span<const uint8_t> archive, ArchiveSettings settings)
    : blocks_(archive),
      settings_(settings),
      blocks_allowed_in_flight_(std::clamp<size_t>(ProcessorCount(), 1, kMaxBlocksInFlight)) {}

std::optional<std::span<const uint8_t>> ArchiveReader::CompleteRecord() const {
  ByteReader queued(std::span<const uint8_t>(queue_).subspan(queue_head_));
  auto length = queued.ReadU32();
  if (!length) return std::nullopt;
  return queued.ReadBytes(*length);
}

PackageError ArchiveReader::NextEntry(FileEntry& entry) {
  const PackageError error = ReadEntry(entry);
  if (error != PackageError::kNone) WaitForBlocksInFlight();
  return error;
}

PackageError ArchiveReader::ReadEntry(FileEntry& entry) {
  if (!HasNextEntry()) return PackageError::kArchiveBytesLeft;
  for (;;) {
    if (auto record = CompleteRecord()) {
      const PackageError error = ParseFileEntry(*record, settings_.entry_sizes[next_index_], entry);
      if (error != PackageError::kNone) return error;
      queue_head_ += 4 + record->size();
      ++next_index_;
      return PackageError::kNone;
    }
    const PackageError error = PullBlock();
    if (error != PackageError::kNone) return error;
  }
}

PackageError ArchiveReader::PullBlock() {
  ReadAhead();
  if (in_flight_count_ == 0) return PackageError::kBlockBeyondArchive;
  BlockInFlight& oldest = in_flight_[in_flight_head_];
  oldest.task.Wait();
  PreparedBlock block = std::move(oldest.result);
  in_flight_head_ = (in_flight_head_ + 1) % kMaxBlocksInFlight;
  --in_flight_count_;
  if (block.error != PackageError::kNone) return block.error;
  Enqueue(std::move(block.bytes));
  ReadAhead();
  return PackageError::kNone;
}

void ArchiveReader::ReadAhead() {
  while (in_flight_count_ < blocks_allowed_in_flight_ && !reading_failed_ && !blocks_.AtEnd()) {
    BlockInFlight& block = in_flight_[(in_flight_head_ + in_flight_count_) % kMaxBlocksInFlight];
    ++in_flight_count_;
    StoredBlock stored;
    const PackageError error = ReadStoredBlock(stored);
    if (error != PackageError::kNone) {
      block.result = PreparedBlock::Failed(error);
      reading_failed_ = true;
    } else {
      block.task.Start([this, &block, stored] { block.result = Prepare(stored); });
    }
  }
}

PackageError ArchiveReader::ReadStoredBlock(StoredBlock& block) {
  auto length = blocks_.ReadU32();
  if (!length) return PackageError::kBlockBeyondArchive;
  if (*length == 0) return PackageError::kBlockLength;
  auto checksum = blocks_.ReadU32();
  if (!checksum) return PackageError::kBlockBeyondArchive;
  auto bytes = blocks_.ReadBytes(*length);
  if (!bytes) return PackageError::kBlockBeyondArchive;
  block = {*bytes, *checksum};
  return PackageError::kNone;
}

ArchiveReader::PreparedBlock ArchiveReader::Prepare(StoredBlock stored) const {
  if (PackageChecksum(stored.bytes.data(), static_cast<int64_t>(stored.bytes.size())) != stored.checksum) {
    return PreparedBlock::Failed(PackageError::kBlockChecksum);
  }
  std::span<const uint8_t> input = stored.bytes;
  std::vector<uint8_t> decrypted;
  if (settings_.cipher) {
    decrypted.assign(input.begin(), input.end());
    if (!Open(decrypted, *settings_.cipher)) return PreparedBlock::Failed(PackageError::kBlockDecode);
    input = decrypted;
  }
  PreparedBlock block;
  if (!settings_.compressed) {
    block.bytes.assign(input.begin(), input.end());
  } else if (!Decode(input, block.bytes)) {
    return PreparedBlock::Failed(PackageError::kBlockDecode);
  }
  return block;
}

void ArchiveReader::Enqueue(std::vector<uint8_t> bytes) {
  if (queue_head_ == queue_.size()) {
    // Nothing is waiting: the block becomes the queue without a copy.
    queue_ = std::move(bytes);
  } else {
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<ptrdiff_t>(queue_head_));
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  }
  queue_head_ = 0;
}

void ArchiveReader::WaitForBlocksInFlight() {
  for (BlockInFlight& block : in_flight_) block.task.Wait();
}

PackageError ArchiveReader::Finish() {
  WaitForBlocksInFlight();
  // A block read ahead means archive bytes were left after the last entry.
  if (in_flight_count_ > 0 || !blocks_.AtEnd()) return PackageError::kArchiveBytesLeft;
  if (queue_head_ != queue_.size()) return PackageError::kQueuedBytesLeft;
  return PackageError::kNone;
}

}  // namespace valdorine
