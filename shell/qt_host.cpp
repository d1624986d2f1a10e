#include "shell/qt_host.h"

#include <QThread>

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

void QtHost::HandOver(const HandOverRequest& request) {
  if (closed_) return;
  auto run = [this, &request] {
    if (!closed_) handlers_.handOver(request);
  };
  if (QThread::currentThread() == thread()) {
    run();
    return;
  }
  // A pending call that Qt discards (the host destroyed first) releases the worker too.
  QMetaObject::invokeMethod(this, run, Qt::BlockingQueuedConnection);
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
