// The configuration file of a player: loaded early in the start-up, the
// global record applied once the windows exist, saved at shut-down.
#pragma once
#include <string_view>

#include "core/config.h"

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
// Shut-down: store the global record ("сап saved"), then save ("ini saved").
// A file that could not be read at start-up is never saved over.
void SaveConfiguration(MainWindow& mw);
// The two halves, for the shut-down that works between them. `fullScreen` is
// the video window's state taken before it was restored.
void StoreGlobalConfiguration(MainWindow& mw, bool fullScreen);
void SaveConfigurationFile(MainWindow& mw);

}  // namespace strevo
