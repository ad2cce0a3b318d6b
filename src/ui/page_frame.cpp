#include "ui/page_frame.hpp"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "core/fatal.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "format/language_text.hpp"
#include "format/script_options.hpp"
#include "package/install_script_setup.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/installer_process.hpp"
#include "ui/gdi_objects.hpp"
#include "run/run_state.hpp"
#include "run/run_switches.hpp"
#include "ui/page_rules.hpp"
#include "ui/page_style.hpp"
#include "ui/resources/page_ids.h"

namespace valdorine {
namespace {

constexpr int kHeaderBandStyle = 2;
constexpr int kFullPictureStyle = 3;

// An icon made at run time (not a shared one from LoadIcon).
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle icon) { DestroyIcon(icon); }
};

// What a shown page keeps beside its WizardPage: the bold font of the band title.
struct PageFrame {
  WizardPage& page;
  UniqueFont bold_font;
};

PageFrame& FrameOf(HWND dialog) { return *reinterpret_cast<PageFrame*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

// Bitmaps 2 (side picture) and 3 (header band), loaded once and kept for the run.
HBITMAP PageBitmap(int id) {
  static UniqueBitmap bitmaps[2];
  UniqueBitmap& bitmap = bitmaps[id == IDB_HEADER_BAND ? 1 : 0];
  if (!bitmap) {
    bitmap.Reset(static_cast<HBITMAP>(LoadImageW(Process().instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  return bitmap.Get();
}

// Stretches a bitmap over `target` in `dc`.
void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& target) {
  BITMAP size{};
  if (!bitmap || !GetObjectW(bitmap, sizeof size, &size)) return;
  HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ previous = SelectObject(source, bitmap);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, source, 0, 0,
             size.bmWidth, size.bmHeight, SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
}

RECT RectIn(HWND dialog, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// One of the header band's texts, at its hidden control's place, in the header text colour.
void DrawBandText(HWND dialog, const DRAWITEMSTRUCT& band, int id, HFONT font) {
  const HWND holder = GetDlgItem(dialog, id);
  RECT area = RectIn(dialog, holder);
  const RECT band_rect = RectIn(dialog, band.hwndItem);
  OffsetRect(&area, -band_rect.left, -band_rect.top);
  const String text = ControlText(dialog, id);
  const HGDIOBJ previous = SelectObject(band.hDC, font);
  SetBkMode(band.hDC, TRANSPARENT);
  SetTextColor(band.hDC, Script().HeaderTextColor);
  DrawTextW(band.hDC, WinText(text), -1, &area, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  SelectObject(band.hDC, previous);
}

bool DrawDecoration(HWND dialog, const DRAWITEMSTRUCT& item) {
  if (item.CtlID == IDC_SIDE_PICTURE) {
    StretchBitmap(item.hDC, PageBitmap(IDB_SIDE_PICTURE), item.rcItem);
    return true;
  }
  if (item.CtlID != IDC_HEADER_BAND) return false;
  StretchBitmap(item.hDC, PageBitmap(IDB_HEADER_BAND), item.rcItem);
  DrawBandText(dialog, item, IDC_BAND_TITLE, static_cast<HFONT>(FrameOf(dialog).bold_font.Get()));
  DrawBandText(dialog, item, IDC_BAND_SUBTITLE, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
  return true;
}

// The texts drawn over style 3's white panel, and the text box, which is black on white.
HBRUSH ControlColours(HWND dialog, HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  const bool over_panel = FrameOf(dialog).page.Style() == kFullPictureStyle &&
                          (id == IDC_MAIN_TEXT || id == 1011 || id == IDC_SPACE_REQUIRED ||
                           id == IDC_SPACE_FREE || id == IDC_GREETING_LINK);
  if (!over_panel && id != IDC_TEXT_BOX) return nullptr;
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  if (over_panel) SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

// The side picture's border as `PictureBorder` asks: 1 sunken, 2 thin, 3 sunken in style 1 only.
void SetPictureBorder(HWND dialog, uint32_t style) {
  const HWND picture = GetDlgItem(dialog, IDC_SIDE_PICTURE);
  if (!picture) return;
  const uint8_t border = Script().PictureBorder;
  if (border == 1 || (border == 3 && style == 1)) {
    SetWindowLongPtrW(picture, GWL_EXSTYLE, GetWindowLongPtrW(picture, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  } else if (border == 2) {
    SetWindowLongPtrW(picture, GWL_STYLE, GetWindowLongPtrW(picture, GWL_STYLE) | WS_BORDER);
  } else {
    return;
  }
  SetWindowPos(picture, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

UniqueFont BoldVersion(HFONT font) {
  LOGFONTW description{};
  GetObjectW(font, sizeof description, &description);
  description.lfWeight = FW_BOLD;
  return UniqueFont(CreateFontIndirectW(&description));
}

// Caption, header band and buttons, after the page has set its texts.
void Decorate(HWND dialog) {
  WizardPage& page = FrameOf(dialog).page;
  const uint32_t style = page.Style();
  if (style != kUnstyledPage && style != 0 && style != 1 && style != kFullPictureStyle) {
    SetWindowTextW(dialog, WinText(LanguageString(65)));
    if (style == kHeaderBandStyle) {
      SetControlText(dialog, IDC_BAND_TITLE, page.BandTitle());
      SetControlText(dialog, IDC_BAND_SUBTITLE, page.Header());
    }
  } else {
    SetWindowTextW(dialog, WinText(page.Header()));
  }
  const int glyphs[][2] = {{IDC_FORWARD, IDB_GLYPH_FORWARD}, {IDC_BACK_OUT, IDB_GLYPH_CANCEL}, {IDC_BROWSE, IDB_GLYPH_BROWSE}};
  for (const auto& [id, bitmap] : glyphs) {
    if (HWND button = GetDlgItem(dialog, id)) AddButtonGlyph(dialog, button, bitmap);
  }
  FitButtons(dialog, GetDlgItem(dialog, IDC_FORWARD));
}

void SetUp(HWND dialog) {
  PageFrame& frame = FrameOf(dialog);
  frame.bold_font = BoldVersion(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
  EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  if ((Run().options.word2 & option2::kPagesCarryIcon) != 0) {
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Process().large_icon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Process().small_icon));
  }
  CentreOnInstaller(dialog);
  RelabelPage(dialog);
  SetPictureBorder(dialog, frame.page.Style());
  SetForegroundWindow(dialog);
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
  switch (message) {
    case WM_COMMAND: return HandleCommand(dialog, LOWORD(wparam), HIWORD(wparam));
    case WM_NOTIFY: FrameOf(dialog).page.Notify(dialog, *reinterpret_cast<const NMHDR*>(lparam)); return FALSE;
    case WM_TIMER: FrameOf(dialog).page.Timer(dialog, wparam); return TRUE;
    case WM_DRAWITEM: return DrawDecoration(dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<INT_PTR>(ControlColours(dialog, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
    default: return FALSE;
  }
}

// The link control's class. The common controls library is not one the loader always takes from the
// system folder, so it is loaded from there by hand rather than imported.
void InitialiseCommonControls() {
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const UniqueModule library(LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const auto initialise = library ? reinterpret_cast<InitFunction>(reinterpret_cast<void*>(
                                        GetProcAddress(library.Get(), "InitCommonControlsEx")))
                                  : nullptr;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  if (initialise) initialise(&controls);
}

struct WindowSearch {
  HWND except;
  HWND found;
};

BOOL CALLBACK TakeVisibleWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<WindowSearch*>(context);
  if (window == search.except || !IsWindowVisible(window)) return TRUE;
  search.found = window;
  return FALSE;
}

int DialogUnitsToPixels(HWND dialog, int units, bool horizontal) {
  RECT rect{0, 0, units, units};
  MapDialogRect(dialog, &rect);
  return horizontal ? rect.right : rect.bottom;
}

// The width that a button's text needs, with room for its glyph.
int NeededWidth(HWND dialog, HWND button) {
  const String text = ControlText(dialog, GetDlgCtrlID(button));
  HDC dc = GetDC(button);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
  RECT measured{0, 0, 0, 0};
  DrawTextW(dc, WinText(text), -1, &measured, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, previous);
  ReleaseDC(button, dc);
  const bool glyph = SendMessageW(button, BM_GETIMAGE, IMAGE_ICON, 0) != 0;
  return measured.right + DialogUnitsToPixels(dialog, 10 + (glyph ? 12 : 0), true);
}

bool IsPushButton(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  const LONG_PTR type = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiW(name, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

BOOL CALLBACK CollectPushButton(HWND window, LPARAM list) {
  if (IsPushButton(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

void MoveTo(HWND window, const RECT& rect) {
  SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// Narrows `control` so that it ends a little before `x` (the folder edit beside a widened Browse).
void KeepLeftOf(HWND dialog, HWND control, int x) {
  if (!control) return;
  RECT rect = RectIn(dialog, control);
  const int limit = x - DialogUnitsToPixels(dialog, 4, true);
  if (rect.right <= limit) return;
  rect.right = limit;
  MoveTo(control, rect);
}

}  // namespace

String WizardPage::BandTitle() const { return WizardTitle(); }

String StyledPage::TemplateName() const { return PageTemplateName(family_, style_); }

PageResult ShowPage(WizardPage& page, PageResult silent_answer) {
  if (Switches().silent_mode) return silent_answer;
  return RunPage(page) == IDC_FORWARD ? PageResult::kAccepted : PageResult::kCancelled;
}

int RunPage(WizardPage& page) {
  InitialiseCommonControls();
  PageFrame frame{page, {}};
  const String name = page.TemplateName();
  SetLastError(0);
  const INT_PTR result = DialogBoxParamW(Process().instance, WinText(name), InstallerWindow(), PageProcedure,
                                         reinterpret_cast<LPARAM>(&frame));
  if (result == -1 || result == 0) {
    const DWORD error = GetLastError();
    FatalWide(u"The installer cannot show its page \"%s\".\r\n\r\n%s", name.Wide(), SystemErrorText(error).Wide());
  }
  return static_cast<int>(result);
}

void RelabelPage(HWND page) {
  FrameOf(page).page.Label(page);
  Decorate(page);
  RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HWND InstallerWindow(HWND except) {
  WindowSearch search{except, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), TakeVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void CentreOnInstaller(HWND window) {
  RECT area{};
  const HWND installer = InstallerWindow(window);
  if (installer && !IsIconic(installer)) {
    GetWindowRect(installer, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT self{};
  GetWindowRect(window, &self);
  const int width = self.right - self.left, height = self.bottom - self.top;
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(window, nullptr, std::max(left, 0), std::max(top, 0), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AddButtonGlyph(HWND dialog, HWND button, int bitmap_id) {
  if ((Run().package_flags & package_flag::kButtonImages) == 0) return;
  const int width = DialogUnitsToPixels(dialog, 10, true), height = DialogUnitsToPixels(dialog, 10, false);
  // One icon per glyph, made again only when the size of the dialog units changes.
  struct Glyph {
    int width = 0, height = 0;
    UniqueResource<IconTraits> icon;
  };
  static Glyph glyphs[IDB_GLYPH_RETRY - IDB_GLYPH_FORWARD + 1];
  Glyph& made = glyphs[bitmap_id - IDB_GLYPH_FORWARD];
  UniqueResource<IconTraits>& glyph = made.icon;
  if (!glyph || made.width != width || made.height != height) {
    made.width = width;
    made.height = height;
    UniqueBitmap colour(static_cast<HBITMAP>(LoadImageW(Process().instance, MAKEINTRESOURCEW(bitmap_id), IMAGE_BITMAP,
                                                        width, height, LR_CREATEDIBSECTION)));
    UniqueBitmap mask(CreateBitmap(width, height, 1, 1, nullptr));
    ICONINFO parts{TRUE, 0, 0, mask.Get(), colour.Get()};
    glyph.Reset(CreateIconIndirect(&parts));
  }
  String text = ControlText(dialog, GetDlgCtrlID(button));
  text.PrependUnless(u' ');
  SetWindowTextW(button, WinText(text));
  SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph.Get()));
}

void FitButtons(HWND dialog, HWND row_button) {
  std::vector<HWND> buttons;
  EnumChildWindows(dialog, CollectPushButton, reinterpret_cast<LPARAM>(&buttons));
  const int row_top = row_button ? RectIn(dialog, row_button).top : INT_MIN;
  std::vector<std::pair<RECT, HWND>> row;
  for (HWND button : buttons) {
    RECT rect = RectIn(dialog, button);
    const int needed = NeededWidth(dialog, button);
    if (needed > rect.right - rect.left) rect.left = rect.right - needed;  // grows to the left
    if (rect.top == row_top && IsWindowVisible(button)) {
      row.push_back({rect, button});
    } else {
      MoveTo(button, rect);
      if (GetDlgCtrlID(button) == IDC_BROWSE) KeepLeftOf(dialog, GetDlgItem(dialog, IDC_FOLDER), rect.left);
    }
  }
  // The row keeps its right edge and the gap between its buttons.
  std::sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a.first.right > b.first.right; });
  const int gap = DialogUnitsToPixels(dialog, 6, true);
  int right = row.empty() ? 0 : row.front().first.right;
  for (auto& [rect, button] : row) {
    const int width = rect.right - rect.left;
    rect.right = right;
    rect.left = right - width;
    MoveTo(button, rect);
    right = rect.left - gap;
  }
}

void SetControlText(HWND page, int id, const String& text) { SetDlgItemTextW(page, id, WinText(text)); }

String ControlText(HWND page, int id) {
  const HWND control = GetDlgItem(page, id);
  const int length = GetWindowTextLengthW(control);
  String text;
  text.SetLength((length + 1) * 2);
  const int copied = GetWindowTextW(control, reinterpret_cast<wchar_t*>(text.MutableWide()), length + 1);
  text.SetLength(copied * 2);
  return text;
}

}  // namespace valdorine
