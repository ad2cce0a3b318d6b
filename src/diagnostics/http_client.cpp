// The built-in HTTP/1.0 client over sockets: the second transport, for systems where the internet
// service is missing. One connection per request; the whole request, connection included, keeps
// to the time-out.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <cstring>

#include "diagnostics/http_request.hpp"

namespace valdorine {
namespace {

// The socket service for the scope of one request.
class SocketService {
 public:
  SocketService() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  SocketService(const SocketService&) = delete;
  SocketService& operator=(const SocketService&) = delete;
  ~SocketService() {
    if (started_) WSACleanup();
  }
  bool Started() const { return started_; }

 private:
  bool started_ = false;
};

class Socket {
 public:
  explicit Socket(SOCKET handle) : handle_(handle) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (handle_ != INVALID_SOCKET) closesocket(handle_);
  }
  SOCKET Get() const { return handle_; }
  bool IsValid() const { return handle_ != INVALID_SOCKET; }

 private:
  SOCKET handle_;
};

class Deadline {
 public:
  explicit Deadline(uint32_t timeout_ms) : end_(GetTickCount64() + timeout_ms) {}
  // What is left of the time, at least 1 ms while it lasts; 0 once it has passed.
  DWORD RemainingMs() const {
    const ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
  }
  timeval Remaining() const {
    const DWORD ms = RemainingMs();
    return timeval{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  }

 private:
  ULONGLONG end_;
};

// Waits until `handle` can be written (connected) or read; false on time-out or error.
bool WaitFor(SOCKET handle, bool for_writing, const Deadline& deadline) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(handle, &ready);
  FD_SET(handle, &failed);
  timeval remaining = deadline.Remaining();
  if (deadline.RemainingMs() == 0) return false;
  const int result = select(0, for_writing ? nullptr : &ready, for_writing ? &ready : nullptr, &failed, &remaining);
  return result > 0 && FD_ISSET(handle, &ready);
}

// A socket connected to one of the host's addresses, or an invalid one.
SOCKET Connect(const HttpAddress& address, const Deadline& deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const String port = String::FormatNarrow("%u", address.port);
  if (getaddrinfo(address.host.Narrow(), port.Narrow(), &hints, &found) != 0) return INVALID_SOCKET;
  SOCKET connected = INVALID_SOCKET;
  for (addrinfo* candidate = found; candidate && connected == INVALID_SOCKET; candidate = candidate->ai_next) {
    SOCKET handle = socket(candidate->ai_family, candidate->ai_socktype, candidate->ai_protocol);
    if (handle == INVALID_SOCKET) continue;
    u_long non_blocking = 1;
    ioctlsocket(handle, FIONBIO, &non_blocking);
    const bool at_once = connect(handle, candidate->ai_addr, static_cast<int>(candidate->ai_addrlen)) == 0;
    if (at_once || (WSAGetLastError() == WSAEWOULDBLOCK && WaitFor(handle, true, deadline))) {
      connected = handle;
    } else {
      closesocket(handle);
    }
  }
  freeaddrinfo(found);
  return connected;
}

bool SendAll(SOCKET handle, const String& bytes, const Deadline& deadline) {
  int sent = 0;
  while (sent < bytes.Length()) {
    if (!WaitFor(handle, true, deadline)) return false;
    const int result = send(handle, bytes.Narrow() + sent, bytes.Length() - sent, 0);
    if (result == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) return false;
    if (result > 0) sent += result;
  }
  return true;
}

enum class ReadEnd { kClosed, kFailed };

// Reads until the server closes the connection (or the time is up); `enough` stops it earlier.
template <typename Enough>
ReadEnd ReadUntil(SOCKET handle, String& response, const Deadline& deadline, Enough enough) {
  char buffer[4096];
  while (!enough(response)) {
    if (!WaitFor(handle, false, deadline)) return ReadEnd::kFailed;
    const int result = recv(handle, buffer, sizeof buffer, 0);
    if (result == 0) return ReadEnd::kClosed;
    if (result == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) continue;
      return ReadEnd::kFailed;
    }
    response.AppendBytes(buffer, result);
  }
  return ReadEnd::kClosed;
}

bool HasStatusLine(const String& response) { return strstr(response.Narrow(), "\r\n") != nullptr; }

// The status of "HTTP/1.x 200 OK"; -1 without one.
int StatusCode(const String& response) {
  const char* text = response.Narrow();
  if (_strnicmp(text, "HTTP/", 5) != 0) return http_status::kNoRequest;
  const char* space = strchr(text, ' ');
  if (space == nullptr) return http_status::kNoRequest;
  char* end = nullptr;
  const long status = strtol(space + 1, &end, 10);
  return end != space + 1 && status >= 100 && status <= 999 ? static_cast<int>(status) : http_status::kNoRequest;
}

String RequestHead(const HttpRequest& request, const HttpAddress& address) {
  String head = String::FormatNarrow("%s %s HTTP/1.0\r\nHost: %s", request.verb, address.path.Narrow(), address.host.Narrow());
  if (address.port != 80) head.AppendFormatNarrow(":%u", address.port);
  head.AppendNarrow("\r\n");
  head.Append(request.headers);
  head.AppendNarrow("\r\n");
  return head;
}

}  // namespace

int SendThroughSockets(const HttpRequest& request, uint32_t timeout_ms) {
  HttpAddress address;
  if (!ParseHttpAddress(request.url, address)) return http_status::kNoRequest;
  const SocketService service;
  if (!service.Started()) return http_status::kNoRequest;
  const Deadline deadline(timeout_ms);
  const Socket connection(Connect(address, deadline));
  if (!connection.IsValid()) return http_status::kNoRequest;
  String message = RequestHead(request, address);
  message.Append(request.body);
  if (!SendAll(connection.Get(), message, deadline)) return http_status::kNoRequest;
  String response;
  ReadUntil(connection.Get(), response, deadline, HasStatusLine);
  const int status = StatusCode(response);
  if (status != 200) return status;
  const bool read_all = ReadUntil(connection.Get(), response, deadline, [](const String&) { return false; }) == ReadEnd::kClosed;
  return read_all ? status : http_status::kUnreadableSuccess;
}

}  // namespace valdorine
