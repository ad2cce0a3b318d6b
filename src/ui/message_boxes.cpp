#include "ui/message_boxes.hpp"

#include <windows.h>

#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/page_frame.hpp"
#include "ui/resources/page_ids.h"

namespace valdorine {
namespace {

HHOOK message_box_hook = nullptr;  // the one hook waiting for the next message box of this thread

// A button of the system's message box: its language string (0: none) and its glyph.
struct BoxButton {
  int id;
  int language_string;
  int glyph;
};
constexpr BoxButton kBoxButtons[] = {
    {IDOK, 0, IDB_GLYPH_FORWARD},  {IDYES, 79, IDB_GLYPH_FORWARD}, {IDNO, 80, IDB_GLYPH_CANCEL},
    {IDCANCEL, 49, IDB_GLYPH_CANCEL}, {IDRETRY, 100, IDB_GLYPH_RETRY},
};

void DressMessageBox(HWND box) {
  SendMessageW(box, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Process().large_icon));
  SendMessageW(box, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Process().small_icon));
  HWND first_button = nullptr;
  for (const BoxButton& button : kBoxButtons) {
    const HWND window = GetDlgItem(box, button.id);
    if (!window) continue;
    first_button = window;
    const String label = button.language_string != 0 ? LanguageString(button.language_string) : String();
    if (!label.IsEmpty()) SetWindowTextW(window, WinText(label));
    AddButtonGlyph(box, window, button.glyph);
  }
  if (first_button) FitButtons(box, first_button);
  CentreOnInstaller(box);
}

// Dresses the next message box when it is activated, then removes itself.
LRESULT CALLBACK MessageBoxHook(int code, WPARAM wparam, LPARAM lparam) {
  const HHOOK hook = message_box_hook;
  if (code == HCBT_ACTIVATE) {
    wchar_t name[16] = {};
    GetClassNameW(reinterpret_cast<HWND>(wparam), name, 16);
    if (lstrcmpW(name, L"#32770") == 0) {
      UnhookWindowsHookEx(hook);
      message_box_hook = nullptr;
      DressMessageBox(reinterpret_cast<HWND>(wparam));
      return 0;
    }
  }
  return CallNextHookEx(hook, code, wparam, lparam);
}

// Shows a box unless the run is silent; a box that is not shown gives `silent_answer`.
int ShowBox(const String& text, const String& caption, UINT style, int silent_answer, HWND owner = nullptr) {
  if (Switches().silent_mode) return silent_answer;
  if (!message_box_hook) {
    message_box_hook = SetWindowsHookExW(WH_CBT, MessageBoxHook, nullptr, GetCurrentThreadId());
  }
  const String shown_caption = caption.IsEmpty() ? String::FromWide(u"Valdorine Setup") : caption;
  return MessageBoxW(owner ? owner : InstallerWindow(), WinText(text), WinText(shown_caption),
                     style | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace

void ShowInfo(const String& text, const String& caption) { ShowBox(text, caption, MB_OK | MB_ICONINFORMATION, IDOK); }

void ShowInfo(const String& text, const String& caption, UINT icon, HWND owner) {
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  ShowBox(text, caption, MB_OK | icon, IDOK, owner);
}

void ShowWarning(const String& text, const String& caption) { ShowBox(text, caption, MB_OK | MB_ICONWARNING, IDOK); }

bool AskYesNo(const String& text, const String& caption) {
  return ShowBox(text, caption, MB_YESNO | MB_ICONQUESTION, IDYES) == IDYES;
}

bool AskOkCancel(const String& text, const String& caption) {
  return ShowBox(text, caption, MB_OKCANCEL | MB_ICONQUESTION, IDOK) == IDOK;
}

bool AskRetryCancel(const String& text, const String& caption) {
  return ShowBox(text, caption, MB_RETRYCANCEL | MB_ICONWARNING, IDCANCEL) == IDRETRY;
}

bool ErrorBoxShown(bool silent_mode, bool automatic_mode, uint32_t option_word2) {
  if (silent_mode) return false;
  return !automatic_mode || (option_word2 & option2::kErrorBoxesInAutomaticMode) != 0;
}

void ShowErrorBox(const String& text) {
  const RunSwitches& switches = Switches();
  if (!ErrorBoxShown(switches.silent_mode, switches.automatic_mode, Run().options.word2)) return;
  String caption = LanguageString(21);
  if (caption.IsEmpty()) caption = String::FromWide(u"Error");
  ShowBox(text, caption, MB_OK | MB_ICONERROR, IDOK);
}

}  // namespace valdorine
