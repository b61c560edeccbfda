// The player's inputs turned into commands: WM_COMMAND of the main window
// (menus, channel entries, bar controls), the tray icon, the video window's
// context menu and list, and the player commands posted by other programs.
// Each becomes a Command and runs through RunCommand. The settings window's
// own buttons are handled here too.
#pragma once
#include <windows.h>

namespace strevo {

struct MainWindow;

// Player commands posted to the main window: PostMessage(main, kPlayerCommand,
// number, argument), the numbers of PostedCommand (ui/commands.h).
inline constexpr UINT kPlayerCommand = WM_APP + 0x51;

// WM_COMMAND of the main window; true when handled.
bool HandleMainCommand(MainWindow& mw, WPARAM wp, LPARAM lp);
// kPlayerCommand; true when the number is a command.
bool HandlePlayerCommand(MainWindow& mw, WPARAM number, LPARAM argument);
void HandleTrayMessage(MainWindow& mw, LPARAM lp);
// frmVideo: its context menu (the channel list's own over lstPlaylist, the
// main menu elsewhere) and a double click in lstPlaylist.
void HandleVideoContextMenu(MainWindow& mw, HWND target, int x, int y);
void HandleVideoCommand(MainWindow& mw, WPARAM wp, LPARAM lp);
void HandleSettingsCommand(MainWindow& mw, int id, int code);
// The channel entries after the hidden placeholder of the "Каналы" submenu;
// entry k selects channel k.
void BuildChannelEntries(MainWindow& mw);

}  // namespace strevo
