// The data of one file entry as a reader delivers it: in pieces, in order, so that a large file
// never has to be held whole. Data that is held whole can be delivered again from the start.
#pragma once

#include <cstdint>
#include <span>

#include "format/package_layout.hpp"

namespace valdorine {

class EntryData {
 public:
  virtual ~EntryData() = default;
  // The next piece, valid until the next call; an empty piece once all data has been delivered
  // (and, for archive data, its checksum matched: 100).
  virtual PackageError NextPiece(std::span<const uint8_t>& piece) = 0;
  // Starts again from the first piece; false when the delivered pieces are gone.
  virtual bool Rewind() = 0;
};

// Bytes in memory, delivered as one piece.
class HeldData final : public EntryData {
 public:
  explicit HeldData(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  PackageError NextPiece(std::span<const uint8_t>& piece) override {
    piece = delivered_ ? std::span<const uint8_t>() : bytes_;
    delivered_ = true;
    return PackageError::kNone;
  }
  bool Rewind() override {
    delivered_ = false;
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  bool delivered_ = false;
};

}  // namespace valdorine
