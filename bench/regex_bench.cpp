// Tag stripping over 1 MB of a real result page (GBK), split into its costs: the whole
// ReplaceAll, the GBK -> UTF-8 conversion alone, and PCRE2's matching alone.
#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <string>

#include "web/files.h"
#include "web/gbk.h"
#include "web/regex.h"

namespace plexaro {
namespace {

constexpr const char* kTagPattern = "<[\\s\\S]+?>";

// The saved result page, converted to GBK and repeated up to 1 MB; empty when missing.
const Text& Page() {
  static const Text page = [] {
    ByteSet utf8;
    if (!ReadWholeFile(PLEXARO_BENCH_FIXTURES "/sogou/web-2021-results.html", utf8)) return Text();
    Text one = Utf8ToGbk(utf8), all;
    while (all.size() < (1u << 20)) all += one;
    return all.substr(0, 1u << 20);
  }();
  return page;
}

bool HavePage(benchmark::State& state) {
  if (!Page().empty()) return true;
  state.SkipWithError("result page fixture not found");
  return false;
}

void BM_ReplaceAllTags(benchmark::State& state) {
  if (!HavePage(state)) return;
  RegexObject regex;
  regex.Create(kTagPattern);
  for (auto _ : state) benchmark::DoNotOptimize(regex.ReplaceAll(Page(), ""));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Page().size()));
}
BENCHMARK(BM_ReplaceAllTags)->Unit(benchmark::kMillisecond);

void BM_ExecuteTags(benchmark::State& state) {
  if (!HavePage(state)) return;
  RegexObject regex;
  regex.Create(kTagPattern);
  for (auto _ : state) benchmark::DoNotOptimize(regex.Execute(Page()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Page().size()));
}
BENCHMARK(BM_ExecuteTags)->Unit(benchmark::kMillisecond);

void BM_ConvertGbkToUtf8(benchmark::State& state) {
  if (!HavePage(state)) return;
  for (auto _ : state) benchmark::DoNotOptimize(GbkToUtf8Aligned(Page()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Page().size()));
}
BENCHMARK(BM_ConvertGbkToUtf8)->Unit(benchmark::kMillisecond);

// PCRE2 alone, JIT, with the options RegexObject uses, over the UTF-8 form.
void BM_MatchOnlyTags(benchmark::State& state) {
  if (!HavePage(state)) return;
  const std::string utf8 = GbkToUtf8Aligned(Page());
  pcre2_compile_context* compileContext = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(compileContext, PCRE2_NEWLINE_ANYCRLF);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kTagPattern), PCRE2_ZERO_TERMINATED,
                                   PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, &error,
                                   &errorOffset, compileContext);
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(utf8.data());
  for (auto _ : state) {
    size_t start = 0, count = 0;
    while (pcre2_match(code, subject, utf8.size(), start, PCRE2_NO_UTF_CHECK, data, nullptr) > 0) {
      start = pcre2_get_ovector_pointer(data)[1];
      ++count;
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Page().size()));
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  pcre2_compile_context_free(compileContext);
}
BENCHMARK(BM_MatchOnlyTags)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace plexaro
