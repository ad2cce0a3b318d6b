// A file entry of the archive: one file with its destination kind, flags, texts and data, and its
// encoding as the fields of an archive record.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/package_layout.hpp"

namespace valdorine {

// Six i32 fields in UTC; month 0 or a negative hour means "no date".
struct EntryDate {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool IsSet() const { return month != 0 && hour >= 0; }
};

struct FileEntry {
  std::string name;             // UTF-8, relative to the base folder; never empty
  uint32_t kind = 0;            // destination kind 0..12 except 2 and 3
  uint32_t flags = 0;
  int32_t attributes = -1;      // -1 keeps the attributes the file gets when created
  EntryDate date;
  std::string extra_text;       // UTF-8
  std::u16string shortcut_icon; // present when flags bit 0 or 1 is set
  std::string arguments;        // Windows-1252
  std::u16string destination;   // empty, or a path overriding the kind's base folder
  std::string component_text;   // UTF-8
  uint32_t ui_level = 0;        // kind 11 only
  // The entry's data when the entry is written; the archive reader hands it out in pieces instead
  // (ArchiveReader::Data) and only sets its size.
  std::span<const uint8_t> data;
  int32_t data_size = 0;

  bool HasShortcutIcon() const { return (flags & kEntryFlagsWithShortcutIcon) != 0; }
};

bool IsKnownEntryKind(uint32_t kind);

// Fields 1 to 11 of a record: everything before the data.
std::vector<uint8_t> EncodeEntryFields(const FileEntry& entry);

// Parses fields 1 to 11 of a record, which must fill `fields` exactly (70, 110, 100).
PackageError ParseEntryFields(std::span<const uint8_t> fields, FileEntry& entry);

// Parses one record (without its length prefix) whose data has `data_size` bytes. Every field must
// lie inside the record and the record must end with the data checksum.
PackageError ParseFileEntry(std::span<const uint8_t> record, int32_t data_size, FileEntry& entry);

}  // namespace valdorine
