// Test support: records the requests that the notification sender would send, instead of sending
// them, for the scope of one test.
#pragma once

#include <mutex>
#include <utility>
#include <vector>

#include "diagnostics/notifications.hpp"

namespace valdorine::testing {

class RecordedNotifications {
 public:
  RecordedNotifications() {
    Take();
    SetNotificationTransport(&Record);
  }
  RecordedNotifications(const RecordedNotifications&) = delete;
  RecordedNotifications& operator=(const RecordedNotifications&) = delete;
  ~RecordedNotifications() {
    Take();
    SetNotificationTransport(nullptr);
  }

  // Lets the sender hand over everything queued so far; returns those requests, oldest first.
  static std::vector<HttpRequest> Take() {
    FinishNotifications();
    const std::lock_guard<std::mutex> guard(Lock());
    return std::exchange(Requests(), {});
  }

 private:
  static int Record(const HttpRequest& request) {
    const std::lock_guard<std::mutex> guard(Lock());
    Requests().push_back(request);
    return 200;
  }
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::vector<HttpRequest>& Requests() {
    static std::vector<HttpRequest> requests;
    return requests;
  }
};

}  // namespace valdorine::testing
