#include "operations/shell_link.hpp"

#include <windows.h>
// windows.h first: the shell headers need its types.
#include <shlobj.h>

#include "core/path_text.hpp"
#include "core/win32/com_ptr.hpp"
#include "core/win32/crash_guard.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/win_text.hpp"
#include "operations/shortcut_text.hpp"

namespace valdorine {
namespace {

constexpr DWORD kUnhandledException = 574;  // ERROR_UNHANDLED_EXCEPTION: the shell's objects crashed

int ShowCommand(uint32_t flags) {
  if ((flags & shortcut_flag::kMinimised) != 0) return SW_SHOWMINNOACTIVE;
  if ((flags & shortcut_flag::kMaximised) != 0) return SW_SHOWMAXIMIZED;
  return SW_SHOWNORMAL;
}

HRESULT SaveLink(const String& path, const String& target, const String& arguments, const String& working_folder,
                 const String& icon, uint32_t flags) {
  ComPtr<IShellLinkW> link;
  HRESULT result =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid());
  if (FAILED(result)) return result;
  link->SetPath(WinText(target));
  link->SetIconLocation(WinText(icon.IsEmpty() ? target : icon), 0);
  if (!arguments.IsEmpty()) link->SetArguments(WinText(arguments));
  link->SetShowCmd(ShowCommand(flags));
  const String start_in = StartInFolder(working_folder);
  if (!start_in.IsEmpty()) link->SetWorkingDirectory(WinText(start_in));
  const ComPtr<IPersistFile> file = link.As<IPersistFile>();
  if (!file) return E_NOINTERFACE;
  return file->Save(WinText(path), TRUE);
}

}  // namespace

String LinkFilePath(const String& link_path) {
  const int length = link_path.WideLength();
  if (length >= 4 && EqualsIgnoreCase(link_path.Substring(length - 4), String::FromWide(u".lnk"))) return link_path;
  return ConcatWide(link_path.Wide(), u".lnk", nullptr);
}

bool CreateShortcut(const String& link_path, const String& target, const String& arguments,
                    const String& working_folder, const String& icon, uint32_t flags) {
  const String path = LinkFilePath(link_path);
  if (!CreateFolderTree(ParentFolder(path))) return false;
  HRESULT result = E_FAIL;
  if (!RunGuarded([&] { result = SaveLink(path, target, arguments, working_folder, icon, flags); })) {
    SetLastError(kUnhandledException);
    return false;
  }
  if (SUCCEEDED(result)) return true;
  SetLastError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result));
  return false;
}

}  // namespace valdorine
