// Channel logos on Windows: a worker thread fetches each tvg-logo of the list
// (into the "Logos" cache beside the exe, or from a local file), decodes it
// with the system's imaging component and scales it; the bitmaps reach the
// UI thread through PostToUi, and the channel list draws them.
#pragma once
#include <windows.h>

#include <string>

namespace strevo {

struct MainWindow;

// Fetches the logos of the list just read (with its tags); what the previous
// list still waited for is dropped. Nothing without tags.
void FetchChannelLogos(MainWindow& mw);

// The logo of an address as a 32-bit premultiplied bitmap, kLogoSide square;
// null until it has come, or when it could not be had.
HBITMAP ChannelLogo(const std::string& address);

// Ends the worker: a transfer under way is given up. Call on the UI thread
// before the dispatcher stops.
void StopLogoFetcher();

}  // namespace strevo
