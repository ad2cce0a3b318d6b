#include "ui/background_window.hpp"

#include <algorithm>
#include <cstring>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "format/script_options.hpp"
#include "run/installer_process.hpp"
#include "ui/gdi_objects.hpp"

namespace valdorine {
namespace {

constexpr wchar_t kClassName[] = L"SEA Window Class";
constexpr int kFontWeight = 900;
constexpr int kShadowDivisor = 1300;

struct Backdrop {
  HWND window = nullptr;
  BackdropLook look;
  bool gradient_failed = false;
};

Backdrop& State() {
  static Backdrop state;
  return state;
}

// A BMP file's header and pixels, checked against the file's length before anything reads them.
struct PictureView {
  const BITMAPINFO* info = nullptr;
  const void* bits = nullptr;
  SIZE size{};
};

bool ReadPicture(const String& file, PictureView& view) {
  const auto* bytes = file.Bytes();
  const size_t length = static_cast<size_t>(file.Length());
  BITMAPFILEHEADER file_header;
  BITMAPINFOHEADER header;
  if (length < sizeof file_header + sizeof header) return false;
  std::memcpy(&file_header, bytes, sizeof file_header);
  std::memcpy(&header, bytes + sizeof file_header, sizeof header);
  if (file_header.bfType != 0x4D42 || header.biSize < sizeof header || header.biWidth <= 0 || header.biHeight == 0 ||
      header.biWidth > 0x8000 || header.biHeight > 0x8000 || header.biHeight < -0x8000 ||
      (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)) {
    return false;
  }
  const uint64_t rows = static_cast<uint64_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
  const uint64_t stride = (static_cast<uint64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
  const uint64_t colours = header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount) : 0;
  const uint64_t table_end = sizeof file_header + header.biSize + colours * 4 +
                             (header.biCompression == BI_BITFIELDS ? 12 : 0);
  const uint64_t bits_offset = file_header.bfOffBits;
  if (header.biBitCount == 0 || table_end > bits_offset || bits_offset + stride * rows > length) return false;
  view.info = reinterpret_cast<const BITMAPINFO*>(bytes + sizeof file_header);
  view.bits = bytes + bits_offset;
  view.size = {header.biWidth, static_cast<LONG>(rows)};
  return true;
}

using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

GradientFillFunction SystemGradientFill() {
  static const UniqueModule library(LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library) return nullptr;
  return reinterpret_cast<GradientFillFunction>(reinterpret_cast<void*>(GetProcAddress(library.Get(), "GradientFill")));
}

TRIVERTEX Vertex(LONG x, LONG y, uint32_t colour) {
  return {x, y, static_cast<COLOR16>(GetRValue(colour) << 8), static_cast<COLOR16>(GetGValue(colour) << 8),
          static_cast<COLOR16>(GetBValue(colour) << 8), 0};
}

COLORREF Between(uint32_t top, uint32_t bottom, int at, int height) {
  auto mix = [&](BYTE a, BYTE b) { return static_cast<BYTE>(a + (b - a) * at / std::max(height, 1)); };
  return RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
             mix(GetBValue(top), GetBValue(bottom)));
}

void FillColour(HDC dc, const RECT& area, COLORREF colour) {
  const UniqueBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &area, brush.Get());
}

// Bands of interpolated colour where the system's gradient fill is missing.
void FillBands(HDC dc, const RECT& client, const BackdropLook& look) {
  const int height = client.bottom - client.top;
  const int band = backdrop::GradientBandHeight(height);
  for (int y = 0; y < height; y += band) {
    const RECT strip{client.left, client.top + y, client.right, client.top + std::min(y + band, height)};
    FillColour(dc, strip, Between(look.top_colour, look.bottom_colour, y, height));
  }
}

void PaintBackground(HDC dc, const RECT& client) {
  Backdrop& state = State();
  const BackdropLook& look = state.look;
  if (look.one_colour || state.gradient_failed) {
    FillColour(dc, client, look.top_colour);
    return;
  }
  const GradientFillFunction gradient = SystemGradientFill();
  if (!gradient) {
    FillBands(dc, client, look);
    return;
  }
  TRIVERTEX corners[2] = {Vertex(client.left, client.top, look.top_colour),
                          Vertex(client.right, client.bottom, look.bottom_colour)};
  GRADIENT_RECT rectangle{0, 1};
  if (!gradient(dc, corners, 2, &rectangle, 1, GRADIENT_FILL_RECT_V)) {
    state.gradient_failed = true;
    FillColour(dc, client, look.top_colour);
  }
}

