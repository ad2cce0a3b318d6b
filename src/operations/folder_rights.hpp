// Folder rights: on request the installation folder (and with it, on a second request, the shared
// folder) is opened to every user: Everyone gets full access, inherited by everything inside.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// Grants Everyone full access to `folder`, inherited by its subfolders and files, after clearing
// its read-only, hidden and system attributes. The system's result: 0 on success, 3 when the
// folder does not exist.
uint32_t GrantFolderToEveryone(const String& folder);

// The logged step for the run: the installation folder when the script asks for it, the shared
// folder when it also asks for that one. Failures are only logged.
void GrantFolderRights();

}  // namespace valdorine
