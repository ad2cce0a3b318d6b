// Removing the Windows Installer packages that an installation installed.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

// Removes the package of each [MSI] line (package path, user-interface level; CSV, 8-bit) with
// "REBOOT=R REMOVE=ALL". A failure appends "Failed to uninstall <name>, code <n>: <text>" to
// `failures`; the lines of the packages that stay are returned, for the rewritten Uninstall.DAT.
Array<String> RemoveInstallerPackages(const Array<String>& lines, String& failures);

}  // namespace valdorine
