// The window side of the DirectShow path: the panel in the video window that
// holds the renderer, its layout, the controls this path cannot serve, and
// its share of the status tick.
#pragma once

namespace strevo {

struct MainWindow;

// Start-up in DirectShow mode (COM already initialised for this thread).
void CreateDirectShowHost(MainWindow& mw);
// Keeps the panel filling the video window and the picture laid out in it.
void FitDirectShowHost(MainWindow& mw);
// The renderer window and the picture in the panel's current size.
void LayoutDirectShowVideo(MainWindow& mw);
// The status tick's last step: a file that has reached its end stops.
void DirectShowStatusTick(MainWindow& mw);
// Shut-down: the graph and its registration go before COM does.
void ReleaseDirectShowHost(MainWindow& mw);

}  // namespace strevo
