// Reads the archive of file entries: a sequence of blocks (length, checksum, bytes), each
// decrypted and decompressed into a FIFO queue that is read as records, one file entry each.
// Blocks are decoded in chunks of bounded size, only as far as the next entry needs them, and an
// entry's data is handed out in pieces as it is decoded, so memory does not grow with a file's or
// a block's size. While the caller works through one chunk, the next one is decoded on a thread of
// its own; a chunk's failure is reported only when it is needed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/background_task.hpp"
#include "format/block_stream.hpp"
#include "format/checksum_accumulator.hpp"
#include "format/entry_data.hpp"
#include "format/file_entry.hpp"
#include "format/package_layout.hpp"

namespace valdorine {

struct ArchiveSettings {
  bool compressed = true;               // blocks are xz streams
  const Blowfish* cipher = nullptr;     // blocks are encrypted when set
  std::span<const int32_t> entry_sizes; // data size of each entry, from the package header
};

// The package checksum of the whole archive must equal the header's (error 55).
PackageError CheckArchiveChecksum(std::span<const uint8_t> archive, uint32_t expected);

class ArchiveReader {
 public:
  // Texts of one record beyond this size are not a file entry's (100): they would have to be held
  // whole.
  static constexpr uint32_t kMaxEntryFields = 1 << 20;
  // Room before each chunk's bytes for the start of a record that reaches into the chunk, so that
  // the two join without moving the chunk. Records are mostly far shorter; a longer one is joined
  // by copying.
  static constexpr size_t kChunkHeadroom = 4 << 10;

  // `archive` must outlive the reader.
  ArchiveReader(std::span<const uint8_t> archive, ArchiveSettings settings);
  ArchiveReader(const ArchiveReader&) = delete;  // the decoding thread holds `this`
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  bool HasNextEntry() const { return next_index_ < settings_.entry_sizes.size(); }
  size_t NextIndex() const { return next_index_; }

  // Reads the next entry's fields, after skipping what is left of the previous entry's data. When
  // the entry's data is already decoded whole, its checksum is checked here (100); otherwise it
  // is checked as its last piece is read. A failure returns once nothing is decoding any more, so
  // that the caller may end the process at once.
  PackageError NextEntry(FileEntry& entry);
  // The data of the entry last read, valid until the next call of NextEntry or Finish.
  EntryData& Data() { return data_; }
  // Reads the rest of the current entry's data, checking its checksum (100).
  PackageError SkipData();

  // After the last entry: no archive bytes (80) and no queued bytes (83) may remain, and the last
  // block may not decode on beyond its records (60). Returns once nothing is decoding any more.
  PackageError Finish();

 private:
  // The current entry's data, straight from the queue.
  class StreamedData final : public EntryData {
   public:
    explicit StreamedData(ArchiveReader& reader) : reader_(reader) {}
    PackageError NextPiece(std::span<const uint8_t>& piece) override { return reader_.NextDataPiece(piece); }
    bool Rewind() override;

   private:
    ArchiveReader& reader_;
  };

  PackageError ReadEntry(FileEntry& entry);
  PackageError ReadChecksum();
  PackageError NextDataPiece(std::span<const uint8_t>& piece);
  // Makes `count` bytes wait in the queue, pulling chunks as needed.
  PackageError Need(size_t count);
  std::span<const uint8_t> Queued() const {
    return std::span<const uint8_t>(queue_).subspan(queue_head_, queue_end_ - queue_head_);
  }
  DecodedChunk PullChunk();
  void DecodeAhead();
  void Enqueue(DecodedChunk&& chunk);

  BlockStream stream_;
  ArchiveSettings settings_;
  size_t next_index_ = 0;
  // The queue is queue_[queue_head_, queue_end_): bytes before the head have been consumed.
  std::vector<uint8_t> queue_;
  size_t queue_head_ = 0;
  size_t queue_end_ = 0;
  // A chunk's buffer that nothing points into any more, for the next chunk to be decoded into.
  std::vector<uint8_t> spare_;

  // The current entry's data: what remains of it, its running checksum, and whether it was held
  // whole in the queue when the entry was read.
  uint64_t data_left_ = 0;
  bool data_open_ = false;  // pieces or the checksum are still to be read
  bool data_held_ = false;
  std::span<const uint8_t> held_;
  bool pieces_delivered_ = false;
  ChecksumAccumulator data_checksum_;
  StreamedData data_{*this};

  DecodedChunk ahead_;
  bool ahead_pending_ = false;
  // Last, so that the task is waited for before the members it uses go.
  BackgroundTask ahead_task_;
};

}  // namespace valdorine
