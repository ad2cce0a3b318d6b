#include "core/win32/planted_links.hpp"

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

bool IsLinkInfo(const BY_HANDLE_FILE_INFORMATION& info) {
  return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || info.nNumberOfLinks > 1;
}

}  // namespace

void RemovePlantedLink(const String& path) {
  // The name itself is opened, not what a reparse point leads to.
  UniqueFileHandle name(CreateFileW(WinText(path), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!name.IsValid() || !GetFileInformationByHandle(name.Get(), &info) || !IsLinkInfo(info)) return;
  name.Reset();
  // A directory link is removed as a directory; either call removes the link, not its target.
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    RemoveDirectoryW(WinText(path));
  } else {
    DeleteFileW(WinText(path));
  }
}

bool IsSingleLinkFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(file, &info) && !IsLinkInfo(info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace valdorine
