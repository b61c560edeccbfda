// The player's one close handler. Closing the video or the settings window
// becomes a close of the main window; that one stops playback, saves the
// configuration, cleans the temporary folder and ends the process, starting
// the agent first when background recordings still run.
#include <windows.h>

#include "app/config_win.h"
#include "base/eventlog.h"
#include "playback/player.h"
#include "playback/recorder_windows_win.h"
#include "ui/video/player_host_win.h"
#include "playback/settings_map.h"
#include "ui/video/desktop_mode_win.h"
#include "ui/video/directshow_host_win.h"
#include "ui/main/docking_win.h"
#include "ui/guide/guide_ui_win.h"
#include "ui/channels/logos_win.h"
#include "ui/main/mainwindow_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

static void PumpFor(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (GetTickCount64() < end) {
    PumpPendingMessages();
    Sleep(5);
  }
}

static void CleanFolder(const std::string& folder) {
  // Only files directly inside: a folder that holds anything else stays.
  DeleteFilesIn(folder);
  RemoveDirectoryW(Widen(folder).c_str());
}

void CloseRequest(MainWindow& mw, HWND sender) {
  // Start-up processes messages (the splash, the wait of a download, the
  // engine question) while the windows and the tray's exit command exist. A
  // save then would write a half-built state over the configuration, so the
  // close is carried out once start-up ends; maintenance runs and the preset
  // installer end without saving, as they always do.
  if (!mw.startupFinished) {
    if (!mw.closeAfterStartup) LogLine("close request kept until start-up ends");
    mw.closeAfterStartup = true;
    return;
  }
  // A running download finishes first.
  while (HWND bar = mw.form.Control(kPbTransfer)) {
    if (!IsWindowVisible(bar)) break;
    PumpPendingMessages();
    Sleep(10);
  }
  if (sender == mw.frmVideo) {
    LogLine("begin close from frmVideo");
    PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
    return;
  }
  if (sender == mw.frmCfg) {
    LogLine("begin close from frmCfg");
    PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
    return;
  }
  // The rest runs once, however many closes arrive.
  static bool closing = false;
  if (closing) return;
  closing = true;
  // What workers still hand over would act on a player that is going away.
  StopUiDispatcher();
  StopLogoFetcher();

  // A guide update replacing files must end before the process does.
  WaitForGuideUpdates(mw);
  KillTimer(mw.hwnd, kStatusTimer);
  KillTimer(mw.hwnd, kChannelMenuTimer);
  KillTimer(mw.hwnd, kSchedulerTimer);
  SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);

  if (mw.engine && player_isplaying(mw)) {
    player_stop(mw);
    LogLine("player_stop done");
    PumpFor(100);
  }

  // The full-screen state is taken before the restore.
  const bool fullScreen = IsFullScreen(mw);
  if (fullScreen) {
    ShowWindow(mw.frmVideo, SW_RESTORE);
    if (mw.dockedBeforeFullScreen) DockVideo(mw);
  }
  if (IsIconic(mw.hwnd)) ShowWindow(mw.hwnd, SW_RESTORE);

  StoreGlobalConfiguration(mw, fullScreen);

  ShowWindow(mw.frmVideo, SW_HIDE);
  ShowWindow(mw.frmCfg, SW_HIDE);
  ShowWindow(mw.hwnd, SW_HIDE);
  ShowTrayIcon(mw, false);
  ShowWindow(mw.app, SW_HIDE);

  // The current channel's record is stored with its settings.
  applysettings(mw, Sender::MainWindow);

  SaveConfigurationFile(mw);

  mw.configList.clear();

  if (!mw.tempFolder.empty()) {
    CleanFolder(mw.tempFolder + "\\Icons");
    CleanFolder(mw.tempFolder);
  }

  if (mw.form.tooltip) DestroyWindow(mw.form.tooltip);
  mw.form.tooltip = nullptr;
  LogLine("forms and tray hidden, temp cleaned");

  if (mw.desktopMode) ToggleDesktopMode(mw, false);

  PostMessageW(mw.frmVideo, WM_CLOSE, 0, 0);
  LogLine("frmvideo closed");

  if (!mw.directShowMode) {
    ReleaseEngineObject(mw);
    LogLine("axvlcplugin object destoyed");
  } else {
    ReleaseDirectShowHost(mw);
  }
  LogLine("halt now - exit 0");
  LogLine(kLogSeparator);

  if (mw.playerMutex) CloseHandle(mw.playerMutex);
  mw.playerMutex = nullptr;

  if (mw.restartAfterEngineSwitch) StartProcessShown(OwnCommandLine(mw.exePath, "/nologo"));
  else if (CountBackgroundRecorders() > 0) StartProcessShown(OwnCommandLine(mw.exePath, "/agent"));

  ExitProcess(0);
}

}  // namespace strevo
