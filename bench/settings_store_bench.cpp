// Settings store hot paths: writing many new keys into one section of a real file, and
// reading values back. Per-operation times are in the per_write / per_read counters.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

constexpr int kWrites = 1000;
constexpr int kReads = 10000;

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "plexaro-bench-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Text File(const char* name) const { return TextPath(path_) + "/" + name; }

 private:
  std::string path_;
};

std::vector<Text> Keys() {
  std::vector<Text> keys;
  for (int i = 1; i <= kWrites; ++i) keys.push_back(std::to_string(i) + gbk(")关键词"));
  return keys;
}

const Text& Value() {
  static const Text value = gbk("泛网页|新闻源|论坛|微信┊*┊site:example.com 关键词在标题");
  return value;
}

void BM_WriteTextDistinctKeys(benchmark::State& state) {
  TempDir dir;
  const Text path = dir.File("bench.ini");
  const std::vector<Text> keys = Keys();
  for (auto _ : state) {
    state.PauseTiming();
    RemoveFile(path);
    auto store = std::make_unique<SettingsStore>();
    store->OpenStore(path, kFileOnDisk);
    store->SelectSection(gbk("监测列表"));
    state.ResumeTiming();
    for (const Text& key : keys) benchmark::DoNotOptimize(store->WriteText(key, Value()));
    state.PauseTiming();
    store.reset();
    state.ResumeTiming();
  }
  state.counters["per_write"] =
      benchmark::Counter(double(state.iterations()) * kWrites,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WriteTextDistinctKeys)->Unit(benchmark::kMillisecond);

void BM_ReadText(benchmark::State& state) {
  TempDir dir;
  const std::vector<Text> keys = Keys();
  SettingsStore store;
  store.OpenStore(dir.File("bench.ini"), kFileOnDisk);
  store.SelectSection(gbk("更新列表"));
  store.WriteText("x", "y");
  store.SelectSection(gbk("监测列表"));
  for (const Text& key : keys) store.WriteText(key, Value());
  for (auto _ : state) {
    for (int i = 0; i < kReads; ++i) {
      benchmark::DoNotOptimize(store.ReadText(keys[size_t(i * 7919) % keys.size()]));
    }
  }
  state.counters["per_read"] =
      benchmark::Counter(double(state.iterations()) * kReads,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plexaro
