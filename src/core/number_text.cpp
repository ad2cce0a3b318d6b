#include "core/number_text.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace valdorine {
namespace {

// An unsigned integer in base-10^9 limbs, least significant first, large enough for a double's
// mantissa times 5^1074 (the fraction of the smallest subnormal number, 767 digits) or times 2^971.
class DecimalInteger {
 public:
  explicit DecimalInteger(uint64_t value) {
    for (; value != 0; value /= kBase) limbs_[count_++] = static_cast<uint32_t>(value % kBase);
  }

  void MultiplyByPower(uint32_t base, int exponent) {
    while (exponent > 0) {
      uint32_t factor = 1;
      for (; exponent > 0 && factor <= UINT32_MAX / base; --exponent) factor *= base;
      Multiply(factor);
    }
  }

  // Writes the decimal digits, most significant first and without leading zeros; returns their count.
  int WriteDigits(char* out) const {
    int written = 0;
    for (uint32_t top = limbs_[count_ - 1]; top != 0; top /= 10) out[written++] = static_cast<char>('0' + top % 10);
    std::reverse(out, out + written);
    for (int i = count_ - 2; i >= 0; --i) {
      uint32_t limb = limbs_[i];
      for (int digit = kDigitsPerLimb - 1; digit >= 0; --digit, limb /= 10) {
        out[written + digit] = static_cast<char>('0' + limb % 10);
      }
      written += kDigitsPerLimb;
    }
    return written;
  }

 private:
  static constexpr uint32_t kBase = 1000000000;
  static constexpr int kDigitsPerLimb = 9;
  static constexpr int kMostLimbs = 90;

  void Multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (int i = 0; i < count_; ++i) {
      const uint64_t product = uint64_t{limbs_[i]} * factor + carry;
      limbs_[i] = static_cast<uint32_t>(product % kBase);
      carry = product / kBase;
    }
    for (; carry != 0; carry /= kBase) limbs_[count_++] = static_cast<uint32_t>(carry % kBase);
  }

  uint32_t limbs_[kMostLimbs] = {};
  int count_ = 0;
};

// A finite, non-negative double as significant digits d1 d2 ... dn and a decimal exponent: the
// value is 0.d1d2...dn times 10^point. Every binary fraction ends in decimal, so the digits are
// exact. Zero has no digits.
struct Decimal {
  static constexpr int kMostDigits = 800;

  explicit Decimal(double magnitude) {
    uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int biased_exponent = static_cast<int>(bits >> 52) & 0x7FF;
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    int exponent = -1074;
    if (biased_exponent != 0) {
      mantissa |= uint64_t{1} << 52;
      exponent = biased_exponent - 1075;
    }
    if (mantissa == 0) return;
    for (; (mantissa & 1) == 0; mantissa >>= 1) ++exponent;
    // m * 2^e for e < 0 is m * 5^-e / 10^-e: the digits of m * 5^-e with -e of them after the point.
    DecimalInteger value(mantissa);
    value.MultiplyByPower(exponent >= 0 ? 2 : 5, exponent >= 0 ? exponent : -exponent);
    count = value.WriteDigits(digits);
    point = count - std::max(0, -exponent);
    TrimZeros();
  }

  char DigitAt(int index) const { return index >= 0 && index < count ? digits[index] : '0'; }

  // Keeps the first `kept` significant digits, rounding half to even. A carry out of the first
  // digit makes the value a power of ten.
  void RoundTo(int kept) {
    if (kept >= count) return;
    if (kept < 0) return MakeZero();
    const char next = digits[kept];
    const bool odd_before = kept > 0 && (digits[kept - 1] - '0') % 2 == 1;
    const bool up = next > '5' || (next == '5' && (count > kept + 1 || odd_before));
    count = kept;
    if (!up) return TrimZeros();
    while (count > 0 && digits[count - 1] == '9') --count;
    if (count == 0) {
      digits[count++] = '1';
      ++point;
    } else {
      ++digits[count - 1];
    }
  }

  int count = 0;
  int point = 1;
  char digits[kMostDigits] = {};

 private:
  void MakeZero() {
    count = 0;
    point = 1;
  }
  void TrimZeros() {
    while (count > 0 && digits[count - 1] == '0') --count;
    if (count == 0) MakeZero();
  }
};

class DigitWriter {
 public:
  explicit DigitWriter(NumberText& text) : text_(text) {}
  void Put(char c) { text_.digits[text_.digit_count++] = c; }
  void PutDigits(const Decimal& decimal, int from, int count) {
    for (int i = 0; i < count; ++i) Put(decimal.DigitAt(from + i));
  }

 private:
  NumberText& text_;
};

// The "f" form: every integer digit, then `precision` fraction digits.
void PutFixed(Decimal& decimal, int64_t precision, bool alternate, NumberText& text) {
  if (precision < decimal.count - decimal.point) decimal.RoundTo(decimal.point + static_cast<int>(precision));
  DigitWriter out(text);
  if (decimal.point <= 0) {
    out.Put('0');
  } else {
    out.PutDigits(decimal, 0, decimal.point);
  }
  if (precision > 0 || alternate) out.Put('.');
  const int stored = static_cast<int>(std::min<int64_t>(precision, std::max(0, decimal.count - decimal.point)));
  out.PutDigits(decimal, decimal.point, stored);
  text.trailing_zeros = precision - stored;
}

