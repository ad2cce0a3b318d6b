// Behaviour of the host's own conversions where the Windows services are not the reference: the
// reading of ill-formed UTF-8 follows the Unicode recommendation (one replacement character for
// each longest valid beginning of a sequence), and there are no best-fit mappings.
#include <gtest/gtest.h>

#include <string>

#include "../string_test_support.hpp"
#include "core/string.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::WideOf;

TEST(CodePageHost, IllFormedUtf8GivesOneReplacementPerLongestValidBeginning) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"overlong three-byte form", "\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"lead byte before a letter at the end", "\xE2" "A", u"\uFFFDA"},
      {"five-byte form", "\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"largest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
  };
  for (const Case& c : cases) {
    const String narrow = String::FromBytes(c.bytes.data(), static_cast<int>(c.bytes.size()));
    EXPECT_EQ(WideOf(WideFromNarrow(narrow, code_page::kUtf8)), c.expected) << c.name;
  }
}

TEST(CodePageHost, CharactersWithoutExactMappingAlwaysGetTheDefault) {
  EXPECT_EQ(NarrowOf(NarrowFromWide(String::FromWide(u"\u0100"), code_page::kWindows1252)), "?");
}

TEST(CodePageHost, CodePagesBeyondWindows1252AndUtf8AreUnknown) {
  EXPECT_TRUE(NarrowFromWide(String::FromWide(u"text"), code_page::kUtf7).IsEmpty());
  EXPECT_TRUE(WideFromNarrow(String::FromNarrow("text"), 932).IsEmpty());
}

}  // namespace
}  // namespace valdorine
