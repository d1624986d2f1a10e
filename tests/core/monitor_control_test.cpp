#include "core/monitor_control.h"
#include "core/monitor_worker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <set>
#include <thread>

#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

using namespace std::chrono_literals;

// Scripted search responses, shared by every client of a test.
struct Script {
  std::mutex mutex;
  std::vector<std::pair<Text, Text>> requests;  // address, cookie
  // The first requests get a page without results.
  int failuresBeforeResults = 0;
  Text failurePage = "<html>no results</html>";

  Text Respond(const Text& address, const Text& cookie) {
    std::lock_guard<std::mutex> lock(mutex);
    requests.emplace_back(address, cookie);
    if (int(requests.size()) <= failuresBeforeResults) return failurePage;
    Text title = "hit of " + address;
    return "<div class=\"results\"><div class=\"rb\"><h3><a href=\"" + address + "\">" + title +
           "</a></h3></div></div>";
  }
};

class ScriptedClient final : public SearchClient {
 public:
  explicit ScriptedClient(Script* script) : script_(script) {}
  void Reset() override {}
  Text Fetch(const Text& address, const Text& cookie) override {
    return script_->Respond(address, cookie);
  }

 private:
  Script* script_;
};

// Runs hand-overs on the worker's thread and records them.
class RecordingHost final : public MonitorHost {
 public:
  void CaptionChanged(const Text& caption) override {
    std::lock_guard<std::mutex> lock(mutex);
    captions.push_back(caption);
  }
  void HandOver(const HandOverRequest& request) override {
    std::lock_guard<std::mutex> lock(mutex);
    handOvers.push_back({request.config, request.keyword, *request.hits});
  }
  void SaveConfigs() override { ++saves; }
  void MonitoringStopped() override { ++stoppedMessages; }
  void ProblemReported(const Text& problem) override {
    std::lock_guard<std::mutex> lock(mutex);
    problems.push_back(problem);
  }

  struct Record {
    size_t config, keyword;
    std::vector<HitRecord> hits;
  };
  std::mutex mutex;
  std::vector<Text> captions;
  std::vector<Record> handOvers;
  std::vector<Text> problems;
  int saves = 0;
  int stoppedMessages = 0;
};

class MonitorControlTest : public ::testing::Test {
 protected:
  MonitorControlTest() {
    directory_ = TextPath(std::filesystem::temp_directory_path()) + "/plexaro-control-" +
                 std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(FsPath(directory_));
  }
  ~MonitorControlTest() override { std::filesystem::remove_all(FsPath(directory_)); }

  MonitorEnvironment Environment() {
    MonitorEnvironment environment;
    environment.configs = &configs_;
    environment.host = &host_;
    environment.makeClient = [this](const std::atomic<bool>*) {
      return std::make_unique<ScriptedClient>(&script_);
    };
    environment.runDirectory = directory_;
    environment.secondLength = 10ms;
    return environment;
  }

  size_t AddConfig(std::vector<Text> keywords, bool enabled = true, int refreshSeconds = 100) {
    MonitorConfig config;
    config.keywords = std::move(keywords);
    config.enabled = enabled;
    config.refreshSeconds = refreshSeconds;
    config.dataSource = kNews;
    return configs_.Append(config);
  }

  // Polls like the window's timer until `done` holds or the time is up.
  template <typename Predicate>
  bool PollUntil(MonitorControl& control, Predicate done, std::chrono::milliseconds limit = 5s) {
    auto deadline = SteadyClock::now() + limit;
    while (SteadyClock::now() < deadline) {
      control.Poll();
      if (done()) return true;
      std::this_thread::sleep_for(2ms);
    }
    return false;
  }

  size_t HandOverCount() {
    std::lock_guard<std::mutex> lock(host_.mutex);
    return host_.handOvers.size();
  }

  Text directory_;
  MonitorConfigList configs_;
  RecordingHost host_;
  Script script_;
};

TEST_F(MonitorControlTest, StartsOneWorkerPerKeywordOfEnabledConfigurations) {
  AddConfig({"a", "", "b"});
  AddConfig({"c"}, false);
  AddConfig({"d", "e"});
  MonitorControl control(Environment());
  control.OnStartButton();
  EXPECT_EQ(host_.saves, 1);
  ASSERT_TRUE(PollUntil(control, [&] { return control.Caption() == RunningCaption(4); }));
  ASSERT_TRUE(PollUntil(control, [&] { return HandOverCount() >= 4; }));
  {
    std::lock_guard<std::mutex> lock(host_.mutex);
    std::set<std::pair<size_t, size_t>> workers;
    for (const auto& record : host_.handOvers) workers.insert({record.config, record.keyword});
    // The empty keyword keeps its index: b is keyword 3.
    EXPECT_EQ(workers, (std::set<std::pair<size_t, size_t>>{{1, 1}, {1, 3}, {3, 1}, {3, 2}}));
  }
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return !control.IsActive(); }));
  EXPECT_EQ(host_.stoppedMessages, 1);
  // Ending workers rewrite the caption after "正在停止..", as they count down.
  EXPECT_EQ(host_.captions.front(), StartingCaption());
  EXPECT_NE(std::find(host_.captions.begin(), host_.captions.end(), StoppingCaption()),
            host_.captions.end());
  EXPECT_EQ(host_.captions.back(), IdleCaption());
}

