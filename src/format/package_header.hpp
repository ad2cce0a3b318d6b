// The package header at the start of the `.setup` section: read with each field's check applied
// at once, and written by the builder. The layout: magic, builder version, package flags, script
// length, script key, stub checksum, package length, entry count, archive length, archive
// checksum, one data size per entry, the cipher key when encrypted, then the script; the archive
// follows at the archive offset.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/package_layout.hpp"

namespace valdorine {

struct PackageHeader {
  std::string builder_version;
  uint32_t flags = 0;
  uint32_t script_key = 0;
  uint32_t stub_checksum = 0;
  int32_t package_length = 0;
  int32_t archive_length = 0;
  uint32_t archive_checksum = 0;
  std::vector<int32_t> entry_sizes;  // one per file entry; its size is the entry count
  std::array<uint8_t, kCipherKeyLength> cipher_key{};  // meaningful when Encrypted()

  bool Encrypted() const { return (flags & kPackageFlagEncrypted) != 0; }
};

// A header read from a section, with views of the bytes that follow it.
struct PackageView {
  PackageHeader header;
  std::span<const uint8_t> script;  // the stored script (scrambled or encrypted, compressed)
  uint32_t archive_offset = 0;      // from the start of the section
};

// Reads the header from the section's bytes as mapped, checking each field as it is read. A field
// that would run past the end of the section fails with that field's own code, or with the package
// length's code (45) for a field that has none.
PackageError ReadPackageHeader(std::span<const uint8_t> section, PackageView& view);

// The header bytes for `header` and a script of `script_length` bytes (the script itself is not
// included); the archive offset is the result's size plus the script length.
std::vector<uint8_t> WritePackageHeader(const PackageHeader& header, uint32_t script_length);

}  // namespace valdorine
