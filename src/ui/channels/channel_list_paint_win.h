// The channel list's look: owner-drawn entries with icons, the guide's second
// line and progress bar, red entries and the simple view; its mouse.
#pragma once
#include <windows.h>

namespace strevo {

struct MainWindow;

// WM_DRAWITEM of the video window: true when it was the channel list's.
// Draws one line of the guide list `box`; false when the item is not its.
bool DrawGuideListEntry(MainWindow& mw, const DRAWITEMSTRUCT& item);
bool DrawChannelListEntry(MainWindow& mw, const DRAWITEMSTRUCT& item);

// The entries' height for the full or the simple view, and the list redrawn.
void ApplyChannelListStyle(MainWindow& mw);

// The list's mouse: a right press selects the entry under the pointer, a
// release shows the selected channel's OSD.
void HookChannelListMouse(MainWindow& mw);

// Redraws the entries in view, so their guide lines follow the guide.
void RedrawVisibleChannelEntries(MainWindow& mw);

}  // namespace strevo
