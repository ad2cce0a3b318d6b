#include "core/win32/disk_file.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "../fatal_capture.hpp"
#include "../string_test_support.hpp"
#include "core/file_errors.hpp"
#include "core/path_text.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using namespace open_flag;
using testing::NarrowOf;
using testing::ReadBytes;
using testing::W;
using testing::WideOf;
using testing::WriteBytes;
using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool EndsWithIgnoreCase(const String& text, const char16_t* suffix) {
  const int length = static_cast<int>(std::char_traits<char16_t>::length(suffix));
  return text.WideLength() >= length && EqualsIgnoreCase(text.Substring(text.WideLength() - length).Wide(), suffix);
}

class DiskFileTest : public ::testing::Test {
 protected:
  String NewFile(const char16_t* name, const std::string& bytes) {
    String path = scratch_.Join(name);
    EXPECT_TRUE(WriteBytes(path, bytes));
    return path;
  }

  testing::ScratchFolder scratch_;
};

// A read-only file opened for writing (13) is left to the mapping's own test: under Wine as root
// the system opens it anyway.
TEST_F(DiskFileTest, OpenFailuresGiveFileErrorCodes) {
  const String existing = NewFile(u"existing.txt", "data");
  const char16_t absent_letter = testing::AbsentDriveLetter();
  ASSERT_NE(absent_letter, 0);
  const String absent_drive = String::FormatWide(u"%c:\\file.txt", absent_letter);
  struct Row {
    const char* label;
    String path;
    uint32_t flags;
    int code;
    DWORD system_error;  // 0: not checked
  };
  const Row rows[] = {
      {"folder", scratch_.Path(), kOpenExisting | kNoWrite, file_error::kPathIsFolder, 0},
      {"absent drive", absent_drive, kOpenExisting, file_error::kNoSuchDrive, 0},
      {"folder on an absent drive", JoinPath(absent_drive, W(u"file.txt")), kOpenExisting, file_error::kNoSuchDrive, 0},
      {"missing file", scratch_.Join(u"missing.txt"), kOpenExisting, file_error::kFileNotFound, ERROR_FILE_NOT_FOUND},
      {"missing folder", scratch_.Join(u"none\\file.txt"), kOpenExisting, file_error::kFolderNotFound,
       ERROR_PATH_NOT_FOUND},
      {"invalid name", scratch_.Join(u"a<b.txt"), kOpenOrCreate, file_error::kInvalidName, ERROR_INVALID_NAME},
      {"empty path", String(), kOpenOrCreate, file_error::kInvalidName, ERROR_INVALID_NAME},
      {"empty name in the temporary folder", String(), kNameInTempFolder, file_error::kInvalidName, ERROR_INVALID_NAME},
      {"create new over a file", existing, kCreateNew, file_error::kAlreadyExists, ERROR_FILE_EXISTS},
      {"unknown name mode", existing, 0xC0000000, file_error::kInvalidParameter, ERROR_INVALID_PARAMETER},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    DiskFile file;
    EXPECT_EQ(file.Open(row.path, row.flags | kWidePath), row.code);
    if (row.system_error != 0) EXPECT_EQ(GetLastError(), row.system_error);
    EXPECT_FALSE(file.IsOpen());
  }
}

TEST_F(DiskFileTest, SharingViolationIsTriedSixTimesBeforeLocked) {
  const String path = NewFile(u"held.txt", "data");
  DiskFile holder;  // no sharing: every other open is a sharing violation
  ASSERT_EQ(holder.Open(path, kOpenExisting | kWidePath), file_error::kSuccess);

  DiskFile file;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(file.Open(path, kOpenExisting | kNoWrite | kWidePath), file_error::kLocked);
  const int64_t elapsed = MillisecondsSince(start);
  RecordProperty("elapsed_ms", static_cast<int>(elapsed));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  // Five waits of 100 ms between six attempts.
  EXPECT_GE(elapsed, 480) << elapsed << " ms";
  EXPECT_LT(elapsed, 1500) << elapsed << " ms";
}

