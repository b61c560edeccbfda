// The player mode: the start-up in its fixed order, then the message loop.
// Steps whose subject is built elsewhere call into that subsystem here, in
// their place, so the order of work and of the log lines stays as it is.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <windowsx.h>

#include <algorithm>

#include "../../resources/resource.h"
#include "app/config_win.h"
#include "base/eventlog.h"
#include "app/preset_win.h"
#include "app/splash_win.h"
#include "guide/guide_files_win.h"
#include "net/netif_win.h"
#include "ui/guide/guide_export_win.h"
#include "ui/guide/guide_ui_win.h"
#include "base/text_helpers.h"
#include "ui/channels/channel_list_paint_win.h"
#include "ui/channels/channel_list_win.h"
#include "ui/main/colours_win.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/commands/commands.h"
#include "ui/commands/commands_win.h"
#include "ui/video/desktop_mode_win.h"
#include "ui/video/directshow_host_win.h"
#include "ui/main/docking_win.h"
#include "ui/main/geometry.h"
#include "ui/settings/list_source_win.h"
#include "ui/settings/settings_binding_win.h"
#include "ui/settings/settings_layout.h"
#include "ui/main/status_tick_win.h"
#include "ui/texts/translate_win.h"
#include "ui/video/video_input_win.h"
#include "playback/channel_switch.h"
#include "ui/video/player_host_win.h"
#include "ui/main/recording_win.h"
#include "ui/main/scheduler_run_win.h"
#include "ui/scheduler/scheduler_window_win.h"
#include "playback/vlclib_win.h"
#include "ui/main/mainwindow_win.h"
#include "win/clock_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

void InstallFileLog();
void CloseRequest(MainWindow& mw, HWND sender);

static void Progress(MainWindow& mw, int target) {
  if (mw.splash) mw.splash->AdvanceTo(target);
}

// ---- windows ----------------------------------------------------------------

// The player's visible windows act on the one record of the process. Closing
// any of them is a close request, and files dropped on one are opened.
class PlayerWindow : public Window {
 public:
  explicit PlayerWindow(MainWindow& mw) : mw_(mw) {}

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_CLOSE:
        CloseRequest(mw_, hwnd());
        return 0;
      case WM_DROPFILES:
        OnDropFiles(mw_, reinterpret_cast<HDROP>(wp));
        return 0;
    }
    return Default(msg, wp, lp);
  }

  MainWindow& mw_;
};

// The control panel.
class MainPanelWindow : public PlayerWindow {
 public:
  using PlayerWindow::PlayerWindow;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (LRESULT result; HandlePanelInput(mw_, msg, wp, lp, result)) return result;
    // The shell restarted: its notification area lost the icon.
    if (msg == TaskbarCreatedMessage() && msg != 0) {
      RestoreTrayIcon(mw_.form.tray, mw_.form.trayShown);
      return 0;
    }
    switch (msg) {
      case WM_MOVE:
        KeepVideoAbovePanel(mw_);
        return 0;
      case WM_SIZE:
        if (mw_.form.topBar) LayoutMainForm(mw_);
        // The panel restored (its taskbar button, say) brings the video it went down with.
        if (wp == SIZE_RESTORED && !mw_.docked && mw_.frmVideo && IsIconic(mw_.frmVideo))
          ShowWindow(mw_.frmVideo, SW_RESTORE);
        return 0;
      case WM_GETMINMAXINFO: {
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
        mmi->ptMinTrackSize.x = std::max<LONG>(mmi->ptMinTrackSize.x, mw_.minMainWidth);
        mmi->ptMinTrackSize.y = std::max<LONG>(mmi->ptMinTrackSize.y, mw_.minMainHeight);
        return 0;
      }
      case WM_COMMAND:
        if (HandleMainCommand(mw_, wp, lp)) return 0;
        return Default(msg, wp, lp);
      case kTrayMessage:
        HandleTrayMessage(mw_, lp);
        return 0;
      case WM_TIMER:
        if (wp == kStartPlayTimer) OnStartPlayTimer(mw_);
        else if (wp == kOsdTimer) HideOsd(mw_);
        else if (wp == kSchedulerTimer) SchedulerTimerTick(mw_);
        else if (wp == kStatusTimer) StatusTick(mw_);
        else if (wp == kChannelMenuTimer) RefreshChannelCaptions(mw_);
        return 0;
      case kPlayerCommand:
        if (HandlePlayerCommand(mw_, wp, lp)) return 0;
        return Default(msg, wp, lp);
    }
    return PlayerWindow::WndProc(msg, wp, lp);
  }
};

