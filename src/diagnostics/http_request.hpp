// One HTTP/1.0 request of a notification or a problem report, and how it is carried: through the
// system's internet service, or through the built-in client over sockets when that service is
// missing or reports no status at all. Only "http:" addresses are sent.
#pragma once

#include <cstdint>

#include "core/string.hpp"

namespace valdorine {

struct HttpRequest {
  const char* verb = "GET";  // "GET" or "POST"
  String url;                // narrow, "http://host[:port]/path?query"
  String headers;            // narrow header lines, each ending with CR LF; may be empty
  String body;               // bytes
};

// The parts of an "http:" address; the port is 80 unless the address names one.
struct HttpAddress {
  String host;  // narrow
  uint16_t port = 80;
  String path;  // narrow, from the first "/" on (the query included); "/" when the address has none
};

// Splits `url`; false when it is not an "http:" address with a host and a valid port.
bool ParseHttpAddress(const String& url, HttpAddress& address);

namespace http_status {
inline constexpr int kNoRequest = -1;          // no transport, a bad address, or no response
inline constexpr int kUnreadableSuccess = -2;  // 200, but the rest of the response could not be read
}  // namespace http_status

// The time one request may take, connection included.
inline constexpr uint32_t kHttpTimeoutMs = 30000;

// Sends `request` and returns the response's status code or an http_status value.
int SendHttpRequest(const HttpRequest& request);

// The transports, each with the same contract as SendHttpRequest. The internet service's reports
// 0 for a request it could not make at all (the system library or its calls are missing).
int SendThroughInternetService(const HttpRequest& request, uint32_t timeout_ms);
int SendThroughSockets(const HttpRequest& request, uint32_t timeout_ms);

}  // namespace valdorine
