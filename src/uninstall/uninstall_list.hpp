// The uninstall list: what the uninstaller is to remove, one line per entry in the order the
// install operations recorded them. Files, folders and registry entries are told apart by the
// line's first character; paths are stored as path text (ASCII as it is, anything else "|" + UTF-8).
#pragma once

#include "core/string.hpp"

namespace valdorine {

namespace uninstall_entry {
inline constexpr int kFile = 0;            // no mark: delete the file
inline constexpr int kFolder = 1;          // "~": remove the folder when empty; recorded once
inline constexpr int kRegistryValue = 2;   // "!": key path, backslash, value name
inline constexpr int kRegistryKey = 3;     // "^"
inline constexpr int kRegistryKey64 = 4;   // "*": the key in the 64-bit registry view
}  // namespace uninstall_entry

// Appends an entry for `path` (wide) of a kind of uninstall_entry. False when it is not recorded:
// three characters or fewer, a folder recorded before (in any letter case), a line break in the
// path (a registry name may hold one; it would read back as further entries), or an unknown kind.
bool RecordUninstallEntry(const String& path, int kind);

// Empties the list and the set of recorded folders.
void ClearUninstallList();

// The list as Uninstall.DAT holds it: 8-bit lines, each ending with CR LF.
const String& UninstallListText();

}  // namespace valdorine
