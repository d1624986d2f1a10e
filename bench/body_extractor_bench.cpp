// Body extraction on a realistic article page and on a large page.
#include <benchmark/benchmark.h>

#include <string>

#include "quickread/body_extractor.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// A news-site article: navigation, a sidebar of links, the article in nested divs, a
// table of figures, comments, scripts and styles. `comments` scales the page.
Text ArticlePage(int comments) {
  Text page = "<!DOCTYPE html><html><head><meta charset=\"gbk\"><title>" + gbk("新闻标题") +
              "</title><style>body{margin:0} .nav a{color:#333} /* site style */</style>"
              "<script>var config = {a: 1, b: '<div>'}; function f(){ return 1 < 2; }</script>"
              "</head><body><div id=\"header\"><div class=\"nav\">";
  for (int i = 0; i < 60; ++i) {
    page += "<a href=\"/channel/" + std::to_string(i) + "\">" + gbk("频道") + "</a> ";
  }
  page += "</div><form><input type=\"text\" name=\"q\"><button>" + gbk("搜索") +
          "</button></form></div><div id=\"main\"><div class=\"side\"><ul>";
  for (int i = 0; i < 80; ++i) {
    page += "<li><a href=\"/news/" + std::to_string(i) + ".html\" title=\"t\">" +
            gbk("相关新闻标题第") + std::to_string(i) + "</a></li>\r\n";
  }
  page += "</ul></div><div class=\"article\"><h1>" + gbk("正文标题") +
          "</h1><div class=\"info\">2026-12-11 <a href=\"/src\">source</a></div>"
          "<div class=\"content\">";
  const Text paragraph = "<p>" +
                         gbk("这是文章的一段正文，讲述了事情的经过和各方的看法，"
                             "其中也包括一些数字和英文，例如") +
                         " GDP 3.5% " + gbk("以及后续的安排。") + "</p>\r\n";
  for (int i = 0; i < 40; ++i) page += paragraph;
  page += "<table class=\"data\">";
  for (int i = 0; i < 30; ++i) {
    page += "<tr><td>" + std::to_string(i) + "</td><td>" + gbk("数据项") + "</td><td>" +
            std::to_string(i * 37) + "</td></tr>";
  }
  page += "</table></div></div><div class=\"comments\">";
  for (int i = 0; i < comments; ++i) {
    page += "<div class=\"comment\"><div class=\"user\"><a href=\"/u/" + std::to_string(i) +
            "\"><img src=\"/a.png\"> user" + std::to_string(i) + "</a></div><div class=\"text\">" +
            gbk("评论内容，说得很有道理。") + "</div><!-- c --></div>\r\n";
  }
  page += "</div></div><div id=\"footer\">" + gbk("版权所有") +
          "</div><script>track();</script></body></html>";
  return page;
}

const Text& Article() {
  static const Text page = ArticlePage(1200);  // about 200 KB
  return page;
}

const Text& Large() {
  static const Text page = ArticlePage(13500);  // about 2 MB
  return page;
}

void Run(benchmark::State& state, const Text& page, ExtractMode mode) {
  BodyExtractor extractor;
  extractor.Prepare();
  for (auto _ : state) {
    benchmark::DoNotOptimize(extractor.Extract(page, mode));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
  state.counters["page_kb"] = double(page.size()) / 1024;
}

void BM_ExtractBlocksArticle(benchmark::State& state) {
  Run(state, Article(), ExtractMode::BlockDensity);
}
void BM_ExtractGroupsArticle(benchmark::State& state) {
  Run(state, Article(), ExtractMode::GroupDensity);
}
void BM_ExtractBlocksLarge(benchmark::State& state) {
  Run(state, Large(), ExtractMode::BlockDensity);
}
void BM_ExtractGroupsLarge(benchmark::State& state) {
  Run(state, Large(), ExtractMode::GroupDensity);
}
BENCHMARK(BM_ExtractBlocksArticle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractGroupsArticle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractBlocksLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractGroupsLarge)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plexaro
