// `plexaro --exit-when-shown`: how long the program took to show its window and how much
// memory it held then, for measuring cold starts (scripts/measure-start).
#pragma once

#include <QWidget>

namespace plexaro {

// Once the window has been painted for the first time, prints
// "shown-at <CLOCK_REALTIME in ns> peak-resident-kb <VmHWM>" to stdout and ends the
// event loop with status 0.
void ExitWhenFirstPainted(QWidget& window);

}  // namespace plexaro
