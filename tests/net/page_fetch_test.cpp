#include "web/page_fetch.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "local_server.h"
#include "test_pki.h"
#include "web/curl_transfer.h"
#include "web/web_request.h"

namespace plexaro {
namespace {

using testing::HeaderCount;
using testing::HeaderNames;
using testing::HeaderValue;
using testing::LocalServer;

std::function<void(const std::string&, int)> Always(std::string response) {
  return [response](const std::string&, int socket) { LocalServer::Write(socket, response); };
}

FetchRecord Get(const Text& address, Text headers = "", Text cookie = "") {
  FetchRecord record;
  record.address = address;
  record.method = "GET";
  record.headers = std::move(headers);
  record.cookie = std::move(cookie);
  return record;
}

long IndexOf(const std::vector<std::string>& names, std::string_view name) {
  auto found = std::find(names.begin(), names.end(), name);
  return found == names.end() ? -1 : long(found - names.begin());
}

// Page fetches share one cookie store; each test starts with it empty.
class PageFetch : public ::testing::Test {
 protected:
  void SetUp() override { ClearPageFetchCookies(); }
};

TEST_F(PageFetch, CompletesHeadersInOrder) {
  LocalServer server(Always(LocalServer::Response("200 OK", "", "body")));
  FetchRecord record = Get(server.Url("/p?q=1"));
  ASSERT_TRUE(WinInetFetch(record));
  EXPECT_EQ(record.responseBody, "body");
  const std::string sent = server.Requests().at(0);
  EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "GET /p?q=1 HTTP/1.1");
  EXPECT_EQ(HeaderValue(sent, "User-Agent"), kDefaultAgent);
  EXPECT_EQ(HeaderValue(sent, "Accept").substr(0, 21), "image/gif, image/bmp,");
  EXPECT_EQ(HeaderValue(sent, "Referer"), server.Url("/p?q=1"));
  EXPECT_EQ(HeaderValue(sent, "Accept-Language"), "zh-cn");
  EXPECT_EQ(HeaderCount(sent, "Cookie"), 0);
  EXPECT_EQ(HeaderCount(sent, "Content-Type"), 0);
  auto names = HeaderNames(sent);
  EXPECT_LT(IndexOf(names, "Accept"), IndexOf(names, "Referer"));
  EXPECT_LT(IndexOf(names, "Referer"), IndexOf(names, "Accept-Language"));
}

TEST_F(PageFetch, HeaderRulesTable) {
  struct Case {
    const char* name;
    Text headers;
    Text cookie;
    std::string absent;  // header that must not be sent
    std::string header;  // header whose value is checked
    std::string value;
  };
  const Case cases[] = {
      {"language line also counts as accept", "Accept-Language: en\r\n", "", "Accept",
       "Accept-Language", "en"},
      {"marker asks for no referrer", "RefererNo\r\n", "", "Referer", "Accept-Language", "zh-cn"},
      {"own referrer kept", "Referer: http://mine/\r\n", "", "", "Referer", "http://mine/"},
      {"agent from the headers", "User-Agent: Bot/1\r\n", "", "", "User-Agent", "Bot/1"},
      {"cookie line", "", "c=1; d=2", "", "Cookie", "c=1; d=2"},
  };
  LocalServer server(Always(LocalServer::Response("200 OK", "", "")));
  for (const Case& c : cases) {
    FetchRecord record = Get(server.Url(), c.headers, c.cookie);
    ASSERT_TRUE(WinInetFetch(record)) << c.name;
    const std::string sent = server.Requests().back();
    if (!c.absent.empty()) {
      EXPECT_EQ(HeaderCount(sent, c.absent), 0) << c.name;
    }
    EXPECT_EQ(HeaderCount(sent, c.header), 1) << c.name;
    EXPECT_EQ(HeaderValue(sent, c.header), c.value) << c.name;
  }
}

TEST_F(PageFetch, PostGetsFormTypeAndLength) {
  LocalServer server(Always(LocalServer::Response("200 OK", "", "")));
  FetchRecord record = Get(server.Url("/post"));
  record.method = "POST";
  record.body = std::string("a=1\0b", 5);
  ASSERT_TRUE(WinInetFetch(record));
  const std::string sent = server.Requests().at(0);
  EXPECT_EQ(sent.substr(0, 11), "POST /post ");
  EXPECT_EQ(HeaderValue(sent, "Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(HeaderValue(sent, "Content-Length"), "5");
  EXPECT_EQ(HeaderCount(sent, "Content-Length"), 1);
  EXPECT_EQ(sent.substr(sent.find("\r\n\r\n") + 4), record.body);
}

TEST_F(PageFetch, CollectsCookiesAndRawHeaders) {
  LocalServer server(Always(LocalServer::Response(
      "200 OK", "Set-Cookie: first=1; path=/; HttpOnly\r\nSet-Cookie: second=2\r\n", "x")));
  FetchRecord record = Get(server.Url());
  ASSERT_TRUE(WinInetFetch(record));
  EXPECT_EQ(record.collectedCookies, "first=1;second=2;");
  EXPECT_EQ(record.rawHeaders.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  EXPECT_NE(record.rawHeaders.find("\r\nSet-Cookie: second=2\r\n"), std::string::npos);
  EXPECT_EQ(record.rawHeaders.substr(record.rawHeaders.size() - 4), "\r\n\r\n");
}

TEST_F(PageFetch, StoreKeepsCookiesUnlessTheRequestBringsItsOwn) {
  LocalServer server([](const std::string& request, int socket) {
    std::string cookie = request.rfind("GET /a ", 0) == 0   ? "Set-Cookie: a=1; path=/\r\n"
                         : request.rfind("GET /b ", 0) == 0 ? "Set-Cookie: b=2\r\n"
                                                            : "";
    LocalServer::Write(socket, LocalServer::Response("200 OK", cookie, ""));
  });
  FetchRecord first = Get(server.Url("/a"));
  FetchRecord second = Get(server.Url("/x"));
  FetchRecord own = Get(server.Url("/b"), "", "mine=1");
  FetchRecord fourth = Get(server.Url("/x"));
  for (FetchRecord* record : {&first, &second, &own, &fourth}) ASSERT_TRUE(WinInetFetch(*record));
  ClearPageFetchCookies();
  FetchRecord afterClear = Get(server.Url("/x"));
  ASSERT_TRUE(WinInetFetch(afterClear));

  auto sent = server.Requests();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(HeaderCount(sent[0], "Cookie"), 0);
  EXPECT_EQ(HeaderValue(sent[1], "Cookie"), "a=1");
  EXPECT_EQ(HeaderCount(sent[2], "Cookie"), 1);
  EXPECT_EQ(HeaderValue(sent[2], "Cookie"), "mine=1");
  EXPECT_EQ(own.collectedCookies, "b=2;");
  EXPECT_NE(HeaderValue(sent[3], "Cookie").find("a=1"), std::string::npos);
  EXPECT_NE(HeaderValue(sent[3], "Cookie").find("b=2"), std::string::npos);
  EXPECT_EQ(HeaderCount(sent[4], "Cookie"), 0);
}

TEST_F(PageFetch, RedirectsFollowedUnlessForbidden) {
  LocalServer server([](const std::string& request, int socket) {
    bool final = request.rfind("GET /final ", 0) == 0;
    LocalServer::Write(socket,
                       final ? LocalServer::Response("200 OK", "", "final")
                             : LocalServer::Response("302 Found", "Location: /final\r\n", "moved"));
  });
  FetchRecord followed = Get(server.Url("/start"));
  ASSERT_TRUE(WinInetFetch(followed));
  EXPECT_EQ(followed.responseBody, "final");
  EXPECT_EQ(followed.rawHeaders.substr(0, 15), "HTTP/1.1 200 OK");

  FetchRecord forbidden = Get(server.Url("/start"));
  forbidden.forbidRedirects = true;
  ASSERT_TRUE(WinInetFetch(forbidden));
  EXPECT_EQ(forbidden.responseBody, "moved");
  EXPECT_EQ(forbidden.rawHeaders.substr(0, 18), "HTTP/1.1 302 Found");
}

TEST_F(PageFetch, HostileCookieAndHeadersMakeNoExtraLines) {
  LocalServer server(Always(LocalServer::Response("200 OK", "", "")));
  FetchRecord record = Get(server.Url(), "X-Ok: 1\nX-Evil: 1\r\nX-Two: 2\r\n",
                           "SNUID=5\r\nX-Evil: 2\r\n\r\nGET /second HTTP/1.1");
  ASSERT_TRUE(WinInetFetch(record));
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string sent = server.Requests()[0];
  EXPECT_EQ(HeaderCount(sent, "X-Evil"), 0);
  EXPECT_EQ(HeaderValue(sent, "X-Ok"), "1");
  EXPECT_EQ(HeaderValue(sent, "X-Two"), "2");
  EXPECT_EQ(HeaderValue(sent, "Cookie"), "SNUID=5");

  FetchRecord badAddress = Get(server.Url("/a\r\nX-Evil: 3"));
  EXPECT_FALSE(WinInetFetch(badAddress));
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(PageFetch, FailuresLeaveEmptyResults) {
  int port;
  {
    LocalServer gone([](const std::string&, int) {});
    port = gone.Port();
  }
  FetchRecord refused = Get("http://127.0.0.1:" + std::to_string(port) + "/");
  refused.responseBody = "stale";
  EXPECT_FALSE(WinInetFetch(refused));
  EXPECT_EQ(refused.responseBody, "");
  EXPECT_EQ(refused.rawHeaders, "");

  LocalServer cut(Always("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nonly this"));
  FetchRecord partial = Get(cut.Url());
  EXPECT_TRUE(WinInetFetch(partial));
  EXPECT_EQ(partial.responseBody, "only this");
}

TEST_F(PageFetch, AbortFlagStopsAStalledRequest) {
  std::unique_ptr<LocalServer> stalled;
  stalled = std::make_unique<LocalServer>([&stalled](const std::string&, int) {
    while (!stalled->Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  });
  std::atomic<bool> abort{false};
  std::thread aborter([&abort] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    abort.store(true);
  });
  auto start = std::chrono::steady_clock::now();
  FetchRecord record = Get(stalled->Url());
  EXPECT_FALSE(WinInetFetch(record, &abort));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  aborter.join();
}

TEST_F(PageFetch, ProxyCarriesPlainHttpOnly) {
  LocalServer proxy(Always(LocalServer::Response("200 OK", "", "proxied")));
  FetchRecord record = Get("http://plexaro.invalid/page");
  record.proxy = "127.0.0.1:" + std::to_string(proxy.Port());
  ASSERT_TRUE(WinInetFetch(record));
  EXPECT_EQ(record.responseBody, "proxied");
  EXPECT_EQ(proxy.Requests().at(0).substr(0, 31), "GET http://plexaro.invalid/page");

  FetchRecord secure = Get("https://plexaro.invalid/page");
  secure.proxy = record.proxy;
  EXPECT_FALSE(WinInetFetch(secure));
  EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST(UrlParts, Table) {
  struct Case {
    const char* address;
    const char* host;
    const char* hostWithPort;
    int port;
    const char* path;
  };
  const Case cases[] = {
      {"https://Example.COM:8443/a/B?x=Y", "example.com", "example.com:8443", 8443, "/a/B?x=Y"},
      {"https://example.com/p", "example.com", "example.com", 443, "/p"},
      {"HTTP://Example.com", "example.com", "example.com", 80, "/"},
      {"example.com/dir/page.html", "example.com", "example.com", 80, "/dir/page.html"},
      {"http://h:81", "h", "h:81", 81, "/"},  // "h" must not be found in "http"
      {"http://tp/x", "tp", "tp", 80, "/x"},
      {"http://h:99999999999/", "h", "h:99999999999", 0, "/"},
      {"", "", "", 80, "/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UrlHost(c.address), c.host) << c.address;
    EXPECT_EQ(UrlHost(c.address, true), c.hostWithPort) << c.address;
    EXPECT_EQ(UrlPort(c.address), c.port) << c.address;
    EXPECT_EQ(UrlPath(c.address), c.path) << c.address;
  }
}

// An HTTPS server with a certificate made for this test run.
class TlsFetch : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearPageFetchCookies();
    ASSERT_TRUE(pki_.Valid());
    server_ = std::make_unique<httplib::SSLServer>(pki_.CertFile().c_str(), pki_.KeyFile().c_str());
    ASSERT_TRUE(server_->is_valid());
    server_->Get("/secure", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard lock(mutex_);
      seen_.push_back(request.path + "?" + request.get_param_value("q") + " " +
                      request.get_header_value("Cookie"));
      response.set_header("Set-Cookie", "tls=1; Secure");
      response.set_content("secret page", "text/html");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  void TearDown() override {
    SetTrustedCaFileForTesting("");
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
  }
  Text Url(std::string_view path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }
  std::vector<std::string> Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }

  testing::TestPki pki_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex mutex_;
  std::vector<std::string> seen_;
};

TEST_F(TlsFetch, TrustedCertificateGivesThePage) {
  SetTrustedCaFileForTesting(pki_.CaFile());
  FetchRecord record = Get(Url("/secure?q=1"), "", "k=v");
  ASSERT_TRUE(WinInetFetch(record));
  EXPECT_EQ(record.responseBody, "secret page");
  EXPECT_EQ(record.collectedCookies, "tls=1;");

  WebRequest request;
  EXPECT_EQ(request.Fetch(Url("/secure?q=2")), "secret page");
  EXPECT_EQ(Seen(), (std::vector<std::string>{"/secure?1 k=v", "/secure?2 "}));
}

TEST_F(TlsFetch, UnknownAuthorityIsRefused) {
  FetchRecord record = Get(Url("/secure?q=1"));
  EXPECT_FALSE(WinInetFetch(record));
  EXPECT_EQ(record.responseBody, "");
  WebRequest request;
  EXPECT_EQ(request.Fetch(Url("/secure?q=2")), "");
  EXPECT_EQ(request.Status(), 0);
  EXPECT_TRUE(Seen().empty());
}

}  // namespace
}  // namespace plexaro
