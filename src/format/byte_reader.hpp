// ByteReader: the one bounds-checked sequential reader over untrusted bytes. Every read either
// yields a complete value and advances, or yields nothing and leaves the position unchanged; it
// never reads outside the span it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace valdorine {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t Position() const { return position_; }
  size_t Remaining() const { return bytes_.size() - position_; }
  bool AtEnd() const { return Remaining() == 0; }
  std::span<const uint8_t> Rest() const { return bytes_.subspan(position_); }

  std::optional<uint8_t> ReadU8() {
    auto bytes = ReadBytes(1);
    if (!bytes) return std::nullopt;
    return (*bytes)[0];
  }
  std::optional<uint16_t> ReadU16() {
    auto bytes = ReadBytes(2);
    if (!bytes) return std::nullopt;
    return static_cast<uint16_t>((*bytes)[0] | ((*bytes)[1] << 8));
  }
  std::optional<uint32_t> ReadU32() {
    auto bytes = ReadBytes(4);
    if (!bytes) return std::nullopt;
    return LoadU32(*bytes);
  }
  std::optional<int32_t> ReadI32() {
    auto value = ReadU32();
    if (!value) return std::nullopt;
    return static_cast<int32_t>(*value);
  }

  // The next `count` bytes as a view into the reader's span.
  std::optional<std::span<const uint8_t>> ReadBytes(size_t count) {
    if (count > Remaining()) return std::nullopt;
    auto bytes = bytes_.subspan(position_, count);
    position_ += count;
    return bytes;
  }

  // 8-bit text ending in a zero byte; the result excludes the terminator.
  std::optional<std::string_view> ReadCStr() {
    auto rest = Rest();
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == 0) {
        position_ += i + 1;
        return std::string_view(reinterpret_cast<const char*>(rest.data()), i);
      }
    }
    return std::nullopt;
  }

  // UTF-16LE text ending in a zero code unit; copied, since the bytes need not be aligned.
  std::optional<std::u16string> ReadWCStr() {
    auto rest = Rest();
    for (size_t i = 0; i + 1 < rest.size(); i += 2) {
      if (rest[i] == 0 && rest[i + 1] == 0) {
        std::u16string text;
        text.reserve(i / 2);
        for (size_t j = 0; j < i; j += 2) text.push_back(static_cast<char16_t>(rest[j] | (rest[j + 1] << 8)));
        position_ += i + 2;
        return text;
      }
    }
    return std::nullopt;
  }

  static uint32_t LoadU32(std::span<const uint8_t> four) {
    return static_cast<uint32_t>(four[0]) | (static_cast<uint32_t>(four[1]) << 8) |
           (static_cast<uint32_t>(four[2]) << 16) | (static_cast<uint32_t>(four[3]) << 24);
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
};

}  // namespace valdorine
