// The install log: Install.log in the uninstall data folder, a cumulative UTF-8 file to which
// every run appends one section: a header that identifies the run, the operations log
// (diagnostics/operations_log.hpp) byte for byte, and the success text or the failure summary
// (diagnostics/failure_summary.hpp). Writing it also ends the run's dialogue with the user: the
// completion notice, and on request the log opened for reading.
#pragma once

#include <windows.h>

#include <functional>

#include "core/string.hpp"
#include "format/install_script.hpp"

namespace valdorine {

// What the install log reads besides the run's path-variable record (paths/path_variables.hpp:
// product name and version, installation and uninstall data folders, the replaced version,
// automatic mode). The install sequence fills it before the install operations start.
struct InstallLogSettings {
  OptionWords options;             // the install script's option words
  bool has_exit_actions = false;   // `LaunchProgram`, `OpenFile1` or `OpenFile2` is not empty
  String error_notify_url;         // `ErrorNotifyURL` (ANSI)
  HWND notice_owner = nullptr;     // owner of the failure question: the progress page while shown, else the background window
  // Shows the summary page with its exit actions; `offer_view_log` says whether it offers to open
  // the log. Until it is set, the success message stands in for the summary page.
  std::function<void(bool offer_view_log)> show_summary_page;
};

// The run's settings, which WriteInstallLog reads.
InstallLogSettings& RunInstallLogSettings();

// The script's part of the settings (everything but the owner window and the summary page).
InstallLogSettings InstallLogSettingsFrom(const InstallScript& script);

// How a run ends towards the user.
enum class CompletionNotice {
  kNone,             // automatic mode, or the script asks for no final message
  kFailureQuestion,  // a failed run: "view the log?" (language strings 40 and 41)
  kSummaryPage,      // exit actions or the view-log option, and no restart afterwards
  kInformation,      // the success message (language strings 42 and 43)
};
CompletionNotice ChooseCompletionNotice(bool failed, bool automatic_mode, const InstallLogSettings& settings);

// The log's path in an uninstall data folder.
String InstallLogPath(const String& uninstall_dir);

// Ends the run's record: queues the failure notification when `failure_summary` is not empty,
// shows the completion notice when `interactive`, appends this run's section to Install.log when
// the script asks for a log or the run failed (a log that cannot be opened is skipped silently),
// opens the log when the user asked for it, and closes and deletes the operations log. `reinstall`
// says whether an installation of the same product was found. The crash handler calls it too, not
// interactive.
void WriteInstallLog(String failure_summary, bool reinstall, bool interactive);

// Opens Install.log with the shell's default action (as administrator when the shell is refused
// access), else in Notepad.
void ViewInstallLog();

}  // namespace valdorine
