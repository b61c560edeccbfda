// Desktop mode: the engine draws the picture as the desktop's background in
// the key colour. The colour it replaces is restored when the mode ends, at
// shut-down, on a crash, and at the next start after a killed process.
#pragma once

namespace strevo {

struct MainWindow;

// The menu item: turns the mode on or off. `fromMenu` also shows the video
// window again and restarts playback with the engine's wallpaper setting;
// the shut-down turns it off without either.
void ToggleDesktopMode(MainWindow& mw, bool fromMenu);

// Start-up: a colour a previous run left saved (it died in desktop mode) goes
// back onto the desktop while the desktop still shows the key colour.
void RestoreDesktopColourLeftBehind(MainWindow& mw);

}  // namespace strevo
