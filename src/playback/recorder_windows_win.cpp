#include "playback/recorder_windows_win.h"

#include "../../resources/resource.h"
#include "win/util_win.h"

namespace strevo {

std::vector<HWND> BackgroundRecorderWindows() {
  const std::wstring caption = Widen(LoadStringUtf8(IDS_BACKGROUND_RECORDING));
  std::vector<HWND> found;
  for (HWND h = FindWindowExW(nullptr, nullptr, L"obj_Form", caption.c_str()); h;
       h = FindWindowExW(nullptr, h, L"obj_Form", caption.c_str()))
    found.push_back(h);
  return found;
}

int CountBackgroundRecorders() { return static_cast<int>(BackgroundRecorderWindows().size()); }

}  // namespace strevo
