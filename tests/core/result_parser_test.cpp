#include "core/result_parser.h"

#include <gtest/gtest.h>

#include <regex>

#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

MonitorConfig Source(int dataSource, bool inTitle = false, bool complete = false) {
  MonitorConfig config;
  config.dataSource = dataSource;
  config.keywordInTitle = inTitle;
  config.completeMatch = complete;
  return config;
}

Text Block(const char* cls, const char* title, const char* cite = "example.com 2024-1-2") {
  return std::string("<div class=\"") + cls + "\"><h3><a href=\"http://x/" + title + "\">" + title +
         "</a></h3><cite>" + cite + "</cite></div>\n";
}

std::vector<HitRecord> ParseAll(ResultParser& parser, const Text& page, const MonitorConfig& config,
                                std::string_view keyword = "") {
  std::vector<HitRecord> hits;
  long count = parser.FindResultBlocks(page);
  for (long k = 1; k <= count; ++k) {
    if (auto hit = parser.ParseHit(k, config, keyword)) hits.push_back(*hit);
  }
  return hits;
}

TEST(ResultParser, ReadsARealResultPage) {
  ByteSet page;
  ASSERT_TRUE(ReadWholeFile(PLEXARO_FIXTURES "/sogou/web-2021-results.html", page));
  ResultParser parser;
  std::vector<HitRecord> hits = ParseAll(parser, Utf8ToGbk(page), Source(kGeneralWeb));
  EXPECT_EQ(parser.ElementCount(), 15);  // 11 "vrwrap" and 4 "rb" blocks
  ASSERT_EQ(hits.size(), 12u);           // three blocks have no title link
  EXPECT_EQ(hits[0].title, gbk("周杰伦为什么叫jay 其中含义竟如此的简单_尚之潮"));
  EXPECT_EQ(
      hits[0].address,
      "/link?url=DSOYnZeCC_rwwlqw5z9AL2ZJC94Zz5sJ9wuX43RI4h9YZBjuvLfgtBh4hO-n6v0hIeZ8aQ291kY.");
  EXPECT_TRUE(std::regex_match(hits[0].time, std::regex("\\[\\d\\d:\\d\\d\\]2018-3-4")))
      << hits[0].time;
  // An href is kept as the page wrote it, entities and all.
  EXPECT_NE(hits[3].address.find("#type=soso&amp;p="), Text::npos);
}

TEST(ResultParser, CollectsTheThreeBlockClassesInDocumentOrder) {
  Text page = "<div class=\"results\">" + Block("vrwrap", "a") + Block("rb", "b") +
              Block("vrwrap other", "skipped") + Block("wx-rb wx-rb3", "c") + Block("VRWRAP", "d") +
              "</div>" + Block("vrwrap", "outside");
  ResultParser parser;
  std::vector<HitRecord> hits = ParseAll(parser, page, Source(kNews));
  ASSERT_EQ(hits.size(), 4u);
  EXPECT_EQ(hits[0].title, "a");
  EXPECT_EQ(hits[1].title, "b");
  EXPECT_EQ(hits[2].title, "c");
  EXPECT_EQ(hits[3].title, "d");
  EXPECT_EQ(hits[0].time, "2024-1-2");  // news shows the date alone
}

TEST(ResultParser, PagesWithoutResultsGiveNoBlocks) {
  ResultParser parser;
  EXPECT_GT(parser.FindResultBlocks("<div class=\"results\">" + Block("rb", "a") + "</div>"), 0);
  EXPECT_EQ(parser.FindResultBlocks("<html>blocked</html>"), 0);
  EXPECT_EQ(parser.ElementCount(), 0);
  EXPECT_EQ(parser.FindResultBlocks(""), 0);
  EXPECT_EQ(parser.FindResultBlocks("<div class=\"results\"></div>"), 0);
}

TEST(ResultParser, CleansTitlesToOneLineOfPlainText) {
  Text page =
      "<div class=\"results\"><div class=\"rb\"><h3><a href=\"u\">\r\n  <em>Big</em> &amp;"
      " Small\r\n \t news &lt;1&gt;  \r\n</a></h3></div></div>";
  ResultParser parser;
  std::vector<HitRecord> hits = ParseAll(parser, page, Source(kNews));
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].title, "Big & Smallnews <1>");
  EXPECT_EQ(hits[0].time, "");
}

TEST(ResultParser, CompleteMatchDropsTitlesWithoutTheWholeKeyword) {
  Text page =
      "<div class=\"results\">" + Block("rb", "Foo Bar") + Block("rb", "Foo Baz") + "</div>";
  ResultParser parser;
  EXPECT_EQ(ParseAll(parser, page, Source(kNews, true, true), "foo bar").size(), 1u);
  EXPECT_EQ(ParseAll(parser, page, Source(kNews, true, false), "foo bar").size(), 2u);
  EXPECT_EQ(ParseAll(parser, page, Source(kNews, false, true), "foo bar").size(), 2u);
}

TEST(ResultParser, WebAndForumPrefixTheCurrentHourAndMinute) {
  Text page = "<div class=\"results\">" + Block("rb", "t", "www.example.com 2024-1-2") + "</div>";
  ResultParser parser;
  for (int source : {kGeneralWeb, kForum}) {
    std::vector<HitRecord> hits = ParseAll(parser, page, Source(source));
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_TRUE(std::regex_match(hits[0].time, std::regex("\\[\\d\\d:\\d\\d\\]2024-1-2")))
        << hits[0].time;
  }
}

TEST(ResultParser, WeChatTimesComeFromTheScriptTimestamp) {
  setenv("TZ", "CST-8", 1);
  tzset();
  auto page = [](const char* stamp) {
    return std::string(
               "<div class=\"results\"><div class=\"wx-rb wx-rb3\"><h4><a href=\"w\">W</a>"
               "</h4><div class=\"s-p\">acct<script>vrTimeHandle552write('") +
           stamp + "')</script></div></div></div>";
  };
  ResultParser parser;
  struct Case {
    const char* stamp;
    const char* time;
  };
  const Case cases[] = {{"1417016545", "23:42:25"}, {"1417016545000", "23:42:25"}, {"", ""}};
  for (const auto& c : cases) {
    std::vector<HitRecord> hits = ParseAll(parser, page(c.stamp), Source(kWeChat));
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].title, "W");
    EXPECT_EQ(hits[0].time, c.time) << c.stamp;
  }
  unsetenv("TZ");
  tzset();
}

TEST(ExtractSnuid, TakesTheValueUpToTheSemicolon) {
  EXPECT_EQ(ExtractSnuid("document.cookie=\"snuid=ABC123; path=/\""), "ABC123");
  EXPECT_EQ(ExtractSnuid("SNUID=XYZ"), "");
  EXPECT_EQ(ExtractSnuid(""), "");
}

}  // namespace
}  // namespace plexaro
