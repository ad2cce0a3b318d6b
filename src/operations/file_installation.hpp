// File installation: every file entry of the archive written to its destination under the
// overwrite rules, recorded for the uninstaller and for the install operations that follow.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.hpp"
#include "format/file_entry.hpp"

namespace valdorine {

// The file loop over the whole archive, then its closing steps (leftover check, font-change
// broadcast, pending operations cleaned). Progress moves from 28 to 92.
void InstallFiles();

// Writes one file with up to three attempts, verification when the script asks for it, and
// replacement at the next restart when the file cannot be written and `existed_before` (or the
// script) allows it; then sets its times from `date` and its attributes (-1: unchanged). Failures
// are appended to `failure_summary`. True only when the file now holds the data.
bool WriteInstalledFile(const String& path, const uint8_t* data, size_t size, const EntryDate& date,
                        String& failure_summary, int32_t attributes, bool existed_before,
                        bool& replaced_at_reboot);

}  // namespace valdorine
