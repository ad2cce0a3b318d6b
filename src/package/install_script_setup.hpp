// The installer's side of the install script: what the command line and the running system add
// while the script is read, and what its settings change in the run afterwards.
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The reader's environment for this run: silent mode and the /n: name from the run-time switches,
// and the resolution of `DefaultInstallDir`. The caller adds the appearance step (background
// window, script checksum).
ScriptReadEnvironment InstallerReadEnvironment();

// `DefaultInstallDir` made usable: "<os>" replaced by the system's name, an empty value replaced
// by the product name, and a relative value put below the Program Files folder (the 64-bit one for
// a 64-bit product). Path variables are expanded here too once the path-variable module exists.
void ResolveDefaultInstallDir(InstallScript& script);

// After a successful read: automatic mode as the script decides, and the language strings taken
// from the script (which must live to the end of the run).
void ApplyInstallScript(const InstallScript& script);

// The system's name as "<os>" shows it, such as "Windows 10".
String SystemName();

}  // namespace valdorine
