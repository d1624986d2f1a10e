// Hot paths of monitoring: cutting a result page into hits, and the new-hit refresh
// against full seen lists.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/result_parser.h"
#include "core/result_refresh.h"
#include "core/seen_lists.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// The saved result page (15 result blocks), in GBK.
Text ResultPage() {
  ByteSet utf8;
  ReadWholeFile(PLEXARO_BENCH_FIXTURES "/sogou/web-2021-results.html", utf8);
  return Utf8ToGbk(utf8);
}

void BM_ParseResultPage(benchmark::State& state) {
  Text page = ResultPage();
  ResultParser parser;
  MonitorConfig config;
  size_t hits = 0;
  for (auto _ : state) {
    parser.PrepareCycle();
    long count = parser.FindResultBlocks(page);
    for (long k = 1; k <= count; ++k) hits += parser.ParseHit(k, config, "").has_value();
  }
  state.counters["hits/page"] = double(hits) / double(state.iterations());
  state.counters["pages/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.SetBytesProcessed(int64_t(state.iterations() * page.size()));
}
BENCHMARK(BM_ParseResultPage)->Unit(benchmark::kMillisecond);

// A seen list of 1000 entries and 20 hits, half of them new.
void BM_TakeNewHitsFullLists(benchmark::State& state) {
  SeenLists full;
  for (int i = 0; i < 1000; ++i) {
    full.addresses.push_back("http://www.example.com/news/2026/12/article-" + std::to_string(i));
    full.titles.push_back(gbk("一条相当长的新闻标题，编号") + std::to_string(i));
  }
  std::vector<HitRecord> hits;
  for (int i = 0; i < 20; ++i) {
    int n = i % 2 ? i : 5000 + i;
    hits.push_back(HitRecord{gbk("一条相当长的新闻标题，编号") + std::to_string(n),
                             "http://www.example.com/news/2026/12/article-" + std::to_string(n),
                             "12:00"});
  }
  for (auto _ : state) {
    SeenLists seen = full;
    benchmark::DoNotOptimize(TakeNewHits(seen, hits));
  }
}
BENCHMARK(BM_TakeNewHitsFullLists)->Unit(benchmark::kMicrosecond);

class NoBeep final : public Beeper {
 public:
  void Beep() override {}
};

// The whole refresh: side files read and written, rows inserted, list trimmed.
void BM_RefreshResultList(benchmark::State& state) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "plexaro-bench-refresh";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  SettingsStore store;
  store.OpenStore(TextPath(dir / "bench.ini"), kFileOnDisk);
  MonitorConfigList configs;
  MonitorConfig config;
  config.keywords = {"k"};
  configs.Append(config);
  ResultListModel list;
  TreeModel tree;
  NoBeep beeper;
  ResultRefresher refresher(store, configs, list, tree, beeper);
  std::vector<HitRecord> hits;
  for (int i = 0; i < 1000; ++i) {
    hits.push_back({"title " + std::to_string(i), "http://example.com/" + std::to_string(i), ""});
  }
  refresher.RefreshResultList(HandOverRequest{1, 1, &hits, nullptr});
  int round = 0;
  for (auto _ : state) {
    std::vector<HitRecord> latest;
    for (int i = 0; i < 20; ++i) {
      int n = i % 2 ? i : 100000 + round * 20 + i;  // half new, half seen
      latest.push_back(
          {"title " + std::to_string(n), "http://example.com/" + std::to_string(n), ""});
    }
    ++round;
    refresher.RefreshResultList(HandOverRequest{1, 1, &latest, nullptr});
  }
  store.Close();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RefreshResultList)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace plexaro
