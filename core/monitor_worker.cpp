#include "core/monitor_worker.h"

#include <malloc.h>

#include "core/refresh_list_files.h"
#include "core/result_parser.h"
#include "web/files.h"
#include "web/gbk.h"
#include "web/text_helpers.h"

namespace plexaro {
namespace {

constexpr int kPages = 3;
constexpr int kAttemptsPerPage = 5;
constexpr auto kRetryPause = std::chrono::milliseconds(100);

// One worker's objects and state; lives on the worker's thread.
class Worker {
 public:
  Worker(std::shared_ptr<MonitorRun> run, size_t config, size_t keyword)
      : run_(std::move(run)), config_(config), keywordIndex_(keyword) {}

  void Run();

 private:
  bool ShouldStop() const { return run_->ShouldStop(config_, keywordIndex_); }
  // A pause that ends early when the worker must stop; returns ShouldStop().
  bool Pause(std::chrono::milliseconds length) {
    return run_->PauseUntil(SteadyClock::now() + length, config_, keywordIndex_);
  }
  void Start();
  bool FetchResults();
  bool FetchPageWithRetries(int page);
  bool ParseAndHandOver();
  bool HandOver(RefreshListLines& newLines);
  void PauseBetweenCycles();

  std::shared_ptr<MonitorRun> run_;
  const size_t config_;
  const size_t keywordIndex_;
  std::unique_ptr<SearchClient> client_;
  ResultParser parser_;
  Text keyword_;
  Text baseAddress_;
  Text snuid_;
  std::unique_ptr<RefreshListFiles> files_;
  std::vector<HitRecord> hits_;
};

void Worker::Start() {
  const MonitorEnvironment& environment = run_->environment();
  client_ = environment.makeClient(run_->StopFlag());
  MonitorConfig config = environment.configs->Get(config_);
  keyword_ = environment.configs->Keyword(config_, keywordIndex_);
  baseAddress_ = BuildSearchAddress(keyword_, config.siteLimit, config.keywordInTitle,
                                    config.dataSource, config.resultCount, environment.hosts);
  Text directory = environment.runDirectory + gbk("刷新列表") + kPathSeparator;
  MakeDirectories(directory);
  files_ = RefreshListFiles::Restart(directory, RefreshListName(config, keyword_));
  if (!files_->Problem().empty()) environment.host->ProblemReported(files_->Problem());
}

bool Worker::FetchPageWithRetries(int page) {
  for (int attempt = 1; attempt <= kAttemptsPerPage; ++attempt) {
    Text cookie = ReplaceAll(SearchCookieTemplate(), kSnuidPlaceholder, snuid_);
    Text response = client_->Fetch(PageAddress(baseAddress_, page), cookie);
    {
      std::lock_guard<std::mutex> lock(run_->resultLock);
      if (parser_.FindResultBlocks(response) > 0) return true;
      snuid_ = ExtractSnuid(response);
    }
    if (ShouldStop() || Pause(kRetryPause)) return false;
  }
  return false;
}

bool Worker::FetchResults() {
  for (int page = 1; page <= kPages; ++page) {
    FetchPageWithRetries(page);
    if (parser_.ElementCount() > 0) return true;
    if (ShouldStop() || Pause(kRetryPause)) return false;
  }
  return false;
}

// Parses the blocks and hands the hits over, all under the result lock, then puts the
// new hits in front of the refresh lists; false when the worker must stop.
bool Worker::ParseAndHandOver() {
  RefreshListLines newLines;
  if (!HandOver(newLines)) return false;
  if (files_) files_->Prepend(newLines.txt, newLines.html);
  return true;
}

bool Worker::HandOver(RefreshListLines& newLines) {
  std::lock_guard<std::mutex> lock(run_->resultLock);
  MonitorConfig config = run_->environment().configs->Get(config_);
  hits_.clear();
  for (long k = 1; k <= parser_.ElementCount(); ++k) {
    if (std::optional<HitRecord> hit = parser_.ParseHit(k, config, keyword_)) {
      hits_.push_back(std::move(*hit));
    }
    if (ShouldStop()) break;
  }
  if (ShouldStop()) return false;
  run_->latestHits = hits_;
  run_->environment().host->HandOver(
      HandOverRequest{config_, keywordIndex_, &run_->latestHits, &newLines});
  if (run_->ClaimTrim(SteadyClock::now())) malloc_trim(0);
  return true;
}

void Worker::PauseBetweenCycles() {
  int seconds = run_->environment().configs->Get(config_).refreshSeconds;
  if (seconds <= 0) return;
  Pause(run_->environment().secondLength * seconds);
}

void Worker::Run() {
  run_->WorkerStarted();
  Start();
  while (!ShouldStop()) {
    client_->Reset();
    parser_.PrepareCycle();
    bool found = FetchResults();
    if (ShouldStop()) break;
    if (found && !ParseAndHandOver()) break;
    run_->environment().host->CycleFinished(config_, keywordIndex_);
    PauseBetweenCycles();
  }
  files_.reset();
  run_->WorkerEnded();
}

}  // namespace

void RunWorker(std::shared_ptr<MonitorRun> run, size_t config, size_t keyword) {
  Worker(std::move(run), config, keyword).Run();
}

Text RefreshListName(const MonitorConfig& config, std::string_view keyword) {
  Text name = "[" + DataSourceName(config.dataSource) + "]" + Text(keyword);
  if (!config.siteLimit.empty()) name += " site:" + config.siteLimit;
  return CleanFileName(name);
}

}  // namespace plexaro
