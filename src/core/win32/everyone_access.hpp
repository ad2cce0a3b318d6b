// Opening files and folders to every user of the machine: an access entry for the well-known
// Everyone group added to an object's access list.
#pragma once

#include <windows.h>

#include "core/string.hpp"

namespace valdorine {

// Clears the read-only, hidden and system attributes of a file or folder; false when it does not
// exist.
bool ClearProtectiveAttributes(const String& path);

// Adds an entry that grants Everyone generic-all access, with `inheritance` (NO_INHERITANCE, or
// OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE for a folder's contents), to the access list of the
// file or folder at `path`. The system's result code: 0 on success.
DWORD GrantEveryoneFullAccess(const String& path, DWORD inheritance);
// The same for the file or folder open as `object`, which needs READ_CONTROL and WRITE_DAC access:
// the entry goes to the object opened, never to whatever its name leads to later.
DWORD GrantEveryoneFullAccess(HANDLE object, DWORD inheritance);

}  // namespace valdorine
