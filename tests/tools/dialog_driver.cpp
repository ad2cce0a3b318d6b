// dialog-driver: reads, and optionally presses a button of, the window that a Windows program shows.
// End-to-end scenarios run it under Wine beside the program, in the same prefix and on the same display.
//
//   dialog-driver.exe --exe NAME [--class CLASS] [--with-text TEXT] [--timeout SECONDS]
//                     [--set-text ID=TEXT] [--select ID=INDEX] [--scroll-bottom ID]
//                     [--press-id ID | --press-text TEXT] [--screenshot FILE.bmp]
//
// Waits for a visible, enabled top-level window of a process whose executable file name is NAME
// (case-insensitive), of window class CLASS if given ("#32770" for dialogs and message boxes) and
// with a control whose text contains TEXT if given. Then, like a user would: --set-text types a text into the control
// with that id (replacing its text), --select picks the list-box entry at INDEX, --scroll-bottom
// scrolls a text to its end. It prints one JSON object in UTF-8 on stdout:
//   {"caption": "...", "class": "...",
//    "controls": [{"id": 1, "class": "Button", "text": "OK", "visible": true, "enabled": true}, ...]}
// A list box also gets "items" (its entries) and "selected" (the selected index, or -1). A visible
// static control that shows an icon also gets "icon": "error", "warning", "information",
// "question" or "other", found by comparing its pixels with the system icons.
// --screenshot saves the window as a 32-bit BMP. --press-id and --press-text then click the button
// with that control id or that text (ignoring '&' mnemonics and case); a button that is disabled
// is waited for a little, as a user would wait for it.
//
// Exit codes: 0 window found (and button pressed); 2 no window: the timeout passed, or the program
// ended without showing one; 3 bad arguments; 4 no enabled button to press.

#include <windows.h>
#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int exit_found = 0;
constexpr int exit_timeout = 2;
constexpr int exit_bad_arguments = 3;
constexpr int exit_no_button = 4;

constexpr DWORD poll_interval_ms = 50;
constexpr UINT message_timeout_ms = 5000;
constexpr UINT click_wait_ms = 1000;

// A control id and a value: "--set-text 1015=C:\\Folder", "--select 1017=2".
struct ControlValue {
  int id;
  std::wstring value;
};

struct Options {
  std::wstring exe;
  std::wstring window_class;
  std::wstring with_text;
  std::optional<ControlValue> set_text;
  std::optional<ControlValue> select;
  std::optional<int> scroll_bottom;
  ULONGLONG timeout_ms = 10'000;
  std::optional<int> press_id;
  std::optional<std::wstring> press_text;
  std::wstring screenshot;
};

struct Control {
  HWND window;
  int id;
  std::wstring class_name;
  std::wstring text;
  bool visible;
  bool enabled;
  std::optional<std::string> icon;
  std::vector<std::wstring> items;  // of a list box
  int selected = -1;                // of a list box
};

// Owns a kernel handle; null and INVALID_HANDLE_VALUE stand for none.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A 32-bit top-down bitmap selected into a memory device context, so GDI can draw into it and its
// pixels (0x00RRGGBB) can be read directly.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader = bitmap_header();
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t pixel(int x, int y) const { return pixels_[y * width_ + x]; }
  std::vector<std::uint32_t> pixels() const {
    GdiFlush();
    return {pixels_, pixels_ + width_ * height_};
  }
  BITMAPINFOHEADER bitmap_header() const {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width_;
    header.biHeight = -height_;  // top-down rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
};

// Copies a rectangle of the screen into the canvas.
void copy_screen(const RECT& area, const Canvas& canvas) {
  HDC screen = GetDC(nullptr);
  BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), screen, area.left, area.top,
         SRCCOPY | CAPTUREBLT);
  ReleaseDC(nullptr, screen);
  GdiFlush();
}

std::optional<int> parse_id(const wchar_t* text) {
  wchar_t* end = nullptr;
  const long id = std::wcstol(text, &end, 10);
  if (end == text || (*end && *end != L'=')) return std::nullopt;
  return static_cast<int>(id);
}

std::optional<ControlValue> parse_control_value(const wchar_t* text) {
  const wchar_t* equals = std::wcschr(text, L'=');
  const auto id = parse_id(text);
  if (!equals || !id) return std::nullopt;
  return ControlValue{*id, equals + 1};
}

