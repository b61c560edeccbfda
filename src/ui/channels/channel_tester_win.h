// The channel list's multicast test: every multicast channel of the list
// listened to in turn on a worker thread, failing ones marked "$" in the list.
#pragma once

namespace strevo {

struct MainWindow;

// Stops playback and starts the test unless the interface setting names a
// proxy or Windows Sockets cannot start. The menu command stays disabled
// until the test ends with its OSD message.
void StartChannelTest(MainWindow& mw);
bool ChannelTestRunning();

}  // namespace strevo
