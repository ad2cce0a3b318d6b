#include "core/win32/file_error_mapping.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include "core/file_errors.hpp"
#include "scratch_folder.hpp"

namespace valdorine {
namespace {

using testing::W;

TEST(FileErrorFromSystem, RefinesTheSystemErrorByLookingAtThePath) {
  testing::ScratchFolder scratch;
  const String read_only = scratch.Join(u"read-only.txt");
  ASSERT_TRUE(testing::WriteBytes(read_only, "x"));
  ASSERT_TRUE(SetFileAttributesW(WinText(read_only), FILE_ATTRIBUTE_READONLY));
  const char16_t absent_letter = testing::AbsentDriveLetter();
  ASSERT_NE(absent_letter, 0);
  const String absent_drive = String::FormatWide(u"%c:\\dir\\file.txt", absent_letter);
  const String missing = scratch.Join(u"missing\\file.txt");
  struct Row {
    const char* label;
    DWORD system_error;
    String path;
    bool write;
    int code;
  };
  const Row rows[] = {
      {"read-only file for writing", ERROR_ACCESS_DENIED, read_only, true, file_error::kReadOnly},
      {"read-only file for reading", ERROR_ACCESS_DENIED, read_only, false, file_error::kAccessDenied},
      {"denied folder", ERROR_ACCESS_DENIED, scratch.Path(), true, file_error::kPathIsFolder},
      {"folder as path not found", ERROR_PATH_NOT_FOUND, scratch.Path(), false, file_error::kPathIsFolder},
      {"missing folder", ERROR_PATH_NOT_FOUND, missing, false, file_error::kFolderNotFound},
      {"absent drive, path", ERROR_PATH_NOT_FOUND, absent_drive, false, file_error::kNoSuchDrive},
      {"absent drive, file", ERROR_FILE_NOT_FOUND, absent_drive, false, file_error::kNoSuchDrive},
      {"missing file", ERROR_FILE_NOT_FOUND, missing, false, file_error::kFileNotFound},
      {"not found, invalid name", ERROR_FILE_NOT_FOUND, W(u"C:\\a?b"), false, file_error::kInvalidName},
      {"invalid drive", ERROR_INVALID_DRIVE, missing, false, file_error::kNoSuchDrive},
      {"too many open files", ERROR_TOO_MANY_OPEN_FILES, missing, false, file_error::kTooManyOpenFiles},
      {"not ready", ERROR_NOT_READY, missing, false, file_error::kDeviceNotReady},
      {"sharing violation", ERROR_SHARING_VIOLATION, missing, false, file_error::kLocked},
      {"lock violation", ERROR_LOCK_VIOLATION, missing, false, file_error::kLocked},
      {"bad network path", ERROR_BAD_NETPATH, missing, false, file_error::kInvalidNetworkPath},
      {"no network", ERROR_NO_NETWORK, missing, false, file_error::kInvalidNetworkPath},
      {"file exists", ERROR_FILE_EXISTS, missing, false, file_error::kAlreadyExists},
      {"invalid parameter", ERROR_INVALID_PARAMETER, missing, false, file_error::kInvalidParameter},
      {"invalid name", ERROR_INVALID_NAME, missing, false, file_error::kInvalidName},
      {"anything else", ERROR_DISK_FULL, missing, false, file_error::kUnknown},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    SetLastError(row.system_error);
    EXPECT_EQ(FileErrorFromSystem(row.system_error, row.path, row.write), row.code);
    EXPECT_EQ(GetLastError(), row.system_error);  // left as the system set it
  }
  SetFileAttributesW(WinText(read_only), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace valdorine
