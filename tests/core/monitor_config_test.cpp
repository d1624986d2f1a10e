#include "core/monitor_config.h"

#include <gtest/gtest.h>

#include <thread>

namespace plexaro {
namespace {

TEST(KeywordsFromText, CollapsesDoubleBarsOnceAndKeepsInnerEmpties) {
  struct Case {
    Text stored;
    std::vector<Text> keywords;
  };
  const Case cases[] = {
      {"a||b", {"a", "b"}},
      {"a|||b", {"a", "", "b"}},
      {"a|", {"a"}},
      {"|a", {"", "a"}},
      {"", {}},
      // "\x81|" is one character whose trail byte is a bar: it must not split.
      {"\x81|x|y", {"\x81|x", "y"}},
  };
  for (const auto& c : cases) EXPECT_EQ(KeywordsFromText(c.stored), c.keywords) << c.stored;
}

TEST(KeywordsToText, DropsLeadingEmptiesAndCollapsesInnerOnes) {
  EXPECT_EQ(KeywordsToText({"a", "", "b"}), "a|b");
  EXPECT_EQ(KeywordsToText({"", "a"}), "a");
  EXPECT_EQ(KeywordsToText({"a", ""}), "a|");
  EXPECT_EQ(KeywordsToText({"a", "", "", "b"}), "a||b");
  EXPECT_EQ(KeywordsToText({}), "");
}

TEST(JoinLines, PutsNoSeparatorWhileTheTextIsEmpty) {
  EXPECT_EQ(JoinLines({"", "", "a", "", "b"}), "a\r\n\r\nb");
  EXPECT_EQ(JoinLines({"a"}), "a");
}

TEST(DataSourceName, NamesTheFourSourcesOnly) {
  EXPECT_EQ(DataSourceName(0), "\xB7\xBA\xCD\xF8\xD2\xB3");  // 泛网页
  EXPECT_EQ(DataSourceName(3), "\xCE\xA2\xD0\xC5");          // 微信
  EXPECT_EQ(DataSourceName(4), "");
  EXPECT_EQ(DataSourceName(-1), "");
}

TEST(MonitorConfigList, PositionsAreStableAndOutOfRangeIsHarmless) {
  MonitorConfigList list;
  MonitorConfig config;
  config.keywords = {"a", "b"};
  EXPECT_EQ(list.Append(config), 1u);
  EXPECT_EQ(list.Append(config), 2u);
  list.MarkDeleted(1);
  list.ClearKeyword(2, 1);
  EXPECT_TRUE(list.IsDeleted(1));
  EXPECT_EQ(list.Keyword(2, 1), "");
  EXPECT_EQ(list.Keyword(2, 2), "b");
  EXPECT_EQ(list.Keyword(2, 3), "");
  EXPECT_EQ(list.Keyword(9, 1), "");
  EXPECT_FALSE(list.Replace(3, config));
  EXPECT_FALSE(list.IsEnabled(0));
  EXPECT_EQ(list.Count(), 2u);
}

TEST(MonitorConfigList, WorkersMayPollWhileTheWindowEdits) {
  MonitorConfigList list;
  MonitorConfig config;
  config.keywords = {"watched"};
  list.Append(config);
  std::atomic<bool> done{false};
  std::thread worker([&] {
    while (!done) {
      Text keyword = list.Keyword(1, 1);
      ASSERT_TRUE(keyword.empty() || keyword == "watched" || keyword == "changed");
      (void)list.IsEnabled(1);
    }
  });
  for (int i = 0; i < 2000; ++i) {
    config.keywords = {i % 2 ? "watched" : "changed"};
    config.enabled = i % 3 == 0;
    list.Replace(1, config);
  }
  done = true;
  worker.join();
}

}  // namespace
}  // namespace plexaro
