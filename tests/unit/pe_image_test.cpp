// Finding the `.setup` section in a file's headers, and removing it again for the uninstaller.
#include "format/pe_image.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "format/byte_reader.hpp"
#include "format/byte_writer.hpp"
#include "support/test_stub.hpp"

namespace valdorine {
namespace {

using testing::kTestPeOffset;
using testing::MakeTestStub;

constexpr uint32_t kTable = kTestPeOffset + pe::kOptionalHeader + 0xE0;

uint32_t U32(const std::vector<uint8_t>& bytes, size_t at) { return ByteReader::LoadU32(std::span(bytes).subspan(at, 4)); }
void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { StoreU32(std::span(bytes).subspan(at), value); }
void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) { StoreU16(std::span(bytes).subspan(at), value); }

// Renames section `index` of the test stub to `.setup`.
std::vector<uint8_t> StubWithSetupAt(uint32_t index) {
  std::vector<uint8_t> stub = MakeTestStub();
  std::copy_n(".setup\0\0", 8, stub.begin() + kTable + index * pe::kSectionEntrySize);
  return stub;
}

TEST(LocateSetupSection, FindsTheEntryAndChecksTheHeaders) {
  SetupSection section;
  const std::vector<uint8_t> stub = StubWithSetupAt(2);
  ASSERT_EQ(LocateSetupSection(stub, section), PackageError::kNone);
  EXPECT_EQ(section.entry_offset, kTable + 2 * pe::kSectionEntrySize);
  EXPECT_EQ(section.file_offset, 0x400u + 2 * 0x200);
  EXPECT_EQ(section.virtual_address, 0x3000u);

  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> change;
    PackageError expected;
  };
  const Case cases[] = {
      {"PE offset below 64", [](auto& b) { Put16(b, pe::kPeOffsetField, 63); }, PackageError::kPeHeaderOffset},
      {"PE offset above 4096", [](auto& b) { Put16(b, pe::kPeOffsetField, 4097); }, PackageError::kPeHeaderOffset},
      {"3 sections", [](auto& b) { Put16(b, kTestPeOffset + pe::kSectionCount, 3); }, PackageError::kSectionCount},
      {"100 sections", [](auto& b) { Put16(b, kTestPeOffset + pe::kSectionCount, 100); }, PackageError::kSectionCount},
      {"99 sections, table cut off", [](auto& b) { Put16(b, kTestPeOffset + pe::kSectionCount, 99); b.resize(0x400); },
       PackageError::kNone},  // the entry lies before the cut
      {"no file offset", [](auto& b) { Put32(b, kTable + 2 * 40 + pe::kRawOffset, 0); }, PackageError::kSectionWithoutOffset},
      {"name longer than .setup", [](auto& b) { b[kTable + 2 * 40 + 6] = 'x'; }, PackageError::kNoPackage},
      {"truncated file", [](auto& b) { b.resize(kTable + 40); }, PackageError::kNoPackage},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = stub;
    c.change(bytes);
    EXPECT_EQ(LocateSetupSection(bytes, section), c.expected) << c.what;
  }
  EXPECT_EQ(LocateSetupSection(MakeTestStub(), section), PackageError::kNoPackage);
}

