// The per-thread event pump and the waits built on it.
//
// Long loops and waits call PumpEvents() so that a thread with an event loop (the GUI
// thread, which installs its hook) stays responsive; on other threads it does nothing.
#pragma once

#include <atomic>
#include <functional>

namespace plexaro {

using PumpHook = std::function<void()>;

// Installs the calling thread's pump hook (an empty hook removes it).
void SetThreadPumpHook(PumpHook hook);
// Runs the calling thread's hook, if any.
void PumpEvents();

// Sleeps in 10 ms steps, pumping after each, until `milliseconds` have been counted
// (10 per step) or `flag` is non-zero. A null flag waits the full time.
void WaitWithEvents(int milliseconds, const std::atomic<int>* flag = nullptr);

}  // namespace plexaro
