// The registrations that follow a file entry's write: Windows Installer packages (kind 11) and
// control-panel applets (kind 12). Drivers (kind 10) are collected in the driver list by the file
// loop and installed with the other components after it.
//
// The registrations themselves do not exist yet: both calls log nothing, change nothing and return.
// The file is still written, recorded for the uninstaller and listed among the installed files.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

// Installs the package at `path` (wide) with the Windows Installer user-interface level
// `ui_level` (2 in silent mode); `record_for_removal` lists it for the uninstaller after a
// successful installation.
void InstallInstallerPackage(const String& path, uint32_t ui_level, bool record_for_removal);

// Registers the applet at `path` (wide) under the class identifier `class_id`, shown as
// `display_name` and opened with `arguments` (all wide).
void RegisterControlPanelApplet(const String& path, const String& display_name, const String& class_id,
                                const String& arguments);

}  // namespace valdorine
