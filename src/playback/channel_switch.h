// Channel switching: goplaymrl, the one road by which anything starts playing
// in the player window, and the commands that lead to it.
#pragma once
#include <string>

#include "playback/player.h"

namespace strevo {

void goplaymrl(PlayerState& st, Sender sender);

// The engine options of the list entry at `index` (":name=value"), when the
// current address is that entry's; none for anything opened by hand.
std::vector<std::string> EntryOptions(const PlayerState& st, int index);

// The channel selector's selection handler, after the selection moved to
// `index`. Ignored while recording (the selection stays where it was).
void SelectChannel(PlayerState& st, int index, Sender sender);
// The pseudo-channel entry activated in the list.
void ActivatePseudoChannel(PlayerState& st, Sender sender);
void OpenCommand(PlayerState& st);
void NextChannel(PlayerState& st);
void PreviousChannel(PlayerState& st);
void BackToPreviousChannel(PlayerState& st);
void DropFile(PlayerState& st, const std::string& dropped);
// The one-shot timer armed after each engine start.
void StartPlayTimerFired(PlayerState& st);
// The first playback of the start-up: a file named on the command line, or
// the channel the configuration selected.
void FirstPlayback(PlayerState& st, const std::string& fileToOpen);

}  // namespace strevo
