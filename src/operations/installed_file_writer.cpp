#include "operations/installed_file_writer.hpp"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/path_text.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "run/run_state.hpp"
#include "uninstall/deferred_operations.hpp"

namespace valdorine {
namespace {

constexpr int kAttempts = 3;
constexpr DWORD kRetryPause = 50;  // ms
// Read-only, hidden, system, archive, temporary, offline: the attributes an entry may give.
constexpr DWORD kSettableAttributes = 0x1127;
constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr size_t kCompareChunk = 1 << 20;

bool ScriptOption(uint32_t option1_bit) { return (Run().options.word1 & option1_bit) != 0; }

enum class Attempt { kWritten, kDiffers, kFailed, kDataFailed };

// The entry's date (UTC) as a file time; false when it has none.
bool EntryFileTime(const EntryDate& date, FILETIME& time) {
  if (!date.IsSet()) return false;
  const SYSTEMTIME calendar{static_cast<WORD>(date.year),  static_cast<WORD>(date.month),
                            0,                             static_cast<WORD>(date.day),
                            static_cast<WORD>(date.hour),  static_cast<WORD>(date.minute),
                            static_cast<WORD>(date.second), 0};
  return SystemTimeToFileTime(&calendar, &time);
}


// Whether the `piece.size()` bytes just written before the file pointer read back as `piece`.
bool ReadsBack(HANDLE file, std::span<const uint8_t> piece, std::vector<uint8_t>& buffer) {
  LARGE_INTEGER back{};
  back.QuadPart = -static_cast<LONGLONG>(piece.size());
  if (!SetFilePointerEx(file, back, nullptr, FILE_CURRENT)) return false;
  buffer.resize(std::min(piece.size(), kCompareChunk));
  for (size_t offset = 0; offset < piece.size();) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(buffer.size(), piece.size() - offset));
    if (!ReadFile(file, buffer.data(), wanted, &read, nullptr) || read != wanted ||
        std::memcmp(buffer.data(), piece.data() + offset, read) != 0) {
      return false;
    }
    offset += read;
  }
  return true;
}

bool WritePiece(HANDLE file, std::span<const uint8_t> piece) {
  DWORD written = 0;
  return WriteFile(file, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) && written == piece.size();
}

// The written file's dates and attributes, set through its open handle: no second open, which is
// what a file costs most under some file systems. Only the attribute bits within 0x1127 change.
void FinishOpenFile(HANDLE file, const EntryDate& date, int32_t attributes) {
  FILE_BASIC_INFO info{};
  if (attributes != -1) {
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof(info))) return;
    const DWORD changed = ((info.FileAttributes & ~kSettableAttributes) | (static_cast<DWORD>(attributes) & kSettableAttributes)) &
                          ~FILE_ATTRIBUTE_NORMAL;
    info.FileAttributes = changed != 0 ? changed : FILE_ATTRIBUTE_NORMAL;
  }
  // Zero leaves a time or the attributes as they are.
  info.CreationTime = info.LastAccessTime = info.ChangeTime = {};
  info.LastWriteTime = {};
  FILETIME time{};
  if (EntryFileTime(date, time)) {
    info.CreationTime.LowPart = info.LastWriteTime.LowPart = time.dwLowDateTime;
    info.CreationTime.HighPart = info.LastWriteTime.HighPart = static_cast<LONG>(time.dwHighDateTime);
  }
  if (info.FileAttributes != 0 || info.LastWriteTime.QuadPart != 0) {
    SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof(info));
  }
}

