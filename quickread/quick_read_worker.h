// The quick-read worker: fetches a hit's page, extracts its body by the site's rule or
// by text density, and caches it. Runs on a thread of its own, one per request.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "quickread/body_extractor.h"

namespace plexaro {

// How the worker reaches the network; tests may serve pages from elsewhere.
class QuickReadFetcher {
 public:
  virtual ~QuickReadFetcher() = default;
  // The page after redirects and link fixing; `address` becomes the final address.
  // Empty when nothing could be fetched.
  virtual Text FetchPage(Text& address) = 0;
  // A plain fetch of `address`, decoded to GBK; empty on failure.
  virtual Text Fetch(const Text& address) = 0;
};

// The fetcher of the running program; gives up a transfer at once when `abortFlag`
// turns true.
std::unique_ptr<QuickReadFetcher> MakeNetworkFetcher(const std::atomic<bool>* abortFlag);

// "<h3>读取网页失败..请打开原网页查看</h3>"
const Text& QuickReadFailureText();

// The cache file of an address: `cacheDirectory` (ending in "/") + the address checksum
// + ".html".
Text QuickReadCachePath(const Text& cacheDirectory, std::string_view address);

// The extraction rule for a page on `host` (lower case, no scheme): the five services'
// marker rules, the Discuz! and phpWind forum markers, else block density.
struct SiteRule {
  ExtractMode mode = ExtractMode::BlockDensity;
  Text markers;
};
SiteRule ChooseSiteRule(std::string_view host, std::string_view page);

struct QuickReadOptions {
  std::chrono::milliseconds retryPause{500};  // after each failed fetch attempt
};

// The whole request for `address`: up to three fetch attempts, the site rule, the
// density fallbacks, and the cache file (written only for a real body). Returns the
// content to show (the failure text when nothing could be fetched), or nothing when
// `superseded` turned true between attempts: then nothing is cached either.
std::optional<Text> RunQuickReadWorker(Text address, const Text& cacheDirectory,
                                       QuickReadFetcher& fetcher,
                                       const std::function<bool()>& superseded,
                                       const QuickReadOptions& options = {});

}  // namespace plexaro
