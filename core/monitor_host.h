// What monitoring needs from the front end that shows it (the window or the headless
// front end). The core calls it; it never calls back into the core synchronously
// except through HandOver.
#pragma once

#include <vector>

#include "core/hit_record.h"

namespace plexaro {

// The lines a refresh found for the front of a keyword's two refresh lists, newest
// first. The worker writes them once the UI thread is free again, so the window never
// waits for the disk.
struct RefreshListLines {
  Text txt;
  Text html;
};

// One worker's cycle result, handed to the UI thread.
struct HandOverRequest {
  size_t config = 0;                             // 1-based position in the configuration list
  size_t keyword = 0;                            // 1-based keyword index
  const std::vector<HitRecord>* hits = nullptr;  // `latestHits`, valid during the call
  RefreshListLines* newLines = nullptr;          // filled by the refresh when given
};

class MonitorHost {
 public:
  virtual ~MonitorHost() = default;
  // Any thread: the start button's caption changed.
  virtual void CaptionChanged(const Text& caption) = 0;
  // A worker thread, holding the result lock: runs the new-hit refresh for `request`
  // on the UI thread and returns once it has run (or at once if the UI has gone).
  virtual void HandOver(const HandOverRequest& request) = 0;
  // A worker thread: one polling cycle of (config, keyword) has ended, with or
  // without results.
  virtual void CycleFinished(size_t config, size_t keyword) {
    (void)config;
    (void)keyword;
  }
  // A worker thread: something keeps a worker from doing all of its job (its refresh
  // lists cannot be written, say); monitoring goes on.
  virtual void ProblemReported(const Text& problem) { (void)problem; }
  // UI thread: save the configurations before a run starts.
  virtual void SaveConfigs() = 0;
  // UI thread: the run has ended; tell the user.
  virtual void MonitoringStopped() = 0;
};

}  // namespace plexaro
