#include "format/script_stream.hpp"

#include <bit>
#include <limits>

namespace valdorine {
namespace {

constexpr uint8_t kLongLength = 0xFF;

int ToLength(size_t count) { return static_cast<int>(count); }

// True when `text`, read in `unit`-byte code units, holds a zero unit (which would end it early).
bool HoldsTerminator(const String& text, int unit) {
  const uint8_t* bytes = text.Bytes();
  for (int i = 0; i + unit <= text.Length(); i += unit) {
    bool zero = true;
    for (int j = 0; j < unit; ++j) zero = zero && bytes[i + j] == 0;
    if (zero) return true;
  }
  return false;
}

}  // namespace

double ScriptReader::F64() { return std::bit_cast<double>(U64()); }

std::span<const uint8_t> ScriptReader::Take(uint64_t count) {
  if (broken_) return {};
  if (count > reader_.Remaining()) {
    broken_ = true;
    return {};
  }
  return *reader_.ReadBytes(static_cast<size_t>(count));
}

String ScriptReader::Bytes(uint64_t count) {
  auto bytes = Take(count);
  return String::FromBytes(bytes.data(), ToLength(bytes.size()));
}

void ScriptReader::Skip(size_t count) { Take(count); }

uint32_t ScriptReader::VTextLength() {
  const uint8_t first = U8();
  if (first != kLongLength) return first;
  // A u16 follows unless its low byte would be 0xFF, which announces the u32 instead.
  const auto rest = broken_ ? std::span<const uint8_t>() : reader_.Rest();
  if (rest.empty() || rest[0] != kLongLength) return U16();
  Skip(1);
  return U32();
}

String ScriptReader::ZeroEnded(size_t unit) {
  if (broken_) return String();
  auto rest = reader_.Rest();
  for (size_t end = 0; end + unit <= rest.size(); end += unit) {
    bool zero = true;
    for (size_t j = 0; j < unit; ++j) zero = zero && rest[end + j] == 0;
    if (zero) {
      String text = Bytes(end);
      Skip(unit);
      return text;
    }
  }
  broken_ = true;
  return String();
}

String ScriptReader::Text(TextForm form) {
  switch (form) {
    case TextForm::kV: {
      const uint32_t length = VTextLength();
      if (length > kMaxVTextLength) {
        broken_ = true;
        return String();
      }
      return Bytes(length);
    }
    case TextForm::k8:
      return Bytes(U8());
    case TextForm::k16:
      return Bytes(U16());
    case TextForm::k32: {
      const int32_t length = I32();
      if (length < 0) {
        broken_ = true;
        return String();
      }
      return Bytes(static_cast<uint32_t>(length));
    }
    case TextForm::kZero:
      return ZeroEnded(1);
    case TextForm::kZeroWide:
      return ZeroEnded(2);
  }
  return String();
}

void ScriptWriter::F64(double value) { U64(std::bit_cast<uint64_t>(value)); }

void ScriptWriter::VTextLength(size_t length) {
  if (length < kLongLength) {
    U8(static_cast<uint8_t>(length));
  } else if (length <= 0xFFFF && (length & 0xFF) != kLongLength) {
    U8(kLongLength);
    U16(static_cast<uint16_t>(length));
  } else {
    if (length > kMaxVTextLength) Fault();
    U8(kLongLength);
    U8(kLongLength);
    U32(static_cast<uint32_t>(length));
  }
}

void ScriptWriter::Text(TextForm form, const String& text) {
  const auto length = static_cast<size_t>(text.Length());
  switch (form) {
    case TextForm::kV:
      VTextLength(length);
      break;
    case TextForm::k8:
      if (length > std::numeric_limits<uint8_t>::max()) Fault();
      U8(static_cast<uint8_t>(length));
      break;
    case TextForm::k16:
      if (length > std::numeric_limits<uint16_t>::max()) Fault();
      U16(static_cast<uint16_t>(length));
      break;
    case TextForm::k32:
      I32(static_cast<int32_t>(length));
      break;
    case TextForm::kZero:
      if (HoldsTerminator(text, 1)) Fault();
      break;
    case TextForm::kZeroWide:
      if (length % 2 != 0 || HoldsTerminator(text, 2)) Fault();
      break;
  }
  Bytes(text);
  if (form == TextForm::kZero) U8(0);
  if (form == TextForm::kZeroWide) U16(0);
}

}  // namespace valdorine
