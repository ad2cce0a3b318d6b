#include "script_stream_writer.hpp"

#include <bit>

namespace valdorine::builder {
namespace {

ByteWriter WideBytes(std::u16string_view text) {
  ByteWriter bytes;
  bytes.Wide(text);
  return bytes;
}

}  // namespace

void ScriptStreamWriter::VText(std::span<const uint8_t> bytes) {
  const size_t length = bytes.size();
  if (length < 0xFF) {
    U8(static_cast<uint8_t>(length));
  } else if (length <= 0xFFFF && (length & 0xFF) != 0xFF) {
    U8(0xFF);
    U16(static_cast<uint16_t>(length));
  } else {
    U16(0xFFFF);
    U32(static_cast<uint32_t>(length));
  }
  Bytes(bytes);
}

void ScriptStreamWriter::VTextWide(std::u16string_view text) { VText(WideBytes(text).Bytes()); }

void ScriptStreamWriter::Text8Wide(std::u16string_view text) {
  U8(static_cast<uint8_t>(text.size() * 2));
  Wide(text);
}

void ScriptStreamWriter::Text16(std::span<const uint8_t> bytes) {
  U16(static_cast<uint16_t>(bytes.size()));
  Bytes(bytes);
}

void ScriptStreamWriter::Text16Wide(std::u16string_view text) { Text16(WideBytes(text).Bytes()); }

void ScriptStreamWriter::Text32(std::span<const uint8_t> bytes) {
  I32(static_cast<int32_t>(bytes.size()));
  Bytes(bytes);
}

void ScriptStreamWriter::F64(double value) { U64(std::bit_cast<uint64_t>(value)); }

}  // namespace valdorine::builder
