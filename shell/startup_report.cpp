#include "shell/startup_report.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

namespace plexaro {
namespace {

// The process's peak resident set ("VmHWM" of /proc/self/status) in kB, 0 when unknown.
long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

class FirstPaintWatcher final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !reported_) {
      reported_ = true;
      // Reported after the paint has been handled, so the window is really on screen.
      QTimer::singleShot(0, this, [] {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::printf("shown-at %lld peak-resident-kb %ld\n",
                    static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                    PeakResidentKb());
        std::fflush(stdout);
        QCoreApplication::exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool reported_ = false;
};

}  // namespace

void ExitWhenFirstPainted(QWidget& window) {
  window.installEventFilter(new FirstPaintWatcher(&window));
}

}  // namespace plexaro
