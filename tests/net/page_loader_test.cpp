#include "quickread/page_loader.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

#include "local_server.h"
#include "test_pki.h"
#include "web/curl_transfer.h"
#include "web/gbk.h"
#include "web/timed_fetch.h"

namespace plexaro {
namespace {

using testing::LocalServer;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string PathOf(const std::string& request) {
  size_t from = request.find(' ') + 1;
  return request.substr(from, request.find(' ', from) - from);
}

// Answers each path with its page; an unknown path gets a 404 with an empty body.
class PageServer {
 public:
  using Pages = std::map<std::string, std::string>;
  explicit PageServer(Pages pages)
      : pages_(std::move(pages)), server_([this](const std::string& request, int socket) {
          auto page = pages_.find(PathOf(request));
          LocalServer::Write(socket, page == pages_.end()
                                         ? LocalServer::Response("404 Not Found", "", "")
                                         : LocalServer::Response("200 OK", "", page->second));
        }) {}

  Text Url(std::string_view path) const { return server_.Url(path); }
  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (const std::string& request : server_.Requests()) paths.push_back(PathOf(request));
    return paths;
  }

 private:
  const std::map<std::string, std::string> pages_;
  LocalServer server_;
};

using Paths = std::vector<std::string>;

TEST(FetchPage, TitledPageIsFinalEvenWithARefresh) {
  PageServer server(PageServer::Pages{
      {"/d/a", R"(<title>A</title><meta http-equiv="Refresh" content="0; URL=/b">)"
               R"(<a href="x">)"}});
  Text address = server.Url("/d/a");
  Text page = FetchPage(address);
  EXPECT_EQ(address, server.Url("/d/a"));
  EXPECT_EQ(page, R"(<title>A</title><meta http-equiv="Refresh" content="0; URL=/b">)"
                  R"(<a href=")" +
                      server.Url("/d/x") + R"(">)");
  EXPECT_EQ(server.Paths(), Paths{"/d/a"});
}

TEST(FetchPage, MetaRefreshOfAPageWithoutTitleIsFollowedAndLinksFixedForTheTarget) {
  PageServer server(PageServer::Pages{
      {"/d/a", R"(<meta HTTP-EQUIV=" refresh " content="3;URL=n/next.html">)"},
      {"/d/n/next.html", R"(<title>N</title><img src="i.png">)"},
  });
  Text address = server.Url("/d/a");
  Text page = FetchPage(address);
  EXPECT_EQ(address, server.Url("/d/n/next.html"));
  EXPECT_EQ(page, R"(<title>N</title><img src=")" + server.Url("/d/n/i.png") + R"(">)");
  EXPECT_EQ(server.Paths(), (Paths{"/d/a", "/d/n/next.html"}));
}

TEST(FetchPage, RefreshWithoutUrlGoesOnToTheScript) {
  PageServer server(PageServer::Pages{
      {"/a", R"(<meta http-equiv="Refresh" content="5">)"
             R"(<script language="JavaScript">window.location.href = '/b';</script>)"},
      {"/b", "<title>B</title>"},
  });
  Text address = server.Url("/a");
  EXPECT_EQ(FetchPage(address), "<title>B</title>");
  EXPECT_EQ(address, server.Url("/b"));
}

TEST(FetchPage, ScriptRedirectFormsAreRead) {
  struct Case {
    const char* script;
    const char* target;
  } cases[] = {
      {R"(self.location="/t1";)", "/t1"},
      {R"(top.location = '/t2';)", "/t2"},
      {R"(window.navigate("/t3");)", "/t3"},
      {R"(window.navigate( ' t4 ' );)", "/t4"},
  };
  for (const Case& c : cases) {
    PageServer server(PageServer::Pages{
        {"/a", std::string(R"(<script language="javascript">)") + c.script + "</script>"},
        {c.target, "<title>T</title>"}});
    Text address = server.Url("/a");
    EXPECT_EQ(FetchPage(address), "<title>T</title>") << c.script;
    EXPECT_EQ(address, server.Url(c.target)) << c.script;
  }
}

TEST(FetchPage, SecondRedirectChangesTheAddressButIsNotFetched) {
  PageServer server(PageServer::Pages{
      {"/a", R"(<script language="javascript">location.href="/b";</script>)"},
      {"/b", R"(<script language="javascript">location.href="/c";</script><a href="x">)"},
      {"/c", "<title>C</title>"},
  });
  Text address = server.Url("/a");
  Text page = FetchPage(address);
  EXPECT_EQ(address, server.Url("/c"));
  // Link fixing rewrites an "href=" in script text like any other.
  EXPECT_EQ(page, R"(<script language="javascript">location.href=")" + server.Url("/c") +
                      R"(";</script><a href=")" + server.Url("/x") + R"(">)");
  EXPECT_EQ(server.Paths(), (Paths{"/a", "/b"}));
}

