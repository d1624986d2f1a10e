#include "core/monitor_run.h"

#include "web/gbk.h"

namespace plexaro {

MonitorRun::MonitorRun(MonitorEnvironment environment)
    : environment_(std::move(environment)), lastTrimTime_(SteadyClock::now()) {}

bool MonitorRun::ShouldStop(size_t config, size_t keyword) const {
  const MonitorConfigList& configs = *environment_.configs;
  return StopRequested() || !configs.IsEnabled(config) || configs.IsDeleted(config) ||
         configs.Keyword(config, keyword).empty();
}

void MonitorRun::RequestStop() {
  stopRequested_ = true;
  Wake();
}

bool MonitorRun::PauseUntil(SteadyClock::time_point deadline, size_t config, size_t keyword) {
  std::unique_lock<std::mutex> lock(wakeMutex_);
  return wakeSignal_.wait_until(lock, deadline, [&] { return ShouldStop(config, keyword); });
}

void MonitorRun::Wake() {
  // Taking the mutex orders the change before a waiter's predicate check.
  { std::lock_guard<std::mutex> lock(wakeMutex_); }
  wakeSignal_.notify_all();
}

void MonitorRun::WorkerStarted() {
  ++runningWorkers_;
  PublishCaption();
}

void MonitorRun::WorkerEnded() {
  --runningWorkers_;
  PublishCaption();
}

void MonitorRun::PublishCaption() {
  environment_.host->CaptionChanged(RunningCaption(runningWorkers_.load()));
}

bool MonitorRun::ClaimTrim(SteadyClock::time_point now) {
  using Hours = std::chrono::duration<double, std::ratio<3600>>;
  std::lock_guard<std::mutex> lock(trimMutex_);
  if (Hours(now - lastTrimTime_).count() - 10 <= 0.0000001) return false;
  lastTrimTime_ = now;
  return true;
}

Text RunningCaption(int runningWorkers) {
  return gbk("正在监测(关键词数：") + std::to_string(runningWorkers) + ")";
}

}  // namespace plexaro
