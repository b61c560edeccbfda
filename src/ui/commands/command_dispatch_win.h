// The one dispatcher of the player's commands. Buttons, menu items, channel
// entries, the channel list, the tray icon and posted player commands turn
// their input into a Command (ui/commands.h) and run it here.
#pragma once
#include "ui/commands/commands.h"

namespace strevo {

struct MainWindow;

// The player's state as the command rules see it.
CommandState CommandStateOf(const MainWindow& mw);
// Runs `command` unless its rule says it does nothing in the current state.
void RunCommand(MainWindow& mw, const Command& command);
// The check marks the player keeps itself (the two "Поверх всех окон" items
// and the mini window), shown from the state.
void ShowMenuChecks(MainWindow& mw);

}  // namespace strevo
