// Uninstall.DAT: the uninstall list followed by the sections that the uninstaller reads ([Strings],
// [AutoClose], [Associations], [Firewall], [INF], [MSI], [Registry2], [ConditionalDelete]). The
// text itself is made and parsed by uninstall_data_text; this module gathers what goes in and
// writes the file.
#pragma once

#include "core/string.hpp"
#include "uninstall/uninstall_data_text.hpp"

namespace valdorine {

// The run's sections, process-wide.
UninstallSections& CollectedUninstallSections();

// Uninstall.DAT in the run's uninstall data folder; empty while that folder is not known.
String UninstallDataPath();

// Writes the whole file in one operation from the uninstall list, the chosen language's texts, the
// install script's AutoClose entries and conditional deletions for the uninstaller, and the
// collected sections, replacing an old file. Over an existing installation the old file's records
// that this run did not make are carried over (CarryEarlierRecords) when the old file has the
// digest that the earlier installation recorded; otherwise none are, and the log says so. False
// with the system's last error set on failure (the file error code when the system gave none). The
// bytes written go to `written` when given.
bool WriteUninstallData(String* written = nullptr);

// The uninstaller's rewrite: the same, but the texts, AutoClose entries and conditional deletions
// come from `kept` (the file it read, with the deletions still pending) instead of an install script.
bool WriteUninstallData(const UninstallRecords& kept, String* written = nullptr);

}  // namespace valdorine
