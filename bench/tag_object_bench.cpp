// Element finder on a real search-result page grown to several sizes, and on a 2 MB page
// that also holds thousands of nested divs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/tag_object.h"
#include "web/files.h"
#include "web/gbk.h"
#include "web/regex.h"

namespace plexaro {
namespace {


// The saved Sogou result page as GBK; the small excerpt when the page is not there.
Text BasePage() {
  ByteSet bytes;
  if (ReadWholeFile(PLEXARO_BENCH_FIXTURES "/sogou/web-2021-results.html", bytes)) {
    return Utf8ToGbk(bytes);
  }
  ReadWholeFile(PLEXARO_BENCH_FIXTURES "/sogou-web-results-excerpt.html", bytes);
  return bytes;
}

// The base page with its result blocks repeated inside the results container until the
// page has about `bytes` bytes, and with a chain of `depth` nested divs in the middle.
Text GrownPage(size_t bytes, int depth) {
  static std::map<std::pair<size_t, int>, Text> made;
  Text& page = made[{bytes, depth}];
  if (!page.empty()) return page;
  const Text base = BasePage();
  TagObject tags;
  const Text container = tags.FindElement(base, "div", {"class"}, {"results"}, "", 0, false, 0,
                                          true, false, false, true);
  const Text inner = tags.FindElement(base, "div", {"class"}, {"results"}, "", 0, false, 0, true,
                                      true, false, true);
  const size_t at = base.find(container);
  const size_t innerAt = at + container.find(inner);
  Text chain;
  for (int i = 0; i < depth; ++i) chain += "<div class=\"nest\">";
  chain += gbk("<p>最深处</p>");
  for (int i = 0; i < depth; ++i) chain += "</div>";
  Text blocks;
  // Everything outside the container stays; the container's blocks repeat to fill the rest.
  const size_t fixed = base.size() - inner.size() + chain.size();
  const size_t copies =
      bytes > fixed ? std::max<size_t>(1, (bytes - fixed + inner.size() / 2) / inner.size()) : 1;
  for (size_t i = 0; i < copies; ++i) {
    if (i == copies / 2) blocks += chain;
    blocks += inner;
  }
  page = base.substr(0, innerAt) + blocks + base.substr(innerAt + inner.size());
  return page;
}

void Label(benchmark::State& state, const Text& page) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
  state.counters["KB"] = double(page.size()) / 1024;
}

void BM_FindResultsContainer(benchmark::State& state) {
  const Text page = GrownPage(size_t(state.range(0)) * 1024, int(state.range(1)));
  TagObject tags;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tags.FindElement(page, "div", {"class"}, {"results"}));
  }
  Label(state, page);
}

void BM_CollectResultBlocks(benchmark::State& state) {
  const Text page = GrownPage(size_t(state.range(0)) * 1024, int(state.range(1)));
  TagObject tags;
  const Text container = tags.FindElement(page, "div", {"class"}, {"results"});
  for (auto _ : state) {
    benchmark::DoNotOptimize(tags.CollectAll(container, "div", {"class", "class", "class"},
                                             {"vrwrap", "rb", "wx-rb wx-rb3"}));
  }
  state.counters["blocks"] = double(tags.ElementCount());
  Label(state, container);
}

void BM_CollectAllDivs(benchmark::State& state) {
  const Text page = GrownPage(size_t(state.range(0)) * 1024, int(state.range(1)));
  TagObject tags;
  for (auto _ : state) benchmark::DoNotOptimize(tags.CollectAll(page, "div"));
  state.counters["divs"] = double(tags.ElementCount());
  Label(state, page);
}

void BM_ReadEveryElementText(benchmark::State& state) {
  const Text page = GrownPage(size_t(state.range(0)) * 1024, int(state.range(1)));
  TagObject tags;
  const long n = tags.CollectAll(page, "div");
  size_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (long i = 1; i <= n; ++i) total += tags.ElementText(i).size();
    benchmark::DoNotOptimize(total);
  }
  state.counters["divs"] = double(n);
  state.counters["MB read"] = double(total) / (1 << 20);
  Label(state, page);
}

void BM_NormalizeEquals(benchmark::State& state) {
  const Text page = GrownPage(size_t(state.range(0)) * 1024, 0);
  for (auto _ : state) benchmark::DoNotOptimize(TagObject::NormalizeEquals(page));
  Label(state, page);
}

// The same replacement through the regular-expression object, for comparison.
void BM_NormalizeEqualsByPattern(benchmark::State& state) {
  const Text page = GrownPage(size_t(state.range(0)) * 1024, 0);
  RegexObject pattern;
  pattern.Create(gbk("[\\s　]{0,10}=[\\s　]{0,10}"));
  for (auto _ : state) benchmark::DoNotOptimize(pattern.ReplaceAll(page, "="));
  Label(state, page);
}

// Page sizes in KB, nesting depth of the extra div chain.
void Sizes(benchmark::internal::Benchmark* b) {
  for (int kb : {300, 600, 1200, 2048}) b->Args({kb, 0});
  b->Args({2048, 3000});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_FindResultsContainer)->Apply(Sizes);
BENCHMARK(BM_CollectResultBlocks)->Apply(Sizes);
BENCHMARK(BM_CollectAllDivs)->Apply(Sizes);
BENCHMARK(BM_ReadEveryElementText)->Apply(Sizes);
BENCHMARK(BM_NormalizeEquals)->Arg(300)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormalizeEqualsByPattern)->Arg(300)->Arg(2048)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plexaro
