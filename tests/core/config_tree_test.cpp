#include "core/config_tree.h"

#include <gtest/gtest.h>

#include "support/monitor_configs.h"

namespace plexaro {
namespace {

TEST(ConfigTree, AppendsConfigurationsWithTheirKeywordChildren) {
  TreeModel tree;
  MonitorConfigList configs;
  ResetConfigTree(tree);
  int first = PutConfigInTree(tree, configs, Config(0, {"a", "", "b"}), 0, false, true);
  int second = PutConfigInTree(tree, configs, Config(3, {"c"}, false), 0, false, false);

  ASSERT_EQ(tree.Count(), 6);
  EXPECT_EQ(tree.Item(0).image, kRootImage);
  EXPECT_EQ(tree.Item(0).checkState, kCheckedDimmed);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(tree.Item(1).text, "[\xB7\xBA\xCD\xF8\xD2\xB3]");
  EXPECT_EQ(tree.Item(1).value, 1);
  EXPECT_EQ(tree.Item(1).checkState, kChecked);
  // The empty keyword keeps its index: b is keyword 3.
  EXPECT_EQ(tree.Item(2).text, "a");
  EXPECT_EQ(tree.Item(2).value, 1);
  EXPECT_EQ(tree.Item(3).text, "b");
  EXPECT_EQ(tree.Item(3).value, 3);
  EXPECT_EQ(tree.Item(3).image, kKeywordImage);
  EXPECT_EQ(tree.Item(3).checkState, kCheckedDimmed);
  EXPECT_EQ(second, 4);
  EXPECT_EQ(tree.Item(4).value, 2);
  EXPECT_EQ(tree.Item(4).checkState, kUnchecked);
  EXPECT_EQ(tree.Parent(5), 4);
  EXPECT_EQ(tree.Selected(), 4);
  EXPECT_EQ(configs.Count(), 2u);
}

TEST(ConfigTree, ReplaceRebuildsKeywordsAndKeepsLaterItems) {
  TreeModel tree;
  MonitorConfigList configs;
  ResetConfigTree(tree);
  PutConfigInTree(tree, configs, Config(0, {"a", "b"}), 0, false, true);
  PutConfigInTree(tree, configs, Config(1, {"z"}), 0, false, true);
  tree.Select(5);  // keyword z of the second configuration

  int node = PutConfigInTree(tree, configs, Config(2, {"x"}, false), 1, true, true);
  EXPECT_EQ(node, 1);
  ASSERT_EQ(tree.Count(), 5);
  EXPECT_EQ(tree.Item(1).text, "[\xC2\xDB\xCC\xB3]");  // [论坛]
  EXPECT_EQ(tree.Item(1).checkState, kUnchecked);
  EXPECT_EQ(tree.Item(2).text, "x");
  EXPECT_EQ(tree.Item(3).value, 2);
  EXPECT_EQ(tree.Item(4).text, "z");
  EXPECT_EQ(tree.Selected(), 4);  // the selection followed its item
  EXPECT_EQ(configs.Get(1).dataSource, 2);
  EXPECT_EQ(configs.Count(), 2u);
}

TEST(ConfigTree, RemoveKeywordChildrenCountsAndMutesEvents) {
  TreeModel tree;
  MonitorConfigList configs;
  ResetConfigTree(tree);
  PutConfigInTree(tree, configs, Config(0, {"a", "b", "c"}), 0, false, true);
  EXPECT_EQ(RemoveKeywordChildren(tree, 1), 3);
  EXPECT_FALSE(tree.treeEventsMuted);
  EXPECT_EQ(tree.Count(), 2);
  EXPECT_EQ(RemoveKeywordChildren(tree, 1), 0);
}

}  // namespace
}  // namespace plexaro
