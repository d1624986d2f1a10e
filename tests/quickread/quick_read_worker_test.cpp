#include "quickread/quick_read_worker.h"

#include <gtest/gtest.h>

#include <map>

#include "support/temp_dir.h"
#include "web/files.h"
#include "web/gbk.h"
#include "web/timed_fetch.h"

namespace plexaro {
namespace {

using namespace std::chrono_literals;

// Pages by address; an address may redirect to another one. Counts every fetch.
class StubFetcher final : public QuickReadFetcher {
 public:
  Text FetchPage(Text& address) override {
    ++pageFetches;
    if (failuresLeft > 0) {
      --failuresLeft;
      return Text();
    }
    if (auto redirect = redirects.find(address); redirect != redirects.end()) {
      address = redirect->second;
    }
    auto page = pages.find(address);
    return page == pages.end() ? Text() : page->second;
  }
  Text Fetch(const Text& address) override {
    ++plainFetches;
    auto page = secondPages.find(address);
    return page == secondPages.end() ? Text() : page->second;
  }

  std::map<Text, Text> pages, secondPages, redirects;
  int failuresLeft = 0;
  int pageFetches = 0;
  int plainFetches = 0;
};

class QuickReadWorkerTest : public ::testing::Test {
 protected:
  std::optional<Text> Read(
      const Text& address, std::function<bool()> superseded = [] { return false; }) {
    QuickReadOptions options;
    options.retryPause = 1ms;
    return RunQuickReadWorker(address, dir_.path(), fetcher_, superseded, options);
  }
  ByteSet Cached(const Text& address) {
    ByteSet bytes;
    ReadWholeFile(QuickReadCachePath(dir_.path(), address), bytes);
    return bytes;
  }

  TempDir dir_;
  StubFetcher fetcher_;
};

const char kTwoDivs[] =
    "<div class=\"exp-content format-exp\">one</div><p>x</p>"
    "<div class=\"exp-content format-exp\">two</div>";

TEST_F(QuickReadWorkerTest, ServiceRulesFollowTheFinalHost) {
  fetcher_.pages["http://jingyan.baidu.com/a"] = kTwoDivs;
  fetcher_.pages["http://bbs.tianya.cn/t"] =
      "<div class=\"bbs-content clearfix\">first</div><div class=\"bbs-content\">second</div>"
      "<div class=\"bbs-content clearfix\">third</div>";
  fetcher_.pages["http://tieba.baidu.com/p/1"] =
      "<div class=\"d_post_content j_d_post_content \">post</div>";
  fetcher_.redirects["http://t.cn/short"] = "http://tieba.baidu.com/p/1";

  Text jingyan = *Read("http://jingyan.baidu.com/a");
  EXPECT_NE(jingyan.find("one"), Text::npos);
  EXPECT_EQ(jingyan.find("two"), Text::npos);
  Text tianya = *Read("http://bbs.tianya.cn/t");
  for (const char* part : {"first", "second", "third"}) EXPECT_NE(tianya.find(part), Text::npos);
  Text tieba = *Read("http://t.cn/short");
  EXPECT_NE(tieba.find("post"), Text::npos);
  EXPECT_EQ(Cached("http://t.cn/short"), tieba);  // cached under the address clicked
}

TEST_F(QuickReadWorkerTest, ForumSoftwareSignsChooseTheirMarkers) {
  EXPECT_EQ(ChooseSiteRule("forum.example.com", "<DIV ID=\"DISCUZ_TIPS\">").markers,
            "<td class=\"t_f\">");
  EXPECT_EQ(ChooseSiteRule("x.org",
                           "<a href=\"http://www.phpwind.net/\" target=\"_blank\" "
                           "class=\"s4\">phpwind</a>")
                .markers,
            "<div class=\"tpc_content\">");
  EXPECT_EQ(ChooseSiteRule("x.org", "http://init.phpwind.net/init.php?sitehash=1").mode,
            ExtractMode::MarkerAll);
  SiteRule plain = ChooseSiteRule("x.org", "<p>nothing special</p>");
  EXPECT_EQ(plain.mode, ExtractMode::BlockDensity);
  EXPECT_EQ(plain.markers, "");
  // The host must match exactly, not as a suffix.
  EXPECT_EQ(ChooseSiteRule("eviltieba.baidu.com", "").mode, ExtractMode::BlockDensity);
}

TEST_F(QuickReadWorkerTest, DensityFallsBackToGroupsThenToTheWholePage) {
  Text linksOnly = "<div><a href=\"/1\">link one</a><a href=\"/2\">link two</a></div>";
  fetcher_.pages["http://a.com/"] = linksOnly;
  fetcher_.secondPages["http://a.com/"] =
      "<div>" + std::string(400, 'w') + "</div><div><a href=\"/x\">x</a></div>";
  Text grouped = *Read("http://a.com/");
  EXPECT_EQ(fetcher_.plainFetches, 1);
  EXPECT_NE(grouped.find(std::string(400, 'w')), Text::npos);

  fetcher_.pages["http://b.com/"] = linksOnly;
  EXPECT_EQ(*Read("http://b.com/"), linksOnly);
  EXPECT_EQ(Cached("http://b.com/"), linksOnly);
}

TEST_F(QuickReadWorkerTest, RetriesTwiceThenGivesTheFailureTextUncached) {
  fetcher_.pages["http://jingyan.baidu.com/a"] = kTwoDivs;
  fetcher_.failuresLeft = 2;
  EXPECT_NE(Read("http://jingyan.baidu.com/a")->find("one"), Text::npos);
  EXPECT_EQ(fetcher_.pageFetches, 3);

  fetcher_.failuresLeft = 3;
  EXPECT_EQ(*Read("http://nowhere.example/"), QuickReadFailureText());
  EXPECT_EQ(Cached("http://nowhere.example/"), "");
}

TEST_F(QuickReadWorkerTest, TimeOutMessagesAreShownButNeverCached) {
  fetcher_.pages["https://slow.example/"] = FetchTimeoutMessage();
  EXPECT_EQ(*Read("https://slow.example/"), FetchTimeoutMessage());
  EXPECT_EQ(Cached("https://slow.example/"), "");
}

TEST_F(QuickReadWorkerTest, ASupersededRequestEndsSilently) {
  fetcher_.failuresLeft = 1;
  fetcher_.pages["http://jingyan.baidu.com/a"] = kTwoDivs;
  EXPECT_FALSE(Read("http://jingyan.baidu.com/a", [] { return true; }).has_value());
  EXPECT_EQ(fetcher_.pageFetches, 1);
  EXPECT_EQ(Cached("http://jingyan.baidu.com/a"), "");
}

TEST_F(QuickReadWorkerTest, CacheFilesAreNamedByTheAddressChecksum) {
  EXPECT_EQ(QuickReadCachePath("/c/", "123456789"), "/c/CBF43926.html");
}

}  // namespace
}  // namespace plexaro
