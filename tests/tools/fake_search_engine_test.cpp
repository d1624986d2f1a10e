#include "tools/fake_search_engine.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include "web/gbk.h"

namespace plexaro {
namespace {

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(FakeSearchEngine, AddsNewHitsOnEveryPollAndRecordsRequests) {
  FakeSearchEngine::Options options;
  options.newHitsPerPoll = 3;
  options.hitsPerPage = 4;
  FakeSearchEngine engine(options);
  int port = engine.Start();
  ASSERT_GT(port, 0);
  httplib::Client client("127.0.0.1", port);
  httplib::Headers cookie = {{"Cookie", "a=1"}};

  auto first = client.Get("/web?query=abc&num=10", cookie);
  ASSERT_TRUE(first);
  EXPECT_EQ(Count(first->body, "<h3"), 3);
  EXPECT_NE(first->body.find("No.3<"), std::string::npos);
  auto second = client.Get("/web?query=abc&num=10");
  ASSERT_TRUE(second);
  EXPECT_EQ(Count(second->body, "<h3"), 4);  // the newest four of six
  EXPECT_NE(second->body.find("No.6<"), std::string::npos);
  EXPECT_EQ(second->body.find("No.2<"), std::string::npos);
  auto wechat = client.Get("/weixin?query=abc&type=2");
  ASSERT_TRUE(wechat);
  EXPECT_EQ(Count(wechat->body, "wx-rb wx-rb3"), 3);
  EXPECT_NE(wechat->body.find("vrTimeHandle552write('"), std::string::npos);

  std::vector<FakeSearchEngine::Request> requests = engine.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].path, "/web");
  EXPECT_EQ(requests[0].query, "query=abc&num=10");
  EXPECT_EQ(requests[0].cookie, "a=1");
  EXPECT_EQ(requests[1].cookie, "");
}

TEST(FakeSearchEngine, BlockedRequestsHandOutSnuid) {
  FakeSearchEngine engine;
  int port = engine.Start();
  ASSERT_GT(port, 0);
  engine.BlockNext(1, "XYZ");
  httplib::Client client("127.0.0.1", port);
  auto blocked = client.Get("/news?query=q");
  ASSERT_TRUE(blocked);
  EXPECT_EQ(blocked->get_header_value("Set-Cookie"), "SNUID=XYZ; path=/");
  EXPECT_NE(blocked->body.find("SNUID=XYZ;"), std::string::npos);
  EXPECT_EQ(blocked->body.find("class=\"results\""), std::string::npos);
  auto next = client.Get("/news?query=q");
  ASSERT_TRUE(next);
  EXPECT_NE(next->body.find("class=\"results\""), std::string::npos);
}

TEST(FakeSearchEngine, ServesGbkPagesWhenAsked) {
  FakeSearchEngine::Options options;
  options.gbkPages = true;
  FakeSearchEngine engine(options);
  int port = engine.Start();
  ASSERT_GT(port, 0);
  httplib::Client client("127.0.0.1", port);
  auto page = client.Get("/web?query=%E4%B8%AD%E5%9B%BD");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find(gbk("中国")), std::string::npos);
  EXPECT_NE(page->body.find("charset=gb2312"), std::string::npos);
}

}  // namespace
}  // namespace plexaro
