// The built-in translations and the names of the language strings: every table is complete and
// keeps what the installer fills in, and names and numbers map both ways.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "built_in_languages.hpp"
#include "english_strings.hpp"
#include "string_names.hpp"
#include "string_table.hpp"
#include "text_codec.hpp"

namespace valdorine::builder {
namespace {

size_t Occurrences(std::string_view text, std::string_view marker) {
  size_t count = 0;
  for (size_t at = text.find(marker); at != std::string_view::npos; at = text.find(marker, at + 1)) ++count;
  return count;
}

const Translation* Find(std::span<const Translation> texts, int number) {
  for (const Translation& translation : texts) {
    if (translation.number == number) return &translation;
  }
  return nullptr;
}

TEST(BuiltInLanguages, EveryTableTranslatesEveryEnglishStringKeepingWhatTheInstallerFillsIn) {
  for (const BuiltInLanguage& language : BuiltInLanguages()) {
    SCOPED_TRACE(language.name);
    EXPECT_EQ(language.texts.size(), EnglishStrings().size());
    for (const BuiltInString& english : EnglishStrings()) {
      const Translation* translation = Find(language.texts, english.number);
      ASSERT_NE(translation, nullptr) << "string " << english.number << " is missing";
      const std::string_view text = translation->text;
      EXPECT_FALSE(text.empty()) << english.number;
      EXPECT_EQ(FormatConversions(text), english.conversions) << english.number << ": " << text;
      for (const char* marker : {"<product>", "<file>", "<a>", "</a>"}) {
        EXPECT_EQ(Occurrences(text, marker), Occurrences(english.text, marker)) << english.number << " " << marker;
      }
      EXPECT_EQ(Utf8FromWide(WideFromUtf8(text)), text) << english.number << " is not well-formed UTF-8";
    }
  }
}

TEST(BuiltInLanguages, NamesAreDistinctAndFoundByTheirExactName) {
  std::set<std::string> native_names{"English"};
  for (const BuiltInLanguage& language : BuiltInLanguages()) {
    EXPECT_EQ(FindBuiltInLanguage(language.name), &language);
    EXPECT_TRUE(native_names.insert(language.native_name).second) << language.native_name;
  }
  EXPECT_EQ(FindBuiltInLanguage("german"), nullptr);
  EXPECT_EQ(FindBuiltInLanguage("English"), nullptr);
}

TEST(StringNames, EveryEnglishStringHasANameThatMapsBackToItsNumber) {
  for (const BuiltInString& english : EnglishStrings()) {
    const char* name = StringName(english.number);
    ASSERT_NE(name, nullptr) << english.number;
    EXPECT_EQ(StringNumber(name), english.number) << name;
  }
  const std::vector<std::string> names = StringNames();
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
  EXPECT_EQ(StringNumber("cancelled"), 98);
  EXPECT_STREQ(StringName(98), "cancelled");
  EXPECT_EQ(StringNumber("Cancelled"), std::nullopt);
  EXPECT_EQ(StringName(60), nullptr);
}

}  // namespace
}  // namespace valdorine::builder
