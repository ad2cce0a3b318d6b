#include "uninstall/conditional_deletions.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../fatal_capture.hpp"
#include "../string_test_support.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "operations_log_contents.hpp"
#include "paths/path_variables.hpp"
#include "pending_operations.hpp"
#include "run/run_state.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::OperationsLogContents;
using testing::PendingOperationsGuard;
using testing::PendingTexts;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;
using testing::WideOf;
using testing::WriteBytes;

using deletion_flag::kAtRestartOnFailure;
using deletion_flag::kOnlyAtRestart;
constexpr uint8_t kInstalling = deletion_flag::kWhenInstalling;
constexpr uint8_t kUninstalling = deletion_flag::kWhenUninstalling;

void PutWord(std::string& bytes, size_t at, WORD value) { std::memcpy(&bytes[at], &value, sizeof(value)); }

void PadToFourBytes(std::string& bytes) {
  while (bytes.size() % 4 != 0) bytes.push_back('\0');
}

// One block of a version resource: length, value length, type, key, value and children, each part
// starting on a four-byte boundary.
std::string VersionBlock(const std::u16string& key, const std::string& value, WORD value_length, WORD type,
                         const std::string& children) {
  std::string block(6, '\0');
  block.append(reinterpret_cast<const char*>(key.c_str()), (key.size() + 1) * sizeof(char16_t));
  PadToFourBytes(block);
  block += value;
  PadToFourBytes(block);
  block += children;
  PutWord(block, 0, static_cast<WORD>(block.size()));
  PutWord(block, 2, value_length);
  PutWord(block, 4, type);
  return block;
}

// A version resource whose US English Unicode string table says FileVersion `version`.
std::string VersionResource(const std::u16string& version) {
  const std::string text(reinterpret_cast<const char*>(version.c_str()), (version.size() + 1) * sizeof(char16_t));
  const std::string entry = VersionBlock(u"FileVersion", text, static_cast<WORD>(version.size() + 1), 1, "");
  const std::string table = VersionBlock(u"040904b0", "", 0, 1, entry);
  const std::string string_info = VersionBlock(u"StringFileInfo", "", 0, 1, table);
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  const std::string fixed_bytes(reinterpret_cast<const char*>(&fixed), sizeof(fixed));
  return VersionBlock(u"VS_VERSION_INFO", fixed_bytes, sizeof(fixed), 0, string_info);
}

// A copy of a small system library that carries only a version resource saying `version`.
bool WriteVersionedFile(const String& path, const std::u16string& version) {
  const String library = JoinPath(SystemFolder(), W(u"msimg32.dll"));
  if (!CopyFileW(WinText(library), WinText(path), FALSE)) return false;
  HANDLE update = BeginUpdateResourceW(WinText(path), TRUE);
  if (!update) return false;
  std::string resource = VersionResource(version);
  const bool updated =
      UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                      resource.data(), static_cast<DWORD>(resource.size()));
  return EndUpdateResourceW(update, !updated) && updated;
}

FileDeletion Deletion(const char* pattern, int kind, const char* value, uint8_t flags) {
  return FileDeletion{String::FromNarrow(pattern), static_cast<uint8_t>(kind), String::FromNarrow(value), flags};
}

std::string Utf8(const String& wide) { return NarrowOf(NarrowFromWide(wide, code_page::kUtf8)); }

class ConditionalDeletions : public ::testing::Test {
 protected:
  void SetUp() override {
    valdorine::Run() = RunState();
    valdorine::Run().install_dir = folder_.Path();
    RunPathVariables() = PathVariableSources();
    RunPathVariables().install_dir = folder_.Path();
    FailureSummary() = String();
    ASSERT_TRUE(OpenOperationsLog());
  }

  void TearDown() override {
    CloseOperationsLog();
    valdorine::Run() = RunState();
    RunPathVariables() = PathVariableSources();
    FailureSummary() = String();
  }

