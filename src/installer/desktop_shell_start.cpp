#include "installer/desktop_shell_start.hpp"

#include <windows.h>
// windows.h first: the shell headers need its types.
#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <string_view>

#include "core/win32/com_ptr.hpp"
#include "core/win32/file_system.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

// A VARIANT that owns its contents.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  explicit Variant(const String& text) : Variant() {
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocString(WinText(text));
  }
  explicit Variant(int number) : Variant() {
    value_.vt = VT_I4;
    value_.lVal = number;
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&value_); }

  VARIANT& Get() { return value_; }

 private:
  VARIANT value_;
};

// The desktop's folder view, found through the shell's list of its windows.
ComPtr<IShellFolderViewDual> DesktopFolderView() {
  ComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                              windows.ReceiveVoid()))) {
    return {};
  }
  Variant location(CSIDL_DESKTOP);
  Variant root;
  long window = 0;
  ComPtr<IDispatch> desktop;
  if (windows->FindWindowSW(&location.Get(), &root.Get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            desktop.Receive()) != S_OK) {
    return {};
  }
  ComPtr<IServiceProvider> services = desktop.As<IServiceProvider>();
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  if (!services ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid())) ||
      FAILED(browser->QueryActiveShellView(view.Receive())) ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid()))) {
    return {};
  }
  return background.As<IShellFolderViewDual>();
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

ProgramAndArguments SplitProgramAndArguments(const String& command_line) {
  const std::u16string_view text(command_line.Wide(), static_cast<size_t>(command_line.WideLength()));
  const size_t start = text.find_first_not_of(u" \t");
  if (start == std::u16string_view::npos) return {};
  auto split_at = [&](size_t program_begin, size_t program_end, size_t arguments_begin) {
    const size_t first_argument = text.find_first_not_of(u" \t", std::min(arguments_begin, text.size()));
    return ProgramAndArguments{
        String::FromWide(text.data() + program_begin, static_cast<int>(program_end - program_begin)),
        first_argument == std::u16string_view::npos
            ? String()
            : String::FromWide(text.data() + first_argument, static_cast<int>(text.size() - first_argument))};
  };
  if (text[start] == u'"') {
    const size_t closing = text.find(u'"', start + 1);
    if (closing == std::u16string_view::npos) return split_at(start + 1, text.size(), text.size());
    return split_at(start + 1, closing, closing + 1);
  }
  for (size_t blank = start; blank < text.size(); ++blank) {
    if (!IsBlank(text[blank])) continue;
    const String candidate = String::FromWide(text.data() + start, static_cast<int>(blank - start));
    if (FileExists(candidate)) return split_at(start, blank, blank);
  }
  size_t end = text.size();
  while (end > start && IsBlank(text[end - 1])) --end;
  return split_at(start, end, end);
}

bool StartThroughDesktopShell(const String& program, const String& arguments, const String& working_folder) {
  ComApartment apartment;
  ComPtr<IShellFolderViewDual> folder_view = DesktopFolderView();
  ComPtr<IDispatch> application;
  if (!folder_view || FAILED(folder_view->get_Application(application.Receive()))) return false;
  ComPtr<IShellDispatch2> shell = application.As<IShellDispatch2>();
  if (!shell) return false;
  Variant file(program);
  Variant argument_text(arguments);
  Variant folder(working_folder);
  Variant verb;
  Variant show(SW_SHOWNORMAL);
  return SUCCEEDED(shell->ShellExecute(file.Get().bstrVal, argument_text.Get(), folder.Get(), verb.Get(), show.Get()));
}

}  // namespace valdorine
