// Adds the `.setup` section to a copy of the installer stub so that Windows loads the result:
// the new section table entry, the section count, SizeOfImage and SizeOfInitializedData. The
// section's raw size is a multiple of both alignments, so removing the section again (the
// uninstaller image) restores the stub's sizes exactly. A signed stub's certificate table is set
// aside and written after the package, where the installer finds it again for the uninstaller.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace valdorine::builder {

class StubImage {
 public:
  // Validates the stub (a 32-bit or 64-bit x86 PE with room in its headers for one more section
  // entry and nothing after its last section but a signature); throws BuildError naming
  // `stub_name` otherwise.
  StubImage(std::vector<uint8_t> bytes, const std::string& stub_name);

  // Where the section's data starts in the output file.
  uint32_t SectionFileOffset() const { return section_file_offset_; }
  uint32_t PeOffset() const { return pe_offset_; }
  uint64_t ChecksumFieldOffset() const;
  // The section's raw size for `content` bytes: rounded up to both alignments.
  uint32_t AlignedSectionSize(uint64_t content) const;

  // Enters the section with `raw_size` bytes (from AlignedSectionSize) into the headers.
  void AddSection(uint32_t raw_size);

  // The bytes before the section: the stub with its headers, padded to the section's offset.
  std::span<const uint8_t> BeforeSection() const { return bytes_; }
  // A signed stub's certificate table, to follow the package; empty for an unsigned stub.
  std::span<const uint8_t> StubSignature() const { return signature_; }

 private:
  uint32_t U32(uint64_t offset) const;
  void ValidateAndLocate(const std::string& stub_name);
  template <typename Refuse>
  void SetSignatureAside(Refuse refuse);

  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> signature_;
  uint32_t pe_offset_ = 0;
  uint32_t table_end_ = 0;
  uint32_t file_alignment_ = 0;
  uint32_t section_alignment_ = 0;
  uint32_t section_file_offset_ = 0;
  uint32_t section_virtual_address_ = 0;
};

}  // namespace valdorine::builder
