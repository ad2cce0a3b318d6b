#include "ui/page_frame.hpp"

#include <commctrl.h>

#include "core/win32/win_text.hpp"
#include "run/installer_process.hpp"
#include "run/run_switches.hpp"
#include "ui/page_setup.hpp"
#include "ui/resources/page_ids.h"

namespace valdorine {
namespace {

// What a shown page keeps beside its WizardPage: its look.
struct PageFrame {
  WizardPage& page;
  PageLook look;
};

PageFrame& FrameOf(HWND dialog) { return *reinterpret_cast<PageFrame*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

PageHeading HeadingOf(const WizardPage& page) {
  PageHeading heading = WizardHeading(page.Header());
  heading.band_title = page.BandTitle();
  return heading;
}

void SetUp(HWND dialog) {
  PageFrame& frame = FrameOf(dialog);
  frame.look = ScriptPageLook(frame.page.Style());
  frame.page.Label(dialog);
  SetUpPage(dialog, frame.look, HeadingOf(frame.page));
  frame.page.Start(dialog);
}

INT_PTR HandleCommand(HWND dialog, int id, int code) {
  WizardPage& page = FrameOf(dialog).page;
  if (page.Command(dialog, id, code)) return TRUE;
  if (code != BN_CLICKED) return FALSE;
  if (id == IDC_FORWARD) {
    if (page.Accept(dialog)) EndDialog(dialog, IDC_FORWARD);
    return TRUE;
  }
  if (id == IDC_BACK_OUT || id == IDCANCEL) {
    EndDialog(dialog, IDC_BACK_OUT);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK PageProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    SetUp(dialog);
    return IsChild(dialog, GetFocus()) ? FALSE : TRUE;  // a page may have put the focus itself
  }
  if (GetWindowLongPtrW(dialog, DWLP_USER) == 0) return FALSE;
  PageFrame& frame = FrameOf(dialog);
  INT_PTR result = FALSE;
  if (HandlePageLookMessage(dialog, frame.look, message, wparam, lparam, result)) return result;
  switch (message) {
    case WM_COMMAND: return HandleCommand(dialog, LOWORD(wparam), HIWORD(wparam));
    case WM_NOTIFY: frame.page.Notify(dialog, *reinterpret_cast<const NMHDR*>(lparam)); return FALSE;
    case WM_TIMER: frame.page.Timer(dialog, wparam); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

String WizardPage::BandTitle() const { return WizardTitle(); }

String StyledPage::TemplateName() const { return PageTemplateName(family_, style_); }

PageResult ShowPage(WizardPage& page, PageResult silent_answer) {
  if (Switches().silent_mode) return silent_answer;
  return RunPage(page) == IDC_FORWARD ? PageResult::kAccepted : PageResult::kCancelled;
}

int RunPage(WizardPage& page) {
  LoadCommonControls(ICC_STANDARD_CLASSES | ICC_LINK_CLASS);
  PageFrame frame{page, {}};
  const String name = page.TemplateName();
  SetLastError(0);
  const INT_PTR result = DialogBoxParamW(Process().instance, WinText(name), InstallerWindow(), PageProcedure,
                                         reinterpret_cast<LPARAM>(&frame));
  if (result == -1 || result == 0) PageCannotBeShown(name);
  return static_cast<int>(result);
}

void RelabelPage(HWND page) {
  PageFrame& frame = FrameOf(page);
  frame.page.Label(page);
  DecoratePage(page, frame.look, HeadingOf(frame.page));
}

}  // namespace valdorine
