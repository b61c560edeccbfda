// `reloadplaylist`: fetches the channel list into the local copy beside the
// exe and rebuilds the channel lists of the main window record from it.
#pragma once

namespace strevo {

struct MainWindow;

// `sender` is false at start-up (an existing local copy is then reused
// without contacting the source) and true when a user, a task or a
// maintenance run asks for a reload (a message box tells the result).
void reloadplaylist(MainWindow& mw, bool sender);

// Creates the channel list box at the right side of the video window (hidden).
void CreatePlaylistBox(MainWindow& mw);
// Keeps the box at the right side when the video window is resized.
void LayoutPlaylistBox(MainWindow& mw);

}  // namespace strevo
