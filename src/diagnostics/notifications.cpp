#include "diagnostics/notifications.hpp"

#include <windows.h>

#include <atomic>
#include <utility>

#include "core/lock.hpp"
#include "core/win32/crash_filter.hpp"
#include "core/win32/system_info.hpp"
#include "core/win32/unique_handle.hpp"
#include "diagnostics/failure_summary.hpp"
#include "diagnostics/firewall_exception.hpp"
#include "diagnostics/http_request.hpp"
#include "diagnostics/multipart_form.hpp"
#include "paths/os_code.hpp"
#include "paths/path_variables.hpp"
#include "run/installer_process.hpp"

namespace valdorine {
namespace {

struct NotificationItem {
  bool quit = false;
  HttpRequest request;
};

// The main thread appends; the sender thread takes out.
struct NotificationQueue {
  Lock lock;
  Condition added;
  Array<NotificationItem> items;
  UniqueHandle sender;
  bool firewall_opened = false;
  std::atomic<NotificationTransport> transport{nullptr};
};

NotificationQueue& Queue() {
  static NotificationQueue queue;
  return queue;
}

NotificationItem TakeNext(NotificationQueue& queue) {
  const LockScope guard(queue.lock);
  queue.added.WaitUntil(queue.lock, [&queue] { return !queue.items.IsEmpty(); });
  NotificationItem item = std::move(queue.items[0]);
  queue.items.RemoveAt(0);
  return item;
}

// The sender thread. A crash while sending ends this thread alone (see RegisterWorkerThread): the
// run does not fail because a notification could not be sent.
DWORD WINAPI SendQueuedNotifications(void*) {
  RegisterWorkerThread();
  NotificationQueue& queue = Queue();
  for (NotificationItem item = TakeNext(queue); !item.quit; item = TakeNext(queue)) {
    const NotificationTransport transport = queue.transport;
    (transport ? transport : SendHttpRequest)(item.request);
  }
  UnregisterWorkerThread();
  return 0;
}

void Append(NotificationItem item) {
  NotificationQueue& queue = Queue();
  {
    const LockScope guard(queue.lock);
    queue.items.Append(std::move(item));
  }
  queue.added.Signal();
}

String Utf8(const String& wide) { return NarrowFromWide(wide, code_page::kUtf8); }

// The problem description of a failure notification, UTF-8.
String ProblemDescription() {
  const PathVariableSources& run = RunPathVariables();
  String text = run.product_name;
  text.AppendFormatWide(u" %s\r\nInstaller version: 42.1.2\r\n%s\r\n", run.version.Wide(), OsDescription(0).Wide());
  text.Append(FailureSummary());
  return Utf8(text);
}

HttpRequest RequestFor(const String& address, bool post) {
  HttpRequest request;
  request.url = FillNotificationAddress(address, RunNotificationValues());
  if (post) {
    MultipartForm form;
    form.AddField("problems", ProblemDescription());
    request.verb = "POST";
    request.body = form.Body();
    request.headers = MultipartForm::HeadersFor(request.body);
  }
  return request;
}

void StartSender(NotificationQueue& queue) {
  queue.firewall_opened = AllowProgramThroughFirewall(Process().module_path, String::FromWide(u"Valdorine Setup Installer"));
  queue.sender.Reset(CreateThread(nullptr, 0, SendQueuedNotifications, nullptr, 0, nullptr));
}

}  // namespace

NotificationValues RunNotificationValues() {
  const OsVersionInfo& os = OsVersion();
  NotificationValues values;
  values.version = Utf8(RunPathVariables().version);
  values.session = Process().session_number;
  values.os = String::FormatNarrow("%d", OsCode(os));
  values.os_major = String::FormatNarrow("%d", os.major);
  values.os_minor = String::FormatNarrow("%d", os.minor);
  values.os_name = Utf8(OsDescription(os_description::kNameOnly));
  values.os_description = Utf8(OsDescription(0));
  values.os_server = os.IsServer();
  return values;
}

void SendNotification(const String& address, bool post) {
  if (address.IsEmpty()) return;
  NotificationQueue& queue = Queue();
  if (!queue.sender) StartSender(queue);
  Append(NotificationItem{false, RequestFor(address, post)});
}

void FinishNotifications() {
  NotificationQueue& queue = Queue();
  if (!queue.sender) return;
  Append(NotificationItem{true, {}});
  if (WaitForSingleObject(queue.sender.Get(), kHttpTimeoutMs) == WAIT_OBJECT_0) queue.sender.Reset();
  if (queue.firewall_opened) RemoveProgramFromFirewall(Process().module_path);
  queue.firewall_opened = false;
}

void SetNotificationTransport(NotificationTransport transport) { Queue().transport = transport; }

}  // namespace valdorine
