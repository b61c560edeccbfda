// The scheduler window: edits the task file and lists the background
// recorders. One per process, opened from the player's menu or the agent's.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>

namespace strevo {

struct SchedulerWindowOptions {
  HWND owner = nullptr;
  bool tips = false;             // the buttons' tool tips (only in the player)
  std::function<void()> saved;   // after "OK" wrote the file
  // Whether the player reads its list with the M3U tags; without a player
  // (the agent's window) the configuration file says.
  std::optional<bool> readTags;
};

bool IsSchedulerWindowOpen();
// Builds and shows the window; does nothing while one is open.
void OpenSchedulerWindow(const SchedulerWindowOptions& options);
// Closes it as "Отмена" does: the edits are dropped.
void CloseSchedulerWindow();
// Keyboard navigation, Enter and Esc for the window; call from the thread's
// message loop before dispatching. True when the message was handled.
bool SchedulerWindowMessage(MSG* msg);

}  // namespace strevo
