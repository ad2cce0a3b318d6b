// The system's internet service (WinInet), loaded from the system folder when first needed.
#include <windows.h>

#include <wininet.h>

#include "core/win32/unique_handle.hpp"
#include "core/win32/win_text.hpp"
#include "diagnostics/http_request.hpp"

namespace valdorine {
namespace {

template <typename Function>
Function ServiceFunction(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

struct InternetService {
  UniqueModule library{LoadLibraryExW(L"wininet.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)};
  decltype(&InternetOpenW) open = ServiceFunction<decltype(&InternetOpenW)>(library.Get(), "InternetOpenW");
  decltype(&InternetSetOptionW) set_option =
      ServiceFunction<decltype(&InternetSetOptionW)>(library.Get(), "InternetSetOptionW");
  decltype(&InternetConnectW) connect = ServiceFunction<decltype(&InternetConnectW)>(library.Get(), "InternetConnectW");
  decltype(&HttpOpenRequestW) open_request =
      ServiceFunction<decltype(&HttpOpenRequestW)>(library.Get(), "HttpOpenRequestW");
  decltype(&HttpSendRequestW) send = ServiceFunction<decltype(&HttpSendRequestW)>(library.Get(), "HttpSendRequestW");
  decltype(&HttpQueryInfoW) query = ServiceFunction<decltype(&HttpQueryInfoW)>(library.Get(), "HttpQueryInfoW");
  decltype(&InternetReadFile) read = ServiceFunction<decltype(&InternetReadFile)>(library.Get(), "InternetReadFile");
  decltype(&InternetCloseHandle) close =
      ServiceFunction<decltype(&InternetCloseHandle)>(library.Get(), "InternetCloseHandle");

  bool Usable() const {
    return library && open && set_option && connect && open_request && send && query && read && close;
  }
};

// One of the service's handles, closed with the service's own call.
class InternetHandle {
 public:
  InternetHandle(const InternetService& service, HINTERNET handle) : service_(service), handle_(handle) {}
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() {
    if (handle_) service_.close(handle_);
  }
  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  const InternetService& service_;
  HINTERNET handle_;
};

void SetTimeouts(const InternetService& service, HINTERNET session, DWORD timeout_ms) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    service.set_option(session, option, &timeout_ms, sizeof timeout_ms);
  }
}

// Reads the response to its end; false when reading fails.
bool ReadResponse(const InternetService& service, HINTERNET request) {
  char buffer[4096];
  DWORD read = 0;
  do {
    if (!service.read(request, buffer, sizeof buffer, &read)) return false;
  } while (read != 0);
  return true;
}

}  // namespace

int SendThroughInternetService(const HttpRequest& request, uint32_t timeout_ms) {
  static const InternetService service;
  if (!service.Usable()) return 0;
  HttpAddress address;
  if (!ParseHttpAddress(request.url, address)) return http_status::kNoRequest;
  const InternetHandle session(service, service.open(L"Valdorine Setup Installer", INTERNET_OPEN_TYPE_PRECONFIG,
                                                      nullptr, nullptr, 0));
  if (!session) return http_status::kNoRequest;
  SetTimeouts(service, session.Get(), timeout_ms);
  const String host = WideFromNarrow(address.host, code_page::kAnsi);
  const InternetHandle connection(service, service.connect(session.Get(), WinText(host), address.port, nullptr,
                                                           nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return http_status::kNoRequest;
  const String verb = WideFromNarrow(String::FromNarrow(request.verb), code_page::kAnsi);
  const String path = WideFromNarrow(address.path, code_page::kAnsi);
  constexpr DWORD kFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_UI |
                           INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_PRAGMA_NOCACHE;
  const InternetHandle http(service, service.open_request(connection.Get(), WinText(verb), WinText(path), L"HTTP/1.0",
                                                          nullptr, nullptr, kFlags, 0));
  if (!http) return http_status::kNoRequest;
  const String headers = WideFromNarrow(request.headers, code_page::kAnsi);
  if (!service.send(http.Get(), headers.IsEmpty() ? nullptr : WinText(headers), static_cast<DWORD>(headers.WideLength()),
                    const_cast<char*>(request.body.Narrow()), static_cast<DWORD>(request.body.Length()))) {
    return http_status::kNoRequest;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!service.query(http.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
    return http_status::kNoRequest;
  }
  if (status == HTTP_STATUS_OK && !ReadResponse(service, http.Get())) return http_status::kUnreadableSuccess;
  return static_cast<int>(status);
}

}  // namespace valdorine
