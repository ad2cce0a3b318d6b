// The formatter's numbers against the C library's printf, which rounds correctly on both
// platforms' test builds: every digit, the rounding of exact ties, subnormal and huge values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/string_format.hpp"

namespace valdorine {
namespace {

std::string Ours(const char* format, double value) {
  std::vector<char> buffer(4096);
  const int64_t length = FormatInto(buffer.data(), static_cast<int64_t>(buffer.size()), format, value);
  EXPECT_LT(length, static_cast<int64_t>(buffer.size()));
  return std::string(buffer.data());
}

std::string Library(const char* format, double value) {
  std::vector<char> buffer(4096);
  std::snprintf(buffer.data(), buffer.size(), format, value);
  return std::string(buffer.data());
}

double FromBits(uint64_t bits) {
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

constexpr const char* kFormats[] = {
    "%f",    "%.0f",  "%.1f",  "%.2f",   "%.17f", "%.60f",  "%#.0f", "%+.3f",  "%e",     "%.0e",
    "%.3e",  "%.20e", "%#.0e", "% .2E",  "%g",    "%.1g",   "%.3g",  "%.17g",  "%#g",    "%G",
    "%.0g",  "%.2g",  "%.30g", "%12.4f", "%-12.4e|", "%012.3g", "%+015.2f", "%.400f", "%.800e",
};

void ExpectSameAsLibrary(double value) {
  for (const char* format : kFormats) {
    EXPECT_EQ(Ours(format, value), Library(format, value)) << format << " of " << Library("%.17g", value);
  }
}

TEST(NumberText, ValuesWithExactTiesAndCarries) {
  const double values[] = {0.0,   -0.0,  0.5,    1.5,    2.5,     0.125,   0.375,    2.675,  9.5,   99.5,
                           999.9996, 0.05, 0.00015, 1e-5,  123456.0, 1e15,   9.999999e22, 1e23, 1e-300, 5e-324,
                           2.2250738585072009e-308, 2.2250738585072014e-308, 1.7976931348623157e308, 4503599627370495.5,
                           9007199254740993.0, 0.1, 1.0 / 3, -2.5, -0.0001};
  for (const double value : values) ExpectSameAsLibrary(value);
}

TEST(NumberText, RandomBitPatterns) {
  std::mt19937_64 random(20261211);
  for (int i = 0; i < 400; ++i) {
    const double value = FromBits(random());
    if (std::isfinite(value)) ExpectSameAsLibrary(value);
  }
}

TEST(NumberText, RandomDecimalsOfFewDigits) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 400; ++i) {
    const double value = static_cast<double>(random() % 2000001) / std::pow(10.0, static_cast<double>(random() % 8));
    ExpectSameAsLibrary(i % 2 ? value : -value);
  }
}

// A rounding that carries into the next power of ten keeps the precision's zeros under "#" (glibc
// prints "1.e+03" here).
TEST(NumberText, AlternateGeneralFormKeepsItsZerosAfterACarry) {
  EXPECT_EQ(Ours("%#.3g", 999.9996), "1.00e+03");
  EXPECT_EQ(Ours("%#.3g", 0.99996), "1.00");
}

TEST(NumberText, InfinityAndNanArePaddedWithSpaces) {
  const double infinity = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Ours("[%08f]", infinity), "[     inf]");
  EXPECT_EQ(Ours("[%-+6E]", -infinity), "[-INF  ]");
  EXPECT_EQ(Ours("%g", std::numeric_limits<double>::quiet_NaN()), "nan");
}

TEST(NumberText, HugePrecisionsCostNoMemory) {
  std::vector<char> buffer(16);
  EXPECT_EQ(FormatInto(buffer.data(), 16, "%.100000000f", 0.5), 100000002);
  EXPECT_STREQ(buffer.data(), "0.5000000000000");
  EXPECT_EQ(FormatInto(nullptr, 0, "%#.2000000000g", 1.0), 2000000001);
  EXPECT_EQ(FormatInto(nullptr, 0, "%.2147483647g", 1.0), 1);
}

}  // namespace
}  // namespace valdorine
