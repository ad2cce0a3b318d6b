// The registrations that follow a file entry's write: Windows Installer packages (kind 11) and
// control-panel applets (kind 12). Shared files, COM servers, type libraries and drivers are
// collected by the file loop and registered after it (shared_components.hpp).
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// The progress status of a registered item: language string 77 with "<file>" replaced by `item`.
void ShowComponentStatus(const String& item);

// Installs the package at `path` (wide) with the Windows Installer user-interface level
// `ui_level` (2 in silent mode); `record_for_removal` adds its [MSI] line for the uninstaller after
// a successful installation. Any other result, 3010 (restart required) included, is a failure
// reported in the failure summary.
void InstallInstallerPackage(const String& path, uint32_t ui_level, bool record_for_removal);

// Registers the applet at `path` (wide) under the class identifier `class_id`, shown as
// `display_name` (the file's name when empty) and opened with `arguments` (all wide). An empty
// class identifier or name is a damaged package.
void RegisterControlPanelApplet(const String& path, const String& display_name, const String& class_id,
                                const String& arguments);

}  // namespace valdorine
