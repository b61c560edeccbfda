// `reloadplaylist`: fetches the channel list into the local copy beside the
// exe and reads it. Showing it is the screen's business.
#pragma once
#include <functional>
#include <string>

#include "playback/playlist.h"

namespace strevo {

// `requested` is false at start-up (an existing local copy is then reused
// without contacting the source) and true when a user, a task or a
// maintenance run asks for a reload; then `tell` receives the message that
// says what came, before the log line of the fetch. `pseudoTitle` is the
// title of entry 0, already in the interface language. `readTags` reads the
// copy with its M3U tags instead of in pairs of lines.
ChannelList reloadplaylist(const std::string& address, const std::string& localCopy, bool requested,
                           const std::string& pseudoTitle,
                           const std::function<void(const std::string& message)>& tell, bool readTags = false);

}  // namespace strevo
