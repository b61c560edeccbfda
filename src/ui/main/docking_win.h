// Docking the video window inside the main window, and undocking it.
#pragma once
#include <windows.h>

namespace strevo {

struct MainWindow;

// Sizes the window so that its client area is width x height; it keeps its place.
void SetClientSize(HWND h, int width, int height);
// The panel's client height without a docked video.
int CollapsedPanelClientHeight(const MainWindow& mw);

void DockVideo(MainWindow& mw);
void UndockVideo(MainWindow& mw);
// Records whether the main window sits right below the video window and the
// horizontal offset between them (moving the two together).
void RememberWindowPlacement(MainWindow& mw);
// When the main window sat right below the free video window, one of them
// moved or sized brings the other along, at the recorded offset.
void KeepPanelBelowVideo(MainWindow& mw);
void KeepVideoAbovePanel(MainWindow& mw);

}  // namespace strevo