  String Path(const char16_t* name) const { return folder_.Join(name); }
  bool Exists(const char16_t* name) const { return FileExists(Path(name)); }
  String Put(const char16_t* name, size_t size) {
    WriteBytes(Path(name), std::string(size, 'x'));
    return Path(name);
  }

  // Runs the single record and returns what the operations log received meanwhile.
  std::string RunOne(const FileDeletion& record, bool installing) {
    const size_t logged_before = OperationsLogContents().size();
    Array<FileDeletion> records;
    records.Append(record);
    RunConditionalDeletions(records, installing);
    return OperationsLogContents().substr(logged_before);
  }

  PendingOperationsGuard pending_;
  ScratchFolder folder_;
};

struct VersionCase {
  int kind;
  std::vector<const char16_t*> deleted;
};

TEST_F(ConditionalDeletions, VersionConditionsCompareTheFilesVersionWithTheValue) {
  const VersionCase cases[] = {
      {1, {u"v20.dll"}},
      {2, {u"v20.dll", u"v31.dll"}},
      {3, {u"v19.dll", u"v20.dll"}},
  };
  const std::pair<const char16_t*, std::u16string> files[] = {
      {u"v19.dll", u"1.9"}, {u"v20.dll", u"2, 0"}, {u"v31.dll", u"3.1.0.0"}};
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.kind);
    for (const auto& [name, version] : files) ASSERT_TRUE(WriteVersionedFile(Path(name), version));
    Put(u"unversioned.dll", 4);

    const std::string log = RunOne(Deletion("*.dll", c.kind, "2.0", kInstalling), true);

    for (const auto& [name, version] : files) {
      const bool deleted = std::find(c.deleted.begin(), c.deleted.end(), name) != c.deleted.end();
      EXPECT_EQ(Exists(name), !deleted) << Utf8(W(name));
      EXPECT_EQ(log.find("Deleted file: " + Utf8(Path(name)) + "\r\n") != std::string::npos, deleted);
    }
    EXPECT_TRUE(Exists(u"unversioned.dll"));
    DeleteFileW(WinText(Path(u"v19.dll")));
    DeleteFileW(WinText(Path(u"v20.dll")));
    DeleteFileW(WinText(Path(u"v31.dll")));
  }
}

struct SizeCase {
  int kind;
  const char* value;
  std::vector<size_t> deleted_sizes;
};

TEST_F(ConditionalDeletions, SizeConditionsAndUnconditionalKinds) {
  const SizeCase cases[] = {
      {4, "20", {20}},       {5, "20", {20, 30}},    {6, "20", {10, 20}},    {5, "0", {10, 20, 30}},
      {9, "", {10, 20, 30}}, {0, "5", {10, 20, 30}}, {-1, "", {10, 20, 30}},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " value " << c.value);
    CreateFolderTree(Path(u"data"));
    for (size_t size : {10u, 20u, 30u}) {
      Put(String::FormatWide(u"data\\f%u.bin", static_cast<unsigned>(size)).Wide(), size);
    }

    RunOne(Deletion("%InstallDir%\\data\\*.bin", c.kind, c.value, kInstalling), true);

    for (size_t size : {10u, 20u, 30u}) {
      const bool deleted = std::find(c.deleted_sizes.begin(), c.deleted_sizes.end(), size) != c.deleted_sizes.end();
      EXPECT_EQ(Exists(String::FormatWide(u"data\\f%u.bin", static_cast<unsigned>(size)).Wide()), !deleted) << size;
    }
  }
}

