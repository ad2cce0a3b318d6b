// The install script's numbered texts in the chosen language. Until the script has been read no
// text exists, and every look-up gives an empty text.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// Language string `number` (wide), or an empty text when the table has none.
String LanguageString(int number);

// Installs the chosen language's table: element n is language string n.
void SetLanguageStrings(Array<String> strings);

}  // namespace valdorine