TEST(UninstallerImage, RemovesASectionInTheMiddleAndMovesLaterOnes) {
  // `.setup` is section 1 of 4: sections 2 and 3 move up one slot and back by its raw size, and
  // a signature behind the sections moves back with them.
  std::vector<uint8_t> file = StubWithSetupAt(1);
  const uint32_t certificate = kTestPeOffset + pe::kCertificateTable;
  Put32(file, certificate, static_cast<uint32_t>(file.size()));
  file.insert(file.end(), {0xC0, 0xDE});
  SetupSection section;
  ASSERT_EQ(LocateSetupSection(file, section), PackageError::kNone);
  const auto bytes = std::span<const uint8_t>(file);
  std::vector<uint8_t> image;
  ASSERT_TRUE(BuildUninstallerImage(bytes.first(section.file_offset), bytes.subspan(section.file_offset + section.raw_size),
                                    section, image));

  EXPECT_EQ(image.size(), file.size() - 0x200);
  EXPECT_EQ(image[kTestPeOffset + pe::kSectionCount], 3);
  EXPECT_EQ(U32(image, kTestPeOffset + pe::kSizeOfImage), U32(file, kTestPeOffset + pe::kSizeOfImage) - 0x200);
  EXPECT_EQ(U32(image, kTestPeOffset + pe::kSizeOfInitializedData),
            U32(file, kTestPeOffset + pe::kSizeOfInitializedData) - 0x200);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[kTable + 40])), ".rdata");
  EXPECT_EQ(U32(image, kTable + 40 + pe::kRawOffset), 0x400u + 0x200);
  EXPECT_EQ(U32(image, kTable + 2 * 40 + pe::kRawOffset), 0x400u + 2 * 0x200);
  EXPECT_EQ(U32(image, kTable + 3 * 40), 0u);  // the freed slot takes the zeros after the table
  EXPECT_EQ(U32(image, certificate), U32(file, certificate) - 0x200);
  EXPECT_EQ(image[U32(image, certificate)], 0xC0);

  PeChecksum checksum(kTestPeOffset + pe::kChecksum);
  checksum.Add(image);
  EXPECT_EQ(U32(image, kTestPeOffset + pe::kChecksum), checksum.Result());
}

TEST(SignatureStart, IsTheCertificateTableThatEndsTheFile) {
  std::vector<uint8_t> file = MakeTestStub();
  const uint64_t unsigned_size = file.size();
  const uint32_t certificate = kTestPeOffset + pe::kCertificateTable;
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size), unsigned_size);  // no table
  Put32(file, certificate, static_cast<uint32_t>(unsigned_size));
  Put32(file, certificate + 4, 0x300);
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size + 0x300), unsigned_size);
  // A table that does not end the file, or one the directory count leaves out, is not a signature.
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size + 0x301), unsigned_size + 0x301);
  Put32(file, kTestPeOffset + pe::kDirectoryCount, 4);
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size + 0x300), unsigned_size + 0x300);
  // Headers cut short are read as unsigned.
  EXPECT_EQ(SignatureStart(std::span(file).first(certificate), kTestPeOffset, 5000), 5000u);
}

TEST(SignatureStart, ReadsTheWiderDirectoriesOfA64BitImage) {
  std::vector<uint8_t> file = MakeTestStub();
  const uint64_t unsigned_size = file.size();
  file[kTestPeOffset + pe::kOptionalMagic] = pe::kPe32PlusMagic & 0xFF;
  file[kTestPeOffset + pe::kOptionalMagic + 1] = pe::kPe32PlusMagic >> 8;
  const uint32_t certificate = kTestPeOffset + pe::kCertificateTable + pe::kPe32PlusDirectoryShift;
  Put32(file, kTestPeOffset + pe::kDirectoryCount + pe::kPe32PlusDirectoryShift, 16);
  Put32(file, certificate, static_cast<uint32_t>(unsigned_size));
  Put32(file, certificate + 4, 0x300);
  EXPECT_EQ(DirectoryShift(file, kTestPeOffset), pe::kPe32PlusDirectoryShift);
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size + 0x300), unsigned_size);
}

TEST(UninstallerImage, RefusesHeadersOutsideTheCopiedBytes) {
  const std::vector<uint8_t> file = StubWithSetupAt(3);
  SetupSection section;
  ASSERT_EQ(LocateSetupSection(file, section), PackageError::kNone);
  std::vector<uint8_t> image;
  EXPECT_FALSE(BuildUninstallerImage(std::span(file).first(section.table_end), {}, section, image));
}

}  // namespace
}  // namespace valdorine
