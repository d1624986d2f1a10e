#include "core/config_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

class ConfigFileTest : public ::testing::Test {
 protected:
  Text Path() const { return dir_.path() + ConfigFileName(); }
  void WriteFile(const std::string& utf8) { ASSERT_TRUE(WriteWholeFile(Path(), Utf8ToGbk(utf8))); }
  std::string FileUtf8() {
    ByteSet bytes;
    ReadWholeFile(Path(), bytes);
    return GbkToUtf8(bytes);
  }

  TempDir dir_;
  MonitorConfigList configs_;
  TreeModel tree_;
};

TEST_F(ConfigFileTest, LoadsConfigurationsAndMissingKeysAsDefaults) {
  WriteFile(
      "[监测列表]\r\n选择框禁止提示音=真\r\n数量=2\r\n(1)启用=真\r\n(1)数据源=3\r\n"
      "(1)限定网站=example.com\r\n(1)关键词=a|||b\r\n(1)关键词在标题=真\r\n(1)完全出现=假\r\n"
      "(1)返回数=-5\r\n(1)刷新秒=30");
  SettingsStore store;
  ASSERT_TRUE(store.OpenStore(Path(), 0));
  bool silenced = false;
  LoadMonitorConfigs(store, configs_, tree_, silenced);
  EXPECT_TRUE(silenced);
  ASSERT_EQ(configs_.Count(), 2u);
  MonitorConfig first = configs_.Get(1);
  EXPECT_TRUE(first.enabled);
  EXPECT_EQ(first.dataSource, kWeChat);
  EXPECT_EQ(first.siteLimit, "example.com");
  EXPECT_EQ(first.keywords, (std::vector<Text>{"a", "", "b"}));
  EXPECT_TRUE(first.keywordInTitle);
  EXPECT_EQ(first.resultCount, -5);  // taken as stored
  EXPECT_EQ(first.refreshSeconds, 30);
  MonitorConfig second = configs_.Get(2);
  EXPECT_FALSE(second.enabled);
  EXPECT_EQ(second.dataSource, kGeneralWeb);
  EXPECT_TRUE(second.keywords.empty());
  // Root, first configuration with keywords a and b (values 1 and 3), second one.
  ASSERT_EQ(tree_.Count(), 5);
  EXPECT_EQ(tree_.Item(3).value, 3);
  EXPECT_EQ(tree_.Item(4).checkState, kUnchecked);
}

TEST_F(ConfigFileTest, SavesDenselyWithoutDeletedOnesAndKeepsOldKeys) {
  SettingsStore store;
  ASSERT_TRUE(store.OpenStore(Path(), 0));
  for (const char* keywords : {"one", "two", "three"}) {
    MonitorConfig config;
    config.keywords = {keywords, ""};
    config.enabled = true;
    config.resultCount = 20;
    configs_.Append(config);
  }
  SaveMonitorConfigs(store, configs_, false);
  configs_.MarkDeleted(2);
  SaveMonitorConfigs(store, configs_, true);
  store.Close();

  SettingsStore reread;
  ASSERT_TRUE(reread.OpenStore(Path(), 0));
  MonitorConfigList loaded;
  bool silenced = false;
  LoadMonitorConfigs(reread, loaded, tree_, silenced);
  EXPECT_TRUE(silenced);
  ASSERT_EQ(loaded.Count(), 2u);
  EXPECT_EQ(loaded.Get(1).keywords, (std::vector<Text>{"one"}));
  EXPECT_EQ(loaded.Get(2).keywords, (std::vector<Text>{"three"}));
  // The third configuration's keys of the first save are still there, ignored.
  EXPECT_NE(FileUtf8().find("(3)关键词=three|"), std::string::npos);
  EXPECT_NE(FileUtf8().find("(1)启用=真\r\n"), std::string::npos);
  EXPECT_NE(FileUtf8().find("(1)返回数=20\r\n"), std::string::npos);
}

TEST_F(ConfigFileTest, ADamagedCountDoesNotHangLoading) {
  WriteFile("[监测列表]\r\n数量=1e300");
  SettingsStore store;
  ASSERT_TRUE(store.OpenStore(Path(), 0));
  bool silenced = false;
  LoadMonitorConfigs(store, configs_, tree_, silenced);
  EXPECT_LE(configs_.Count(), 10000u);
}

TEST_F(ConfigFileTest, SearchHostsCanBeOverridden) {
  WriteFile("[搜索主机]\r\n网页=127.0.0.1:8080\r\n新闻=");
  SettingsStore store;
  ASSERT_TRUE(store.OpenStore(Path(), 0));
  SearchHosts hosts = ReadSearchHosts(store);
  EXPECT_EQ(hosts.web, "127.0.0.1:8080");
  EXPECT_EQ(hosts.news, SearchHosts().news);
  EXPECT_EQ(hosts.weChat, SearchHosts().weChat);
}

}  // namespace
}  // namespace plexaro
