// A window is an object: the base owns its HWND, finds itself again from any
// message through the window's user data, and dispatches to a virtual WndProc.
// PostToUi hands work from any thread to the UI thread.
#pragma once
#include <windows.h>

#include <functional>

namespace strevo {

struct WindowClassArgs {
  const wchar_t* name = nullptr;
  UINT style = 0;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  HCURSOR cursor = nullptr;  // the arrow when null
  HBRUSH background = nullptr;
};

struct WindowArgs {
  const wchar_t* className = nullptr;
  const wchar_t* title = L"";
  DWORD style = WS_OVERLAPPEDWINDOW;
  DWORD exStyle = 0;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
  HWND parent = nullptr;
  HMENU menuOrId = nullptr;
};

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  // Destroys the window if it still exists, so no message can reach a dead object.
  virtual ~Window();

  // Registers a class whose windows are Window objects (once per name).
  static bool RegisterClassOnce(const WindowClassArgs& args);
  // The same with the program's icon (resource 1) and the arrow cursor.
  static bool RegisterClassOnce(const wchar_t* name, HBRUSH background, UINT style = 0);

  // Creates the window; null on failure. One object owns at most one window.
  HWND Create(const WindowArgs& args);
  void Destroy();

  HWND hwnd() const { return hwnd_; }

  // The object behind a window of a class registered here (null otherwise).
  static Window* FromHandle(HWND hwnd);

 protected:
  // Called for every message from WM_NCCREATE on; the default is DefWindowProcW.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  // After WM_NCDESTROY: the handle is gone.
  virtual void OnDestroyed() {}
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

// Creates the hidden window through which PostToUi reaches the calling thread,
// which from then on is the UI thread. Call once, before any worker starts.
bool StartUiDispatcher();
// Drops closures still queued and refuses new ones; call on the UI thread.
void StopUiDispatcher();
// Queues fn to run on the UI thread inside its message loop, in posting order.
// Safe from any thread; false when no dispatcher runs (fn is then not run).
bool PostToUi(std::function<void()> fn);

}  // namespace strevo
