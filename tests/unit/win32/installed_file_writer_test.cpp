#include "operations/installed_file_writer.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../string_test_support.hpp"
#include "core/win32/system_errors.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "run/run_state.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::AbsentDriveLetter;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;
using testing::WideOf;
using testing::WriteBytes;

constexpr EntryDate kDate{2021, 3, 4, 5, 6, 7};
const std::string kData = "installed file contents\r\n";

// Each test writes with its own option word 1 and language string 31, restored afterwards.
class WriteInstalledFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_options_ = valdorine::Run().options.word1;
    Array<String> strings;
    for (int i = 0; i < 32; ++i) strings.Append(String());
    strings[31] = W(u"Failed:");
    SetLanguageStrings(std::move(strings));
  }
  void TearDown() override {
    valdorine::Run().options.word1 = saved_options_;
    SetLanguageStrings({});
  }

  bool Write(const String& path, int32_t attributes = -1, bool existed_before = false,
             const std::string& data = kData) {
    return WriteInstalledFile(path, reinterpret_cast<const uint8_t*>(data.data()), data.size(), kDate, summary_,
                              attributes, existed_before, replaced_);
  }

  ScratchFolder scratch_;
  String summary_;
  bool replaced_ = true;  // every call must set it

 private:
  uint32_t saved_options_ = 0;
};

EntryDate DateOf(const FILETIME& time) {
  SYSTEMTIME calendar{};
  FileTimeToSystemTime(&time, &calendar);
  return {calendar.wYear, calendar.wMonth, calendar.wDay, calendar.wHour, calendar.wMinute, calendar.wSecond};
}

void ExpectDate(const EntryDate& actual, const EntryDate& expected) {
  EXPECT_EQ(actual.year, expected.year);
  EXPECT_EQ(actual.month, expected.month);
  EXPECT_EQ(actual.day, expected.day);
  EXPECT_EQ(actual.hour, expected.hour);
  EXPECT_EQ(actual.minute, expected.minute);
  EXPECT_EQ(actual.second, expected.second);
}

TEST_F(WriteInstalledFileTest, WritesTheDataWithTheEntryDateAsCreationAndWriteTime) {
  const String path = scratch_.Join(u"a.txt");
  ASSERT_TRUE(WriteBytes(path, "an older and longer file that is replaced entirely"));
  EXPECT_TRUE(Write(path));
  EXPECT_FALSE(replaced_);
  EXPECT_EQ(ReadBytes(path), kData);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(WinText(path), GetFileExInfoStandard, &data));
  ExpectDate(DateOf(data.ftLastWriteTime), kDate);
  ExpectDate(DateOf(data.ftCreationTime), kDate);
  EntryDate read_back;
  ASSERT_TRUE(ReadFileDate(path, read_back));
  ExpectDate(read_back, kDate);
  EXPECT_TRUE(summary_.IsEmpty());
}

