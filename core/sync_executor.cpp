#include "core/sync_executor.h"

namespace plexaro {

bool SyncExecutor::RunOnOwner(std::function<void()> task) {
  Task entry{std::move(task)};
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_) return false;
  queue_.push_back(&entry);
  changed_.notify_all();
  changed_.wait(lock, [&] { return entry.done || closed_; });
  if (!entry.done) std::erase(queue_, &entry);
  return entry.done;
}

int SyncExecutor::Drain() {
  int ran = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!queue_.empty()) {
    Task* task = queue_.front();
    queue_.pop_front();
    lock.unlock();
    task->work();
    lock.lock();
    task->done = true;
    ++ran;
    changed_.notify_all();
  }
  return ran;
}

void SyncExecutor::WaitForTask(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [&] { return !queue_.empty() || closed_; });
}

void SyncExecutor::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

}  // namespace plexaro