void DrawPictureAt(HDC dc, const PictureView& picture, const RECT& target) {
  SetStretchBltMode(dc, HALFTONE);
  StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                picture.size.cx, picture.size.cy, picture.bits, picture.info, DIB_RGB_COLORS, SRCCOPY);
}

void PaintPicture(HDC dc, const RECT& client) {
  const BackdropLook& look = State().look;
  PictureView picture;
  if (look.picture_percent == 0 || !ReadPicture(look.picture, picture)) return;
  if (look.stretch_mode != 3) {
    DrawPictureAt(dc, picture, backdrop::PictureRectangle(client, picture.size, look.picture_percent, look.stretch_mode));
    return;
  }
  for (LONG y = client.top; y < client.bottom; y += picture.size.cy) {
    for (LONG x = client.left; x < client.right; x += picture.size.cx) {
      DrawPictureAt(dc, picture, {x, y, x + picture.size.cx, y + picture.size.cy});
    }
  }
}

UniqueFont BackdropFont(HDC dc, const String& face, int points) {
  return UniqueFont(CreateFontW(-MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, kFontWeight, FALSE, FALSE,
                                FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                DEFAULT_PITCH, WinText(face)));
}

struct MeasuredText {
  SIZE extent{};
  int shadow = 0;
};

MeasuredText Measure(HDC dc, const BackdropText& text, HFONT font) {
  const SelectedObject selected(dc, font);
  MeasuredText measured;
  GetTextExtentPoint32W(dc, WinText(text.text), text.text.WideLength(), &measured.extent);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  measured.shadow = static_cast<int>(metrics.tmHeight * static_cast<int64_t>(text.shadow) / kShadowDivisor);
  return measured;
}

void PaintText(HDC dc, const RECT& client, const BackdropText& text) {
  if (text.text.IsBlank() || text.position == 0 || text.position > 6) return;
  auto width_at = [&](int points) {
    const UniqueFont font = BackdropFont(dc, text.font, points);
    const MeasuredText measured = Measure(dc, text, font.Get());
    return static_cast<int>(measured.extent.cx) + measured.shadow;
  };
  const int start = std::max(1, static_cast<int>(text.points + 0.5));
  const int points = backdrop::FittingPointSize(start, client.right - client.left, width_at);
  const UniqueFont font = BackdropFont(dc, text.font, points);
  const MeasuredText measured = Measure(dc, text, font.Get());
  const POINT origin = backdrop::TextOrigin(client, measured.extent, measured.shadow, text.position);
  const SelectedObject selected(dc, font.Get());
  SetBkMode(dc, TRANSPARENT);
  if (measured.shadow > 0) {
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, origin.x + measured.shadow, origin.y + measured.shadow, WinText(text.text), text.text.WideLength());
  }
  SetTextColor(dc, text.colour);
  TextOutW(dc, origin.x, origin.y, WinText(text.text), text.text.WideLength());
}

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  PaintText(dc, client, State().look.title);
  PaintText(dc, client, State().look.copyright);
  EndPaint(window, &paint);
}

LRESULT CALLBACK BackdropProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      PaintBackground(reinterpret_cast<HDC>(wparam), client);
      PaintPicture(reinterpret_cast<HDC>(wparam), client);
      return 1;
    }
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_DESTROY:
      State().window = nullptr;
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

bool RegisterBackdropClass() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = BackdropProcedure;
    window_class.hInstance = Process().instance;
    window_class.hIcon = Process().large_icon;
    window_class.hIconSm = Process().small_icon;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = kClassName;
    return RegisterClassExW(&window_class) != 0;
  }();
  return registered;
}

BackdropText ScriptText(const String& text, const String& ansi_font, double points, uint32_t colour, uint32_t shadow,
                        uint32_t position) {
  return {text, WideFromNarrow(ansi_font, code_page::kAnsi), points, colour, shadow, position};
}

}  // namespace

