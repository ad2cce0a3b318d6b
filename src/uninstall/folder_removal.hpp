// Removing a folder that an installation made once nothing of the user's is left in it.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Deletes "thumbs.db" and "desktop.ini" in `folder` and removes it when nothing else is left;
// a path of fewer than 4 characters (a drive root) is left alone.
void RemoveFolderIfEmpty(const String& folder);

}  // namespace valdorine
