// The tables of the built-in translations, one module per language.
#pragma once

#include <span>

#include "built_in_languages.hpp"

namespace valdorine::builder {

std::span<const Translation> GermanTexts();
std::span<const Translation> FrenchTexts();
std::span<const Translation> SpanishTexts();
std::span<const Translation> ItalianTexts();
std::span<const Translation> BrazilianPortugueseTexts();
std::span<const Translation> PolishTexts();
std::span<const Translation> RussianTexts();
std::span<const Translation> JapaneseTexts();
std::span<const Translation> SimplifiedChineseTexts();

}  // namespace valdorine::builder
