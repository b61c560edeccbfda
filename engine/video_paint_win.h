// The decoded picture in the engine's video window: frames taken when their
// time comes (late ones dropped and counted), drawn scaled to the window with
// the status as one small line over it.
#pragma once
#include <windows.h>

#include "session_win.h"

namespace strevo::engine {

// Takes the frames that are due by `nowMs`: the newest becomes the shown one,
// older due ones are dropped. True when the shown frame changed.
bool AdvanceVideo(Session& s, int64_t nowMs);
// Draws the shown frame and the status line; false when there is no frame yet
// (the caller draws the status picture instead).
bool PaintVideo(HDC dc, const RECT& rc, Session& s);

}  // namespace strevo::engine
