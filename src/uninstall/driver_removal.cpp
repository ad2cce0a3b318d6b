#include "uninstall/driver_removal.hpp"

#include <windows.h>

#include "core/path_text.hpp"
#include "core/win32/crash_guard.hpp"
#include "core/win32/system_folders.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

using UninstallInfFn = BOOL(WINAPI*)(const wchar_t*, DWORD, void*);
constexpr DWORD kForceDelete = 0x1;  // SUOI_FORCEDELETE

}  // namespace

void RemoveDriverPackages(const Array<String>& lines) {
  if (lines.IsEmpty()) return;
  const UniqueModule setup_api(
      LoadLibraryExW(WinText(JoinPath(SystemFolder(), String::FromWide(u"setupapi.dll"))), nullptr, 0));
  if (!setup_api.IsValid()) return;
  const auto uninstall_inf = reinterpret_cast<UninstallInfFn>(
      reinterpret_cast<void*>(GetProcAddress(setup_api.Get(), "SetupUninstallOEMInfW")));
  if (uninstall_inf == nullptr) return;
  for (const String& line : lines) {
    const String path = WidePathFromNarrow(line);
    SetFileAttributesW(WinText(path), FILE_ATTRIBUTE_NORMAL);
    RunGuarded([&] { uninstall_inf(WinText(FileNamePart(path)), kForceDelete, nullptr); });
  }
}

}  // namespace valdorine
