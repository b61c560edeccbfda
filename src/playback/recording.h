// Recording in the player and snapshots: the record button's operation,
// which restarts the current channel with a chain that also writes it to a
// file, and the snapshot asked of the engine's running video output.
#pragma once
#include "playback/bgrec_status.h"
#include "playback/player.h"

namespace strevo {

// Starts a recording of the current channel, or stops the running one and
// plays the channel on. The scheduler calls it too.
void btnrec(PlayerState& st);
// The engine's video output writes the picture it shows (engine mode only).
void TakeSnapshot(PlayerState& st);
// The arguments of a background recording of channel `index` for `minutes`
// (0: until closed), its file named with `prefix`. The audio track is the
// one of the channel's own record (never the default one's); 0 without one.
RecorderArgs BackgroundRecordingArgs(PlayerState& st, int index, int minutes, std::string_view prefix, DateTime now);

// The recording line while the flag is set and the engine plays, else "".
// Fed with the file's size (-1 when it does not exist) and the free space of
// its drive, which the shell reads.
std::string RecordingLineNow(PlayerState& st, int64_t fileBytes, std::optional<int64_t> freeBytes);

}  // namespace strevo
