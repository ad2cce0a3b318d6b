// Uninstall.DAT: the uninstall list followed by the sections that the uninstaller reads ([Strings],
// [AutoClose], [Associations], [Firewall], [INF], [MSI], [Registry2], [ConditionalDelete]).
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// The section texts that install operations add to while the installation runs; each line ends
// with CR LF. All are 8-bit except `registry2`, which is wide and stored as UTF-8.
struct UninstallSections {
  String associations;
  String firewall;
  String inf;
  String msi;
  String registry2;
};

// The run's sections, process-wide.
UninstallSections& CollectedUninstallSections();

// Uninstall.DAT in the run's uninstall data folder.
String UninstallDataPath();

// Writes the whole file in one operation from the uninstall list, the chosen language's texts, the
// install script's AutoClose entries and conditional deletions, and the collected sections,
// replacing an old file. False with the system's last error set on failure.
bool WriteUninstallData();

// What the uninstaller reads back from the file.
struct UninstallRecords {
  Array<String> entries;           // uninstall-list lines as stored (8-bit)
  Array<int> string_numbers;       // [Strings]: the numbers read, with their texts (wide)
  Array<String> string_texts;
  bool has_special_string = false;
  String special_string;           // wide; entry 999
  Array<AutoCloseEntry> auto_close;
  Array<Array<String>> associations;  // extension, ProgID, verb, icon
  Array<String> firewall;          // lines as stored
  Array<String> inf;
  Array<String> msi;
  String registry2;                // 8-bit UTF-8, lines ending with CR LF
  Array<FileDeletion> conditional_deletes;
};

// Parses the text of an Uninstall.DAT file; tolerant of every damage (see the module's tests).
UninstallRecords ReadUninstallData(const String& text);

}  // namespace valdorine
