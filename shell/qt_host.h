// The window's side of monitoring: workers' calls arrive here on their threads and are
// carried to the GUI thread, the hand-over synchronously (the worker waits, holding the
// result lock, until the refresh has run), captions and notices queued.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>

#include "core/monitor_host.h"

namespace plexaro {

class QtHost final : public QObject, public MonitorHost {
 public:
  // All handlers run on the GUI thread (the thread that creates the host).
  struct Handlers {
    std::function<void()> captionChanged;
    std::function<void(const HandOverRequest&)> handOver;
    std::function<void()> saveConfigs;
    std::function<void()> monitoringStopped;
    std::function<void(const Text&)> problemReported;
  };

  explicit QtHost(Handlers handlers, QObject* parent = nullptr);

  // Hand-overs after this return at once, unrun; for closing the window.
  void Close() { closed_ = true; }

  void CaptionChanged(const Text& caption) override;
  void HandOver(const HandOverRequest& request) override;
  void ProblemReported(const Text& problem) override;
  void SaveConfigs() override;
  void MonitoringStopped() override;

 private:
  Handlers handlers_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> captionQueued_{false};  // a caption update waits in the event queue
};

}  // namespace plexaro
