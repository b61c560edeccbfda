// The agent ("/agent"): a windowless tray process that watches for the player.
#include <windows.h>
#include <shellapi.h>

#include "../../resources/resource.h"
#include "base/cmdline.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

static const wchar_t kAgentClass[] = L"StrevoAgent";
static const UINT kTrayMessage = WM_APP + 1;
static const UINT_PTR kAgentTimer = 1;

// The agent's hidden window: its timer watches for the player, its tray icon
// shows while no player runs.
class Agent : public Window {
 public:
  Args args;
  std::string exePath;
  NOTIFYICONDATAW tray{};
  bool trayShown = false;
  std::string lastMinute;
  bool schedulerOpen = false;

  void SetTrayShown(bool shown) { SetTrayIconShown(tray, trayShown, shown); }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_TIMER:
        if (wp == kAgentTimer) Tick();
        return 0;
      case WM_CLOSE:
        SetTrayShown(false);
        Destroy();
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return Default(msg, wp, lp);
  }

 private:
  bool PlayerRuns() const {
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, Widen(MutexName(kPlayerMutexPrefix, exePath)).c_str());
    if (!h) return false;
    CloseHandle(h);
    return true;
  }

  void Tick() {
    SetTrayShown(!PlayerRuns());
    if (!trayShown) return;  // the player does its own checks
  }
};

int RunAgent(const Args& args) {
  Agent agent;
  agent.args = args;
  agent.exePath = ExePath();

  // One agent per executable path.
  bool taken = false;
  HANDLE mutex = ClaimNamedMutex(MutexName(kAgentMutexPrefix, agent.exePath), &taken);
  if (taken) return 0;

  agent.lastMinute.clear();
  agent.schedulerOpen = false;

  const std::string caption = LoadStringUtf8(IDS_PRODUCT_PART1) + LoadStringUtf8(IDS_PRODUCT_PART2) + " (Sleep)";
  const std::wstring wideCaption = Widen(caption);
  Window::RegisterClassOnce(kAgentClass, nullptr);
  WindowArgs w;
  w.className = kAgentClass;
  w.title = wideCaption.c_str();
  w.style = WS_POPUP;
  w.exStyle = WS_EX_TOOLWINDOW;
  w.x = w.y = w.width = w.height = 0;
  HWND hwnd = agent.Create(w);
  agent.tray = TrayIconData(hwnd, kTrayMessage,
                            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_STREVO),
                                                          IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)),
                            caption);
  SetTimer(hwnd, kAgentTimer, 100, nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (mutex) CloseHandle(mutex);
  return 0;
}

}  // namespace strevo