// Creates or truncates the file with normal attributes and writes the data into it piece by piece,
// each piece read back when the script asks to verify written files. Data that fails to read
// (`package_error`) leaves no file behind.
Attempt WriteData(const String& path, EntryData& data, const EntryDate& date, int32_t attributes,
                  PackageError& package_error) {
  const bool verify = ScriptOption(option1::kVerifyWrittenFiles);
  UniqueFileHandle file(CreateFileW(WinText(path), GENERIC_WRITE | (verify ? GENERIC_READ : 0), 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Attempt::kFailed;
  std::vector<uint8_t> read_back;
  for (;;) {
    std::span<const uint8_t> piece;
    package_error = data.NextPiece(piece);
    if (package_error != PackageError::kNone) {
      file.Reset();
      DeleteFileW(WinText(path));
      return Attempt::kDataFailed;
    }
    if (piece.empty()) break;
    if (!WritePiece(file.Get(), piece)) {
      const DWORD error = GetLastError();
      // A part-written file is cut to nothing: on a full disk it would hold the space that the
      // rest of the run (the uninstaller, Uninstall.DAT, the log) needs.
      if (SetFilePointerEx(file.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) SetEndOfFile(file.Get());
      file.Reset();  // closing must not hide the error of the write
      SetLastError(error);
      return Attempt::kFailed;
    }
    if (verify && !ReadsBack(file.Get(), piece, read_back)) return Attempt::kDiffers;
  }
  FinishOpenFile(file.Get(), date, attributes);
  return Attempt::kWritten;
}

void SetAttributesWithin(const String& path, DWORD mask, DWORD wanted) {
  const DWORD current = GetFileAttributesW(WinText(path));
  if (current == INVALID_FILE_ATTRIBUTES) return;
  const DWORD changed = ((current & ~mask) | (wanted & mask)) & ~FILE_ATTRIBUTE_NORMAL;
  SetFileAttributesW(WinText(path), changed != 0 ? changed : FILE_ATTRIBUTE_NORMAL);
}

// Before the second attempt: the missing folder is made, and attributes that refuse writing go
// when the script asks for it. The error of the failed attempt stays the thread's last error.
void PrepareSecondAttempt(const String& path) {
  const DWORD error = GetLastError();
  if (error == ERROR_PATH_NOT_FOUND) CreateFolderTree(ParentFolder(path));
  if (ScriptOption(option1::kClearAttributesOnRetry)) SetAttributesWithin(path, kBlockingAttributes, 0);
  SetLastError(error);
}

// Leaves the data in a temporary file beside `path` that replaces it at the next restart. Appends
// the outcome to `message`, which goes to the operations log on success and to the failure summary
// otherwise.
bool ReplaceAtReboot(const String& path, EntryData& data, const EntryDate& date, String& message,
                     String& failure_summary, PackageError& package_error) {
  // The move at restart cannot cross volumes: the temporary file stays in the destination's folder.
  const String temporary = MakeTempName(ParentFolder(path), String(), temp_name::kKeepFolder);
  if (temporary.IsEmpty() || WriteData(temporary, data, date, -1, package_error) != Attempt::kWritten) {
    const DWORD error = GetLastError();
    if (!temporary.IsEmpty()) DeleteFileW(WinText(temporary));
    if (package_error != PackageError::kNone) return false;
    message.AppendFormatWide(
        u"Failed to register '%s' for replacement because no temporary file could be created.\r\n%s\r\n\r\n",
        path.Wide(), SystemErrorText(error).Wide());
    failure_summary.Append(message);
    return false;
  }
  if (!ReplaceAtRestart(temporary, path)) {
    const DWORD error = GetLastError();
    message.AppendFormatWide(u"Failed to register '%s' for replacement with temporary file '%s'\r\n%s\r\n\r\n",
                             path.Wide(), temporary.Wide(), SystemErrorText(error).Wide());
    DeleteFileW(WinText(temporary));
    failure_summary.Append(message);
    return false;
  }
  Run().options.word1 |= option1::kRestartAfterInstall;
  message.AppendFormatWide(
      u"\"%s\" was successfully registered for replacement.\r\nTemporary file is \"%s\"\r\nReboot will be required.\r\n\r\n",
      path.Wide(), temporary.Wide());
  LogString(message);
  return true;
}

// After the last failed attempt: the report, and the replacement at restart where it is allowed
// and the data can still be delivered from its start.
void ReportUnwritable(const String& path, EntryData& data, const EntryDate& date, String& failure_summary,
                      bool existed_before, bool& replaced_at_reboot, PackageError& package_error) {
  const DWORD error = GetLastError();
  String message = ConcatWide(u"\r\n", LanguageString(31).Wide(), u" ", path.Wide(), u"\r\n", nullptr);
  const char16_t drive = DriveLetter(path);
  if (drive != 0 && !DriveExists(drive)) {
    message.AppendFormatWide(u"Drive %c: is not present.\r\n", drive);
    failure_summary.Append(message);
    return;
  }
  const String error_text = SystemErrorText(error);
  if (!error_text.IsEmpty()) {
    message.Append(error_text);
    message.AppendWide(u"\r\n\r\n");
  }
  const bool replacement_allowed =
      (ScriptOption(option1::kReplaceAnyFileAtRestart) || existed_before) && error != ERROR_INVALID_NAME;
  if (!replacement_allowed || !data.Rewind()) {
    failure_summary.Append(message);
    return;
  }
  replaced_at_reboot = ReplaceAtReboot(path, data, date, message, failure_summary, package_error);
}

}  // namespace

bool ReadFileDate(const String& path, EntryDate& date) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  SYSTEMTIME calendar{};
  if (!GetFileAttributesExW(WinText(path), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      !FileTimeToSystemTime(&data.ftLastWriteTime, &calendar)) {
    return false;
  }
  date = {calendar.wYear, calendar.wMonth, calendar.wDay, calendar.wHour, calendar.wMinute, calendar.wSecond};
  return true;
}

bool WriteInstalledFile(const String& path, EntryData& data, const EntryDate& date, String& failure_summary,
                        int32_t attributes, bool existed_before, bool& replaced_at_reboot,
                        PackageError& package_error) {
  replaced_at_reboot = false;
  package_error = PackageError::kNone;
  for (int attempt = 1;; ++attempt) {
    const Attempt outcome = WriteData(path, data, date, attributes, package_error);
    if (outcome == Attempt::kWritten) return true;
    if (outcome == Attempt::kDataFailed) return false;
    // Data that streamed past cannot be written again.
    if (attempt == kAttempts || !data.Rewind()) {
      if (outcome == Attempt::kDiffers) {
        SetLastError(ERROR_SUCCESS);
        AddFailure(failure_summary, path);
      } else {
        ReportUnwritable(path, data, date, failure_summary, existed_before, replaced_at_reboot, package_error);
      }
      return false;
    }
    if (outcome == Attempt::kFailed) {
      if (attempt == 1) PrepareSecondAttempt(path);
      Sleep(kRetryPause);
    }
  }
}

bool WriteInstalledFile(const String& path, const uint8_t* data, size_t size, const EntryDate& date,
                        String& failure_summary, int32_t attributes, bool existed_before,
                        bool& replaced_at_reboot) {
  HeldData held(std::span<const uint8_t>(data, size));
  PackageError never_fails;
  return WriteInstalledFile(path, held, date, failure_summary, attributes, existed_before, replaced_at_reboot,
                            never_fails);
}

}  // namespace valdorine
