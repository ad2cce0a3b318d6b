#include <windows.h>

#include <gtest/gtest.h>

#include "package/language_strings.hpp"
#include "scratch_folder.hpp"
#include "uninstall/uninstall_list.hpp"
#include "uninstall/uninstall_list_removal.hpp"

namespace valdorine {
namespace {

using testing::ScratchFolder;
using testing::W;
using testing::WriteBytes;

String Narrow(const String& wide) { return NarrowFromWide(wide, code_page::kAnsi); }

String Marked(char mark, const String& path) {
  String line;
  line.AppendNarrowChar(mark);
  line.Append(Narrow(path));
  return line;
}

// An installation folder with recorded files and folders; one folder also holds a file that the
// user added, and one recorded file is held open without sharing.
class UninstallerListTest : public ::testing::Test {
 protected:
  UninstallerListTest() {
    Array<String> strings;
    strings.Resize(59);
    strings[58] = W(u"Not removed:");
    SetLanguageStrings(std::move(strings));
    ClearUninstallList();
    for (const char16_t* folder : {u"bin", u"bin\\plugins", u"docs", u"data"}) CreateFolderTree(install_.Join(folder));
    for (const char16_t* file : {u"app.exe", u"bin\\tool.dll", u"bin\\plugins\\a.dll", u"docs\\guide.txt",
                                 u"docs\\mine.txt", u"data\\held.dat"}) {
      WriteBytes(install_.Join(file), "x");
    }
  }
  ~UninstallerListTest() override {
    ClearUninstallList();
    SetLanguageStrings({});
  }

  Array<String> Entries() const {
    Array<String> entries;
    for (const char16_t* file : {u"app.exe", u"bin\\tool.dll", u"bin\\plugins\\a.dll", u"docs\\guide.txt",
                                 u"data\\held.dat", u"missing.txt"}) {
      entries.Append(Narrow(install_.Join(file)));
    }
    for (const char16_t* folder : {u"bin", u"docs", u"bin\\plugins", u"data"}) {
      entries.Append(Marked('~', install_.Join(folder)));
    }
    entries.Append(Marked('~', install_.Path()));
    return entries;
  }

  ScratchFolder install_;
};

TEST_F(UninstallerListTest, FilesGoAndWhatStaysIsReportedAndRecordedAgain) {
  const UniqueFileHandle held(CreateFileW(WinText(install_.Join(u"data\\held.dat")), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.IsValid());
  ListRemoval removal;
  RemoveListedEntries(Entries(), false, removal);

  EXPECT_FALSE(FileExists(install_.Join(u"app.exe")));
  EXPECT_FALSE(FileExists(install_.Join(u"bin\\plugins\\a.dll")));
  EXPECT_TRUE(FileExists(install_.Join(u"data\\held.dat")));
  EXPECT_TRUE(removal.deleted_files.Contains(PathSetKey(install_.Join(u"bin\\tool.dll"))));
  EXPECT_FALSE(removal.deleted_files.Contains(PathSetKey(install_.Join(u"data\\held.dat"))));
  String expected_failure = W(u"Not removed: ");
  expected_failure.Append(install_.Join(u"data\\held.dat"));
  expected_failure.AppendWide(u"\r\n");
  EXPECT_EQ(removal.failures, expected_failure);
  String expected_list = Narrow(install_.Join(u"data\\held.dat"));
  expected_list.AppendNarrow("\r\n");
  EXPECT_EQ(UninstallListText(), expected_list);
  EXPECT_EQ(removal.folders.Count(), 5);
}

TEST_F(UninstallerListTest, EmptiedFoldersAndEmptyParentsGoButNeverTheInstallationFolder) {
  ListRemoval removal;
  RemoveListedEntries(Entries(), false, removal);
  RemoveListedFolders(removal.folders, install_.Path(), false);

  EXPECT_FALSE(FolderExists(install_.Join(u"bin")));  // emptied once its plugins folder went
  EXPECT_TRUE(FileExists(install_.Join(u"docs\\mine.txt")));
  EXPECT_FALSE(FolderExists(install_.Join(u"data")));
  EXPECT_TRUE(FolderExists(install_.Path()));
}

}  // namespace
}  // namespace valdorine
