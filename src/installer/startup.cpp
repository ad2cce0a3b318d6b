#include "installer/startup.hpp"

#include <ole2.h>
#include <windows.h>

#include "core/fatal.hpp"
#include "core/random.hpp"
#include "core/win32/crash_filter.hpp"
#include "core/win32/privileges.hpp"
#include "diagnostics/crash_handler.hpp"
#include "diagnostics/notifications.hpp"
#include "diagnostics/problem_report.hpp"
#include "installer/build_variant.hpp"
#include "installer/command_line.hpp"
#include "installer/fatal_display.hpp"
#include "installer/install_sequence.hpp"
#include "installer/orderly_exit.hpp"
#include "installer/uninstaller.hpp"
#include "package/install_script_setup.hpp"
#include "package/package_startup.hpp"
#include "run/installer_process.hpp"
#include "run/run_switches.hpp"
#include "uninstall/self_delete_batch.hpp"

namespace valdorine {
namespace {

// No DLL is ever loaded from the folder the installer was started in: a setup program usually
// runs from a downloads folder that others can write to. The call exists from Windows 8 on (and
// on Windows 7 with KB2533623), so it is looked up rather than imported.
void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto set_directories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_directories) set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");  // also drops the current folder from the older search order
}

HICON LoadApplicationIcon(HINSTANCE instance, int width_metric, int height_metric) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                       GetSystemMetrics(width_metric), GetSystemMetrics(height_metric),
                                       LR_SHARED));
}

String ModulePath(HINSTANCE instance) {
  String path;
  for (DWORD capacity = MAX_PATH;; capacity *= 2) {
    path.SetLength(static_cast<int>(capacity) * 2);
    DWORD length = GetModuleFileNameW(instance, reinterpret_cast<wchar_t*>(path.MutableWide()), capacity);
    if (length < capacity) {
      path.SetLength(static_cast<int>(length) * 2);
      return path;
    }
  }
}

void RecordProcess(HINSTANCE instance) {
  InstallerProcess& process = Process();
  process.instance = instance;
  process.module_path = ModulePath(instance);
  Random random(GetTickCount64());
  process.session_number = random.Next64() & 0x7FFFFFFFFFFFFFFFull;
  process.large_icon = LoadApplicationIcon(instance, SM_CXICON, SM_CYICON);
  process.small_icon = LoadApplicationIcon(instance, SM_CXSMICON, SM_CYSMICON);
}

void ParseCommandLine() {
  String command_line = String::FromWide(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  String reason = ApplyCommandLine(SplitCommandLine(command_line), Switches());
  if (!reason.IsEmpty()) Usage(reason);
}

// The uninstaller for the named product; the exit code is 0 whatever it reports. A complete
// uninstallation notifies the product's address and leaves the uninstaller's own removal to the
// self-deleting batch, which runs once this process has ended.
[[noreturn]] void RunUninstallBranch() {
  const String& name = Switches().product_to_uninstall;
  if (name.IsEmpty()) Usage(String::FromWide(u"Product name required"));
  if (Uninstall(name)) {
    const UninstallerState& product = UninstalledProduct();
    SendNotification(product.notify_url, false);
    WriteSelfDeleteBatch({Process().module_path, product.install_dir, product.uninstall_subdir});
  }
  OrderlyExit(0);
}

}  // namespace

void Usage(const String& reason) {
  String text = UsageText(reason, ProgramFileName());
  FatalWide(u"%s", text.Wide());
}

void RunInstaller(HINSTANCE instance) {
  RestrictDllSearchToSystemFolder();
  InstallerProcess& process = Process();
  process.family_name = String::FromWide(u"Valdorine Setup");
  process.family_name_narrow = String::FromNarrow("Valdorine Setup");
  InstallCrashHandler(HandleInstallerCrash);
  SetProblemReportRecipient(ProblemReportEndpoint(), SupportAddress());
  OleInitialize(nullptr);
  // Taking ownership lets the installer replace files whose access list would refuse it.
  EnablePrivilege(SE_TAKE_OWNERSHIP_NAME);
  RegisterFatalDisplay();
  RecordProcess(instance);
  ParseCommandLine();
  if (Switches().uninstall_request) RunUninstallBranch();
  LoadInstallPackage();
  ApplyInstallScript(Script());
  RunInstallation();
}

}  // namespace valdorine