std::optional<Options> parse_options(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::wstring name = argv[i];
    if (i + 1 == argc) return std::nullopt;
    const wchar_t* value = argv[++i];
    wchar_t* end = nullptr;
    if (name == L"--exe") {
      options.exe = value;
    } else if (name == L"--class") {
      options.window_class = value;
    } else if (name == L"--with-text") {
      options.with_text = value;
    } else if (name == L"--set-text") {
      if (!(options.set_text = parse_control_value(value))) return std::nullopt;
    } else if (name == L"--select") {
      if (!(options.select = parse_control_value(value))) return std::nullopt;
    } else if (name == L"--scroll-bottom") {
      if (!(options.scroll_bottom = parse_id(value))) return std::nullopt;
    } else if (name == L"--timeout") {
      double seconds = std::wcstod(value, &end);
      if (*end || !*value || seconds < 0) return std::nullopt;
      options.timeout_ms = static_cast<ULONGLONG>(seconds * 1000);
    } else if (name == L"--press-id") {
      long id = std::wcstol(value, &end, 10);
      if (*end || !*value) return std::nullopt;
      options.press_id = static_cast<int>(id);
    } else if (name == L"--press-text") {
      options.press_text = value;
    } else if (name == L"--screenshot") {
      options.screenshot = value;
    } else {
      return std::nullopt;
    }
  }
  if (options.exe.empty() || (options.press_id && options.press_text)) return std::nullopt;
  return options;
}

