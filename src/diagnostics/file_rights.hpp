// Opening a file to every user of the machine, as the install log is left: whoever maintains the
// product later may read, replace or delete it without the installer's rights.
#pragma once

#include <windows.h>

namespace valdorine {

// Clears the open file's read-only, hidden and system attributes, makes the process's user its
// owner and adds an entry that gives the Everyone group full control. The handle needs write
// access and open_flag::kSecurityAccess: the rights go to the file just opened, never to whatever
// its name leads to later. Each step that fails is skipped.
void OpenFileToEveryone(HANDLE file);

}  // namespace valdorine
