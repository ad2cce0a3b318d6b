#include "diagnostics/install_log.hpp"

#include <shellapi.h>

#include <string>

#include "core/date_time_format.hpp"
#include "core/file_errors.hpp"
#include "core/win32/disk_file.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/file_rights.hpp"
#include "diagnostics/notifications.hpp"
#include "diagnostics/operations_log.hpp"
#include "format/package_layout.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "paths/path_variables.hpp"

namespace valdorine {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
// Begins every section after the first: a blank line and a line of 46 asterisks.
constexpr char kSectionSeparator[] = "\r\n\r\n**********************************************\r\n";
// Only a log up to this size is read whole to convert it; it grows by one section a run.
constexpr int64_t kMaxConvertedLogBytes = 4 << 20;
constexpr char kFailureSummaryTitle[] = "*** FAILURE SUMMARY ***\r\n";
constexpr char16_t kInstallDatePattern[] = u"yy/mm/dd HH:ii:ss";
// The installer and the builder share one version.
constexpr const char* kInstallerVersion = kBuilderVersion;

constexpr int kFailureQuestionText = 40;
constexpr int kFailureQuestionCaption = 41;
constexpr int kSuccessText = 42;
constexpr int kSuccessCaption = 43;  // also the last line of a successful run's section

String Utf8(const String& wide) { return NarrowFromWide(wide, code_page::kUtf8); }

void WriteText(DiskFile& file, const char* text) { file.Write(text, static_cast<int>(std::char_traits<char>::length(text))); }
void WriteBytes(DiskFile& file, const String& bytes) { file.Write(bytes.Bytes(), bytes.Length()); }

bool ViewLogOffered(const OptionWords& options) {
  return (options.word2 & option2::kViewLogOption) && (options.word1 & option1::kInstallLog);
}

// The failure question: language string 40 with the log's path in place of its "%s". The text
// comes from the install script and is never used as a format.
String FailureQuestion(const String& log_path) {
  String text = LanguageString(kFailureQuestionText);
  text.ReplaceAll(u"%s", log_path.Wide());
  return text;
}

int ShowMessage(HWND owner, const String& text, const String& caption, UINT style) {
  return MessageBoxW(owner, WinText(text), WinText(caption), style | MB_SETFOREGROUND);
}

// Shows the notice; true when the user asks to view the log.
bool ShowCompletionNotice(CompletionNotice notice, const String& log_path, const InstallLogSettings& settings) {
  switch (notice) {
    case CompletionNotice::kFailureQuestion:
      return ShowMessage(settings.notice_owner, FailureQuestion(log_path),
                         LanguageString(kFailureQuestionCaption), MB_YESNO | MB_ICONQUESTION) == IDYES;
    case CompletionNotice::kSummaryPage:
      if (settings.show_summary_page) {
        settings.show_summary_page(ViewLogOffered(settings.options));
        return false;
      }
      [[fallthrough]];
    case CompletionNotice::kInformation:
      ShowMessage(settings.notice_owner, LanguageString(kSuccessText), LanguageString(kSuccessCaption),
                  MB_OK | MB_ICONINFORMATION);
      return false;
    case CompletionNotice::kNone: return false;
  }
  return false;
}

// The lines that identify the run, as one wide text.
String SectionHeader(const PathVariableSources& run, const InstallLogSettings& settings, bool reinstall) {
  String header;
  header.AppendFormatWide(u"Installation log for: %s\r\n", run.product_name.Wide());
  header.AppendFormatWide(u"Install date: %s\r\n", FormatDateTime(CurrentLocalTime(), kInstallDatePattern).Wide());
  if (settings.options.word1 & option1::kProductRegistration) {
    header.AppendFormatWide(u"Install type: %s\r\n", reinstall ? u"Reinstall" : u"New");
  }
  header.AppendFormatWide(u"Install location: %s\r\n", run.install_dir.Wide());
  header.AppendFormatWide(u"Installer version: %S\r\n", kInstallerVersion);
  if (!run.version.IsBlank()) header.AppendFormatWide(u"Product version: %s\r\n", run.version.Wide());
  if (!run.old_version.IsBlank()) header.AppendFormatWide(u"Overwriting version: %s\r\n", run.old_version.Wide());
  header.AppendFormatWide(u"Operating system: %s\r\n\r\n", OsDescription(0).Wide());
  return header;
}

// A log that an earlier version wrote as Windows-1252 text becomes UTF-8 with a byte-order mark,
// once. A log that cannot be read, or one too large to read into memory, stays as it is.
void ConvertLegacyLog(DiskFile& log) {
  const int64_t size = log.Size();
  if (size <= 0 || size > kMaxConvertedLogBytes || !log.Seek(0) || log.DetectTextMark() == text_mark::kUtf8) return;
  String old_text;
  if (log.ReadAll(old_text) != file_error::kSuccess) return;
  String converted = String::FromNarrow(kByteOrderMark);
  converted.Append(Utf8(WideFromNarrow(old_text, code_page::kWindows1252)));
  log.RewriteAll(converted);
}

// Appends this run's section; false when the log cannot be opened.
bool AppendSection(const String& path, const String& header, const String& failure_summary) {
  DiskFile log;
  // The folder may be writable by others: a link in the log's place is not followed. The rights
  // are granted on the handle; a log whose owner or access list this user may not change is still
  // appended to.
  constexpr uint32_t kFlags =
      open_flag::kOpenOrCreate | open_flag::kShareRead | open_flag::kWidePath | open_flag::kNoLinks;
  if (log.Open(path, kFlags | open_flag::kSecurityAccess) != file_error::kSuccess &&
      log.Open(path, kFlags) != file_error::kSuccess) {
    return false;
  }
  ConvertLegacyLog(log);
  log.SeekFromEnd(0);
  WriteText(log, log.Tell() == 0 ? kByteOrderMark : kSectionSeparator);
  WriteBytes(log, Utf8(header));
  CopyOperationsLog(log);
  WriteText(log, "\r\n");
  if (failure_summary.IsEmpty()) {
    WriteBytes(log, Utf8(LanguageString(kSuccessCaption)));
    WriteText(log, "\r\n");
  } else {
    WriteText(log, kFailureSummaryTitle);
    WriteBytes(log, Utf8(failure_summary));
  }
  OpenFileToEveryone(log.Handle());
  return true;
}

// Notepad from the system folder: a "notepad.exe" beside the installer is never started.
void OpenInNotepad(const String& path) {
  const String program = JoinPath(SystemFolder(), String::FromWide(u"notepad.exe"));
  String command = String::FormatWide(u"notepad.exe \"%s\"", path.Wide());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (CreateProcessW(WinText(program), reinterpret_cast<wchar_t*>(command.MutableWide()), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &startup, &process)) {
    UniqueHandle process_handle(process.hProcess);
    UniqueHandle thread_handle(process.hThread);
  }
}

}  // namespace