TEST_F(ConditionalDeletions, RestartOnlyRegistersTheDeletionAndMarksTheRestart) {
  const String path = Put(u"busy.dll", 4);
  SetFileAttributesW(WinText(path), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  const std::string log = RunOne(Deletion("busy.dll", 9, "", kOnlyAtRestart | kInstalling), true);

  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(GetFileAttributesW(WinText(path)) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  EXPECT_EQ(pending_.Texts(), (PendingTexts{u"\\??\\" + WideOf(path), u""}));
  EXPECT_EQ(log, "File \"" + Utf8(path) + "\" will be deleted after rebooting.\r\n\r\n");
  EXPECT_NE(valdorine::Run().options.word1 & option1::kRestartAfterInstall, 0u);
  EXPECT_TRUE(FailureSummary().IsEmpty());
}

TEST_F(ConditionalDeletions, FileInUseFallsBackToTheRestartOnlyWhenAsked) {
  const String path = Put(u"locked.dll", 4);
  UniqueFileHandle lock(CreateFileW(WinText(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock.IsValid());
  const std::string sharing_error = Utf8(SystemErrorText(ERROR_SHARING_VIOLATION));

  std::string log = RunOne(Deletion("locked.dll", 9, "", kInstalling), true);
  EXPECT_EQ(log, "Failed to delete file \"" + Utf8(path) + "\": " + sharing_error + "\r\n\r\n");
  EXPECT_TRUE(pending_.Texts().empty());
  EXPECT_EQ(valdorine::Run().options.word1 & option1::kRestartAfterInstall, 0u);

  log = RunOne(Deletion("locked.dll", 9, "", kAtRestartOnFailure | kInstalling), true);
  EXPECT_NE(log.find("File \"" + Utf8(path) + "\" will be deleted after rebooting: " + sharing_error + "\r\n"),
            std::string::npos);
  EXPECT_EQ(pending_.Texts(), (PendingTexts{u"\\??\\" + WideOf(path), u""}));
  EXPECT_NE(valdorine::Run().options.word1 & option1::kRestartAfterInstall, 0u);
  EXPECT_TRUE(FileExists(path));
}

TEST_F(ConditionalDeletions, RecordsOfTheOtherPhaseAreLeftAlone) {
  Put(u"a.txt", 4);
  EXPECT_EQ(RunOne(Deletion("a.txt", 9, "", kUninstalling), true), "");
  EXPECT_TRUE(Exists(u"a.txt"));
  EXPECT_EQ(RunOne(Deletion("a.txt", 9, "", kInstalling), false), "");
  EXPECT_TRUE(Exists(u"a.txt"));
}

TEST_F(ConditionalDeletions, UninstallingKeepsOnlyTheRecordsThatFailed) {
  Put(u"gone.txt", 4);
  const String locked = Put(u"locked.txt", 4);
  const String later = Put(u"later.txt", 4);
  UniqueFileHandle lock(CreateFileW(WinText(locked), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  Array<FileDeletion> records;
  records.Append(Deletion("gone.txt", 9, "", kUninstalling));
  records.Append(Deletion("locked.txt", 9, "", kUninstalling));
  records.Append(Deletion("later.txt", 9, "", kOnlyAtRestart | kUninstalling));
  records.Append(Deletion("missing.txt", 9, "", kUninstalling));

  RunConditionalDeletions(records, false);

  ASSERT_EQ(records.Count(), 1);
  EXPECT_EQ(records[0].pattern, String::FromNarrow("locked.txt"));
  EXPECT_FALSE(Exists(u"gone.txt"));
  EXPECT_TRUE(FileExists(later));
  EXPECT_EQ(pending_.Texts(), (PendingTexts{u"\\??\\" + WideOf(later), u""}));
  EXPECT_NE(valdorine::Run().options.word2 & option2::kRestartAfterUninstall, 0u);
  EXPECT_EQ(valdorine::Run().options.word1 & option1::kRestartAfterInstall, 0u);
  EXPECT_EQ(OperationsLogContents(), "");
}

using ConditionalDeletionsDeathTest = ConditionalDeletions;

TEST_F(ConditionalDeletionsDeathTest, AVersionValueThatIsNoVersionIsACorruptPackage) {
  Put(u"a.dll", 4);
  EXPECT_EXIT(
      {
        testing::ShowFatalTextVisibly();
        RunOne(Deletion("a.dll", 2, "none", kInstalling), true);
      },
      ::testing::ExitedWithCode(1), "Error code: 65$");
  EXPECT_TRUE(Exists(u"a.dll"));
}

}  // namespace
}  // namespace valdorine