TEST(FetchPage, HostileRedirectsEndWithADefinedResult) {
  struct Case {
    const char* page;
    const char* name;
    size_t fetches;
    bool addressKept;
  } cases[] = {
      {R"(<meta http-equiv="refresh" content="0;url=/a">)", "refresh to itself", 2, true},
      {R"x(<script language="javascript">location.href="javascript:go()";</script>)x",
       "javascript target", 1, true},
      {R"(<meta http-equiv="refresh" content="0;url=mailto:a@b.c">)", "mailto target", 1, true},
      {R"(<meta http-equiv="refresh" content="0;url=file:///etc/passwd">)", "file target", 1, true},
      {R"(<script language="javascript">location.href="";</script>)", "empty target", 1, true},
      {R"(<script language="javascript">location.href="/nowhere";</script>)", "missing page", 2,
       false},
  };
  for (const Case& c : cases) {
    PageServer server(PageServer::Pages{{"/a", c.page}});
    Text address = server.Url("/a");
    FetchPage(address, CharsetHint::kDetect, 5, {}, 0);
    EXPECT_EQ(server.Paths().size(), c.fetches) << c.name;
    EXPECT_EQ(address == server.Url("/a"), c.addressKept) << c.name << ": " << address;
  }
}

TEST(FetchPage, EmptyPageIsTriedTwiceWithAPauseAfterEach) {
  PageServer server(PageServer::Pages{{"/a", ""}});
  Text address = server.Url("/a");
  auto start = Clock::now();
  EXPECT_EQ(FetchPage(address, CharsetHint::kDetect, 5, {}, 200), "");
  EXPECT_GE(SecondsSince(start), 0.4);
  EXPECT_EQ(address, server.Url("/a"));
  EXPECT_EQ(server.Paths(), (Paths{"/a", "/a"}));
}

TEST(FetchPage, PlainPagesAreDecodedToGbkWithTheHint) {
  const std::string utf8 = "<title>中文</title>";
  PageServer server(PageServer::Pages{{"/u", utf8}});
  Text address = server.Url("/u");
  EXPECT_EQ(FetchPage(address), gbk("<title>中文</title>"));
  EXPECT_EQ(FetchPage(address, CharsetHint::kSystemCodePage), utf8);
}

// Reads what arrives and never answers, until the client hangs up.
void HoldUntilClosed(const LocalServer& server, int socket) {
  char buffer[512];
  while (!server.Stopping()) {
    pollfd pfd{socket, POLLIN, 0};
    if (poll(&pfd, 1, 20) > 0 && recv(socket, buffer, sizeof buffer, 0) <= 0) return;
  }
}

TEST(FetchPage, SecurePageThatNeverAnswersGivesTheTimeoutMessage) {
  std::unique_ptr<LocalServer> server;
  server = std::make_unique<LocalServer>(
      [&](const std::string&, int socket) { HoldUntilClosed(*server, socket); });
  Text address = "https://127.0.0.1:" + std::to_string(server->Port()) + "/p";
  auto start = Clock::now();
  EXPECT_EQ(FetchPage(address, CharsetHint::kDetect, 1, {}, 0), FetchTimeoutMessage());
  EXPECT_LT(SecondsSince(start), 3.0);
  EXPECT_EQ(address, "https://127.0.0.1:" + std::to_string(server->Port()) + "/p");
}

// Pages over HTTPS go through the timed fetch and are decoded there.
class SecureFetchPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pki_.Valid());
    server_ = std::make_unique<httplib::SSLServer>(pki_.CertFile().c_str(), pki_.KeyFile().c_str());
    ASSERT_TRUE(server_->is_valid());
    server_->Get("/d/a", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(R"(<meta http-equiv="Refresh" content="0; URL=b.html">)", "text/html");
    });
    server_->Get("/d/b.html", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("<title>安全</title><a href=\"/x\">", "text/html");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    SetTrustedCaFileForTesting(pki_.CaFile());
  }
  void TearDown() override {
    SetTrustedCaFileForTesting("");
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
  }
  Text Url(std::string_view path) const {
    return "https://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }

  testing::TestPki pki_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
};

TEST_F(SecureFetchPage, FollowsTheRefreshAndDecodes) {
  Text address = Url("/d/a");
  EXPECT_EQ(FetchPage(address), gbk("<title>安全</title><a href=\"") + Url("/x") + "\">");
  EXPECT_EQ(address, Url("/d/b.html"));
}

}  // namespace
}  // namespace plexaro
