#include "quickread/quick_read_worker.h"

#include <thread>

#include "quickread/page_loader.h"
#include "web/address.h"
#include "web/files.h"
#include "web/gbk.h"
#include "web/markers.h"
#include "web/timed_fetch.h"
#include "web/web_request.h"

namespace plexaro {
namespace {

constexpr int kFetchAttempts = 3;

class NetworkFetcher final : public QuickReadFetcher {
 public:
  explicit NetworkFetcher(const std::atomic<bool>* abortFlag) : abortFlag_(abortFlag) {
    request_.SetExternalAbort(abortFlag);
  }
  Text FetchPage(Text& address) override {
    return plexaro::FetchPage(address, CharsetHint::kDetect, 60, {}, kEmptyPagePauseMs, abortFlag_);
  }
  Text Fetch(const Text& address) override { return request_.Fetch(address); }

 private:
  const std::atomic<bool>* abortFlag_;
  WebRequest request_;
};

struct MarkerRule {
  const char* host;
  ExtractMode mode;
  const char* markers;
};

// The services whose pages have a known body element.
const MarkerRule kServiceRules[] = {
    {"tieba.baidu.com", ExtractMode::MarkerAll, "<div class=\"d_post_content j_d_post_content \">"},
    {"bbs.tianya.cn", ExtractMode::MarkerAll,
     "<div class=\"bbs-content clearfix\">|<div class=\"bbs-content\">"},
    {"zhidao.baidu.com", ExtractMode::MarkerAll,
     "<pre accuse=\"qContent\">|<pre accuse=\"aContent\">"},
    {"jingyan.baidu.com", ExtractMode::MarkerFirst, "<div class=\"exp-content format-exp\">"},
    {"wenwen.sogou.com", ExtractMode::MarkerAll, "<div class=\"question-con\">|<pre>"},
};

// Signs of forum software, written with "''" for a double quote.
constexpr std::string_view kDiscuzSign = "<div id=''discuz_tips''";
constexpr std::string_view kPhpWindSigns =
    "<a href=''http://www.phpwind.net/'' target=''_blank'' class=''s4''>"
    "|http://init.phpwind.net/init.php?sitehash="
    "|<a href=''http://www.phpwind.net/'' target=''_blank''><span class=''b s2''>";

bool HasAnySign(std::string_view page, std::string_view signs) {
  for (const Text& sign : SplitText(signs, "|")) {
    if (FindText(page, PairsToQuotes(sign), 1, Case::kIgnore) > 0) return true;
  }
  return false;
}

Text Extract(BodyExtractor& extractor, const Text& page, const SiteRule& rule) {
  return extractor.Extract(page, rule.mode, rule.markers);
}

}  // namespace

std::unique_ptr<QuickReadFetcher> MakeNetworkFetcher(const std::atomic<bool>* abortFlag) {
  return std::make_unique<NetworkFetcher>(abortFlag);
}

const Text& QuickReadFailureText() {
  return gbk("<h3>读取网页失败..请打开原网页查看</h3>");
}

Text QuickReadCachePath(const Text& cacheDirectory, std::string_view address) {
  return cacheDirectory + AddressChecksum(address) + ".html";
}

SiteRule ChooseSiteRule(std::string_view host, std::string_view page) {
  for (const MarkerRule& rule : kServiceRules) {
    if (host == rule.host) return SiteRule{rule.mode, rule.markers};
  }
  if (HasAnySign(page, kDiscuzSign)) return SiteRule{ExtractMode::MarkerAll, "<td class=\"t_f\">"};
  if (HasAnySign(page, kPhpWindSigns)) {
    return SiteRule{ExtractMode::MarkerAll, "<div class=\"tpc_content\">"};
  }
  return SiteRule{};
}

std::optional<Text> RunQuickReadWorker(Text address, const Text& cacheDirectory,
                                       QuickReadFetcher& fetcher,
                                       const std::function<bool()>& superseded,
                                       const QuickReadOptions& options) {
  BodyExtractor extractor;
  extractor.Prepare();
  const Text cachePath = QuickReadCachePath(cacheDirectory, address);
  Text page;
  for (int attempt = 0; attempt < kFetchAttempts && page.empty(); ++attempt) {
    page = fetcher.FetchPage(address);
    if (!page.empty()) break;
    if (superseded()) return std::nullopt;
    std::this_thread::sleep_for(options.retryPause);
  }
  // A time-out message is no page: showing it is right, keeping it forever is not.
  if (page.empty() || page == FetchTimeoutMessage()) {
    return page.empty() ? QuickReadFailureText() : page;
  }
  SiteRule rule = ChooseSiteRule(AsciiLowerText(HostOfAddress(address)), page);
  Text content = Extract(extractor, page, rule);
  bool density = rule.mode == ExtractMode::BlockDensity && rule.markers.empty();
  if (density && content.empty()) {
    content = extractor.Extract(fetcher.Fetch(address), ExtractMode::GroupDensity);
  }
  if (content.empty()) content = page;
  MakeDirectories(cachePath);
  WriteWholeFile(cachePath, content);
  return content;
}

}  // namespace plexaro
