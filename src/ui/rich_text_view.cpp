#include "ui/rich_text_view.hpp"

#include <windows.h>
// windows.h first: the rich-edit, dialog and shell headers need its types.
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "core/win32/system_errors.hpp"
#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr wchar_t kOriginalProcedure[] = L"ValdorineViewerProcedure";
constexpr int kTwipsPerInch = 1440;
constexpr int kPageMargin = 720;  // twips: half an inch

bool LoadRichEditLibrary() {
  static const UniqueModule library(LoadLibraryExW(L"riched20.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  return library.IsValid();
}

bool IsReadOnly(HWND viewer) { return (GetWindowLongPtrW(viewer, GWL_STYLE) & ES_READONLY) != 0; }

// The pop-up menu at the mouse position; the chosen command runs after the menu has closed.
void ShowContextMenu(HWND viewer, LPARAM position) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, viewer_command::kCopy, L"Copy");
  AppendMenuW(menu, MF_STRING, viewer_command::kPrint, L"Print");
  AppendMenuW(menu, MF_STRING, viewer_command::kSaveAs, L"Save as");
  POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  if (at.x == -1 && at.y == -1) GetCursorPos(&at);  // opened from the keyboard
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, viewer, nullptr);
  DestroyMenu(menu);
  if (command == viewer_command::kCopy) CopyText(viewer);
  if (command == viewer_command::kPrint) PrintText(viewer);
  if (command == viewer_command::kSaveAs) SaveTextAs(viewer);
}

LRESULT CALLBACK ViewerProcedure(HWND viewer, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(viewer, kOriginalProcedure));
  if (message == WM_CONTEXTMENU && IsReadOnly(viewer)) {
    ShowContextMenu(viewer, lparam);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(viewer, kOriginalProcedure);
    SetWindowLongPtrW(viewer, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  }
  const LRESULT result = CallWindowProcW(original, viewer, message, wparam, lparam);
  if (message == WM_SETFOCUS && IsReadOnly(viewer)) HideCaret(viewer);
  return result;
}

struct ReadCursor {
  const String& text;
  int offset;
};

DWORD CALLBACK ReadFromString(DWORD_PTR context, LPBYTE buffer, LONG wanted, LONG* given) {
  auto& cursor = *reinterpret_cast<ReadCursor*>(context);
  const int count = std::min<int>(wanted, cursor.text.Length() - cursor.offset);
  CopyMemory(buffer, cursor.text.Bytes() + cursor.offset, static_cast<size_t>(count));
  cursor.offset += count;
  *given = count;
  return 0;
}

DWORD CALLBACK WriteToString(DWORD_PTR context, LPBYTE buffer, LONG count, LONG* taken) {
  reinterpret_cast<String*>(context)->AppendBytes(buffer, count);
  *taken = count;
  return 0;
}

// The print job: the page geometry in twips and the formatting of the whole text page by page.
bool PrintPages(HWND viewer, HDC printer) {
  const int dpi_x = GetDeviceCaps(printer, LOGPIXELSX), dpi_y = GetDeviceCaps(printer, LOGPIXELSY);
  auto twips_x = [&](int pixels) { return MulDiv(pixels, kTwipsPerInch, dpi_x); };
  auto twips_y = [&](int pixels) { return MulDiv(pixels, kTwipsPerInch, dpi_y); };
  const int page_width = twips_x(GetDeviceCaps(printer, PHYSICALWIDTH));
  const int page_height = twips_y(GetDeviceCaps(printer, PHYSICALHEIGHT));
  const int offset_x = twips_x(GetDeviceCaps(printer, PHYSICALOFFSETX));
  const int offset_y = twips_y(GetDeviceCaps(printer, PHYSICALOFFSETY));
  const int printable_width = twips_x(GetDeviceCaps(printer, HORZRES));
  const int printable_height = twips_y(GetDeviceCaps(printer, VERTRES));
  // The area in the printable area's coordinates: half an inch from each edge of the paper, but
  // never into the printer's unprintable border.
  const int left = std::max(kPageMargin - offset_x, 0);
  const int top = std::max(kPageMargin - offset_y, 0);
  const int right = std::min(page_width - kPageMargin - offset_x, printable_width);
  const int bottom = std::min(page_height - kPageMargin - offset_y, printable_height);

  FORMATRANGE range{};
  range.hdc = range.hdcTarget = printer;
  range.rcPage = {0, 0, printable_width, printable_height};
  range.chrg = {0, -1};
  SendMessageW(viewer, EM_SETSEL, 0, -1);
  GETTEXTLENGTHEX length_query{GTL_DEFAULT, 1200};
  const LONG length = static_cast<LONG>(SendMessageW(viewer, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length_query), 0));
  bool printed = true;
  while (printed && range.chrg.cpMin < length) {
    if (StartPage(printer) <= 0) {
      printed = false;
      break;
    }
    range.rc = {left, top, right, bottom};
    const LONG next = static_cast<LONG>(SendMessageW(viewer, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
    printed = EndPage(printer) > 0 && next > range.chrg.cpMin;
    range.chrg.cpMin = next;
  }
  SendMessageW(viewer, EM_FORMATRANGE, FALSE, 0);
  return printed;
}

// Whether the system has a default printer; asked without showing a dialog.
bool PrinterAvailable() {
  PRINTDLGW query{};
  query.lStructSize = sizeof query;
  query.Flags = PD_RETURNDEFAULT;
  if (!PrintDlgW(&query)) return false;
  if (query.hDevMode) GlobalFree(query.hDevMode);
  if (query.hDevNames) GlobalFree(query.hDevNames);
  return true;
}

void ShowFailure(HWND owner, const char16_t* what, DWORD error, const wchar_t* caption) {
  const String text = ConcatWide(what, SystemErrorText(error).Wide(), nullptr);
  MessageBoxW(owner, WinText(text), caption, MB_OK | MB_ICONERROR);
}

}  // namespace

