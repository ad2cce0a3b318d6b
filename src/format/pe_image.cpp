#include "format/pe_image.hpp"

#include <algorithm>
#include <cstring>

#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"

namespace valdorine {
namespace {

// A bounds-checked u32 at an absolute offset of a span.
std::optional<uint32_t> U32At(std::span<const uint8_t> bytes, uint64_t offset) {
  if (offset > bytes.size()) return std::nullopt;
  return ByteReader(bytes.subspan(static_cast<size_t>(offset))).ReadU32();
}

std::optional<uint16_t> U16At(std::span<const uint8_t> bytes, uint64_t offset) {
  if (offset > bytes.size()) return std::nullopt;
  return ByteReader(bytes.subspan(static_cast<size_t>(offset))).ReadU16();
}

bool IsSetupName(std::span<const uint8_t> name) {
  // Compared as a zero-terminated string within the 8 bytes.
  const size_t length = std::find(name.begin(), name.end(), 0) - name.begin();
  return length == std::strlen(kSetupSectionName) && std::equal(name.begin(), name.begin() + length, kSetupSectionName);
}

bool SubtractU32(std::span<uint8_t> image, uint64_t offset, uint32_t amount) {
  auto value = U32At(image, offset);
  if (!value) return false;
  StoreU32(image.subspan(static_cast<size_t>(offset)), *value - amount);
  return true;
}

// The zeros between the end of the data of the sections before `section` (or of the headers) and
// the section itself: the padding with which a builder placed the section on a page boundary. 0
// when anything else lies there.
uint32_t AlignmentPadding(std::span<const uint8_t> before_section, const SetupSection& section) {
  auto headers_size = U32At(before_section, uint64_t{section.pe_offset} + pe::kSizeOfHeaders);
  auto optional_size = U16At(before_section, uint64_t{section.pe_offset} + pe::kOptionalHeaderSize);
  if (!headers_size || !optional_size) return 0;
  uint64_t data_end = *headers_size;
  const uint32_t table = section.pe_offset + pe::kOptionalHeader + *optional_size;
  for (uint32_t entry = table; entry < section.table_end; entry += pe::kSectionEntrySize) {
    auto raw_offset = U32At(before_section, entry + pe::kRawOffset);
    auto raw_size = U32At(before_section, entry + pe::kRawSize);
    if (entry == section.entry_offset || !raw_offset || !raw_size || *raw_offset >= section.file_offset) continue;
    data_end = std::max(data_end, uint64_t{*raw_offset} + *raw_size);
  }
  if (data_end >= section.file_offset || section.file_offset > before_section.size()) return 0;
  const auto gap = before_section.subspan(static_cast<size_t>(data_end), static_cast<size_t>(section.file_offset - data_end));
  return std::all_of(gap.begin(), gap.end(), [](uint8_t b) { return b == 0; }) ? static_cast<uint32_t>(gap.size()) : 0;
}

}  // namespace

PackageError LocateSetupSection(std::span<const uint8_t> file_head, SetupSection& section) {
  auto pe_offset = U16At(file_head, pe::kPeOffsetField);
  if (!pe_offset || *pe_offset < pe::kMinPeOffset || *pe_offset > pe::kMaxPeOffset) return PackageError::kPeHeaderOffset;
  auto count = U16At(file_head, *pe_offset + pe::kSectionCount);
  if (!count || *count < pe::kMinSectionCount || *count > pe::kMaxSectionCount) return PackageError::kSectionCount;
  auto optional_size = U16At(file_head, *pe_offset + pe::kOptionalHeaderSize);
  if (!optional_size) return PackageError::kNoPackage;

  const uint32_t table = *pe_offset + pe::kOptionalHeader + *optional_size;
  for (uint32_t i = 0; i < *count; ++i) {
    const uint32_t entry = table + i * pe::kSectionEntrySize;
    if (entry + pe::kSectionEntrySize > file_head.size()) return PackageError::kNoPackage;
    if (!IsSetupName(file_head.subspan(entry, 8))) continue;
    section.pe_offset = *pe_offset;
    section.entry_offset = entry;
    section.table_end = table + *count * pe::kSectionEntrySize;
    section.virtual_size = *U32At(file_head, entry + pe::kVirtualSize);
    section.virtual_address = *U32At(file_head, entry + pe::kVirtualAddress);
    section.raw_size = *U32At(file_head, entry + pe::kRawSize);
    section.file_offset = *U32At(file_head, entry + pe::kRawOffset);
    return section.file_offset == 0 ? PackageError::kSectionWithoutOffset : PackageError::kNone;
  }
  return PackageError::kNoPackage;
}

bool BuildUninstallerImage(std::span<const uint8_t> before_section, std::span<const uint8_t> after_section,
                           const SetupSection& section, std::vector<uint8_t>& image) {
  // The table and the 40 bytes after it move, so all of them must lie in the copied headers.
  if (section.table_end + pe::kSectionEntrySize > before_section.size() || section.entry_offset >= section.table_end) {
    return false;
  }
  // The padding before the section goes with it, so an image of a stub is that stub again.
  const uint32_t padding = AlignmentPadding(before_section, section);
  image.assign(before_section.begin(), before_section.end() - padding);
  image.insert(image.end(), after_section.begin(), after_section.end());
  const std::span<uint8_t> bytes(image);

  const uint32_t pe_offset = section.pe_offset;
  const uint32_t raw = section.raw_size;
  if (!SubtractU32(bytes, pe_offset + pe::kSizeOfInitializedData, raw) ||
      !SubtractU32(bytes, pe_offset + pe::kSizeOfImage, raw)) {
    return false;
  }
  const uint16_t count = *U16At(bytes, pe_offset + pe::kSectionCount);
  StoreU16(bytes.subspan(pe_offset + pe::kSectionCount), static_cast<uint16_t>(count - 1));

  // Later entries move up one slot; those whose data followed the section move back with it.
  for (uint32_t entry = section.entry_offset + pe::kSectionEntrySize; entry < section.table_end;
       entry += pe::kSectionEntrySize) {
    const uint32_t raw_offset = *U32At(bytes, entry + pe::kRawOffset);
    if (raw_offset > section.file_offset) StoreU32(bytes.subspan(entry + pe::kRawOffset), raw_offset - raw - padding);
  }
  std::copy(image.begin() + section.entry_offset + pe::kSectionEntrySize,
            image.begin() + section.table_end + pe::kSectionEntrySize, image.begin() + section.entry_offset);

  // A signature that followed the section now starts earlier in the file.
  const uint32_t shift = DirectoryShift(bytes, pe_offset);
  const uint64_t certificate = pe_offset + pe::kCertificateTable + shift;
  auto directories = U32At(bytes, pe_offset + pe::kDirectoryCount + shift);
  auto certificate_offset = U32At(bytes, certificate);
  if (directories && *directories > 4 && certificate_offset && *certificate_offset > section.file_offset &&
      certificate + 4 <= section.entry_offset) {
    StoreU32(bytes.subspan(static_cast<size_t>(certificate)), *certificate_offset - raw - padding);
  }

  // The PE checksum of the installer no longer fits the smaller file.
  PeChecksum checksum(pe_offset + pe::kChecksum);
  checksum.Add(bytes);
  StoreU32(bytes.subspan(pe_offset + pe::kChecksum), checksum.Result());
  return true;
}

uint32_t DirectoryShift(std::span<const uint8_t> file_head, uint32_t pe_offset) {
  return U16At(file_head, uint64_t{pe_offset} + pe::kOptionalMagic) == pe::kPe32PlusMagic ? pe::kPe32PlusDirectoryShift : 0;
}

uint64_t SignatureStart(std::span<const uint8_t> file_head, uint32_t pe_offset, uint64_t file_size) {
  constexpr uint32_t kCertificateDirectory = 4;
  const uint64_t fields = uint64_t{pe_offset} + DirectoryShift(file_head, pe_offset);
  auto directories = U32At(file_head, fields + pe::kDirectoryCount);
  auto offset = U32At(file_head, fields + pe::kCertificateTable);
  auto size = U32At(file_head, fields + pe::kCertificateTable + 4);
  if (!directories || *directories <= kCertificateDirectory || !offset || !size || *size == 0 ||
      uint64_t{*offset} + *size != file_size) {
    return file_size;
  }
  return *offset;
}

void PeChecksum::Add(std::span<const uint8_t> bytes) {
  length_ += bytes.size();
  for (size_t i = 0; i < bytes.size(); i += 2, offset_ += 2) {
    const uint32_t word = bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    if (offset_ == checksum_field_ || offset_ == checksum_field_ + 2) continue;
    sum_ += word;
    sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
  }
}

uint32_t PeChecksum::Result() const {
  const uint64_t folded = (sum_ & 0xFFFF) + (sum_ >> 16);
  return static_cast<uint32_t>((folded & 0xFFFF) + length_);
}

}  // namespace valdorine
