// Finding the `.setup` section in a file's headers, and removing it again for the uninstaller.
#include "format/pe_image.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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
      {"cut inside the .setup entry", [](auto& b) { b.resize(kTable + 2 * 40 + 12); }, PackageError::kNoPackage},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = stub;
    c.change(bytes);
    bytes.shrink_to_fit();  // nothing readable past the end
    EXPECT_EQ(LocateSetupSection(bytes, section), c.expected) << c.what;
  }
  EXPECT_EQ(LocateSetupSection(MakeTestStub(), section), PackageError::kNoPackage);
}

TEST(UninstallerImage, RemovesASectionInTheMiddleAndMovesLaterOnes) {
  // `.setup` is section 1 of 4: sections 2 and 3 move up one slot and back by its raw size. The
  // file was signed as a whole; that signature is not the image's, which is left unsigned.
  std::vector<uint8_t> file = StubWithSetupAt(1);
  testing::SignTestFile(file, 0x40);
  SetupSection section;
  ASSERT_EQ(LocateSetupSection(file, section), PackageError::kNone);
  const auto bytes = std::span<const uint8_t>(file);
  const uint64_t signature = SignatureStart(bytes, kTestPeOffset, file.size());
  std::vector<uint8_t> image;
  ASSERT_TRUE(BuildUninstallerImage(bytes.first(section.file_offset),
                                    bytes.subspan(section.file_offset + section.raw_size).first(signature - 0x800), section,
                                    image));

  EXPECT_EQ(image.size(), signature - 0x200);
  EXPECT_EQ(image[kTestPeOffset + pe::kSectionCount], 3);
  EXPECT_EQ(U32(image, kTestPeOffset + pe::kSizeOfImage), U32(file, kTestPeOffset + pe::kSizeOfImage) - 0x200);
  EXPECT_EQ(U32(image, kTestPeOffset + pe::kSizeOfInitializedData),
            U32(file, kTestPeOffset + pe::kSizeOfInitializedData) - 0x200);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[kTable + 40])), ".rdata");
  EXPECT_EQ(U32(image, kTable + 40 + pe::kRawOffset), 0x400u + 0x200);
  EXPECT_EQ(U32(image, kTable + 2 * 40 + pe::kRawOffset), 0x400u + 2 * 0x200);
  EXPECT_EQ(U32(image, kTable + 3 * 40), 0u);  // the freed slot takes the zeros after the table
  const uint32_t directory = *CertificateDirectory(image, kTestPeOffset);
  EXPECT_EQ(U32(image, directory), 0u);
  EXPECT_EQ(U32(image, directory + 4), 0u);

  PeChecksum checksum(kTestPeOffset + pe::kChecksum);
  checksum.Add(image);
  EXPECT_EQ(U32(image, kTestPeOffset + pe::kChecksum), checksum.Result());
}

// The builder may pad with zeros between the data before `.setup` and the section; the image drops
// that padding. Bytes that are not all zeros there belong to the program and stay.
TEST(UninstallerImage, DropsOnlyAZeroGapBeforeTheSection) {
  for (const uint8_t fill : {uint8_t{0}, uint8_t{0xAA}}) {
    std::vector<uint8_t> file = StubWithSetupAt(1);
    Put32(file, kTable + pe::kRawSize, 0x100);  // section 0's data ends 0x100 before `.setup`
    std::fill_n(file.begin() + 0x500, 0x100, fill);
    SetupSection section;
    ASSERT_EQ(LocateSetupSection(file, section), PackageError::kNone);
    const auto bytes = std::span<const uint8_t>(file);
    std::vector<uint8_t> image;
    ASSERT_TRUE(BuildUninstallerImage(bytes.first(section.file_offset),
                                      bytes.subspan(section.file_offset + section.raw_size), section, image));
    const uint32_t dropped = fill == 0 ? 0x100 : 0;
    EXPECT_EQ(image.size(), file.size() - 0x200 - dropped) << int{fill};
    EXPECT_EQ(U32(image, kTable + 40 + pe::kRawOffset), 0x600u - dropped) << int{fill};  // `.rdata` moved up
    if (fill != 0) EXPECT_EQ(image[0x5FF], fill);
  }
}

