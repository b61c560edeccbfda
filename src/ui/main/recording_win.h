// Recording as the windows show it: the recording line over the video and the
// record button drawn red while a recording runs; and background recordings
// started from the player.
#pragma once
#include <string_view>

namespace strevo {

struct MainWindow;

// The status tick's part for recording: the line's text and visibility, and
// the record button's colour.
void ShowRecordingState(MainWindow& mw);
// Starts a background recorder for channel `index` for `minutes` (0: until
// closed), its file named with `prefix`; false when it could not be started.
bool StartBackgroundRecording(MainWindow& mw, int index, int minutes, std::string_view prefix);
// The channel selected in lstPlaylist, until closed; nothing without a selection.
void StartSelectedBackgroundRecording(MainWindow& mw);

}  // namespace strevo
