// The self-check of the installer's file after the install script has been read: the stub
// checksum (integrity mode 1) or the signature (mode 2), then the uninstaller image is kept
// (package flag 0x20) or not.
#pragma once

#include <cstdint>

#include "format/package_layout.hpp"
#include "package/package_reader.hpp"

namespace valdorine {

// Errors: 35 (the file before the section cannot be read), 40 (stub checksum), 1000 + outcome
// (signature; the thread's last error then is the verification's), 42 (uninstaller image).
PackageError RunSelfCheck(InstallPackage& package, const PackageSettings& settings);

}  // namespace valdorine