// The "e" form: one digit, `precision` more after the point, and the exponent of ten with at
// least two digits.
void PutWithExponent(Decimal& decimal, int64_t precision, bool alternate, bool upper_case, NumberText& text) {
  if (precision < decimal.count) decimal.RoundTo(static_cast<int>(precision) + 1);
  DigitWriter out(text);
  out.Put(decimal.DigitAt(0));
  if (precision > 0 || alternate) out.Put('.');
  const int stored = static_cast<int>(std::min<int64_t>(precision, std::max(0, decimal.count - 1)));
  out.PutDigits(decimal, 1, stored);
  text.trailing_zeros = precision - stored;

  int exponent = decimal.count == 0 ? 0 : decimal.point - 1;
  char* e = text.exponent;
  *e++ = upper_case ? 'E' : 'e';
  *e++ = exponent < 0 ? '-' : '+';
  exponent = std::abs(exponent);
  if (exponent >= 100) *e++ = static_cast<char>('0' + exponent / 100);
  *e++ = static_cast<char>('0' + exponent / 10 % 10);
  *e++ = static_cast<char>('0' + exponent % 10);
  text.exponent_length = static_cast<int>(e - text.exponent);
}

// The "g" form: `precision` significant digits in the "f" form when the exponent is from -4 to
// below the precision, else in the "e" form; without "#", zeros at the end of the fraction go.
void PutGeneral(Decimal& decimal, int precision, bool alternate, bool upper_case, NumberText& text) {
  const int significant = precision < 0 ? 6 : std::max(precision, 1);
  decimal.RoundTo(significant);
  const int exponent = decimal.count == 0 ? 0 : decimal.point - 1;
  if (exponent < significant && exponent >= -4) {
    PutFixed(decimal, int64_t{significant} - 1 - exponent, alternate, text);
  } else {
    PutWithExponent(decimal, int64_t{significant} - 1, alternate, upper_case, text);
  }
  if (alternate || std::memchr(text.digits, '.', text.digit_count) == nullptr) return;
  text.trailing_zeros = 0;
  while (text.digits[text.digit_count - 1] == '0') --text.digit_count;
  if (text.digits[text.digit_count - 1] == '.') --text.digit_count;
}

void PutSign(bool negative, const NumberStyle& style, NumberText& text) {
  if (negative) {
    text.prefix[text.prefix_length++] = '-';
  } else if (style.plus_sign) {
    text.prefix[text.prefix_length++] = '+';
  } else if (style.space_sign) {
    text.prefix[text.prefix_length++] = ' ';
  }
}

bool IsUpperCase(char conversion) { return conversion >= 'A' && conversion <= 'Z'; }

}  // namespace

void FormatInteger(uint64_t magnitude, bool negative, const NumberStyle& style, NumberText& text) {
  const char conversion = style.conversion;
  const unsigned base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X' ? 16 : 10);
  const char* const symbols = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  if (conversion == 'd' || conversion == 'i') PutSign(negative, style, text);
  if (style.alternate && base == 16 && magnitude != 0) {
    text.prefix[text.prefix_length++] = '0';
    text.prefix[text.prefix_length++] = conversion;
  }
  // A precision of zero prints no digits for zero.
  if (magnitude != 0 || style.precision != 0) {
    do {
      text.digits[text.digit_count++] = symbols[magnitude % base];
      magnitude /= base;
    } while (magnitude != 0);
    std::reverse(text.digits, text.digits + text.digit_count);
  }
  text.leading_zeros = std::max(0, style.precision - text.digit_count);
  // "#" makes an octal number start with 0.
  const bool starts_with_zero = text.leading_zeros > 0 || (text.digit_count > 0 && text.digits[0] == '0');
  if (style.alternate && base == 8 && !starts_with_zero) text.leading_zeros = 1;
  text.zero_padding_allowed = style.precision < 0;
}

void FormatFloatingPoint(double value, const NumberStyle& style, NumberText& text) {
  const bool upper_case = IsUpperCase(style.conversion);
  PutSign(std::signbit(value), style, text);
  if (!std::isfinite(value)) {
    const char* word = std::isnan(value) ? (upper_case ? "NAN" : "nan") : (upper_case ? "INF" : "inf");
    std::memcpy(text.digits, word, 3);
    text.digit_count = 3;
    text.zero_padding_allowed = false;
    return;
  }
  Decimal decimal(std::fabs(value));
  const int precision = style.precision < 0 ? 6 : style.precision;
  switch (style.conversion) {
    case 'e':
    case 'E': return PutWithExponent(decimal, precision, style.alternate, upper_case, text);
    case 'g':
    case 'G': return PutGeneral(decimal, style.precision, style.alternate, upper_case, text);
    default: return PutFixed(decimal, precision, style.alternate, text);
  }
}

}  // namespace valdorine
