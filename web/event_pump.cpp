#include "web/event_pump.h"

#include <chrono>
#include <thread>

namespace plexaro {
namespace {
thread_local PumpHook threadHook;
}

void SetThreadPumpHook(PumpHook hook) {
  threadHook = std::move(hook);
}

void PumpEvents() {
  if (threadHook) threadHook();
}

void WaitWithEvents(int milliseconds, const std::atomic<int>* flag) {
  for (int counted = 0; counted < milliseconds; counted += 10) {
    if (flag && flag->load() != 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    PumpEvents();
  }
}

}  // namespace plexaro