HWND CreateTextViewer(HWND parent, int id, const RECT& rect, uint32_t options) {
  if (!LoadRichEditLibrary()) return nullptr;
  DWORD style = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_SAVESEL | ES_NOHIDESEL | ES_MULTILINE;
  if ((options & viewer_option::kEditable) == 0) style |= ES_READONLY;
  if ((options & viewer_option::kHidden) == 0) style |= WS_VISIBLE;
  HWND viewer = CreateWindowExW(0, L"RichEdit20W", L"", style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
  if (!viewer) return nullptr;
  SetPropW(viewer, kOriginalProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrW(viewer, GWLP_WNDPROC)));
  SetWindowLongPtrW(viewer, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ViewerProcedure));
  return viewer;
}

bool SetRichText(HWND viewer, const String& rtf) {
  ReadCursor cursor{rtf, 0};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cursor), 0, ReadFromString};
  SendMessageW(viewer, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  return stream.dwError == 0;
}

bool GetRichText(HWND viewer, String& rtf) {
  rtf = String();
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&rtf), 0, WriteToString};
  SendMessageW(viewer, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  return stream.dwError == 0;
}

void CopyText(HWND viewer) {
  CHARRANGE selection{};
  SendMessageW(viewer, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  if (selection.cpMin != selection.cpMax) {
    SendMessageW(viewer, WM_COPY, 0, 0);
    return;
  }
  POINT scroll{};
  SendMessageW(viewer, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  SendMessageW(viewer, WM_SETREDRAW, FALSE, 0);
  SendMessageW(viewer, EM_SETSEL, 0, -1);
  SendMessageW(viewer, WM_COPY, 0, 0);
  SendMessageW(viewer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  SendMessageW(viewer, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  SendMessageW(viewer, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(viewer, nullptr, TRUE);
}

void PrintText(HWND viewer) {
  const HWND parent = GetParent(viewer);
  if (!PrinterAvailable()) {
    MessageBoxW(parent, L"There is no printer to print to.", L"Print", MB_OK | MB_ICONINFORMATION);
    return;
  }
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = parent;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE;
  dialog.nCopies = 1;
  if (!PrintDlgW(&dialog)) return;  // cancelled (or no printer): nothing to report
  DOCINFOW document{sizeof document, L"Document", nullptr, nullptr, 0};
  SendMessageW(viewer, WM_COMMAND, viewer_command::kNamePrintJob, reinterpret_cast<LPARAM>(&document));
  SendMessageW(parent, WM_COMMAND, viewer_command::kNamePrintJob, reinterpret_cast<LPARAM>(&document));
  bool printed = StartDocW(dialog.hDC, &document) > 0;
  if (printed) {
    printed = PrintPages(viewer, dialog.hDC);
    if (!printed && GetLastError() == ERROR_CANCELLED) SetLastError(ERROR_REQUEST_ABORTED);
    if (printed) {
      EndDoc(dialog.hDC);
    } else {
      AbortDoc(dialog.hDC);
    }
  }
  const DWORD error = GetLastError();
  SendMessageW(viewer, EM_SETTARGETDEVICE, 0, 0);
  SendMessageW(viewer, EM_SETSEL, 0, 0);
  DeleteDC(dialog.hDC);
  if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
  if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
  if (!printed && error != ERROR_REQUEST_ABORTED) ShowFailure(parent, u"Failed to print.  ", error, L"Print");
}

DWORD SaveRichText(HWND viewer, const wchar_t* path) {
  String rtf;
  if (!GetRichText(viewer, rtf)) return ERROR_READ_FAULT;
  const UniqueFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD written = 0;
  if (!WriteFile(file.Get(), rtf.Bytes(), static_cast<DWORD>(rtf.Length()), &written, nullptr)) return GetLastError();
  return written == static_cast<DWORD>(rtf.Length()) ? 0 : ERROR_WRITE_FAULT;
}

void SaveTextAs(HWND viewer) {
  static wchar_t previous_file[MAX_PATH * 4] = L"";  // the file chosen the previous time
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetParent(viewer);
  dialog.lpstrFilter = L"Rich-text documents (*.rtf)\0*.rtf\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = previous_file;
  dialog.nMaxFile = static_cast<DWORD>(std::size(previous_file));
  dialog.lpstrTitle = L"Save As";
  dialog.lpstrDefExt = L"rtf";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return;
  const DWORD error = SaveRichText(viewer, previous_file);
  if (error != 0) ShowFailure(dialog.hwndOwner, u"Failed to save.  ", error, L"Save As");
}

void OpenClickedLink(const NMHDR& header) {
  if (header.code != EN_LINK) return;
  const auto& link = reinterpret_cast<const ENLINK&>(header);
  if (link.msg != WM_LBUTTONUP || link.chrg.cpMax <= link.chrg.cpMin) return;
  String address;
  address.SetLength((link.chrg.cpMax - link.chrg.cpMin + 1) * 2);
  TEXTRANGEW range{link.chrg, reinterpret_cast<wchar_t*>(address.MutableWide())};
  const LRESULT length = SendMessageW(header.hwndFrom, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
  address.SetLength(static_cast<int>(length) * 2);
  ShellExecuteW(GetParent(header.hwndFrom), L"open", WinText(address), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace valdorine
