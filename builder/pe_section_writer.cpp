#include "pe_section_writer.hpp"

#include <algorithm>
#include <cstring>

#include "build_error.hpp"
#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"
#include "format/package_layout.hpp"
#include "format/pe_image.hpp"

namespace valdorine::builder {
namespace {

constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMachineAmd64 = 0x8664;  // the test flavour for machines without 32-bit code
constexpr uint32_t kSetupSectionCharacteristics = 0x40000040;  // initialised data, readable

constexpr uint32_t kFilePageSize = 0x1000;

uint64_t AlignUp(uint64_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

StubImage::StubImage(std::vector<uint8_t> bytes, const std::string& stub_name) : bytes_(std::move(bytes)) {
  ValidateAndLocate(stub_name);
}

uint32_t StubImage::U32(uint64_t offset) const {
  auto value = offset <= bytes_.size() ? ByteReader(std::span(bytes_).subspan(offset)).ReadU32() : std::nullopt;
  return value.value_or(0);
}

void StubImage::ValidateAndLocate(const std::string& stub_name) {
  auto refuse = [&](const std::string& why) { throw BuildError("the stub " + stub_name + " " + why); };
  if (bytes_.size() < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z') refuse("is not a Windows executable");
  pe_offset_ = U32(pe::kPeOffsetField);
  if (pe_offset_ < pe::kMinPeOffset || pe_offset_ > pe::kMaxPeOffset || U32(pe_offset_) != 0x00004550) {
    refuse("is not a Windows executable (no PE header)");
  }
  const uint16_t machine = static_cast<uint16_t>(U32(pe_offset_ + pe::kMachine));
  const uint16_t magic = static_cast<uint16_t>(U32(pe_offset_ + pe::kOptionalMagic));
  if (!(machine == kMachineI386 && magic == pe::kPe32Magic) && !(machine == kMachineAmd64 && magic == pe::kPe32PlusMagic)) {
    refuse("is not an x86 Windows executable");
  }

  const uint16_t count = static_cast<uint16_t>(U32(pe_offset_ + pe::kSectionCount));
  const uint16_t optional_size = static_cast<uint16_t>(U32(pe_offset_ + pe::kOptionalHeaderSize));
  const uint32_t table = pe_offset_ + pe::kOptionalHeader + optional_size;
  table_end_ = table + count * pe::kSectionEntrySize;
  file_alignment_ = U32(pe_offset_ + pe::kFileAlignment);
  section_alignment_ = U32(pe_offset_ + pe::kSectionAlignment);
  if (!IsPowerOfTwo(file_alignment_) || !IsPowerOfTwo(section_alignment_)) refuse("has invalid alignments");
  if (count + 1 > pe::kMaxSectionCount) refuse("has too many sections to add one");

  uint32_t end_of_data = U32(pe_offset_ + pe::kSizeOfHeaders);
  uint32_t first_data = UINT32_MAX;
  uint64_t end_of_image = U32(pe_offset_ + pe::kSizeOfImage);
  for (uint32_t entry = table; entry < table_end_; entry += pe::kSectionEntrySize) {
    if (entry + pe::kSectionEntrySize > bytes_.size()) refuse("has a truncated section table");
    if (std::memcmp(&bytes_[entry], kSetupSectionName, sizeof kSetupSectionName - 1) == 0 && bytes_[entry + 6] == 0) {
      refuse("already carries a package");
    }
    const uint32_t raw_offset = U32(entry + pe::kRawOffset), raw_size = U32(entry + pe::kRawSize);
    if (raw_size != 0) {
      end_of_data = std::max(end_of_data, raw_offset + raw_size);
      first_data = std::min(first_data, raw_offset);
    }
    const uint32_t virtual_size = std::max(U32(entry + pe::kVirtualSize), raw_size);
    end_of_image = std::max(end_of_image, AlignUp(uint64_t{U32(entry + pe::kVirtualAddress)} + virtual_size, section_alignment_));
  }
  // The new entry takes the 40 bytes after the table, which must be free header space.
  const uint32_t new_entry_end = table_end_ + pe::kSectionEntrySize;
  if (new_entry_end > U32(pe_offset_ + pe::kSizeOfHeaders) || new_entry_end > first_data ||
      !std::all_of(bytes_.begin() + table_end_, bytes_.begin() + new_entry_end, [](uint8_t b) { return b == 0; })) {
    refuse("has no room in its headers for another section");
  }
  if (end_of_data < bytes_.size()) refuse("has data after its last section (is it signed?)");

  // The package starts on a page boundary of the file, so that a loader can map it straight from
  // the file: Wine reads a section that is not page-aligned in the file into private memory, which
  // would hold the whole package in memory for the whole installation.
  section_file_offset_ = static_cast<uint32_t>(AlignUp(end_of_data, std::max(file_alignment_, kFilePageSize)));
  section_virtual_address_ = static_cast<uint32_t>(end_of_image);
  bytes_.resize(section_file_offset_, 0);
}

uint64_t StubImage::ChecksumFieldOffset() const { return pe_offset_ + pe::kChecksum; }

uint32_t StubImage::AlignedSectionSize(uint64_t content) const {
  const uint64_t size = AlignUp(std::max<uint64_t>(content, 1), std::max(file_alignment_, section_alignment_));
  if (size > 0x7FFFFFFF) throw BuildError("the package is too large (more than 2 GiB)");
  return static_cast<uint32_t>(size);
}

void StubImage::AddSection(uint32_t raw_size) {
  ByteWriter entry;
  entry.Text(kSetupSectionName);
  entry.Zeros(8 - (sizeof kSetupSectionName - 1));
  entry.U32(raw_size);                   // virtual size
  entry.U32(section_virtual_address_);
  entry.U32(raw_size);
  entry.U32(section_file_offset_);
  entry.Zeros(12);                       // relocations, line numbers
  entry.U32(kSetupSectionCharacteristics);
  std::copy(entry.Bytes().begin(), entry.Bytes().end(), bytes_.begin() + table_end_);

  std::span<uint8_t> headers(bytes_);
  const uint16_t count = static_cast<uint16_t>(U32(pe_offset_ + pe::kSectionCount));
  StoreU16(headers.subspan(pe_offset_ + pe::kSectionCount), static_cast<uint16_t>(count + 1));
  StoreU32(headers.subspan(pe_offset_ + pe::kSizeOfImage), section_virtual_address_ + raw_size);
  StoreU32(headers.subspan(pe_offset_ + pe::kSizeOfInitializedData),
           U32(pe_offset_ + pe::kSizeOfInitializedData) + raw_size);
  StoreU32(headers.subspan(pe_offset_ + pe::kChecksum), 0);  // recomputed once the file is complete
}

}  // namespace valdorine::builder
