// What the file loop gathers for the install operations that follow it (component registration,
// shortcuts, fonts, product registration). Filled once per run, read until the run ends.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "uninstall/deferred_operations.hpp"

namespace valdorine {

// A shortcut that a file entry asks for.
struct ShortcutRecord {
  bool desktop = false;
  bool start_menu = false;
  bool startup = false;
  bool permanent = false;
  String target;          // wide: the installed file
  String name;            // wide
  String icon;            // wide
  String arguments;       // wide
  String working_folder;  // wide
};

struct InstallCollections {
  // Destination paths (wide) of shared files, each followed by its mark: ' ' permanent or system
  // shared, '^' COM server, u'\x00A9' type library, none for a plain shared file.
  Array<String> shared_files;
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

}  // namespace valdorine
