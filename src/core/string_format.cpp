#include "core/string_format.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/memory.hpp"
#include "core/number_text.hpp"
#include "core/string.hpp"

namespace valdorine {
namespace {

// The argument list, wrapped so that helpers can take it by reference on every ABI.
struct Arguments {
  va_list list;
};

enum class SizePrefix { kNone, kChar, kShort, kLong, kLongLong, kLongDouble, kInt32, kSize, kIntMax, kPtrDiff };

struct Directive {
  bool left_aligned = false;
  bool plus_sign = false;
  bool space_sign = false;
  bool alternate = false;
  bool zero_padded = false;
  int width = 0;
  int precision = -1;  // -1: none given
  SizePrefix size = SizePrefix::kNone;
  bool wide_prefix = false;  // "w", as in "%ws"
  char conversion = 0;       // 0: the format ended inside the directive
};

// The conversion of a directive whose letter is not ASCII; such a directive prints as it stands.
constexpr char kNotAConversion = 0x7F;

// Receives the formatted characters: stores what fits into the buffer, counts everything.
template <typename Char>
class Output {
 public:
  Output(Char* buffer, int64_t capacity) : buffer_(buffer), capacity_(buffer ? capacity : 0) {}

  void Put(Char c) {
    if (length_ + 1 < capacity_) buffer_[length_] = c;
    ++length_;
  }
  template <typename Source>
  void PutText(const Source* text, int64_t count) {
    for (int64_t i = 0; i < count; ++i) Put(static_cast<Char>(text[i]));
  }
  void Repeat(Char c, int64_t count) {
    for (int64_t i = 0; i < count; ++i) Put(c);
  }
  int64_t Finish() {
    if (capacity_ > 0) buffer_[std::min(length_, capacity_ - 1)] = 0;
    return length_;
  }

