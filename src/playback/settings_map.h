// Settings into engine variables: the global settings, the current channel's
// settings (stored back into the configuration list every time), and the
// variant that restarts the stream for changes that need a new start.
#pragma once
#include <string>

#include "playback/player.h"

namespace strevo {

void applyglobals(PlayerState& st, Sender sender);
void applysettings(PlayerState& st, Sender sender);
void applysettings_now(PlayerState& st, Sender sender);

// The volume slider moved (a click, a drag, the volume keys): its position is
// a global setting.
void VolumeSliderChanged(PlayerState& st, int position);

// The video filter chain for the current settings ("adjust:deinterlace:crop").
std::string VideoFilterChain(const PlayerState& st, const std::string& engineVersion);

}  // namespace strevo
