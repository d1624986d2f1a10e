// Runs work on an owner thread on behalf of other threads, and waits for it: the
// synchronous hand-over from a worker to the UI thread of the headless front end (the
// window uses Qt's blocking queued calls instead).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace plexaro {

class SyncExecutor {
 public:
  // Any thread but the owner: queues `task` and returns once the owner has run it.
  // Returns false without running it when the executor is closed.
  bool RunOnOwner(std::function<void()> task);
  // The owner thread: runs every queued task; returns how many ran.
  int Drain();
  // The owner thread: sleeps until a task is queued or `timeout` has passed.
  void WaitForTask(std::chrono::milliseconds timeout);
  // Refuses new tasks and releases the waiting ones unrun; for shutting down.
  void Close();

 private:
  struct Task {
    std::function<void()> work;
    bool done = false;
  };
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task*> queue_;
  bool closed_ = false;
};

}  // namespace plexaro
