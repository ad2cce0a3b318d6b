// The languages that the builder carries besides English: complete translations of every built-in
// English text, which a project selects by name ([languages] built_in = ["German"]).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace valdorine::builder {

struct Translation {
  int number;
  const char* text;  // UTF-8, with the English text's conversions and "<...>" markers
};

struct BuiltInLanguage {
  const char* name;         // what a project file selects it by
  const char* native_name;  // what the Language page lists, in the language itself
  std::span<const Translation> texts;
};

std::span<const BuiltInLanguage> BuiltInLanguages();
// The language selected by `name`, or nullptr.
const BuiltInLanguage* FindBuiltInLanguage(std::string_view name);
std::vector<std::string> BuiltInLanguageNames();

}  // namespace valdorine::builder
