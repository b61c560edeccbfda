// The player's scheduler timer: every 8 seconds of the program's clock it
// switches channels when automatic switching is on, and on the first tick of
// each minute it carries out the tasks due then.
#pragma once

namespace strevo {

struct MainWindow;

// The timer of the main window, sized by the program's clock.
void StartSchedulerTimer(MainWindow& mw);
void SchedulerTimerTick(MainWindow& mw);

}  // namespace strevo
