// The installation's shortcuts: those of the install script's list, of the file entries, to the
// uninstaller and to the install log, each on the desktop (or in the product's desktop folder), in
// the start menu, in the startup folder and in an extra folder as its record asks; the root
// shortcut of a portable installation; the taskbar pin. Every shortcut and every folder made for
// one is recorded for removal unless its record is permanent. Failures go to the failure summary
// (not for quiet records) and never stop the installation.
#pragma once

#include "format/install_script.hpp"

namespace valdorine {

// Runs once, after component registration and after the uninstaller's path is fixed.
void CreateShortcuts(const InstallScript& script);

}  // namespace valdorine
