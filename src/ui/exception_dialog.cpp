#include "ui/exception_dialog.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

namespace control {
inline constexpr int kInformUs = 2700;
inline constexpr int kExit = 2701;
inline constexpr int kApology = 2702;
inline constexpr int kReport = 2703;
inline constexpr int kCopyReport = 2704;
inline constexpr int kEmail = 2705;
inline constexpr int kComments = 2707;
}  // namespace control

struct DialogState {
  const String& report;
  const String& maker;
  bool can_inform;
  HFONT report_font = nullptr;
  ExceptionDialogAnswer answer;
};

String ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  String text;
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return text;
  text.SetLength((length + 1) * 2);
  const int copied = GetWindowTextW(control, reinterpret_cast<wchar_t*>(text.MutableWide()), length + 1);
  text.SetLength(copied * 2);
  return text;
}

void CopyToClipboard(HWND owner, const String& text) {
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  const SIZE_T size = static_cast<SIZE_T>(text.Length()) + sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size)) {
    memcpy(GlobalLock(memory), text.Wide(), size);
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
}

// Centres the dialog on the work area, shrunk to it when larger.
void CentreOnScreen(HWND dialog) {
  RECT area, window;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(dialog, &window);
  const int width = std::min(window.right - window.left, area.right - area.left);
  const int height = std::min(window.bottom - window.top, area.bottom - area.top);
  SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, width, height, SWP_NOZORDER);
}

HFONT ReportFont(HWND dialog) {
  HDC screen = GetDC(dialog);
  const int height = -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(dialog, screen);
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
}

void Initialise(HWND dialog, DialogState& state) {
  String apology = ControlText(dialog, control::kApology);
  apology.ReplaceAll(u"%s", state.maker.Wide());
  SetDlgItemTextW(dialog, control::kApology, WinText(apology));
  state.report_font = ReportFont(dialog);
  SendDlgItemMessageW(dialog, control::kReport, WM_SETFONT, reinterpret_cast<WPARAM>(state.report_font), FALSE);
  SetDlgItemTextW(dialog, control::kReport, WinText(state.report));
  EnableWindow(GetDlgItem(dialog, control::kInformUs), state.can_inform);
  CentreOnScreen(dialog);
  SetForegroundWindow(dialog);
  // The focus goes to a button, not to the report, which would show its whole text selected.
  HWND button = GetDlgItem(dialog, state.can_inform ? control::kInformUs : control::kExit);
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
}

INT_PTR CALLBACK ExceptionDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      Initialise(dialog, *reinterpret_cast<DialogState*>(lparam));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case control::kInformUs:
          state->answer = {true, ControlText(dialog, control::kEmail), ControlText(dialog, control::kComments)};
          EndDialog(dialog, control::kInformUs);
          return TRUE;
        case control::kCopyReport:
          CopyToClipboard(dialog, state->report);
          return TRUE;
        case control::kExit:
        case IDCANCEL:
          EndDialog(dialog, control::kExit);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, control::kExit);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

ExceptionDialogAnswer ShowExceptionDialog(HINSTANCE instance, const String& report, const String& maker, bool can_inform) {
  DialogState state{report, maker, can_inform, nullptr, {}};
  DialogBoxParamW(instance, L"ExceptionDlg", nullptr, ExceptionDialogProc, reinterpret_cast<LPARAM>(&state));
  if (state.report_font) DeleteObject(state.report_font);
  return std::move(state.answer);
}

}  // namespace valdorine
