// The state of one installation run: where the product goes, what was found of an earlier
// installation, and the option bits that the run itself may change. The install sequence fills it
// step by step; the path-variable record (paths/path_variables.hpp) mirrors the parts that paths
// may name.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

struct RunState {
  // The script's option words and package flags as this run uses them: product registration is
  // switched off for some portable installations, and a failed restore point is not committed.
  OptionWords options;
  uint32_t package_flags = 0;

  String install_dir;         // wide, without a trailing backslash
  String install_dir_narrow;  // its 8-bit form for batch files ("|" + UTF-8 when not ASCII)
  bool portable = false;      // the installation folder lies on a removable disk, CD-ROM or RAM disk

  // An earlier installation: its uninstall key names an `InstallLocation` that exists.
  bool existing_installation = false;
  String existing_location;        // wide
  String existing_version;         // wide `DisplayVersion`
  String existing_version_narrow;  // the same as 8-bit text for the version comparison
  String existing_shared_files;    // wide
  String existing_start_menu;      // wide
  String existing_data_digest;     // the `UninstallDataDigest` its key holds for its Uninstall.DAT
  bool upgrade = false;
  bool reinstall = false;
  bool downgrade = false;

  String start_menu;  // the product's start-menu folder (wide)

  bool size_estimated = false;
  uint64_t size_estimate = 0;  // bytes

  String uninstall_dir;         // the installation folder, a backslash and `UninstallSubdir`
  String uninstall_dir_narrow;
  String shared_dir;            // empty without product registration

  bool reboot_wanted = false;
};

// The run's state, process-wide.
RunState& Run();

}  // namespace valdorine