TEST(UninstallerImage, ACertificateTableAfterThePackageSignsTheImageAgain) {
  // The builder moves a signed stub's certificate table behind `.setup` (here the last section);
  // the image points its certificate directory at the table again. Zeros that signing the setup
  // put before its own signature are dropped; any other byte there means it is not a table.
  std::vector<uint8_t> signed_stub = MakeTestStub();
  testing::SignTestFile(signed_stub, 0x40);
  const std::vector<uint8_t> table(signed_stub.begin() + MakeTestStub().size(), signed_stub.end());
  const std::vector<uint8_t> setup = StubWithSetupAt(3);
  SetupSection section;
  ASSERT_EQ(LocateSetupSection(setup, section), PackageError::kNone);

  std::vector<uint8_t> padded = table, followed = table;
  padded.insert(padded.end(), 7, 0);
  followed.push_back(1);
  struct Case {
    const char* what;
    const std::vector<uint8_t>& tail;
    uint32_t expected_table;
  };
  const uint32_t table_size = static_cast<uint32_t>(table.size());
  for (const Case& c : {Case{"table", table, table_size}, Case{"padded table", padded, table_size},
                        Case{"table and a byte", followed, 0}}) {
    std::vector<uint8_t> image;
    ASSERT_TRUE(BuildUninstallerImage(std::span(setup).first(section.file_offset), c.tail, section, image)) << c.what;
    const uint32_t directory = *CertificateDirectory(image, kTestPeOffset);
    EXPECT_EQ(U32(image, directory), c.expected_table ? section.file_offset : 0u) << c.what;
    EXPECT_EQ(U32(image, directory + 4), c.expected_table) << c.what;
    EXPECT_EQ(image.size(), section.file_offset + (c.expected_table ? c.expected_table : c.tail.size())) << c.what;
    EXPECT_TRUE(std::equal(table.begin(), table.end(), image.begin() + section.file_offset)) << c.what;
  }
}

TEST(SignatureStart, IsTheCertificateTableThatEndsTheFile) {
  std::vector<uint8_t> file = MakeTestStub();
  const uint64_t unsigned_size = file.size();
  const uint32_t certificate = *CertificateDirectory(file, kTestPeOffset);
  EXPECT_EQ(certificate, kTestPeOffset + 152u);
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size), unsigned_size);  // no table
  Put32(file, certificate, static_cast<uint32_t>(unsigned_size));
  Put32(file, certificate + 4, 0x300);
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size + 0x300), unsigned_size);
  // A table that does not end the file, or one the directory count leaves out, is not a signature.
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size + 0x301), unsigned_size + 0x301);
  Put32(file, certificate - 4 * 8 - 4, 4);  // the directory count
  EXPECT_EQ(SignatureStart(file, kTestPeOffset, unsigned_size + 0x300), unsigned_size + 0x300);
  // Headers cut short are read as unsigned.
  EXPECT_EQ(SignatureStart(std::span(file).first(certificate), kTestPeOffset, 5000), 5000u);
}

TEST(SignatureStart, ReadsTheWiderDirectoriesOfA64BitImage) {
  std::vector<uint8_t> file = MakeTestStub();
  const uint64_t unsigned_size = file.size();
  file[kTestPeOffset + pe::kOptionalMagic] = pe::kPe32PlusMagic & 0xFF;
  file[kTestPeOffset + pe::kOptionalMagic + 1] = pe::kPe32PlusMagic >> 8;
  Put32(file, kTestPeOffset + pe::kOptionalHeader + 108, 16);  // the directory count of a PE32+ header
  const std::optional<uint32_t> directory = CertificateDirectory(file, kTestPeOffset);
  ASSERT_TRUE(directory.has_value());
  const uint32_t certificate = *directory;
  EXPECT_EQ(certificate, kTestPeOffset + 168u);
  Put32(file, certificate, static_cast<uint32_t>(unsigned_size));
  Put32(file, certificate + 4, 0x300);
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
