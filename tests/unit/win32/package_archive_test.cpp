// The installer's archive access: the archive inside the mapped section or read from the file
// behind it, with the length and checksum checks, on a real file.
#include <windows.h>

#include <gtest/gtest.h>

#include "../support/entry_data_bytes.hpp"
#include "../support/test_package.hpp"
#include "core/win32/disk_file.hpp"
#include "package/package_archive.hpp"

namespace valdorine {
namespace {

using testing::MakeEntry;
using testing::MakeTestSection;
using testing::TestEntry;

constexpr uint32_t kSectionOffset = 0x400;

class PackageArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    entries_ = {MakeEntry("one.txt", 3000), MakeEntry("two.bin", 10)};
    section_ = MakeTestSection(entries_, true);
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    path_ = String::FromWide(reinterpret_cast<const char16_t*>(folder));
    path_.AppendWide(u"valdorine-package-archive-test.bin");
  }
  void TearDown() override { DeleteFileW(reinterpret_cast<const wchar_t*>(path_.Wide())); }

  // Writes the file: the bytes before the section, then `tail`; opens it as the package.
  void OpenFile(const std::vector<uint8_t>& tail) {
    std::vector<uint8_t> file(kSectionOffset, 0x90);
    file.insert(file.end(), tail.begin(), tail.end());
    ASSERT_EQ(WriteWholeFile(path_, String::FromBytes(file.data(), static_cast<int>(file.size()))), 0);
    package_.path = path_;
    ASSERT_EQ(package_.file.Open(path_, open_flag::kOpenExisting | open_flag::kNoWrite | open_flag::kShareRead |
                                            open_flag::kWidePath), 0);
    package_.file_size = file.size();
    package_.section.file_offset = kSectionOffset;
    package_.mapped_section = section_.bytes;
    ASSERT_EQ(ReadPackageHeader(package_.mapped_section, package_.view), PackageError::kNone);
  }

  void ExpectEntries(PackageArchive& archive) {
    for (const TestEntry& expected : entries_) {
      FileEntry entry;
      ASSERT_EQ(archive.NextEntry(entry), PackageError::kNone);
      EXPECT_EQ(entry.name, expected.entry.name);
      EXPECT_TRUE(std::ranges::equal(testing::EntryDataBytes(archive.Data()), expected.data));
    }
    EXPECT_FALSE(archive.HasNextEntry());
    EXPECT_EQ(archive.Finish(), PackageError::kNone);
  }

  std::vector<uint8_t> SectionUpToArchive() const {
    return {section_.bytes.begin(), section_.bytes.begin() + static_cast<ptrdiff_t>(section_.bytes.size() - 300 -
                                                                                    section_.archive.size())};
  }

  std::vector<TestEntry> entries_;
  testing::TestSection section_;
  String path_;
  InstallPackage package_;
};

TEST_F(PackageArchiveTest, ReadsTheArchiveFromTheMappedSection) {
  OpenFile(section_.bytes);
  PackageArchive archive;
  ASSERT_EQ(archive.Open(package_, {true, false, 0}), PackageError::kNone);
  ExpectEntries(archive);
}

TEST_F(PackageArchiveTest, ReadsTheArchiveFromTheFileBehindTheSection) {
  std::vector<uint8_t> tail = SectionUpToArchive();
  tail.insert(tail.end(), section_.archive.begin(), section_.archive.end());
  OpenFile(tail);
  PackageArchive archive;
  ASSERT_EQ(archive.Open(package_, {true, true, 0}), PackageError::kNone);
  ExpectEntries(archive);
}

TEST_F(PackageArchiveTest, RefusesAFileWhoseEndIsNotTheArchivesEnd) {
  std::vector<uint8_t> tail = SectionUpToArchive();
  tail.insert(tail.end(), section_.archive.begin(), section_.archive.end());
  tail.push_back(0);
  OpenFile(tail);
  PackageArchive archive;
  EXPECT_EQ(archive.Open(package_, {true, true, 0}), PackageError::kArchiveLengthMismatch);
}

TEST_F(PackageArchiveTest, RefusesAnArchiveThatFailsItsChecksum) {
  std::vector<uint8_t> tail = SectionUpToArchive();
  tail.insert(tail.end(), section_.archive.begin(), section_.archive.end());
  tail.back() ^= 1;
  OpenFile(tail);
  PackageArchive archive;
  EXPECT_EQ(archive.Open(package_, {true, true, 0}), PackageError::kArchiveChecksum);
}

}  // namespace
}  // namespace valdorine
