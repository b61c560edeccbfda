#include "ui/commands/command_dispatch_win.h"

#include <iterator>

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

// What each command does: one row per command, in the order of CommandId,
// so that a command without its handler, or a handler out of place, does not
// compile.
using CommandHandler = void (*)(MainWindow&, const Command&);
struct HandlerRow {
  CommandId id;
  CommandHandler run;
};

// clang-format off
constexpr HandlerRow kHandlers[] = {
    {CommandId::None, [](MainWindow&, const Command&) {}},
    {CommandId::FullScreen, [](MainWindow& mw, const Command&) { ToggleFullScreen(mw); }},
    {CommandId::MiniWindow, [](MainWindow& mw, const Command&) {
       mw.miniWindow = !mw.miniWindow;
       ShowMenuChecks(mw);
     }},
    {CommandId::DesktopMode, [](MainWindow& mw, const Command&) { ToggleDesktopMode(mw, true); }},
    {CommandId::VideoOnTop, [](MainWindow& mw, const Command&) {
       mw.globals.videoOnTop = !mw.globals.videoOnTop;
       ShowMenuChecks(mw);
     }},
    {CommandId::VideoOnTopFullScreen, [](MainWindow& mw, const Command&) {
       mw.globals.fullScreenOnTop = !mw.globals.fullScreenOnTop;
       ShowMenuChecks(mw);
     }},
    {CommandId::ChannelList, [](MainWindow& mw, const Command&) { ToggleChannelList(mw); }},
    {CommandId::ControlPanel, [](MainWindow& mw, const Command&) {
       ToggleWindow(mw.hwnd);
       if (!IsWindowVisible(mw.hwnd) && IsWindowVisible(mw.frmVideo)) SetForegroundWindow(mw.frmVideo);
       ApplyTaskbarState(mw);
     }},
    {CommandId::VideoWindow, [](MainWindow& mw, const Command&) {
       ToggleWindow(mw.frmVideo);
       ApplyTaskbarState(mw);
     }},
    {CommandId::VideoSize, [](MainWindow& mw, const Command& c) { SetVideoSize(mw, c.a, c.b); }},
    {CommandId::Play, [](MainWindow& mw, const Command&) { PlayButton(mw); }},
    {CommandId::Pause, [](MainWindow& mw, const Command&) { PauseButton(mw); }},
    {CommandId::PlayPause, [](MainWindow& mw, const Command&) { PlayPauseCommand(mw); }},
    {CommandId::Stop, [](MainWindow& mw, const Command&) {
       StopButton(mw);
       ShowRecordingState(mw);
     }},
    {CommandId::Record, [](MainWindow& mw, const Command&) {
       btnrec(mw);
       ShowRecordingState(mw);
     }},
    {CommandId::Snapshot, [](MainWindow& mw, const Command&) { TakeSnapshot(mw); }},
    {CommandId::SeekBack, [](MainWindow& mw, const Command&) { SeekBy(mw, -5); }},
    {CommandId::SeekForward, [](MainWindow& mw, const Command&) { SeekBy(mw, 5); }},
    {CommandId::PositionSet, [](MainWindow& mw, const Command& c) { SeekTo(mw, c.a); }},
    {CommandId::Slower, [](MainWindow& mw, const Command&) { SpeedSlower(mw); }},
    {CommandId::Faster, [](MainWindow& mw, const Command&) { SpeedFaster(mw); }},
    {CommandId::VolumeUp, [](MainWindow& mw, const Command&) {
       SetVolume(mw, SliderPosition(mw.form.Control(kPbVolume)) + 1);
     }},
    {CommandId::VolumeDown, [](MainWindow& mw, const Command&) {
       SetVolume(mw, SliderPosition(mw.form.Control(kPbVolume)) - 1);
     }},
    {CommandId::VolumeSet, [](MainWindow& mw, const Command& c) {
       SetVolume(mw, c.a);
       // The slider makes the volume the regulator that Up and Down change.
       mw.adjustSelector = kRegulatorVolume;
       strevo::ShowOsd(mw, "$vol");
     }},
    {CommandId::Mute, [](MainWindow& mw, const Command&) { MuteButton(mw); }},
    {CommandId::ChannelNext, [](MainWindow& mw, const Command&) { NextChannel(mw); }},
    {CommandId::ChannelPrevious, [](MainWindow& mw, const Command&) { PreviousChannel(mw); }},
    {CommandId::ChannelLastWatched, [](MainWindow& mw, const Command&) { BackToPreviousChannel(mw); }},
    {CommandId::ChannelSelect, [](MainWindow& mw, const Command& c) { SelectChannel(mw, c.a, Sender::Control); }},
    {CommandId::ChannelChoose, [](MainWindow& mw, const Command&) { OpenChannelSelector(mw); }},
    {CommandId::Open, [](MainWindow& mw, const Command&) { OpenCommand(mw); }},
    {CommandId::GuideCurrent, [](MainWindow& mw, const Command&) { ToggleGuideList(mw); }},
    {CommandId::GuideAll, [](MainWindow& mw, const Command&) { ExportGuide(mw, "$all", "$tmp", nullptr); }},
    {CommandId::ShowOsd, [](MainWindow& mw, const Command&) { strevo::ShowOsd(mw, "$cur"); }},
    {CommandId::ExportHtml, [](MainWindow& mw, const Command&) { ExportGuide(mw, "$all", "", nullptr); }},
    {CommandId::UpdateGuide, [](MainWindow& mw, const Command&) { StartGuideUpdate(mw); }},
    {CommandId::UpdateChannels, [](MainWindow& mw, const Command&) {
       ReloadChannelList(mw, true);
       RefreshChannelCaptions(mw);
     }},
    {CommandId::Scheduler, [](MainWindow& mw, const Command&) {
       // The menu item closes the window when it is open.
       if (IsSchedulerWindowOpen()) CloseSchedulerWindow();
       else OpenSchedulerWindow({mw.hwnd, true, nullptr, mw.globals.readM3uTags});
     }},
    {CommandId::Browser, [](MainWindow&, const Command&) {}},  // the browser panel has no operation in the player yet
    {CommandId::Settings, [](MainWindow& mw, const Command&) { ShowSettings(mw, !IsWindowVisible(mw.frmCfg)); }},
    {CommandId::SettingsShow, [](MainWindow& mw, const Command&) { ShowSettings(mw, true); }},
    {CommandId::Menu, [](MainWindow& mw, const Command& c) { PopUp(mw, mw.form.mainMenu.root, mw.hwnd, c.a, c.b); }},
    {CommandId::Dock, [](MainWindow& mw, const Command&) {
       if (mw.docked) UndockVideo(mw);
       else DockVideo(mw);
     }},
    {CommandId::PanelOnTop, [](MainWindow& mw, const Command&) {
       SetOnTopButton(mw, !mw.form.onTop);
       mw.globals.panelOnTop = mw.form.onTop;
     }},
    {CommandId::Minimise, [](MainWindow& mw, const Command&) {
       // The application goes down as one: a free video window with the panel.
       if (!mw.docked && !IsIconic(mw.frmVideo)) ShowWindow(mw.frmVideo, SW_MINIMIZE);
       ShowWindow(mw.hwnd, SW_MINIMIZE);
     }},
    {CommandId::ToTray, [](MainWindow& mw, const Command&) {
       ShowWindow(mw.hwnd, SW_MINIMIZE);
       ShowWindow(mw.hwnd, SW_HIDE);
       if (!mw.docked) ShowWindow(mw.frmVideo, SW_HIDE);
       ApplyTaskbarState(mw);  // the tray icon, at once
     }},
    {CommandId::Restore, [](MainWindow& mw, const Command&) { RestoreWindows(mw); }},
    {CommandId::Standby, [](MainWindow& mw, const Command&) {
       StartProcessShown(OwnCommandLine(mw.exePath, "/agent"));
       PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
     }},
    {CommandId::Exit, [](MainWindow& mw, const Command&) { PostMessageW(mw.hwnd, WM_CLOSE, 0, 0); }},
    {CommandId::ListPlay, [](MainWindow& mw, const Command&) { PlaySelectedListChannel(mw); }},
    {CommandId::ListMenu, [](MainWindow& mw, const Command& c) {
       PopUp(mw, mw.form.listMenu.root, mw.frmVideo, c.a, c.b);
     }},
    {CommandId::ListGuide, [](MainWindow& mw, const Command&) { ShowSelectedListGuide(mw); }},
    {CommandId::ListBackgroundRecord, [](MainWindow& mw, const Command&) { StartSelectedBackgroundRecording(mw); }},
    {CommandId::ChannelTest, [](MainWindow& mw, const Command&) { StartChannelTest(mw); }},
    {CommandId::StepUp, [](MainWindow& mw, const Command&) { StepSelectionOrRegulator(mw, true); }},
    {CommandId::StepDown, [](MainWindow& mw, const Command&) { StepSelectionOrRegulator(mw, false); }},
    {CommandId::Enter, [](MainWindow& mw, const Command&) { EnterKey(mw, 1); }},
    {CommandId::EnterBack, [](MainWindow& mw, const Command&) { EnterKey(mw, -1); }},
    {CommandId::ZoomIn, [](MainWindow& mw, const Command& c) { SetZoom(mw, Zoom(mw) + c.a); }},
    {CommandId::ZoomOut, [](MainWindow& mw, const Command& c) { SetZoom(mw, Zoom(mw) - c.a); }},
    {CommandId::ZoomReset, [](MainWindow& mw, const Command&) { SetZoom(mw, 0); }},
    {CommandId::Guide, [](MainWindow& mw, const Command&) { ShowGuideOfSelectionOrCurrent(mw); }},
    {CommandId::ScrollUp, [](MainWindow& mw, const Command&) { ScrollListUnderPointer(mw, true); }},
    {CommandId::ScrollDown, [](MainWindow& mw, const Command&) { ScrollListUnderPointer(mw, false); }},
    {CommandId::VideoLarger, [](MainWindow& mw, const Command&) { ScaleVideoWindow(mw, true); }},
    {CommandId::VideoSmaller, [](MainWindow& mw, const Command&) { ScaleVideoWindow(mw, false); }},
    {CommandId::WindowDrag, [](MainWindow& mw, const Command&) { DragWindow(mw); }},
    {CommandId::WindowResize, [](MainWindow& mw, const Command& c) { ResizeVideoWindow(mw, c.a); }},
    {CommandId::PanelDrag, [](MainWindow& mw, const Command&) { DragPanel(mw); }},
};
// clang-format on

constexpr bool EveryCommandInItsRow() {
  for (size_t i = 0; i < std::size(kHandlers); ++i)
    if (static_cast<size_t>(kHandlers[i].id) != i) return false;
  return std::size(kHandlers) == static_cast<size_t>(CommandId::Count);
}
static_assert(EveryCommandInItsRow(), "kHandlers holds one row for each CommandId, in order");

static void RunCommandNow(MainWindow& mw, const Command& command) {
  if (!Runs(command, CommandStateOf(mw))) return;
  const auto id = static_cast<size_t>(command.id);
  if (id < std::size(kHandlers)) kHandlers[id].run(mw, command);
}

void RunCommand(MainWindow& mw, const Command& command) {
  if (WaitsForCommandUnderWay(command.id)) RunPlayerCommand(mw, [&mw, command] { RunCommandNow(mw, command); });
  else RunCommandNow(mw, command);
}

}  // namespace strevo
