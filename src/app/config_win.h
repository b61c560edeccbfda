// The configuration file of a player: loaded early in the start-up, the
// global record applied once the windows exist, saved at shut-down.
#pragma once
#include <string_view>

#include "config/config.h"

namespace strevo {

struct MainWindow;

// Reads the ".ini" file (ANSI) into a list of UTF-8 lines; empty when missing
// or unreadable. `unreadable` tells the two apart: set when the file (or
// something in its place) exists but could not be read whole.
ConfigList LoadConfigFile(std::string_view path, bool* unreadable = nullptr);
// Writes the list (ANSI, CR LF) through a temporary file; false on failure,
// leaving the old file as it was.
bool SaveConfigFile(std::string_view path, const ConfigList& list);

// Start-up: load the file into the main window record; "Have read ini and urls".
void LoadConfiguration(MainWindow& mw);
// Start-up: apply the global record (loads the channel list, places the video window).
void ApplyGlobalConfiguration(MainWindow& mw);
// Shut-down, in two halves with work between them: store the global record
// ("сап saved"); `fullScreen` is the video window's state taken before it was
// restored. Then save the file ("ini saved"), unless it could not be read at
// start-up: a file that holds settings we never saw is not saved over.
void StoreGlobalConfiguration(MainWindow& mw, bool fullScreen);
void SaveConfigurationFile(MainWindow& mw);

}  // namespace strevo
