// The agent ("/agent"): a windowless tray process that watches the task file
// while no player runs and starts the player in time for a task.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <vector>

#include "../../resources/resource.h"
#include "base/cmdline.h"
#include "base/datetime.h"
#include "playback/recorder_windows_win.h"
#include "scheduler/agent.h"
#include "scheduler/shed_file_win.h"
#include "scheduler/shed_tasks.h"
#include "ui/commands/menus_win.h"
#include "ui/scheduler/scheduler_menus.h"
#include "ui/scheduler/scheduler_window_win.h"
#include "ui/texts/translate_win.h"
#include "win/clock_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

static const wchar_t kAgentClass[] = L"StrevoAgent";
static const UINT_PTR kAgentTimer = 1;
static const UINT kAgentMenuBase = 0x7000;
static const unsigned kAgentTickMs = 100;
static const unsigned kWakePauseMs = 300;

// The agent's hidden window: its timer watches for the player, its tray icon
// shows while no player runs.
class Agent : public Window {
 public:
  std::string exePath;
  std::string product;
  NOTIFYICONDATAW tray{};
  bool trayShown = false;
  std::string lastMinute;
  std::vector<ShedTask> tasks;
  std::optional<DateTime> wokenFor;  // the task minute of the last wake
  PopupMenu menu;

  void SetTrayShown(bool shown) { SetTrayIconShown(tray, trayShown, shown); }

  void Run(AgentCommand command) {
    switch (command) {
      case AgentCommand::Wake: Wake(); break;
      case AgentCommand::Scheduler: OpenSchedulerWindow({hwnd(), false, nullptr}); break;
      case AgentCommand::Exit: AskToExit(); break;
      case AgentCommand::None: break;
    }
  }

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == TaskbarCreatedMessage() && msg != 0) {
      RestoreTrayIcon(tray, trayShown);
      return 0;
    }
    switch (msg) {
      case WM_TIMER:
        if (wp == kAgentTimer) Tick();
        return 0;
      case kTrayMessage:
        if (lp == WM_RBUTTONUP) ShowMenu();
        else if (lp == WM_LBUTTONDBLCLK) Wake();
        return 0;
      case WM_COMMAND:
        if (const UINT id = LOWORD(wp); HIWORD(wp) == 0 && id >= kAgentMenuBase && id < kAgentMenuBase + kAgentMenu.size())
          Run(AgentMenuCommand(static_cast<int>(id - kAgentMenuBase)));
        return 0;
      case WM_CLOSE:
        SetTrayShown(false);
        Destroy();
        return 0;
      case WM_DESTROY:
        KillTimer(hwnd(), kAgentTimer);
        SetTrayShown(false);
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
    // Whether the player runs, not whether the shell took the icon: an icon
    // it refused must not stop the watching.
    const bool playerRuns = PlayerRuns();
    SetTrayShown(!playerRuns);
    const DateTime now = ClockNow();
    if (playerRuns) {
      // The player does its own checks and notes every task it runs in the
      // run record. Once it closes, the minute is looked at again at once:
      // a task of it that no player ran is still due.
      lastMinute.clear();
      wokenFor.reset();
      return;
    }
    if (!TakeNewMinute(lastMinute, now)) return;
    if (!ReadShedTasksFile(ShedFilePath(), tasks) || tasks.empty()) return;
    // One start per task minute, however many tasks share it: a second
    // player would only meet the first one's mutex and end.
    const ShedRuns runs = ReadShedRuns();
    const std::vector<uint64_t> keys = TaskRunKeys(tasks);
    const auto due = DueMinuteAhead(tasks, now, AgentLookAhead(ClockSpeed()),
                                    [&](int64_t minute, size_t index) { return runs.Ran(minute, keys[index]); });
    if (due && (!wokenFor || *wokenFor != *due)) {
      wokenFor = due;
      Wake();
    }
  }

  void Wake() {
    if (IsSchedulerWindowOpen()) CloseSchedulerWindow();  // its edits are lost
    PumpFor(ClockInterval(kWakePauseMs));
    SetTrayShown(false);
    StartProcessShown(OwnCommandLine(exePath, "/nologo"));
  }

  static void PumpFor(unsigned ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
      if (!PumpPendingMessages()) return;
      Sleep(10);
    }
  }

  void ShowMenu() {
    POINT p;
    GetCursorPos(&p);
    SetForegroundWindow(hwnd());
    TrackPopupMenu(menu.root, TPM_LEFTALIGN | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd(), nullptr);
    PostMessageW(hwnd(), WM_NULL, 0, 0);
  }

  void AskToExit() {
    const std::string lng = ExeSibling(".lng");
    const std::string question =
        AgentExitQuestion(TranslateText(LoadStringUtf8(IDS_AGENT_EXIT), lng),
                          TranslateText(LoadStringUtf8(IDS_AGENT_EXIT_RECORDERS), lng), CountBackgroundRecorders());
    if (MessageBoxUtf8(hwnd(), question, product, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    SetTrayShown(false);
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  }
};

int RunAgent(const Args&) {
  const std::string exePath = ExePath();
  // One agent per executable path.
  bool taken = false;
  HANDLE mutex = ClaimNamedMutex(MutexName(kAgentMutexPrefix, exePath), &taken);
  if (taken) return 0;

  Agent agent;
  agent.exePath = exePath;
  agent.product = LoadStringUtf8(IDS_PRODUCT_PART1) + LoadStringUtf8(IDS_PRODUCT_PART2);
  const std::string caption = agent.product + " (Sleep)";
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
  agent.menu = BuildPopupMenu(kAgentMenu, kAgentMenuBase);
  TranslateUi(nullptr, &agent.menu, ExeSibling(".lng"));
  SetTimer(hwnd, kAgentTimer, ClockInterval(kAgentTickMs), nullptr);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (SchedulerWindowMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (agent.menu.root) DestroyMenu(agent.menu.root);
  if (mutex) CloseHandle(mutex);
  return 0;
}

}  // namespace strevo
