#include "format/package_header.hpp"

#include <algorithm>

#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"

namespace valdorine {
namespace {

PackageError ReadEntrySizes(ByteReader& reader, int32_t count, std::vector<int32_t>& sizes) {
  // The table must fit in the section before anything is allocated for it.
  if (static_cast<uint64_t>(count) * 4 > reader.Remaining()) return PackageError::kEntrySize;
  sizes.resize(static_cast<size_t>(count));
  for (int32_t& size : sizes) {
    size = *reader.ReadI32();
    if (size < 0 || size > kMaxEntrySize) return PackageError::kEntrySize;
  }
  return PackageError::kNone;
}

// Reads a non-negative i32 field, failing with `error` when it is missing or negative.
PackageError ReadCount(ByteReader& reader, int32_t& value, PackageError error) {
  auto read = reader.ReadI32();
  if (!read || *read < 0) return error;
  value = *read;
  return PackageError::kNone;
}

}  // namespace

PackageError ReadPackageHeader(std::span<const uint8_t> section, PackageView& view) {
  ByteReader reader(section);
  PackageHeader& header = view.header;

  auto magic = reader.ReadU32();
  if (!magic || *magic != kPackageMagic) return PackageError::kBadMagic;
  auto version = reader.ReadCStr();
  if (!version) return PackageError::kPackageLength;
  header.builder_version = std::string(*version);
  if (header.builder_version != kBuilderVersion) return PackageError::kVersionMismatch;

  auto flags = reader.ReadU32();
  if (!flags) return PackageError::kPackageLength;
  header.flags = *flags;
  auto script_length = reader.ReadU32();
  if (!script_length || *script_length < 1 || *script_length > kMaxScriptLength) return PackageError::kScriptLength;
  auto script_key = reader.ReadU32();
  auto stub_checksum = reader.ReadU32();
  if (!script_key || !stub_checksum) return PackageError::kPackageLength;
  header.script_key = *script_key;
  header.stub_checksum = *stub_checksum;

  int32_t entry_count = 0;
  PackageError error = ReadCount(reader, header.package_length, PackageError::kPackageLength);
  if (error == PackageError::kNone) error = ReadCount(reader, entry_count, PackageError::kEntryCount);
  if (error == PackageError::kNone) error = ReadCount(reader, header.archive_length, PackageError::kArchiveLength);
  if (error != PackageError::kNone) return error;
  auto archive_checksum = reader.ReadU32();
  if (!archive_checksum) return PackageError::kPackageLength;
  header.archive_checksum = *archive_checksum;
  error = ReadEntrySizes(reader, entry_count, header.entry_sizes);
  if (error != PackageError::kNone) return error;

  if (header.Encrypted()) {
    auto key = reader.ReadBytes(kCipherKeyLength);
    if (!key) return PackageError::kPackageLength;
    std::copy(key->begin(), key->end(), header.cipher_key.begin());
  }
  auto script = reader.ReadBytes(*script_length);
  if (!script) return PackageError::kScriptLength;
  view.script = *script;
  view.archive_offset = static_cast<uint32_t>(reader.Position());
  return PackageError::kNone;
}

std::vector<uint8_t> WritePackageHeader(const PackageHeader& header, uint32_t script_length) {
  ByteWriter writer;
  writer.U32(kPackageMagic);
  writer.CStr(header.builder_version);
  writer.U32(header.flags);
  writer.U32(script_length);
  writer.U32(header.script_key);
  writer.U32(header.stub_checksum);
  writer.I32(header.package_length);
  writer.I32(static_cast<int32_t>(header.entry_sizes.size()));
  writer.I32(header.archive_length);
  writer.U32(header.archive_checksum);
  for (int32_t size : header.entry_sizes) writer.I32(size);
  if (header.Encrypted()) writer.Bytes(header.cipher_key);
  return writer.Take();
}

}  // namespace valdorine
