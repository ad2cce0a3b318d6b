#include "paths/batch_files.hpp"

#include <windows.h>

#include "core/file_errors.hpp"
#include "core/win32/disk_file.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/process_start.hpp"
#include "core/win32/safe_delete.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/operations_log.hpp"
#include "paths/batch_text.hpp"
#include "paths/environment_text.hpp"
#include "paths/path_variables.hpp"
#include "run/run_switches.hpp"
#include "ui/message_boxes.hpp"
#include "uninstall/deferred_operations.hpp"

namespace valdorine {
namespace {

constexpr char16_t kBatchFileName[] = u"SETUPBAT.BAT";
constexpr char16_t kCaptureFileName[] = u"qx_batch.log";

// The folder for the batch and its capture file: the installation folder once it exists.
String BatchFolder() {
  const String& install_dir = RunPathVariables().install_dir;
  return FolderExists(install_dir) ? install_dir : TempFolder();
}

// The short form, which needs no quotes; a path without one is quoted when it holds a blank.
String CommandPath(const String& path) {
  const String short_path = ShortPath(path);
  if (short_path.FindWide(u" ") < 0) return short_path;
  return ConcatWide(u"\"", short_path.Wide(), u"\"", nullptr);
}

// The error box (when the run shows one) and the same text in the install log.
void ReportFailure(const String& text, const char16_t* log_ending) {
  ShowErrorBox(text);
  LogConcatW(text.Wide(), log_ending, nullptr);
}

bool WriteBatchFile(const String& path, const String& commands, bool hide) {
  const bool automatic = Switches().automatic_mode;
  const BatchTextRequest request{commands, automatic, automatic || hide, ReadsUtf8Batches()};
  const String text = BatchFileText(request, [](PathVariable variable) {
    return PathVariableValue(variable, RunPathVariables());
  });
  // The folder may be writable by others: a link in the file's place is replaced, not followed.
  const int result = WriteWholeFile(path, text, open_flag::kNoLinks);
  if (result == file_error::kSuccess) return true;
  const DWORD error = GetLastError() != 0 ? GetLastError() : FileErrorToSystem(result);
  ReportFailure(String::FormatWide(u"Unable to create batch file \"%s\".\r\n\r\n%s", path.Wide(),
                                   SystemErrorText(error).Wide()),
                u"\r\n\r\n");
  return false;
}

// An empty capture file for the batch's output; empty when it cannot be created (logged).
String CreateCaptureFile(const String& folder) {
  const String path = JoinPath(folder, String::FromWide(kCaptureFileName));
  DiskFile capture;
  const int result = capture.Open(path, open_flag::kCreateOrTruncate | open_flag::kWidePath |
                                            open_flag::kCloseAfterOpen | open_flag::kNoLinks);
  if (result == file_error::kSuccess) return path;
  LogConcat("Failed to create batch output capture file.  ", FileErrorMessage(result), "\r\n", nullptr);
  return {};
}

// The captured output, without trailing blanks and line breaks, into the install log as it is.
void LogCapturedOutput(const String& capture_path) {
  String output;
  if (ReadWholeFile(capture_path, output) != file_error::kSuccess) return;
  output.TrimRightNarrow();
  if (output.IsEmpty()) return;
  output.AppendNarrow("\r\n\r\n");
  LogBytes(output);
}

// A capture file that the batch still holds is removed at the next restart.
void RemoveCaptureFile(const String& capture_path) {
  if (!DeleteFileAt(capture_path) && FileExists(capture_path)) DeleteAtRestart(capture_path);
}

bool LaunchBatch(const String& interpreter, const String& batch_path, const String& capture_path, bool hide,
                 const String& folder) {
  String command = CommandPath(batch_path);
  if (!capture_path.IsEmpty()) command = ConcatWide(command.Wide(), u" > ", CommandPath(capture_path).Wide(), nullptr);
  // A command with quoted paths gets a further pair that the interpreter strips off again.
  if (command.FindWide(u"\"") >= 0) command = ConcatWide(u"\"", command.Wide(), u"\"", nullptr);
  const String command_line = String::FormatWide(u"\"%s\" /c %s", interpreter.Wide(), command.Wide());
  if (RunProcessAndWait(command_line, folder, hide)) return true;
  const DWORD error = GetLastError();
  ReportFailure(String::FormatWide(u"Unable to launch batch file \"%s\".\r\n%s\r\nCommand line: %s", batch_path.Wide(),
                                   SystemErrorText(error).Wide(), command_line.Wide()),
                u"\r\n");
  return false;
}

}  // namespace

bool ReadsUtf8Batches() {
  const OsVersionInfo& version = OsVersion();
  return version.nt_platform && (version.major > 6 || (version.major == 6 && version.minor >= 1));
}

String CommandInterpreterPath() {
  String comspec = String::FromWide(u"%comspec%");
  if (ExpandEnvironmentReferences(comspec) && !comspec.IsBlank() &&
      !EqualsIgnoreCase(comspec.Wide(), u"%comspec%")) {
    return comspec;
  }
  if (!OsVersion().nt_platform) return JoinPath(WindowsFolder(), String::FromWide(u"command.com"));
  return JoinPath(SystemFolder(), String::FromWide(u"cmd.exe"));
}

bool RunBatch(const String& commands, bool hide, const String& title) {
  if (IsBlankCommands(commands)) return true;
  hide = hide || Switches().silent_mode;
  const bool logged = !title.IsEmpty();
  if (logged) LogConcatW(u"\r\nRunning ", title.Wide(), u"...\r\n", nullptr);
  const String interpreter = CommandInterpreterPath();
  if (!FileExists(interpreter)) {
    LogConcatW(u"The CLI ", interpreter.Wide(), u" does not exist!\r\n", nullptr);
    return false;
  }
  const String folder = BatchFolder();
  const String batch_path = JoinPath(folder, String::FromWide(kBatchFileName));
  if (!WriteBatchFile(batch_path, commands, hide)) return false;
  const String capture_path = logged ? CreateCaptureFile(folder) : String();
  const bool started = LaunchBatch(interpreter, batch_path, capture_path, hide, folder);
  if (!capture_path.IsEmpty()) {
    if (started) LogCapturedOutput(capture_path);
    RemoveCaptureFile(capture_path);
  }
  DeleteFileAt(batch_path);
  return started;
}

}  // namespace valdorine
