// The running background recorders, found by their windows: top-level
// windows of class "obj_Form" captioned like the recorder's window.
#pragma once
#include <windows.h>

#include <vector>

namespace strevo {

std::vector<HWND> BackgroundRecorderWindows();
int CountBackgroundRecorders();

}  // namespace strevo
