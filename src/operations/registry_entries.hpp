// The author's registry entries: the product's own key, the entry lines (a key alone, or key,
// value name, type code, data and action code), keys and values for every user profile
// ("\HKAU\"), and the registry file merged through regedit. Failures go to the failure summary;
// none stops the installation.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// A value as the registry stores it.
struct RegistryValueData {
  uint32_t type = 0;  // REG_NONE
  String bytes;
};

// Converts an entry line's data text (wide, path variables already expanded where the type asks
// for it) by its type code: 1 and 2 the text itself (REG_SZ, REG_EXPAND_SZ), 3 pairs of
// hexadecimal digits with blanks ignored, 4 and 11 a decimal (or "0x" hexadecimal) number of 32 or
// 64 bits (a leading "-" counts back from 2^32 or 2^64), any other code that type with no data.
// False when the text does not read as the type asks: binary text with an odd digit count or other
// characters, numbers that are not numbers or out of range.
bool ConvertRegistryData(int type_code, const String& data, RegistryValueData& value);

// Applies one entry line (wide) in `view` (reg_key view bits); its failures go to the failure summary.
void ApplyRegistryEntryLine(const String& line, uint32_t view);

// The whole step: the product key, every entry line in order, the merge file; records the lines
// for the uninstaller's [Registry2] section. Skipped for a portable installation when the package
// says so.
void CreateRegistryEntries(const InstallScript& script);

}  // namespace valdorine
