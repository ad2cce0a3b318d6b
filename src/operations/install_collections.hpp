// What the file loop gathers for the install operations that follow it (component registration,
// shortcuts, fonts, product registration). Filled once per run, read until the run ends.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "uninstall/deferred_operations.hpp"

namespace valdorine {

// A shortcut target with its placements: what a file entry, the install script's shortcut list,
// the uninstaller or the install log asks for. All texts wide.
struct ShortcutRecord {
  bool desktop = false;
  bool start_menu = false;
  bool startup = false;
  bool permanent = false;      // not recorded for removal
  String target;               // relative to the installation folder when it has no colon
  String name;                 // without ".lnk"; may name subfolders
  String icon;                 // relative to the uninstall folder; empty: the target's own icon
  String arguments;            // path variables expanded before use
  String working_folder;       // path variables expanded; empty: the installation folder
  String extra_folder;         // one more shortcut in this folder when not empty
  uint8_t show_command = 0;    // 0 normal, 1 minimised without activation, 2 maximised
  bool expand_target = false;  // expand path variables in the target
  bool quiet = false;          // a failure is not reported in the failure summary
};

struct InstallCollections {
  // Destination paths (wide) of shared files, each followed by its mark: ' ' permanent or system
  // shared, '^' COM server, u'\x00A9' type library, none for a plain shared file.
  Array<String> shared_files;
  Array<String> counted_shared_files;  // the entries whose count was raised, each once
  Array<String> com_servers;     // wide paths
  Array<String> type_libraries;
  Array<String> drivers;
  String font_list;              // 8-bit UTF-8: "title" "name" pairs, each text followed by a blank
  Array<ShortcutRecord> shortcuts;
  PathSet installed_files;       // lower-cased destination paths written directly
  bool fonts_changed = false;
};

// The run's collections, process-wide.
InstallCollections& Collections();

// Marks of the shared-file list.
namespace shared_mark {
inline constexpr char16_t kNone = 0;             // a plain shared file (kind 1)
inline constexpr char16_t kPermanent = u' ';      // permanent files and system shared files (kind 6)
inline constexpr char16_t kComServer = u'^';
inline constexpr char16_t kTypeLibrary = u'\x00A9';
}  // namespace shared_mark

// Appends `path` (wide) with `mark` (shared_mark::kNone for none) to the shared-file list.
void AddSharedFile(const String& path, char16_t mark);

// Appends a font's title and file name (both wide) to the font list.
void AddFont(const String& title, const String& name);

// Adds `path` (wide) to the installed-files set under its PathSetKey.
void AddInstalledFile(const String& path);

}  // namespace valdorine
