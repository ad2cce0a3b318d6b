// File installation: each file entry of the archive written to its destination under the
// overwrite rules.
#pragma once

#include "format/file_entry.hpp"

namespace valdorine {

// Installs one entry of the archive. The entry's data is valid only during the call.
//
// Not written yet: the entry is accepted and nothing is written to disk, so an installation run
// today reads and checks the whole archive but installs no files.
void InstallFileEntry(const FileEntry& entry);

}  // namespace valdorine
