#include "operations/component_registration.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/crash_guard.hpp"
#include "core/win32/registry.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/operations_log.hpp"
#include "package/language_strings.hpp"
#include "package/package_failure.hpp"
#include "package/package_startup.hpp"
#include "ui/progress_window.hpp"
#include "uninstall/uninstall_data.hpp"
#include "uninstall/uninstall_list.hpp"

namespace valdorine {
namespace {

constexpr int kComponentStatusString = 77;
constexpr UINT kCallNotImplemented = 120;    // the library or its entry point is missing
constexpr UINT kCrashedResult = 0x8000FFFF;  // the call crashed
constexpr REGSAM kAppletKeyAccess = 0x2010F;
constexpr uint32_t kAppletKeyFlags = reg_key::kDefaultSecurity | reg_key::kView64;
constexpr char16_t kClassesKey[] = u"\\HKLM\\Software\\Classes\\CLSID\\";
constexpr char16_t kNameSpaceKey[] =
    u"\\HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ControlPanel\\NameSpace\\";

using SetInternalUiFunction = UINT(WINAPI*)(UINT level, HWND* owner);
using InstallProductFunction = UINT(WINAPI*)(const wchar_t* path, const wchar_t* command_line);

// The Windows Installer library, loaded from the system folder once per run.
HMODULE InstallerLibrary() {
  static const UniqueModule library(LoadLibraryExW(L"msi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  return library.Get();
}

template <typename Function>
Function EntryPoint(HMODULE library, const char* name) {
  return library ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

UINT RunInstallerPackage(const String& path, uint32_t ui_level) {
  const HMODULE library = InstallerLibrary();
  const auto set_ui = EntryPoint<SetInternalUiFunction>(library, "MsiSetInternalUI");
  const auto install = EntryPoint<InstallProductFunction>(library, "MsiInstallProductW");
  if (install == nullptr) return kCallNotImplemented;
  UINT result = kCrashedResult;
  RunGuarded([&] {
    if (set_ui) {
      HWND owner = GetActiveWindow();
      set_ui(ui_level, &owner);
    }
    result = install(WinText(path), L"REBOOT=R");
  });
  return result;
}

// An [MSI] line: the quoted path and the user-interface level.
void RecordInstalledPackage(const String& path, uint32_t ui_level) {
  String line = String::FromNarrow("\"");
  line.Append(NarrowPath(path));
  line.AppendFormatNarrow("\",%u\r\n", static_cast<unsigned>(ui_level));
  CollectedUninstallSections().msi.Append(line);
}

bool CreateAppletKey(RegKey& key, const String& path) {
  return key.OpenKey(path, kAppletKeyFlags, kAppletKeyAccess) != open_key_result::kFailed;
}

// The class key with its name, icon and open command; false when the class key or its command
// cannot be made.
bool RegisterAppletClass(const String& class_key, const String& path, const String& name, const String& arguments) {
  RegKey key;
  if (!CreateAppletKey(key, class_key)) return false;
  RecordUninstallEntry(class_key, uninstall_entry::kRegistryKey64);
  key.SetString(String(), name);
  RegKey icon;
  if (CreateAppletKey(icon, ConcatWide(class_key.Wide(), u"\\DefaultIcon", nullptr))) icon.SetString(String(), path);
  String command = ConcatWide(u"\"", path.Wide(), u"\"", nullptr);
  if (!arguments.IsEmpty()) command.Append(ConcatWide(u" ", arguments.Wide(), nullptr));
  RegKey open;
  return CreateAppletKey(open, ConcatWide(class_key.Wide(), u"\\Shell\\Open\\Command", nullptr)) &&
         open.SetString(String(), command);
}

bool RegisterAppletNameSpace(const String& class_id, const String& name) {
  const String name_space_key = ConcatWide(kNameSpaceKey, class_id.Wide(), nullptr);
  RegKey key;
  if (!CreateAppletKey(key, name_space_key)) return false;
  key.SetString(String(), name);
  RecordUninstallEntry(name_space_key, uninstall_entry::kRegistryKey64);
  return true;
}

[[noreturn]] void FailApplet(PackageError error) { FailPackage(error, Package()); }

}  // namespace

void ShowComponentStatus(const String& item) {
  String status = LanguageString(kComponentStatusString);
  status.ReplaceAll(u"<file>", item.Wide());
  ShowProgressStatus(status);
}

void InstallInstallerPackage(const String& path, uint32_t ui_level, bool record_for_removal) {
  ShowComponentStatus(path);
  String log = ConcatWide(u"Installing MSI package \"", path.Wide(), u"\"...", nullptr);
  const UINT result = RunInstallerPackage(path, ui_level);
  if (result == ERROR_SUCCESS) {
    log.AppendWide(u"OK\r\n");
    if (record_for_removal) RecordInstalledPackage(path, ui_level);
  } else {
    log.AppendFormatWide(u"FAILED code %d: %s\r\n\r\n", static_cast<int>(result), SystemErrorText(result).Wide());
    FailureSummary().Append(log);
  }
  LogString(log);
}

void RegisterControlPanelApplet(const String& path, const String& display_name, const String& class_id,
                                const String& arguments) {
  if (class_id.IsEmpty()) FailApplet(PackageError::kAppletWithoutClass);
  const String name = display_name.IsEmpty() ? FileNamePart(path) : display_name;
  if (name.IsEmpty()) FailApplet(PackageError::kAppletWithoutName);
  ShowComponentStatus(ConcatWide(u"Control Panel extension \"", name.Wide(), u"\"", nullptr));
  LogConcatW(u"Registering control panel applet \"", name.Wide(), u"\"...", nullptr);
  const String class_key = ConcatWide(kClassesKey, class_id.Wide(), nullptr);
  const bool registered = RegisterAppletClass(class_key, path, name, arguments) && RegisterAppletNameSpace(class_id, name);
  if (registered) {
    LogText("OK\r\n");
  } else {
    const DWORD error = GetLastError();
    LogConcatW(u"FAILED!\r\n", SystemErrorText(error).Wide(), u"\r\n\r\n", nullptr);
  }
}

}  // namespace valdorine