// Workers are made as their start times come near (50 ms apart), so a long list
// starts over time, and a stop cancels those not started yet.
TEST_F(MonitorControlTest, ALongListStartsOverTimeAndAStopCancelsTheRest) {
  std::vector<Text> keywords;
  for (int i = 0; i < 40; ++i) keywords.push_back("k" + std::to_string(i));
  AddConfig(keywords);
  auto keywordsHandedOver = [this] {
    std::lock_guard<std::mutex> lock(host_.mutex);
    std::set<size_t> started;
    for (const auto& record : host_.handOvers) started.insert(record.keyword);
    return started.size();
  };
  {
    MonitorControl control(Environment());
    control.OnStartButton();
    EXPECT_TRUE(PollUntil(control, [&] { return keywordsHandedOver() == 40; }));
    control.Shutdown();
  }
  host_.handOvers.clear();

  MonitorControl control(Environment());
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return HandOverCount() >= 1; }));
  control.OnStartButton();  // well before the last start time, 1.95 s after the press
  ASSERT_TRUE(PollUntil(control, [&] { return !control.IsActive(); }));
  std::this_thread::sleep_for(200ms);
  EXPECT_LT(keywordsHandedOver(), 30u);
}

TEST_F(MonitorControlTest, StopDuringAPauseEndsWorkersPromptly) {
  AddConfig({"a", "b"}, true, 1000);  // pauses of 10 s in this test's time
  MonitorControl control(Environment());
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return HandOverCount() == 2; }));
  std::this_thread::sleep_for(1100ms);  // past the run's first second, both pausing
  auto pressed = SteadyClock::now();
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return !control.IsActive(); }));
  // A pause ends as soon as the stop is seen (10 ms steps at most); the allowance is
  // for a loaded machine.
  EXPECT_LT(SteadyClock::now() - pressed, 100ms);
}

TEST_F(MonitorControlTest, UntickingOrDeletingEndsOnlyTheAffectedWorkers) {
  size_t first = AddConfig({"a"}, true, 5);
  size_t second = AddConfig({"b", "c"}, true, 5);
  MonitorControl control(Environment());
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return control.Caption() == RunningCaption(3); }));
  configs_.SetEnabled(first, false);
  ASSERT_TRUE(PollUntil(
      control, [&] { return control.Caption() == RunningCaption(2); }, 500ms));
  configs_.ClearKeyword(second, 2);
  ASSERT_TRUE(PollUntil(
      control, [&] { return control.Caption() == RunningCaption(1); }, 500ms));
  // Ticking the first again while monitoring runs starts only its worker.
  configs_.SetEnabled(first, true);
  control.StartConfig(first);
  ASSERT_TRUE(PollUntil(control, [&] { return control.Caption() == RunningCaption(2); }));
  control.Shutdown();
  EXPECT_FALSE(control.IsActive());
}

TEST_F(MonitorControlTest, RetriesFivePerPageAndCarriesTheSnuid) {
  script_.failuresBeforeResults = 5;
  script_.failurePage = "<script>document.cookie=\"SNUID=FRESH42; path=/\"</script>";
  AddConfig({"k"});
  MonitorControl control(Environment());
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return HandOverCount() >= 1; }));
  control.Shutdown();
  std::lock_guard<std::mutex> lock(script_.mutex);
  ASSERT_GE(script_.requests.size(), 6u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(script_.requests[i].first.find("&page="), Text::npos);
  EXPECT_TRUE(script_.requests[5].first.ends_with("&page=2"));
  EXPECT_NE(script_.requests[0].second.find("SNUID=; "), Text::npos);
  EXPECT_NE(script_.requests[1].second.find("SNUID=FRESH42; "), Text::npos);
  std::lock_guard<std::mutex> hostLock(host_.mutex);
  EXPECT_NE(host_.handOvers[0].hits[0].address.find("&page=2"), Text::npos);
}

TEST_F(MonitorControlTest, WithNothingEnabledTheRunEndsAfterASecond) {
  AddConfig({"a"}, false);
  MonitorControl control(Environment());
  auto pressed = SteadyClock::now();
  control.OnStartButton();
  EXPECT_TRUE(control.IsActive());
  ASSERT_TRUE(PollUntil(control, [&] { return !control.IsActive(); }));
  EXPECT_GE(SteadyClock::now() - pressed, 1000ms);
  EXPECT_EQ(host_.stoppedMessages, 1);
}

TEST_F(MonitorControlTest, SecondPressWhileStartingStops) {
  AddConfig({"a", "b", "c"});
  MonitorControl control(Environment());
  control.OnStartButton();
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return !control.IsActive(); }));
  EXPECT_EQ(host_.stoppedMessages, 1);
}

TEST_F(MonitorControlTest, RefreshListFilesAreRestartedEmpty) {
  Text lists = directory_ + gbk("刷新列表") + "/";
  std::filesystem::create_directories(FsPath(lists));
  MonitorConfig config;
  config.dataSource = kNews;
  Text name = lists + RefreshListName(config, "a");
  ASSERT_TRUE(WriteWholeFile(name + ".txt", "old run\r\n"));
  AddConfig({"a"});
  MonitorControl control(Environment());
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return HandOverCount() >= 1; }));
  ByteSet content;
  ASSERT_TRUE(ReadWholeFile(name + ".txt", content));
  EXPECT_EQ(content, "");
  control.Shutdown();
}

TEST_F(MonitorControlTest, ClashingRefreshListNamesAreReportedOnceAndMonitoringGoesOn) {
  // Same source and keyword, no site limit: both keywords want the same two files.
  AddConfig({"same", "same"});
  AddConfig({"same"});
  MonitorControl control(Environment());
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(control, [&] { return HandOverCount() >= 3; }));
  control.Shutdown();
  std::lock_guard<std::mutex> lock(host_.mutex);
  ASSERT_EQ(host_.problems.size(), 1u);
  EXPECT_NE(host_.problems[0].find(".txt"), Text::npos);
  std::set<std::pair<size_t, size_t>> workers;
  for (const auto& record : host_.handOvers) workers.insert({record.config, record.keyword});
  EXPECT_EQ(workers.size(), 3u);
}

}  // namespace
}  // namespace plexaro
