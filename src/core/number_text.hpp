// Numbers as printf's conversions print them, without the C library's formatted output: integers
// in any of its bases, and floating-point numbers ('e', 'f', 'g') from their exact decimal digits,
// rounded half to even. The host and Windows builds print the same digits, and the installer needs
// no copy of a floating-point conversion library.
#pragma once

#include <cstdint>

namespace valdorine {

struct NumberStyle {
  char conversion = 'd';  // d i u o x X, or e E f F g G
  int precision = -1;     // -1: the conversion's default
  bool alternate = false;  // '#'
  bool plus_sign = false;  // '+'
  bool space_sign = false; // ' '
};

// One number's text without padding, in the order it is printed: the sign or base prefix, zeros
// that a precision asks for before the digits, the digits (with any decimal point), zeros that a
// precision asks for after them, and an exponent. The zeros are counted rather than stored, so a
// large precision costs no memory.
struct NumberText {
  static constexpr int kMostDigits = 1400;  // a double's exact expansion with its point and carry

  char prefix[4] = {};
  int prefix_length = 0;
  int64_t leading_zeros = 0;
  char digits[kMostDigits] = {};
  int digit_count = 0;
  int64_t trailing_zeros = 0;
  char exponent[8] = {};
  int exponent_length = 0;
  bool zero_padding_allowed = true;  // not for infinity and NaN, nor for an integer with a precision

  int64_t Length() const { return prefix_length + leading_zeros + digit_count + trailing_zeros + exponent_length; }
};

void FormatInteger(uint64_t magnitude, bool negative, const NumberStyle& style, NumberText& text);
void FormatFloatingPoint(double value, const NumberStyle& style, NumberText& text);

}  // namespace valdorine
