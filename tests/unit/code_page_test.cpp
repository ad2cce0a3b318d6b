// Conversions and case-insensitive comparison. The same expectations hold for the host's own
// implementation and, under Windows, for the system's services.
#include <gtest/gtest.h>

#include "core/code_page_system.hpp"
#include "core/string.hpp"
#include "string_test_support.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::WideOf;

String Wide(const std::u16string& text) { return String::FromBytes(text.data(), static_cast<int>(text.size() * 2)); }
String Narrow(const std::string& text) { return String::FromBytes(text.data(), static_cast<int>(text.size())); }

TEST(CodePage, Utf16IsCopiedAndBigEndianSwapped) {
  const String wide = Wide(u"A\u20AC");
  EXPECT_EQ(NarrowOf(NarrowFromWide(wide, code_page::kUtf16)), std::string("A\0\xAC\x20", 4));
  EXPECT_EQ(NarrowOf(NarrowFromWide(wide, code_page::kUtf16BigEndian)), std::string("\0A\x20\xAC", 4));
  EXPECT_EQ(WideOf(WideFromNarrow(Narrow(std::string("\0A\x20\xAC", 4)), code_page::kUtf16BigEndian)), u"A\u20AC");
  EXPECT_EQ(WideOf(WideFromNarrow(Narrow(std::string("A\0B", 3)), code_page::kUtf16)), u"A");  // odd byte dropped
}

TEST(CodePage, Utf8RoundTripsEveryPlane) {
  const std::u16string text = u"Caf\u00E9 \u20AC \u3042 \U0001F600";
  const String utf8 = NarrowFromWide(Wide(text), code_page::kUtf8);
  EXPECT_EQ(NarrowOf(utf8), "Caf\xC3\xA9 \xE2\x82\xAC \xE3\x81\x82 \xF0\x9F\x98\x80");
  EXPECT_EQ(WideOf(WideFromNarrow(utf8, code_page::kUtf8)), text);
}

TEST(CodePage, IllFormedUtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"lone continuation byte", "\x80" "A", u"\uFFFDA"},
      {"never-valid bytes", "\xFF\xFE", u"\uFFFD\uFFFD"},
      {"overlong two-byte form", "\xC0\x80", u"\uFFFD\uFFFD"},
      {"sequence cut by a letter", "\xE2\x82" "A", u"\uFFFDA"},
      {"sequence cut by the end", "x\xE2\x82", u"x\uFFFD"},
      {"four-byte sequence cut by the end", "\xF0\x9F\x98", u"\uFFFD"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideOf(WideFromNarrow(Narrow(c.bytes), code_page::kUtf8)), c.expected) << c.name;
  }
}

TEST(CodePage, UnpairedSurrogatesBecomeReplacementCharactersInUtf8) {
  const std::u16string text = {0xD800, u'A', 0xDC00};
  EXPECT_EQ(NarrowOf(NarrowFromWide(Wide(text), code_page::kUtf8)), "\xEF\xBF\xBD" "A\xEF\xBF\xBD");
}

TEST(CodePage, Windows1252MapsEveryByte) {
  const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                             0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                             0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string all_bytes;
  std::u16string expected;
  for (int byte = 1; byte < 256; ++byte) {
    all_bytes += static_cast<char>(byte);
    expected += byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : static_cast<char16_t>(byte);
  }
  const String wide = WideFromNarrow(Narrow(all_bytes), code_page::kWindows1252);
  EXPECT_EQ(WideOf(wide), expected);
  EXPECT_EQ(NarrowOf(NarrowFromWide(wide, code_page::kWindows1252)), all_bytes);
}

TEST(CodePage, UnmappableCharactersBecomeTheDefaultCharacter) {
  const String text = Wide(u"a\u3042\u0100b");
  EXPECT_EQ(NarrowOf(NarrowFromWide(text, code_page::kWindows1252, '?', true)), "a??b");
  EXPECT_EQ(NarrowOf(NarrowFromWide(text, code_page::kWindows1252, '_', true)), "a__b");
}

TEST(CodePage, AnsiMeansTheSystemCodePage) {
  const String text = Wide(u"Gr\u00F6\u00DFe \u20AC");
  EXPECT_EQ(NarrowFromWide(text, code_page::kAnsi),
            NarrowFromWide(text, code_page_system::AnsiCodePage()));
  const String narrow = Narrow("Gr\xF6\xDF" "e");
  EXPECT_EQ(WideFromNarrow(narrow, code_page::kAnsi), WideFromNarrow(narrow, code_page_system::AnsiCodePage()));
}

TEST(CodePage, EmptyTextOrAnUnknownCodePageGiveAnEmptyResult) {
  EXPECT_TRUE(NarrowFromWide(String(), code_page::kUtf8).IsEmpty());
  EXPECT_TRUE(WideFromNarrow(String(), code_page::kWindows1252).IsEmpty());
  EXPECT_TRUE(NarrowFromWide(Wide(u"text"), 12345).IsEmpty());
  EXPECT_TRUE(WideFromNarrow(Narrow("text"), 12345).IsEmpty());
}

TEST(CaseInsensitiveEquality, IgnoresCaseAcrossScripts) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool equal;
  };
  const Case cases[] = {
      {u"Ab", u"aB", true},
      {nullptr, u"", true},
      {u"", nullptr, true},
      {nullptr, nullptr, true},
      {nullptr, u"a", false},
      {u"abc", u"abd", false},
      {u"abc", u"ab", false},
      {u"\u00C9T\u00C9", u"\u00E9t\u00E9", true},
      {u"\u0100\u017D", u"\u0101\u017E", true},
      {u"\u0416\u0401", u"\u0436\u0451", true},
      {u"\u03A3", u"\u03C3", true},
      {u"a-b", u"ab", false},
      {u"a", u"\u00E1", false},
  };
  for (const Case& c : cases) {
    const std::u16string a = c.a ? c.a : u"(null)";
    const std::u16string b = c.b ? c.b : u"(null)";
    EXPECT_EQ(EqualsIgnoreCase(c.a, c.b), c.equal) << ::testing::PrintToString(a) << " " << ::testing::PrintToString(b);
    if (c.a && c.b) {
      EXPECT_EQ(EqualsIgnoreCase(String::FromWide(c.a), String::FromWide(c.b)), c.equal);
    }
  }
}

TEST(CaseInsensitiveEquality, NarrowTextIsReadInTheAnsiCodePage) {
  EXPECT_TRUE(EqualsIgnoreCaseNarrow("Setup.EXE", "setup.exe"));
  EXPECT_TRUE(EqualsIgnoreCaseNarrow("\xC9t\xC9", "\xE9t\xE9"));
  EXPECT_TRUE(EqualsIgnoreCaseNarrow(nullptr, ""));
  EXPECT_FALSE(EqualsIgnoreCaseNarrow("a", "b"));
  EXPECT_FALSE(EqualsIgnoreCaseNarrow(nullptr, "a"));
}

}  // namespace
}  // namespace valdorine
