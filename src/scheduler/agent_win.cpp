// The agent ("/agent"): a windowless tray process that watches for the player.
#include <windows.h>
#include <shellapi.h>

#include "../../resources/resource.h"
#include "base/cmdline.h"
#include "win/util_win.h"

namespace strevo {

static const wchar_t kAgentClass[] = L"StrevoAgent";
static const UINT kTrayMessage = WM_APP + 1;
static const UINT_PTR kAgentTimer = 1;

struct Agent {
  Args args;
  std::string exePath;
  HWND hwnd = nullptr;
  NOTIFYICONDATAW tray{};
  bool trayShown = false;
  std::string lastMinute;
  bool schedulerOpen = false;
};

static Agent* g_agent = nullptr;

static void SetTrayShown(Agent& a, bool shown) {
  SetTrayIconShown(a.tray, a.trayShown, shown);
}

static bool PlayerRuns(const Agent& a) {
  HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, Widen(MutexName(kPlayerMutexPrefix, a.exePath)).c_str());
  if (!h) return false;
  CloseHandle(h);
  return true;
}

static void AgentTick(Agent& a) {
  SetTrayShown(a, !PlayerRuns(a));
  if (!a.trayShown) return;  // the player does its own checks
}

static LRESULT CALLBACK AgentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Agent* a = g_agent;
  switch (msg) {
    case WM_TIMER:
      if (a && wp == kAgentTimer) AgentTick(*a);
      return 0;
    case WM_CLOSE:
      if (a) SetTrayShown(*a, false);
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int RunAgent(const Args& args) {
  static Agent agent;
  g_agent = &agent;
  agent.args = args;
  agent.exePath = ExePath();

  // One agent per executable path.
  bool taken = false;
  HANDLE mutex = ClaimNamedMutex(MutexName(kAgentMutexPrefix, agent.exePath), &taken);
  if (taken) return 0;

  agent.lastMinute.clear();
  agent.schedulerOpen = false;

  const std::string caption = LoadStringUtf8(IDS_PRODUCT_PART1) + LoadStringUtf8(IDS_PRODUCT_PART2) + " (Sleep)";
  RegisterWindowClassOnce(kAgentClass, AgentProc, nullptr);
  agent.hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kAgentClass, Widen(caption).c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  agent.tray = TrayIconData(agent.hwnd, kTrayMessage,
                            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_STREVO),
                                                          IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)),
                            caption);
  SetTimer(agent.hwnd, kAgentTimer, 100, nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (mutex) CloseHandle(mutex);
  return 0;
}

}  // namespace strevo
