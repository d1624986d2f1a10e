// Throughput of the GBK-aware searches, TextBetween and DecodeEntities on a realistic page,
// beside plain memmem over the same bytes as the yardstick.
#include <benchmark/benchmark.h>
#include <string.h>

#include <filesystem>

#include "web/files.h"
#include "web/gbk.h"
#include "web/markers.h"
#include "web/text.h"
#include "web/text_helpers.h"

namespace plexaro {
namespace {

constexpr size_t kPageSize = 1024 * 1024;

// About 1 MB of result pages (UTF-8 fixtures turned into GBK), repeated; a made-up page
// with Chinese text when the fixtures are missing.
Text BuildPageBody() {
  Text body;
  std::filesystem::path fixtures = PLEXARO_BENCH_FIXTURES "/sogou";
  for (const char* name : {"web-2021-results.html", "weixin-2017-articles.html"}) {
    ByteSet bytes;
    if (ReadWholeFile(TextPath(fixtures / name), bytes)) body += Utf8ToGbk(bytes);
  }
  if (body.empty()) {
    body =
        gbk("<div class=\"vrwrap\"><h3><a href=\"http://example.com/a\">监测列表的标题</a>"
            "</h3><p class=\"str_info\">正文摘要，包括一些中文字符和 ASCII text.</p></div>\n");
  }
  Text page;
  while (page.size() < kPageSize) page += body;
  page.resize(kPageSize);
  return page;
}

// The page with `needle` only at its very end (forward searches scan everything) or
// only at its very start (backward searches scan everything).
struct Fixture {
  Text ascii = "<div id=\"plexaro-marker\">";
  Text chinese = gbk("监测列表结束标记");
  Text atEnd(const Text& needle) const { return page + needle; }
  Text atStart(const Text& needle) const { return needle + page; }
  Text page = BuildPageBody();
};

const Fixture& Shared() {
  static const Fixture fixture;
  return fixture;
}

const Text& Needle(const benchmark::State& state) {
  return state.range(0) == 0 ? Shared().ascii : Shared().chinese;
}

void Report(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
  state.SetLabel(state.range(0) == 0 ? "ascii needle" : "chinese needle");
}

void BM_Memmem(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atEnd(needle);
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(page.data(), page.size(), needle.data(), needle.size()));
  }
  Report(state, page.size());
}

void BM_FindText(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atEnd(needle);
  for (auto _ : state) benchmark::DoNotOptimize(FindText(page, needle));
  Report(state, page.size());
}

void BM_FindTextIgnoreCase(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atEnd(needle);
  for (auto _ : state) benchmark::DoNotOptimize(FindText(page, needle, 1, Case::kIgnore));
  Report(state, page.size());
}

void BM_FindTextBackward(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atStart(needle);
  for (auto _ : state) benchmark::DoNotOptimize(FindTextBackward(page, needle));
  Report(state, page.size());
}

void BM_FindTextBackwardIgnoreCase(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atStart(needle);
  for (auto _ : state) {
    benchmark::DoNotOptimize(FindTextBackward(page, needle, kWholeText, Case::kIgnore));
  }
  Report(state, page.size());
}

// Forward: the start marker only at the end of the page. Reverse: the end marker there,
// so the backward search for the start marker scans the page too.
void BM_TextBetween(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atEnd(needle + "x</p>");
  for (auto _ : state) benchmark::DoNotOptimize(TextBetween(page, needle, "</p>"));
  Report(state, page.size());
}

void BM_TextBetweenReverse(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atStart(needle) + "x" + needle;
  for (auto _ : state) {
    long position = long(page.size()) - long(needle.size()) + 1;
    benchmark::DoNotOptimize(TextBetween(page, "<!--none-->", needle, &position, true));
  }
  Report(state, page.size());
}

// Forward with an empty end marker: the source is extended by the fill-in literal.
void BM_TextBetweenToEnd(benchmark::State& state) {
  const Text& needle = Needle(state);
  Text page = Shared().atEnd(needle);
  for (auto _ : state) benchmark::DoNotOptimize(TextBetween(page, needle, ""));
  Report(state, page.size());
}

// A parsing loop as the result parser runs it: every link text of the page in turn,
// with the position carried from call to call.
void BM_TextBetweenWalk(benchmark::State& state) {
  const Text& page = Shared().page;
  size_t pieces = 0;
  for (auto _ : state) {
    long position = 1;
    for (long before = 0; position != before; ++pieces) {
      before = position;
      benchmark::DoNotOptimize(TextBetween(page, "<a ", "</a>", &position));
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
  state.counters["pieces"] = double(pieces) / double(state.iterations());
}

// The same walk with memmem and no character boundaries or letter case: the yardstick.
void BM_MemmemWalk(benchmark::State& state) {
  const Text& page = Shared().page;
  for (auto _ : state) {
    const char* at = page.data();
    const char* end = page.data() + page.size();
    for (;;) {
      auto* start = static_cast<const char*>(memmem(at, size_t(end - at), "<a ", 3));
      if (!start) break;
      auto* stop = static_cast<const char*>(memmem(start + 3, size_t(end - start - 3), "</a>", 4));
      if (!stop) break;
      benchmark::DoNotOptimize(Text(start + 3, stop));
      at = stop + 4;
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}

// The worst case for the boundary rule: 1 MB of "啊" (B0 A1) and a needle A1 B0 that
// occurs at every odd offset, always across two characters, so never as a match.
void BM_FindTextAcrossCharacters(benchmark::State& state) {
  Text text;
  while (text.size() < kPageSize) text += "\xB0\xA1";
  const bool backward = state.range(0) == 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(backward ? FindTextBackward(text, "\xA1\xB0")
                                      : FindText(text, "\xA1\xB0"));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.SetLabel(backward ? "backward" : "forward");
}

Text EntityText(size_t size) {
  const Text unit = "&lt;p&gt;" + gbk("中文") +
                    "&amp;nbsp;&#20013;&#x6587;&quot;q&quot;&#38;#65; "
                    "text &Prime; &#65";
  Text text;
  while (text.size() < size) text += unit;
  return text;
}

void BM_DecodeEntities(benchmark::State& state) {
  Text text = EntityText(size_t(state.range(0)) * 1024 * 1024);
  for (auto _ : state) benchmark::DoNotOptimize(DecodeEntities(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.SetLabel(std::to_string(state.range(0)) + " MB");
}

BENCHMARK(BM_Memmem)->Arg(0)->Arg(1);
BENCHMARK(BM_FindText)->Arg(0)->Arg(1);
BENCHMARK(BM_FindTextIgnoreCase)->Arg(0)->Arg(1);
BENCHMARK(BM_FindTextBackward)->Arg(0)->Arg(1);
BENCHMARK(BM_FindTextBackwardIgnoreCase)->Arg(0)->Arg(1);
BENCHMARK(BM_TextBetween)->Arg(0)->Arg(1);
BENCHMARK(BM_TextBetweenReverse)->Arg(0)->Arg(1);
BENCHMARK(BM_TextBetweenToEnd)->Arg(0)->Arg(1);
BENCHMARK(BM_FindTextAcrossCharacters)->Arg(0)->Arg(1);
BENCHMARK(BM_TextBetweenWalk);
BENCHMARK(BM_MemmemWalk);
BENCHMARK(BM_DecodeEntities)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plexaro
