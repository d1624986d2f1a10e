// Starting and stopping monitoring: the start button's state machine, the start of one
// configuration's workers, and ticking or unticking all configurations.
//
// UI thread only. The start button's handler does not wait inside itself: it schedules
// the workers and returns, and the UI calls Poll() periodically (every 100 ms or so);
// Poll makes the threads of workers about to start and ends the run once its workers
// are gone, as the button's waiting loop would.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include "core/config_tree.h"
#include "core/monitor_run.h"

namespace plexaro {

class MonitorControl {
 public:
  explicit MonitorControl(MonitorEnvironment environment);
  ~MonitorControl();  // stops and joins every worker
  MonitorControl(const MonitorControl&) = delete;
  MonitorControl& operator=(const MonitorControl&) = delete;

  // The start button's caption; anything but "开始监测" means monitoring is active.
  Text Caption() const;
  bool IsActive() const;

  // A press of the start button: starts a run when idle, requests the stop otherwise.
  void OnStartButton();
  // Launches the workers due soon; ends the run when its workers have all gone (at
  // least a second after the last start). Returns true while monitoring is active.
  bool Poll();

  // Schedules the workers of the configuration at a 1-based position, about 50 ms
  // apart; those due at once start now, the others at the polls before their time.
  void StartConfig(size_t config);
  // Ticks (disable false) or unticks every configuration item of the tree, starting
  // the workers of configurations that were unticked while monitoring is active.
  void SetAllEnabled(TreeModel& tree, bool disable);
  // Tells sleeping workers that configurations changed (ticks, deletions).
  void ConfigsChanged();

  // Requests the stop and waits until every worker has ended, running the calling
  // thread's event pump so that pending hand-overs complete. For the exit paths.
  void Shutdown();

 private:
  class Relay;
  void SetCaption(const Text& caption);
  void LaunchWorker(size_t config, size_t keyword, SteadyClock::time_point startAt);
  void LaunchDueWorkers();
  void Finish();
  // Joins at most `limit` threads whose workers have ended.
  void JoinEndedThreads(size_t limit = SIZE_MAX);

  MonitorEnvironment environment_;
  std::unique_ptr<Relay> relay_;
  std::shared_ptr<MonitorRun> run_;
  struct WorkerThread;
  std::vector<std::unique_ptr<WorkerThread>> threads_;
  struct ScheduledWorker {
    size_t config;
    size_t keyword;
    SteadyClock::time_point startAt;
  };
  std::deque<ScheduledWorker> scheduled_;  // not launched yet, by start time
  SteadyClock::time_point nextStart_;      // when the next worker may start
  std::atomic<bool> problemReported_{false};
  mutable std::mutex captionMutex_;
  Text caption_;
};

const Text& IdleCaption();      // "开始监测"
const Text& StartingCaption();  // "准备监测.."
const Text& StoppingCaption();  // "正在停止.."

}  // namespace plexaro
