#include "ui/page_setup.hpp"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "core/fatal.hpp"
#include "core/win32/system_errors.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "format/language_text.hpp"
#include "format/script_options.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/installer_process.hpp"
#include "run/run_state.hpp"
#include "ui/resources/page_ids.h"

namespace valdorine {
namespace {

constexpr uint32_t kHeaderBandStyle = 2;
constexpr uint32_t kWhitePanelStyle = 3;
constexpr int kWindowTitleString = 114;

// An icon made at run time (not a shared one from LoadIcon).
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle icon) { DestroyIcon(icon); }
};
using UniqueIcon = UniqueResource<IconTraits>;

bool HeaderBandTemplate(uint32_t style) {
  return style != kUnstyledPage && style != 0 && style != 1 && style != kWhitePanelStyle;
}

// Bitmaps 2 (side picture) and 3 (header band), loaded once and kept for the run.
HBITMAP PageBitmap(int id) {
  static UniqueBitmap bitmaps[2];
  UniqueBitmap& bitmap = bitmaps[id == IDB_HEADER_BAND ? 1 : 0];
  if (!bitmap) {
    bitmap.Reset(static_cast<HBITMAP>(
        LoadImageW(Process().instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  return bitmap.Get();
}

// The pixels of `bitmap` (width x height) as top-down 32-bit rows, read through `dc`.
std::vector<uint32_t> PixelsOf(HDC dc, HBITMAP bitmap, int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  return pixels;
}

// Where output pixel `at` of `out` falls in a source of `in` pixels: the index of the pixel before
// it and the weight (0-255) of the one after.
struct SourcePlace {
  int index;
  int weight;
};
SourcePlace PlaceOf(int at, int in, int out) {
  const int place = std::max(0, static_cast<int>((2LL * at + 1) * in * 256 / (2LL * out)) - 128);
  return {std::min(place >> 8, in - 1), place & 255};
}

uint32_t Mix(uint32_t first, uint32_t second, int weight) {
  uint32_t mixed = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t a = (first >> shift) & 255, b = (second >> shift) & 255;
    mixed |= ((a * (256 - weight) + b * weight) >> 8) << shift;
  }
  return mixed;
}

// `source` (width x height) enlarged to `out_width` x `out_height` with bilinear filtering.
std::vector<uint32_t> Enlarged(const std::vector<uint32_t>& source, int width, int height, int out_width,
                               int out_height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(out_width) * out_height);
  for (int y = 0; y < out_height; ++y) {
    const SourcePlace row = PlaceOf(y, height, out_height);
    const uint32_t* upper = &source[static_cast<size_t>(row.index) * width];
    const uint32_t* lower = &source[static_cast<size_t>(std::min(row.index + 1, height - 1)) * width];
    for (int x = 0; x < out_width; ++x) {
      const SourcePlace column = PlaceOf(x, width, out_width);
      const int next = std::min(column.index + 1, width - 1);
      pixels[static_cast<size_t>(y) * out_width + x] =
          Mix(Mix(upper[column.index], upper[next], column.weight), Mix(lower[column.index], lower[next], column.weight),
              row.weight);
    }
  }
  return pixels;
}

// Draws `bitmap` enlarged over `target` with bilinear filtering: GDI's stretching repeats pixels,
// which would show the small built-in pictures as blocks.
void DrawEnlarged(HDC dc, HBITMAP bitmap, const BITMAP& size, const RECT& target) {
  const int width = target.right - target.left, height = target.bottom - target.top;
  const std::vector<uint32_t> pixels =
      Enlarged(PixelsOf(dc, bitmap, size.bmWidth, size.bmHeight), size.bmWidth, size.bmHeight, width, height);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  SetDIBitsToDevice(dc, target.left, target.top, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
}

// Stretches a bitmap over `target` in `dc`; without the bitmap the rectangle is filled with the
// highlight colour, so that the page still shows its shape.
void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& target) {
  BITMAP size{};
  if (!bitmap || !GetObjectW(bitmap, sizeof size, &size)) {
    FillRect(dc, &target, GetSysColorBrush(COLOR_HIGHLIGHT));
    return;
  }
  if (target.right - target.left >= size.bmWidth && target.bottom - target.top >= size.bmHeight) {
    DrawEnlarged(dc, bitmap, size, target);
    return;
  }
  HDC source = CreateCompatibleDC(dc);
  {
    const SelectedObject selected(source, bitmap);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, source, 0, 0,
               size.bmWidth, size.bmHeight, SRCCOPY);
  }
  DeleteDC(source);
}

RECT RectIn(HWND dialog, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// One of the header band's texts, at its hidden control's place, in the header text colour.
void DrawBandText(HWND dialog, const DRAWITEMSTRUCT& band, int id, HFONT font, COLORREF colour) {
  RECT area = RectIn(dialog, GetDlgItem(dialog, id));
  const RECT band_rect = RectIn(dialog, band.hwndItem);
  OffsetRect(&area, -band_rect.left, -band_rect.top);
  const String text = ControlText(dialog, id);
  const SelectedObject selected(band.hDC, font);
  SetBkMode(band.hDC, TRANSPARENT);
  SetTextColor(band.hDC, colour);
  DrawTextW(band.hDC, WinText(text), -1, &area, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

bool DrawDecoration(HWND dialog, const PageLook& look, const DRAWITEMSTRUCT& item) {
  if (item.CtlID == IDC_SIDE_PICTURE) {
    StretchBitmap(item.hDC, PageBitmap(IDB_SIDE_PICTURE), item.rcItem);
    return true;
  }
  if (item.CtlID != IDC_HEADER_BAND) return false;
  StretchBitmap(item.hDC, PageBitmap(IDB_HEADER_BAND), item.rcItem);
  DrawBandText(dialog, item, IDC_BAND_TITLE, static_cast<HFONT>(look.bold_font.Get()), look.header_text_colour);
  DrawBandText(dialog, item, IDC_BAND_SUBTITLE, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)),
               look.header_text_colour);
  return true;
}

// In the white-panel style every text (and check box) over the panel is black on white; the text
// box is black on white in every style.
HBRUSH ControlColours(const PageLook& look, HDC dc, HWND control) {
  const bool over_panel = look.style == kWhitePanelStyle;
  if (!over_panel && GetDlgCtrlID(control) != IDC_TEXT_BOX) return nullptr;
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  if (over_panel) SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

// The side picture's border as `PictureBorder` asks: 1 sunken, 2 thin, 3 sunken in style 1 only.
void SetPictureBorder(HWND dialog, const PageLook& look) {
  const HWND picture = GetDlgItem(dialog, IDC_SIDE_PICTURE);
  if (!picture) return;
  const uint8_t border = look.picture_border;
  if (border == 1 || (border == 3 && look.style == 1)) {
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

// A 32-bit picture with straight alpha, top row first.
struct Pixels {
  int width = 0, height = 0;
  std::vector<RGBQUAD> data;
};

// The pixels of a 32-bit bitmap resource; empty when it is missing or of another depth.
Pixels ResourcePixels(int bitmap_id) {
  const UniqueBitmap bitmap(static_cast<HBITMAP>(
      LoadImageW(Process().instance, MAKEINTRESOURCEW(bitmap_id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  DIBSECTION section{};
  Pixels pixels;
  if (!bitmap || GetObjectW(bitmap.Get(), sizeof section, &section) != sizeof section ||
      section.dsBm.bmBitsPixel != 32 || !section.dsBm.bmBits) {
    return pixels;
  }
  pixels.width = section.dsBm.bmWidth;
  pixels.height = section.dsBm.bmHeight;
  const bool bottom_up = section.dsBmih.biHeight > 0;
  const auto* rows = static_cast<const RGBQUAD*>(section.dsBm.bmBits);
  pixels.data.reserve(static_cast<size_t>(pixels.width) * pixels.height);
  for (int y = 0; y < pixels.height; ++y) {
    const RGBQUAD* row = rows + static_cast<size_t>(bottom_up ? pixels.height - 1 - y : y) * pixels.width;
    pixels.data.insert(pixels.data.end(), row, row + pixels.width);
  }
  return pixels;
}

// `source` scaled to width x height by averaging the source pixels that each target pixel covers;
// colours are weighted by their alpha so that transparent pixels do not darken the edges.
Pixels Scaled(const Pixels& source, int width, int height) {
  Pixels target{width, height, std::vector<RGBQUAD>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int x0 = x * source.width / width, x1 = std::max(x0 + 1, (x + 1) * source.width / width);
      const int y0 = y * source.height / height, y1 = std::max(y0 + 1, (y + 1) * source.height / height);
      unsigned sum[4] = {0, 0, 0, 0}, count = 0;
      for (int sy = y0; sy < y1; ++sy) {
        for (int sx = x0; sx < x1; ++sx, ++count) {
          const RGBQUAD& p = source.data[static_cast<size_t>(sy) * source.width + sx];
          sum[0] += p.rgbBlue * p.rgbReserved;
          sum[1] += p.rgbGreen * p.rgbReserved;
          sum[2] += p.rgbRed * p.rgbReserved;
          sum[3] += p.rgbReserved;
        }
      }
      RGBQUAD& out = target.data[static_cast<size_t>(y) * width + x];
      if (sum[3] == 0) continue;  // fully transparent: black, as an icon's colour under its mask
      out = {static_cast<BYTE>(sum[0] / sum[3]), static_cast<BYTE>(sum[1] / sum[3]),
             static_cast<BYTE>(sum[2] / sum[3]), static_cast<BYTE>(sum[3] / count)};
    }
  }
  return target;
}

// An icon of `pixels` whose mask follows their alpha: where the picture is transparent the mask
// lets the background through. The system draws a disabled button's icon from that mask, which
// gives the glyph's greyed shape instead of a grey square.
UniqueIcon IconOf(const Pixels& pixels) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), pixels.width, -pixels.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueBitmap colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!colour) return UniqueIcon();
  std::copy(pixels.data.begin(), pixels.data.end(), static_cast<RGBQUAD*>(bits));
  const int stride = (pixels.width + 15) / 16 * 2;  // monochrome rows are padded to whole words
  std::vector<BYTE> mask_bits(static_cast<size_t>(stride) * pixels.height, 0);
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      if (pixels.data[static_cast<size_t>(y) * pixels.width + x].rgbReserved >= 128) continue;
      mask_bits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    }
  }
  const UniqueBitmap mask(CreateBitmap(pixels.width, pixels.height, 1, 1, mask_bits.data()));
  ICONINFO parts{TRUE, 0, 0, mask.Get(), colour.Get()};
  return UniqueIcon(CreateIconIndirect(&parts));
}

// The glyph of a bitmap at a size; each is made once, and again only when the size changes.
HICON Glyph(int bitmap_id, int width, int height) {
  struct Made {
    int width = 0, height = 0;
    UniqueIcon icon;
  };
  static Made glyphs[IDB_GLYPH_RETRY - IDB_GLYPH_FORWARD + 1];
  Made& made = glyphs[bitmap_id - IDB_GLYPH_FORWARD];
  if (!made.icon || made.width != width || made.height != height) {
    const Pixels source = ResourcePixels(bitmap_id);
    made.width = width;
    made.height = height;
    made.icon = source.data.empty() ? UniqueIcon() : IconOf(Scaled(source, width, height));
  }
  return made.icon.Get();
}

// The width that a button's text needs, with room for its glyph.
int NeededWidth(HWND dialog, HWND button) {
  const String text = ControlText(dialog, GetDlgCtrlID(button));
  HDC dc = GetDC(button);
  RECT measured{0, 0, 0, 0};
  {
    const SelectedObject selected(dc, reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)));
    DrawTextW(dc, WinText(text), -1, &measured, DT_CALCRECT | DT_SINGLELINE);
  }
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

HWND FirstButtonOfRow(HWND page) {
  if (HWND forward = GetDlgItem(page, IDC_FORWARD)) return forward;
  return GetDlgItem(page, IDC_BACK_OUT);
}

}  // namespace

String PageTemplateName(const char16_t* family, uint32_t style) {
  String name = String::FromWide(family);
  if (style == 0) name.AppendWide(u"2");
  if (style == kWhitePanelStyle) name.AppendWide(u"4");
  if (HeaderBandTemplate(style)) name.AppendWide(u"3");
  return name;
}

String WizardTitle() {
  String title = LanguageString(kWindowTitleString);
  if (!title.IsEmpty()) return title;
  const InstallScript& script = Script();
  title = ReplacePlaceholders(script.WindowTitle, {script.ProductName, script.ProductDescription, String()});
  return title.IsEmpty() ? script.ProductName : title;
}

PageLook ScriptPageLook(uint32_t style) {
  PageLook look;
  look.style = style;
  look.header_text_colour = Script().HeaderTextColor;
  look.picture_border = Script().PictureBorder;
  return look;
}

PageHeading WizardHeading(const String& header) { return {header, WizardTitle(), LanguageString(kPageSubtitleString)}; }

void SetUpPage(HWND page, PageLook& look, const PageHeading& heading) {
  look.bold_font = BoldVersion(reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)));
  EnableMenuItem(GetSystemMenu(page, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  if ((Run().options.word2 & option2::kPagesCarryIcon) != 0) {
    SendMessageW(page, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Process().large_icon));
    SendMessageW(page, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Process().small_icon));
  }
  DecoratePage(page, look, heading);
  SetPictureBorder(page, look);
  CentreOnInstaller(page);
  SetForegroundWindow(page);
}

