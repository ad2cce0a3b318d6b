#include "core/win32/process_start.hpp"

#include <windows.h>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"

namespace valdorine {

bool StartProcess(String command_line, const String& working_folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  // The system may write into the command line, so it gets the String's own buffer.
  if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(command_line.MutableWide()), nullptr, nullptr, FALSE, 0,
                      nullptr, working_folder.IsEmpty() ? nullptr : WinText(working_folder), &startup, &process)) {
    return false;
  }
  UniqueHandle process_handle(process.hProcess);
  UniqueHandle thread_handle(process.hThread);
  return true;
}

}  // namespace valdorine
