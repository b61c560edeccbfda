// The settings window's controls as one table: each row names the control,
// the member of the current channel's settings or of the global settings it
// shows, how the control holds that value, and the apply function its changes
// run. Showing, taking and applying are loops over these rows; the window
// only turns its notifications into events and moves values in and out of
// its controls.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "config/config.h"
#include "playback/player.h"
#include "playback/settings_values.h"

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

// How a control holds its value.
enum class Held {
  None,           // the control only runs its apply function
  Check,
  Slider,
  NegatedSlider,  // the time-shift scroll bar's position is minus the correction
  ListIndex,      // no selection is taken as the first entry
  Text,
  Digits,         // a text of digits only: anything else typed or pasted is dropped
  ShownText,      // shown, never taken back
};

// The global settings, the current channel's settings, or the channel's
// settings with a restart of the stream for changes that need a new start.
using ApplyFunction = void (*)(PlayerState&, Sender);

using SettingsMember =
    std::variant<std::monostate, bool ChannelSettingsValues::*, int ChannelSettingsValues::*,
                 std::string ChannelSettingsValues::*, bool GlobalSettings::*, int GlobalSettings::*,
                 std::string GlobalSettings::*>;

// A set of events, one bit each.
using SettingsEvents = unsigned;
template <class... E>
constexpr SettingsEvents On(E... events) {
  return ((1u << static_cast<unsigned>(static_cast<SettingsEvent>(events))) | ... | 0u);
}

struct SettingsControlRow {
  int id;
  Held held;
  SettingsMember member;
  ApplyFunction apply = nullptr;  // run when one of `events` comes from the control
  SettingsEvents events = 0;
  Sender sender = Sender::Control;
};

std::span<const SettingsControlRow> SettingsControlRows();
// The row of a control, or null.
const SettingsControlRow* SettingsControlRowOf(int controlId);
// Whether the row's member belongs to the current channel's settings.
bool IsChannelRow(const SettingsControlRow& row);

struct SettingsAction {
  ApplyFunction apply = nullptr;
  Sender sender = Sender::Control;
  bool operator==(const SettingsAction&) const = default;
};

SettingsAction SettingsActionFor(int controlId, SettingsEvent event);
void RunSettingsAction(PlayerState& st, const SettingsAction& action);

// A setting the 3.x engine has no counterpart for (the binding logs it as
// "ignored (no counterpart)"): its control is disabled while that engine
// plays, and its tool tip says why. The snapshot preview has no control.
struct InertSetting {
  int controlId;
  std::string_view tip;
};
std::span<const InertSetting> SettingsTheThreeXEngineIgnores();

// The position a middle click puts a picture slider back to; -1 for any other
// control.
int PictureSliderDefault(int controlId);

// The values of the window's controls, each in the form its control holds it.
class SettingsControlValues {
 public:
  virtual ~SettingsControlValues() = default;
  virtual bool Checked(int id) const = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  virtual int Position(int id) const = 0;  // sliders and the scroll bar
  virtual void SetPosition(int id, int position) = 0;
  virtual int ListIndex(int id) const = 0;  // -1: nothing selected
  virtual void SetListIndex(int id, int index) = 0;
  virtual std::string Text(int id) const = 0;
  virtual void SetText(int id, const std::string& text) = 0;
};

// Shows the current channel's settings, or the global settings, in their controls.
enum class SettingsHolder { Channel, Globals };
void ShowSettingsValues(SettingsControlValues& controls, const PlayerState& st, SettingsHolder holder);
// Takes every control's value back into the settings.
void TakeSettingsValues(const SettingsControlValues& controls, PlayerState& st);

// A control changed: a middle-clicked slider goes back to its default, the
// values follow the controls, and the control's apply function, if this event
// runs it, then works on them.
void SettingsControlEvent(SettingsControlValues& controls, PlayerState& st, int controlId, SettingsEvent event);

}  // namespace strevo