void DecoratePage(HWND page, const PageLook& look, const PageHeading& heading) {
  if (HeaderBandTemplate(look.style)) {
    SetWindowTextW(page, WinText(heading.band_caption));
    if (look.style == kHeaderBandStyle) {
      SetControlText(page, IDC_BAND_TITLE, heading.band_title);
      SetControlText(page, IDC_BAND_SUBTITLE, heading.header);
    }
  } else {
    SetWindowTextW(page, WinText(heading.header));
  }
  const int glyphs[][2] = {{IDC_FORWARD, IDB_GLYPH_FORWARD}, {IDC_BACK_OUT, IDB_GLYPH_CANCEL}, {IDC_BROWSE, IDB_GLYPH_BROWSE}};
  for (const auto& [id, bitmap] : glyphs) {
    if (HWND button = GetDlgItem(page, id)) AddButtonGlyph(page, button, bitmap);
  }
  FitButtons(page, FirstButtonOfRow(page));
  RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool HandlePageLookMessage(HWND page, const PageLook& look, UINT message, WPARAM wparam, LPARAM lparam,
                           INT_PTR& result) {
  if (message == WM_DRAWITEM) {
    if (!DrawDecoration(page, look, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return false;
    result = TRUE;
    return true;
  }
  if (message != WM_CTLCOLORSTATIC && message != WM_CTLCOLOREDIT) return false;
  HBRUSH brush = ControlColours(look, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
  if (!brush) return false;
  result = reinterpret_cast<INT_PTR>(brush);
  return true;
}

// The common controls library is not one the loader always takes from the system folder, so it is
// loaded from there by hand rather than imported.
void LoadCommonControls(DWORD classes) {
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const UniqueModule library(LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  const auto initialise = library ? reinterpret_cast<InitFunction>(reinterpret_cast<void*>(
                                        GetProcAddress(library.Get(), "InitCommonControlsEx")))
                                  : nullptr;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), classes};
  if (initialise) initialise(&controls);
}

void PageCannotBeShown(const String& template_name) {
  const DWORD error = GetLastError();
  FatalWide(u"The installer cannot show its page \"%s\".\r\n\r\n%s", template_name.Wide(),
            SystemErrorText(error).Wide());
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
  const HICON glyph = Glyph(bitmap_id, DialogUnitsToPixels(dialog, 10, true), DialogUnitsToPixels(dialog, 10, false));
  String text = ControlText(dialog, GetDlgCtrlID(button));
  text.PrependUnless(u' ');
  SetWindowTextW(button, WinText(text));
  SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph));
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
