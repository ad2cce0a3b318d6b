// Reads the archive of file entries: a sequence of blocks (length, checksum, bytes), each
// decrypted and decompressed into a FIFO queue that is read as records, one file entry each. A
// block is pulled only when the queue does not yet hold the next entry's complete record, so
// memory stays bounded by the largest block plus the largest record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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

  bool HasNextEntry() const { return next_index_ < settings_.entry_sizes.size(); }
  size_t NextIndex() const { return next_index_; }

  // Reads the next entry; its data is a view into the queue, valid until the next call.
  PackageError NextEntry(FileEntry& entry);

  // After the last entry: no archive bytes (80) and no queued bytes (83) may remain.
  PackageError Finish() const;

 private:
  // The next record when the queue holds all of it.
  std::optional<std::span<const uint8_t>> CompleteRecord() const;
  PackageError PullBlock();
  void Enqueue(std::vector<uint8_t> bytes);

  ByteReader blocks_;
  ArchiveSettings settings_;
  size_t next_index_ = 0;
  std::vector<uint8_t> queue_;
  size_t queue_head_ = 0;  // bytes before it have been consumed
};

}  // namespace valdorine
