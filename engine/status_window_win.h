// The status picture the engine shows instead of video, in a child window of
// the player's panel. The windows live on the engine's own UI thread; other
// threads reach it only through SendMessage.
#pragma once
#include <windows.h>

#include "session_win.h"
#include "support/engine_text.h"

namespace strevo::engine {

StatusFigures FiguresOf(const Session& s);
// Draws the status picture; the same drawing serves the window and snapshots.
void DrawStatus(HDC dc, const RECT& rc, const StatusFigures& f);

// Creates the session's window in its drawable (starting the UI thread on
// first use) and waits until it exists.
void ShowStatusWindow(Session& s);
// Destroys the session's window and waits until it is gone; nothing when the
// UI thread was never started.
void CloseStatusWindow(Session& s);
// Ends the UI thread, when no window is left, so that the library may be
// unloaded.
void StopUiThread();

}  // namespace strevo::engine
