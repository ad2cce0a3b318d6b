// File installation: every file entry of the archive written to its destination under the
// overwrite rules, recorded for the uninstaller and for the install operations that follow.
#pragma once

#include "operations/installed_file_writer.hpp"

namespace valdorine {

// The file loop over the whole archive, then its closing steps (leftover check, font-change
// broadcast, pending operations cleaned). Progress moves from 28 to 92.
void InstallFiles();

}  // namespace valdorine
