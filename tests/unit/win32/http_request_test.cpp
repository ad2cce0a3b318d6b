// Both HTTP transports against a loopback server run by the test: what arrives, and the status
// that comes back.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "../string_test_support.hpp"
#include "diagnostics/http_request.hpp"

namespace valdorine {
namespace {

using testing::NarrowOf;

TEST(ParseHttpAddress, SplitsHostPortAndPath) {
  struct Row {
    const char* url;
    bool valid;
    const char* host;
    int port;
    const char* path;
  };
  const Row rows[] = {
      {"http://example.test/a/b?c=1", true, "example.test", 80, "/a/b?c=1"},
      {"HTTP://127.0.0.1:8080", true, "127.0.0.1", 8080, "/"},
      {"http://h?q=1#frag", true, "h", 80, "/?q=1"},
      {"http://h:65535/x", true, "h", 65535, "/x"},
      {"http://h:0/", false, "", 0, ""},
      {"http://h:65536/", false, "", 0, ""},
      {"http://h:8a/", false, "", 0, ""},
      {"http:///path", false, "", 0, ""},
      {"https://h/", false, "", 0, ""},
      {"ftp://h/", false, "", 0, ""},
  };
  for (const Row& row : rows) {
    HttpAddress address;
    ASSERT_EQ(ParseHttpAddress(String::FromNarrow(row.url), address), row.valid) << row.url;
    if (!row.valid) continue;
    EXPECT_EQ(NarrowOf(address.host), row.host) << row.url;
    EXPECT_EQ(address.port, row.port) << row.url;
    EXPECT_EQ(NarrowOf(address.path), row.path) << row.url;
  }
}

// A one-connection server on 127.0.0.1: reads the request (head and the body its length names),
// then sends `response`, or nothing when `answer` is false, and closes.
class LoopbackServer {
 public:
  LoopbackServer(std::string response, bool answer) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    int size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, response, answer] { Serve(response, answer); });
  }
  ~LoopbackServer() {
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  std::string Url(const char* path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // What the server received; valid once the client has returned.
  const std::string& Received() const { return received_; }

 private:
  void Serve(const std::string& response, bool answer) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    // The server never waits longer than a test may take, whatever the client does.
    const DWORD most_ms = 10000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&most_ms), sizeof most_ms);
    char buffer[4096];
    while (!Complete()) {
      const int got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      received_.append(buffer, static_cast<size_t>(got));
    }
    if (answer) send(client, response.data(), static_cast<int>(response.size()), 0);
    if (!answer) recv(client, buffer, sizeof buffer, 0);  // until the client gives up
    closesocket(client);
  }
  bool Complete() const {
    const size_t head_end = received_.find("\r\n\r\n");
    if (head_end == std::string::npos) return false;
    const size_t length_at = received_.find("Content-Length: ");
    const size_t length = length_at < head_end ? std::stoul(received_.substr(length_at + 16)) : 0;
    return received_.size() >= head_end + 4 + length;
  }

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::thread thread_;
  std::string received_;
};

using Transport = int (*)(const HttpRequest&, uint32_t);

HttpRequest Post(const std::string& url) {
  HttpRequest request;
  request.verb = "POST";
  request.url = String::FromNarrow(url.c_str());
  request.headers = String::FromNarrow("Content-Type: text/plain\r\nContent-Length: 5\r\n");
  request.body = String::FromNarrow("hello");
  return request;
}

class Transports : public ::testing::TestWithParam<Transport> {};

TEST_P(Transports, SendAnHttp10RequestAndReportTheStatus) {
  struct Row {
    const char* response;
    int status;
  };
  const Row rows[] = {
      {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", 200},
      {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", 404},
  };
  for (const Row& row : rows) {
    std::string received;
    int status = 0;
    {
      LoopbackServer server(row.response, true);
      status = GetParam()(Post(server.Url("/notify?x=1")), 10000);
      received = server.Received();
    }
    EXPECT_EQ(status, row.status);
    EXPECT_EQ(received.rfind("POST /notify?x=1 HTTP/1.0\r\n", 0), 0u) << received;
    EXPECT_NE(received.find("\r\nContent-Type: text/plain\r\n"), std::string::npos) << received;
    EXPECT_EQ(received.substr(received.size() - 9), "\r\n\r\nhello") << received;
  }
}

// The built-in client's own deadline. (Wine's internet service does not apply its receive time-out
// to a server that accepts and never answers; there the orderly exit's bound on the queue holds.)
TEST(SocketTransport, ServerThatNeverAnswersCostsTheTimeOutAndGivesNoStatus) {
  LoopbackServer server("", false);
  EXPECT_LT(SendThroughSockets(Post(server.Url("/")), 1000), 0);
}

TEST_P(Transports, NobodyListeningGivesNoStatus) {
  std::string url;
  { url = LoopbackServer("", true).Url("/"); }  // the port is free again
  EXPECT_EQ(GetParam()(Post(url), 5000), http_status::kNoRequest);
}

INSTANTIATE_TEST_SUITE_P(BuiltInAndSystem, Transports,
                         ::testing::Values(&SendThroughSockets, &SendThroughInternetService));

}  // namespace
}  // namespace valdorine
