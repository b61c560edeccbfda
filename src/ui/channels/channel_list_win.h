// The channel list on screen: the channel selector and the list box at the
// right side of the video window, filled from the list playback reads.
#pragma once

namespace strevo {

struct MainWindow;

// The channel list's width at the right side of the video window.
inline constexpr int kPlaylistBoxWidth = 240;

// Runs `reloadplaylist` on the configured address and shows the result: the
// record's lists, the channel selector (first entry chosen) and the list box.
// `requested` as for `reloadplaylist`; its message box belongs to the main
// window, and goes to the log instead when `quietly` (a scheduled reload must
// not wait for someone to press OK: the tasks after it would not run).
void ReloadChannelList(MainWindow& mw, bool requested, bool quietly = false);

// Switches between reading the list in pairs of lines and reading it with
// its tags, and reads the local copy again the chosen way.
void SetListTagsRead(MainWindow& mw, bool readTags);

// The channel (from 1) selected in the list box, -1 for none or a header.
int SelectedListChannel(const MainWindow& mw);
// Selects the row of `channel` in the list box; nothing for the pseudo-channel.
void SelectListChannel(const MainWindow& mw, int channel);

// The picture's area in the video window: the client area less the channel
// list while that shows.
int PictureAreaWidth(const MainWindow& mw);
int PictureAreaHeight(const MainWindow& mw);

// Creates the channel list box at the right side of the video window (hidden).
void CreatePlaylistBox(MainWindow& mw);
// Keeps the box at the right side when the video window is resized.
void LayoutPlaylistBox(MainWindow& mw);

}  // namespace strevo
