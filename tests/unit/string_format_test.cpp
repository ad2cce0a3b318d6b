#include "core/string_format.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "core/string.hpp"
#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::WideOf;

std::string Narrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  text.AppendFormatNarrowV(format, args);
  va_end(args);
  return NarrowOf(text);
}

std::u16string Wide(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  String text;
  text.AppendFormatWideV(format, args);
  va_end(args);
  return WideOf(text);
}

TEST(StringFormat, Integers) {
  EXPECT_EQ(Narrow("%d|%i|%u", -5, 7, 4294967295u), "-5|7|4294967295");
  EXPECT_EQ(Narrow("[%5d|%-5d|%05d|%+d|% d]", 42, 42, 42, 42, 42), "[   42|42   |00042|+42| 42]");
  EXPECT_EQ(Narrow("%x|%X|%#x|%o|%.3d|%08.3d", 255, 255, 255, 8, 7, 7), "ff|FF|0xff|10|007|     007");
  EXPECT_EQ(Narrow("%x", -1), "ffffffff");
}

TEST(StringFormat, WidthAndPrecisionFromArguments) {
  EXPECT_EQ(Narrow("[%*d|%-*d|%*d]", 5, 42, 5, 42, -5, 42), "[   42|42   |42   ]");
  EXPECT_EQ(Narrow("[%.*s|%.*d]", 3, "abcdef", -1, 42), "[abc|42]");
}

TEST(StringFormat, SizePrefixes) {
  EXPECT_EQ(Narrow("%hd|%hhd|%hu|%hx", 65537, 257, 65537, 0x12345), "1|1|1|2345");
  EXPECT_EQ(Narrow("%I64d|%lld|%I64u|%I64X", INT64_MIN, -2LL, UINT64_MAX, 0x123456789ABCDEFULL),
            "-9223372036854775808|-2|18446744073709551615|123456789ABCDEF");
  EXPECT_EQ(Narrow("%I32d|%I32x", -3, 0xABCu), "-3|abc");
  EXPECT_EQ(Narrow("%zu|%Iu|%zd|%zX", size_t{123456}, size_t{7}, ptrdiff_t{-9}, size_t{0xBEEF}), "123456|7|-9|BEEF");
  EXPECT_EQ(Narrow("%jd|%td|%ld|%lu", intmax_t{-1}, ptrdiff_t{2}, -3L, 4UL), "-1|2|-3|4");
}

TEST(StringFormat, FloatingPoint) {
  EXPECT_EQ(Narrow("%.2f|%e|%g|%G", 3.14159, 1.5, 0.0001, 1e20), "3.14|1.500000e+00|0.0001|1E+20");
  EXPECT_EQ(Narrow("[%10.3f|%-8.1f|%+.0f]", 2.5, 2.75, 2.0), "[     2.500|2.8     |+2]");
  EXPECT_EQ(Narrow("%.1Lf", 1.75L), "1.8");
}

TEST(StringFormat, CharactersAndTextOfTheFormatsWidth) {
  EXPECT_EQ(Narrow("[%c|%3c|%-3c]", 'x', 'y', 'z'), "[x|  y|z  ]");
  EXPECT_EQ(Narrow("[%s|%5s|%-5s|%05s|%.2s]", "ab", "ab", "ab", "ab", "abc"), "[ab|   ab|ab   |000ab|ab]");
  EXPECT_EQ(Wide(u"[%s|%c|%4s]", u"\u3042", u'\u20AC', u"ab"), u"[\u3042|\u20AC|  ab]");
}

TEST(StringFormat, TextOfTheOtherWidthGoesThroughTheAnsiCodePage) {
  const String ansi = NarrowFromWide(String::FromWide(u"Gr\u00F6\u00DFe"), code_page::kAnsi);
  EXPECT_EQ(Narrow("%S|%ls|%ws", u"Gr\u00F6\u00DFe", u"Gr\u00F6\u00DFe", u"Gr\u00F6\u00DFe"),
            NarrowOf(ansi) + "|" + NarrowOf(ansi) + "|" + NarrowOf(ansi));
  EXPECT_EQ(Wide(u"%S|%hs", ansi.Narrow(), ansi.Narrow()), u"Gr\u00F6\u00DFe|Gr\u00F6\u00DFe");
  EXPECT_EQ(Narrow("%hs|%C|%lc", "narrow", u'W', u'w'), "narrow|W|w");
  EXPECT_EQ(Wide(u"%C|%hc|%lc", 'n', 'h', u'l'), u"n|h|l");
}

TEST(StringFormat, NullTextPrintsNull) {
  EXPECT_EQ(Narrow("%s|%S", static_cast<const char*>(nullptr), static_cast<const char16_t*>(nullptr)),
            "(null)|(null)");
  EXPECT_EQ(Wide(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)");
}

TEST(StringFormat, PrecisionReadsNoFurtherThanItAllows) {
  const char unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(Narrow("%.3s", unterminated), "abc");
  const char16_t wide_unterminated[2] = {u'x', u'y'};
  EXPECT_EQ(Narrow("%.2S", wide_unterminated), "xy");
}

TEST(StringFormat, PointersPrintAllTheirHexadecimalDigits) {
  const std::string zeros(sizeof(void*) * 2 - 4, '0');
  EXPECT_EQ(Narrow("%p", reinterpret_cast<void*>(uintptr_t{0xBEEF})), zeros + "BEEF");
  EXPECT_EQ(Wide(u"%p", reinterpret_cast<void*>(uintptr_t{0xBEEF})).size(), sizeof(void*) * 2);
}

TEST(StringFormat, PercentSignsAndUnknownDirectives) {
  EXPECT_EQ(Narrow("100%% sure"), "100% sure");
  EXPECT_EQ(Narrow("%y|%5k"), "%y|%5k");
  EXPECT_EQ(Narrow("cut at 100%"), "cut at 100");
  EXPECT_EQ(Wide(u"%\u0173|%d", 5), u"%\u0173|5");
}

TEST(StringFormat, StoringThroughPercentNIsRefused) {
  int stored = -1;
  EXPECT_EQ(Narrow("ab%ncd%d", &stored, 5), "abcd5");
  EXPECT_EQ(stored, -1);
}

TEST(StringFormat, ResultsLongerThanAnyWorkingBufferAreComplete) {
  const std::string long_text(20000, 'x');
  EXPECT_EQ(Narrow("<%s>", long_text.c_str()), "<" + long_text + ">");
  const std::string padded = Narrow("%20000d", 7);
  EXPECT_EQ(padded.size(), 20000u);
  EXPECT_EQ(padded.back(), '7');
  EXPECT_EQ(Narrow("%.300f", 1.0).size(), 302u);
}

TEST(StringFormat, FormatsIntoNewOrExistingStrings) {
  String s = String::FormatNarrow("%s-%d", "a", 1);
  EXPECT_EQ(NarrowOf(s), "a-1");
  s.AppendFormatNarrow("+%s", s.Narrow());
  EXPECT_EQ(NarrowOf(s), "a-1+a-1");
  String wide = String::FormatWide(u"%s %d", u"x", 2);
  wide.AppendFormatWide(u"!");
  EXPECT_EQ(WideOf(wide), u"x 2!");
  const String empty = String::FormatNarrow("%s", "");
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.Capacity(), 0);
}

TEST(StringFormat, IntoAFixedBufferCutsAndReportsTheFullLength) {
  char buffer[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(FormatInto(buffer, sizeof buffer, "%s", "abcdef"), 6);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(FormatInto(nullptr, 0, "%d", 12345), 5);
}

}  // namespace
}  // namespace valdorine