namespace backdrop {

int GradientBandHeight(int client_height) { return std::clamp(client_height / 224, 1, 3); }

RECT PictureRectangle(const RECT& client, SIZE picture, uint32_t percent, uint32_t stretch_mode) {
  const LONG area_width = (client.right - client.left) * static_cast<LONG>(percent) / 100;
  const LONG area_height = (client.bottom - client.top) * static_cast<LONG>(percent) / 100;
  LONG width = area_width;
  LONG height = area_height;
  const bool keeps_proportions = stretch_mode == 1 || stretch_mode == 2;
  if (keeps_proportions && picture.cx > 0 && picture.cy > 0) {
    const LONG multiple = std::min(area_width / picture.cx, area_height / picture.cy);
    if (stretch_mode == 2 && multiple >= 1) {
      width = picture.cx * multiple;
      height = picture.cy * multiple;
    } else if (static_cast<int64_t>(area_width) * picture.cy <= static_cast<int64_t>(area_height) * picture.cx) {
      height = static_cast<LONG>(static_cast<int64_t>(picture.cy) * area_width / picture.cx);
    } else {
      width = static_cast<LONG>(static_cast<int64_t>(picture.cx) * area_height / picture.cy);
    }
  }
  const LONG left = client.left + (client.right - client.left - width) / 2;
  const LONG top = client.top + (client.bottom - client.top - height) / 2;
  return {left, top, left + width, top + height};
}

POINT TextOrigin(const RECT& client, SIZE extent, int shadow, uint32_t position) {
  const LONG width = client.right - client.left;
  const LONG height = client.bottom - client.top;
  const LONG margin_x = width / 200;
  const LONG margin_y = height / 400;
  const uint32_t column = (position - 1) % 3;  // 0 left, 1 centre, 2 right
  LONG x = margin_x;
  if (column == 1) x = (width - extent.cx - shadow) / 2;
  if (column == 2) x = width - extent.cx - shadow - margin_x;
  const LONG y = position >= 4 ? height - extent.cy - shadow - margin_y : margin_y;
  return {client.left + x, client.top + y};
}

}  // namespace backdrop

BackdropLook BackdropLookFromScript(const InstallScript& script) {
  BackdropLook look;
  look.caption = script.TaskbarText;
  look.title = ScriptText(script.DisplayTitle, script.TitleFont, script.TitleSize * backdrop::kTitlePointsPerSize, script.TitleColor,
                          script.TitleShadow, script.TitlePosition);
  look.copyright = ScriptText(script.CopyrightText, script.CopyrightFont, script.CopyrightSize * backdrop::kCopyrightPointsPerSize,
                              script.CopyrightColor, 0, script.CopyrightPos);
  look.top_colour = script.TopColor;
  look.bottom_colour = script.BottomColor;
  look.one_colour = script.TopColor == script.BottomColor;
  if ((script.ProductFlags.word1 & option1::kBackgroundPicture) != 0) look.picture = script.BackgroundPicture;
  look.picture_percent = script.BitmapSize;
  look.stretch_mode = script.StretchMode;
  look.maximised = (script.ProductFlags.word2 & option2::kMaximisedBackground) != 0;
  return look;
}

HWND CreateBackgroundWindow(const BackdropLook& look, bool minimised) {
  Backdrop& state = State();
  if (state.window || !RegisterBackdropClass()) return state.window;
  state.look = look;
  RECT area{};
  const bool maximised = look.maximised || !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  if (maximised) area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  state.window = CreateWindowExW(0, kClassName, WinText(look.caption), WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU |
                                     WS_MINIMIZEBOX | (minimised ? WS_MINIMIZE : 0),
                                 area.left, area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                                 Process().instance, nullptr);
  if (!state.window) return nullptr;
  ShowWindow(state.window, maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
  if (minimised) ShowWindow(state.window, SW_MINIMIZE);
  SetForegroundWindow(state.window);
  SetActiveWindow(state.window);
  UpdateWindow(state.window);
  return state.window;
}

HWND BackgroundWindow() { return State().window; }

void SetBackdropTitle(const String& title) {
  Backdrop& state = State();
  state.look.title.text = title;
  if (state.window) InvalidateRect(state.window, nullptr, TRUE);
}

void BringBackgroundToFront() {
  if (State().window) SetForegroundWindow(State().window);
}

void CloseBackgroundWindow() {
  HWND window = State().window;
  if (!window) return;
  ShowWindow(window, SW_MINIMIZE);
  DestroyWindow(window);
}

}  // namespace valdorine
