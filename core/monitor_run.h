// The shared state of one monitoring run: made anew each time monitoring starts and
// shared by its workers and the UI thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "core/hit_record.h"
#include "core/monitor_config.h"
#include "core/monitor_host.h"
#include "core/search_client.h"
#include "core/search_request.h"

namespace plexaro {

using SteadyClock = std::chrono::steady_clock;

// Everything a worker needs that does not change during a run.
struct MonitorEnvironment {
  MonitorConfigList* configs = nullptr;
  MonitorHost* host = nullptr;
  SearchClientFactory makeClient;
  SearchHosts hosts;
  Text runDirectory;  // with a trailing separator
  // How long a worker pauses per second of `refreshSeconds`; tests shorten it.
  std::chrono::milliseconds secondLength{1000};
};

class MonitorRun {
 public:
  explicit MonitorRun(MonitorEnvironment environment);

  const MonitorEnvironment& environment() const { return environment_; }

  // True when the worker of (config, keyword) must end: monitoring is stopping, the
  // configuration is unticked or deleted, or the keyword was deleted.
  bool ShouldStop(size_t config, size_t keyword) const;
  bool StopRequested() const { return stopRequested_.load(); }
  const std::atomic<bool>* StopFlag() const { return &stopRequested_; }
  void RequestStop();

  // Sleeps until `deadline` or until ShouldStop turns true; returns ShouldStop. The UI
  // calls Wake() after changing configurations so a pause ends at once.
  bool PauseUntil(SteadyClock::time_point deadline, size_t config, size_t keyword);
  void Wake();

  // Worker threads count themselves in and out; the caption follows the count.
  void WorkerStarted();
  void WorkerEnded();
  int RunningWorkers() const { return runningWorkers_.load(); }

  // `resultLock` and what it guards.
  std::mutex resultLock;
  std::vector<HitRecord> latestHits;  // guarded by resultLock

  // Claims the ten-hourly memory trim; true for the one caller that should trim.
  bool ClaimTrim(SteadyClock::time_point now);

 private:
  void PublishCaption();

  MonitorEnvironment environment_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<int> runningWorkers_{0};
  std::mutex wakeMutex_;
  std::condition_variable wakeSignal_;
  std::mutex trimMutex_;
  SteadyClock::time_point lastTrimTime_;
};

// The caption shown while workers run: "正在监测(关键词数：N)".
Text RunningCaption(int runningWorkers);

}  // namespace plexaro
