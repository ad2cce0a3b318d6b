#include "uninstall/uninstall_data.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../string_test_support.hpp"
#include "package/language_strings.hpp"
#include "run/run_state.hpp"
#include "scratch_folder.hpp"
#include "uninstall/uninstall_data_digest.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::W;
using testing::WideOf;
using testing::WriteBytes;

// Each test starts with an empty uninstall list and sections, and no language strings, and puts
// the run's uninstall data folder back afterwards.
class UninstallDataFile : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    Reset();
    valdorine::Run().uninstall_dir = saved_uninstall_dir_;
    valdorine::Run().existing_installation = false;
    valdorine::Run().existing_data_digest = {};
  }

  static void Reset() {
    ClearUninstallList();
    CollectedUninstallSections() = {};
    SetLanguageStrings({});
  }

  String saved_uninstall_dir_ = valdorine::Run().uninstall_dir;
};

TEST_F(UninstallDataFile, FoldersAreRecordedOnceWhateverTheirCase) {
  EXPECT_TRUE(RecordUninstallEntry(W(u"C:\\Program Files\\Caf\u00E9"), uninstall_entry::kFolder));
  EXPECT_FALSE(RecordUninstallEntry(W(u"c:\\PROGRAM FILES\\CAF\u00C9"), uninstall_entry::kFolder));
  EXPECT_TRUE(RecordUninstallEntry(W(u"C:\\Program Files\\Caf\u00E9\\a.txt"), uninstall_entry::kFile));
  EXPECT_TRUE(RecordUninstallEntry(W(u"C:\\Program Files\\Caf\u00E9\\a.txt"), uninstall_entry::kFile));
  EXPECT_EQ(NarrowOf(UninstallListText()),
            "~|C:\\Program Files\\Caf\xC3\xA9\r\n"
            "|C:\\Program Files\\Caf\xC3\xA9\\a.txt\r\n"
            "|C:\\Program Files\\Caf\xC3\xA9\\a.txt\r\n");

  ClearUninstallList();
  EXPECT_TRUE(UninstallListText().IsEmpty());
  EXPECT_TRUE(RecordUninstallEntry(W(u"C:\\PROGRAM FILES\\CAF\u00C9"), uninstall_entry::kFolder));
}

TEST_F(UninstallDataFile, ShortEntriesLineBreaksAndUnknownKindsAreNotRecorded) {
  EXPECT_FALSE(RecordUninstallEntry(W(u"C:\\"), uninstall_entry::kFolder));
  EXPECT_FALSE(RecordUninstallEntry(W(u"C:"), uninstall_entry::kFile));
  EXPECT_FALSE(RecordUninstallEntry(W(u""), uninstall_entry::kRegistryKey));
  EXPECT_FALSE(RecordUninstallEntry(W(u"C:\\App"), 5));
  EXPECT_FALSE(RecordUninstallEntry(W(u"C:\\App"), -1));
  EXPECT_FALSE(
      RecordUninstallEntry(W(u"\\HKCU\\Software\\App\\name\r\n~C:\\Windows"), uninstall_entry::kRegistryValue));
  EXPECT_FALSE(RecordUninstallEntry(W(u"\\HKCU\\Software\\App\nC:\\boot.ini"), uninstall_entry::kRegistryKey));
  EXPECT_TRUE(UninstallListText().IsEmpty());
  EXPECT_TRUE(RecordUninstallEntry(W(u"D:\\a"), uninstall_entry::kRegistryKey64));
  EXPECT_EQ(NarrowOf(UninstallListText()), "*D:\\a\r\n");
}

TEST_F(UninstallDataFile, WriteReplacesAnOldFileWithTheRunsRecord) {
  ScratchFolder folder;
  valdorine::Run().uninstall_dir = folder.Path();
  ASSERT_EQ(WideOf(UninstallDataPath()), WideOf(folder.Join(u"Uninstall.DAT")));
  ASSERT_TRUE(WriteBytes(UninstallDataPath(), std::string(20000, 'x')));

  RecordUninstallEntry(W(u"C:\\App\\a.txt"), uninstall_entry::kFile);
  RecordUninstallEntry(W(u"\\HKLM\\Software\\App"), uninstall_entry::kRegistryKey);
  CollectedUninstallSections().firewall = String::FromNarrow("8080;Web;1;\r\n");
  Array<String> strings;
  strings.Resize(115);
  strings[10] = W(u"Could not remove:\r\n%s");
  strings[114] = W(u"App Setup \u00E9");
  SetLanguageStrings(std::move(strings));

  ASSERT_TRUE(WriteUninstallData());
  const std::string bytes = ReadBytes(UninstallDataPath());
  EXPECT_EQ(bytes.find("xxxx"), std::string::npos);
  EXPECT_TRUE(bytes.starts_with("C:\\App\\a.txt\r\n^\\HKLM\\Software\\App\r\n\r\n\r\n[Strings]\r\n~10\r\n"
                                "Could not remove:\r\n%s\r\n~15\r\n"));
  EXPECT_TRUE(bytes.ends_with("~999\r\nApp Setup \xC3\xA9\r\n\r\n\r\n[Firewall]\r\n8080;Web;1;\r\n"));

  const UninstallRecords records = ReadUninstallData(String::FromBytes(bytes.data(), static_cast<int>(bytes.size())));
  ASSERT_EQ(records.entries.Count(), 2);
  EXPECT_EQ(WideOf(records.special_string), u"App Setup \u00E9");
  ASSERT_EQ(records.firewall.Count(), 1);
}

