// The licence and readme pages: a text in a read-only box, rich text in the rich-text viewer, and
// for the licence the option that the forward button waits until the text was read to its end.
#include <windows.h>
// windows.h first: the rich-edit header needs its types.
#include <richedit.h>

#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/run_state.hpp"
#include "ui/page_frame.hpp"
#include "ui/page_rules.hpp"
#include "ui/resources/page_ids.h"
#include "ui/rich_text_view.hpp"
#include "ui/wizard_pages.hpp"

namespace valdorine {
namespace {

constexpr UINT_PTR kReadCheckTimer = 1;
constexpr UINT kReadCheckIntervalMs = 200;

// The text box keeps its selection when it gets the focus: selecting everything, as the dialog
// manager otherwise does, would scroll the text to its end before anything was read.
constexpr wchar_t kBoxProcedure[] = L"ValdorineTextBoxProcedure";

LRESULT CALLBACK KeepSelectionOnFocus(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(box, kBoxProcedure));
  if (message == WM_NCDESTROY) {
    RemovePropW(box, kBoxProcedure);
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  }
  const LRESULT result = CallWindowProcW(original, box, message, wparam, lparam);
  return message == WM_GETDLGCODE ? result & ~static_cast<LRESULT>(DLGC_HASSETSEL) : result;
}

void KeepSelectionOnFocus(HWND box) {
  SetPropW(box, kBoxProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrW(box, GWLP_WNDPROC)));
  SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(static_cast<WNDPROC>(KeepSelectionOnFocus)));
}

// The language strings of a text page.
struct TextPageStrings {
  int text, forward, back_out, header;
};

class TextPage : public StyledPage {
 public:
  TextPage(const char16_t* family, uint32_t style, const TextPageStrings& strings, const String& text, bool read_to_end)
      : StyledPage(family, style), strings_(strings), text_(text), read_to_end_(read_to_end) {}
  String Header() const override { return LanguageString(strings_.header); }
  void Label(HWND page) override {
    SetControlText(page, IDC_MAIN_TEXT, LanguageString(strings_.text));
    SetControlText(page, IDC_FORWARD, LanguageString(strings_.forward));
    SetControlText(page, IDC_BACK_OUT, LanguageString(strings_.back_out));
  }
  void Start(HWND page) override {
    if (!IsRichTextBytes(text_) || !ShowRichText(page)) ShowPlainText(page);
    KeepSelectionOnFocus(GetDlgItem(page, IDC_TEXT_BOX));
    SetFocus(GetDlgItem(page, IDC_FORWARD));
    if (!read_to_end_) return;
    EnableWindow(GetDlgItem(page, IDC_FORWARD), FALSE);
    SetFocus(GetDlgItem(page, IDC_TEXT_BOX));
    SetTimer(page, kReadCheckTimer, kReadCheckIntervalMs, nullptr);
  }
  bool Command(HWND page, int id, int code) override {
    if (id != IDC_TEXT_BOX) return false;
    if (code == EN_VSCROLL) CheckRead(page);
    return true;
  }
  void Notify(HWND, const NMHDR& header) override {
    if (header.idFrom == IDC_TEXT_BOX) OpenClickedLink(header);
  }
  void Timer(HWND page, UINT_PTR id) override {
    if (id == kReadCheckTimer) CheckRead(page);
  }

 private:
  // Replaces the plain box by the viewer, in the same place and tab position.
  bool ShowRichText(HWND page) {
    const HWND box = GetDlgItem(page, IDC_TEXT_BOX);
    RECT rect{};
    GetWindowRect(box, &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    const HWND viewer = CreateTextViewer(page, IDC_TEXT_BOX + 0x100, rect, 0);
    if (!viewer) return false;
    DestroyWindow(box);
    SetWindowLongPtrW(viewer, GWLP_ID, IDC_TEXT_BOX);
    SetWindowPos(viewer, GetDlgItem(page, IDC_MAIN_TEXT), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(viewer, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(viewer, EM_AUTOURLDETECT, TRUE, 0);
    SendMessageW(viewer, EM_SETEVENTMASK, 0, ENM_LINK | ENM_SCROLL);
    SendMessageW(viewer, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
    const int margin = HIWORD(GetDialogBaseUnits()) / 2;
    SendMessageW(viewer, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    SetRichText(viewer, WithoutByteOrderMark(text_));
    SendMessageW(viewer, EM_SCROLL, SB_LINEDOWN, 0);  // lays the text out from its top
    SendMessageW(viewer, EM_SCROLL, SB_LINEUP, 0);
    return true;
  }
  void ShowPlainText(HWND page) {
    const HWND box = GetDlgItem(page, IDC_TEXT_BOX);
    const int margin = HIWORD(GetDialogBaseUnits()) / 2;
    SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    SendMessageW(box, EM_LIMITTEXT, 0, 0);
    if (!SetWindowTextW(box, reinterpret_cast<const wchar_t*>(text_.Wide()))) {
      SetWindowTextA(box, NarrowFromWide(text_, code_page::kAnsi).Narrow());
    }
  }
  // Enables the forward button once the text's end has been shown; it stays enabled.
  void CheckRead(HWND page) {
    if (!read_to_end_) return;
    SCROLLINFO scroll{};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_ALL;
    const bool scrolls = GetScrollInfo(GetDlgItem(page, IDC_TEXT_BOX), SB_VERT, &scroll) != FALSE;
    if (scrolls && !ScrolledToEnd(scroll.nPos, static_cast<int>(scroll.nPage), scroll.nMax)) return;
    read_to_end_ = false;
    KillTimer(page, kReadCheckTimer);
    EnableWindow(GetDlgItem(page, IDC_FORWARD), TRUE);
  }

  TextPageStrings strings_;
  const String& text_;
  bool read_to_end_;
};

}  // namespace

PageResult ShowLicensePage(const String& text) {
  const bool read_to_end = (Run().package_flags & package_flag::kLicenseReadToEnd) != 0;
  TextPage page(u"LicenseDlg", Script().Display.LicensePageStyle, {47, 45, 46, 44}, text, read_to_end);
  return ShowPage(page, PageResult::kAccepted);
}

PageResult ShowReadmePage(const String& text) {
  TextPage page(u"ReadmeDlg", Script().Display.ReadmePageStyle, {51, 48, 49, 50}, text, false);
  return ShowPage(page, PageResult::kAccepted);
}

}  // namespace valdorine
