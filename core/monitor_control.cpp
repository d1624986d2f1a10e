#include "core/monitor_control.h"

#include <sys/resource.h>
#include <unistd.h>

#include "core/monitor_worker.h"
#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {
constexpr auto kStartSpacing = std::chrono::milliseconds(50);
constexpr auto kQuietPeriod = std::chrono::milliseconds(1000);
// A worker's thread is made this long before its start time, at the latest poll before.
constexpr auto kLaunchLead = std::chrono::milliseconds(200);
constexpr size_t kJoinsPerPoll = 25;

// Hundreds of workers wake together when a run starts or stops; on a machine with few
// cores they would take the processor from the window for tens of milliseconds. A
// worker mostly waits for the network, so it loses nothing by giving way. On Linux the
// nice value is per thread; failing to set it only costs that smoothness.
void YieldToTheWindow() {
  constexpr int kWorkerNiceness = 10;
  (void)setpriority(PRIO_PROCESS, id_t(gettid()), kWorkerNiceness);
}
}  // namespace

const Text& IdleCaption() {
  return gbk("开始监测");
}
const Text& StartingCaption() {
  return gbk("准备监测..");
}
const Text& StoppingCaption() {
  return gbk("正在停止..");
}

// A worker's thread; `ended` turns true when its body has returned.
struct MonitorControl::WorkerThread {
  std::atomic<bool> ended{false};
  std::thread thread;
};

// The host the workers see: captions are kept by the control, the rest goes to the
// front end's host.
class MonitorControl::Relay final : public MonitorHost {
 public:
  explicit Relay(MonitorControl* control) : control_(control) {}
  void CaptionChanged(const Text& caption) override { control_->SetCaption(caption); }
  void HandOver(const HandOverRequest& request) override {
    control_->environment_.host->HandOver(request);
  }
  void CycleFinished(size_t config, size_t keyword) override {
    control_->environment_.host->CycleFinished(config, keyword);
  }
  void ProblemReported(const Text& problem) override {
    // A run says why once, however many workers meet the same problem.
    if (!control_->problemReported_.exchange(true)) {
      control_->environment_.host->ProblemReported(problem);
    }
  }
  void SaveConfigs() override { control_->environment_.host->SaveConfigs(); }
  void MonitoringStopped() override { control_->environment_.host->MonitoringStopped(); }

 private:
  MonitorControl* control_;
};

MonitorControl::MonitorControl(MonitorEnvironment environment)
    : environment_(std::move(environment)),
      relay_(std::make_unique<Relay>(this)),
      caption_(IdleCaption()) {
  environment_.configs->SetChangeListener([this] { ConfigsChanged(); });
}

MonitorControl::~MonitorControl() {
  Shutdown();
  environment_.configs->SetChangeListener(nullptr);
}

Text MonitorControl::Caption() const {
  std::lock_guard<std::mutex> lock(captionMutex_);
  return caption_;
}

bool MonitorControl::IsActive() const {
  return Caption() != IdleCaption();
}

void MonitorControl::SetCaption(const Text& caption) {
  {
    std::lock_guard<std::mutex> lock(captionMutex_);
    caption_ = caption;
  }
  environment_.host->CaptionChanged(caption);
}

void MonitorControl::OnStartButton() {
  if (IsActive()) {
    SetCaption(StoppingCaption());
    if (run_) run_->RequestStop();
    return;
  }
  SetCaption(StartingCaption());
  environment_.host->SaveConfigs();
  MonitorEnvironment runEnvironment = environment_;
  runEnvironment.host = relay_.get();
  problemReported_ = false;
  run_ = std::make_shared<MonitorRun>(std::move(runEnvironment));
  nextStart_ = SteadyClock::now();
  for (size_t i = 1; i <= environment_.configs->Count(); ++i) {
    if (environment_.configs->IsEnabled(i)) StartConfig(i);
  }
}

void MonitorControl::StartConfig(size_t config) {
  if (!run_) return;
  nextStart_ = std::max(nextStart_, SteadyClock::now());
  MonitorConfig record = environment_.configs->Get(config);
  for (size_t k = 1; k <= record.keywords.size(); ++k) {
    if (!record.keywords[k - 1].empty()) scheduled_.push_back({config, k, nextStart_});
    nextStart_ += kStartSpacing;
  }
  LaunchDueWorkers();
}

// Making hundreds of threads at once would hold the UI thread for tens of milliseconds;
// made as their start times come near, they cost a poll a fraction of a millisecond.
void MonitorControl::LaunchDueWorkers() {
  if (run_ && run_->StopRequested()) scheduled_.clear();
  SteadyClock::time_point horizon = SteadyClock::now() + kLaunchLead;
  while (!scheduled_.empty() && scheduled_.front().startAt <= horizon) {
    const ScheduledWorker& next = scheduled_.front();
    LaunchWorker(next.config, next.keyword, next.startAt);
    scheduled_.pop_front();
  }
}

void MonitorControl::LaunchWorker(size_t config, size_t keyword, SteadyClock::time_point startAt) {
  auto worker = std::make_unique<WorkerThread>();
  std::atomic<bool>* ended = &worker->ended;
  worker->thread = std::thread([run = run_, config, keyword, startAt, ended] {
    YieldToTheWindow();
    // Workers of one configuration start about 50 ms apart.
    if (!run->PauseUntil(startAt, config, keyword)) RunWorker(run, config, keyword);
    *ended = true;
  });
  threads_.push_back(std::move(worker));
}

bool MonitorControl::Poll() {
  if (!run_) return IsActive();
  LaunchDueWorkers();
  JoinEndedThreads(kJoinsPerPoll);
  if (threads_.empty() && scheduled_.empty() && SteadyClock::now() >= nextStart_ + kQuietPeriod) {
    Finish();
  }
  return IsActive();
}

void MonitorControl::Finish() {
  run_.reset();
  SetCaption(IdleCaption());
  environment_.host->MonitoringStopped();
}

// A poll joins a bounded number of threads: joining hundreds at once, when a run stops,
// would hold the UI thread for tens of milliseconds.
void MonitorControl::JoinEndedThreads(size_t limit) {
  size_t joined = 0;
  std::erase_if(threads_, [&](const std::unique_ptr<WorkerThread>& worker) {
    if (joined == limit || !worker->ended) return false;
    worker->thread.join();
    ++joined;
    return true;
  });
}

void MonitorControl::SetAllEnabled(TreeModel& tree, bool disable) {
  for (int i = 0; i < tree.Count(); ++i) {
    TreeItem& item = tree.MutableItem(i);
    if (item.image != kConfigImage) continue;
    bool wasUnticked = item.checkState == kUnchecked;
    item.checkState = disable ? kUnchecked : kChecked;
    environment_.configs->SetEnabled(size_t(item.value), !disable);
    if (!disable && wasUnticked && IsActive()) StartConfig(size_t(item.value));
  }
}

void MonitorControl::ConfigsChanged() {
  if (run_) run_->Wake();
}

void MonitorControl::Shutdown() {
  if (!run_) return;
  run_->RequestStop();
  scheduled_.clear();
  while (!threads_.empty()) {
    PumpEvents();  // lets a worker's pending hand-over finish
    JoinEndedThreads();
    if (!threads_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run_.reset();
  SetCaption(IdleCaption());
}

}  // namespace plexaro
