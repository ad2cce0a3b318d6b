#include "installer/exit_actions.hpp"

#include <windows.h>
// windows.h first: the shell headers need its types.
#include <shellapi.h>

#include "core/win32/privileges.hpp"
#include "core/win32/process_start.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/install_log.hpp"
#include "format/script_options.hpp"
#include "installer/desktop_shell_start.hpp"
#include "paths/path_variables.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/summary_page.hpp"

namespace valdorine {
namespace {

constexpr DWORD kPlannedInstallationReason = 0x80040002;  // application, installation, planned

// Appends 8-bit text to Install.log, which is already written at this point.
void AppendToInstallLog(const String& narrow_text) {
  UniqueFileHandle log(CreateFileW(WinText(InstallLogPath(Run().uninstall_dir)), FILE_APPEND_DATA, FILE_SHARE_READ,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return;
  DWORD written = 0;
  WriteFile(log.Get(), narrow_text.Narrow(), static_cast<DWORD>(narrow_text.Length()), &written, nullptr);
}

// "<what><command>", CR LF, the system's error text, CR LF.
void AppendLaunchFailure(const char* what, const String& command_narrow) {
  const DWORD error = GetLastError();
  String text = String::FormatNarrow("%s%s\r\n", what, command_narrow.Narrow());
  text.Append(NarrowFromWide(SystemErrorText(error), code_page::kUtf8));
  text.AppendNarrow("\r\n");
  AppendToInstallLog(text);
}

// Opens one of the script's files (UTF-8, path variables allowed) with the shell's default action.
void OpenScriptFile(const String& utf8_path) {
  String path = WideFromNarrow(utf8_path, code_page::kUtf8);
  ExpandVariables(path);
  if (path.IsEmpty()) return;
  const String absolute = (path.WideAt(1) == u':' || path.StartsWithIgnoreCase(u"\\\\"))
                              ? path
                              : JoinPath(Run().install_dir, path);
  ShellExecuteW(nullptr, nullptr, WinText(absolute), nullptr, WinText(Run().install_dir), SW_SHOWNORMAL);
}

// Through the desktop shell first, so that the program runs with the desktop user's rights and
// not with the installer's; as a process of the installer's when that fails or is not allowed.
void LaunchProgram(const InstallScript& script) {
  String command = WideFromNarrow(script.LaunchProgram, code_page::kUtf8);
  ExpandVariables(command);
  if (command.IsEmpty()) return;
  const RunState& run = Run();
  const ProgramAndArguments split = SplitProgramAndArguments(command);
  if ((run.package_flags & package_flag::kNoShellLaunch) == 0 &&
      StartThroughDesktopShell(split.program, split.arguments, run.install_dir)) {
    return;
  }
  if (StartProcess(command, run.install_dir)) return;
  AppendLaunchFailure("Failed to launch app: ", NarrowFromWide(command, code_page::kUtf8));
}

}  // namespace

bool RestartWindows() {
  EnablePrivilege(SE_SHUTDOWN_NAME);
  return ExitWindowsEx(EWX_REBOOT, kPlannedInstallationReason) != FALSE;
}

void RunExitActions(const InstallScript& script, bool run_failed) {
  const RunState& run = Run();
  SetCurrentDirectoryW(WinText(run.install_dir));
  const String& run_after = Switches().run_after_command;
  if (!run_failed && !run_after.IsEmpty() && !StartProcess(run_after, {})) {
    AppendLaunchFailure("Failed to launch command: ", NarrowFromWide(run_after, code_page::kAnsi));
  }
  const SummaryChoices choices = SummaryPageChoices();
  if (choices.open_file1) OpenScriptFile(script.OpenFile1);
  if (choices.launch_program) LaunchProgram(script);
  if (choices.view_log) ViewInstallLog();
  if (choices.open_file2) OpenScriptFile(script.OpenFile2);
}

}  // namespace valdorine