TEST_F(DiskFileTest, RetryFlagsChangeTheWaiting) {
  const String path = NewFile(u"held.txt", "data");
  DiskFile holder;
  ASSERT_EQ(holder.Open(path, kOpenExisting | kWidePath), file_error::kSuccess);
  struct Row {
    const char* label;
    uint32_t flags;
    int64_t at_least_ms;
    int64_t below_ms;
  };
  const Row rows[] = {
      {"no sharing retry", kNoSharingRetry, 0, 90},
      {"one retry after 150 ms", kRetryOnce | kNoSharingRetry, 140, 400},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    DiskFile file;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(file.Open(path, row.flags | kOpenExisting | kNoWrite | kWidePath), file_error::kLocked);
    const int64_t elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, row.at_least_ms) << elapsed << " ms";
    EXPECT_LT(elapsed, row.below_ms) << elapsed << " ms";
  }
}

TEST_F(DiskFileTest, FileReleasedDuringTheRetriesIsOpened) {
  const String path = NewFile(u"held.txt", "data");
  DiskFile holder;
  ASSERT_EQ(holder.Open(path, kOpenExisting | kWidePath), file_error::kSuccess);
  std::thread releaser([&holder] {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    holder.Close();
  });
  DiskFile file;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(file.Open(path, kOpenExisting | kNoWrite | kWidePath), file_error::kSuccess);
  EXPECT_GE(MillisecondsSince(start), 200);
  releaser.join();
}

TEST_F(DiskFileTest, ReadOnlyOpenSharingReadingAlsoSharesWriting) {
  const String path = NewFile(u"shared.txt", "data");
  DiskFile reader;
  ASSERT_EQ(reader.Open(path, kOpenExisting | kNoWrite | kShareRead | kWidePath), file_error::kSuccess);
  DiskFile writer;
  EXPECT_EQ(writer.Open(path, kOpenExisting | kNoRead | kShareRead | kShareWrite | kNoSharingRetry | kWidePath),
            file_error::kSuccess);
}

