// Firewall exceptions: the ports and programs of the script's firewall list are opened in the
// Windows Firewall's current profile, and the rules not kept at uninstallation are recorded for
// the uninstaller's [Firewall] section. Failures are only logged.
#pragma once

#include "format/install_script.hpp"

namespace valdorine {

// Opens every rule of the firewall list. A rule without exactly four fields is a damaged package
// and ends the run before any rule is applied. Skipped for an empty list, and for a portable
// installation when the package says so.
void OpenFirewallExceptions(const InstallScript& script);

}  // namespace valdorine
