#include "diagnostics/notifications.hpp"

#include <mutex>
#include <utility>

namespace valdorine {
namespace {

// The main thread appends; the sender thread takes out.
struct NotificationQueue {
  std::mutex lock;
  Array<NotificationRequest> requests;
};

NotificationQueue& Queue() {
  static NotificationQueue queue;
  return queue;
}

}  // namespace

void SendNotification(const String& address, bool post) {
  if (address.IsEmpty()) return;
  NotificationQueue& queue = Queue();
  const std::lock_guard<std::mutex> guard(queue.lock);
  queue.requests.Append(NotificationRequest{address, post});
}

Array<NotificationRequest> TakeQueuedNotifications() {
  NotificationQueue& queue = Queue();
  const std::lock_guard<std::mutex> guard(queue.lock);
  return std::exchange(queue.requests, {});
}

}  // namespace valdorine
