// Monitoring against the fake search engine over real HTTP, without a front end.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "core/monitor_control.h"
#include "core/result_refresh.h"
#include "core/web_search_client.h"
#include "support/temp_dir.h"
#include "tools/fake_search_engine.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

using namespace std::chrono_literals;

class NoBeep final : public Beeper {
 public:
  void Beep() override {}
};

// Runs the new-hit refresh on the worker's thread (the result lock keeps hand-overs
// apart) and keeps the new hits of every worker.
class CollectingHost final : public MonitorHost {
 public:
  explicit CollectingHost(const MonitorConfigList& configs, const Text& directory)
      : refresher_(store_, configs, list_, tree_, beeper_) {
    store_.OpenStore(directory + "store.ini", kFileOnDisk);
  }
  void CaptionChanged(const Text&) override {}
  void HandOver(const HandOverRequest& request) override {
    std::vector<HitRecord> fresh = refresher_.RefreshResultList(request);
    std::lock_guard<std::mutex> lock(mutex);
    auto& seen = hits[{request.config, request.keyword}];
    for (const HitRecord& hit : fresh) seen.push_back(hit.address);
    ++handOvers;
  }
  void CycleFinished(size_t config, size_t keyword) override {
    std::lock_guard<std::mutex> lock(mutex);
    ++cycles;
    ++cyclesOf[{config, keyword}];
  }
  int HandOvers() {
    std::lock_guard<std::mutex> lock(mutex);
    return handOvers;
  }
  size_t WorkersWithCycles(int atLeast) {
    std::lock_guard<std::mutex> lock(mutex);
    size_t workers = 0;
    for (const auto& [worker, count] : cyclesOf) workers += count >= atLeast;
    return workers;
  }
  void ProblemReported(const Text&) override { ++problems; }
  void SaveConfigs() override {}
  void MonitoringStopped() override {}

  std::mutex mutex;
  std::map<std::pair<size_t, size_t>, std::vector<Text>> hits;
  std::map<std::pair<size_t, size_t>, int> cyclesOf;
  int handOvers = 0;
  int cycles = 0;

 private:
  SettingsStore store_;
  ResultListModel list_;
  TreeModel tree_;
  NoBeep beeper_;
  ResultRefresher refresher_;
  std::atomic<int> problems{0};
};

class MonitorEngineTest : public ::testing::Test {
 protected:
  void Start(FakeSearchEngine::Options options = {}) {
    engine_ = std::make_unique<FakeSearchEngine>(options);
    int port = engine_->Start();
    ASSERT_GT(port, 0);
    std::string host = "127.0.0.1:" + std::to_string(port);
    environment_.hosts = SearchHosts{host, host, host};
    environment_.configs = &configs_;
    environment_.host = &host_;
    environment_.makeClient = WebSearchClientFactory();
    environment_.runDirectory = dir_.path();
    environment_.secondLength = 20ms;
  }

  void AddConfig(std::vector<Text> keywords, int source = kNews) {
    MonitorConfig config;
    config.dataSource = source;
    config.keywords = std::move(keywords);
    config.enabled = true;
    config.refreshSeconds = 1;
    config.resultCount = 10;
    configs_.Append(config);
  }

  bool PollUntil(MonitorControl& control, const std::function<bool()>& done,
                 std::chrono::milliseconds limit) {
    auto deadline = SteadyClock::now() + limit;
    while (SteadyClock::now() < deadline) {
      control.Poll();
      if (done()) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

  TempDir dir_;
  std::unique_ptr<FakeSearchEngine> engine_;
  MonitorConfigList configs_;
  CollectingHost host_{configs_, dir_.path()};
  MonitorEnvironment environment_;
};

TEST_F(MonitorEngineTest, TheSnuidOfABlockedAnswerTravelsInTheNextRequest) {
  Start();
  engine_->BlockNext(2, "S123");
  AddConfig({"k"});
  MonitorControl control(environment_);
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(
      control, [&] { return host_.WorkersWithCycles(1) == 1; }, 10s));
  control.Shutdown();
  std::vector<FakeSearchEngine::Request> requests = engine_->Requests();
  ASSERT_GE(requests.size(), 3u);
  EXPECT_NE(requests[0].cookie.find("SNUID=; "), std::string::npos);
  EXPECT_NE(requests[1].cookie.find("SNUID=S123; "), std::string::npos);
  EXPECT_NE(requests[2].cookie.find("SNUID=S123; "), std::string::npos);
  EXPECT_EQ(host_.HandOvers(), 1);
}

TEST_F(MonitorEngineTest, BadAnswersNeverStopAWorker) {
  Start();
  std::mt19937 random(7);
  std::string garbage(200000, '\0');
  for (char& c : garbage) c = char(random());
  std::string huge = "<div class=\"results\">" + std::string(5 << 20, 'x');  // never closed
  std::string utf16("\xFF\xFE<\0d\0i\0v\0", 10);
  AddConfig({"k"});
  engine_->ServeNext({"", garbage, huge, utf16, "<div class=\"results\"><div class=\"rb\">"});
  MonitorControl control(environment_);
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(
      control, [&] { return host_.HandOvers() >= 1; }, 20s));
  EXPECT_EQ(control.Caption(), RunningCaption(1));
  control.Shutdown();
}

TEST_F(MonitorEngineTest, ManyKeywordsLoseAndRepeatNoHit) {
  FakeSearchEngine::Options options;
  options.newHitsPerPoll = 2;
  Start(options);
  constexpr int kKeywords = 60;
  for (int i = 0; i < kKeywords; i += 3) {
    AddConfig({"w" + std::to_string(i), "w" + std::to_string(i + 1), "w" + std::to_string(i + 2)},
              i % 2 ? kGeneralWeb : kWeChat);
  }
  MonitorControl control(environment_);
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(
      control, [&] { return host_.WorkersWithCycles(3) == kKeywords; }, 60s));
  control.OnStartButton();
  ASSERT_TRUE(PollUntil(
      control, [&] { return !control.IsActive(); }, 10s));

  std::lock_guard<std::mutex> lock(host_.mutex);
  ASSERT_EQ(host_.hits.size(), size_t(kKeywords));
  for (const auto& [worker, addresses] : host_.hits) {
    // Hit numbers of one keyword, as reported: each exactly once, none skipped.
    std::vector<int> numbers;
    for (const Text& address : addresses) {
      size_t end = address.find_last_of("0123456789") + 1;
      size_t begin = address.find_last_not_of("0123456789", end - 1) + 1;
      numbers.push_back(std::stoi(address.substr(begin, end - begin)));
    }
    std::sort(numbers.begin(), numbers.end());
    ASSERT_GE(numbers.size(), 6u) << worker.first << "/" << worker.second;
    for (size_t i = 0; i < numbers.size(); ++i) {
      EXPECT_EQ(numbers[i], int(i + 1)) << worker.first << "/" << worker.second;
    }
  }
}

}  // namespace
}  // namespace plexaro
