// The guide on screen: the OSD line, the channel-menu captions with the
// programme on air, and the guide update run from the menu or a maintenance run.
#pragma once
#include <string>
#include <string_view>

#include "guide/guide_display.h"

namespace strevo {

struct MainWindow;
class WinGuideFiles;

// The guide's files as the cache sees them; forgotten with the cache.
WinGuideFiles& GuideFilesOnDisk();

// The guide text of a channel title or "$cur" (see GuideNowText).
std::string GuideNowTextFor(MainWindow& mw, std::string_view channel, GuideTextMode mode);

// "#message", "$vol" or "$cur"/a channel title on the OSD line, which then
// hides after 5 s (the timer's tick calls HideOsd).
void ShowOsd(MainWindow& mw, std::string_view request);
void HideOsd(MainWindow& mw);

// Reads the XMLTV guide an update left in the guide folder, for the channels
// of the list, on a worker (the transfer bar shows how far); the guide
// appears when it is read. WaitForGuideUpdates waits for it too.
void LoadStoredXmltv(MainWindow& mw);
// Matches the XMLTV guide's channels to the list's again (after the list or
// the guide changed); a list other than the one the guide was read for has
// the kept guide read again.
void MatchXmltvToList(MainWindow& mw);

// Every channel entry of the channel submenu gets its guide summary; nothing
// before the player's start-up has finished.
void RefreshChannelCaptions(MainWindow& mw);

// The update on a worker thread; one asked for while another runs waits for it.
void StartGuideUpdate(MainWindow& mw);
// The update for a maintenance run: on a worker while this thread keeps its
// windows (and the update's own hand-overs) going, until it is over.
void RunGuideUpdateAndWait(MainWindow& mw);
// Waits, keeping the windows alive, until no update runs (the shut-down).
void WaitForGuideUpdates(MainWindow& mw);

}  // namespace strevo
