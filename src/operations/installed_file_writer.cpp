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

// Creates or truncates the file with normal attributes and writes all data in one call.
bool WriteData(const String& path, const uint8_t* data, size_t size) {
  UniqueFileHandle file(
      CreateFileW(WinText(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool complete =
      size == 0 || (WriteFile(file.Get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size);
  const DWORD error = GetLastError();
  // A part-written file is cut to nothing: on a full disk it would hold the space that the rest
  // of the run (the uninstaller, Uninstall.DAT, the log) needs.
  if (!complete && SetFilePointerEx(file.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) SetEndOfFile(file.Get());
  file.Reset();  // closing must not hide the error of the write
  SetLastError(error);
  return complete;
}

// Whether the file holds exactly the data, read back in pieces.
bool HoldsData(const String& path, const uint8_t* data, size_t size) {
  UniqueFileHandle file(CreateFileW(WinText(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  std::vector<uint8_t> buffer(std::min(std::max<size_t>(size, 1), kCompareChunk));
  size_t offset = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
    if (read == 0) return offset == size;
    if (read > size - offset || std::memcmp(buffer.data(), data + offset, read) != 0) return false;
    offset += read;
  }
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

enum class Attempt { kWritten, kDiffers, kFailed };

Attempt TryWrite(const String& path, const uint8_t* data, size_t size) {
  if (!WriteData(path, data, size)) return Attempt::kFailed;
  if (!ScriptOption(option1::kVerifyWrittenFiles) || HoldsData(path, data, size)) return Attempt::kWritten;
  return Attempt::kDiffers;
}

// The written file, or the temporary copy of one, takes the entry's dates.
void FinishWrittenFile(const String& path, const EntryDate& date, int32_t attributes) {
  SetFileDates(path, date);
  if (attributes != -1) SetAttributesWithin(path, kSettableAttributes, static_cast<DWORD>(attributes));
}

// Leaves the data in a temporary file beside `path` that replaces it at the next restart. Appends
// the outcome to `message`, which goes to the operations log on success and to the failure summary
// otherwise.
bool ReplaceAtReboot(const String& path, const uint8_t* data, size_t size, const EntryDate& date, String& message,
                     String& failure_summary) {
  // The move at restart cannot cross volumes: the temporary file stays in the destination's folder.
  const String temporary = MakeTempName(ParentFolder(path), String(), temp_name::kKeepFolder);
  if (temporary.IsEmpty() || !WriteData(temporary, data, size)) {
    const DWORD error = GetLastError();
    if (!temporary.IsEmpty()) DeleteFileW(WinText(temporary));
    message.AppendFormatWide(
        u"Failed to register '%s' for replacement because no temporary file could be created.\r\n%s\r\n\r\n",
        path.Wide(), SystemErrorText(error).Wide());
    failure_summary.Append(message);
    return false;
  }
  SetFileAttributesW(WinText(temporary), FILE_ATTRIBUTE_NORMAL);
  SetFileDates(temporary, date);
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

// After the last failed attempt: the report, and the replacement at restart where it is allowed.
void ReportUnwritable(const String& path, const uint8_t* data, size_t size, const EntryDate& date,
                      String& failure_summary, bool existed_before, bool& replaced_at_reboot) {
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
  if (!replacement_allowed) {
    failure_summary.Append(message);
    return;
  }
  replaced_at_reboot = ReplaceAtReboot(path, data, size, date, message, failure_summary);
}

}  // namespace

bool SetFileDates(const String& path, const EntryDate& date) {
  if (!date.IsSet()) return false;
  const SYSTEMTIME calendar{static_cast<WORD>(date.year),  static_cast<WORD>(date.month),
                            0,                             static_cast<WORD>(date.day),
                            static_cast<WORD>(date.hour),  static_cast<WORD>(date.minute),
                            static_cast<WORD>(date.second), 0};
  FILETIME time{};
  if (!SystemTimeToFileTime(&calendar, &time)) return false;
  UniqueFileHandle file(CreateFileW(WinText(path), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  return file && SetFileTime(file.Get(), &time, nullptr, &time);
}

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

bool WriteInstalledFile(const String& path, const uint8_t* data, size_t size, const EntryDate& date,
                        String& failure_summary, int32_t attributes, bool existed_before,
                        bool& replaced_at_reboot) {
  replaced_at_reboot = false;
  for (int attempt = 1;; ++attempt) {
    const Attempt outcome = TryWrite(path, data, size);
    if (outcome == Attempt::kWritten) {
      FinishWrittenFile(path, date, attributes);
      return true;
    }
    if (attempt == kAttempts) {
      if (outcome == Attempt::kDiffers) {
        SetLastError(ERROR_SUCCESS);
        AddFailure(failure_summary, path);
      } else {
        ReportUnwritable(path, data, size, date, failure_summary, existed_before, replaced_at_reboot);
      }
      return false;
    }
    if (outcome == Attempt::kFailed) {
      if (attempt == 1) PrepareSecondAttempt(path);
      Sleep(kRetryPause);
    }
  }
}

}  // namespace valdorine
