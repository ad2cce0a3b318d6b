#include "installer/orderly_exit.hpp"

#include <ole2.h>
#include <windows.h>

#include "diagnostics/notifications.hpp"
#include "run/run_switches.hpp"
#include "ui/progress_window.hpp"

namespace valdorine {
namespace {

// Lets the closed windows handle the messages their closing posted.
void FinishPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void OrderlyExit(int exit_code) {
  CloseInstallerWindows();
  FinishPendingMessages();
  FinishNotifications();
  OleUninitialize();
  ExitProcess(static_cast<UINT>(exit_code));
}

void ExitInstallation(RunOutcome outcome) {
  OrderlyExit(InstallationExitCode(outcome, Switches().deployment_exit_codes));
}

}  // namespace valdorine
