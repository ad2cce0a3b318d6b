#include "core/win32/process_start.hpp"

#include <windows.h>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {
namespace {

constexpr DWORD kMessageInterval = 75;  // milliseconds

// Creates the process; the caller owns the returned process handle. An invalid handle, with the
// system error set, when it cannot be started.
UniqueHandle CreateChildProcess(String& command_line, const String& working_folder, bool hidden) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (hidden) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION process{};
  // The system may write into the command line, so it gets the String's own buffer.
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(command_line.MutableWide()), nullptr, nullptr, FALSE,
                      NORMAL_PRIORITY_CLASS, nullptr, working_folder.IsEmpty() ? nullptr : WinText(working_folder),
                      &startup, &process)) {
    return UniqueHandle();
  }
  UniqueHandle thread_handle(process.hThread);
  return UniqueHandle(process.hProcess);
}

void DispatchPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

bool StartProcess(String command_line, const String& working_folder, bool hidden) {
  return CreateChildProcess(command_line, working_folder, hidden).IsValid();
}

bool RunProcessAndWait(String command_line, const String& working_folder, bool hidden, unsigned long* exit_code) {
  const UniqueHandle process = CreateChildProcess(command_line, working_folder, hidden);
  if (!process.IsValid()) return false;
  HANDLE handle = process.Get();
  // Anything but a timeout or waiting messages means the process has ended (or cannot be waited for).
  DWORD wait = WAIT_TIMEOUT;
  while ((wait = MsgWaitForMultipleObjects(1, &handle, FALSE, kMessageInterval, QS_ALLINPUT)) == WAIT_TIMEOUT ||
         wait == WAIT_OBJECT_0 + 1) {
    DispatchPendingMessages();
  }
  if (exit_code != nullptr && !GetExitCodeProcess(handle, exit_code)) *exit_code = GetLastError();
  return true;
}

}  // namespace valdorine
