// New-hit detection: what runs on the UI thread when a worker hands over a cycle's hits.
#pragma once

#include <functional>

#include "core/monitor_host.h"
#include "core/monitor_run.h"
#include "core/result_list.h"
#include "core/tree_model.h"
#include "settings/settings_store.h"
#include "web/write_behind.h"

namespace plexaro {

// Plays the notification sound once, without blocking.
class Beeper {
 public:
  virtual ~Beeper() = default;
  virtual void Beep() = 0;
};

// UI thread only. Compares handed-over hits with the keyword's seen lists (side files
// of section "更新列表" in the store), puts the new ones at the top of the list, gives
// the lines for the refresh-list files back in the request, and beeps at most once a
// second. The seen lists reach the disk on a background thread; a refresh reads what
// was last written, pending or not, and the destructor waits for the last write.
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
  // Returns once the seen lists of every refresh so far are on the disk.
  void FlushSeenLists() { seenWrites_.Flush(); }

 private:
  // A seen list of the current section by its key.
  ByteSet ReadSeen(const Text& key);
  void WriteSeen(const Text& key, ByteSet bytes);

  SettingsStore& store_;
  const MonitorConfigList& configs_;
  ResultListModel& list_;
  TreeModel& tree_;
  Beeper& beeper_;
  bool beepSilenced_ = false;
  bool keepListStill_ = false;
  std::function<SteadyClock::time_point()> now_ = [] { return SteadyClock::now(); };
  std::optional<SteadyClock::time_point> lastBeep_;
  WriteBehindFiles seenWrites_;
};

}  // namespace plexaro
