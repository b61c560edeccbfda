// Which operation a change of a settings control runs: the global settings,
// the current channel's settings, or the channel's settings with a restart
// of the stream for changes that need a new start. The window only turns its
// notifications into events and runs what this table says.
#pragma once

#include "playback/player.h"

namespace strevo {

enum class SettingsEvent {
  Clicked,         // buttons and check boxes
  Selected,        // an item of a list chosen
  TextChanged,     // typed into an edit or an editable list
  FocusLost,
  SliderReleased,  // a picture slider let go
  ScrollMoved,     // the guide correction bar while it moves
  ScrollEnded,
  MiddleClick,     // a picture slider goes back to its default
};

enum class SettingsOperation { None, ApplyGlobals, ApplySettings, ApplySettingsNow };

struct SettingsAction {
  SettingsOperation operation = SettingsOperation::None;
  Sender sender = Sender::Control;
  bool operator==(const SettingsAction&) const = default;
};

SettingsAction SettingsActionFor(int controlId, SettingsEvent event);
void RunSettingsAction(PlayerState& st, const SettingsAction& action);

// The position a middle click puts a picture slider back to; -1 for any other
// control.
int PictureSliderDefault(int controlId);

}  // namespace strevo
