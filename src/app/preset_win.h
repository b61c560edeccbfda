// The preset installer ("/preconf"): downloads the provider presets, lets the
// user choose one and puts it in place of the configuration file.
#pragma once

namespace strevo {

struct MainWindow;

// Asks, installs and ends the process; with "/fromplayer" it also refreshes
// the guide and the channel list and starts the agent and the player again.
[[noreturn]] void RunPresetInstaller(MainWindow& mw);

}  // namespace strevo
