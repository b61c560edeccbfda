#include "ui/commands/command_dispatch_win.h"

#include "base/cmdline.h"
#include "playback/channel_switch.h"
#include "playback/player.h"
#include "playback/recording.h"
#include "ui/channels/channel_list_win.h"
#include "ui/channels/channel_tester_win.h"
#include "playback/settings_map.h"
#include "ui/commands/commands_win.h"
#include "ui/video/desktop_mode_win.h"
#include "ui/video/directshow_host_win.h"
#include "ui/video/player_host_win.h"
#include "ui/main/docking_win.h"
#include "ui/guide/guide_export_win.h"
#include "ui/guide/guide_ui_win.h"
#include "ui/commands/input.h"
#include "ui/main/mainwindow_win.h"
#include "ui/main/recording_win.h"
#include "ui/scheduler/scheduler_window_win.h"
#include "ui/settings/settings_layout.h"
#include "ui/settings/settings_win.h"
#include "ui/main/status_tick_win.h"
#include "ui/video/video_input_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {


void ToggleWindow(HWND h) { ShowWindow(h, IsWindowVisible(h) ? SW_HIDE : SW_SHOW); }

void ToggleChannelList(MainWindow& mw) {
  if (!mw.lstPlaylist) return;
  ToggleWindow(mw.lstPlaylist);
  // Above the engine's picture.
  if (IsWindowVisible(mw.lstPlaylist)) SetWindowPos(mw.lstPlaylist, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SelectListChannel(mw, mw.channelSelectorIndex);
  FitEngineHost(mw);
  FitDirectShowHost(mw);
  LayOutVideoWindow(mw);
}

void ShowSettings(MainWindow& mw, bool show) {
  SelectSettingsPage(mw, kPageChannel);
  ShowSettingsWindow(mw, show);
}

void SetVideoSize(MainWindow& mw, int width, int height) {
  if (!mw.docked) {
    SetWindowPos(mw.frmVideo, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    return;
  }
  // Docked: the main window is resized around the video.
  RECT main, panel;
  GetWindowRect(mw.hwnd, &main);
  GetClientRect(mw.form.dockPanel, &panel);
  const int dw = width - panel.right, dh = height - panel.bottom;
  SetWindowPos(mw.hwnd, nullptr, 0, 0, (main.right - main.left) + dw, (main.bottom - main.top) + dh,
               SWP_NOMOVE | SWP_NOZORDER);
  LayoutMainForm(mw);
}

// The volume bar at `position` (kept within its range), applied.
void SetVolume(MainWindow& mw, int position) {
  HWND bar = mw.form.Control(kPbVolume);
  SetSliderPosition(bar, position);
  VolumeSliderChanged(mw, SliderPosition(bar));
}

void PopUp(MainWindow& mw, HMENU menu, HWND front, int x, int y) {
  SetForegroundWindow(front);
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, mw.hwnd, nullptr);
  // Lets the menu close when the user clicks elsewhere.
  PostMessageW(mw.hwnd, WM_NULL, 0, 0);
}

void PlaySelectedListChannel(MainWindow& mw) {
  if (const int channel = SelectedListChannel(mw); channel > 0) SelectChannel(mw, channel, Sender::Control);
}

// The guide of the channel selected in the list, in the guide list.
void ShowSelectedListGuide(MainWindow& mw) {
  const int channel = SelectedListChannel(mw);
  if (channel > 0 && static_cast<size_t>(channel) < mw.channelTitles.size())
    ExportGuide(mw, mw.channelTitles[static_cast<size_t>(channel)], "$tmp", mw.overlays.box);
}

void RestoreWindows(MainWindow& mw) {
  if (IsIconic(mw.hwnd)) ShowWindow(mw.hwnd, SW_RESTORE);
  ShowWindow(mw.hwnd, SW_SHOW);
  if (!mw.docked) ShowWindow(mw.frmVideo, IsIconic(mw.frmVideo) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(mw.docked ? mw.hwnd : mw.frmVideo);
}

}  // namespace

CommandState CommandStateOf(const MainWindow& mw) {
  CommandState s;
  s.docked = mw.docked;
  s.fullScreen = IsFullScreen(mw);
  s.desktopMode = mw.desktopMode;
  s.miniWindow = mw.miniWindow;
  s.directShowMode = mw.directShowMode;
  s.engineWithoutDesktop = !mw.directShowMode && mw.engine && !mw.engine->DrawsOnDesktop();
  s.recording = mw.recording;
  s.channelTestRunning = ChannelTestRunning();
  s.minimised = mw.hwnd && IsIconic(mw.hwnd);
  s.trayShown = mw.form.trayShown;
  s.panelShown = Shown(mw.hwnd);
  s.videoShown = Shown(mw.frmVideo);
  s.channelListShown = Shown(mw.lstPlaylist);
  s.settingsShown = Shown(mw.frmCfg);
  s.schedulerOpen = IsSchedulerWindowOpen();
  s.guideBoxShown = Shown(mw.overlays.box);
  s.videoOnTop = mw.globals.videoOnTop;
  s.fullScreenOnTop = mw.globals.fullScreenOnTop;
  s.panelOnTop = mw.form.onTop;
  s.channelCount = static_cast<int>(mw.channelTitles.size());
  s.currentChannel = mw.channelSelectorIndex;
  RECT r{};
  if (mw.frmVideo && GetWindowRect(mw.frmVideo, &r)) {
    s.videoWidth = r.right - r.left;
    s.videoHeight = r.bottom - r.top;
  }
  return s;
}

void ShowMenuChecks(MainWindow& mw) {
  const CommandState state = CommandStateOf(mw);
  for (int number = 0; number < kMainMenuCount; ++number) {
    // Separators, submenus and the placeholder keep what the menu made them.
    if (kMainMenu[number].caption == "-" || kMainMenu[number].disabled ||
        (kMainMenu[number].submenu && number != kMenuVideoSize))
      continue;
    const MenuItemLook look = MainMenuItemLook(number, state);
    if (IsMenuItemChecked(mw.form.mainMenu, number) != look.checked)
      SetMenuItemChecked(mw.form.mainMenu, number, look.checked);
    SetMenuItemEnabled(mw.form.mainMenu, number, look.enabled);
  }
}

static void RunCommandNow(MainWindow& mw, const Command& command) {
  using enum CommandId;
  if (!Runs(command, CommandStateOf(mw))) return;
  switch (command.id) {
    case MiniWindow:
      mw.miniWindow = !mw.miniWindow;
      ShowMenuChecks(mw);
      break;
    case VideoOnTop:
      mw.globals.videoOnTop = !mw.globals.videoOnTop;
      ShowMenuChecks(mw);
      break;
    case VideoOnTopFullScreen:
      mw.globals.fullScreenOnTop = !mw.globals.fullScreenOnTop;
      ShowMenuChecks(mw);
      break;
    case ChannelList: ToggleChannelList(mw); break;
    case ControlPanel:
      ToggleWindow(mw.hwnd);
      if (!IsWindowVisible(mw.hwnd) && IsWindowVisible(mw.frmVideo)) SetForegroundWindow(mw.frmVideo);
      ApplyTaskbarState(mw);
      break;
    case VideoWindow:
      ToggleWindow(mw.frmVideo);
      ApplyTaskbarState(mw);
      break;
    case VideoSize: SetVideoSize(mw, command.a, command.b); break;

    case Play: PlayButton(mw); break;
    case Pause: PauseButton(mw); break;
    case PlayPause: PlayPauseCommand(mw); break;
    case Stop:
      StopButton(mw);
      ShowRecordingState(mw);
      break;
    case Record:
      btnrec(mw);
      ShowRecordingState(mw);
      break;
    case Snapshot: TakeSnapshot(mw); break;
    case SeekBack: SeekBy(mw, -5); break;
    case SeekForward: SeekBy(mw, 5); break;
    case PositionSet: SeekTo(mw, command.a); break;
    case Slower: SpeedSlower(mw); break;
    case Faster: SpeedFaster(mw); break;
    case VolumeUp: SetVolume(mw, SliderPosition(mw.form.Control(kPbVolume)) + 1); break;
    case VolumeDown: SetVolume(mw, SliderPosition(mw.form.Control(kPbVolume)) - 1); break;
    case VolumeSet:
      SetVolume(mw, command.a);
      // The slider makes the volume the regulator that Up and Down change.
      mw.adjustSelector = kRegulatorVolume;
      strevo::ShowOsd(mw, "$vol");
      break;
    case Mute: MuteButton(mw); break;

    case ChannelNext: NextChannel(mw); break;
    case ChannelPrevious: PreviousChannel(mw); break;
    case ChannelLastWatched: BackToPreviousChannel(mw); break;
    case ChannelSelect: SelectChannel(mw, command.a, Sender::Control); break;
    case ChannelChoose: OpenChannelSelector(mw); break;
    case Open: OpenCommand(mw); break;

    case UpdateChannels:
      ReloadChannelList(mw, true);
      RefreshChannelCaptions(mw);
      break;
    case Settings: ShowSettings(mw, !IsWindowVisible(mw.frmCfg)); break;
    case SettingsShow: ShowSettings(mw, true); break;
    case Menu: PopUp(mw, mw.form.mainMenu.root, mw.hwnd, command.a, command.b); break;
    case Dock:
      if (mw.docked) UndockVideo(mw);
      else DockVideo(mw);
      break;
    case PanelOnTop:
      SetOnTopButton(mw, !mw.form.onTop);
      mw.globals.panelOnTop = mw.form.onTop;
      break;
    case Minimise:
      // The application goes down as one: a free video window with the panel.
      if (!mw.docked && !IsIconic(mw.frmVideo)) ShowWindow(mw.frmVideo, SW_MINIMIZE);
      ShowWindow(mw.hwnd, SW_MINIMIZE);
      break;
    case ToTray:
      ShowWindow(mw.hwnd, SW_MINIMIZE);
      ShowWindow(mw.hwnd, SW_HIDE);
      if (!mw.docked) ShowWindow(mw.frmVideo, SW_HIDE);
      ApplyTaskbarState(mw);  // the tray icon, at once
      break;
    case Restore: RestoreWindows(mw); break;
    case Standby:
      StartProcessShown(OwnCommandLine(mw.exePath, "/agent"));
      PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
      break;
    case Exit: PostMessageW(mw.hwnd, WM_CLOSE, 0, 0); break;

    case Scheduler:
      // The menu item closes the window when it is open.
      if (IsSchedulerWindowOpen()) CloseSchedulerWindow();
      else OpenSchedulerWindow({mw.hwnd, true, nullptr, mw.globals.readM3uTags});
      break;
    case ShowOsd: strevo::ShowOsd(mw, "$cur"); break;
    case UpdateGuide: StartGuideUpdate(mw); break;
    case GuideCurrent: ToggleGuideList(mw); break;
    case GuideAll: ExportGuide(mw, "$all", "$tmp", nullptr); break;
    case ExportHtml: ExportGuide(mw, "$all", "", nullptr); break;
    case ListGuide: ShowSelectedListGuide(mw); break;

    case ListPlay: PlaySelectedListChannel(mw); break;
    case ListMenu: PopUp(mw, mw.form.listMenu.root, mw.frmVideo, command.a, command.b); break;
    case ListBackgroundRecord: StartSelectedBackgroundRecording(mw); break;
    case ChannelTest: StartChannelTest(mw); break;

    case FullScreen:
    case StepUp:
    case StepDown:
    case Enter:
    case EnterBack:
    case ZoomIn:
    case ZoomOut:
    case ZoomReset:
    case Guide:
    case ScrollUp:
    case ScrollDown:
    case VideoLarger:
    case VideoSmaller:
    case WindowDrag:
    case WindowResize:
    case PanelDrag: RunInputCommand(mw, command); break;

    case DesktopMode: ToggleDesktopMode(mw, true); break;

    // The browser panel has no operation in the player yet.
    case Browser:
    case None:
    case Count:
      break;
  }
}

void RunCommand(MainWindow& mw, const Command& command) {
  if (WaitsForCommandUnderWay(command.id)) RunPlayerCommand(mw, [&mw, command] { RunCommandNow(mw, command); });
  else RunCommandNow(mw, command);
}

}  // namespace strevo
