// Web notifications: requests to the install script's notification addresses at chosen moments of
// the run (start, cancel, error, completion, uninstallation). Callers only queue, so no caller waits
// for the network: one sender thread, started by the first request, sends them in order. A failure
// notification (posted) carries the problem description as the form field "problems".
#pragma once

#include "core/string.hpp"
#include "diagnostics/http_request.hpp"
#include "diagnostics/notification_address.hpp"

namespace valdorine {

// Queues a request to `address` (ANSI) with its tokens filled in; an empty address queues nothing.
// `post` sends the run's problem description (product, installer version, system and failure
// summary) by POST instead of a plain GET. The first request lets the installer through the
// firewall and starts the sender.
void SendNotification(const String& address, bool post);

// Ends the sender for the orderly exit: waits until the queued requests have been sent, but never
// longer than one request's time-out, and closes the firewall opening again. Requests still
// waiting then are dropped: a slow server never holds up the end of the run. A later request
// starts a new sender.
void FinishNotifications();

// What carries the sender's requests: SendHttpRequest unless replaced (tests record the requests
// instead). Null restores SendHttpRequest.
using NotificationTransport = int (*)(const HttpRequest& request);
void SetNotificationTransport(NotificationTransport transport);

// The run's token values (product version, session number, operating system).
NotificationValues RunNotificationValues();

}  // namespace valdorine
