#include "uninstall/installer_package_removal.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "uninstall/uninstall_data_text.hpp"

namespace valdorine {
namespace {

using SetInternalUiFn = UINT(WINAPI*)(UINT, HWND*);
using InstallProductFn = UINT(WINAPI*)(const wchar_t*, const wchar_t*);

constexpr UINT kEntryPointMissing = 120;  // ERROR_CALL_NOT_IMPLEMENTED

// The package path of a line: surrounding blanks and double quotes removed.
String PackagePath(const String& field) {
  String path = WidePathFromNarrow(field);
  int start = 0;
  int end = path.WideLength();
  while (start < end && (path.WideAt(start) == u' ' || path.WideAt(start) == u'"')) ++start;
  while (end > start && (path.WideAt(end - 1) == u' ' || path.WideAt(end - 1) == u'"')) --end;
  return path.Substring(start, end - start);
}

UINT RemovePackage(HMODULE msi, const String& path, UINT ui_level) {
  const auto set_ui = reinterpret_cast<SetInternalUiFn>(reinterpret_cast<void*>(GetProcAddress(msi, "MsiSetInternalUI")));
  const auto install = reinterpret_cast<InstallProductFn>(
      reinterpret_cast<void*>(GetProcAddress(msi, "MsiInstallProductW")));
  if (set_ui == nullptr || install == nullptr) return kEntryPointMissing;
  set_ui(ui_level, nullptr);
  return install(WinText(path), L"REBOOT=R REMOVE=ALL");
}

}  // namespace

Array<String> RemoveInstallerPackages(const Array<String>& lines, String& failures) {
  Array<String> kept;
  if (lines.IsEmpty()) return kept;
  const UniqueModule msi(LoadLibraryExW(WinText(JoinPath(SystemFolder(), String::FromWide(u"msi.dll"))), nullptr, 0));
  for (const String& line : lines) {
    const Array<String> fields = SplitCsv(line);
    if (fields.Count() != 2) continue;
    const String path = PackagePath(fields[0]);
    const UINT level = static_cast<UINT>(atoi(fields[1].Narrow()));
    const UINT result = msi.IsValid() ? RemovePackage(msi.Get(), path, level) : kEntryPointMissing;
    if (result == ERROR_SUCCESS) continue;
    failures.AppendFormatWide(u"Failed to uninstall %s, code %d: %s\r\n", FileNamePart(path).Wide(), static_cast<int>(result),
                              SystemErrorText(result).Wide());
    kept.Append(line);
  }
  return kept;
}

}  // namespace valdorine
