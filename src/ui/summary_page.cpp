#include "ui/summary_page.hpp"

#include <windows.h>

#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "ui/background_window.hpp"
#include "ui/page_setup.hpp"
#include "ui/resources/page_ids.h"

namespace valdorine {
namespace {

constexpr int kBoxRight = 275;
constexpr int kBoxHeight = 9;
constexpr int kBoxStep = 14;

namespace text {
constexpr int kCompleted = 42;
constexpr int kHeader = 43;
constexpr int kFinish = 95;
}  // namespace text

// One check box: its control, its language string, and the choice it sets.
struct SummaryBox {
  int id;
  int text;
  bool SummaryChoices::*choice;
};

// In the order in which they are laid out.
constexpr SummaryBox kBoxes[] = {
    {1025, 84, &SummaryChoices::launch_program},
    {1023, 83, &SummaryChoices::open_file1},
    {1029, 87, &SummaryChoices::open_file2},
    {1027, 85, &SummaryChoices::view_log},
};

struct SummaryState {
  PageLook look;
  bool offer_view_log = false;
  SummaryChoices choices;
};

SummaryState& State() {
  static SummaryState state;
  return state;
}

// Whether a box is offered, and whether it starts ticked.
struct BoxOffer {
  bool shown;
  bool checked;
};

BoxOffer Offer(const SummaryBox& box) {
  const InstallScript& script = Script();
  const uint32_t flags = Run().package_flags;
  switch (box.id) {
    case 1025: return {!script.LaunchProgram.IsEmpty(), (flags & package_flag::kLaunchProgramOption) != 0};
    case 1023: return {!script.OpenFile1.IsEmpty(), (flags & package_flag::kOpenFile1Option) != 0};
    case 1029: return {!script.OpenFile2.IsEmpty(), (flags & package_flag::kOpenFile2Option) != 0};
    default: return {State().offer_view_log, false};
  }
}

void LayOutBoxes(HWND page, uint32_t style) {
  BoxOffer offers[4];
  int shown = 0;
  for (int i = 0; i < 4; ++i) {
    const String text = LanguageString(kBoxes[i].text);
    offers[i] = Offer(kBoxes[i]);
    offers[i].shown = offers[i].shown && !text.IsEmpty();
    SetDlgItemTextW(page, kBoxes[i].id, WinText(text));
    if (offers[i].shown) ++shown;
  }
  const SummaryBoxPlacement placement = SummaryBoxesAt(style, shown);
  int top = placement.first_top;
  for (int i = 0; i < 4; ++i) {
    HWND box = GetDlgItem(page, kBoxes[i].id);
    CheckDlgButton(page, kBoxes[i].id, offers[i].shown && offers[i].checked ? BST_CHECKED : BST_UNCHECKED);
    ShowWindow(box, offers[i].shown ? SW_SHOW : SW_HIDE);
    if (!offers[i].shown) continue;
    RECT area{placement.left, top, kBoxRight, top + kBoxHeight};
    MapDialogRect(page, &area);
    SetWindowPos(box, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    top += kBoxStep;
  }
}

void SetUp(HWND page) {
  PageLook& look = State().look;
  look = ScriptPageLook(Script().Display.SummaryPageStyle);
  SetControlText(page, IDC_MAIN_TEXT, LanguageString(text::kCompleted));
  SetControlText(page, IDC_FORWARD, LanguageString(text::kFinish));
  LayOutBoxes(page, look.style);
  SetUpPage(page, look, WizardHeading(LanguageString(text::kHeader)));
}

void Finish(HWND page, bool accepted) {
  SummaryChoices& choices = State().choices;
  choices = {};
  if (accepted) {
    for (const SummaryBox& box : kBoxes) choices.*box.choice = IsDlgButtonChecked(page, box.id) == BST_CHECKED;
  }
  EndDialog(page, accepted ? IDC_FORWARD : IDC_BACK_OUT);
}

INT_PTR CALLBACK SummaryProcedure(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  INT_PTR result = 0;
  if (HandlePageLookMessage(page, State().look, message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      SetUp(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_FORWARD) Finish(page, true);
      if (LOWORD(wparam) == IDCANCEL) Finish(page, false);
      return TRUE;
    case WM_CLOSE:
      Finish(page, false);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowSummaryPage(bool offer_view_log) {
  State().offer_view_log = offer_view_log;
  const String name = PageTemplateName(u"SummaryDlg", Script().Display.SummaryPageStyle);
  if (DialogBoxParamW(Process().instance, WinText(name), BackgroundWindow(), SummaryProcedure, 0) == -1) {
    PageCannotBeShown(name);
  }
}

SummaryChoices SummaryPageChoices() { return State().choices; }

SummaryBoxPlacement SummaryBoxesAt(uint32_t style, int shown_boxes) {
  if (style == 0) return {12, 64 + 7 * (4 - shown_boxes)};
  if (style == 1 || style == 3) return {98, 72};
  return {20, 98};
}

}  // namespace valdorine
