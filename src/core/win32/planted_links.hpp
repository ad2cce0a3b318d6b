// Files that the installer writes in folders other users may write to (the product's folders, the
// temporary folder): a link put in a file's place must not lead a write, or the rights the
// installer grants, to the file that the link names.
#pragma once

#include <windows.h>

#include "core/string.hpp"

namespace valdorine {

// Removes the name `path` (wide) when it is a reparse point (symbolic link, junction, mount point)
// or one of several hard links of a file. Only the name goes, never what it leads to; a plain file
// with one name stays.
void RemovePlantedLink(const String& path);

// Whether an open file is a plain file with a single name: no reparse point and one link.
bool IsSingleLinkFile(HANDLE file);

}  // namespace valdorine
