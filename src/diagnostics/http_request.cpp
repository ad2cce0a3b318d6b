#include "diagnostics/http_request.hpp"

#include <string.h>

namespace valdorine {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The port text of an authority ("8080"); false unless it is 1..65535.
bool ParsePort(const char* text, int length, uint16_t& port) {
  if (length < 1 || length > 5) return false;
  int value = 0;
  for (int i = 0; i < length; ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + (text[i] - '0');
  }
  if (value < 1 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

}  // namespace

bool ParseHttpAddress(const String& url, HttpAddress& address) {
  constexpr int kSchemeLength = 7;  // "http://"
  if (_strnicmp(url.Narrow(), "http://", kSchemeLength) != 0) return false;
  const char* authority = url.Narrow() + kSchemeLength;
  int end = 0;
  while (authority[end] != 0 && authority[end] != '/' && authority[end] != '?' && authority[end] != '#') ++end;
  int host_end = 0;
  while (host_end < end && authority[host_end] != ':') ++host_end;
  if (host_end == 0) return false;
  address.port = 80;
  if (host_end < end && !ParsePort(authority + host_end + 1, end - host_end - 1, address.port)) return false;
  address.host = String::FromNarrow(authority, host_end);
  // The fragment is the browser's business, not the server's.
  const char* path = authority + end;
  int path_length = 0;
  while (path[path_length] != 0 && path[path_length] != '#') ++path_length;
  address.path = String::FromNarrow(*path == '/' ? "" : "/");
  address.path.AppendNarrow(path, path_length);
  return true;
}

int SendHttpRequest(const HttpRequest& request) {
  const int status = SendThroughInternetService(request, kHttpTimeoutMs);
  return status == 0 ? SendThroughSockets(request, kHttpTimeoutMs) : status;
}

}  // namespace valdorine
