// The host's stand-in for the Windows text services, for the code pages the builder meets:
// Windows-1252 (the host's ANSI code page) and UTF-8, both by hand so that results do not depend
// on the host's locale. Other code pages are unknown here and their conversions fail. There are no
// best-fit mappings on the host: a character without an exact mapping always becomes the default
// character.
#include <cstdint>

#include "core/code_page_system.hpp"
#include "core/string.hpp"

namespace valdorine::code_page_system {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Windows-1252 bytes 0x80 to 0x9F; the five bytes the code page leaves undefined map to the C1
// control characters of the same value, as on Windows.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t FromWindows1252(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
}

// The Windows-1252 byte for `c`, or -1 when it has none.
int ToWindows1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i) {
    if (kWindows1252High[i] == c) return 0x80 + i;
  }
  return -1;
}

// Collects converted units: stores them while they fit, counts them all. Without a buffer it only
// measures; with one that is too small the conversion fails, as the system's does.
template <typename Unit>
class Sink {
 public:
  Sink(Unit* out, int capacity) : out_(out), capacity_(capacity) {}
  void Put(Unit unit) {
    if (capacity_ > 0 && count_ < capacity_) out_[count_] = unit;
    ++count_;
  }
  int Result() const { return capacity_ > 0 && count_ > capacity_ ? 0 : count_; }

 private:
  Unit* out_;
  int capacity_;
  int count_ = 0;
};

void PutUtf16(Sink<char16_t>& sink, char32_t code_point) {
  if (code_point < 0x10000) return sink.Put(static_cast<char16_t>(code_point));
  code_point -= 0x10000;
  sink.Put(static_cast<char16_t>(0xD800 + (code_point >> 10)));
  sink.Put(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
}

void PutUtf8(Sink<char>& sink, char32_t code_point) {
  if (code_point < 0x80) return sink.Put(static_cast<char>(code_point));
  if (code_point < 0x800) {
    sink.Put(static_cast<char>(0xC0 | (code_point >> 6)));
  } else if (code_point < 0x10000) {
    sink.Put(static_cast<char>(0xE0 | (code_point >> 12)));
    sink.Put(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
  } else {
    sink.Put(static_cast<char>(0xF0 | (code_point >> 18)));
    sink.Put(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    sink.Put(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
  }
  sink.Put(static_cast<char>(0x80 | (code_point & 0x3F)));
}

// The code point of the UTF-16 text at `at`, advancing past it; an unpaired surrogate reads as the
// replacement character.
char32_t NextUtf16(const char16_t* text, int chars, int& at) {
  const char16_t unit = text[at++];
  if (unit < 0xD800 || unit > 0xDFFF) return unit;
  if (unit <= 0xDBFF && at < chars && text[at] >= 0xDC00 && text[at] <= 0xDFFF) {
    return 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[at++] - 0xDC00);
  }
  return kReplacementCharacter;
}

// The range a UTF-8 sequence's second byte must lie in, which rules out overlong forms,
// surrogates and code points above U+10FFFF; and the number of bytes that follow the lead byte.
struct Utf8Lead {
  int following;
  uint8_t second_low;
  uint8_t second_high;
};

Utf8Lead Utf8LeadOf(uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {1, 0x80, 0xBF};
  if (lead == 0xE0) return {2, 0xA0, 0xBF};
  if (lead == 0xED) return {2, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {2, 0x80, 0xBF};
  if (lead == 0xF0) return {3, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {3, 0x80, 0xBF};
  if (lead == 0xF4) return {3, 0x80, 0x8F};
  return {0, 0, 0};
}

// The code point of the UTF-8 text at `at`, advancing past it. An ill-formed sequence reads as one
// replacement character for its longest valid beginning (at least one byte), so that the bytes
// after it are read afresh.
char32_t NextUtf8(const uint8_t* text, int bytes, int& at) {
  const uint8_t lead = text[at++];
  if (lead < 0x80) return lead;
  const Utf8Lead form = Utf8LeadOf(lead);
  if (form.following == 0) return kReplacementCharacter;
  char32_t code_point = lead & (0x3F >> form.following);
  for (int i = 0; i < form.following; ++i) {
    const uint8_t low = i == 0 ? form.second_low : 0x80;
    const uint8_t high = i == 0 ? form.second_high : 0xBF;
    if (at >= bytes || text[at] < low || text[at] > high) return kReplacementCharacter;
    code_point = (code_point << 6) | (text[at++] & 0x3F);
  }
  return code_point;
}

// Folds one UTF-16 code unit to lower case: ASCII, Latin-1, Latin Extended-A, basic Greek and
// Cyrillic. Dotted and dotless I (U+0130, U+0131) keep their case, as in the invariant locale.
char16_t FoldCase(char16_t c) {
  const auto plus = [c](int offset) { return static_cast<char16_t>(c + offset); };
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? plus(0x20) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return plus(0x20);
  if (c == 0x178) return 0xFF;
  const bool even_upper = (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  const bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if ((even_upper && c % 2 == 0) || (odd_upper && c % 2 == 1)) return plus(1);
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return plus(0x20);
  if (c >= 0x410 && c <= 0x42F) return plus(0x20);
  if (c >= 0x400 && c <= 0x40F) return plus(0x50);
  return c;
}

template <typename ReadA, typename ReadB>
bool EqualFolded(int a_count, int b_count, ReadA read_a, ReadB read_b) {
  if (a_count != b_count) return false;
  for (int i = 0; i < a_count; ++i) {
    if (FoldCase(read_a(i)) != FoldCase(read_b(i))) return false;
  }
  return true;
}

}  // namespace

int AnsiCodePage() { return code_page::kWindows1252; }

int NarrowFromWide(int code_page, const char16_t* text, int chars, char* out, int out_bytes, char default_char,
                   bool /*forbid_best_fit: there are no best-fit mappings here*/) {
  Sink<char> sink(out, out_bytes);
  if (code_page == code_page::kUtf8) {
    for (int at = 0; at < chars;) PutUtf8(sink, NextUtf16(text, chars, at));
  } else if (code_page == code_page::kWindows1252) {
    for (int at = 0; at < chars; ++at) {
      const int byte = ToWindows1252(text[at]);
      sink.Put(byte < 0 ? default_char : static_cast<char>(byte));
    }
  } else {
    return 0;
  }
  return sink.Result();
}

int WideFromNarrow(int code_page, const char* text, int bytes, char16_t* out, int out_chars) {
  Sink<char16_t> sink(out, out_chars);
  const auto* data = reinterpret_cast<const uint8_t*>(text);
  if (code_page == code_page::kUtf8) {
    for (int at = 0; at < bytes;) PutUtf16(sink, NextUtf8(data, bytes, at));
  } else if (code_page == code_page::kWindows1252) {
    for (int at = 0; at < bytes; ++at) sink.Put(FromWindows1252(data[at]));
  } else {
    return 0;
  }
  return sink.Result();
}

bool EqualsIgnoreCase(const char16_t* a, int a_chars, const char16_t* b, int b_chars) {
  return EqualFolded(a_chars, b_chars, [a](int i) { return a[i]; }, [b](int i) { return b[i]; });
}

bool EqualsIgnoreCaseNarrow(const char* a, int a_bytes, const char* b, int b_bytes) {
  const auto read = [](const char* text) {
    return [text](int i) { return FromWindows1252(static_cast<uint8_t>(text[i])); };
  };
  return EqualFolded(a_bytes, b_bytes, read(a), read(b));
}

}  // namespace valdorine::code_page_system
