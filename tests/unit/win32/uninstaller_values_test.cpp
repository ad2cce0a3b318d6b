#include <gtest/gtest.h>

#include "core/win32/file_system.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/win_text.hpp"
#include "operations/path_entry.hpp"
#include "paths/path_variables.hpp"
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

// The values as product registration stores them, read from a scratch key of the current user.
TEST(UninstallerValuesTest, StateFromTheProductsValues) {
  const String path = String::FormatWide(u"\\HKCU\\Software\\Valdorine Tests\\Uninstaller-%lu", GetCurrentProcessId());
  RegKey key;
  ASSERT_NE(key.OpenKey(path, reg_key::kDefaultSecurity, KEY_ALL_ACCESS), open_key_result::kFailed);
  ASSERT_TRUE(key.SetString(W(u"InstallLocation"), W(u"C:\\App\\")));
  ASSERT_TRUE(key.SetString(W(u"ProductFlags"), W(u"-9223372036854775804")));
  ASSERT_TRUE(key.SetQword(W(u"Session"), 0x0123456789ABCDEFull));
  ASSERT_TRUE(key.SetString(W(u"SupportOffer"), W(u" https://example.com/help ")));
  UninstallerState state;
  EXPECT_TRUE(ReadUninstallerState(key, W(u"KeyName"), state));
  EXPECT_EQ(state.product_name, W(u"KeyName"));  // no DisplayName: the name from the command line
  EXPECT_EQ(state.install_dir, W(u"C:\\App"));
  EXPECT_EQ(state.flags, 0x8000000000000004ull);
  EXPECT_EQ(state.session, 0x0123456789ABCDEFull);
  EXPECT_EQ(state.support_offer, W(u" https://example.com/help "));
  EXPECT_EQ(state.progress_page_style, 1u);  // an installation that stored no style had style 1
  ASSERT_TRUE(key.SetDword(W(u"ProgressPageStyle"), 0));
  ASSERT_TRUE(key.SetDword(W(u"HeaderTextColor"), 0x123456));
  ASSERT_TRUE(key.SetDword(W(u"PictureBorder"), 2));
  ASSERT_TRUE(ReadUninstallerState(key, W(u"KeyName"), state));
  EXPECT_EQ(state.progress_page_style, 0u);
  EXPECT_EQ(state.header_text_colour, 0x123456u);
  EXPECT_EQ(state.picture_border, 2);
  ASSERT_TRUE(key.SetString(W(u"InstallLocation"), W(u"  ")));
  EXPECT_FALSE(ReadUninstallerState(key, W(u"KeyName"), state));  // blank location: corrupt
  RegDeleteTreeW(HKEY_CURRENT_USER, WinText(path.Substring(6)));
}

// A font as the file loop leaves it: the file in the fonts folder and its value in the system's
// font list. Both go; a font the user keeps (the question answered "no") is not the case here.
TEST(UninstallerValuesTest, FontsLoseTheirFileAndTheirRegistration) {
  const String fonts_folder = PathVariableValue(PathVariable::kFontDir, RunPathVariables());
  const String file = JoinPath(fonts_folder, W(u"valdorine-test-font.ttf"));
  ASSERT_TRUE(testing::WriteBytes(file, "not really a font"));
  const String fonts_key = W(u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
  RegKey key;
  ASSERT_NE(key.OpenKey(HKEY_LOCAL_MACHINE, fonts_key, reg_key::kDefaultSecurity, reg_access::kAll), open_key_result::kFailed);
  ASSERT_TRUE(key.SetString(W(u"Valdorine Test (TrueType)"), W(u"valdorine-test-font.ttf")));

  RemoveFonts(ParseProductFonts(String::FromNarrow("\"Valdorine Test (TrueType)\" \"valdorine-test-font.ttf\" ")),
              false);
  EXPECT_FALSE(FileExists(file));
  String value;
  EXPECT_FALSE(key.ReadString(W(u"Valdorine Test (TrueType)"), value));
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
