// The main window's 800 ms status tick: the time display, the recording
// line, the overlays' visibility, the menu's checks and enabled states, the
// taskbar button or tray icon, the screen saver and which windows stay on top.
#pragma once

namespace strevo {

struct MainWindow;

inline constexpr unsigned kStatusTickMs = 800;

void StatusTick(MainWindow& mw);
// The taskbar button or tray icon the settings ask for; the tick keeps it so,
// start-up applies it before the windows are first shown.
void ApplyTaskbarState(MainWindow& mw);

// When the environment variable STREVO_VIEW_TIMING is "1", the status tick
// and the channel list's repaints write their durations to the event log
// ("status tick 412 us", "list paint 980 us"), for the responsiveness benchmark.
bool ViewTimingWanted();
// Microseconds on the performance counter.
long long MicrosecondsNow();

}  // namespace strevo
