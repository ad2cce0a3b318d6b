#include "format/archive_reader.hpp"

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
    : blocks_(archive), settings_(settings) {}

std::optional<std::span<const uint8_t>> ArchiveReader::CompleteRecord() const {
  ByteReader queued(std::span<const uint8_t>(queue_).subspan(queue_head_));
  auto length = queued.ReadU32();
  if (!length) return std::nullopt;
  return queued.ReadBytes(*length);
}

PackageError ArchiveReader::NextEntry(FileEntry& entry) {
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

  std::vector<uint8_t> block(stored->begin(), stored->end());
  if (settings_.cipher && !Open(block, *settings_.cipher)) return PackageError::kBlockDecode;
  if (settings_.compressed && !Decode(block)) return PackageError::kBlockDecode;
  Enqueue(std::move(block));
  return PackageError::kNone;
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

PackageError ArchiveReader::Finish() const {
  if (!blocks_.AtEnd()) return PackageError::kArchiveBytesLeft;
  if (queue_head_ != queue_.size()) return PackageError::kQueuedBytesLeft;
  return PackageError::kNone;
}

}  // namespace valdorine