TEST_F(DiskFileTest, ReadFailuresExplainThemselvesAndKeepTheFileUsable) {
  DiskFile file;
  ASSERT_EQ(file.Open(NewFile(u"digits.txt", "0123456789"), kOpenExisting | kWidePath), file_error::kSuccess);
  char buffer[16] = {};
  EXPECT_TRUE(file.Read(buffer, 0));
  EXPECT_FALSE(file.Read(buffer, -1));
  EXPECT_EQ(WideOf(file.LastErrorText()), u"Illegal block size -1");
  EXPECT_FALSE(file.Read(nullptr, 4));
  EXPECT_EQ(WideOf(file.LastErrorText()), u"read(NULL)");
  EXPECT_EQ(file.ReadSome(nullptr, 4), -1);
  EXPECT_EQ(WideOf(file.LastErrorText()), u"NULL block pointer");

  ASSERT_TRUE(file.Seek(6));
  EXPECT_FALSE(file.Read(buffer, 8));
  EXPECT_EQ(WideOf(file.LastErrorText()), u"Read past end of file");
  EXPECT_EQ(file.Tell(), 6);
  EXPECT_TRUE(file.Read(buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(file.ReadSome(buffer, 4), 0);
}

TEST_F(DiskFileTest, AccessFailuresSetTheTextAndTheSystemError) {
  const String path = NewFile(u"data.txt", "data");
  char buffer[4] = {};
  DiskFile write_only;
  const uint32_t sharing = kShareRead | kShareWrite | kWidePath;
  ASSERT_EQ(write_only.Open(path, kOpenExisting | kNoRead | sharing), file_error::kSuccess);
  EXPECT_FALSE(write_only.Read(buffer, 4));
  EXPECT_EQ(WideOf(write_only.LastErrorText()), u"Read access denied");

  DiskFile read_only;
  ASSERT_EQ(read_only.Open(path, kOpenExisting | kNoWrite | sharing), file_error::kSuccess);
  EXPECT_FALSE(read_only.Write("x", 1));
  EXPECT_EQ(WideOf(read_only.LastErrorText()), u"Write access denied");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  DiskFile closed;
  EXPECT_FALSE(closed.Read(buffer, 4));
  EXPECT_EQ(WideOf(closed.LastErrorText()), u"File not open");
  EXPECT_FALSE(closed.Write("x", 1));
  EXPECT_EQ(WideOf(closed.LastErrorText()), u"File not open");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(closed.Size(), -1);
}

TEST_F(DiskFileTest, NegativeWriteSizeIsAFailure) {
  DiskFile file;
  ASSERT_EQ(file.Open(scratch_.Join(u"out.bin"), kCreateOrTruncate | kWidePath), file_error::kSuccess);
  EXPECT_TRUE(file.Write("x", 0));
  EXPECT_FALSE(file.Write("x", -1));
  EXPECT_EQ(WideOf(file.LastErrorText()), u"Illegal write size");
  EXPECT_EQ(file.Size(), 0);
}

TEST_F(DiskFileTest, LargeWritesArriveWhole) {
  std::string data(3 * 1048576 + 5, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096);
  const String path = scratch_.Join(u"large.bin");
  DiskFile file;
  ASSERT_EQ(file.Open(path, kCreateOrTruncate | kWidePath), file_error::kSuccess);
  ASSERT_TRUE(file.Write(data.data(), static_cast<int>(data.size())));
  EXPECT_EQ(file.Size(), static_cast<int64_t>(data.size()));
  file.Close();
  EXPECT_TRUE(ReadBytes(path) == data);
}

TEST_F(DiskFileTest, AppendWritesAtTheEnd) {
  const String path = NewFile(u"log.txt", "one");
  DiskFile file;
  ASSERT_EQ(file.Open(path, kOpenExisting | kAppend | kWidePath), file_error::kSuccess);
  ASSERT_TRUE(file.Write("two", 3));
  file.Close();
  EXPECT_EQ(ReadBytes(path), "onetwo");
}

TEST_F(DiskFileTest, InMemoryModeReadsAndWritesTheImageOnly) {
  const String path = NewFile(u"image.txt", "abcdef");
  DiskFile file;
  ASSERT_EQ(file.Open(path, kOpenExisting | kLoadIntoMemory | kWidePath), file_error::kSuccess);
  char buffer[3] = {};
  ASSERT_TRUE(file.Read(buffer, 3));
  EXPECT_EQ(std::string(buffer, 3), "abc");
  ASSERT_TRUE(file.Write("XYZW", 4));
  EXPECT_EQ(file.Size(), 7);
  String image;
  EXPECT_EQ(file.ReadAll(image), file_error::kSuccess);
  EXPECT_EQ(NarrowOf(image), "abcXYZW");
  file.Close();
  EXPECT_EQ(ReadBytes(path), "abcdef");
}

TEST_F(DiskFileTest, ReadAllAndRewriteAll) {
  const String path = NewFile(u"all.txt", "hello world");
  DiskFile file;
  ASSERT_EQ(file.Open(path, kOpenExisting | kWidePath), file_error::kSuccess);
  String contents;
  ASSERT_EQ(file.ReadAll(contents), file_error::kSuccess);
  EXPECT_EQ(NarrowOf(contents), "hello world");
  EXPECT_EQ(contents.Capacity(), contents.Length() + 2);
  EXPECT_EQ(file.RewriteAll(String::FromNarrow("hi")), file_error::kSuccess);
  file.Close();
  EXPECT_EQ(ReadBytes(path), "hi");

  EXPECT_EQ(file.ReadAll(contents), file_error::kNotOpen);
  DiskFile read_only;
  ASSERT_EQ(read_only.Open(path, kOpenExisting | kNoWrite | kWidePath), file_error::kSuccess);
  EXPECT_EQ(read_only.RewriteAll(String::FromNarrow("x")), file_error::kWriteFailed);
}

TEST_F(DiskFileTest, CopyFromTakesARangeOrTheRest) {
  std::string data(10000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26 + i / 1000);
  DiskFile source;
  ASSERT_EQ(source.Open(NewFile(u"source.bin", data), kOpenExisting | kNoWrite | kWidePath), file_error::kSuccess);
  const String target_path = scratch_.Join(u"target.bin");
  DiskFile target;
  ASSERT_EQ(target.Open(target_path, kCreateOrTruncate | kWidePath), file_error::kSuccess);
  EXPECT_TRUE(target.CopyFrom(source, 100, 5000));
  EXPECT_TRUE(target.CopyFrom(source, 9000));
  target.Close();
  EXPECT_TRUE(ReadBytes(target_path) == data.substr(100, 5000) + data.substr(9000));
}

TEST_F(DiskFileTest, DetectTextMarkReportsTheMarkAndSkipsIt) {
  struct Row {
    const char* label;
    std::string bytes;
    int mark;
    int64_t position;
  };
  const Row rows[] = {
      {"UTF-16LE", std::string("\xFF\xFE" "A\0", 4), text_mark::kUtf16LittleEndian, 2},
      {"UTF-16BE", "\xFE\xFF", text_mark::kUtf16BigEndian, 2},
      {"UTF-8", "\xEF\xBB\xBF" "abc", text_mark::kUtf8, 3},
      {"cut UTF-8 mark", "\xEF\xBB", text_mark::kNone, 0},
      {"plain", "abc", text_mark::kNone, 0},
      {"empty", "", text_mark::kNone, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    DiskFile file;
    ASSERT_EQ(file.Open(NewFile(u"text.txt", row.bytes), kOpenExisting | kWidePath), file_error::kSuccess);
    EXPECT_EQ(file.DetectTextMark(), row.mark);
    EXPECT_EQ(file.Tell(), row.position);
  }
}

TEST_F(DiskFileTest, NameModesMakeTemporaryFiles) {
  const String beside = scratch_.Join(u"beside.txt");
  const String temp_folder = WithoutTrailingSeparators(TempFolder());
  struct Row {
    const char* label;
    String path;
    uint32_t flags;
    String folder;
    const char16_t* extension;
  };
  const Row rows[] = {
      {"new in the temporary folder", String(), kNewTempFile, temp_folder, u".tmp"},
      {"new in a folder", scratch_.Path(), kNewTempFileInFolder, scratch_.Path(), u".tmp"},
      {"new beside a file", beside, kNewTempFileBeside, scratch_.Path(), u".tmp"},
      {"new with an extension", W(u"log"), kNewTempFileWithExtension, temp_folder, u".log"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    DiskFile file;
    ASSERT_EQ(file.Open(row.path, row.flags | kWidePath | kCloseAfterOpen), file_error::kSuccess);
    const String name = file.Path().Substring(ParentFolder(file.Path()).WideLength() + 1);
    EXPECT_TRUE(EqualsIgnoreCase(ParentFolder(file.Path()), row.folder)) << NarrowOf(NarrowPath(file.Path()));
    EXPECT_EQ(WideOf(name).substr(0, 3), u"SGT");
    EXPECT_TRUE(EndsWithIgnoreCase(name, row.extension)) << NarrowOf(NarrowPath(name));
    EXPECT_TRUE(FileExists(file.Path()));
    DeleteFileAt(file.Path());
  }
  EXPECT_FALSE(FileExists(beside));
}

TEST_F(DiskFileTest, NameInTheTemporaryFolder) {
  DiskFile file;
  const uint32_t flags = kNameInTempFolder | kCreateOrTruncate | kCloseAfterOpen | kWidePath;
  ASSERT_EQ(file.Open(W(u"valdorine-name-mode.txt"), flags), file_error::kSuccess);
  EXPECT_TRUE(EqualsIgnoreCase(file.Path(), JoinPath(TempFolder(), W(u"valdorine-name-mode.txt"))));
  EXPECT_TRUE(DeleteFileAt(file.Path()));
}

TEST_F(DiskFileTest, NarrowPathsCarryUtf8AfterTheBar) {
  const String wide_path = NewFile(u"\u0416\u00E9.txt", "narrow");
  const String narrow_path = NarrowPath(wide_path);
  ASSERT_EQ(narrow_path.NarrowAt(0), '|');
  DiskFile file;
  ASSERT_EQ(file.Open(narrow_path, kOpenExisting | kNoWrite), file_error::kSuccess);
  String contents;
  EXPECT_EQ(file.ReadAll(contents), file_error::kSuccess);
  EXPECT_EQ(NarrowOf(contents), "narrow");
  EXPECT_TRUE(EqualsIgnoreCase(file.Path(), wide_path));
}

// A hard link put where the installer writes leads nowhere: the file the link shares is never
// written, whether the name is created anew or appended to, and the name then holds a file of its
// own.
TEST_F(DiskFileTest, NoLinksNeverWritesThroughAPlantedHardLink) {
  struct Row {
    uint32_t disposition;
    std::string expected;
  };
  for (const Row& row : {Row{kCreateOrTruncate, "new"}, Row{kOpenOrCreate, "new"}}) {
    const String victim = NewFile(u"victim.txt", "secret");
    const String planted = scratch_.Join(u"Install.log");
    ASSERT_TRUE(CreateHardLinkW(WinText(planted), WinText(victim), nullptr));
    DiskFile file;
    ASSERT_EQ(file.Open(planted, row.disposition | kWidePath | kNoLinks), file_error::kSuccess) << row.disposition;
    ASSERT_TRUE(file.Write("new", 3));
    file.Close();
    EXPECT_EQ(ReadBytes(victim), "secret") << row.disposition;
    EXPECT_EQ(ReadBytes(planted), row.expected) << row.disposition;
    ASSERT_TRUE(DeleteFileW(WinText(planted)));
    ASSERT_TRUE(DeleteFileW(WinText(victim)));
  }
  // A plain file is kept and appended to.
  const String plain = NewFile(u"plain.log", "old ");
  DiskFile file;
  ASSERT_EQ(file.Open(plain, kOpenOrCreate | kAppend | kWidePath | kNoLinks), file_error::kSuccess);
  ASSERT_TRUE(file.Write("new", 3));
  file.Close();
  EXPECT_EQ(ReadBytes(plain), "old new");
}

TEST_F(DiskFileTest, WholeFileHelpers) {
  const String path = scratch_.Join(u"whole.bin");
  const String data = String::FromBytes("a\0b\r\n", 5);
  EXPECT_EQ(WriteWholeFile(path, data), file_error::kSuccess);
  String contents;
  EXPECT_EQ(ReadWholeFile(path, contents), file_error::kSuccess);
  EXPECT_TRUE(contents == data);
  EXPECT_EQ(ReadWholeFile(scratch_.Join(u"missing.bin"), contents), file_error::kFileNotFound);
  EXPECT_TRUE(contents.IsEmpty());
}

using DiskFileDeathTest = DiskFileTest;

TEST_F(DiskFileDeathTest, RequiredFileEndsTheProgramWithItsMessage) {
  const String missing = scratch_.Join(u"required.dat");
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        DiskFile file;
        file.Open(missing, kOpenExisting | kFatalOnFailure | kWidePath);
      },
      ::testing::ExitedWithCode(1),
      "^Failed to open required file:<CR><LF>.*required\\.dat<CR><LF><CR><LF>The file was not found\\.$");
}

}  // namespace
}  // namespace valdorine