// frmVideo: the picture, the channel list and the overlays over it.
class VideoWindow : public PlayerWindow {
 public:
  using PlayerWindow::PlayerWindow;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (LRESULT result; HandleVideoInput(mw_, msg, wp, lp, result)) return result;
    switch (msg) {
      case WM_MOVE:
        KeepPanelBelowVideo(mw_);
        return Default(msg, wp, lp);
      case WM_SIZE:
        KeepPanelBelowVideo(mw_);
        FitEngineHost(mw_);
        FitDirectShowHost(mw_);
        LayoutPlaylistBox(mw_);
        LayOutVideoWindow(mw_);
        return Default(msg, wp, lp);
      case WM_GETMINMAXINFO: {
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
        mmi->ptMinTrackSize.x = 40;
        mmi->ptMinTrackSize.y = 30;
        return 0;
      }
      case WM_CONTEXTMENU:
        // The channel list has a menu of its own; elsewhere the main menu serves.
        HandleVideoContextMenu(mw_, reinterpret_cast<HWND>(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
      case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = OverlayColours(mw_, reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp)))
          return reinterpret_cast<LRESULT>(brush);
        return Default(msg, wp, lp);
      case WM_CTLCOLORLISTBOX:
        // The lists lie on the video window's black.
        return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
      case WM_DRAWITEM:
        if (DrawChannelListEntry(mw_, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp)) ||
            DrawGuideListEntry(mw_, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp)) ||
            DrawControlStrip(mw_, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp)))
          return TRUE;
        return Default(msg, wp, lp);
      case WM_COMMAND:
        HandleVideoCommand(mw_, wp, lp);
        return 0;
    }
    return PlayerWindow::WndProc(msg, wp, lp);
  }
};

// frmCfg; its panel and pages forward their controls' commands themselves.
class SettingsFrameWindow : public PlayerWindow {
 public:
  using PlayerWindow::PlayerWindow;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_COMMAND) {
      const int id = LOWORD(wp) == IDOK ? static_cast<int>(kIdApply) : static_cast<int>(LOWORD(wp));
      HandleSettingsCommand(mw_, id, HIWORD(wp));
      return 0;
    }
    return PlayerWindow::WndProc(msg, wp, lp);
  }
};

// The windows of a player process; they live until the process ends.
struct PlayerWindows {
  explicit PlayerWindows(MainWindow& mw) : main(mw), video(mw), settings(mw) {}
  Window app;  // hidden; carries the program's name in the task list
  MainPanelWindow main;
  VideoWindow video;
  SettingsFrameWindow settings;
};

// ---- start-up steps ---------------------------------------------------------

// The main window of the player that runs from the same executable.
struct RunningPlayer {
  std::wstring exe;
  HWND found = nullptr;
  DWORD pid = 0;
};

static BOOL CALLBACK FindRunningPlayer(HWND h, LPARAM lp) {
  auto* search = reinterpret_cast<RunningPlayer*>(lp);
  wchar_t cls[64] = L"";
  GetClassNameW(h, cls, 64);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (lstrcmpW(cls, kMainClass) != 0 || pid == GetCurrentProcessId()) return TRUE;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return TRUE;
  wchar_t path[MAX_PATH * 2] = L"";
  DWORD size = MAX_PATH * 2;
  const bool same = QueryFullProcessImageNameW(process, 0, path, &size) && lstrcmpiW(path, search->exe.c_str()) == 0;
  CloseHandle(process);
  if (!same) return TRUE;
  search->found = h;
  search->pid = pid;
  return FALSE;
}

