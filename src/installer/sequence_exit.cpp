#include "installer/sequence_exit.hpp"

#include "diagnostics/notifications.hpp"
#include "installer/orderly_exit.hpp"
#include "package/language_strings.hpp"
#include "package/package_startup.hpp"
#include "run/run_switches.hpp"
#include "ui/message_boxes.hpp"

namespace valdorine {

void CancelInstallation() {
  SendNotification(Script().CancelNotifyURL, false);
  if (!Switches().automatic_mode) ShowWarning(LanguageString(98), LanguageString(111));
  ExitInstallation(RunOutcome::kCancelled);
}

void CancelQuietly() {
  SendNotification(Script().CancelNotifyURL, false);
  ExitInstallation(RunOutcome::kCancelled);
}

void RefuseInstallation(const String& message) {
  ShowErrorBox(message);
  ExitInstallation(RunOutcome::kFailed);
}

}  // namespace valdorine
