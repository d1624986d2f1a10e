#include "quickread/quick_read_controller.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <mutex>

#include "support/temp_dir.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

using namespace std::chrono_literals;

struct Row {
  Text title, address;
  bool read = false;
};

// The window as the controller sees it, recording what is written.
class FakeView final : public PreviewView {
 public:
  long SelectedRow() const override { return selected; }
  Text RowTitle(long row) const override { return rows[size_t(row)].title; }
  Text RowAddress(long row) const override { return rows[size_t(row)].address; }
  void MarkRowRead(long row) override { rows[size_t(row)].read = true; }
  void WriteHtml(const Text& html) override { written.push_back(html); }
  void SetOriginalPageLink(const Text& address) override { originalLink = address; }
  void SetCacheFileLink(const Text& path) override { cacheLink = path; }
  void SetCopyTexts(const Text& content, const Text& title) override {
    copyContent = content;
    copyTitle = title;
  }
  bool QuickReadTabShown() const override { return tab == 1; }
  void ShowQuickReadTab() override {
    tab = 1;
    if (onTabChange) onTabChange(1);
  }

  std::vector<Row> rows;
  long selected = -1;
  std::vector<Text> written;
  Text originalLink, cacheLink, copyContent, copyTitle;
  int tab = 0;
  std::function<void(int)> onTabChange;
};

// Serves pages by address; a page may be held back until the test releases it.
class GatedFetcher final : public QuickReadFetcher {
 public:
  struct Shared {
    std::map<Text, Text> pages;
    std::map<Text, std::shared_future<void>> gates;
    std::atomic<int> fetches{0};
  };
  explicit GatedFetcher(Shared* shared) : shared_(shared) {}
  Text FetchPage(Text& address) override {
    ++shared_->fetches;
    if (auto gate = shared_->gates.find(address); gate != shared_->gates.end()) {
      gate->second.wait();
    }
    auto page = shared_->pages.find(address);
    return page == shared_->pages.end() ? Text() : page->second;
  }
  Text Fetch(const Text&) override { return Text(); }

 private:
  Shared* shared_;
};

// A queue of calls for the UI thread, like a queued connection: posting never waits.
class PostedCalls {
 public:
  void Post(std::function<void()> call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
    posted_.notify_all();
  }
  void RunPending(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    posted_.wait_for(lock, wait, [&] { return !calls_.empty(); });
    std::deque<std::function<void()>> calls;
    calls.swap(calls_);
    lock.unlock();
    for (auto& call : calls) call();
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> calls_;
};

class QuickReadControllerTest : public ::testing::Test {
 protected:
  QuickReadControllerTest() {
    view_.rows = {{"Title A", "http://Jingyan.Baidu.com/a"},
                  {"Title B", "http://jingyan.baidu.com/b"}};
    shared_.pages["http://Jingyan.Baidu.com/a"] =
        "<div class=\"exp-content format-exp\">A body</div>";
    shared_.pages["http://jingyan.baidu.com/b"] =
        "<div class=\"exp-content format-exp\">B body</div>";
    QuickReadOptions options;
    options.retryPause = 1ms;
    controller_ = std::make_unique<QuickReadController>(
        view_, dir_.path(), [this](std::function<void()> call) { ui_.Post(std::move(call)); },
        [this](const std::atomic<bool>*) { return std::make_unique<GatedFetcher>(&shared_); },
        options);
    view_.onTabChange = [this](int index) { controller_->OnTabEvent(index); };
  }

  void Click(long row) {
    view_.selected = row;
    controller_->SelectionChanged(row);
    controller_->PreviewSelectedHit();
  }

  // Runs the UI side until every request has finished.
  void Settle() {
    for (int i = 0; i < 2000 && controller_->Busy(); ++i) ui_.RunPending(5ms);
    ASSERT_FALSE(controller_->Busy());
  }

  TempDir dir_;
  FakeView view_;
  GatedFetcher::Shared shared_;
  PostedCalls ui_;
  std::unique_ptr<QuickReadController> controller_;
};

TEST_F(QuickReadControllerTest, FirstPreviewFetchesAndTheSecondComesFromTheCache) {
  Click(0);
  ASSERT_EQ(view_.written.size(), 1u);
  EXPECT_EQ(view_.written[0], QuickReadController::WaitingPage());
  Settle();
  ASSERT_EQ(view_.written.size(), 2u);
  Text shown = view_.written[1];
  EXPECT_EQ(shown.find(gbk("【<font style=color:red>Jingyan.Baidu.com</font>】")), 0u);
  EXPECT_NE(shown.find("<a href=\"http://Jingyan.Baidu.com/a\" title="), Text::npos);
  EXPECT_NE(shown.find("target=\"_blank\">Title A</a><hr>"), Text::npos);
  EXPECT_NE(shown.find("A body"), Text::npos);
  EXPECT_TRUE(view_.rows[0].read);
  EXPECT_EQ(view_.tab, 1);  // switched to the quick-read tab without blanking it
  EXPECT_EQ(view_.copyTitle, "Title A");
  EXPECT_NE(view_.copyContent.find("A body"), Text::npos);
  EXPECT_EQ(view_.originalLink, "http://Jingyan.Baidu.com/a");
  EXPECT_EQ(view_.cacheLink, QuickReadCachePath(dir_.path(), "http://Jingyan.Baidu.com/a"));

  int fetches = shared_.fetches;
  Click(0);
  EXPECT_EQ(shared_.fetches, fetches);
  ASSERT_EQ(view_.written.size(), 3u);  // no waiting page this time
  EXPECT_EQ(view_.written[2], shown);
}

TEST_F(QuickReadControllerTest, ALaterPreviewWinsAndTheEarlierWritesNothing) {
  std::promise<void> releaseA;
  shared_.gates["http://Jingyan.Baidu.com/a"] = releaseA.get_future().share();
  Click(0);
  Click(1);
  // B arrives while A is held back.
  for (int i = 0; i < 2000 && view_.written.size() < 3; ++i) ui_.RunPending(5ms);
  ASSERT_EQ(view_.written.size(), 3u);
  EXPECT_NE(view_.written[2].find("B body"), Text::npos);
  releaseA.set_value();
  Settle();
  EXPECT_EQ(view_.written.size(), 3u);
  EXPECT_FALSE(view_.rows[0].read);
  EXPECT_EQ(view_.copyTitle, "Title B");
}

TEST_F(QuickReadControllerTest, AFailedPageShowsTheFailureTextAndMarksTheRow) {
  view_.rows.push_back({"Gone", "http://gone.example/x"});
  Click(2);
  Settle();
  EXPECT_NE(view_.written.back().find(QuickReadFailureText()), Text::npos);
  EXPECT_NE(view_.written.back().find(">Gone</a><hr>"), Text::npos);
  EXPECT_TRUE(view_.rows[2].read);
  EXPECT_FALSE(FileExists(QuickReadCachePath(dir_.path(), "http://gone.example/x")));
}

TEST_F(QuickReadControllerTest, TheUsersTabSwitchBlanksThePreview) {
  controller_->OnTabEvent(0);
  EXPECT_TRUE(view_.written.empty());
  controller_->OnTabEvent(1);
  ASSERT_EQ(view_.written.size(), 1u);
  EXPECT_EQ(view_.written[0], "");
}

TEST_F(QuickReadControllerTest, NoSelectionDoesNothing) {
  Click(-1);
  EXPECT_TRUE(view_.written.empty());
  EXPECT_FALSE(controller_->Busy());
}

}  // namespace
}  // namespace plexaro
