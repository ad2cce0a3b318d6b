// The install script's stream primitives on top of ByteWriter: length-prefixed texts of the
// various widths, the variable-length `vtext`, and UTF-16 text from UTF-8-free literals.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "format/byte_writer.hpp"

namespace valdorine::builder {

class ScriptStreamWriter : public ByteWriter {
 public:
  // A length of one byte below 255; else 0xFF and a u16 whose low byte is not 0xFF; else
  // 0xFF 0xFF and a u32. Then the bytes.
  void VText(std::span<const uint8_t> bytes);
  void VTextNarrow(std::string_view text) { VText(AsBytes(text)); }
  void VTextWide(std::u16string_view text);
  void Text8Wide(std::u16string_view text);
  void Text16(std::span<const uint8_t> bytes);
  void Text16Wide(std::u16string_view text);
  void Text32(std::span<const uint8_t> bytes);
  void F64(double value);

  static std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
  }
};

}  // namespace valdorine::builder