InstallLogSettings& RunInstallLogSettings() {
  static InstallLogSettings settings;
  return settings;
}

InstallLogSettings InstallLogSettingsFrom(const InstallScript& script) {
  InstallLogSettings settings;
  settings.options = script.ProductFlags;
  settings.has_exit_actions =
      !script.LaunchProgram.IsEmpty() || !script.OpenFile1.IsEmpty() || !script.OpenFile2.IsEmpty();
  settings.error_notify_url = script.ErrorNotifyURL;
  return settings;
}

CompletionNotice ChooseCompletionNotice(bool failed, bool automatic_mode, const InstallLogSettings& settings) {
  const uint32_t word1 = settings.options.word1;
  if (automatic_mode) return CompletionNotice::kNone;
  if (failed) return CompletionNotice::kFailureQuestion;
  if (word1 & option1::kNoFinalMessage) return CompletionNotice::kNone;
  const bool summary_offers_something = settings.has_exit_actions || ViewLogOffered(settings.options);
  if (summary_offers_something && !(word1 & option1::kRestartAfterInstall)) return CompletionNotice::kSummaryPage;
  return CompletionNotice::kInformation;
}

String InstallLogPath(const String& uninstall_dir) {
  // Before the uninstall data folder is known there is no log: a bare name would land in whatever
  // the current folder is.
  if (uninstall_dir.IsEmpty()) return {};
  return JoinPath(uninstall_dir, String::FromWide(u"Install.log"));
}

void WriteInstallLog(String failure_summary, bool reinstall, bool interactive) {
  const PathVariableSources& run = RunPathVariables();
  const InstallLogSettings& settings = RunInstallLogSettings();
  const String path = InstallLogPath(run.uninstall_dir);
  const bool failed = !failure_summary.IsEmpty();
  if (failed) SendNotification(settings.error_notify_url, true);
  bool view_log = false;
  if (interactive) {
    view_log = ShowCompletionNotice(ChooseCompletionNotice(failed, run.automatic_mode, settings), path, settings);
  }
  if ((settings.options.word1 & option1::kInstallLog) || failed) {
    if (!AppendSection(path, SectionHeader(run, settings, reinstall), failure_summary)) view_log = false;
  }
  if (view_log) ViewInstallLog();
  CloseOperationsLog();
}

void ViewInstallLog() {
  const PathVariableSources& run = RunPathVariables();
  const String path = InstallLogPath(run.uninstall_dir);
  if (path.IsEmpty()) return;
  const String working_folder = PathVariableValue(PathVariable::kInstallerDir, run);
  const auto open_with = [&](const wchar_t* verb) {
    return reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, verb, WinText(path), nullptr, WinText(working_folder), SW_SHOWNORMAL));
  };
  INT_PTR result = open_with(nullptr);
  if (result == SE_ERR_ACCESSDENIED) result = open_with(L"runas");
  if (result <= 32) OpenInNotepad(path);
}

}  // namespace valdorine
