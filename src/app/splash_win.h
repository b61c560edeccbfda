// The start-up splash: the picture Images\Loading.bmp with a progress bar 0..50.
#pragma once
#include <windows.h>

#include <string>

namespace strevo {

class Splash {
 public:
  // Returns null when the picture cannot be loaded.
  static Splash* Create(const std::string& picturePath, const std::string& caption);
  void AdvanceTo(int target);
  void Hide();
  void Close();  // waits 20 ms, destroys the window, deletes this
  HWND Window() const { return hwnd_; }
  int Position() const { return position_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  HWND bar_ = nullptr;
  HBITMAP picture_ = nullptr;
  int position_ = 0;
};


}  // namespace strevo
