// Removing the fonts that an installation added: their registration, the loaded resource and the
// file in the fonts folder.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

struct InstalledFont {
  String name;       // wide; the value name in the system's font list
  String file_name;  // wide; the file in the fonts folder
};

// The pairs of double-quoted texts of the ProductFonts value (8-bit: name in UTF-8, file name as
// path text); an unpaired last text is ignored.
Array<InstalledFont> ParseProductFonts(const String& value);

// Removes each font (when `ask`, only those the user agrees to: language strings 56 and 57) and
// announces the change to all windows when any was removed.
void RemoveFonts(const Array<InstalledFont>& fonts, bool ask);

}  // namespace valdorine
