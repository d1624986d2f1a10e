#include "web/write_behind.h"

#include "web/files.h"

namespace plexaro {

WriteBehindFiles::WriteBehindFiles() : thread_([this] { Run(); }) {}

WriteBehindFiles::~WriteBehindFiles() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void WriteBehindFiles::Write(const Text& path, ByteSet bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_[path] = std::move(bytes);
  }
  wake_.notify_one();
}

std::optional<ByteSet> WriteBehindFiles::Pending(const Text& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto queued = queued_.find(path); queued != queued_.end()) return queued->second;
  if (running_ && running_->first == path) return running_->second;
  return std::nullopt;
}

void WriteBehindFiles::Flush() {
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [this] { return queued_.empty() && !running_; });
}

size_t WriteBehindFiles::FailedWrites() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

// Stopping still drains the queue: what was asked for reaches the disk.
void WriteBehindFiles::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
    if (queued_.empty()) return;
    running_.emplace(std::move(*queued_.begin()));
    queued_.erase(queued_.begin());
    lock.unlock();
    const Text& path = running_->first;
    bool written = MakeDirectories(path) && WriteWholeFile(path, running_->second);
    lock.lock();
    if (!written) ++failed_;
    running_.reset();
    finished_.notify_all();
  }
}

}  // namespace plexaro
