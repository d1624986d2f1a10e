#include "web/timed_fetch.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "local_server.h"
#include "web/event_pump.h"
#include "web/page_fetch.h"

namespace plexaro {
namespace {

using testing::HeaderValue;
using testing::LocalServer;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A server that reads the request and never answers; it notes when the client hangs up.
class SilentServer {
 public:
  SilentServer() : server_([this](const std::string&, int socket) { HoldUntilClosed(socket); }) {}
  std::string Url(std::string_view path = "/") const { return server_.Url(path); }
  int Port() const { return server_.Port(); }
  size_t RequestCount() const { return server_.Requests().size(); }
  // Whether the client closed its connection within `seconds`.
  bool ClientHungUpWithin(double seconds) const {
    auto start = Clock::now();
    while (!hungUp_.load() && SecondsSince(start) < seconds) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return hungUp_.load();
  }

 private:
  void HoldUntilClosed(int socket) {
    char buffer[512];
    while (!server_.Stopping()) {
      pollfd pfd{socket, POLLIN, 0};
      if (poll(&pfd, 1, 20) <= 0) continue;
      if (recv(socket, buffer, sizeof buffer, 0) <= 0) {
        hungUp_.store(true);
        return;
      }
    }
  }

  std::atomic<bool> hungUp_{false};
  LocalServer server_;
};

TEST(FetchWithTimeout, GivesUpWithTheMessageAndEndsTheRequest) {
  SilentServer server;
  int pumps = 0;
  SetThreadPumpHook([&] { ++pumps; });
  Text headers = "stale", cookies = "stale";
  auto start = Clock::now();
  ByteSet body = FetchWithTimeout(server.Url("/slow"), 0, {}, {}, {}, {}, 1, &headers, &cookies);
  double elapsed = SecondsSince(start);
  SetThreadPumpHook({});

  EXPECT_EQ(body, FetchTimeoutMessage());
  EXPECT_EQ(headers, "");
  EXPECT_EQ(cookies, "");
  EXPECT_GE(elapsed, 0.99);
  EXPECT_LT(elapsed, 2.5);  // the abort and the join come right after the time-out
  EXPECT_GE(pumps, 30);     // the waiting thread kept its events moving
  EXPECT_EQ(server.RequestCount(), 1u);
  EXPECT_TRUE(server.ClientHungUpWithin(1.0));
}

TEST(FetchWithTimeout, TimeoutMessageIsTheFullWidthQuotedText) {
  const Text& message = FetchTimeoutMessage();
  // "＂" (A3 A2) around "超时返回" inside the text, and the text ends with "。".
  EXPECT_NE(message.find("\xA3\xA2\xB3\xAC\xCA\xB1\xB7\xB5\xBB\xD8\xA3\xA2"), Text::npos);
  EXPECT_EQ(message.substr(message.size() - 2), "\xA1\xA3");
}

TEST(FetchWithTimeout, CompletedFetchGivesBodyHeadersAndCookies) {
  LocalServer server([](const std::string&, int socket) {
    LocalServer::Write(socket,
                       LocalServer::Response("200 OK", "Set-Cookie: a=1; path=/\r\n", "page"));
  });
  Text headers, cookies;
  // Without a scheme the address is taken as "http://".
  std::string address = server.Url("/p?q=1").substr(7);
  EXPECT_EQ(FetchWithTimeout(address, 0, {}, {}, {}, "mine=2", 5, &headers, &cookies), "page");
  EXPECT_EQ(headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");
  EXPECT_EQ(cookies, "a=1;");
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string sent = server.Requests()[0];
  EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "GET /p?q=1 HTTP/1.1");
  EXPECT_EQ(HeaderValue(sent, "Cookie"), "mine=2");
  // A scheme in capitals is still a scheme.
  EXPECT_EQ(FetchWithTimeout("HTTP://" + address), "page");
}

TEST(FetchWithTimeout, MethodOneSendsThePostBody) {
  LocalServer server([](const std::string&, int socket) {
    LocalServer::Write(socket, LocalServer::Response("200 OK", "", "done"));
  });
  EXPECT_EQ(FetchWithTimeout(server.Url("/form"), 1, {}, {}, "a=1&b=2"), "done");
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string sent = server.Requests()[0];
  EXPECT_EQ(sent.substr(0, 10), "POST /form");
  EXPECT_EQ(sent.substr(sent.size() - 7), "a=1&b=2");
}

TEST(FetchWithTimeout, NothingToFetchGivesEmptyBody) {
  Text headers = "stale";
  EXPECT_EQ(FetchWithTimeout(" \t ", 0, {}, {}, {}, {}, 1, &headers), "");
  EXPECT_EQ(headers, "");
  // A port nobody listens on: refused at once, long before the time-out.
  int port;
  {
    LocalServer closed([](const std::string&, int) {});
    port = closed.Port();
  }
  auto start = Clock::now();
  EXPECT_EQ(FetchWithTimeout("http://127.0.0.1:" + std::to_string(port) + "/", 0, {}, {}, {}, {}, 5,
                             &headers),
            "");
  EXPECT_LT(SecondsSince(start), 2.0);
  EXPECT_EQ(headers, "");
}

}  // namespace
}  // namespace plexaro
