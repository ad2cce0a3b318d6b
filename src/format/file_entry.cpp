#include "format/file_entry.hpp"

#include "core/string.hpp"
#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"
#include "format/entry_name_check.hpp"

namespace valdorine {
namespace {

bool ReadDate(ByteReader& reader, EntryDate& date) {
  for (int32_t* field : {&date.year, &date.month, &date.day, &date.hour, &date.minute, &date.second}) {
    auto value = reader.ReadI32();
    if (!value) return false;
    *field = *value;
  }
  return true;
}

bool ReadText(ByteReader& reader, std::string& text) {
  auto read = reader.ReadCStr();
  if (read) text = std::string(*read);
  return read.has_value();
}

bool ReadWideText(ByteReader& reader, std::u16string& text) {
  auto read = reader.ReadWCStr();
  if (read) text = std::move(*read);
  return read.has_value();
}

// Fields 2 to 11; false when one of them runs past the record.
bool ReadDescription(ByteReader& reader, FileEntry& entry, PackageError& kind_error) {
  auto kind = reader.ReadU32();
  if (!kind) return false;
  entry.kind = *kind;
  if (!IsKnownEntryKind(entry.kind)) {
    kind_error = PackageError::kEntryKind;
    return true;
  }
  auto flags = reader.ReadU32();
  auto attributes = reader.ReadI32();
  if (!flags || !attributes || !ReadDate(reader, entry.date) || !ReadText(reader, entry.extra_text)) return false;
  entry.flags = *flags;
  entry.attributes = *attributes;
  entry.shortcut_icon.clear();
  if (entry.HasShortcutIcon() && !ReadWideText(reader, entry.shortcut_icon)) return false;
  if (!ReadText(reader, entry.arguments) || !ReadWideText(reader, entry.destination) ||
      !ReadText(reader, entry.component_text)) {
    return false;
  }
  entry.ui_level = 0;
  if (entry.kind == kEntryKindMsiPackage) {
    auto level = reader.ReadU32();
    if (!level) return false;
    entry.ui_level = *level;
  }
  return true;
}

// Fields 1 to 11: the name (70, or 73 when it would leave its folder), the kind (110) and the rest, which must lie inside the record (100).
PackageError ReadFields(ByteReader& reader, FileEntry& entry) {
  if (!ReadText(reader, entry.name) || entry.name.empty()) return PackageError::kEntryWithoutName;
  if (CheckEntryName(entry.name) != EntryNameFault::kNone) return PackageError::kEntryNameUnsafe;
  PackageError kind_error = PackageError::kNone;
  const bool complete = ReadDescription(reader, entry, kind_error);
  if (kind_error != PackageError::kNone) return kind_error;
  return complete ? PackageError::kNone : PackageError::kEntryDataChecksum;
}

}  // namespace

bool IsKnownEntryKind(uint32_t kind) { return kind <= kMaxEntryKind && kind != 2 && kind != 3; }

std::vector<uint8_t> EncodeEntryFields(const FileEntry& entry) {
  ByteWriter writer;
  writer.CStr(entry.name);
  writer.U32(entry.kind);
  writer.U32(entry.flags);
  writer.I32(entry.attributes);
  for (int32_t field : {entry.date.year, entry.date.month, entry.date.day, entry.date.hour, entry.date.minute,
                        entry.date.second}) {
    writer.I32(field);
  }
  writer.CStr(entry.extra_text);
  if (entry.HasShortcutIcon()) writer.WCStr(entry.shortcut_icon);
  writer.CStr(entry.arguments);
  writer.WCStr(entry.destination);
  writer.CStr(entry.component_text);
  if (entry.kind == kEntryKindMsiPackage) writer.U32(entry.ui_level);
  return writer.Take();
}

PackageError ParseEntryFields(std::span<const uint8_t> fields, FileEntry& entry) {
  ByteReader reader(fields);
  const PackageError error = ReadFields(reader, entry);
  if (error != PackageError::kNone) return error;
  return reader.AtEnd() ? PackageError::kNone : PackageError::kEntryDataChecksum;
}

PackageError ParseFileEntry(std::span<const uint8_t> record, int32_t data_size, FileEntry& entry) {
  ByteReader reader(record);
  if (const PackageError error = ReadFields(reader, entry); error != PackageError::kNone) return error;

  if (data_size < 0) return PackageError::kEntryDataSizeNegative;
  if (data_size > kMaxEntrySize) return PackageError::kEntryDataSizeTooLarge;
  auto data = reader.ReadBytes(static_cast<size_t>(data_size));
  auto checksum = reader.ReadU32();
  if (!data || !checksum || !reader.AtEnd()) return PackageError::kEntryDataChecksum;
  if (PackageChecksum(data->data(), static_cast<int64_t>(data->size())) != *checksum) {
    return PackageError::kEntryDataChecksum;
  }
  entry.data = *data;
  return PackageError::kNone;
}

}  // namespace valdorine
