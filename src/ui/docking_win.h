// Docking the video window inside the main window, and undocking it.
#pragma once

namespace strevo {

struct MainWindow;

void DockVideo(MainWindow& mw);
void UndockVideo(MainWindow& mw);
// Records whether the main window sits right below the video window and the
// horizontal offset between them (moving the two together).
void RememberWindowPlacement(MainWindow& mw);

}  // namespace strevo
