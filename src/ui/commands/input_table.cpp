// The key and mouse table as the user reads it, generated from the bindings
// the player runs, so the printed table cannot drift from what keys do.
#include <string>

#include "ui/commands/input.h"

namespace strevo {

namespace {

using enum CommandId;

std::string WhatItDoes(const Command& c) {
  switch (c.id) {
    case StepUp: return "guide list, or channel list (wrapping): selection up; else the current regulator up";
    case StepDown: return "guide list, or channel list (wrapping): selection down; else the current regulator down";
    case Enter: return "guide list: hide it; channel list: play the selection; else the next regulator";
    case EnterBack: return "as Enter, but the previous regulator";
    case FullScreen: return "full screen on or off";
    case ChannelPrevious: return "previous channel";
    case ChannelNext: return "next channel";
    case Slower: return "slower playback";
    case Faster: return "faster playback";
    case ChannelLastWatched: return "back to the channel watched before";
    case ShowOsd: return "OSD with the current channel's guide";
    case ChannelList: return "channel list shown or hidden";
    case PlayPause: return "play, or pause unless recording";
    case Play: return "play";
    case Stop: return "stop (and the recording)";
    case Record: return "recording on or off";
    case ListBackgroundRecord: return "background recording of the channel selected in the channel list";
    case Snapshot: return "snapshot";
    case Exit: return "close the player";
    case VideoWindow: return "video window shown or hidden";
    case ControlPanel: return "control panel shown or hidden";
    case Guide: return "guide list of the channel selected in the channel list, else of the current channel";
    case GuideAll: return "guide of all channels";
    case ZoomIn: return "zoom + " + std::to_string(c.a);
    case ZoomOut: return "zoom - " + std::to_string(c.a);
    case ZoomReset: return "zoom 0";
    case Settings: return "settings window shown or hidden";
    case Mute: return "sound on or off";
    case Open: return "open a file or stream";
    case VolumeUp: return "volume up";
    case VolumeDown: return "volume down";
    case ScrollUp: return "the list one line up";
    case ScrollDown: return "the list one line down";
    case VideoLarger: return "video window 10 % larger";
    case VideoSmaller: return "video window 10 % smaller";
    case WindowDrag: return "move the window (at a corner: resize it)";
    case PanelDrag: return "move the control panel";
    case Menu: return "main menu";
    case Restore: return "show both windows";
    default: return std::string(CommandName(c.id));
  }
}

std::string Row(const std::string& input, const Command& c) {
  // A point is where the pointer is, not part of the binding.
  const std::string command = InfoOf(c.id).arg == ArgKind::Point ? std::string(CommandName(c.id)) : FormatCommand(c);
  return "| " + input + " | `" + command + "` | " + WhatItDoes(c) + " |\n";
}

std::string WheelName(int code) {
  const bool up = code < 76;
  const int extra = code - (up ? 20 : 76);
  std::string name = extra == 8 ? "Ctrl+wheel" : extra == 4 ? "Shift+wheel" : "wheel";
  name += up ? " up" : " down";
  if (extra == 2) name += ", right button held";
  return name + " (" + std::to_string(code) + ")";
}

std::string MouseName(MouseAction action) {
  switch (action) {
    case MouseAction::Left: return "left button on the video";
    case MouseAction::DoubleClick: return "double-click on the video";
    case MouseAction::Right: return "right button on the video";
    case MouseAction::Middle: return "middle button on the video";
    case MouseAction::PanelLeft: return "left button on the control panel";
    case MouseAction::TrayLeft: return "tray icon, left button";
    case MouseAction::TrayMiddle: return "tray icon, middle button";
    case MouseAction::TrayRight: return "tray icon, right button";
  }
  return {};
}

}  // namespace

std::string InputTableMarkdown() {
  std::string out = "| key | command | what it does |\n|---|---|---|\n";
  for (const KeyBinding& k : KeyBindings()) out += Row(KeyName(k.key, k.modifiers), k.command);
  out += "\n| mouse | command | what it does |\n|---|---|---|\n";
  for (const MouseBinding& m : MouseBindings()) out += Row(MouseName(m.action), m.command);
  for (const WheelBinding& w : WheelBindings()) out += Row(WheelName(w.code), w.command);
  out += Row("wheel up (20) over the shown guide or channel list", WheelCommand(20, true));
  out += Row("wheel down (76) over the shown guide or channel list", WheelCommand(76, true));
  int zone = 0;
  for (const StripZone& z : StripZones())
    out += Row("control strip, glyph " + std::to_string(++zone), z.command);
  return out;
}

}  // namespace strevo
