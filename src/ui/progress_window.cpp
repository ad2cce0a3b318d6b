#include "ui/progress_window.hpp"

#include <commctrl.h>

#include <algorithm>

#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/background_window.hpp"
#include "ui/gdi_objects.hpp"
#include "ui/message_boxes.hpp"
#include "ui/page_setup.hpp"
#include "ui/resources/page_ids.h"

namespace valdorine {
namespace {

constexpr int kBar = 1007;
constexpr int kStatus = 1011;
constexpr DWORD kStageStepMs = 50;
constexpr double kLargeTextScale = 1.1;

namespace text {
constexpr int kCancelQuestionCaption = 20;
constexpr int kCancelQuestion = 28;
constexpr int kInstallingText = 39;
constexpr int kCancel = 49;
constexpr int kInstallingHeader = 54;
constexpr int kUninstallingHeader = 55;
constexpr int kUninstallingText = 71;
}  // namespace text

struct ProgressState {
  HWND page = nullptr;
  PageLook look;
  String band_title;
  ProgressRun run = ProgressRun::kInstallation;
  void (*cancel)() = nullptr;
  UniqueFont large_text_font;
  bool status_noted = false;
  ULONGLONG status_time = 0;
};

ProgressState& State() {
  static ProgressState state;
  return state;
}

bool CancelAllowed() {
  const ProgressState& state = State();
  return state.run == ProgressRun::kInstallation && state.cancel &&
         (Run().options.word1 & option1::kNoCancel) == 0;
}

// The page is disabled while the question is open, as under a modal box it owns, and stays so
// on the way out.
void AskToCancel(HWND page) {
  if (!CancelAllowed()) return;
  EnableWindow(page, FALSE);
  const bool confirmed = AskYesNo(LanguageString(text::kCancelQuestion), LanguageString(text::kCancelQuestionCaption));
  if (confirmed) State().cancel();
  EnableWindow(page, TRUE);
}

// Styles 0 and 2 show the main text in "MS Shell Dlg 2" at 1.1 times the page's font height.
void EnlargeMainText(HWND page) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfHeight = static_cast<LONG>(font.lfHeight * kLargeTextScale);
  lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
  UniqueFont& owned = State().large_text_font;
  owned.Reset(CreateFontIndirectW(&font));
  SendDlgItemMessageW(page, IDC_MAIN_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(owned.Get()), FALSE);
}

void Place(HWND page) {
  RECT area{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  RECT own;
  GetWindowRect(page, &own);
  const POINT corner = ProgressPagePosition(area, own, Script().ProgressPosition);
  SetWindowPos(page, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetUp(HWND page) {
  ProgressState& state = State();
  const bool installing = state.run == ProgressRun::kInstallation;
  SetControlText(page, IDC_MAIN_TEXT, LanguageString(installing ? text::kInstallingText : text::kUninstallingText));
  SetControlText(page, IDC_BACK_OUT, LanguageString(text::kCancel));
  EnableWindow(GetDlgItem(page, IDC_BACK_OUT), CancelAllowed());
  SendDlgItemMessageW(page, kBar, PBM_SETRANGE32, 0, 100);
  if (state.look.style == 0 || state.look.style == 2) EnlargeMainText(page);
  const String header = LanguageString(installing ? text::kInstallingHeader : text::kUninstallingHeader);
  PageHeading heading = WizardHeading(header);
  if (!state.band_title.IsEmpty()) heading.band_title = state.band_title;
  if (!installing) heading.band_caption = header;
  SetUpPage(page, state.look, heading);
  Place(page);
}

INT_PTR CALLBACK ProgressProcedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  INT_PTR result = 0;
  if (HandlePageLookMessage(page, State().look, message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      SetUp(page);
      return TRUE;
    case WM_QUERYENDSESSION:  // no logoff or shutdown while the files are being written
      SetWindowLongPtrW(page, DWLP_MSGRESULT, FALSE);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_BACK_OUT || LOWORD(wparam) == IDCANCEL) AskToCancel(page);
      return TRUE;
    case WM_CLOSE:
      AskToCancel(page);
      return TRUE;
    case WM_DESTROY:
      State().page = nullptr;
      State().large_text_font.Reset();
      return FALSE;
    default:
      return FALSE;
  }
}

void ShowStatusText(const String& text) {
  if (HWND page = State().page) SetDlgItemTextW(page, kStatus, WinText(text));
  PumpWindowMessages();
}

}  // namespace

void ShowProgressPage(ProgressRun run, const ProgressLook& look, void (*cancel)()) {
  ProgressState& state = State();
  if (state.page || Switches().silent_mode || (Run().options.word2 & option2::kProgressPage) == 0) return;
  state.run = run;
  state.look.style = look.style;
  state.look.header_text_colour = look.header_text_colour;
  state.look.picture_border = look.picture_border;
  state.band_title = look.band_title;
  state.cancel = cancel;
  LoadCommonControls(ICC_PROGRESS_CLASS);
  const String name = PageTemplateName(u"ProgressDlg", look.style);
  state.page = CreateDialogParamW(Process().instance, WinText(name), BackgroundWindow(), ProgressProcedure, 0);
  if (!state.page) PageCannotBeShown(name);
  ShowWindow(state.page, SW_SHOW);
  SetForegroundWindow(state.page);
  PumpWindowMessages();
}

void CloseProgressPage() {
  if (HWND page = State().page) DestroyWindow(page);
}

HWND ProgressPage() { return State().page; }

void SetProgress(int percent) {
  if (HWND page = State().page) PostMessageW(GetDlgItem(page, kBar), PBM_SETPOS, std::clamp(percent, 0, 100), 0);
  PumpWindowMessages();
}

void SetStatus(int number) {
  ProgressState& state = State();
  state.status_noted = true;
  state.status_time = GetTickCount64();
  ShowStatusText(LanguageString(number));
}

void ShowProgressStatus(const String& text) { ShowStatusText(text); }

void WaitStage(uint32_t milliseconds) {
  ProgressState& state = State();
  if (Switches().automatic_mode) return;
  if (!state.status_noted) {
    state.status_noted = true;
    state.status_time = GetTickCount64();
    return;
  }
  for (uint32_t round = 0; round < milliseconds; ++round) {
    if (!PumpWindowMessages() || GetTickCount64() - state.status_time >= milliseconds) return;
    Sleep(kStageStepMs);
  }
}

HWND PageOwner() { return State().page ? State().page : BackgroundWindow(); }

bool PumpWindowMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return false;
    HWND page = State().page;
    if (page && IsDialogMessageW(page, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

void CloseInstallerWindows() {
  CloseProgressPage();
  CloseBackgroundWindow();
}

POINT ProgressPagePosition(const RECT& area, const RECT& page, uint32_t code) {
  const LONG width = page.right - page.left;
  const LONG height = page.bottom - page.top;
  POINT corner{page.left, page.top};
  switch (code & 0x3) {
    case 1: corner.x = area.left; break;
    case 2: corner.x = area.right - width; break;
    case 3: corner.x = area.left + (area.right - area.left - width) / 2; break;
    default: break;
  }
  switch (code & 0x18) {
    case 0x8: corner.y = area.top; break;
    case 0x10: corner.y = area.bottom - height; break;
    case 0x18: corner.y = area.top + (area.bottom - area.top - height) / 2; break;
    default: break;
  }
  return corner;
}

}  // namespace valdorine
