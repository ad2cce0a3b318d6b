// The PE layout that the package relies on: finding the `.setup` section in the installer's own
// file, the copy of the installer without that section (the uninstaller image), and the header
// fields that the builder changes when it adds the section. Offsets are those of 32-bit images.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/package_layout.hpp"

namespace valdorine {

namespace pe {
inline constexpr uint32_t kPeOffsetField = 0x3C;
inline constexpr uint32_t kMinPeOffset = 64;
inline constexpr uint32_t kMaxPeOffset = 4096;
inline constexpr uint16_t kMinSectionCount = 4;
inline constexpr uint16_t kMaxSectionCount = 99;
inline constexpr uint32_t kSectionEntrySize = 40;
// Fields relative to the PE header ("PE\0\0").
inline constexpr uint32_t kMachine = 4;
inline constexpr uint32_t kSectionCount = 6;
inline constexpr uint32_t kOptionalHeaderSize = 20;
inline constexpr uint32_t kOptionalHeader = 24;
inline constexpr uint32_t kOptionalMagic = 24;
inline constexpr uint16_t kPe32Magic = 0x10B;
inline constexpr uint16_t kPe32PlusMagic = 0x20B;
inline constexpr uint32_t kPe32PlusDirectoryShift = 16;
inline constexpr uint32_t kSizeOfInitializedData = 32;
inline constexpr uint32_t kSectionAlignment = 56;
inline constexpr uint32_t kFileAlignment = 60;
inline constexpr uint32_t kSizeOfImage = 80;
inline constexpr uint32_t kSizeOfHeaders = 84;
inline constexpr uint32_t kChecksum = 88;
inline constexpr uint32_t kDirectoryCount = 116;      // of a 32-bit image
inline constexpr uint32_t kCertificateTable = 152;    // of a 32-bit image: file offset and size of the signature
// Fields relative to a section table entry.
inline constexpr uint32_t kVirtualSize = 8;
inline constexpr uint32_t kVirtualAddress = 12;
inline constexpr uint32_t kRawSize = 16;
inline constexpr uint32_t kRawOffset = 20;
inline constexpr uint32_t kCharacteristics = 36;
// Enough of a file's beginning for any section table the lookup accepts.
inline constexpr size_t kMaxHeadersSize = kMaxPeOffset + kOptionalHeader + 0xFFFF + kMaxSectionCount * kSectionEntrySize;
}  // namespace pe

// The `.setup` section as the section table describes it.
struct SetupSection {
  uint32_t pe_offset = 0;
  uint32_t entry_offset = 0;    // of its section table entry, from the start of the file
  uint32_t table_end = 0;       // end of the section table
  uint32_t virtual_size = 0;
  uint32_t virtual_address = 0;
  uint32_t raw_size = 0;
  uint32_t file_offset = 0;

  // Bytes of the section the loader maps: the virtual size, or the raw size when that is 0.
  uint32_t MappedSize() const { return virtual_size != 0 ? virtual_size : raw_size; }
};

// How much further than in a 32-bit image the data directories lie: kPe32PlusDirectoryShift for a
// PE32+ optional header, else 0.
uint32_t DirectoryShift(std::span<const uint8_t> file_head, uint32_t pe_offset);

// Where a signed file's signature begins: the attribute certificate table that the signing tool
// appends as the file's last bytes (file offset and size from the header's certificate-table
// directory). The file's size when the file is unsigned or the table is not the file's end.
uint64_t SignatureStart(std::span<const uint8_t> file_head, uint32_t pe_offset, uint64_t file_size);

// Finds the section in the beginning of the file (up to pe::kMaxHeadersSize bytes): PE header
// offset 64..4096 (43), 4..99 sections (44), no `.setup` entry (kNoPackage), no file offset (9).
PackageError LocateSetupSection(std::span<const uint8_t> file_head, SetupSection& section);

// The installer without its package: the file's first `section.file_offset` bytes and the bytes
// `after_section` that followed the package, with the section removed from the headers and the
// PE checksum recomputed. False when the headers do not lie inside `before_section`.
bool BuildUninstallerImage(std::span<const uint8_t> before_section, std::span<const uint8_t> after_section,
                           const SetupSection& section, std::vector<uint8_t>& image);

// The Windows PE checksum (16-bit one's-complement sum of the file without its checksum field,
// plus the file's length), computed piece by piece.
class PeChecksum {
 public:
  explicit PeChecksum(uint64_t checksum_field_offset) : checksum_field_(checksum_field_offset) {}
  // Pieces must come in file order; every piece but the last must have an even length.
  void Add(std::span<const uint8_t> bytes);
  uint32_t Result() const;

 private:
  uint64_t checksum_field_;
  uint64_t offset_ = 0;
  uint64_t length_ = 0;
  uint64_t sum_ = 0;
};

}  // namespace valdorine
