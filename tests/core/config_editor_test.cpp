#include "core/config_editor.h"

#include <gtest/gtest.h>

#include <deque>

#include "support/monitor_configs.h"
#include "support/scripted_questioner.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// A tree with two configurations: [新闻源] 美国|中国 (ticked) and [微信] x (unticked).
class ConfigEditorTest : public ::testing::Test {
 protected:
  ConfigEditorTest()
      : editor_(tree_, configs_, questioner_,
                {[this] { return monitoring_; }, [this](size_t i) { started_.push_back(i); },
                 nullptr}) {
    ResetConfigTree(tree_);
    PutConfigInTree(tree_, configs_, Config(kNews, {gbk("美国"), gbk("中国")}), 0, false, true);
    PutConfigInTree(tree_, configs_, Config(kWeChat, {"x"}, false), 0, false, true);
  }
  // Tree order: 0 root, 1 [新闻源], 2 美国, 3 中国, 4 [微信], 5 x.
  void Select(int item) {
    tree_.Select(item);
    editor_.OnSelectionChanged();
  }

  TreeModel tree_;
  MonitorConfigList configs_;
  ScriptedQuestioner questioner_;
  bool monitoring_ = false;
  std::vector<size_t> started_;
  ConfigEditor editor_;
};

TEST(ReadEditor, NumberFieldsOutOfRangeBecomeTwenty) {
  struct Case {
    const char* text;
    int resultCount;
    int refreshSeconds;
  } cases[] = {{"0", 20, 20},     {"101", 20, 101},
               {"abc", 20, 20},   {"-5", 20, 20},
               {"100", 100, 100}, {"1", 1, 1},
               {"12abc", 12, 12}, {" 7", 7, 7},
               {"", 20, 20},      {"99999999999999", 20, 2147483647}};
  for (const Case& c : cases) {
    EditorFields fields = InitialEditorFields();
    fields.resultCount = fields.refreshSeconds = c.text;
    MonitorConfig config = ReadEditor(fields);
    EXPECT_EQ(config.resultCount, c.resultCount) << c.text;
    EXPECT_EQ(config.refreshSeconds, c.refreshSeconds) << c.text;
  }
}

TEST(ReadEditor, TakesFieldsAsTheyStandEvenWhenDisabled) {
  EditorFields fields = InitialEditorFields();
  fields.source = kForum;
  fields.siteLimit = "bbs.example.com";
  fields.keywordInTitle = false;
  fields.completeMatch = true;
  ApplySourceRule(fields);
  ApplyTitleRule(fields);
  EXPECT_FALSE(fields.siteEnabled);
  EXPECT_FALSE(fields.completeMatchEnabled);

  MonitorConfig config = ReadEditor(fields, false, true);
  EXPECT_EQ(config.dataSource, kForum);
  EXPECT_EQ(config.siteLimit, "bbs.example.com");
  EXPECT_TRUE(config.completeMatch);
  EXPECT_FALSE(config.enabled);
  EXPECT_TRUE(ReadEditor(fields, false, false).enabled);  // a new configuration is enabled

  fields.source = -1;  // no radio button selected
  EXPECT_EQ(ReadEditor(fields).dataSource, kGeneralWeb);
}

TEST(ReadEditor, KeywordsSplitWithoutFoldingAndShowFolded) {
  struct Case {
    const char* typed;
    std::vector<Text> keywords;
    const char* shownAgain;
  } cases[] = {
      {"a||b", {"a", "", "b"}, "a|b"}, {"|a", {"", "a"}, "a"}, {"a|", {"a"}, "a"}, {"", {}, ""}};
  for (const Case& c : cases) {
    EditorFields fields = InitialEditorFields();
    fields.keywords = c.typed;
    MonitorConfig config = ReadEditor(fields);
    EXPECT_EQ(config.keywords, c.keywords) << c.typed;
    ShowInEditor(fields, config);
    EXPECT_EQ(fields.keywords, c.shownAgain) << c.typed;
  }
}

