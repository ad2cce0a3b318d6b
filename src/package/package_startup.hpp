// Opening the install package carried in the installer's own `.setup` section: the steps the
// start-up runs in order, each ending the run through the package failure path when it fails.
#pragma once

#include "format/install_script.hpp"
#include "package/package_archive.hpp"
#include "package/package_reader.hpp"

namespace valdorine {

// The installer's package and its install script, process-wide, filled by LoadInstallPackage.
InstallPackage& Package();
const InstallScript& Script();

// Finds and checks the package, unpacks and reads the install script (testing the script checksum
// once its first fields are read), then runs the self-check and keeps or drops the uninstaller
// image. A missing or damaged package ends the run with its message.
void LoadInstallPackage();

// The settings of the script that decide how the package is read.
PackageSettings ScriptPackageSettings(const InstallScript& script);

// Opens the archive for the file phase; a damaged archive ends the run.
void OpenInstallArchive(PackageArchive& archive);

}  // namespace valdorine