TEST_F(WriteInstalledFileTest, AttributesChangeOnlyWithinTheirMaskAndMinusOneKeepsThem) {
  const String plain = scratch_.Join(u"plain.txt");
  const String reference = scratch_.Join(u"reference.txt");
  ASSERT_TRUE(WriteBytes(reference, kData));
  ASSERT_TRUE(Write(plain, -1));
  EXPECT_EQ(GetFileAttributesW(WinText(plain)), GetFileAttributesW(WinText(reference)));

  const String marked = scratch_.Join(u"marked.txt");
  // Read-only, hidden and archive are taken; the directory bit lies outside the mask.
  ASSERT_TRUE(Write(marked, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE |
                                FILE_ATTRIBUTE_DIRECTORY));
  const DWORD attributes = GetFileAttributesW(WinText(marked));
  EXPECT_EQ(attributes & 0x1127u, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  SetFileAttributesW(WinText(marked), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WriteInstalledFileTest, AMissingFolderIsMadeAfterTheFirstAttempt) {
  const String path = scratch_.Join(u"new\\deeper\\b.txt");
  EXPECT_TRUE(Write(path));
  EXPECT_EQ(ReadBytes(path), kData);
}

TEST_F(WriteInstalledFileTest, AFileHeldOpenFailsAfterThreeAttemptsWithTheSystemError) {
  const String path = scratch_.Join(u"held.txt");
  ASSERT_TRUE(WriteBytes(path, "held"));
  UniqueFileHandle held(CreateFileW(WinText(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(Write(path));
  EXPECT_GE(GetTickCount64() - start, 90u);  // two pauses of 50 ms between the three attempts
  EXPECT_FALSE(replaced_);
  EXPECT_EQ(WideOf(summary_), u"\r\nFailed: " + WideOf(path) + u"\r\n" + WideOf(SystemErrorText(ERROR_SHARING_VIOLATION)) +
                                  u"\r\n\r\n");
  held.Reset();
  EXPECT_EQ(ReadBytes(path), "held");
}

TEST_F(WriteInstalledFileTest, AnAbsentDriveIsReportedWithoutReplacementAtRestart) {
  const char16_t letter = AbsentDriveLetter();
  ASSERT_NE(letter, 0);
  const String path = String::FormatWide(u"%c:\\Product\\c.txt", letter);
  EXPECT_FALSE(Write(path, -1, true));
  EXPECT_FALSE(replaced_);
  EXPECT_EQ(WideOf(summary_), u"\r\nFailed: " + WideOf(path) + u"\r\nDrive " + std::u16string(1, letter) +
                                  u": is not present.\r\n");
}

// After a failed first attempt the script may clear the attributes that refuse writing (read-only,
// hidden, system); a file held open keeps failing, so what the retry changed stays visible.
TEST_F(WriteInstalledFileTest, BlockingAttributesAreClearedForTheRetryOnlyWhenTheScriptAsks) {
  constexpr DWORD kBlocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  for (const bool clear : {false, true}) {
    SCOPED_TRACE(clear ? "clearing" : "keeping");
    const String path = scratch_.Join(clear ? u"cleared.txt" : u"kept.txt");
    ASSERT_TRUE(WriteBytes(path, "old"));
    ASSERT_TRUE(SetFileAttributesW(WinText(path), kBlocking | FILE_ATTRIBUTE_ARCHIVE));
    UniqueFileHandle held(CreateFileW(WinText(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    if (clear) valdorine::Run().options.word1 |= option1::kClearAttributesOnRetry;
    EXPECT_FALSE(Write(path));
    const DWORD attributes = GetFileAttributesW(WinText(path));
    EXPECT_EQ(attributes & kBlocking, clear ? 0u : kBlocking);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_ARCHIVE, 0u);
    held.Reset();
    SetFileAttributesW(WinText(path), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(WriteInstalledFileTest, VerificationReportsAFileThatDoesNotHoldTheData) {
  // The null device accepts every write and reads back nothing.
  const String device = W(u"NUL");
  EXPECT_TRUE(Write(device));
  EXPECT_TRUE(summary_.IsEmpty());

  valdorine::Run().options.word1 |= option1::kVerifyWrittenFiles;
  EXPECT_FALSE(Write(device));
  EXPECT_EQ(WideOf(summary_), u"Failed: NUL\r\n");  // no "Code" line: the last error was cleared

  summary_ = String();
  const String path = scratch_.Join(u"verified.txt");
  EXPECT_TRUE(Write(path));
  EXPECT_EQ(ReadBytes(path), kData);
  EXPECT_TRUE(summary_.IsEmpty());
}

// Data in pieces that are gone once delivered, as a large entry streams from the archive; after the
// last piece it reports `end` (a checksum that did not match, say).
class StreamedData final : public EntryData {
 public:
  StreamedData(std::vector<std::string> pieces, PackageError end) : pieces_(std::move(pieces)), end_(end) {}
  PackageError NextPiece(std::span<const uint8_t>& piece) override {
    piece = {};
    if (next_ == pieces_.size()) return end_;
    const std::string& text = pieces_[next_++];
    piece = {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
    return PackageError::kNone;
  }
  bool Rewind() override { return next_ == 0; }

 private:
  std::vector<std::string> pieces_;
  size_t next_ = 0;
  PackageError end_;
};

TEST_F(WriteInstalledFileTest, StreamedDataIsWrittenPieceByPieceAndDataThatFailsLeavesNoFile) {
  struct Case {
    const char16_t* name;
    PackageError end;
  };
  for (const Case c : {Case{u"whole.txt", PackageError::kNone}, Case{u"damaged.txt", PackageError::kEntryDataChecksum}}) {
    const String path = scratch_.Join(c.name);
    ASSERT_TRUE(WriteBytes(path, "an older file"));
    StreamedData data({"first piece, ", "second piece, ", "last piece"}, c.end);
    PackageError error = PackageError::kEntryKind;  // every call must set it
    const bool written = WriteInstalledFile(path, data, kDate, summary_, FILE_ATTRIBUTE_HIDDEN, false, replaced_, error);
    EXPECT_EQ(error, c.end);
    EXPECT_EQ(written, c.end == PackageError::kNone);
    EXPECT_FALSE(replaced_);
    EXPECT_TRUE(summary_.IsEmpty());
    if (!written) {
      EXPECT_EQ(GetFileAttributesW(WinText(path)), INVALID_FILE_ATTRIBUTES);
      continue;
    }
    EXPECT_EQ(ReadBytes(path), "first piece, second piece, last piece");
    EntryDate read_back;
    ASSERT_TRUE(ReadFileDate(path, read_back));
    ExpectDate(read_back, kDate);
    EXPECT_NE(GetFileAttributesW(WinText(path)) & FILE_ATTRIBUTE_HIDDEN, 0u);
    SetFileAttributesW(WinText(path), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
}  // namespace valdorine
