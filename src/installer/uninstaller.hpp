// The uninstaller: the installer started with /u:"name" undoes the installation of the product
// whose key in the Windows list of installed programs is `name`, in a fixed order.
#pragma once

#include "core/string.hpp"
#include "uninstall/uninstaller_state.hpp"

namespace valdorine {

// Runs the whole uninstallation. True only when it completed and nothing failed; whatever could not
// be removed is reported and written back to Uninstall.DAT, and the product stays registered. A
// "no" to the confirmation question ends the process with exit code 1.
bool Uninstall(const String& name);

// The product as the last Uninstall read it (for the notification and the self-deleting batch).
const UninstallerState& UninstalledProduct();

}  // namespace valdorine