bool equal_ignoring_case(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring file_name_part(const std::wstring& path) {
  auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring process_file_name(DWORD process_id) {
  Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  if (!process.get()) return {};
  std::wstring path(MAX_PATH * 4, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
  path.resize(size);
  return file_name_part(path);
}

std::wstring class_name(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

std::wstring window_text(HWND window);

struct TextSearch {
  const std::wstring& text;
  bool found = false;
};

BOOL CALLBACK check_control_text(HWND control, LPARAM context) {
  auto& search = *reinterpret_cast<TextSearch*>(context);
  search.found = window_text(control).find(search.text) != std::wstring::npos;
  return !search.found;
}

bool has_control_text(HWND window, const std::wstring& text) {
  TextSearch search{text};
  EnumChildWindows(window, check_control_text, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct WindowSearch {
  const Options& options;
  HWND found = nullptr;
};

BOOL CALLBACK check_window(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<WindowSearch*>(context);
  if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  const std::wstring& wanted_class = search.options.window_class;
  if (!wanted_class.empty() && !equal_ignoring_case(class_name(window), wanted_class)) return TRUE;
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  if (!equal_ignoring_case(process_file_name(process_id), search.options.exe)) return TRUE;
  if (!search.options.with_text.empty() && !has_control_text(window, search.options.with_text)) return TRUE;
  search.found = window;
  return FALSE;
}

// The topmost visible top-level window that takes input (a modal dialog disables its owner), of
// the program and class wanted.
HWND find_window(const Options& options) {
  WindowSearch search{options};
  EnumWindows(check_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool process_running(const std::wstring& exe) {
  Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry))
    if (equal_ignoring_case(file_name_part(entry.szExeFile), exe)) return true;
  return false;
}

// Polls for the window until the timeout, or until the program, once seen running, has ended.
HWND wait_for_window(const Options& options) {
  const ULONGLONG deadline = GetTickCount64() + options.timeout_ms;
  bool seen_running = false;
  for (;;) {
    if (HWND window = find_window(options)) return window;
    if (process_running(options.exe))
      seen_running = true;
    else if (seen_running)
      return nullptr;
    if (GetTickCount64() >= deadline) return nullptr;
    Sleep(poll_interval_ms);
  }
}

// WM_GETTEXT works across processes; the time limit keeps a hung window from hanging the driver.
std::wstring window_text(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, message_timeout_ms, &length);
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, message_timeout_ms, &copied);
  text.resize(copied);
  return text;
}

bool shows_icon(const Control& control) {
  auto style = GetWindowLongW(control.window, GWL_STYLE);
  return control.visible && equal_ignoring_case(control.class_name, L"Static") &&
         (style & SS_TYPEMASK) == SS_ICON;
}

// A list box's entries (LB_GETTEXT across processes) and selection.
void read_list(Control& control) {
  const LRESULT count = SendMessageW(control.window, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring item(static_cast<size_t>(SendMessageW(control.window, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    item.resize(static_cast<size_t>(SendMessageW(control.window, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
    control.items.push_back(item);
  }
  control.selected = static_cast<int>(SendMessageW(control.window, LB_GETCURSEL, 0, 0));
}

BOOL CALLBACK add_control(HWND window, LPARAM context) {
  Control control{window, GetDlgCtrlID(window), class_name(window), window_text(window),
                  IsWindowVisible(window) != FALSE, IsWindowEnabled(window) != FALSE, std::nullopt, {}, -1};
  if (equal_ignoring_case(control.class_name, L"ListBox")) read_list(control);
  reinterpret_cast<std::vector<Control>*>(context)->push_back(std::move(control));
  return TRUE;
}

std::vector<Control> read_controls(HWND dialog) {
  std::vector<Control> controls;
  EnumChildWindows(dialog, add_control, reinterpret_cast<LPARAM>(&controls));
  return controls;
}

// Captures an area of the screen once it has stopped changing, i.e. the window there is painted.
void capture_painted(const RECT& area, const Canvas& canvas) {
  std::vector<std::uint32_t> previous;
  for (int attempt = 0; attempt < 40; ++attempt) {
    copy_screen(area, canvas);
    auto current = canvas.pixels();
    if (current == previous) return;
    previous = std::move(current);
    Sleep(poll_interval_ms);
  }
}

void fill(const Canvas& canvas, std::uint32_t color) {
  HBRUSH brush = CreateSolidBrush(RGB(color >> 16, color >> 8, color));
  RECT all{0, 0, canvas.width(), canvas.height()};
  FillRect(canvas.dc(), &all, brush);
  DeleteObject(brush);
}

// Sum of the channel differences between two 0x00RRGGBB pixels.
int difference(std::uint32_t a, std::uint32_t b) {
  int sum = 0;
  for (int shift = 0; shift < 24; shift += 8)
    sum += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
  return sum;
}

// How far the image's pixels in the area are from a system icon drawn there on the background.
long long icon_distance(const Canvas& image, const RECT& area, std::uint32_t background,
                        const wchar_t* icon) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  Canvas drawn(width, height);
  fill(drawn, background);
  DrawIconEx(drawn.dc(), 0, 0, LoadIconW(nullptr, icon), width, height, 0, nullptr, DI_NORMAL);
  GdiFlush();
  long long distance = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      distance += difference(drawn.pixel(x, y), image.pixel(area.left + x, area.top + y));
  return distance;
}

// Names the system icon that an icon control shows, the nearest of the candidates drawn on the
// control's background at the control's size; "other" when none comes near.
std::string identify_icon(const Canvas& window_image, const RECT& window_area, HWND control) {
  static const std::pair<const wchar_t*, const char*> candidates[] = {
      {IDI_ERROR, "error"},
      {IDI_WARNING, "warning"},
      {IDI_INFORMATION, "information"},
      {IDI_QUESTION, "question"}};
  RECT area;
  GetWindowRect(control, &area);
  OffsetRect(&area, -window_area.left, -window_area.top);
  if (IsRectEmpty(&area) || area.left < 0 || area.top < 0 || area.right > window_image.width() ||
      area.bottom > window_image.height())
    return "other";
  const std::uint32_t background = window_image.pixel(area.left, area.top);

  // Nearer than a quarter of the full range per channel on average, or none of them.
  long long best_distance = 64LL * 3 * (area.right - area.left) * (area.bottom - area.top);
  const char* best = "other";
  for (const auto& [icon, name] : candidates) {
    long long distance = icon_distance(window_image, area, background, icon);
    if (distance < best_distance) {
      best = name;
      best_distance = distance;
    }
  }
  return best;
}

bool save_bitmap(const Canvas& image, const std::wstring& path) {
  const BITMAPINFOHEADER header = image.bitmap_header();
  const auto pixels = image.pixels();
  const DWORD pixel_bytes = static_cast<DWORD>(pixels.size() * sizeof pixels[0]);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + pixel_bytes;
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(pixels.data()), pixel_bytes);
  return static_cast<bool>(out);
}

// A JSON string literal in UTF-8.
std::string json_string(const std::wstring& text) {
  std::string utf8;
  if (!text.empty()) {
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    utf8.resize(size);
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr);
  }
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void print_json(HWND dialog, const std::vector<Control>& controls) {
  std::string json = "{\"caption\": " + json_string(window_text(dialog)) +
                     ", \"class\": " + json_string(class_name(dialog)) + ", \"controls\": [";
  for (size_t i = 0; i < controls.size(); ++i) {
    const Control& control = controls[i];
    json += (i ? ", " : "") + std::string("{\"id\": ") + std::to_string(control.id) +
            ", \"class\": " + json_string(control.class_name) + ", \"text\": " + json_string(control.text) +
            ", \"visible\": " + (control.visible ? "true" : "false") +
            ", \"enabled\": " + (control.enabled ? "true" : "false");
    if (control.icon) json += ", \"icon\": \"" + *control.icon + "\"";
    if (equal_ignoring_case(control.class_name, L"ListBox")) {
      json += ", \"items\": [";
      for (size_t item = 0; item < control.items.size(); ++item) json += (item ? ", " : "") + json_string(control.items[item]);
      json += "], \"selected\": " + std::to_string(control.selected);
    }
    json += "}";
  }
  json += "]}\n";
  std::fwrite(json.data(), 1, json.size(), stdout);
  std::fflush(stdout);
}

std::wstring without_mnemonics(std::wstring text) {
  std::erase(text, L'&');
  return text;
}

const Control* button_to_press(const std::vector<Control>& controls, const Options& options) {
  for (const Control& control : controls) {
    if (!equal_ignoring_case(control.class_name, L"Button")) continue;
    const bool wanted = options.press_id ? control.id == *options.press_id
                                         : equal_ignoring_case(without_mnemonics(control.text),
                                                               without_mnemonics(*options.press_text));
    if (wanted) return &control;
  }
  return nullptr;
}

// Clicks like a user would: a disabled button is refused. The driver waits until the click has
// been handled, so that a window read next shows its effect, but only for a while: a button may
// open another modal window, and then its click lasts until that window closes.
bool press(const std::vector<Control>& controls, const Options& options) {
  const Control* button = button_to_press(controls, options);
  if (!button) return false;
  for (int attempt = 0; attempt < 40 && !IsWindowEnabled(button->window); ++attempt) Sleep(poll_interval_ms);
  if (!IsWindowEnabled(button->window)) return false;
  SendMessageTimeoutW(button->window, BM_CLICK, 0, 0, SMTO_NORMAL, click_wait_ms, nullptr);
  return true;
}

// Changes the dialog's controls as the options ask, notifying the dialog as a user's input would.
void change_controls(HWND dialog, const Options& options) {
  if (options.set_text) {
    HWND edit = GetDlgItem(dialog, options.set_text->id);
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(options.set_text->value.c_str()),
                        SMTO_ABORTIFHUNG, message_timeout_ms, nullptr);
  }
  if (options.select) {
    HWND list = GetDlgItem(dialog, options.select->id);
    SendMessageW(list, LB_SETCURSEL, std::wcstoul(options.select->value.c_str(), nullptr, 10), 0);
    SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(options.select->id, LBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(list), SMTO_ABORTIFHUNG, message_timeout_ms, nullptr);
  }
  if (options.scroll_bottom) {
    SendMessageTimeoutW(GetDlgItem(dialog, *options.scroll_bottom), WM_VSCROLL, SB_BOTTOM, 0, SMTO_ABORTIFHUNG,
                        message_timeout_ms, nullptr);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // the JSON is UTF-8 with \n line ends, untranslated
  const auto options = parse_options(argc, argv);
  if (!options) {
    std::fputs("usage: dialog-driver --exe NAME [--class CLASS] [--with-text TEXT] [--timeout SECONDS]"
               " [--set-text ID=TEXT] [--select ID=INDEX] [--scroll-bottom ID]"
               " [--press-id ID | --press-text TEXT] [--screenshot FILE.bmp]\n", stderr);
    return exit_bad_arguments;
  }
  HWND dialog = wait_for_window(*options);
  if (!dialog) return exit_timeout;

  change_controls(dialog, *options);
  auto controls = read_controls(dialog);
  RECT area;
  GetWindowRect(dialog, &area);
  Canvas image(area.right - area.left, area.bottom - area.top);
  capture_painted(area, image);
  for (Control& control : controls)
    if (shows_icon(control)) control.icon = identify_icon(image, area, control.window);
  if (!options->screenshot.empty() && !save_bitmap(image, options->screenshot))
    std::fputs("dialog-driver: cannot write the screenshot\n", stderr);
  print_json(dialog, controls);

  if (options->press_id || options->press_text)
    return press(controls, *options) ? exit_found : exit_no_button;
  return exit_found;
}
