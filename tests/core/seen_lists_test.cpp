#include "core/seen_lists.h"

#include <gtest/gtest.h>

#include "web/gbk.h"

namespace plexaro {
namespace {

HitRecord Hit(Text title, Text address, Text time = "12:00") {
  return HitRecord{std::move(title), std::move(address), std::move(time)};
}

TEST(SeenLists, FirstRefreshTakesAllAndSecondNothing) {
  SeenLists seen;
  std::vector<HitRecord> latest = {Hit("t1", "a1"), Hit("t2", "a2")};
  NewHits first = TakeNewHits(seen, latest);
  EXPECT_EQ(first.hits, latest);
  EXPECT_EQ(first.txtLines, "a1\r\na2\r\n");
  EXPECT_EQ(seen.StoredAddresses(), "a2\r\na1");
  EXPECT_EQ(seen.StoredTitles(), "t2\r\nt1");
  NewHits second = TakeNewHits(seen, latest);
  EXPECT_TRUE(second.hits.empty());
  EXPECT_EQ(second.txtLines, "");
  EXPECT_EQ(second.htmlLines, "");
}

TEST(SeenLists, AddressOrTitleAloneMakesARepeat) {
  SeenLists seen = SeenLists::FromStored("a1\r\na2", "t1\r\nt2");
  NewHits result = TakeNewHits(seen, {Hit("other", "a1"), Hit("t2", "elsewhere"), Hit("t3", "a3")});
  ASSERT_EQ(result.hits.size(), 1u);
  EXPECT_EQ(result.hits[0].address, "a3");
}

TEST(SeenLists, OldHitsStayKnownWhileNewOnesArePutInFront) {
  // Hits new in this refresh push the old entries down; the oldest must still count,
  // and a hit repeating one that is new in this same refresh is caught too.
  SeenLists seen = SeenLists::FromStored("o1\r\no2", "t1\r\nt2");
  NewHits result = TakeNewHits(seen, {Hit("n1", "new1"), Hit("x", "o2"), Hit("n1", "dup")});
  ASSERT_EQ(result.hits.size(), 1u);
  EXPECT_EQ(result.hits[0].address, "new1");
  EXPECT_EQ(seen.StoredAddresses(), "new1\r\no1\r\no2");
}

TEST(SeenLists, AHitTwiceOnOnePageIsReportedOnce) {
  SeenLists seen;
  NewHits result = TakeNewHits(seen, {Hit("same", "a"), Hit("same", "a")});
  EXPECT_EQ(result.hits.size(), 1u);
}

TEST(SeenLists, TitlesAreCutOrPaddedToTheAddresses) {
  SeenLists shortTitles = SeenLists::FromStored("a\r\nb\r\nc", "x");
  EXPECT_EQ(shortTitles.titles, (std::deque<Text>{"x", "", ""}));
  SeenLists longTitles = SeenLists::FromStored("a", "x\r\ny\r\nz");
  EXPECT_EQ(longTitles.titles, (std::deque<Text>{"x"}));
  SeenLists none = SeenLists::FromStored("", "x");
  EXPECT_TRUE(none.titles.empty());
}

TEST(SeenLists, KeepsAtMostOneThousandEntries) {
  SeenLists seen;
  std::vector<HitRecord> many;
  for (int i = 0; i < 1200; ++i)
    many.push_back(Hit("t" + std::to_string(i), "a" + std::to_string(i)));
  TakeNewHits(seen, many);
  ASSERT_EQ(seen.addresses.size(), 1000u);
  ASSERT_EQ(seen.titles.size(), 1000u);
  EXPECT_EQ(seen.addresses.front(), "a1199");
  EXPECT_EQ(seen.titles.back(), "t200");
}

TEST(SeenListKey, DependsOnSourceKeywordSiteAndTitleOptionOnly) {
  MonitorConfig config;
  Text base = SeenListKey(config, "k");
  MonitorConfig slower = config;
  slower.refreshSeconds = 99;
  slower.resultCount = 50;
  slower.completeMatch = true;
  EXPECT_EQ(SeenListKey(slower, "k"), base);
  MonitorConfig site = config;
  site.siteLimit = "example.com";
  EXPECT_NE(SeenListKey(site, "k"), base);
  MonitorConfig title = config;
  title.keywordInTitle = true;
  EXPECT_NE(SeenListKey(title, "k"), base);
  EXPECT_NE(SeenListKey(config, "j"), base);
  EXPECT_EQ(base, AddressChecksum("0#k##" + gbk("假")));
}

TEST(RefreshHtmlLine, FillsTheTemplateAndEscapesMarkup) {
  EXPECT_EQ(RefreshHtmlLine(Hit("T", "http://x/?a=1&amp;b=2", "[09:05]1-2")),
            "<a href=\"http://x/?a=1&amp;b=2\" target=\"_blank\">[09:05]1-2|T</a><br>\r\n");
  EXPECT_EQ(RefreshHtmlLine(Hit("<script>x</script> & co", "http://x/\"onclick=\"", "t")),
            "<a href=\"http://x/&quot;onclick=&quot;\" target=\"_blank\">t|&lt;script&gt;x&lt;"
            "/script&gt; &amp; co</a><br>\r\n");
}

}  // namespace
}  // namespace plexaro
