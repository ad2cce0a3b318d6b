// Reading the package header from a section: the round trip, and each field's check.
#include <gtest/gtest.h>

#include "format/byte_writer.hpp"
#include "format/package_contents.hpp"
#include "format/package_header.hpp"
#include "format/script_cipher.hpp"
#include "format/xz_codec.hpp"
#include "support/test_package.hpp"

namespace valdorine {
namespace {

using testing::MakeEntry;
using testing::MakeTestSection;
using testing::TestEntry;

// Offsets of the fixed fields in a header.
constexpr size_t kVersionAt = 4, kScriptLengthAt = 15, kPackageLengthAt = 27, kEntryCountAt = 31,
                 kArchiveLengthAt = 35, kFirstSizeAt = 43;

void Put(std::vector<uint8_t>& bytes, size_t at, uint32_t value) { StoreU32(std::span(bytes).subspan(at), value); }

TEST(PackageHeader, RoundTripsAndUnpacksTheScript) {
  for (bool encrypted : {false, true}) {
    std::vector<TestEntry> entries = {MakeEntry("a.txt", 10), MakeEntry("b.bin", 0)};
    const auto section = MakeTestSection(entries, encrypted);
    PackageView view;
    ASSERT_EQ(ReadPackageHeader(section.bytes, view), PackageError::kNone);
    EXPECT_EQ(view.header.builder_version, kBuilderVersion);
    EXPECT_EQ(view.header.entry_sizes, (std::vector<int32_t>{10, 0}));
    EXPECT_EQ(view.header.Encrypted(), encrypted);
    EXPECT_EQ(view.header.archive_checksum, section.header.archive_checksum);

    std::vector<uint8_t> script;
    ASSERT_EQ(UnpackScript(view, script), PackageError::kNone);
    EXPECT_EQ(script, testing::TestScript());
    EXPECT_EQ(CheckScriptChecksum(script, view.header.script_key), PackageError::kNone);
    EXPECT_EQ(CheckScriptChecksum(script, view.header.script_key + 1), PackageError::kScriptChecksum);

    std::span<const uint8_t> archive;
    ASSERT_EQ(ArchiveInSection(section.bytes, view, archive), PackageError::kNone);
    EXPECT_TRUE(std::ranges::equal(archive, section.archive));
  }
}

TEST(PackageHeader, EachFieldCheckRaisesItsCode) {
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 10)};
  const auto valid = MakeTestSection(entries, false);
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    PackageError expected;
  };
  const Case cases[] = {
      {"magic", [](auto& b) { b[0] ^= 1; }, PackageError::kBadMagic},
      {"version", [](auto& b) { b[kVersionAt + 5] = '3'; }, PackageError::kVersionMismatch},
      {"script length 0", [](auto& b) { Put(b, kScriptLengthAt, 0); }, PackageError::kScriptLength},
      {"script length 0x3200000", [](auto& b) { Put(b, kScriptLengthAt, 0x3200000); }, PackageError::kScriptLength},
      {"script beyond the section", [](auto& b) { Put(b, kScriptLengthAt, 0x31FFFFF); }, PackageError::kScriptLength},
      {"package length", [](auto& b) { Put(b, kPackageLengthAt, 0xFFFFFFFF); }, PackageError::kPackageLength},
      {"entry count", [](auto& b) { Put(b, kEntryCountAt, 0x80000000); }, PackageError::kEntryCount},
      {"entry table beyond the section", [](auto& b) { Put(b, kEntryCountAt, 0x7FFFFFFF); }, PackageError::kEntrySize},
      {"archive length", [](auto& b) { Put(b, kArchiveLengthAt, 0xFFFFFFFF); }, PackageError::kArchiveLength},
      {"entry size above 1 GiB", [](auto& b) { Put(b, kFirstSizeAt, 0x40000001); }, PackageError::kEntrySize},
      {"entry size negative", [](auto& b) { Put(b, kFirstSizeAt, 0xFFFFFFFF); }, PackageError::kEntrySize},
      {"truncated in the version", [](auto& b) { b.resize(kVersionAt + 3); }, PackageError::kPackageLength},
      {"truncated in the magic", [](auto& b) { b.resize(2); }, PackageError::kBadMagic},
      {"scrambled script", [](auto& b) { b[kFirstSizeAt + 4 + 20] ^= 0x40; }, PackageError::kScriptDecompression},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = valid.bytes;
    c.damage(bytes);
    PackageView view;
    PackageError error = ReadPackageHeader(bytes, view);
    std::vector<uint8_t> script;
    if (error == PackageError::kNone) error = UnpackScript(view, script);
    EXPECT_EQ(error, c.expected) << c.what;
  }
}

