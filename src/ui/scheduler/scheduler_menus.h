// The menus of the agent's tray icon and of the scheduler window's list of
// background recorders. They act in their own windows over their own state,
// not over the player's, so they are bound to small command sets of their
// own; the item positions are the bindings.
#pragma once
#include <array>

#include "ui/commands/menus.h"

namespace strevo {

enum class AgentCommand { None, Wake, Scheduler, Exit };
enum class RecorderCommand { None, Finish, Show, Hide };

// Captions in order; the first item is the default one, drawn bold.
extern const std::array<MenuItemDef, 4> kAgentMenu;
extern const std::array<MenuItemDef, 4> kRecorderMenu;

AgentCommand AgentMenuCommand(int position);
RecorderCommand RecorderMenuCommand(int position);

}  // namespace strevo
