// The uninstaller program in the uninstall folder: the installer's prepared image without its
// install package, or else a copy of the running installer, replaced at the next restart when the
// old uninstaller is locked. Its icon becomes the script's uninstaller icon where the image allows.
#pragma once

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// Writes the uninstaller to `path` (wide) and records it in the uninstall list; failures are logged
// or added to the failure summary.
void WriteUninstaller(const InstallScript& script, const String& path);

}  // namespace valdorine
