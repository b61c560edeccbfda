// The player's command vocabulary: every action a button, a menu item, the
// tray icon or a posted player command can trigger is one entry here, with a
// stable name (for logs, key bindings and scripts), the kind of argument it
// takes, and pure rules over a snapshot of the player's state that say
// whether its menu item is enabled or checked and whether it does anything
// at all. Inputs are bound to commands as data; one dispatcher in the Win32
// shell (command_dispatch_win.cpp) runs them.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "ui/commands/command_id.h"
#include "ui/commands/menus.h"

namespace strevo {

enum class ArgKind { None, Channel, Size, Position, Point, Amount };

// A command with its argument: `a` is the channel index, the volume
// position, an amount, a width or an x; `b` is a height or a y.
struct Command {
  CommandId id = CommandId::None;
  int a = 0;
  int b = 0;

  static Command Of(CommandId id) { return {id, 0, 0}; }
  static Command Channel(int index) { return {CommandId::ChannelSelect, index, 0}; }
  static Command Size(int width, int height) { return {CommandId::VideoSize, width, height}; }
  static Command Volume(int position) { return {CommandId::VolumeSet, position, 0}; }
  static Command MenuAt(int x, int y) { return {CommandId::Menu, x, y}; }
  static Command ListMenuAt(int x, int y) { return {CommandId::ListMenu, x, y}; }
  static Command By(CommandId id, int amount) { return {id, amount, 0}; }
  bool operator==(const Command&) const = default;
};

// What the rules look at, taken from the windows when a rule is asked.
struct CommandState {
  bool docked = false;
  bool fullScreen = false;  // frmVideo maximised
  bool desktopMode = false;
  bool miniWindow = false;
  bool directShowMode = false;
  bool engineWithoutDesktop = false;  // the engine in use cannot draw on the desktop
  bool recording = false;
  bool channelTestRunning = false;
  bool minimised = false;  // the application
  bool trayShown = false;
  bool panelShown = false;  // the main window is visible
  bool videoShown = false;  // frmVideo is visible
  bool channelListShown = false;
  bool settingsShown = false;
  bool schedulerOpen = false;
  bool guideBoxShown = false;
  bool videoOnTop = false;
  bool fullScreenOnTop = false;
  bool panelOnTop = false;
  int channelCount = 1;      // entries of the channel selector, "Файл или поток" included
  int currentChannel = 0;    // the channel selector's index
  int videoWidth = 0;        // frmVideo's outer size
  int videoHeight = 0;
};

using CommandRule = bool (*)(const Command&, const CommandState&);

struct CommandInfo {
  CommandId id;
  std::string_view name;
  ArgKind arg;
  CommandRule enabled;  // the menu item is greyed when false; null: always enabled
  CommandRule checked;  // the menu item or button shows as on; null: never
  CommandRule runs;     // the command does nothing when false; null: always runs
};

inline constexpr int kCommandCount = static_cast<int>(CommandId::Count);
extern const std::array<CommandInfo, kCommandCount> kCommands;

const CommandInfo& InfoOf(CommandId id);
std::string_view CommandName(CommandId id);
// The command named `name`, or nullopt.
std::optional<CommandId> CommandByName(std::string_view name);

// Text form of a command, its name followed by its argument: "play",
// "channel-select 3", "volume-set 40", "video-size 640x480", "menu 10,20".
std::string FormatCommand(const Command& command);
std::optional<Command> ParseCommand(std::string_view text);

// Commands on playback that arrive while another one pauses (a channel
// switch, a recording's restart) wait for it to end. Channel choices are not
// among them: the switch under way plays the channel chosen last.
bool WaitsForCommandUnderWay(CommandId id);

bool IsEnabled(const Command& command, const CommandState& state);
bool IsChecked(const Command& command, const CommandState& state);
bool Runs(const Command& command, const CommandState& state);

// ---- bindings -----------------------------------------------------------------

// Main-menu item number -> command; separators, submenu brackets, the time
// display and the hidden channel placeholder give CommandId::None. The sizes
// of "Размер видеоокна" carry their width and height.
Command MainMenuCommand(int number);
// A main-menu item's look over the state: the bound command's rules, and for
// the items that carry no command their own (the time display and the
// placeholder stay disabled, "Размер видеоокна" follows its sizes).
struct MenuItemLook {
  bool enabled = true;
  bool checked = false;
};
MenuItemLook MainMenuItemLook(int number, const CommandState& state);

// Channel-list context menu position -> command.
Command ListMenuCommand(int position);

// Main window button or label -> command (CommandId::None when the control
// runs none). The menu button's point, the volume bar's position and the
// channel selector's index are filled in by the window, which knows them.
Command ButtonCommand(int controlId);

// Mouse buttons released over the tray icon.
enum class TrayButton { Left, Middle, Right };
// The command of a tray click; Right opens the main menu at `x`, `y`.
Command TrayCommand(TrayButton button, const CommandState& state, int x, int y);

// Player commands posted to the main window by other programs and the tests
// (message kPlayerCommand, wParam the number, lParam the argument). The
// numbers are fixed: callers outside this program rely on them.
enum PostedCommand : int {
  kPostSelectChannel = 1,  // argument: the channel selector index
  kPostNextChannel = 2,
  kPostPreviousChannel = 3,
  kPostLastWatchedChannel = 4,
  kPostPlay = 5,
  kPostPause = 6,
  kPostStop = 7,
  kPostPlayPause = 8,
  kPostMute = 9,
  kPostOpen = 10,
  kPostRestore = 11,  // both windows shown and to the front (a second start of the program)
};
Command PostedPlayerCommand(long long number, long long argument);

// Keys, the wheel, mouse actions and the control strip are bound in
// ui/input.h. Inputs still to be bound, each a table of the same shape:
// - the scheduler's "$" commands: the exact text -> command;
// - the agent's tray menu and the scheduler window's recorder list menu,
//   which run in their own windows over their own state.

}  // namespace strevo
