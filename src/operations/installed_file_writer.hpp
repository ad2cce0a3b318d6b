// Writing one installed file: retries, verification, replacement at the next restart when the file
// cannot be written, then its dates and attributes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.hpp"
#include "format/entry_data.hpp"
#include "format/file_entry.hpp"

namespace valdorine {

// Writes the entry's data to `path` (wide) in up to three attempts 50 ms apart, piece by piece as
// it is delivered (each piece verified by reading it back when the script asks for it); a missing
// folder is made after the first failure and, when the script asks for it, the existing file's
// read-only, hidden and system attributes are cleared. Data that streamed past cannot be written
// again, so a write that fails after its first piece is not retried. When the file still cannot be
// written, it is left for replacement at the next restart if the script allows that for every file
// or `existed_before` does (the run then needs a restart and `replaced_at_reboot` is set);
// otherwise the failure goes to `failure_summary`. The written file's creation and last-write times
// become `date` (when it has one) and its attributes within 0x1127 those of `attributes` (-1:
// unchanged). True only when the file now holds the data. When the data itself fails to read
// (a damaged package), `package_error` tells why and no file is left behind.
bool WriteInstalledFile(const String& path, EntryData& data, const EntryDate& date, String& failure_summary,
                        int32_t attributes, bool existed_before, bool& replaced_at_reboot,
                        PackageError& package_error);
// The same for `size` bytes in memory.
bool WriteInstalledFile(const String& path, const uint8_t* data, size_t size, const EntryDate& date,
                        String& failure_summary, int32_t attributes, bool existed_before,
                        bool& replaced_at_reboot);

// The file's last-write time in UTC as the directory entry reports it, when it is a file.
bool ReadFileDate(const String& path, EntryDate& date);

}  // namespace valdorine
