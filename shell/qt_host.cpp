#include "shell/qt_host.h"

#include <QThread>
#include <future>
#include <memory>

namespace plexaro {

QtHost::QtHost(Handlers handlers, QObject* parent)
    : QObject(parent), handlers_(std::move(handlers)) {}

void QtHost::CaptionChanged(const Text&) {
  // The control keeps the caption; the window reads it when the queued call arrives, so
  // late calls never show a stale caption, and one queued call serves every change made
  // before it runs (hundreds of workers ending together change it hundreds of times).
  if (captionQueued_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        captionQueued_ = false;
        handlers_.captionChanged();
      },
      Qt::QueuedConnection);
}

namespace {

// Releases the waiting worker when the last copy of the queued call goes: after it has
// run, or when Qt discards it unrun (the host destroyed first).
class WorkerRelease {
 public:
  explicit WorkerRelease(std::promise<void>& done) : done_(done) {}
  ~WorkerRelease() { done_.set_value(); }
  WorkerRelease(const WorkerRelease&) = delete;
  WorkerRelease& operator=(const WorkerRelease&) = delete;

 private:
  std::promise<void>& done_;
};

}  // namespace

void QtHost::HandOver(const HandOverRequest& request) {
  if (closed_) return;
  auto run = [this, &request] {
    if (!closed_) handlers_.handOver(request);
  };
  if (QThread::currentThread() == thread()) {
    run();
    return;
  }
  // The wait of a blocking queued call, built on std::promise so that thread checkers
  // see the hand-over's ordering (Qt's own semaphore is invisible to them).
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  auto release = std::make_shared<WorkerRelease>(done);
  QMetaObject::invokeMethod(
      this, [run, release] { run(); }, Qt::QueuedConnection);
  release.reset();
  finished.wait();
}

void QtHost::ProblemReported(const Text& problem) {
  QMetaObject::invokeMethod(
      this, [this, problem] { handlers_.problemReported(problem); }, Qt::QueuedConnection);
}

void QtHost::SaveConfigs() {
  handlers_.saveConfigs();
}

void QtHost::MonitoringStopped() {
  handlers_.monitoringStopped();
}

}  // namespace plexaro
