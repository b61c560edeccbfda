// What happens when the engine library cannot be loaded, and the switch
// between the engine and DirectShow.
#pragma once

namespace strevo {

struct MainWindow;

// Asks the user: "Да" downloads the engine's components into "Vlc\" (true:
// try loading again), "Нет" switches to DirectShow for this and every later
// run (false), "Отмена" ends the process without saving anything.
bool EngineCheck(MainWindow& mw);

// The settings button "DShow <=> VLC": toggles the DirectShow marker and
// restarts the player once, through the ordinary shut-down.
void SwitchEngine(MainWindow& mw);

}  // namespace strevo
