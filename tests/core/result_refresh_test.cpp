#include "core/result_refresh.h"

#include <gtest/gtest.h>

#include "core/refresh_list_files.h"
#include "core/seen_lists.h"
#include "support/temp_dir.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

using namespace std::chrono_literals;

class CountingBeeper final : public Beeper {
 public:
  void Beep() override { ++beeps; }
  int beeps = 0;
};

class ResultRefreshTest : public ::testing::Test {
 protected:
  ResultRefreshTest() {
    store_.OpenStore(dir_.path() + ConfigName(), 0);
    MonitorConfig config;
    config.dataSource = kNews;
    config.keywords = {"k", "", "w"};
    config.siteLimit = "example.com";
    configs_.Append(config);
    refresher_.SetClock([this] { return now_; });
    files_ = RefreshListFiles::Restart(dir_.path(), "lists");
  }

  static Text ConfigName() { return gbk("Zavrin·Plexaro.ini"); }

  // As a worker does: the refresh, then the lines it found in front of the lists.
  std::vector<HitRecord> Refresh(std::vector<HitRecord> hits, size_t keyword = 1) {
    latest_ = std::move(hits);
    RefreshListLines lines;
    std::vector<HitRecord> fresh =
        refresher_.RefreshResultList(HandOverRequest{1, keyword, &latest_, &lines});
    files_->Prepend(lines.txt, lines.html);
    return fresh;
  }

  ByteSet File(const Text& name) {
    ByteSet content;
    ReadWholeFile(dir_.path() + name, content);
    return content;
  }

  TempDir dir_;
  SettingsStore store_;
  MonitorConfigList configs_;
  ResultListModel list_;
  TreeModel tree_;
  CountingBeeper beeper_;
  ResultRefresher refresher_{store_, configs_, list_, tree_, beeper_};
  std::unique_ptr<RefreshListFiles> files_;
  std::vector<HitRecord> latest_;
  SteadyClock::time_point now_ = SteadyClock::now();
};

TEST_F(ResultRefreshTest, FirstRefreshShowsAllAndAnIdenticalOneNothing) {
  std::vector<HitRecord> hits = {{"T1", "a1", "t1"}, {"T2", "a2", "t2"}};
  EXPECT_EQ(Refresh(hits).size(), 2u);
  ASSERT_EQ(list_.RowCount(), 2u);
  EXPECT_EQ(list_.Row(0).title, "T1");
  EXPECT_EQ(list_.Row(1).title, "T2");
  EXPECT_EQ(list_.Row(0).source, gbk("新闻源"));
  EXPECT_EQ(list_.Row(0).keyword, "k site:example.com");
  EXPECT_EQ(list_.Row(0).image, kRowUnreadImage);
  EXPECT_EQ(list_.TitleCaption(), gbk("标题(2条)"));
  EXPECT_EQ(beeper_.beeps, 1);
  EXPECT_EQ(File("lists.txt"), "a1\r\na2\r\n");

  now_ += 5s;
  EXPECT_TRUE(Refresh(hits).empty());
  EXPECT_EQ(list_.RowCount(), 2u);
  EXPECT_EQ(beeper_.beeps, 1);
  EXPECT_EQ(File("lists.txt"), "a1\r\na2\r\n");
  EXPECT_FALSE(tree_.treeEventsMuted);
}

TEST_F(ResultRefreshTest, NewestLinesHeadBothFilesAndSeenListsSurviveAReopen) {
  Refresh({{"T1", "a1", "t1"}, {"T2", "a2", "t2"}});
  Refresh({{"T3", "a3", "t3"}, {"T1", "a1", "t1"}});
  EXPECT_EQ(File("lists.txt"), "a3\r\na1\r\na2\r\n");
  EXPECT_EQ(File("lists.html"),
            "<a href=\"a3\" target=\"_blank\">t3|T3</a><br>\r\n"
            "<a href=\"a1\" target=\"_blank\">t1|T1</a><br>\r\n"
            "<a href=\"a2\" target=\"_blank\">t2|T2</a><br>\r\n");
  EXPECT_EQ(list_.Row(0).title, "T3");

  // A new store on the same file (the next run) still knows every hit.
  refresher_.FlushSeenLists();
  store_.Close();
  SettingsStore reopened;
  ASSERT_TRUE(reopened.OpenStore(dir_.path() + ConfigName(), 0));
  ResultListModel list;
  ResultRefresher later(reopened, configs_, list, tree_, beeper_);
  latest_ = {{"T2", "a2", "t2"}, {"T3", "a3", "t3"}};
  EXPECT_TRUE(later.RefreshResultList(HandOverRequest{1, 1, &latest_, nullptr}).empty());
  reopened.SelectSection(gbk("更新列表"));
  EXPECT_EQ(reopened.ReadBytes(SeenListKey(configs_.Get(1), "k") + gbk("#网址")), "a3\r\na2\r\na1");
}

TEST_F(ResultRefreshTest, BeepsAtMostOnceASecondAndNotWhenSilenced) {
  Refresh({{"T1", "a1", ""}});
  now_ += 900ms;
  Refresh({{"T2", "a2", ""}}, 3);
  EXPECT_EQ(beeper_.beeps, 1);
  now_ += 200ms;
  Refresh({{"T3", "a3", ""}});
  EXPECT_EQ(beeper_.beeps, 2);
  refresher_.SetBeepSilenced(true);
  now_ += 5s;
  Refresh({{"T4", "a4", ""}});
  EXPECT_EQ(beeper_.beeps, 2);
}

TEST_F(ResultRefreshTest, KeywordsWithTheSameKeyShareTheirSeenList) {
  MonitorConfig twin = configs_.Get(1);
  twin.refreshSeconds = 99;  // not part of the key
  configs_.Append(twin);
  Refresh({{"T1", "a1", ""}});
  latest_ = {{"T1", "a1", ""}};
  EXPECT_TRUE(refresher_.RefreshResultList(HandOverRequest{2, 1, &latest_, nullptr}).empty());
}

}  // namespace
}  // namespace plexaro
