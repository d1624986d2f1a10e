// Link fixing on pages of growing size made of a typical article block (relative and
// absolute links in all quote styles, lazily loaded images, entities).
#include <benchmark/benchmark.h>

#include "quickread/link_fixing.h"

namespace plexaro {
namespace {

constexpr char kBlock[] =
    R"(<div class="post"><a href="/thread/1.html">t</a> <a href='page2.html'>2</a> )"
    R"(<a href=../up.html>up</a> <a href="https://o.com/x?a=1&amp;b=2">o</a> )"
    R"(<img data-src="img/p.jpg" src="ph.gif"> <img src="//cdn.net/i.png"> )"
    R"(<p>text text text text text text text text text text text text text</p></div>)"
    "\n";

Text Page(size_t bytes) {
  Text page = "<html><head><title>T</title></head><body>";
  while (page.size() < bytes) page += kBlock;
  return page + "</body></html>";
}

void BM_FixLinks(benchmark::State& state) {
  const Text page = Page(size_t(state.range(0)));
  for (auto _ : state) {
    Text inOut = page;
    benchmark::DoNotOptimize(FixLinks("http://h.com/a/b.html", inOut));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_FixLinks)->Arg(64 << 10)->Arg(1 << 20)->Arg(8 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plexaro
