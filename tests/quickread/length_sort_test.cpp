#include "quickread/length_sort.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "quickread/body_extractor.h"
#include "reference_extractor.h"

namespace plexaro {
namespace {

// Items are (key, arrival number); the result is read as arrival numbers.
using Item = std::pair<size_t, int>;

std::vector<Item> Arriving(const std::vector<size_t>& keys) {
  std::vector<Item> items;
  for (size_t i = 0; i < keys.size(); ++i) items.push_back({keys[i], int(i + 1)});
  return items;
}

std::vector<int> Arrivals(const std::vector<Item>& items) {
  std::vector<int> order;
  for (const Item& item : items) order.push_back(item.second);
  return order;
}

std::vector<int> Sorted(const std::vector<size_t>& keys, bool descending) {
  std::vector<Item> items = Arriving(keys);
  SortByKeyProbing(items, descending, [](const Item& item) { return item.first; });
  return Arrivals(items);
}

TEST(SortByTextLength, TiesFollowTheProbe) {
  struct Case {
    std::vector<size_t> keys;
    bool descending;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {{5, 5}, true, {1, 2}},
      {{5, 3, 5}, true, {1, 3, 2}},
      // The probe for the second 5 lands on 3, and the walk to the front passes the first 5.
      {{3, 2, 1, 5, 5}, true, {5, 4, 1, 2, 3}},
      {{}, true, {}},
      {{7}, false, {1}},
      {{1, 2, 3}, false, {1, 2, 3}},
      {{3, 2, 1}, false, {3, 2, 1}},
      // Ascending: the probe (position 1, key 2) is not smaller, so the 2 goes in front.
      {{2, 2}, false, {2, 1}},
      {{1, 2, 2}, false, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sorted(c.keys, c.descending), c.expected)
        << "keys " << ::testing::PrintToString(c.keys) << (c.descending ? " desc" : " asc");
  }
}

TEST(SortByTextLength, MatchesTheLiteralInsertionSortOnRandomKeys) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    const size_t n = random() % 60;
    const size_t spread = 1 + random() % 6;  // few distinct keys: many ties
    std::vector<size_t> keys(n);
    for (size_t& key : keys) key = random() % spread;
    for (bool descending : {true, false}) {
      std::vector<Item> expected = Arriving(keys);
      reference::ProbingSort(expected, descending, [](const Item& item) { return item.first; });
      ASSERT_EQ(Sorted(keys, descending), Arrivals(expected))
          << "keys " << ::testing::PrintToString(keys) << (descending ? " desc" : " asc");
    }
  }
}

TEST(SortByTextLength, RecordsAreKeyedByTheirTextLength) {
  std::vector<TextBlock> blocks = {{"<a>", "xx"}, {"<b>", "xxxx"}, {"<c>", "xx"}};
  BodyExtractor::SortByTextLength(blocks, true);
  EXPECT_EQ(blocks[0].html, "<b>");
  EXPECT_EQ(blocks[1].html, "<a>");
  EXPECT_EQ(blocks[2].html, "<c>");

  std::vector<TextGroup> groups = {{{"<x>"}, "xxx"}, {{"<y>"}, "x"}};
  BodyExtractor::SortByTextLength(groups, false);
  EXPECT_EQ(groups[0].text, "x");

  std::vector<Text> texts = {"bb", "a", "ccc"};
  BodyExtractor::SortByTextLength(texts, true);
  EXPECT_EQ(texts, (std::vector<Text>{"ccc", "bb", "a"}));
}

TEST(SortByTextLength, LargeListsWithOneKeyStayFast) {
  // The literal sort walks the whole run of equal keys for every item; this one must not.
  std::vector<Item> items;
  for (int i = 0; i < 200000; ++i) items.push_back({size_t(i % 3), i});
  SortByKeyProbing(items, true, [](const Item& item) { return item.first; });
  ASSERT_EQ(items.size(), 200000u);
  for (size_t i = 1; i < items.size(); ++i) ASSERT_GE(items[i - 1].first, items[i].first);
}

}  // namespace
}  // namespace plexaro
