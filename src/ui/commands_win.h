// One dispatcher for the player's commands: menu items, buttons, the tray
// icon and the settings window all end up here.
#pragma once
#include <windows.h>

namespace strevo {

struct MainWindow;

void ExecuteMainMenuItem(MainWindow& mw, int number);
void ExecuteListMenuItem(MainWindow& mw, int index);
// WM_COMMAND of the main window (menus and bar controls); true when handled.
bool HandleMainCommand(MainWindow& mw, WPARAM wp, LPARAM lp);
void HandleTrayMessage(MainWindow& mw, LPARAM lp);
void HandleSettingsCommand(MainWindow& mw, int id, int code);
void ShowMainMenu(MainWindow& mw, int x, int y);
void SetVideoSize(MainWindow& mw, int width, int height);
// The channel entries after the hidden placeholder of the "Каналы" submenu;
// entry k selects channel k.
void BuildChannelEntries(MainWindow& mw);
// lstPlaylist: its context menu, and a double click that plays the channel.
void ShowChannelListMenu(MainWindow& mw, int x, int y);
void PlaySelectedListChannel(MainWindow& mw);

}  // namespace strevo