// A second start: the user is looking for the player, whose windows may all
// be hidden. It shows them and comes to the front; this one then ends.
static void BringBackRunningPlayer(const MainWindow& mw) {
  RunningPlayer search{Widen(mw.exePath)};
  EnumWindows(FindRunningPlayer, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return;
  AllowSetForegroundWindow(search.pid);
  PostMessageW(search.found, kPlayerCommand, kPostRestore, 0);
  LogLine("second start - player brought back");
}

static bool CheckSingleInstance(MainWindow& mw) {
  bool taken = false;
  mw.playerMutex = ClaimNamedMutex(MutexName(kPlayerMutexPrefix, mw.exePath), &taken);
  // A maintenance run beside a player holds no handle: the name keeps
  // meaning "a player runs" for exactly as long as that player does.
  return !taken || PassesSingleInstance(mw.args.First());
}

// Every way out of a maintenance run: nothing is saved, and the tray icon the
// start-up added goes with the process.
[[noreturn]] static void EndMaintenanceRun(MainWindow& mw) {
  ShowTrayIcon(mw, false);
  if (mw.playerMutex) CloseHandle(mw.playerMutex);
  ExitProcess(0);
}

// The configuration's values in the controls of both windows.
static void ShowGlobalsInControls(MainWindow& mw) {
  SetSliderPosition(mw.form.Control(kPbVolume), mw.globals.volume);
  SetOnTopButton(mw, mw.globals.panelOnTop);
  ShowMenuChecks(mw);
  ShowAllSettings(mw);
}

static void MessageLoop(MainWindow& mw) {
  MSG msg;
  while (!mw.terminated && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Tab, Enter and Escape in the settings window.
    if (mw.frmCfg && IsWindowVisible(mw.frmCfg) && IsDialogMessageW(mw.frmCfg, &msg)) continue;
    if (SchedulerWindowMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// ---- the start-up, step by step ------------------------------------------------

// The four top-level windows; a second player of the same exe ends here,
// bringing the first one's windows back.
static void CreatePlayerWindows(MainWindow& mw, PlayerWindows& windows) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);

  // The hidden application window.
  Window::RegisterClassOnce(kAppClass, nullptr);
  const std::wstring loading = Widen(mw.productName + " loading..."), product = Widen(mw.productName);
  mw.app = windows.app.Create({.className = kAppClass, .title = loading.c_str(), .style = WS_POPUP,
                               .exStyle = WS_EX_TOOLWINDOW, .x = 0, .y = 0, .width = 0, .height = 0});

  // The main window, then the single-instance rule.
  Window::RegisterClassOnce(kMainClass, GetSysColorBrush(COLOR_BTNFACE), CS_DBLCLKS);
  mw.hwnd = windows.main.Create({.className = kMainClass, .title = product.c_str(),
                                 .style = WS_POPUP | WS_BORDER | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                                 .x = -1024, .y = -1024, .width = kBarWidth, .height = 80});
  if (!CheckSingleInstance(mw)) {
    BringBackRunningPlayer(mw);
    ExitProcess(0);
  }
  RestoreDesktopColourLeftBehind(mw);

  ShowWindow(mw.hwnd, SW_HIDE);
  Window::RegisterClassOnce(kVideoClass, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), CS_DBLCLKS);
  mw.frmVideo = windows.video.Create({.className = kVideoClass, .title = product.c_str(),
                                      .style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, .x = 5, .y = 5, .width = 360,
                                      .height = 288});
  Window::RegisterClassOnce(kSettingsClass, GetSysColorBrush(COLOR_BTNFACE));
  mw.frmCfg = windows.settings.Create({.className = kSettingsClass,
                                       .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                                       .exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, .x = 100, .y = 100,
                                       .width = 420, .height = 360});
  SetWindowPos(mw.hwnd, nullptr, -1024, -1024, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(mw.hwnd, SW_SHOWNA);
  LogLine("beforecreate done");
}

static void TranslatePlayerWindows(MainWindow& mw) {
  LogLine("begin translate");
  {
    const std::string lng = ExeSibling(".lng");
    TranslateUi(mw.settings.panel, nullptr, lng);
    TranslateUi(mw.settings.tabs, nullptr, lng);
    for (HWND page : mw.settings.pages) TranslateUi(page, nullptr, lng);
    // The list-source box's entries mean their position, never their text.
    TranslateUi(mw.settings.Control(kIdListSource), nullptr, lng);
    TranslateUi(nullptr, &mw.form.mainMenu, lng);
    TranslateUi(nullptr, &mw.form.listMenu, lng);
  }
  LogLine("end translate");
  {
    // The settings window takes the translated caption of "Настройки\t(Ctrl+P)" up to its tab.
    const std::string caption = MenuItemCaption(mw.form.mainMenu, kMenuSettings);
    SetWindowTextUtf8(mw.frmCfg, caption.substr(0, caption.find('\t')));
  }
}

// The video window's font and channel list, then the engine (or DirectShow)
// and the about text that names it.
static void CreatePlayback(MainWindow& mw) {
  // Black, bold Arial.
  SendMessageW(mw.frmVideo, WM_SETFONT,
               reinterpret_cast<WPARAM>(CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial")),
               FALSE);
  LogLine("frmVideo created");
  CreatePlaylistBox(mw);
  LogLine("lstPlaylist created");
  Progress(mw, 5);

  if (!mw.directShowMode) {
    CreateEngineObject(mw);
    // The channel list lies over the picture: the engine's panel and its
    // picture window must not paint over it.
    if (mw.enginePanel)
      SetWindowLongPtrW(mw.enginePanel, GWL_STYLE, GetWindowLongPtrW(mw.enginePanel, GWL_STYLE) | WS_CLIPSIBLINGS);
    LogLine("ivlc assigned");
    // "Нет" in the engine check goes on in DirectShow mode: the engine's
    // panel, made before the question, would lie over the DirectShow panel.
    if (!mw.directShowMode) LogLine("vlc checked");
    else if (mw.enginePanel) ShowWindow(mw.enginePanel, SW_HIDE);
  }
  if (mw.directShowMode) {
    CoInitialize(nullptr);
    CreateDirectShowHost(mw);
    LogLine("coinit - usedx");
  }

  // The about text that shows it is built with the main menu.
  mw.engineVersion = mw.directShowMode ? "?" : (mw.engine ? mw.engine->Version() : "");
  SetControlText(mw.settings, kIdAboutText,
                 CompleteAboutText(ControlText(mw.settings, kIdAboutText), mw.productName, mw.version,
                                   mw.directShowMode ? "DirectShow" : "VideoLAN LibVLC v" + mw.engineVersion));
  LogLine("mode mnu done");
  Progress(mw, 15);
}

// "/updatetvg", "/updatem3u", "/exporttvg": the work, then the end of the process.
static void RunMaintenanceIfAsked(MainWindow& mw, const Args& args) {
  const Maintenance maintenance = MaintenanceOf(args);
  if (maintenance != Maintenance::None) {
    if (mw.splash) mw.splash->Hide();
    ShowWindow(mw.frmVideo, SW_HIDE);
    ShowWindow(mw.hwnd, SW_HIDE);
    if (maintenance == Maintenance::UpdateChannelList ||
        (maintenance == Maintenance::UpdateGuide && args.Second() == "/updatem3u"))
      ReloadChannelList(mw, true);
    if (maintenance == Maintenance::UpdateGuide) RunGuideUpdateAndWait(mw);
    if (maintenance == Maintenance::ExportGuide) {
      WaitForGuideUpdates(mw);  // the kept guide, read on a worker
      PumpPendingMessages();
      ExportGuide(mw, "$all", args.Second(), nullptr);
    }
    EndMaintenanceRun(mw);
  }
}

// The windows where the configuration puts them, the channel entries, the
// splash gone.
static void ShowPlayerWindows(MainWindow& mw) {
  SetWindowPos(mw.hwnd, nullptr, mw.globals.panelLeft, mw.globals.panelTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyTaskbarState(mw);
  ShowWindow(mw.frmVideo, SW_SHOWNA);
  RememberWindowPlacement(mw);
  SetWindowTextW(mw.app, Widen(WindowText(mw.hwnd)).c_str());

  BuildChannelEntries(mw);
  if (mw.lstPlaylist && IsWindowVisible(mw.lstPlaylist))
    SetWindowPos(mw.lstPlaylist, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Progress(mw, 50);
  if (mw.splash) {
    mw.splash->Close();
    mw.splash = nullptr;
  }
}

int RunPlayer(const Args& args) {
  InstallFileLog();
  // The record lives as long as the process: windows, timers and workers
  // refer to it until ExitProcess.
  static MainWindow mw;
  static PlayerWindows windows(mw);
  mw.args = args;
  mw.exePath = ExePath();
  mw.productName = LoadStringUtf8(IDS_PRODUCT_PART1) + LoadStringUtf8(IDS_PRODUCT_PART2);
  mw.version = LoadStringUtf8(IDS_VERSION);

  LogLine(kLogSeparator);
  LogLine("appstart: " + mw.productName + " " + mw.version);
  // Before any worker can exist: workers hand their results to this thread.
  StartUiDispatcher();

  CreatePlayerWindows(mw, windows);
  // Controls, menus and timers of the main window.
  BuildMainForm(mw);
  BuildSettingsWindow(mw);

  if (mw.args.First() == "/preconf") RunPresetInstaller(mw);

  LogLine("begin formcreate");
  mw.tempFolder = TempWorkFolder(SystemTempPath(), mw.exePath);
  CreateDirectoryW(Widen(mw.tempFolder).c_str(), nullptr);
  SetClientSize(mw.hwnd, kBarWidth, CollapsedPanelClientHeight(mw));
  mw.currentMrl = "?";
  mw.directShowMode = FileExists(ExeSibling(".dx"));
  InitPlayback(mw);
  AcceptDroppedFiles(mw);

  TranslatePlayerWindows(mw);
  SetComboItems(mw.settings, kIdGuideFile, GuideFileNames(ExeFolder()));

  const std::string first = args.First();
  const bool firstIsFile = !first.empty() && FileExists(first);
  const std::string loadingPicture = ExeFolder() + "\\Images\\Loading.bmp";
  if (ShouldShowSplash(first, firstIsFile, FileExists(loadingPicture)))
    mw.splash = Splash::Create(loadingPicture, mw.productName);

  LoadConfiguration(mw);

  CreatePlayback(mw);
  CreateVideoOverlays(mw);
  InstallInputHandlers(mw);
  LayOutVideoWindow(mw);
  LogLine("pnEmptyScr lbcursub lbinfo box lbrecbox ebhotkey created");
  Progress(mw, 20);

  ShowTrayIcon(mw, true);
  ListLocalAddresses(mw.interfaceItems);
  LogLine("tooltips created");
  Progress(mw, 25);
  ListSourceChanged(mw, true);
  Progress(mw, 30);

  ApplyGlobalConfiguration(mw);  // also docks the video when the configuration says so
  ShowGlobalsInControls(mw);
  LoadStoredXmltv(mw);  // after the channel list, which it is matched to
  Progress(mw, 40);
  ApplyInterfaceColours(mw, false);
  Progress(mw, 45);

  RunMaintenanceIfAsked(mw, args);
  ShowPlayerWindows(mw);
  FirstPlayback(mw, firstIsFile ? first : std::string());
  SetTimer(mw.hwnd, kStatusTimer, kStatusTickMs, nullptr);
  // On the program's clock: the guide it shows follows that clock.
  SetTimer(mw.hwnd, kChannelMenuTimer, ClockInterval(kChannelMenuRefreshMs), nullptr);
  StartSchedulerTimer(mw);
  LogLine("form created");
  mw.startupFinished = true;
  RefreshChannelCaptions(mw);
  if (mw.closeAfterStartup) PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);

  MessageLoop(mw);
  return 0;
}

}  // namespace strevo
