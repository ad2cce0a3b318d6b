// The files that product registration leaves beside the product (text copies, icons, the
// background bitmap, the uninstaller): shown on the progress page while they are written and
// recorded in the uninstall list once they exist.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Shows `path` (wide) as the progress page's current item, unless the script hides file names.
void ShowRegistrationItem(const String& path);

// Writes `bytes` to `path` (wide), replacing an older file, and records it in the uninstall list as
// a plain file. Returns the file error code (0 on success).
int SaveRecordedFile(const String& path, const String& bytes);

// True when the script asks for an uninstaller, the uninstall key and Uninstall.DAT.
bool MakesUninstaller();

}  // namespace valdorine
