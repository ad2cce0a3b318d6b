// Opening a file to every user of the machine, as the install log is left: whoever maintains the
// product later may read, replace or delete it without the installer's rights.
#pragma once

#include "core/string.hpp"

namespace valdorine {

// Clears the file's read-only, hidden and system attributes, makes the process's user its owner
// and adds an entry that gives the Everyone group full control. Each step that fails is skipped.
void OpenFileToEveryone(const String& path);

}  // namespace valdorine