 private:
  Char* buffer_;
  int64_t capacity_;
  int64_t length_ = 0;
};

bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

template <typename Char>
bool IsAscii(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c) < 0x80;
}

// A decimal number from the format, or from the arguments for "*"; saturates instead of overflowing.
template <typename Char>
int ReadCount(const Char*& p, Arguments& args) {
  if (*p == '*') {
    ++p;
    return va_arg(args.list, int);
  }
  int value = 0;
  for (; IsDigit(*p); ++p) value = value > (INT32_MAX - 9) / 10 ? INT32_MAX : value * 10 + (*p - '0');
  return value;
}

template <typename Char>
void ReadFlags(const Char*& p, Directive& d) {
  for (;; ++p) {
    switch (*p) {
      case '-': d.left_aligned = true; break;
      case '+': d.plus_sign = true; break;
      case ' ': d.space_sign = true; break;
      case '#': d.alternate = true; break;
      case '0': d.zero_padded = true; break;
      default: return;
    }
  }
}

template <typename Char>
bool Follows(const Char* p, const char* text) {
  for (; *text; ++p, ++text) {
    if (*p != *text) return false;
  }
  return true;
}

template <typename Char>
void ReadSizePrefix(const Char*& p, Directive& d) {
  struct Prefix {
    const char* text;
    SizePrefix size;
  };
  static constexpr Prefix kPrefixes[] = {
      {"hh", SizePrefix::kChar},     {"h", SizePrefix::kShort},     {"ll", SizePrefix::kLongLong},
      {"l", SizePrefix::kLong},      {"L", SizePrefix::kLongDouble}, {"I64", SizePrefix::kLongLong},
      {"I32", SizePrefix::kInt32},   {"I", SizePrefix::kSize},      {"z", SizePrefix::kSize},
      {"j", SizePrefix::kIntMax},    {"t", SizePrefix::kPtrDiff},
  };
  if (*p == 'w') {
    d.wide_prefix = true;
    ++p;
    return;
  }
  for (const Prefix& prefix : kPrefixes) {
    if (Follows(p, prefix.text)) {
      d.size = prefix.size;
      p += std::strlen(prefix.text);
      return;
    }
  }
}

// Reads a directive after its "%". A negative width from "*" means left alignment; a negative
// precision from "*" means none.
template <typename Char>
Directive ReadDirective(const Char*& p, Arguments& args) {
  Directive d;
  ReadFlags(p, d);
  d.width = ReadCount(p, args);
  if (d.width < 0) {
    d.left_aligned = true;
    d.width = d.width == INT32_MIN ? INT32_MAX : -d.width;
  }
  if (*p == '.') {
    ++p;
    d.precision = ReadCount(p, args);
    if (d.precision < 0) d.precision = -1;
  }
  ReadSizePrefix(p, d);
  if (*p == 0) return d;
  d.conversion = IsAscii(*p) ? static_cast<char>(*p) : kNotAConversion;
  ++p;
  return d;
}

long long SignedArgument(SizePrefix size, Arguments& args) {
  switch (size) {
    case SizePrefix::kChar: return static_cast<signed char>(va_arg(args.list, int));
    case SizePrefix::kShort: return static_cast<short>(va_arg(args.list, int));
    case SizePrefix::kLong: return va_arg(args.list, long);
    case SizePrefix::kLongLong: return va_arg(args.list, long long);
    case SizePrefix::kSize:
    case SizePrefix::kPtrDiff: return va_arg(args.list, ptrdiff_t);
    case SizePrefix::kIntMax: return va_arg(args.list, intmax_t);
    default: return va_arg(args.list, int);
  }
}

unsigned long long UnsignedArgument(SizePrefix size, Arguments& args) {
  switch (size) {
    case SizePrefix::kChar: return static_cast<unsigned char>(va_arg(args.list, unsigned));
    case SizePrefix::kShort: return static_cast<unsigned short>(va_arg(args.list, unsigned));
    case SizePrefix::kLong: return va_arg(args.list, unsigned long);
    case SizePrefix::kLongLong: return va_arg(args.list, unsigned long long);
    case SizePrefix::kSize:
    case SizePrefix::kPtrDiff: return va_arg(args.list, size_t);
    case SizePrefix::kIntMax: return va_arg(args.list, uintmax_t);
    default: return va_arg(args.list, unsigned);
  }
}

// One number's text, padded to the width: with zeros after the sign or prefix when asked for and
// allowed, else with spaces.
template <typename Char>
void PutNumberText(Output<Char>& out, const Directive& d, const NumberText& text) {
  const int64_t length = text.Length();
  const int64_t padding = d.width > length ? d.width - length : 0;
  const bool zeros = d.zero_padded && !d.left_aligned && text.zero_padding_allowed;
  if (!d.left_aligned && !zeros) out.Repeat(static_cast<Char>(' '), padding);
  out.PutText(text.prefix, text.prefix_length);
  out.Repeat(static_cast<Char>('0'), text.leading_zeros + (zeros ? padding : 0));
  out.PutText(text.digits, text.digit_count);
  out.Repeat(static_cast<Char>('0'), text.trailing_zeros);
  out.PutText(text.exponent, text.exponent_length);
  if (d.left_aligned) out.Repeat(static_cast<Char>(' '), padding);
}

NumberStyle StyleOf(const Directive& d) { return {d.conversion, d.precision, d.alternate, d.plus_sign, d.space_sign}; }

template <typename Char>
void PutInteger(Output<Char>& out, const Directive& d, uint64_t magnitude, bool negative) {
  NumberText text;
  FormatInteger(magnitude, negative, StyleOf(d), text);
  PutNumberText(out, d, text);
}

template <typename Char>
void PutSigned(Output<Char>& out, const Directive& d, long long value) {
  const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  PutInteger(out, d, magnitude, value < 0);
}

// Text padded to the width: with zeros when asked for (as the Windows runtime does), else spaces.
template <typename Char, typename Source>
void PutPadded(Output<Char>& out, const Directive& d, const Source* text, int64_t count) {
  const int64_t padding = d.width > count ? d.width - count : 0;
  if (!d.left_aligned) out.Repeat(static_cast<Char>(d.zero_padded ? '0' : ' '), padding);
  out.PutText(text, count);
  if (d.left_aligned) out.Repeat(static_cast<Char>(' '), padding);
}

// Text of the other width goes through the ANSI code page.
String InFormatWidth(const char16_t* text, int limit, char) {
  return NarrowFromWide(String::FromWide(text, limit), code_page::kAnsi);
}
String InFormatWidth(const char* text, int limit, char16_t) {
  return WideFromNarrow(String::FromNarrow(text, limit), code_page::kAnsi);
}

// A precision limits the characters read, so that it can print part of an unterminated buffer.
template <typename Char, typename Source>
void PutText(Output<Char>& out, const Directive& d, const Source* text) {
  const int limit = d.precision < 0 ? String::kUpToTerminator : d.precision;
  if (text == nullptr) return PutPadded(out, d, "(null)", std::min(6, limit));
  if constexpr (std::is_same_v<Char, Source>) {
    int64_t count = 0;
    while (count < limit && text[count] != 0) ++count;
    PutPadded(out, d, text, count);
  } else {
    const String converted = InFormatWidth(text, limit, Char{});
    const int count = converted.Length() / static_cast<int>(sizeof(Char));
    PutPadded(out, d, reinterpret_cast<const Char*>(converted.Narrow()), std::min(count, limit));
  }
}

// Whether a "s" or "c" directive takes wide text: "h" means narrow, "l" and "w" wide; otherwise
// lower case takes the format's width and upper case the other one.
template <typename Char>
bool TakesWideText(const Directive& d) {
  if (d.size == SizePrefix::kShort) return false;
  if (d.size == SizePrefix::kLong || d.wide_prefix) return true;
  const bool format_width = d.conversion == 's' || d.conversion == 'c';
  return format_width == std::is_same_v<Char, char16_t>;
}

template <typename Char>
void PutCharacter(Output<Char>& out, const Directive& d, Arguments& args) {
  Directive single = d;
  single.precision = -1;
  if (TakesWideText<Char>(d)) {
    const char16_t text[2] = {static_cast<char16_t>(va_arg(args.list, int)), 0};
    PutText(out, single, text);
  } else {
    const char text[2] = {static_cast<char>(va_arg(args.list, int)), 0};
    PutText(out, single, text);
  }
}

template <typename Char>
void PutString(Output<Char>& out, const Directive& d, Arguments& args) {
  if (TakesWideText<Char>(d)) {
    PutText(out, d, va_arg(args.list, const char16_t*));
  } else {
    PutText(out, d, va_arg(args.list, const char*));
  }
}

// A long double is printed with a double's precision.
template <typename Char>
void PutFloatingPoint(Output<Char>& out, const Directive& d, Arguments& args) {
  const double value = d.size == SizePrefix::kLongDouble ? static_cast<double>(va_arg(args.list, long double))
                                                         : va_arg(args.list, double);
  NumberText text;
  FormatFloatingPoint(value, StyleOf(d), text);
  PutNumberText(out, d, text);
}

// An address is printed as upper-case hexadecimal digits of the pointer's full width.
template <typename Char>
void PutPointer(Output<Char>& out, const Directive& d, Arguments& args) {
  Directive digits = d;
  digits.precision = static_cast<int>(sizeof(void*) * 2);
  digits.alternate = false;
  digits.conversion = 'X';
  PutInteger(out, digits, reinterpret_cast<uintptr_t>(va_arg(args.list, void*)), false);
}

// Puts one directive's text; `start` and `end` delimit the directive in the format, for those
// printed as they stand.
template <typename Char>
void PutDirective(Output<Char>& out, const Directive& d, Arguments& args, const Char* start, const Char* end) {
  switch (d.conversion) {
    case 'd':
    case 'i': return PutSigned(out, d, SignedArgument(d.size, args));
    case 'u':
    case 'o':
    case 'x':
    case 'X': return PutInteger(out, d, UnsignedArgument(d.size, args), false);
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G': return PutFloatingPoint(out, d, args);
    case 'c':
    case 'C': return PutCharacter(out, d, args);
    case 's':
    case 'S': return PutString(out, d, args);
    case 'p': return PutPointer(out, d, args);
    case 'n': (void)va_arg(args.list, void*); return;  // storing through the argument is refused
    case '%': return out.Put('%');
    default: return out.PutText(start, end - start);
  }
}

template <typename Char>
int64_t Format(Char* buffer, int64_t capacity, const Char* format, va_list list) {
  Output<Char> out(buffer, capacity);
  Arguments args;
  va_copy(args.list, list);
  for (const Char* p = format; p != nullptr && *p != 0;) {
    if (*p != '%') {
      out.Put(*p++);
      continue;
    }
    const Char* start = p++;
    const Directive d = ReadDirective(p, args);
    if (d.conversion == 0) break;
    PutDirective(out, d, args, start, p);
  }
  va_end(args.list);
  return out.Finish();
}

// Formats into a new String sized exactly for the text: one pass measures, the second writes.
template <typename Char>
String FormatToString(const Char* format, va_list list) {
  va_list measure;
  va_copy(measure, list);
  const int64_t count = Format<Char>(nullptr, 0, format, measure);
  va_end(measure);
  String text;
  if (count <= 0) return text;
  const int64_t bytes = count * static_cast<int64_t>(sizeof(Char));
  if (bytes > INT32_MAX) ReportOutOfMemory(static_cast<size_t>(bytes));
  text.SetLength(static_cast<int>(bytes));
  Format(reinterpret_cast<Char*>(text.MutableNarrow()), count + 1, format, list);
  return text;
}

// Formatted apart and then appended, so that an argument may point into the string itself.
template <typename Char>
void AppendFormatted(String& s, const Char* format, va_list list) {
  String formatted = FormatToString(format, list);
  if (s.IsEmpty()) {
    s = std::move(formatted);
  } else {
    s.Append(formatted);
  }
}

}  // namespace

int64_t FormatIntoV(char* buffer, int64_t capacity, const char* format, va_list args) {
  return Format(buffer, capacity, format, args);
}

int64_t FormatIntoV(char16_t* buffer, int64_t capacity, const char16_t* format, va_list args) {
  return Format(buffer, capacity, format, args);
}

int64_t FormatInto(char* buffer, int64_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int64_t length = Format(buffer, capacity, format, args);
  va_end(args);
  return length;
}

String String::FormatWide(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  String text = FormatToString(format, args);
  va_end(args);
  return text;
}

String String::FormatNarrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  String text = FormatToString(format, args);
  va_end(args);
  return text;
}

void String::AppendFormatWide(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatted(*this, format, args);
  va_end(args);
}

void String::AppendFormatNarrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFormatted(*this, format, args);
  va_end(args);
}

void String::AppendFormatWideV(const char16_t* format, va_list args) { AppendFormatted(*this, format, args); }
void String::AppendFormatNarrowV(const char* format, va_list args) { AppendFormatted(*this, format, args); }

}  // namespace valdorine
