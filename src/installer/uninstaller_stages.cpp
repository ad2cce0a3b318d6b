#include "installer/uninstaller_stages.hpp"

#include <windows.h>

#include "package/language_strings.hpp"
#include "run/run_switches.hpp"
#include "ui/progress_window.hpp"

namespace valdorine {
namespace {

constexpr ULONGLONG kStagePauseMs = 700;
constexpr DWORD kMessageStepMs = 50;

ULONGLONG& StageStart() {
  static ULONGLONG start = 0;
  return start;
}

void HandleWindowMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void BeginStage(int status_string, int percent) {
  ShowProgressStatus(LanguageString(status_string));
  SetProgressPosition(percent);
  StageStart() = GetTickCount64();
}

void PauseForStage() {
  if (Switches().automatic_mode) return;
  while (GetTickCount64() - StageStart() < kStagePauseMs) {
    HandleWindowMessages();
    Sleep(kMessageStepMs);
  }
}

}  // namespace valdorine
