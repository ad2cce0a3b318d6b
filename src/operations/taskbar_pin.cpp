#include "operations/taskbar_pin.hpp"

#include <windows.h>
// windows.h first: the shell headers need its types.
#include <shellapi.h>

#include "core/win32/crash_guard.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/temp_files.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "operations/shell_link.hpp"
#include "operations/shortcut_text.hpp"
#include "paths/folder_resolution.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr char16_t kPinnedFolder[] = u"Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar";

void Pin(const String& command, const String& name) {
  const ProgramAndArguments parts = SplitCommand(command);
  ShowProgressStatus(String::FromWide(u"Pin to taskbar"));
  const String link = LinkFilePath(JoinPath(TempFolder(), name));
  if (!CreateShortcut(link, parts.program, parts.arguments, String(), String(), 0)) {
    AddFailure(FailureSummary(), link);
    return;
  }
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"taskbarpin", WinText(link), nullptr, nullptr, SW_SHOWNORMAL));
  const DWORD error = GetLastError();
  const bool pinned = result > 32;
  LogFormatW(u"Pin to taskbar(%s): %s\r\n", parts.program.Wide(), pinned ? u"OK" : u"FAIL");
  if (!pinned) LogConcatW(SystemErrorText(error).Wide(), u"\r\n", nullptr);
  DeleteFileW(WinText(link));
  RecordUninstallEntry(LinkFilePath(JoinPath(UserAppDataFolder(), String::FromWide(kPinnedFolder), name)),
                       uninstall_entry::kFile);
}

}  // namespace

bool TaskbarPinsSupported(int major, int minor) { return (major == 6 && minor >= 1) || (major > 6 && major < 10); }

void PinToTaskbar(const String& command, const String& name) {
  const OsVersionInfo& version = OsVersion();
  if (!TaskbarPinsSupported(version.major, version.minor)) return;
  if (!RunGuarded([&] { Pin(command, name); })) FailureSummary().AppendWide(u"Crash while pinning to taskbar.\r\n");
}

}  // namespace valdorine
