#include "core/win32/file_error_mapping.hpp"

#include <windows.h>

#include "core/file_errors.hpp"
#include "core/path_text.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/last_error.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

bool IsReadOnlyFile(const String& path) {
  const DWORD attributes = GetFileAttributesW(WinText(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool OnMissingDrive(const String& path) {
  const char16_t letter = DriveLetter(path);
  return letter != 0 && !DriveExists(letter);
}

// Some systems (Wine) report a file on a missing drive as not found rather than its path.
int FileNotFound(const String& path) {
  if (!IsValidFileName(path)) return file_error::kInvalidName;
  return OnMissingDrive(path) ? file_error::kNoSuchDrive : file_error::kFileNotFound;
}

int PathNotFound(const String& path) {
  if (FolderExists(path)) return file_error::kPathIsFolder;
  if (OnMissingDrive(path)) return file_error::kNoSuchDrive;
  return file_error::kFolderNotFound;
}

int AccessDenied(const String& path, bool write_access) {
  if (FolderExists(path)) return file_error::kPathIsFolder;
  if (write_access && IsReadOnlyFile(path)) return file_error::kReadOnly;
  return file_error::kAccessDenied;
}

}  // namespace

int FileErrorFromSystem(uint32_t system_error, const String& path, bool write_access) {
  LastErrorKeeper keeper;
  switch (system_error) {
    case ERROR_FILE_NOT_FOUND: return FileNotFound(path);
    case ERROR_PATH_NOT_FOUND: return PathNotFound(path);
    case ERROR_TOO_MANY_OPEN_FILES: return file_error::kTooManyOpenFiles;
    case ERROR_ACCESS_DENIED: return AccessDenied(path, write_access);
    case ERROR_INVALID_DRIVE: return file_error::kNoSuchDrive;
    case ERROR_NOT_READY: return file_error::kDeviceNotReady;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return file_error::kLocked;
    case ERROR_REM_NOT_LIST:
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_BAD_NET_NAME:
    case ERROR_NO_NETWORK: return file_error::kInvalidNetworkPath;
    case ERROR_FILE_EXISTS: return file_error::kAlreadyExists;
    case ERROR_INVALID_PARAMETER: return file_error::kInvalidParameter;
    case ERROR_INVALID_NAME: return file_error::kInvalidName;
    default: return file_error::kUnknown;
  }
}

}  // namespace valdorine
