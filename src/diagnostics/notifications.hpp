// Web notifications: requests to the install script's notification addresses at chosen moments of
// the run (start, cancel, error, completion, uninstallation). Callers only queue, so no caller waits
// for the network: the notification sender's thread drains the queue through
// TakeQueuedNotifications, fills the address's "%version%", "%Session%" and operating-system tokens
// and sends each request. Until the sender runs, requests stay queued.
#pragma once

#include "core/string.hpp"
#include "core/vector.hpp"

namespace valdorine {

struct NotificationRequest {
  String address;     // the address template as the install script gives it (ANSI)
  bool post = false;  // POST with the problem description instead of GET
};

// Queues a request to `address`; an empty address queues nothing.
void SendNotification(const String& address, bool post);

// Takes every queued request out, oldest first: the reading end of the queue, which the sender
// thread drains.
Array<NotificationRequest> TakeQueuedNotifications();

}  // namespace valdorine