TEST(ShowInEditor, FillsFieldsAndAppliesBothRules) {
  EditorFields fields = InitialEditorFields();
  MonitorConfig config = Config(kWeChat, {"a", "b"});
  config.siteLimit = "kept.example.com";
  config.keywordInTitle = false;
  config.completeMatch = true;
  config.resultCount = 35;
  config.refreshSeconds = 7;
  ShowInEditor(fields, config);
  EXPECT_EQ(fields.source, kWeChat);
  EXPECT_EQ(fields.siteLimit, "kept.example.com");
  EXPECT_FALSE(fields.siteEnabled);
  EXPECT_FALSE(fields.completeMatchEnabled);
  EXPECT_TRUE(fields.completeMatch);
  EXPECT_EQ(fields.keywords, "a|b");
  EXPECT_EQ(fields.resultCount, "35");
  EXPECT_EQ(fields.refreshSeconds, "7");
}

TEST_F(ConfigEditorTest, SelectingAKeywordMarksItsWholePiece) {
  Select(3);  // 中国
  EXPECT_EQ(editor_.fields.keywords, gbk("美国|中国"));
  EXPECT_EQ(editor_.fields.source, kNews);
  EXPECT_EQ(editor_.fields.keywordSelectionStart, 3);
  EXPECT_EQ(editor_.fields.keywordSelectionLength, 2);

  Select(0);  // the root shows nothing
  EXPECT_EQ(editor_.fields.keywords, gbk("美国|中国"));
  tree_.treeEventsMuted = true;
  tree_.Select(5);
  EXPECT_FALSE(editor_.OnSelectionChanged());
}

TEST_F(ConfigEditorTest, TickQuestionsWhileMonitoringRuns) {
  monitoring_ = true;
  questioner_.answers = {false, true, false, true};
  editor_.OnCheckChanged(4, kChecked);  // Cancel: stays unticked and disabled
  EXPECT_EQ(tree_.Item(4).checkState, kUnchecked);
  EXPECT_FALSE(configs_.IsEnabled(2));
  editor_.OnCheckChanged(4, kChecked);  // OK: enabled and started
  EXPECT_EQ(tree_.Item(4).checkState, kChecked);
  EXPECT_TRUE(configs_.IsEnabled(2));
  EXPECT_EQ(started_, std::vector<size_t>{2});
  editor_.OnCheckChanged(1, kUnchecked);  // Cancel: stays ticked
  EXPECT_EQ(tree_.Item(1).checkState, kChecked);
  EXPECT_TRUE(configs_.IsEnabled(1));
  editor_.OnCheckChanged(1, kUnchecked);  // OK: disabled, nothing started
  EXPECT_FALSE(configs_.IsEnabled(1));
  EXPECT_EQ(started_.size(), 1u);
  ASSERT_EQ(questioner_.asked.size(), 4u);
  EXPECT_NE(questioner_.asked[0].find(gbk("打勾后将会自动启动")), Text::npos);
  EXPECT_NE(questioner_.asked[2].find(gbk("取消打勾将导致自动停止")), Text::npos);
}

TEST_F(ConfigEditorTest, TicksWhileIdleAskNothingAndRootAndKeywordsStayDimmed) {
  editor_.OnCheckChanged(4, kChecked);
  EXPECT_TRUE(configs_.IsEnabled(2));
  EXPECT_TRUE(questioner_.asked.empty());
  EXPECT_TRUE(started_.empty());
  for (int item : {0, 2, 5}) {
    editor_.OnCheckChanged(item, kUnchecked);
    EXPECT_EQ(tree_.Item(item).checkState, kCheckedDimmed) << item;
  }
}

TEST_F(ConfigEditorTest, AddAppendsAnEnabledConfigurationAndStartsItWhileMonitoring) {
  editor_.fields.keywords = "p|q";
  editor_.fields.source = kGeneralWeb;
  editor_.fields.resultCount = "abc";
  editor_.OnAdd();
  ASSERT_EQ(configs_.Count(), 3u);
  EXPECT_TRUE(configs_.Get(3).enabled);
  EXPECT_EQ(tree_.Item(tree_.Selected()).value, 3);
  EXPECT_EQ(editor_.fields.resultCount, "20");  // the new selection is shown
  EXPECT_TRUE(started_.empty());

  monitoring_ = true;
  editor_.OnAdd();
  EXPECT_EQ(started_, std::vector<size_t>{4});
}

