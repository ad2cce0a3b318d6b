// What the uninstaller knows of an installed product before it removes anything: the values that
// the installation left in the product's key of the Windows list of installed programs.
#pragma once

#include <cstdint>

#include "core/string.hpp"
#include "core/win32/registry.hpp"

namespace valdorine {

// The product's values (texts wide unless noted).
struct UninstallerState {
  String product_name;       // DisplayName, else the name the uninstaller was started with
  String install_dir;        // InstallLocation, without a trailing backslash
  String version;            // DisplayVersion
  String uninstall_subdir;   // UninstallSubdir
  String add_to_path_subfolder;
  String product_fonts;      // pairs of double-quoted texts
  bool all_users = false;    // ShortcutMode 1
  String notify_url;         // 8-bit (ANSI), as the notification sender takes it
  String desktop_folder;
  String support_offer;
  // The progress page's look: ProgressPageStyle (an installation that stored none had style 1),
  // HeaderTextColor and PictureBorder.
  uint32_t progress_page_style = 1;
  uint32_t header_text_colour = 0;
  uint8_t picture_border = 0;
  uint64_t session = 0;      // the installation run's identifier; 0 when none was stored
  String shared_path;
  String start_menu;         // ProductStartMenu
  String uninstall_batch1;   // 8-bit (code page 1252), as the batch runner takes it
  String uninstall_batch2;
  String shared_files;       // 8-bit (ANSI): the path texts with their marks
  String product_registry;
  uint64_t flags = 0;        // ProductFlags
  uint32_t flags2 = 0;       // ProductFlags2
  bool product_64bit = false;
};

// Reads the values of the open product key. False when InstallLocation is blank: the uninstall
// information is then corrupt and nothing may be removed.
bool ReadUninstallerState(const RegKey& key, const String& key_name, UninstallerState& state);

// The uninstall data folder: the installation folder joined with the uninstall subfolder.
String UninstallerDataFolder(const UninstallerState& state);

// A decimal number as the installation stores option words (a leading "-" allowed); 0 for text
// that does not start with digits.
uint64_t ParseOptionWord(const String& text);

}  // namespace valdorine
