// The install script's numbered texts in the current language, with "<product>", "<description>"
// and "<os>" replaced. Until a table is in use every look-up gives an empty text, and each caller
// falls back on its own text.
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"
#include "format/language_text.hpp"

namespace valdorine {

// Takes the language strings from `table` (the process-wide script's, which lives to the end of the
// run) with the placeholders' values. The current language becomes "English", else the first.
void UseLanguageTable(const LanguageTable& table, Placeholders values);

// Uses a single language whose string n is element n, with no placeholder values (for tests and
// for texts made before a script exists). An empty array leaves no strings at all.
void SetLanguageStrings(Array<String> strings);

// Language string `number` of the current language (wide), or an empty text.
String LanguageString(int number);

// Makes language `language` current (the Language page); an index outside the table is ignored.
void SetLanguage(int language);
int CurrentLanguage();

}  // namespace valdorine
