// An entry's data read whole, piece by piece as the installer writes it.
#pragma once

#include <cstdint>
#include <vector>

#include "format/entry_data.hpp"

namespace valdorine::testing {

inline PackageError ReadEntryData(EntryData& data, std::vector<uint8_t>& bytes) {
  bytes.clear();
  for (;;) {
    std::span<const uint8_t> piece;
    if (const PackageError error = data.NextPiece(piece); error != PackageError::kNone) return error;
    if (piece.empty()) return PackageError::kNone;
    bytes.insert(bytes.end(), piece.begin(), piece.end());
  }
}

inline std::vector<uint8_t> EntryDataBytes(EntryData& data) {
  std::vector<uint8_t> bytes;
  return ReadEntryData(data, bytes) == PackageError::kNone ? bytes : std::vector<uint8_t>{};
}

}  // namespace valdorine::testing
