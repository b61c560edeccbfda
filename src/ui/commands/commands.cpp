#include "ui/commands/commands.h"

#include <charconv>

#include "ui/commands/input.h"
#include "ui/main/main_controls.h"

namespace strevo {

namespace {

using C = Command;
using S = CommandState;

// ---- rules ----------------------------------------------------------------------

// Full screen, the mini window and desktop mode exclude one another: each is
// offered only while neither of the other two is on.
bool NeitherDesktopNorMini(const C&, const S& s) { return !s.desktopMode && !s.miniWindow; }
bool NeitherFullNorDesktop(const C&, const S& s) { return !s.fullScreen && !s.desktopMode; }
bool NeitherFullNorMini(const C&, const S& s) { return !s.fullScreen && !s.miniWindow; }

bool NotFullScreen(const C&, const S& s) { return !s.fullScreen; }
bool InFullScreen(const C&, const S& s) { return s.fullScreen; }
bool NotDocked(const C&, const S& s) { return !s.docked; }
bool NeitherDockedNorFull(const C&, const S& s) { return !s.docked && !s.fullScreen; }
// Desktop mode needs an engine that draws on the desktop; DirectShow does nothing there.
bool DesktopOffered(const C& c, const S& s) { return NeitherFullNorMini(c, s) && !s.engineWithoutDesktop; }
bool DesktopRuns(const C&, const S& s) { return !s.directShowMode && !s.engineWithoutDesktop; }
// A channel chosen while recording would be ignored, and the box would show it.
bool NotRecording(const C&, const S& s) { return !s.recording; }
// One channel test at a time: its sockets would share the groups.
bool NoChannelTest(const C&, const S& s) { return !s.channelTestRunning; }
// Hiding the panel must leave a way back: the tray icon or the video window.
bool PanelCanToggle(const C&, const S& s) { return !s.docked && (s.trayShown || s.videoShown); }
bool VideoCanToggle(const C&, const S& s) { return !s.docked && (s.trayShown || s.panelShown); }

bool MiniWindowOn(const C&, const S& s) { return s.miniWindow; }
bool DesktopOn(const C&, const S& s) { return s.desktopMode; }
bool VideoOnTopOn(const C&, const S& s) { return s.videoOnTop; }
bool FullScreenOnTopOn(const C&, const S& s) { return s.fullScreenOnTop; }
bool PanelOnTopOn(const C&, const S& s) { return s.panelOnTop; }
bool ChannelListShown(const C&, const S& s) { return s.channelListShown; }
bool PanelShown(const C&, const S& s) { return s.panelShown; }
bool VideoShown(const C&, const S& s) { return s.videoShown; }
bool SettingsShown(const C&, const S& s) { return s.settingsShown; }
bool SchedulerOpen(const C&, const S& s) { return s.schedulerOpen; }
bool GuideBoxShown(const C&, const S& s) { return s.guideBoxShown; }
bool SizeIsCurrent(const C& c, const S& s) { return c.a == s.videoWidth && c.b == s.videoHeight; }
bool ChannelIsCurrent(const C& c, const S& s) { return c.a == s.currentChannel; }

using enum CommandId;
using A = ArgKind;

}  // namespace

// clang-format off
const std::array<CommandInfo, kCommandCount> kCommands = {{
    {None,                 "none",                   A::None,     nullptr,               nullptr,           nullptr},
    {FullScreen,           "full-screen",            A::None,     NeitherDesktopNorMini, InFullScreen,      NeitherDesktopNorMini},
    {MiniWindow,           "mini-window",            A::None,     NeitherFullNorDesktop, MiniWindowOn,      nullptr},
    {DesktopMode,          "desktop-mode",           A::None,     DesktopOffered,        DesktopOn,         DesktopRuns},
    {VideoOnTop,           "video-on-top",           A::None,     NeitherDockedNorFull,  VideoOnTopOn,      nullptr},
    {VideoOnTopFullScreen, "video-on-top-full-screen", A::None,   InFullScreen,          FullScreenOnTopOn, nullptr},
    {ChannelList,          "channel-list",           A::None,     nullptr,               ChannelListShown,  nullptr},
    {ControlPanel,         "control-panel",          A::None,     NotDocked,             PanelShown,        PanelCanToggle},
    {VideoWindow,          "video-window",           A::None,     NotDocked,             VideoShown,        VideoCanToggle},
    {VideoSize,            "video-size",             A::Size,     NotFullScreen,         SizeIsCurrent,     NotFullScreen},
    {Play,                 "play",                   A::None,     nullptr,               nullptr,           nullptr},
    {Pause,                "pause",                  A::None,     nullptr,               nullptr,           nullptr},
    {PlayPause,            "play-pause",             A::None,     nullptr,               nullptr,           nullptr},
    {Stop,                 "stop",                   A::None,     nullptr,               nullptr,           nullptr},
    {Record,               "record",                 A::None,     nullptr,               nullptr,           nullptr},
    {Snapshot,             "snapshot",               A::None,     nullptr,               nullptr,           nullptr},
    {SeekBack,             "seek-back",              A::None,     nullptr,               nullptr,           nullptr},
    {SeekForward,          "seek-forward",           A::None,     nullptr,               nullptr,           nullptr},
    {PositionSet,          "position-set",           A::Position, nullptr,               nullptr,           nullptr},
    {Slower,               "slower",                 A::None,     nullptr,               nullptr,           nullptr},
    {Faster,               "faster",                 A::None,     nullptr,               nullptr,           nullptr},
    {VolumeUp,             "volume-up",              A::None,     nullptr,               nullptr,           nullptr},
    {VolumeDown,           "volume-down",            A::None,     nullptr,               nullptr,           nullptr},
    {VolumeSet,            "volume-set",             A::Position, nullptr,               nullptr,           nullptr},
    {Mute,                 "mute",                   A::None,     nullptr,               nullptr,           nullptr},
    {ChannelNext,          "channel-next",           A::None,     nullptr,               nullptr,           nullptr},
    {ChannelPrevious,      "channel-previous",       A::None,     nullptr,               nullptr,           nullptr},
    {ChannelLastWatched,   "channel-last-watched",   A::None,     nullptr,               nullptr,           nullptr},
    {ChannelSelect,        "channel-select",         A::Channel,  nullptr,               ChannelIsCurrent,  nullptr},
    {ChannelChoose,        "channel-choose",         A::None,     nullptr,               nullptr,           NotRecording},
    {Open,                 "open",                   A::None,     nullptr,               nullptr,           nullptr},
    {GuideCurrent,         "guide-current",          A::None,     nullptr,               GuideBoxShown,     nullptr},
    {GuideAll,             "guide-all",              A::None,     nullptr,               nullptr,           nullptr},
    {ShowOsd,              "osd-show",               A::None,     nullptr,               nullptr,           nullptr},
    {ExportHtml,           "guide-export",           A::None,     nullptr,               nullptr,           nullptr},
    {UpdateGuide,          "guide-update",           A::None,     nullptr,               nullptr,           nullptr},
    {UpdateChannels,       "channels-update",        A::None,     nullptr,               nullptr,           nullptr},
    {Scheduler,            "scheduler",              A::None,     nullptr,               SchedulerOpen,     nullptr},
    {Browser,              "browser",                A::None,     nullptr,               nullptr,           nullptr},
    {Settings,             "settings",               A::None,     nullptr,               SettingsShown,     nullptr},
    {SettingsShow,         "settings-show",          A::None,     nullptr,               nullptr,           nullptr},
    {Menu,                 "menu",                   A::Point,    nullptr,               nullptr,           nullptr},
    {Dock,                 "dock",                   A::None,     nullptr,               nullptr,           nullptr},
    {PanelOnTop,           "panel-on-top",           A::None,     nullptr,               PanelOnTopOn,      nullptr},
    {Minimise,             "minimise",               A::None,     nullptr,               nullptr,           nullptr},
    {ToTray,               "to-tray",                A::None,     nullptr,               nullptr,           nullptr},
    {Restore,              "restore",                A::None,     nullptr,               nullptr,           nullptr},
    {Standby,              "standby",                A::None,     nullptr,               nullptr,           nullptr},
    {Exit,                 "exit",                   A::None,     nullptr,               nullptr,           nullptr},
    {ListPlay,             "list-play",              A::None,     nullptr,               nullptr,           nullptr},
    {ListMenu,             "list-menu",              A::Point,    nullptr,               nullptr,           nullptr},
    {ListGuide,            "list-guide",             A::None,     nullptr,               nullptr,           nullptr},
    {ListBackgroundRecord, "list-background-record", A::None,     nullptr,               nullptr,           nullptr},
    {ChannelTest,          "channel-test",           A::None,     NoChannelTest,         nullptr,           NoChannelTest},
    {StepUp,               "step-up",                A::None,     nullptr,               nullptr,           nullptr},
    {StepDown,             "step-down",              A::None,     nullptr,               nullptr,           nullptr},
    {Enter,                "enter",                  A::None,     nullptr,               nullptr,           nullptr},
    {EnterBack,            "enter-back",             A::None,     nullptr,               nullptr,           nullptr},
    {ZoomIn,               "zoom-in",                A::Amount,   nullptr,               nullptr,           nullptr},
    {ZoomOut,              "zoom-out",               A::Amount,   nullptr,               nullptr,           nullptr},
    {ZoomReset,            "zoom-reset",             A::None,     nullptr,               nullptr,           nullptr},
    {Guide,                "guide",                  A::None,     nullptr,               nullptr,           nullptr},
    {ScrollUp,             "scroll-up",              A::None,     nullptr,               nullptr,           nullptr},
    {ScrollDown,           "scroll-down",            A::None,     nullptr,               nullptr,           nullptr},
    {VideoLarger,          "video-larger",           A::None,     NotFullScreen,         nullptr,           NotFullScreen},
    {VideoSmaller,         "video-smaller",          A::None,     NotFullScreen,         nullptr,           NotFullScreen},
    {WindowDrag,           "window-drag",            A::None,     NotFullScreen,         nullptr,           NotFullScreen},
    {WindowResize,         "window-resize",          A::Amount,   NeitherDockedNorFull,  nullptr,           NeitherDockedNorFull},
    {PanelDrag,            "panel-drag",             A::None,     nullptr,               nullptr,           nullptr},
}};
// clang-format on

const CommandInfo& InfoOf(CommandId id) {
  const int i = static_cast<int>(id);
  return kCommands[i >= 0 && i < kCommandCount ? i : 0];
}

std::string_view CommandName(CommandId id) { return InfoOf(id).name; }

std::optional<CommandId> CommandByName(std::string_view name) {
  for (const CommandInfo& info : kCommands)
    if (info.name == name) return info.id;
  return std::nullopt;
}

namespace {

bool ReadInt(std::string_view text, int& value) {
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool ReadPair(std::string_view text, char separator, int& a, int& b) {
  const size_t at = text.find(separator);
  return at != std::string_view::npos && ReadInt(text.substr(0, at), a) && ReadInt(text.substr(at + 1), b);
}

}  // namespace

std::string FormatCommand(const Command& command) {
  const CommandInfo& info = InfoOf(command.id);
  std::string text(info.name);
  switch (info.arg) {
    case A::None: break;
    case A::Channel:
    case A::Position:
    case A::Amount: text += " " + std::to_string(command.a); break;
    case A::Size: text += " " + std::to_string(command.a) + "x" + std::to_string(command.b); break;
    case A::Point: text += " " + std::to_string(command.a) + "," + std::to_string(command.b); break;
  }
  return text;
}

std::optional<Command> ParseCommand(std::string_view text) {
  const size_t blank = text.find(' ');
  const std::optional<CommandId> id = CommandByName(text.substr(0, blank));
  if (!id || *id == None) return std::nullopt;
  const std::string_view argument = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
  Command command = Command::Of(*id);
  bool ok = false;
  switch (InfoOf(*id).arg) {
    case A::None: ok = blank == std::string_view::npos; break;
    case A::Channel:
    case A::Position:
    case A::Amount: ok = ReadInt(argument, command.a); break;
    case A::Size: ok = ReadPair(argument, 'x', command.a, command.b); break;
    case A::Point: ok = ReadPair(argument, ',', command.a, command.b); break;
  }
  if (!ok) return std::nullopt;
  return command;
}

bool WaitsForCommandUnderWay(CommandId id) {
  switch (id) {
    case Play:
    case Pause:
    case PlayPause:
    case Stop:
    case Record:
    case Snapshot:
    case SeekBack:
    case SeekForward:
    case PositionSet:
    case Slower:
    case Faster:
    case VolumeUp:
    case VolumeDown:
    case VolumeSet:
    case Mute:
    case DesktopMode:
    case UpdateChannels: return true;
    default: return false;
  }
}

bool IsEnabled(const Command& command, const CommandState& state) {
  const CommandRule rule = InfoOf(command.id).enabled;
  return !rule || rule(command, state);
}

bool IsChecked(const Command& command, const CommandState& state) {
  const CommandRule rule = InfoOf(command.id).checked;
  return rule && rule(command, state);
}

bool Runs(const Command& command, const CommandState& state) {
  if (command.id == None) return false;
  const CommandRule rule = InfoOf(command.id).runs;
  return !rule || rule(command, state);
}

// ---- bindings -------------------------------------------------------------------

namespace {

// clang-format off
struct ButtonBinding {
  int control;
  CommandId command;
};

constexpr ButtonBinding kButtonBindings[] = {
    {kBtnMenu, Menu},                 {kBtnDock, Dock},                    {kBtnOnTop, PanelOnTop},
    {kBtnMinimise, Minimise},         {kBtnClose, Exit},
    {kBtnPlay, Play},                 {kBtnPause, Pause},                  {kBtnStop, Stop},
    {kBtnRecord, Record},             {kBtnChannelBack, ChannelPrevious},  {kBtnChannelForward, ChannelNext},
    {kBtnChannelChoice, ChannelChoose}, {kLblCurrentChannel, ChannelChoose},
    {kBtnChannelList, ChannelList},   {kBtnOpen, Open},                    {kBtnGuide, GuideAll},
    {kBtnSnapshot, Snapshot},         {kBtnFullScreen, FullScreen},
    {kBtnSeekBack, SeekBack},         {kBtnSeekForward, SeekForward},
    {kBtnSlower, Slower},             {kBtnFaster, Faster},
    {kBtnVolumeUp, VolumeUp},         {kBtnVolumeDown, VolumeDown},         {kPbVolume, VolumeSet},
    {kBtnMute, Mute},                 {kLblMuteSign, Mute},                 {kBtnSettings, SettingsShow},
    {kCbChannelSelector, ChannelSelect},
};
// clang-format on

}  // namespace

Command MainMenuCommand(int number) {
  if (number < 0 || number >= kMainMenuCount) return {};
  const CommandId id = kMainMenu[number].command;
  if (id != VideoSize) return Command::Of(id);
  int width = 0, height = 0;
  if (!ParseVideoSize(kMainMenu[number].caption, width, height)) return {};
  return Command::Size(width, height);
}

MenuItemLook MainMenuItemLook(int number, const CommandState& state) {
  if (number < 0 || number >= kMainMenuCount) return {};
  if (kMainMenu[number].disabled) return {false, false};
  // The submenu of the sizes is offered exactly when its sizes are.
  if (number == kMenuVideoSize) return {IsEnabled(Command::Size(0, 0), state), false};
  const Command command = MainMenuCommand(number);
  if (command.id == None) return {};
  return {IsEnabled(command, state), IsChecked(command, state)};
}

Command ListMenuCommand(int position) {
  if (position < 0 || position >= static_cast<int>(kChannelListMenu.size())) return {};
  return Command::Of(kChannelListMenu[position].command);
}

Command ButtonCommand(int controlId) {
  for (const ButtonBinding& b : kButtonBindings)
    if (b.control == controlId) return Command::Of(b.command);
  return {};
}

Command TrayCommand(TrayButton button, const CommandState& state, int x, int y) {
  switch (button) {
    case TrayButton::Left: return MouseCommand(MouseAction::TrayLeft);
    case TrayButton::Middle: return state.minimised ? Command{} : MouseCommand(MouseAction::TrayMiddle);
    case TrayButton::Right: {
      Command menu = MouseCommand(MouseAction::TrayRight);
      menu.a = x;
      menu.b = y;
      return menu;
    }
  }
  return {};
}

Command PostedPlayerCommand(long long number, long long argument) {
  switch (number) {
    case kPostSelectChannel:
      // An index beyond int would wrap to some other channel.
      if (argument < 0 || argument > 0x7FFFFFFF) return {};
      return Command::Channel(static_cast<int>(argument));
    case kPostNextChannel: return Command::Of(ChannelNext);
    case kPostPreviousChannel: return Command::Of(ChannelPrevious);
    case kPostLastWatchedChannel: return Command::Of(ChannelLastWatched);
    case kPostPlay: return Command::Of(Play);
    case kPostPause: return Command::Of(Pause);
    case kPostStop: return Command::Of(Stop);
    case kPostPlayPause: return Command::Of(PlayPause);
    case kPostMute: return Command::Of(Mute);
    case kPostOpen: return Command::Of(Open);
    case kPostRestore: return Command::Of(Restore);
  }
  return {};
}

}  // namespace strevo
