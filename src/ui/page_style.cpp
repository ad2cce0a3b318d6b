#include "ui/page_style.hpp"

#include "core/fatal.hpp"
#include "core/win32/win_text.hpp"
#include "format/language_text.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/installer_process.hpp"
#include "ui/background_window.hpp"
#include "ui/gdi_objects.hpp"

namespace valdorine {
namespace {

constexpr int kSidePictureBitmap = 2;
constexpr int kHeaderBandBitmap = 3;
constexpr int kWindowTitleString = 114;
constexpr uint32_t kHeaderBandStyle = 2;
constexpr uint32_t kWhitePanelStyle = 3;

// The page's style is kept in the dialog's user slot, plus one so that 0 means "not decorated".
void RememberStyle(HWND page, uint32_t style) { SetWindowLongPtrW(page, DWLP_USER, static_cast<LONG_PTR>(style) + 1); }

bool Decorated(HWND page, uint32_t& style) {
  const LONG_PTR stored = GetWindowLongPtrW(page, DWLP_USER);
  style = static_cast<uint32_t>(stored - 1);
  return stored != 0;
}

HBITMAP PageBitmap(int id) {
  static const UniqueBitmap side(static_cast<HBITMAP>(
      LoadImageW(Process().instance, MAKEINTRESOURCEW(kSidePictureBitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  static const UniqueBitmap band(static_cast<HBITMAP>(
      LoadImageW(Process().instance, MAKEINTRESOURCEW(kHeaderBandBitmap), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  return id == kSidePictureBitmap ? side.Get() : band.Get();
}

// The rectangle of a placeholder control in the page's client coordinates; false when the
// template has no such control.
bool ControlRectangle(HWND page, int id, RECT& rectangle) {
  HWND control = GetDlgItem(page, id);
  if (!control || !GetWindowRect(control, &rectangle)) return false;
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rectangle), 2);
  return true;
}

// Draws a bitmap resource stretched into the rectangle; without the resource the rectangle is
// filled with the system's highlight colour, so that the page still shows its shape.
void DrawStretched(HDC dc, int bitmap_id, const RECT& target) {
  HBITMAP bitmap = PageBitmap(bitmap_id);
  if (!bitmap) {
    FillRect(dc, &target, GetSysColorBrush(COLOR_HIGHLIGHT));
    return;
  }
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  HDC source = CreateCompatibleDC(dc);
  {
    const SelectedObject selected(source, bitmap);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, source, 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
  }
  DeleteDC(source);
}

void DrawPictureBorder(HDC dc, uint32_t style, RECT rectangle) {
  const uint8_t border = Script().PictureBorder;
  if (border == 1 || (border == 3 && style == 1)) DrawEdge(dc, &rectangle, EDGE_SUNKEN, BF_RECT);
  if (border == 2) FrameRect(dc, &rectangle, GetSysColorBrush(COLOR_WINDOWFRAME));
}

void PaintDecorations(HWND page, uint32_t style) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(page, &paint);
  RECT rectangle;
  if (style == kWhitePanelStyle && ControlRectangle(page, page_control::kWhitePanel, rectangle)) {
    FillRect(dc, &rectangle, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  if (ControlRectangle(page, page_control::kSidePicture, rectangle)) {
    DrawStretched(dc, kSidePictureBitmap, rectangle);
    DrawPictureBorder(dc, style, rectangle);
  }
  if (ControlRectangle(page, page_control::kHeaderBand, rectangle)) DrawStretched(dc, kHeaderBandBitmap, rectangle);
  EndPaint(page, &paint);
}

bool OnWhitePanel(int id) { return id != page_control::kForward && id != page_control::kCancel; }

// Texts over the band are transparent in the header text colour; in the white-panel style the
// page's texts and check boxes are black on white.
HBRUSH StaticColours(uint32_t style, HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  if (id == page_control::kBandTitle || id == page_control::kBandSubtitle) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Script().HeaderTextColor);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }
  if (style == kWhitePanelStyle && OnWhitePanel(id)) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  }
  return nullptr;
}

HFONT BoldFontLike(HWND control) {
  static UniqueFont bold;
  if (!bold) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    bold.Reset(CreateFontIndirectW(&font));
  }
  return bold.Get();
}

void SetText(HWND page, int id, const String& text) { SetDlgItemTextW(page, id, WinText(text)); }

}  // namespace

String PageTemplateName(const char16_t* family, uint32_t style) {
  String name = String::FromWide(family);
  if (style == 0) name.AppendWide(u"2");
  if (style == kWhitePanelStyle) name.AppendWide(u"4");
  if (style != 0 && style != 1 && style != kWhitePanelStyle) name.AppendWide(u"3");
  return name;
}

String WizardTitle() {
  String title = LanguageString(kWindowTitleString);
  if (!title.IsEmpty()) return title;
  const InstallScript& script = Script();
  return ReplacePlaceholders(script.WindowTitle, {script.ProductName, script.ProductDescription, String()});
}

void DecoratePage(HWND page, uint32_t style, const String& header, const String& subtitle) {
  RememberStyle(page, style);
  EnableMenuItem(GetSystemMenu(page, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  if ((Script().ProductFlags.word2 & option2::kPagesCarryIcon) != 0) {
    SendMessageW(page, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Process().large_icon));
    SendMessageW(page, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Process().small_icon));
  }
  SetWindowTextW(page, WinText(style == kHeaderBandStyle ? subtitle : header));
  if (HWND title = GetDlgItem(page, page_control::kBandTitle)) {
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(BoldFontLike(title)), FALSE);
    if (style == kHeaderBandStyle) SetText(page, page_control::kBandTitle, WizardTitle());
  }
  if (style == kHeaderBandStyle) SetText(page, page_control::kBandSubtitle, header);
}

bool HandleDecorationMessage(HWND page, UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) {
  uint32_t style = 0;
  if (!Decorated(page, style)) return false;
  if (message == WM_PAINT) {
    PaintDecorations(page, style);
    result = TRUE;
    return true;
  }
  if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
    HBRUSH brush = StaticColours(style, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    if (!brush) return false;
    result = reinterpret_cast<INT_PTR>(brush);
    return true;
  }
  return false;
}

void PageCannotBeShown(const String& template_name) {
  FatalWide(u"The window \"%s\" cannot be shown (system error %u).", template_name.Wide(),
            static_cast<unsigned>(GetLastError()));
}

void CentrePage(HWND page) {
  RECT area{};
  HWND backdrop = BackgroundWindow();
  if (!backdrop || IsIconic(backdrop) || !GetWindowRect(backdrop, &area)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own;
  GetWindowRect(page, &own);
  const LONG width = own.right - own.left;
  const LONG height = own.bottom - own.top;
  SetWindowPos(page, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace valdorine
