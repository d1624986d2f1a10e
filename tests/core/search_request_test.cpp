#include "core/search_request.h"

#include <gtest/gtest.h>

#include <regex>

#include "web/gbk.h"

namespace plexaro {
namespace {

TEST(BuildSearchAddress, ResultCountOutsideOneToHundredAsksForTwenty) {
  struct Case {
    int count;
    const char* num;
  };
  const Case cases[] = {
      {0, "&num=20"}, {101, "&num=20"}, {-5, "&num=20"}, {1, "&num=1"}, {100, "&num=100"}};
  for (const auto& c : cases) {
    Text address = BuildSearchAddress("k", "", false, 0, c.count);
    EXPECT_TRUE(address.ends_with(c.num)) << address;
  }
}

TEST(BuildSearchAddress, FormsEachDataSource) {
  SearchHosts hosts;
  hosts.web = "127.0.0.1:8080";
  EXPECT_EQ(BuildSearchAddress(gbk("中国"), "", true, 0, 10, hosts),
            "http://127.0.0.1:8080/web?query=intitle%3A%E4%B8%AD%E5%9B%BD&tsn=1&sourceid="
            "inttime_day&num=10");
  EXPECT_EQ(BuildSearchAddress("a b", "http://Bbs.Example.com/x/y", true, 1, 10),
            "http://news.sogou.com/news?query=a%20b%20site%3ABbs.Example.com&mode=2&manual=true"
            "&sort=1&num=10");
  EXPECT_EQ(BuildSearchAddress("a", "", false, 1, 10),
            "http://news.sogou.com/news?query=a&mode=1&manual=true&sort=1&num=10");
  EXPECT_EQ(BuildSearchAddress("a", "example.com/path", true, 2, 10),
            "http://www.sogou.com/web?query=intitle%3Aa&tsn=1&sourceid=inttime_day&interation="
            "196648&num=10");
  EXPECT_EQ(BuildSearchAddress("a", "example.com", false, 3, 10),
            "http://weixin.sogou.com/weixin?query=a&tsn=1&sourceid=inttime_day&type=2&num=10");
  EXPECT_EQ(BuildSearchAddress("a", "", false, 4, 10), "");
  EXPECT_EQ(BuildSearchAddress("a", "", false, -1, 10), "");
}

TEST(BuildSearchAddress, SiteLimitWithoutSchemeTakesTextBeforeFirstSlash) {
  Text address = BuildSearchAddress("k", "example.com/news/1.html", false, 0, 20);
  EXPECT_NE(address.find("query=k%20site%3Aexample.com&"), Text::npos) << address;
}

TEST(BuildSearchAddress, EncodesEverythingButLettersDigitsDotUnderscoreDash) {
  Text address = BuildSearchAddress("a&b=c d.e_f-g", "", false, 0, 20);
  EXPECT_NE(address.find("query=a%26b%3Dc%20d.e_f-g&"), Text::npos) << address;
}

TEST(PageAddress, AppendsThePageFromTwoOn) {
  EXPECT_EQ(PageAddress("http://h/web?q=1", 1), "http://h/web?q=1");
  EXPECT_EQ(PageAddress("http://h/web?q=1", 2), "http://h/web?q=1&page=2");
  EXPECT_EQ(PageAddress("http://h/web?q=1", 3), "http://h/web?q=1&page=3");
}

TEST(SearchCookieTemplate, HasTheFifteenPairsInTheirForms) {
  std::vector<Text> pairs = SplitText(SearchCookieTemplate(), "; ");
  const std::pair<const char*, const char*> expected[] = {
      {"IPLOC", "[A-Z]{2}[0-9]{4}"},
      {"SUID", "[0-9A-F]{32}"},
      {"SMYUV", "[0-9]{16}"},
      {"ssuid", "[0-9]{10}"},
      {"wuid", "[A-Za-z0-9+/]{27}="},
      {"SUV", "[0-9]{25}"},
      {"browser_width", "1585"},
      {"browser_height", "733"},
      {"sct", "94"},
      {"ld", "[A-Za-z0-9]{54}@{10}"},
      {"SNUID", "#SNUID#"},
      {"usid", "[A-Za-z0-9]{16}"},
      {"ABTEST", "0\\|1417016545\\|v17"},
      {"LSTMV", "633%2C74"},
      {"LCLKINT", "412538"},
  };
  ASSERT_EQ(pairs.size(), std::size(expected));
  for (size_t i = 0; i < pairs.size(); ++i) {
    std::string pattern = std::string(expected[i].first) + "=" + expected[i].second;
    EXPECT_TRUE(std::regex_match(pairs[i], std::regex(pattern))) << pairs[i];
  }
}

}  // namespace
}  // namespace plexaro
