// ByteWriter: builds little-endian binary data in a growing buffer; the counterpart of ByteReader
// for the builder and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace valdorine {

class ByteWriter {
 public:
  size_t Size() const { return bytes_.size(); }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::exchange(bytes_, {}); }

  void U8(uint8_t value) { bytes_.push_back(value); }
  void U16(uint16_t value) {
    U8(static_cast<uint8_t>(value));
    U8(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(static_cast<uint16_t>(value));
    U16(static_cast<uint16_t>(value >> 16));
  }
  void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
  void U64(uint64_t value) {
    U32(static_cast<uint32_t>(value));
    U32(static_cast<uint32_t>(value >> 32));
  }
  void Bytes(std::span<const uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  void Text(std::string_view text) {
    Bytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }
  // 8-bit text with its zero terminator.
  void CStr(std::string_view text) {
    Text(text);
    U8(0);
  }
  // UTF-16LE text, with or without its zero terminator.
  void Wide(std::u16string_view text) {
    for (char16_t c : text) U16(static_cast<uint16_t>(c));
  }
  void WCStr(std::u16string_view text) {
    Wide(text);
    U16(0);
  }

  // Overwrites four bytes written earlier.
  void PatchU32(size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Little-endian stores into a caller's buffer, for patching files in place.
inline void StoreU16(std::span<uint8_t> at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
inline void StoreU32(std::span<uint8_t> at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace valdorine
