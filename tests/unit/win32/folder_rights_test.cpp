#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include "core/win32/everyone_access.hpp"
#include "operations/folder_rights.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::ScratchFolder;
using testing::W;

// The inheritance flags of the access entries that allow Everyone all access to `path`, or -1.
int EveryoneEntryFlags(const String& path) {
  PACL access_list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(WinText(path), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access_list,
                            nullptr, &descriptor) != ERROR_SUCCESS) {
    return -1;
  }
  BYTE everyone[SECURITY_MAX_SID_SIZE] = {};
  DWORD sid_size = sizeof(everyone);
  CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size);
  int flags = -1;
  for (DWORD i = 0; access_list != nullptr && i < access_list->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* entry = nullptr;
    if (!GetAce(access_list, i, reinterpret_cast<void**>(&entry)) || entry->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
      continue;
    }
    const bool all_access = entry->Mask == GENERIC_ALL || (entry->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
    if (all_access && EqualSid(&entry->SidStart, everyone)) flags = entry->Header.AceFlags;
  }
  LocalFree(descriptor);
  return flags;
}

TEST(FolderRightsTest, EveryoneGetsFullAccessInheritedByTheFolderContents) {
  ScratchFolder scratch;
  const String folder = scratch.Join(u"Product");
  ASSERT_TRUE(CreateDirectoryW(WinText(folder), nullptr));
  SetFileAttributesW(WinText(folder), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  ASSERT_EQ(EveryoneEntryFlags(folder), -1);

  EXPECT_EQ(GrantFolderToEveryone(folder), 0u);

  EXPECT_EQ(EveryoneEntryFlags(folder) & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
            OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  EXPECT_EQ(GetFileAttributesW(WinText(folder)) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
  // The parent is left as it was.
  EXPECT_EQ(EveryoneEntryFlags(scratch.Path()), -1);
}

TEST(FolderRightsTest, MissingFoldersAndFilesAreRefused) {
  ScratchFolder scratch;
  const String file = scratch.Join(u"file.txt");
  CloseHandle(CreateFileW(WinText(file), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));

  EXPECT_EQ(GrantFolderToEveryone(scratch.Join(u"missing")), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GrantFolderToEveryone(file), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(EveryoneEntryFlags(file), -1);
}

}  // namespace
}  // namespace valdorine
