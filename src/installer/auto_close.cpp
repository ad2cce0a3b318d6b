#include "installer/auto_close.hpp"

#include <windows.h>

#include <string_view>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "package/language_message.hpp"
#include "package/language_strings.hpp"
#include "run/run_switches.hpp"
#include "ui/message_boxes.hpp"

namespace valdorine {
namespace {

template <typename Char>
bool PatternMatches(std::basic_string_view<Char> pattern, std::basic_string_view<Char> text) {
  if (pattern.empty()) return true;
  if (pattern.front() == Char('*')) return text.find(pattern.substr(1)) != std::basic_string_view<Char>::npos;
  return pattern == text;
}

std::u16string_view WideView(const String& text) {
  return {text.Wide(), static_cast<size_t>(text.WideLength())};
}

std::string_view NarrowView(const String& text) { return {text.Narrow(), static_cast<size_t>(text.Length())}; }

struct ProgramWindow {
  HWND handle;
  String window_class;  // wide
  String title;         // 8-bit
};

BOOL CALLBACK CollectOtherProcessWindow(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) reinterpret_cast<Array<HWND>*>(found)->Append(window);
  return TRUE;
}

// The visible and hidden top-level windows of every other process, with their class and title.
Array<ProgramWindow> OtherProgramsWindows() {
  Array<HWND> handles;
  EnumWindows(CollectOtherProcessWindow, reinterpret_cast<LPARAM>(&handles));
  Array<ProgramWindow> windows;
  for (HWND handle : handles) {
    wchar_t class_name[256] = {};
    char title[512] = {};
    GetClassNameW(handle, class_name, 256);
    GetWindowTextA(handle, title, static_cast<int>(sizeof title));
    windows.Append({handle, String::FromWide(reinterpret_cast<const char16_t*>(class_name)),
                    String::FromNarrow(title)});
  }
  return windows;
}

bool MatchesWindow(const AutoCloseEntry& record, const ProgramWindow& window) {
  return AutoCloseMatches(record, window.window_class, window.title);
}

void PostToRestoredWindow(HWND window, UINT message) {
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
  PostMessageW(window, message, 0, 0);
}

void TerminateOwner(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, process_id));
  if (process) TerminateProcess(process.Get(), 1);
}

void Apply(uint8_t action, HWND window) {
  switch (action) {
    case auto_close_action::kCloseRequest:
      PostToRestoredWindow(window, WM_CLOSE);
      break;
    case auto_close_action::kQuitMessage:
      PostToRestoredWindow(window, WM_QUIT);
      break;
    case auto_close_action::kTerminate:
      TerminateOwner(window);
      break;
    default:
      break;
  }
}

bool AnyWindowMatches(const AutoCloseEntry& record) {
  for (const ProgramWindow& window : OtherProgramsWindows()) {
    if (MatchesWindow(record, window)) return true;
  }
  return false;
}

}  // namespace

bool AutoCloseMatches(const AutoCloseEntry& record, const String& window_class, const String& window_title) {
  if (record.window_class.IsEmpty() && record.window_title.IsEmpty()) return false;
  return PatternMatches(WideView(record.window_class), WideView(window_class)) &&
         PatternMatches(NarrowView(record.window_title), NarrowView(window_title));
}

void CloseMatchingPrograms(const Array<AutoCloseEntry>& records) {
  for (const ProgramWindow& window : OtherProgramsWindows()) {
    for (const AutoCloseEntry& record : records) {
      if (record.action == auto_close_action::kAskUser || !MatchesWindow(record, window)) continue;
      Apply(record.action, window.handle);
      break;
    }
  }
}

void AskToClosePrograms(const Array<AutoCloseEntry>& records, void (*cancel)()) {
  if (Switches().silent_mode) return;
  for (const AutoCloseEntry& record : records) {
    if (record.action != auto_close_action::kAskUser) continue;
    const String request = LanguageMessage(107, {WideFromNarrow(record.program_name, code_page::kAnsi)});
    while (AnyWindowMatches(record)) {
      if (!AskRetryCancel(request, LanguageString(55))) cancel();
    }
  }
}

}  // namespace valdorine
