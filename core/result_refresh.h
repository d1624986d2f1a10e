// New-hit detection: what runs on the UI thread when a worker hands over a cycle's hits.
#pragma once

#include <functional>

#include "core/monitor_host.h"
#include "core/monitor_run.h"
#include "core/result_list.h"
#include "core/tree_model.h"
#include "settings/settings_store.h"

namespace plexaro {

// Plays the notification sound once, without blocking.
class Beeper {
 public:
  virtual ~Beeper() = default;
  virtual void Beep() = 0;
};

// UI thread only. Compares handed-over hits with the keyword's seen lists (side files
// of section "更新列表" in the store), puts the new ones at the top of the list, in
// front of the refresh-list files, and beeps at most once a second.
class ResultRefresher {
 public:
  ResultRefresher(SettingsStore& store, const MonitorConfigList& configs, ResultListModel& list,
                  TreeModel& tree, Beeper& beeper);

  // The check boxes "选择框禁止提示音" and "选择框保持列表静止".
  void SetBeepSilenced(bool silenced) { beepSilenced_ = silenced; }
  void SetKeepListStill(bool still) { keepListStill_ = still; }
  // Tests replace the clock.
  void SetClock(std::function<SteadyClock::time_point()> now) { now_ = std::move(now); }

  // Returns the hits that were new, in result order.
  std::vector<HitRecord> RefreshResultList(const HandOverRequest& request);

 private:
  SettingsStore& store_;
  const MonitorConfigList& configs_;
  ResultListModel& list_;
  TreeModel& tree_;
  Beeper& beeper_;
  bool beepSilenced_ = false;
  bool keepListStill_ = false;
  std::function<SteadyClock::time_point()> now_ = [] { return SteadyClock::now(); };
  std::optional<SteadyClock::time_point> lastBeep_;
};

}  // namespace plexaro
