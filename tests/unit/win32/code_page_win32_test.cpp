// Conversions that only the Windows text services provide: any code page, best-fit mappings,
// composite characters and the retry for code pages that refuse conversion flags.
#include <windows.h>

#include <gtest/gtest.h>

#include "../string_test_support.hpp"
#include "core/string.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::WideOf;

TEST(CodePageWin32, ConvertsAnyCodePageTheSystemKnows) {
  const String japanese = NarrowFromWide(String::FromWide(u"\u3042\u30A2"), 932);
  EXPECT_EQ(NarrowOf(japanese), "\x82\xA0\x83\x41");
  EXPECT_EQ(WideOf(WideFromNarrow(japanese, 932)), u"\u3042\u30A2");
  EXPECT_EQ(NarrowOf(NarrowFromWide(String::FromWide(u"\u0416"), 1251)), "\xC6");
}

TEST(CodePageWin32, BestFitMappingsUnlessForbidden) {
  const String text = String::FromWide(u"\u0100");
  EXPECT_EQ(NarrowOf(NarrowFromWide(text, code_page::kWindows1252)), "A");
  EXPECT_EQ(NarrowOf(NarrowFromWide(text, code_page::kWindows1252, '?', true)), "?");
}

TEST(CodePageWin32, CompositeCharactersBecomePrecomposed) {
  EXPECT_EQ(NarrowOf(NarrowFromWide(String::FromWide(u"e\u0301"), code_page::kWindows1252)), "\xE9");
}

TEST(CodePageWin32, CodePagesThatRefuseFlagsAreConvertedWithout) {
  // The symbol code page accepts neither conversion flags nor a default character.
  ASSERT_EQ(WideCharToMultiByte(CP_SYMBOL, WC_COMPOSITECHECK, L"\xF041", 1, nullptr, 0, nullptr, nullptr), 0);
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
  EXPECT_EQ(NarrowOf(NarrowFromWide(String::FromWide(u"\xF041\xF042"), CP_SYMBOL)), "AB");
  EXPECT_EQ(WideOf(WideFromNarrow(String::FromNarrow("AB"), CP_SYMBOL)), u"\xF041\xF042");
}

TEST(CodePageWin32, AnsiIsTheSystemsAnsiCodePage) {
  const String text = String::FromWide(u"\u00E9\u20AC\u0416");
  EXPECT_EQ(NarrowFromWide(text, code_page::kAnsi), NarrowFromWide(text, static_cast<int>(GetACP())));
}

}  // namespace
}  // namespace valdorine