TEST_F(UninstallDataFile, RewriteKeepsWhatTheUninstallerRead) {
  ScratchFolder folder;
  valdorine::Run().uninstall_dir = folder.Path();
  UninstallRecords kept;
  kept.string_numbers = {34, 10};
  kept.string_texts = {W(u"Done."), W(u"Failed:\r\n%s")};
  kept.special_string = W(u"Title");
  kept.auto_close.Append({W(u"*Viewer"), String::FromNarrow("Viewer"), String::FromNarrow("Viewer"), 2, 0x2});
  kept.conditional_deletes.Append({String::FromNarrow("%InstallDir%\\*.tmp"), 0, String(), 0x8});
  RecordUninstallEntry(W(u"C:\\App\\in use.dll"), uninstall_entry::kFile);

  ASSERT_TRUE(WriteUninstallData(kept));
  const std::string bytes = ReadBytes(UninstallDataPath());
  const UninstallRecords read = ReadUninstallData(String::FromBytes(bytes.data(), static_cast<int>(bytes.size())));
  ASSERT_EQ(read.entries.Count(), 1);
  EXPECT_EQ(NarrowOf(read.entries[0]), "C:\\App\\in use.dll");
  ASSERT_GE(read.string_numbers.Count(), 5);
  EXPECT_EQ(read.string_numbers[0], 10);
  EXPECT_EQ(WideOf(read.string_texts[0]), u"Failed:\r\n%s");
  EXPECT_EQ(read.string_numbers[4], 34);
  EXPECT_EQ(WideOf(read.string_texts[4]), u"Done.");
  EXPECT_EQ(WideOf(read.special_string), u"Title");
  ASSERT_EQ(read.auto_close.Count(), 1);
  EXPECT_EQ(WideOf(read.auto_close[0].window_class), u"*Viewer");
  ASSERT_EQ(read.conditional_deletes.Count(), 1);
  EXPECT_EQ(NarrowOf(read.conditional_deletes[0].pattern), "%InstallDir%\\*.tmp");
  EXPECT_NE(bytes.find("[ConditionalDelete]\r\n%InstallDir%\\*.tmp,0,,8\r\n"), std::string::npos);
}

// Over an existing installation only a file with the digest its key recorded hands on its records:
// lines planted in a writable folder must not reach the new file.
TEST_F(UninstallDataFile, EarlierRecordsAreCarriedOnlyFromTheRecordedFile) {
  ScratchFolder folder;
  RunState& run = valdorine::Run();
  run.uninstall_dir = folder.Path();
  run.existing_installation = true;
  const std::string earlier = "C:\\Earlier\\old.txt\r\n";
  const String earlier_text = String::FromBytes(earlier.data(), static_cast<int>(earlier.size()));
  const struct {
    String recorded;
    bool carried;
  } cases[] = {{UninstallDataDigest(earlier_text), true},
               {UninstallDataDigest(String::FromNarrow("C:\\Windows\\win.ini\r\n")), false},
               {String(), false}};
  for (const auto& row : cases) {
    run.existing_data_digest = row.recorded;
    ASSERT_TRUE(WriteBytes(UninstallDataPath(), earlier));
    RecordUninstallEntry(W(u"C:\\App\\a.txt"), uninstall_entry::kFile);
    ASSERT_TRUE(WriteUninstallData());
    const std::string bytes = ReadBytes(UninstallDataPath());
    EXPECT_EQ(bytes.find("C:\\Earlier\\old.txt") != std::string::npos, row.carried) << bytes;
    EXPECT_TRUE(bytes.starts_with("C:\\App\\a.txt\r\n")) << bytes;
    ClearUninstallList();
  }
}

TEST_F(UninstallDataFile, WriteFailureLeavesTheSystemsError) {
  ScratchFolder folder;
  valdorine::Run().uninstall_dir = folder.Join(u"missing");
  EXPECT_FALSE(WriteUninstallData());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  valdorine::Run().uninstall_dir = String();
  EXPECT_TRUE(UninstallDataPath().IsEmpty());
  EXPECT_FALSE(WriteUninstallData());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // A folder where the file belongs: the system's error, not success.
  valdorine::Run().uninstall_dir = folder.Path();
  ASSERT_TRUE(CreateDirectoryW(WinText(UninstallDataPath()), nullptr));
  EXPECT_FALSE(WriteUninstallData());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

}  // namespace
}  // namespace valdorine
