#include "core/win32/safe_delete.hpp"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "core/path_text.hpp"
#include "core/vector.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/last_error.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr int kProtectedSpecialFolders[] = {
    CSIDL_WINDOWS,           CSIDL_SYSTEM,          CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,     CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE,   CSIDL_COMMON_APPDATA,
    CSIDL_APPDATA,           CSIDL_LOCAL_APPDATA,   CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL,  CSIDL_COMMON_DOCUMENTS,
    CSIDL_STARTMENU,         CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS,
    CSIDL_COMMON_PROGRAMS,   CSIDL_STARTUP,         CSIDL_COMMON_STARTUP,
    CSIDL_FONTS,
};

// The absolute form without links, device prefix or trailing separators, for comparing paths: a
// path that reaches a system folder through a junction compares equal to it.
String ComparableForm(const String& path) {
  const String final_path = FinalPath(path);
  return WithoutTrailingSeparators(WithoutDevicePrefix(final_path.IsEmpty() ? FullPath(path) : final_path));
}

Array<String> ComputeProtectedFolders() {
  Array<String> folders;
  for (int csidl : kProtectedSpecialFolders) folders.Append(SpecialFolder(csidl));
  folders.Append(WindowsFolder());
  folders.Append(SystemFolder());
  folders.Append(ProgramFilesFolder(folder_kind::k64Bit));
  folders.Append(CommonFilesFolder(folder_kind::k64Bit));
  folders.Append(ParentFolder(SpecialFolder(CSIDL_PROFILE)));  // the folder of all profiles
  folders.Append(TempFolder());
  Array<String> comparable;
  for (const String& folder : folders) {
    if (!folder.IsEmpty()) comparable.Append(ComparableForm(folder));
  }
  return comparable;
}

const Array<String>& ProtectedFolders() {
  static const Array<String> folders = ComputeProtectedFolders();
  return folders;
}

// True when `candidate` is `folder` or a folder above it (both in comparable form).
bool IsSameOrAbove(const String& candidate, const String& folder) {
  const int length = candidate.WideLength();
  if (folder.WideLength() < length) return false;
  if (!EqualsIgnoreCase(folder.Substring(0, length).Wide(), candidate.Wide())) return false;
  return folder.WideLength() == length || folder.WideAt(length) == u'\\';
}

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

bool DeleteFolderAndContents(const String& folder);

// Deletes everything inside the folder; false with the first failure's error when anything stays.
bool DeleteContents(const String& folder) {
  WIN32_FIND_DATAW entry{};
  UniqueFindHandle find(FindFirstFileW(WinText(JoinPath(folder, String::FromWide(u"*"))), &entry));
  if (!find) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool complete = true;
  DWORD first_error = ERROR_SUCCESS;
  do {
    if (IsDotEntry(entry.cFileName)) continue;
    const String child = JoinPath(folder, FromWinText(entry.cFileName));
    const bool deleted = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? DeleteFolderAndContents(child)
                                                                             : DeleteFileAt(child);
    if (!deleted && complete) {
      complete = false;
      first_error = GetLastError();
    }
  } while (FindNextFileW(find.Get(), &entry));
  if (!complete) SetLastError(first_error);
  return complete;
}

bool DeleteFolderAndContents(const String& folder) {
  const DWORD attributes = GetFileAttributesW(WinText(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  // A link is removed itself; what it points to is not this tree's.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !DeleteContents(folder)) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(WinText(folder), attributes & ~FILE_ATTRIBUTE_READONLY);
  return RemoveDirectoryW(WinText(folder));
}

}  // namespace

bool IsProtectedFolder(const String& path) {
  if (path.IsEmpty()) return true;
  const String target = ComparableForm(path);
  if (target.WideLength() <= PathRootLength(target)) return true;
  for (const String& folder : ProtectedFolders()) {
    if (IsSameOrAbove(target, folder)) return true;
  }
  return false;
}

bool DeleteFileAt(const String& path) {
  const DWORD attributes = GetFileAttributesW(WinText(path));
  const bool read_only = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (read_only) SetFileAttributesW(WinText(path), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileW(WinText(path))) return true;
  LastErrorKeeper keeper;
  if (read_only) SetFileAttributesW(WinText(path), attributes);
  return false;
}

bool RecycleFile(const String& path) {
  String paths = path;
  paths.AppendWideChar(0);  // the shell reads a list that ends with an empty item
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = WinText(paths);
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  return !path.IsEmpty() && SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool DeleteTree(const String& folder) {
  if (IsProtectedFolder(folder)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return DeleteFolderAndContents(FullPath(folder));
}

}  // namespace valdorine
