#include <windows.h>

#include <gtest/gtest.h>

#include "core/win32/registry.hpp"
#include "scratch_folder.hpp"
#include "uninstall/shared_file_counts.hpp"

namespace valdorine {
namespace {

using testing::ScratchFolder;
using testing::W;

constexpr wchar_t kSharedDlls[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The count that SharedDLLs holds for `path`, read with the system's calls; -1 when absent.
long StoredCount(const String& path) {
  DWORD count = 0;
  DWORD size = sizeof(count);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kSharedDlls, WinText(path), RRF_RT_REG_DWORD, nullptr, &count, &size) != 0) {
    return -1;
  }
  return static_cast<long>(count);
}

void StoreCount(const String& path, DWORD count) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
  RegSetValueExW(key, WinText(path), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof(count));
  RegCloseKey(key);
}

void ForgetCount(const String& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, &key) != 0) return;
  RegDeleteValueW(key, WinText(path));
  RegCloseKey(key);
}

TEST(UninstallerSharedFilesTest, ParsesEntriesWithTheirMarks) {
  const String value = String::FromNarrow("\"C:\\a.dll^\";\"C:\\b.dll \";\"C:\\c.tlb\xA9\";\"C:\\d.txt\";\"|C:\\\xC3\xA9.dll\"");
  const Array<SharedFile> files = ParseSharedFiles(value);
  ASSERT_EQ(files.Count(), 5);
  const struct {
    const char16_t* path;
    SharedFileKind kind;
  } expected[] = {{u"C:\\a.dll", SharedFileKind::kComServer},
                  {u"C:\\b.dll", SharedFileKind::kCountedOnly},
                  {u"C:\\c.tlb", SharedFileKind::kTypeLibrary},
                  {u"C:\\d.txt", SharedFileKind::kPlain},
                  {u"C:\\\u00e9.dll", SharedFileKind::kPlain}};
  for (int i = 0; i < files.Count(); ++i) {
    EXPECT_EQ(files[i].path, W(expected[i].path)) << i;
    EXPECT_EQ(files[i].kind, expected[i].kind) << i;
  }
  EXPECT_TRUE(ParseSharedFiles(String::FromNarrow("\"unterminated")).IsEmpty());
}

// Count before -> count after and whether the file stays.
TEST(UninstallerSharedFilesTest, LowersCountsAndDeletesFilesNoLongerUsed) {
  ScratchFolder folder;
  const struct {
    const char16_t* name;
    SharedFileKind kind;
    DWORD count;
    long count_after;
    bool stays;
  } cases[] = {
      {u"three.dll", SharedFileKind::kPlain, 3, 2, true},
      {u"one.dll", SharedFileKind::kPlain, 1, 0, false},
      {u"zero.dll", SharedFileKind::kPlain, 0, 0, false},
      {u"counted.dll", SharedFileKind::kCountedOnly, 1, 0, true},
  };
  Array<SharedFile> files;
  for (const auto& entry : cases) {
    const String path = folder.Join(entry.name);
    ASSERT_TRUE(testing::WriteBytes(path, "shared"));
    StoreCount(path, entry.count);
    files.Append({path, entry.kind});
  }
  const String unlisted = folder.Join(u"unlisted.dll");
  ASSERT_TRUE(testing::WriteBytes(unlisted, "not counted"));
  files.Append({unlisted, SharedFileKind::kPlain});

  EXPECT_TRUE(ReleaseSharedFiles(files, false));

  for (const auto& entry : cases) {
    const String path = folder.Join(entry.name);
    EXPECT_EQ(StoredCount(path), entry.count_after) << NarrowFromWide(path, code_page::kUtf8).Narrow();
    EXPECT_EQ(FileExists(path), entry.stays) << NarrowFromWide(path, code_page::kUtf8).Narrow();
    ForgetCount(path);
  }
  EXPECT_TRUE(FileExists(unlisted));
  EXPECT_EQ(StoredCount(unlisted), -1);
}

}  // namespace
}  // namespace valdorine
