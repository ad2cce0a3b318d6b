// Writing one installed file: retries, verification, replacement at the next restart when the file
// cannot be written, then its dates and attributes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/string.hpp"
#include "format/file_entry.hpp"

namespace valdorine {

// Writes `size` bytes of `data` to `path` (wide) in up to three attempts 50 ms apart (verified by
// reading back when the script asks for it); a missing folder is made after the first failure and,
// when the script asks for it, the existing file's read-only, hidden and system attributes are
// cleared. When the file still cannot be written, it is left for replacement at the next restart
// if the script allows that for every file or `existed_before` does (the run then needs a
// restart and `replaced_at_reboot` is set); otherwise the failure goes to `failure_summary`. After
// a write, the file's creation and last-write times become `date` (when it has one) and its
// attributes within 0x1127 those of `attributes` (-1: unchanged). True only when the file now
// holds the data.
bool WriteInstalledFile(const String& path, const uint8_t* data, size_t size, const EntryDate& date,
                        String& failure_summary, int32_t attributes, bool existed_before,
                        bool& replaced_at_reboot);

// Sets the file's creation and last-write times to `date` (UTC); false when the date is unset or
// the file cannot be changed.
bool SetFileDates(const String& path, const EntryDate& date);

// The file's last-write time in UTC as the directory entry reports it, when it is a file.
bool ReadFileDate(const String& path, EntryDate& date);

}  // namespace valdorine
