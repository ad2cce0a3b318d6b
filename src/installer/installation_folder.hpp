// Where the product goes: the folder named by a registry value, the existing installation's
// folder, or a new folder (the /d: switch or `DefaultInstallDir`, possibly chosen on the ChooseDir
// page and then checked), and the facts the run derives from it.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The two refusals of a folder named by a registry location (format/default_install_dir.hpp).
String UnreadableRegistryFolderMessage(const String& location);
String MissingRegistryFolderMessage(const String& path, const String& location);
// Reads the folder that `location` names and expands its path variables; refuses the run when
// the value is empty or the folder does not exist.
String InstallDirFromRegistry(const String& location);

// The folder of a new installation: the /d: switch when given, else `default_folder`, without
// a trailing backslash; outside automatic mode it may be chosen on the ChooseDir page and is then
// checked until it is accepted. The folder exists afterwards unless it could not be created.
String NewInstallationFolder(const String& default_folder, const InstallScript& script);

// The checks of a chosen folder that need no question. `refuse_network`, `refuse_removable` and
// `ascii_only` are the script's options for network, removable and non-ASCII folders.
struct FolderRules {
  bool refuse_network = false;
  bool refuse_removable = false;
  bool ascii_only = false;
};
// Why a folder is refused: the language string of the refusal (0 when the folder passes) and the
// message to show.
struct FolderRefusal {
  int language_string = 0;
  String message;
};
FolderRefusal CheckChosenFolder(const String& folder, const FolderRules& rules);

// The size estimate for a folder on the drive of `folder`: every entry's size rounded up to the
// drive's cluster size (4096 when unknown), the uninstaller and the script's extra bytes.
uint64_t EstimateInstallSize(const String& folder, const InstallScript& script);

// True when the folder's drive is removable, a CD-ROM or a RAM disk.
bool IsPortableFolder(const String& folder);

// Makes `folder` the run's installation folder (without a trailing backslash) with its narrow
// copy, and sets `Portable`.
void StoreInstallationFolder(String folder);

}  // namespace valdorine
