#include "core/win32/safe_delete.hpp"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "../string_test_support.hpp"
#include "core/path_text.hpp"
#include "core/win32/system_folders.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::W;
using testing::WriteBytes;

TEST(IsProtectedFolder, RootsAndSystemFoldersAndWhatHoldsThem) {
  const String profile = SpecialFolder(CSIDL_PROFILE);
  const String windows = WindowsFolder();
  struct Row {
    const char* label;
    String path;
  };
  const Row rows[] = {
      {"empty", String()},
      {"drive root", W(u"C:\\")},
      {"drive", W(u"c:")},
      {"share root", W(u"\\\\server\\share\\")},
      {"Windows folder", windows},
      {"Windows folder in other case, trailing backslash", W(u"c:\\WINDOWS\\")},
      {"Windows folder through ..", JoinPath(windows, W(u"system32\\..\\..\\windows"))},
      {"Windows folder with a device prefix", JoinPath(W(u"\\\\?"), windows)},
      {"system folder", SystemFolder()},
      {"Program Files", ProgramFilesFolder(folder_kind::k64Bit)},
      {"Program Files (x86)", ProgramFilesFolder(folder_kind::k32Bit)},
      {"Common Files", CommonFilesFolder(folder_kind::kDefault)},
      {"user profile", profile},
      {"folder of all profiles", ParentFolder(profile)},
      {"application data", SpecialFolder(CSIDL_APPDATA)},
      {"a folder above application data", ParentFolder(SpecialFolder(CSIDL_APPDATA))},
      {"temporary folder", TempFolder()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_TRUE(IsProtectedFolder(row.path));
  }
}

TEST(IsProtectedFolder, FoldersBelowTheSystemFoldersAreNot) {
  testing::ScratchFolder scratch;
  EXPECT_FALSE(IsProtectedFolder(scratch.Path()));
  EXPECT_FALSE(IsProtectedFolder(JoinPath(ProgramFilesFolder(folder_kind::kDefault), W(u"Some Product"))));
  EXPECT_FALSE(IsProtectedFolder(JoinPath(WindowsFolder(), W(u"Temp\\product-setup"))));
}

TEST(DeleteTree, RefusesProtectedFoldersWithoutTouchingThem) {
  const String marker = JoinPath(WindowsFolder(), W(u"valdorine-delete-marker.txt"));
  ASSERT_TRUE(WriteBytes(marker, "keep"));
  EXPECT_FALSE(DeleteTree(WindowsFolder()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteTree(W(u"C:\\")));
  EXPECT_TRUE(FileExists(marker));
  EXPECT_TRUE(DeleteFileAt(marker));
}

TEST(DeleteTree, RemovesReadOnlyFilesAndFoldersAtEveryLevel) {
  testing::ScratchFolder scratch;
  const String tree = scratch.Join(u"tree");
  ASSERT_TRUE(CreateFolderTree(scratch.Join(u"tree\\a\\b")));
  ASSERT_TRUE(CreateFolderTree(scratch.Join(u"tree\\empty")));
  ASSERT_TRUE(WriteBytes(scratch.Join(u"tree\\top.txt"), "1"));
  ASSERT_TRUE(WriteBytes(scratch.Join(u"tree\\a\\b\\deep.txt"), "2"));
  ASSERT_TRUE(SetFileAttributesW(WinText(scratch.Join(u"tree\\a\\b\\deep.txt")), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(WinText(scratch.Join(u"tree\\a")), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeleteTree(tree));
  EXPECT_FALSE(PathExists(tree));
  EXPECT_TRUE(FolderExists(scratch.Path()));
}

TEST(DeleteTree, ReportsWhatRemains) {
  testing::ScratchFolder scratch;
  const String tree = scratch.Join(u"tree");
  const String held = scratch.Join(u"tree\\held.txt");
  ASSERT_TRUE(CreateFolderTree(tree));
  ASSERT_TRUE(WriteBytes(held, "held"));
  ASSERT_TRUE(WriteBytes(scratch.Join(u"tree\\free.txt"), "free"));
  {
    UniqueFileHandle holder(CreateFileW(WinText(held), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(DeleteTree(tree));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_TRUE(FileExists(held));
  EXPECT_FALSE(PathExists(scratch.Join(u"tree\\free.txt")));
  EXPECT_FALSE(DeleteTree(scratch.Join(u"missing")));
}

TEST(DeleteFileAt, ClearsTheReadOnlyAttribute) {
  testing::ScratchFolder scratch;
  const String path = scratch.Join(u"read-only.txt");
  ASSERT_TRUE(WriteBytes(path, "x"));
  ASSERT_TRUE(SetFileAttributesW(WinText(path), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(DeleteFileAt(path));
  EXPECT_FALSE(PathExists(path));
}

}  // namespace
}  // namespace valdorine
