// Product registration: the copies of the readme and licence texts, the uninstaller and its icon,
// the product's entry in the Windows list of installed programs with the values the uninstaller
// reads back, the install-location value, the restart marker and Uninstall.DAT.
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The uninstaller's path and arguments, fixed before the shortcuts are made so that shortcuts can
// point at it. Empty paths when the script makes no uninstaller.
struct UninstallerPlan {
  String path;       // wide: the uninstall folder joined with `UninstallerName`
  String arguments;  // wide: /u:"<uninstall key>"
  String icon_path;  // wide: "uninstall.ico" in the uninstall folder; empty without an uninstaller icon
};
const UninstallerPlan& PlannedUninstaller();

// Fixes the uninstaller's path and arguments and writes its icon (before the shortcut step).
void PrepareUninstaller(const InstallScript& script);

// Everything from the readme copies to Uninstall.DAT, in order.
void RegisterProduct(const InstallScript& script);

}  // namespace valdorine
