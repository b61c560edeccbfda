// The start-up splash: the picture Images\Loading.bmp with a progress bar 0..50.
#pragma once
#include <windows.h>

#include <string>

#include "win/window_win.h"

namespace strevo {

class Splash : public Window {
 public:
  // Returns null when the picture cannot be loaded.
  static Splash* Create(const std::string& picturePath, const std::string& caption);
  void AdvanceTo(int target);
  void Hide();
  void Close();  // waits 20 ms, destroys the window, deletes this
  int Position() const { return position_; }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  HWND bar_ = nullptr;
  HBITMAP picture_ = nullptr;
  int position_ = 0;
};

}  // namespace strevo