TEST_F(ConfigEditorTest, ModifyRefusesATickedConfigurationWhileMonitoring) {
  monitoring_ = true;
  Select(2);  // a keyword of the ticked [新闻源]
  editor_.fields.keywords = "changed";
  editor_.OnModify();
  ASSERT_EQ(questioner_.told.size(), 1u);
  EXPECT_EQ(questioner_.told[0], gbk("当前监测配置处于运行状态，不允许修改！"));
  EXPECT_EQ(configs_.Get(1).keywords.size(), 2u);

  Select(4);  // the unticked [微信] may change, and stays unticked
  editor_.fields.source = kForum;
  editor_.OnModify();
  EXPECT_EQ(configs_.Get(2).dataSource, kForum);
  EXPECT_FALSE(configs_.Get(2).enabled);
  EXPECT_EQ(tree_.Item(4).checkState, kUnchecked);
  EXPECT_EQ(tree_.Item(4).text, "[" + gbk("论坛") + "]");
  EXPECT_TRUE(started_.empty());
}

TEST_F(ConfigEditorTest, ModifyAndDeleteNeedASuitableSelection) {
  Select(0);
  editor_.OnModify();
  editor_.OnDelete();
  ASSERT_EQ(questioner_.told.size(), 2u);
  EXPECT_EQ(questioner_.told[0], gbk("请在监测列表中选定一个监测配置再修改"));
  EXPECT_EQ(questioner_.told[1],
            gbk("请在监测列表中选定一个监测配置或监测配置下的单个关键词再删除"));
  EXPECT_EQ(tree_.Count(), 6);
}

TEST_F(ConfigEditorTest, DeletingAKeywordKeepsPositionsAndCancelKeepsEverything) {
  Select(2);  // 美国
  questioner_.answers = {false, true};
  editor_.OnDelete();
  EXPECT_EQ(tree_.Count(), 6);
  editor_.OnDelete();
  EXPECT_EQ(questioner_.asked[1], gbk("确定要删除当前选定的监测配置下的单个关键词吗？") +
                                      "\r\n\r\n" + gbk("关键词名称：") + gbk("美国"));
  EXPECT_EQ(configs_.Get(1).keywords, (std::vector<Text>{"", gbk("中国")}));
  ASSERT_EQ(tree_.Count(), 5);
  EXPECT_EQ(tree_.Item(2).text, gbk("中国"));
  EXPECT_EQ(tree_.Item(2).value, 2);  // the remaining keyword keeps its index
  EXPECT_EQ(tree_.Selected(), 2);
}

TEST_F(ConfigEditorTest, DeletingTheLastConfigurationLeavesNothingSelected) {
  Select(4);
  editor_.OnDelete();
  EXPECT_EQ(questioner_.asked[0], gbk("确定要删除当前选定的监测配置吗？") + "\r\n\r\n" +
                                      gbk("配置名称：") + "[" + gbk("微信") + "]");
  EXPECT_TRUE(configs_.IsDeleted(2));
  EXPECT_EQ(tree_.Count(), 4);
  EXPECT_EQ(tree_.Selected(), -1);
  // Positions never shift: the first configuration is still at 1, a new one goes to 3.
  EXPECT_EQ(tree_.Item(1).value, 1);
  editor_.OnAdd();
  EXPECT_EQ(tree_.Item(tree_.Selected()).value, 3);
}

TEST_F(ConfigEditorTest, PasteButtons) {
  editor_.OnPasteSite("https://news.example.com/path/page.html");
  EXPECT_EQ(editor_.fields.siteLimit, "news.example.com");
  editor_.OnPasteKeywords("a||b");
  EXPECT_EQ(editor_.fields.keywords, "a||b");
}

}  // namespace
}  // namespace plexaro
