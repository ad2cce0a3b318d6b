// The install script's stream primitives: little-endian numbers and texts in six length forms.
//
// ScriptReader never fails a read: once a read runs past the end of the script (or a length is
// refused), it and every later read yield zeros and empty texts, and Broken() reports it, so that
// a truncated or misaligned script surfaces at the next check as a missing end marker.
// ScriptWriter is its exact inverse; a text too long for its length form is recorded as a fault
// rather than cut.
//
// Length forms of a text:
//   kV   one byte below 255; else 0xFF and a u16 whose low byte is not 0xFF; else 0xFF 0xFF and a
//        u32 (at most 0x40000000); then the bytes
//   k8, k16, k32   a u8, u16 or i32 byte count, then the bytes (a negative i32 is refused)
//   kZero          8-bit text ending in a zero byte
//   kZeroWide      UTF-16LE text ending in a zero code unit
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/string.hpp"
#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"

namespace valdorine {

enum class TextForm { kV, k8, k16, k32, kZero, kZeroWide };

// The longest text a kV length may announce.
inline constexpr uint32_t kMaxVTextLength = 0x40000000;

class ScriptReader {
 public:
  explicit ScriptReader(std::span<const uint8_t> bytes) : reader_(bytes) {}

  // True once a read ran past the end or a text length was refused.
  bool Broken() const { return broken_; }
  size_t Position() const { return reader_.Position(); }

  uint8_t U8() { return Number<uint8_t>(1); }
  uint16_t U16() { return Number<uint16_t>(2); }
  uint32_t U32() { return Number<uint32_t>(4); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  uint64_t U64() { return Number<uint64_t>(8); }
  double F64();

  // `count` bytes as a String; empty (and broken) when fewer remain.
  String Bytes(uint64_t count);
  void Skip(size_t count);
  // A text in the given length form; the terminator of the zero-ended forms is not included.
  String Text(TextForm form);

 private:
  template <typename T>
  T Number(size_t size) {
    auto bytes = Take(size);
    T value = 0;
    for (size_t i = bytes.size(); i-- > 0;) value = static_cast<T>((value << 8) | bytes[i]);
    return value;
  }
  // The next `count` bytes, or an empty span (and the reader broken) when fewer remain.
  std::span<const uint8_t> Take(uint64_t count);
  uint32_t VTextLength();
  String ZeroEnded(size_t unit);

  ByteReader reader_;
  bool broken_ = false;
};

class ScriptWriter {
 public:
  // True when every text fitted its length form.
  bool Intact() const { return intact_; }
  std::vector<uint8_t> Take() { return out_.Take(); }
  size_t Size() const { return out_.Size(); }

  void U8(uint8_t value) { out_.U8(value); }
  void U16(uint16_t value) { out_.U16(value); }
  void U32(uint32_t value) { out_.U32(value); }
  void I32(int32_t value) { out_.I32(value); }
  void U64(uint64_t value) { out_.U64(value); }
  void F64(double value);
  void Bytes(const String& bytes) { out_.Bytes({bytes.Bytes(), static_cast<size_t>(bytes.Length())}); }
  void Zeros(size_t count) { out_.Zeros(count); }
  void Text(TextForm form, const String& text);

 private:
  void VTextLength(size_t length);
  void Fault() { intact_ = false; }

  ByteWriter out_;
  bool intact_ = true;
};

}  // namespace valdorine
