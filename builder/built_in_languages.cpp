#include "built_in_languages.hpp"

#include "languages/translations.hpp"

namespace valdorine::builder {
namespace {

const BuiltInLanguage kLanguages[] = {
    {"German", "Deutsch", GermanTexts()},
    {"French", "Fran\u00E7ais", FrenchTexts()},
    {"Spanish", "Espa\u00F1ol", SpanishTexts()},
    {"Italian", "Italiano", ItalianTexts()},
    {"BrazilianPortuguese", "Portugu\u00EAs (Brasil)", BrazilianPortugueseTexts()},
    {"Polish", "Polski", PolishTexts()},
    {"Russian", "\u0420\u0443\u0441\u0441\u043A\u0438\u0439", RussianTexts()},
    {"Japanese", "\u65E5\u672C\u8A9E", JapaneseTexts()},
    {"SimplifiedChinese", "\u4E2D\u6587(\u7B80\u4F53)", SimplifiedChineseTexts()},
};

}  // namespace

std::span<const BuiltInLanguage> BuiltInLanguages() { return kLanguages; }

const BuiltInLanguage* FindBuiltInLanguage(std::string_view name) {
  for (const BuiltInLanguage& language : kLanguages) {
    if (name == language.name) return &language;
  }
  return nullptr;
}

std::vector<std::string> BuiltInLanguageNames() {
  std::vector<std::string> names;
  for (const BuiltInLanguage& language : kLanguages) names.emplace_back(language.name);
  return names;
}

}  // namespace valdorine::builder
