// Reads the archive of file entries: a sequence of blocks (length, checksum, bytes), each
// decrypted and decompressed into a FIFO queue that is read as records, one file entry each. A
// block is pulled only when the queue does not yet hold the next entry's complete record. While
// the caller works through the entries of one block, the next blocks (one per processor, at most
// two) are checked and decoded on threads of their own, so decoding overlaps with writing the
// files; a block's failure is reported only when it is pulled. Memory stays bounded by three
// blocks plus the largest record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/background_task.hpp"
#include "format/blowfish.hpp"
#include "format/byte_reader.hpp"
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
  // `archive` must outlive the reader.
  ArchiveReader(std::span<const uint8_t> archive, ArchiveSettings settings);
  ArchiveReader(const ArchiveReader&) = delete;  // the decoding threads hold `this`
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  bool HasNextEntry() const { return next_index_ < settings_.entry_sizes.size(); }
  size_t NextIndex() const { return next_index_; }

  // Reads the next entry; its data is a view into the queue, valid until the next call. A failure
  // returns once no block is decoding any more, so that the caller may end the process at once.
  PackageError NextEntry(FileEntry& entry);

  // After the last entry: no archive bytes (80) and no queued bytes (83) may remain. Returns once
  // no block is decoding any more.
  PackageError Finish();

 private:
  // A block made ready for the queue: checked, decrypted and decoded, or the error that stopped it.
  struct PreparedBlock {
    PackageError error = PackageError::kNone;
    std::vector<uint8_t> bytes;

    static PreparedBlock Failed(PackageError error) { return {error, {}}; }
  };

  PackageError ReadEntry(FileEntry& entry);
  void WaitForBlocksInFlight();
  // The next record when the queue holds all of it.
  std::optional<std::span<const uint8_t>> CompleteRecord() const;
  PackageError PullBlock();
  // Starts preparing the following blocks until as many as allowed are under way or the archive
  // ends.
  void ReadAhead();
  // A block as the archive stores it.
  struct StoredBlock {
    std::span<const uint8_t> bytes;
    uint32_t checksum = 0;
  };
  // Reads the next block's length, checksum and bytes (61, 63).
  PackageError ReadStoredBlock(StoredBlock& block);
  // Checks (62), decrypts and decodes (60) one stored block; runs on the block's own thread.
  PreparedBlock Prepare(StoredBlock stored) const;
  void Enqueue(std::vector<uint8_t> bytes);

  // A block on its way to the queue: read from the archive and prepared by its own task, or the
  // error that stopped its reading.
  struct BlockInFlight {
    PreparedBlock result;
    BackgroundTask task;
  };
  static constexpr size_t kMaxBlocksInFlight = 2;

  ByteReader blocks_;
  ArchiveSettings settings_;
  size_t next_index_ = 0;
  std::vector<uint8_t> queue_;
  size_t queue_head_ = 0;  // bytes before it have been consumed
  size_t blocks_allowed_in_flight_;
  size_t in_flight_head_ = 0;   // the oldest block in flight
  size_t in_flight_count_ = 0;
  bool reading_failed_ = false;  // a block in flight holds the error that stopped the reading
  // Last, so that every task is waited for before the members it uses go.
  std::array<BlockInFlight, kMaxBlocksInFlight> in_flight_;
};

}  // namespace valdorine
