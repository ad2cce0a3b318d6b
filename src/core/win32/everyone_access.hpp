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

}  // namespace valdorine
