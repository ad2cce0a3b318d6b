#include "format/archive_reader.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/string.hpp"

namespace valdorine {

PackageError CheckArchiveChecksum(std::span<const uint8_t> archive, uint32_t expected) {
  if (PackageChecksum(archive.data(), static_cast<int64_t>(archive.size())) != expected) {
    return PackageError::kArchiveChecksum;
  }
  return PackageError::kNone;
}

ArchiveReader::ArchiveReader(std::span<const uint8_t> archive, ArchiveSettings settings)
    : stream_(archive, settings.compressed, settings.cipher, kChunkHeadroom), settings_(settings) {}

void ArchiveReader::DecodeAhead() {
  ahead_pending_ = true;
  ahead_.buffer = std::move(spare_);
  ahead_task_.Start([this] { ahead_ = stream_.NextChunk(std::move(ahead_.buffer)); });
}

DecodedChunk ArchiveReader::PullChunk() {
  if (!ahead_pending_) DecodeAhead();
  ahead_task_.Wait();
  ahead_pending_ = false;
  DecodedChunk chunk = std::move(ahead_);
  ahead_ = {};
  return chunk;
}

// The chunk becomes the queue. The bytes still waiting (the start of a record) are copied into the
// room before the chunk's own, so that the chunk is not moved; the old queue's buffer is kept for a
// later chunk. Waiting bytes beyond that room are joined with the chunk in a new buffer.
void ArchiveReader::Enqueue(DecodedChunk&& chunk) {
  const std::span<const uint8_t> waiting = Queued();
  if (waiting.size() > chunk.headroom) {
    std::vector<uint8_t> joined(waiting.begin(), waiting.end());
    const std::span<const uint8_t> bytes = chunk.Bytes();
    joined.insert(joined.end(), bytes.begin(), bytes.end());
    queue_ = std::move(joined);
    spare_ = std::move(chunk.buffer);
    queue_head_ = 0;
    queue_end_ = queue_.size();
    return;
  }
  const size_t head = chunk.headroom - waiting.size();
  if (!waiting.empty()) std::memcpy(chunk.buffer.data() + head, waiting.data(), waiting.size());
  spare_ = std::exchange(queue_, std::move(chunk.buffer));
  queue_head_ = head;
  queue_end_ = chunk.end;
}

PackageError ArchiveReader::Need(size_t count) {
  while (Queued().size() < count) {
    DecodedChunk chunk = PullChunk();
    if (chunk.error != PackageError::kNone) return chunk.error;
    if (chunk.Empty()) return PackageError::kBlockBeyondArchive;
    Enqueue(std::move(chunk));
    // The next chunk is decoded into the buffer that the queue has just given up, so that no more
    // than two chunk buffers are ever held: the queue's and the one being decoded.
    DecodeAhead();
  }
  return PackageError::kNone;
}

PackageError ArchiveReader::NextEntry(FileEntry& entry) {
  const PackageError error = ReadEntry(entry);
  if (error != PackageError::kNone) ahead_task_.Wait();
  return error;
}

PackageError ArchiveReader::ReadEntry(FileEntry& entry) {
  if (const PackageError error = SkipData(); error != PackageError::kNone) return error;
  if (!HasNextEntry()) return PackageError::kArchiveBytesLeft;
  const int32_t size = settings_.entry_sizes[next_index_];
  if (size < 0) return PackageError::kEntryDataSizeNegative;
  if (size > kMaxEntrySize) return PackageError::kEntryDataSizeTooLarge;
  if (const PackageError error = Need(4); error != PackageError::kNone) return error;
  const uint64_t record_length = ByteReader::LoadU32(Queued());
  const uint64_t data_and_checksum = uint64_t(size) + 4;
  if (record_length < data_and_checksum || record_length - data_and_checksum > kMaxEntryFields) {
    return PackageError::kEntryDataChecksum;
  }
  const size_t fields_length = static_cast<size_t>(record_length - data_and_checksum);
  if (const PackageError error = Need(4 + fields_length); error != PackageError::kNone) return error;
  const PackageError error = ParseEntryFields(Queued().subspan(4, fields_length), entry);
  if (error != PackageError::kNone) return error;
  queue_head_ += 4 + fields_length;
  ++next_index_;
  entry.data = {};
  entry.data_size = size;

  data_left_ = static_cast<uint64_t>(size);
  data_open_ = true;
  pieces_delivered_ = false;
  data_checksum_ = {};
  data_held_ = Queued().size() >= data_and_checksum;
  if (!data_held_) return PackageError::kNone;
  // Decoded whole already: checked before anything is done with it.
  held_ = Queued().first(static_cast<size_t>(size));
  if (PackageChecksum(held_.data(), size) != ByteReader::LoadU32(Queued().subspan(held_.size()))) {
    return PackageError::kEntryDataChecksum;
  }
  return PackageError::kNone;
}

PackageError ArchiveReader::NextDataPiece(std::span<const uint8_t>& piece) {
  piece = {};
  if (!data_open_) return PackageError::kNone;
  if (data_held_) {
    if (!pieces_delivered_) piece = held_;
    pieces_delivered_ = true;
    return PackageError::kNone;
  }
  if (data_left_ == 0) return ReadChecksum();
  if (const PackageError error = Need(1); error != PackageError::kNone) return error;
  piece = Queued().first(static_cast<size_t>(std::min<uint64_t>(data_left_, Queued().size())));
  queue_head_ += piece.size();
  data_left_ -= piece.size();
  data_checksum_.Add(piece);
  pieces_delivered_ = true;
  return PackageError::kNone;
}

PackageError ArchiveReader::ReadChecksum() {
  if (const PackageError error = Need(4); error != PackageError::kNone) return error;
  const uint32_t stored = ByteReader::LoadU32(Queued());
  queue_head_ += 4;
  data_open_ = false;
  return stored == data_checksum_.Result() ? PackageError::kNone : PackageError::kEntryDataChecksum;
}

bool ArchiveReader::StreamedData::Rewind() {
  if (reader_.data_held_) {
    reader_.pieces_delivered_ = false;
    return true;
  }
  return !reader_.pieces_delivered_;
}

PackageError ArchiveReader::SkipData() {
  if (data_open_ && data_held_) {
    queue_head_ += held_.size() + 4;
    data_open_ = false;
  }
  std::span<const uint8_t> piece;
  while (data_open_) {
    if (const PackageError error = NextDataPiece(piece); error != PackageError::kNone) return error;
  }
  return PackageError::kNone;
}

PackageError ArchiveReader::Finish() {
  PackageError error = SkipData();
  uint64_t trailing = Queued().size();
  while (error == PackageError::kNone) {
    DecodedChunk chunk = ahead_pending_ ? PullChunk() : stream_.NextChunk(std::move(spare_));
    if (chunk.starts_block) {
      error = PackageError::kArchiveBytesLeft;
    } else if (chunk.error != PackageError::kNone) {
      error = chunk.error;
    } else if (chunk.Empty()) {
      error = trailing > 0 ? PackageError::kQueuedBytesLeft : PackageError::kNone;
      break;
    } else if ((trailing += chunk.Bytes().size()) > BlockStream::kChunkSize) {
      error = PackageError::kBlockDecode;  // the block expands on beyond its last record
    }
  }
  ahead_task_.Wait();
  return error;
}

}  // namespace valdorine
