// Whole-file replacements carried out on a background thread, so that the thread which
// asks for them (the window's) never waits for the disk. Each write replaces the file
// atomically and durably (web/files.h WriteWholeFile).
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "web/text.h"

namespace plexaro {

// Writes to one path land in the order they were asked for; a write still waiting is
// replaced by a newer one to the same path, as only the newest content matters. Any
// thread may call any member.
class WriteBehindFiles {
 public:
  WriteBehindFiles();
  ~WriteBehindFiles();  // writes everything still waiting, then stops
  WriteBehindFiles(const WriteBehindFiles&) = delete;
  WriteBehindFiles& operator=(const WriteBehindFiles&) = delete;

  // Queues the replacement of `path`'s content by `bytes`; creates the file's directory
  // first if it is missing.
  void Write(const Text& path, ByteSet bytes);
  // The content a queued or running write will give `path`, so a reader never sees a
  // file older than what was asked for; nothing when no write of it is pending.
  std::optional<ByteSet> Pending(const Text& path) const;
  // Returns once every write queued before the call has been carried out.
  void Flush();
  // Writes that failed since the start (the disk full, no permission).
  size_t FailedWrites() const;

 private:
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;      // work queued, or stopping
  std::condition_variable finished_;  // a write was carried out
  std::map<Text, ByteSet> queued_;
  std::optional<std::pair<Text, ByteSet>> running_;
  size_t failed_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace plexaro