TEST(PackageHeader, AScriptThatExpandsBeyondTheLongestScriptFailsWith47) {
  // Concatenated streams of 1 MiB of zeros each: a few hundred bytes that expand past the limit.
  std::vector<uint8_t> piece;
  ASSERT_TRUE(Encode(std::vector<uint8_t>(1 << 20), 0, piece));
  for (const size_t pieces : {size_t{kMaxScriptLength >> 20}, size_t{(kMaxScriptLength >> 20) + 1}}) {
    std::vector<uint8_t> stored;
    for (size_t i = 0; i < pieces; ++i) stored.insert(stored.end(), piece.begin(), piece.end());
    PackageView view;
    view.header.script_key = 0x5A5A1234;
    Scramble(stored, view.header.script_key);
    view.script = stored;
    std::vector<uint8_t> script;
    const bool within = (pieces << 20) <= kMaxScriptLength;
    EXPECT_EQ(UnpackScript(view, script), within ? PackageError::kNone : PackageError::kScriptDecompression)
        << pieces << " MiB";
    EXPECT_LE(script.size(), kMaxScriptLength);
  }
}

TEST(PackageHeader, AcceptsTheLargestScriptAndEntrySize) {
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 10)};
  auto section = MakeTestSection(entries, false);
  Put(section.bytes, kFirstSizeAt, 0x40000000);
  section.bytes.resize(kFirstSizeAt + 4 + 0x31FFFFF, 0);
  Put(section.bytes, kScriptLengthAt, 0x31FFFFF);
  PackageView view;
  ASSERT_EQ(ReadPackageHeader(section.bytes, view), PackageError::kNone);
  EXPECT_EQ(view.script.size(), 0x31FFFFFu);
  EXPECT_EQ(view.header.entry_sizes[0], 0x40000000);
}

TEST(PackageHeader, ArchiveLocationChecks) {
  std::vector<TestEntry> entries = {MakeEntry("a.txt", 10)};
  const auto section = MakeTestSection(entries, false);
  PackageView view;
  ASSERT_EQ(ReadPackageHeader(section.bytes, view), PackageError::kNone);
  std::span<const uint8_t> archive;
  PackageView longer = view;
  longer.header.package_length += 1;
  EXPECT_EQ(ArchiveInSection(section.bytes, longer, archive), PackageError::kArchiveLengthMismatch);
  PackageView beyond = view;  // consistent lengths, but more than the mapped section holds
  beyond.header.package_length += 100000;
  beyond.header.archive_length += 100000;
  EXPECT_EQ(ArchiveInSection(section.bytes, beyond, archive), PackageError::kArchiveLengthMismatch);

  SetupSection location;
  location.file_offset = 0x1000;
  const uint64_t end = 0x1000 + view.archive_offset + static_cast<uint64_t>(view.header.archive_length);
  struct Case {
    uint64_t file_size;
    uint64_t signature_start;
    PackageError expected;
  } cases[] = {
      {end, end, PackageError::kNone},
      {end + 1, end + 1, PackageError::kArchiveLengthMismatch},
      {end - 1, end - 1, PackageError::kArchiveLengthMismatch},
      {100, 100, PackageError::kArchiveLengthMismatch},
      // Signed: the signature follows the archive, directly or after its alignment padding.
      {end + 2000, end, PackageError::kNone},
      {end + 2000, end + 7, PackageError::kNone},
      {end + 2000, end + 8, PackageError::kArchiveLengthMismatch},
      {end + 2000, end - 1, PackageError::kArchiveLengthMismatch},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckArchiveInFile(c.file_size, location, view, c.signature_start), c.expected)
        << c.file_size << " " << c.signature_start;
  }
}

}  // namespace
}  // namespace valdorine
