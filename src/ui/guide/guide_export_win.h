// The guide pages from the player: one channel's page (and the video
// window's guide list), or every channel's pages with the index, opened in
// the system's HTML application host.
#pragma once
#include <windows.h>

#include <string_view>

namespace strevo {

struct MainWindow;

// `channel`: a title, "$cur" or "$all". `target`: for one channel the page's
// path or "$tmp" (the temporary folder's "TVGuide.hta"); for "$all" the
// folder (which must exist), "$tmp" (the temporary folder, opened afterwards)
// or empty (the user picks the folder, opened afterwards). `guideList`, for
// one channel only, is filled with the programmes and shown, or null.
void ExportGuide(MainWindow& mw, std::string_view channel, std::string_view target, HWND guideList);

// "Для текущего канала": hides and clears a visible guide list, or fills it
// with the current channel's guide and shows it.
void ToggleGuideList(MainWindow& mw);

}  // namespace strevo
