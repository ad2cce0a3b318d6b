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
  OrderlyExit(1);
}

void CancelQuietly() {
  SendNotification(Script().CancelNotifyURL, false);
  OrderlyExit(1);
}

void RefuseInstallation(const String& message) {
  ShowErrorBox(message);
  OrderlyExit(1);
}

}  // namespace valdorine
