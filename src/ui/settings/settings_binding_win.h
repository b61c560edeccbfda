// The settings window's controls and the values the configuration and
// playback work on: controls show the values, changes go back and run the
// operation the control stands for.
#pragma once
#include <string>
#include <vector>

namespace strevo {

struct MainWindow;

// Fills the choice lists that depend on the machine (interfaces, audio
// devices, guide files) and shows every value.
void ShowAllSettings(MainWindow& mw);
// The "Канал" page after a channel switch loaded another record.
void ShowChannelSettings(MainWindow& mw);
// A command of a settings control (the dispatcher's settings part).
void SettingsControlChanged(MainWindow& mw, int id, int code);
// The Capture folder's box, after the setting was corrected elsewhere.
void ShowCaptureFolder(MainWindow& mw);
// The crop edits can be typed into only while manual crop is on.
void EnableCropEdits(MainWindow& mw, bool enabled);
// With the 3.x engine: the controls of the settings it cannot honour are
// disabled, their tool tips saying why.
void ShowSettingsTheEngineIgnores(MainWindow& mw);

}  // namespace strevo
