#include "core/win32/file_system.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Opens a file or folder for reading its identity only, sharing everything.
UniqueFileHandle OpenForIdentity(const String& path) {
  return UniqueFileHandle(CreateFileW(WinText(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool ReadIdentity(const String& path, BY_HANDLE_FILE_INFORMATION& info) {
  UniqueFileHandle file = OpenForIdentity(path);
  return file && GetFileInformationByHandle(file.Get(), &info);
}

// Creates one folder whose parent exists; an existing folder counts as success.
bool CreateOneFolder(const String& folder) {
  if (CreateDirectoryW(WinText(folder), nullptr)) return true;
  const DWORD error = GetLastError();
  if (FolderExists(folder)) return true;
  SetLastError(error);
  return false;
}

}  // namespace

bool PathExists(const String& path) { return GetFileAttributesW(WinText(path)) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const String& path) {
  const DWORD attributes = GetFileAttributesW(WinText(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const String& path) {
  const DWORD attributes = GetFileAttributesW(WinText(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DriveExists(char16_t letter) {
  if (letter >= u'a' && letter <= u'z') letter = static_cast<char16_t>(letter - u'a' + u'A');
  if (letter < u'A' || letter > u'Z') return false;
  return (GetLogicalDrives() >> (letter - u'A')) & 1u;
}

String FullPath(const String& path) {
  String full = TextFromSystem(
      [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(WinText(path), size, buffer, nullptr); });
  return full.IsEmpty() ? path : full;
}

bool CreateFolderTree(const String& folder) {
  const String path = WithoutTrailingSeparators(folder);
  if (path.IsEmpty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (FolderExists(path)) return true;
  // Each level from the first below the root, the folder itself last.
  const int length = path.WideLength();
  for (int end = PathRootLength(path) + 1; end <= length; ++end) {
    if (end < length && !IsSeparator(path.WideAt(end))) continue;
    if (!CreateOneFolder(path.Substring(0, end))) return false;
  }
  if (FolderExists(path)) return true;
  SetLastError(ERROR_PATH_NOT_FOUND);  // a root that does not exist
  return false;
}

String ShortPath(const String& path) {
  const String short_path =
      TextFromSystem([&path](wchar_t* buffer, DWORD size) { return GetShortPathNameW(WinText(path), buffer, size); });
  return short_path.IsEmpty() ? path : short_path;
}

String FinalPath(const String& path) {
  UniqueFileHandle file = OpenForIdentity(path);
  if (!file) return {};
  return TextFromSystem([&file](wchar_t* buffer, DWORD size) {
    return GetFinalPathNameByHandleW(file.Get(), buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  });
}

bool SameFile(const String& a, const String& b) {
  if (EqualsIgnoreCase(a, b)) return true;
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  if (!ReadIdentity(a, first) || !ReadIdentity(b, second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow &&
         first.nFileSizeHigh == second.nFileSizeHigh && first.nFileSizeLow == second.nFileSizeLow;
}

}  // namespace valdorine
