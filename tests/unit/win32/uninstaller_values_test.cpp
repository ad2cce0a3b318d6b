#include <gtest/gtest.h>

#include "operations/path_entry.hpp"
#include "scratch_folder.hpp"
#include "uninstall/font_removal.hpp"
#include "uninstall/uninstaller_state.hpp"

namespace valdorine {
namespace {

using testing::W;

TEST(UninstallerValuesTest, PathLosesEveryEntryNamingTheFolder) {
  struct Case {
    const char16_t* path;
    const char16_t* result;
  };
  const Case cases[] = {
      {u"C:\\Windows;C:\\App\\bin", u"C:\\Windows"},
      {u"c:\\app\\BIN\\;C:\\Windows;C:\\App\\bin", u"C:\\Windows"},
      {u"C:\\Windows;;C:\\App\\binx", u"C:\\Windows;C:\\App\\binx"},
      {u"C:\\App\\bin", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(PathWithoutEntry(W(c.path), W(u"C:\\App\\bin")), W(c.result));
}

TEST(UninstallerValuesTest, OptionWordsReadAsStored) {
  EXPECT_EQ(ParseOptionWord(W(u"1536")), 1536u);
  EXPECT_EQ(ParseOptionWord(W(u"-1")), ~uint64_t{0});  // all 64 bits, as a signed decimal
  EXPECT_EQ(ParseOptionWord(W(u"35184372088832")), uint64_t{1} << 45);
  EXPECT_EQ(ParseOptionWord(W(u"junk")), 0u);
}

TEST(UninstallerValuesTest, FontPairsFromTheStoredValue) {
  const Array<InstalledFont> fonts =
      ParseProductFonts(String::FromNarrow("\"Caf\xC3\xA9 Sans\" \"cafe.ttf\"\"Mono\" \"mono.ttf\" \"Unpaired\""));
  ASSERT_EQ(fonts.Count(), 2);
  EXPECT_EQ(fonts[0].name, W(u"Caf\u00e9 Sans"));
  EXPECT_EQ(fonts[0].file_name, W(u"cafe.ttf"));
  EXPECT_EQ(fonts[1].name, W(u"Mono"));
  EXPECT_EQ(fonts[1].file_name, W(u"mono.ttf"));
}

}  // namespace
}  // namespace valdorine
