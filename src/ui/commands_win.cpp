#include "ui/commands_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/cmdline.h"
#include "ui/docking_win.h"
#include "ui/mainwindow_win.h"
#include "ui/menus_win.h"
#include "ui/settings_binding_win.h"
#include "ui/settings_layout.h"
#include "playback/channel_switch.h"
#include "playback/player.h"
#include "playback/settings_map.h"
#include "playback/playlist_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// The program's web pages.
const wchar_t kHomePage[] = L"https://strevo.example.org/";
const wchar_t kSupportPage[] = L"https://strevo.example.org/support/";

bool VideoFullScreen(const MainWindow& mw) { return !mw.docked && IsZoomed(mw.frmVideo); }

void ToggleWindow(HWND h) { ShowWindow(h, IsWindowVisible(h) ? SW_HIDE : SW_SHOW); }

void ToggleSettings(MainWindow& mw) {
  SelectSettingsPage(mw, kPageChannel);
  ShowSettingsWindow(mw, !IsWindowVisible(mw.frmCfg));
}

}  // namespace

void SetVideoSize(MainWindow& mw, int width, int height) {
  if (VideoFullScreen(mw)) return;
  if (!mw.docked) {
    SetWindowPos(mw.frmVideo, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    return;
  }
  // Docked: the main window is resized around the video.
  RECT main, client, panel;
  GetWindowRect(mw.hwnd, &main);
  GetClientRect(mw.hwnd, &client);
  GetClientRect(mw.form.dockPanel, &panel);
  const int dw = width - panel.right, dh = height - panel.bottom;
  SetWindowPos(mw.hwnd, nullptr, 0, 0, (main.right - main.left) + dw, (main.bottom - main.top) + dh,
               SWP_NOMOVE | SWP_NOZORDER);
  LayoutMainForm(mw);
}

static void StepVolume(MainWindow& mw, int delta) {
  HWND bar = mw.form.Control(kPbVolume);
  SetSliderPosition(bar, SliderPosition(bar) + delta);
  VolumeSliderChanged(mw, SliderPosition(bar));
}

void ShowMainMenu(MainWindow& mw, int x, int y) {
  SetForegroundWindow(mw.hwnd);
  TrackPopupMenu(mw.form.mainMenu.root, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, mw.hwnd, nullptr);
  PostMessageW(mw.hwnd, WM_NULL, 0, 0);
}

void ExecuteMainMenuItem(MainWindow& mw, int number) {
  const PopupMenu& menu = mw.form.mainMenu;
  switch (number) {
    case kMenuMiniWindow:
      SetMenuItemChecked(menu, number, !IsMenuItemChecked(menu, number));
      break;
    case kMenuOnTop:
    case kMenuOnTopFullScreen: {
      const bool on = !IsMenuItemChecked(menu, number);
      SetMenuItemChecked(menu, number, on);
      (number == kMenuOnTop ? mw.config.videoOnTop : mw.config.fullScreenOnTop) = on;
      break;
    }
    case kMenuControlPanel:
      if (mw.docked) break;
      if (!(mw.form.trayShown || IsWindowVisible(mw.frmVideo))) break;
      ToggleWindow(mw.hwnd);
      if (!IsWindowVisible(mw.hwnd) && IsWindowVisible(mw.frmVideo)) SetForegroundWindow(mw.frmVideo);
      break;
    case kMenuVideoWindow:
      if (mw.docked) break;
      if (!(mw.form.trayShown || IsWindowVisible(mw.hwnd))) break;
      ToggleWindow(mw.frmVideo);
      break;
    case kMenuSettings:
      ToggleSettings(mw);
      break;
    case kMenuChannelList:
      if (mw.lstPlaylist) {
        ToggleWindow(mw.lstPlaylist);
        // Above the engine's picture.
        if (IsWindowVisible(mw.lstPlaylist)) SetWindowPos(mw.lstPlaylist, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      }
      break;
    case kMenuPlayPause: PlayPauseCommand(mw); break;
    case kMenuStop: StopButton(mw); break;
    case kMenuVolumeUp: StepVolume(mw, 1); break;
    case kMenuVolumeDown: StepVolume(mw, -1); break;
    case kMenuMute: MuteButton(mw); break;
    case kMenuNextInList: NextChannel(mw); break;
    case kMenuPreviousInList: PreviousChannel(mw); break;
    case kMenuLastWatched: BackToPreviousChannel(mw); break;
    case kMenuUpdateChannels:
      reloadplaylist(mw, true);
      BuildChannelEntries(mw);
      break;
    case kMenuToTray:
      ShowWindow(mw.hwnd, SW_MINIMIZE);
      ShowWindow(mw.hwnd, SW_HIDE);
      if (!mw.docked) ShowWindow(mw.frmVideo, SW_HIDE);
      break;
    case kMenuStandby:
      StartProcessShown(OwnCommandLine(mw.exePath, "/agent"));
      PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
      break;
    case kMenuExit:
      PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
      break;
    default:
      if (number >= kMenuFirstSize && number <= kMenuLastSize) {
        int w = 0, h = 0;
        if (ParseVideoSize(kMainMenu[number].caption, w, h)) SetVideoSize(mw, w, h);
      }
      break;
  }
}

void BuildChannelEntries(MainWindow& mw) {
  HMENU sub = mw.form.mainMenu.owner[kMenuChannelsPlaceholder];
  if (!sub) return;
  while (GetMenuItemCount(sub) > 0) DeleteMenu(sub, 0, MF_BYPOSITION);
  for (size_t k = 0; k < mw.channelSubmenuCaptions.size(); ++k) {
    UINT flags = MF_STRING | (static_cast<int>(k) == mw.channelSelectorIndex ? MF_CHECKED : 0);
    AppendMenuW(sub, flags, kChannelEntryCommandBase + static_cast<UINT>(k), Widen(mw.channelSubmenuCaptions[k]).c_str());
  }
}

void ShowChannelListMenu(MainWindow& mw, int x, int y) {
  SetForegroundWindow(mw.frmVideo);
  TrackPopupMenu(mw.form.listMenu.root, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, mw.hwnd, nullptr);
  PostMessageW(mw.hwnd, WM_NULL, 0, 0);
}

void PlaySelectedListChannel(MainWindow& mw) {
  if (!mw.lstPlaylist) return;
  const int sel = static_cast<int>(SendMessageW(mw.lstPlaylist, LB_GETCURSEL, 0, 0));
  // lstPlaylist holds the channels without the pseudo-channel.
  if (sel >= 0) SelectChannel(mw, sel + 1, Sender::Control);
}

void ExecuteListMenuItem(MainWindow& mw, int index) {
  if (index == kListSelect) PlaySelectedListChannel(mw);
}

bool HandleMainCommand(MainWindow& mw, WPARAM wp, LPARAM lp) {
  const int id = LOWORD(wp);
  const int code = HIWORD(wp);
  if (id >= static_cast<int>(kMainMenuCommandBase) && id < static_cast<int>(kMainMenuCommandBase) + kMainMenuCount) {
    ExecuteMainMenuItem(mw, id - static_cast<int>(kMainMenuCommandBase));
    return true;
  }
  if (id >= static_cast<int>(kChannelEntryCommandBase) &&
      id < static_cast<int>(kChannelEntryCommandBase) + static_cast<int>(mw.channelSubmenuCaptions.size())) {
    SelectChannel(mw, id - static_cast<int>(kChannelEntryCommandBase), Sender::Control);
    return true;
  }
  if (id >= static_cast<int>(kListMenuCommandBase) && id < static_cast<int>(kListMenuCommandBase) + 5) {
    ExecuteListMenuItem(mw, id - static_cast<int>(kListMenuCommandBase));
    return true;
  }
  switch (id) {
    case kBtnMenu: {
      RECT r;
      GetWindowRect(reinterpret_cast<HWND>(lp), &r);
      ShowMainMenu(mw, r.left, r.bottom);
      return true;
    }
    case kBtnDock:
      if (mw.docked) UndockVideo(mw);
      else DockVideo(mw);
      return true;
    case kBtnOnTop:
      SetOnTopButton(mw, !mw.form.onTop);
      mw.config.panelOnTop = mw.form.onTop;
      return true;
    case kBtnMinimise:
      ShowWindow(mw.hwnd, SW_MINIMIZE);
      return true;
    case kBtnClose:
      PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
      return true;
    case kBtnPlay: PlayButton(mw); return true;
    case kBtnPause: PauseButton(mw); return true;
    case kBtnStop: StopButton(mw); return true;
    case kBtnChannelBack: PreviousChannel(mw); return true;
    case kBtnChannelForward: NextChannel(mw); return true;
    case kBtnOpen: OpenCommand(mw); return true;
    case kBtnSeekBack: SeekBy(mw, -5); return true;
    case kBtnSeekForward: SeekBy(mw, 5); return true;
    case kBtnSlower: SpeedSlower(mw); return true;
    case kBtnFaster: SpeedFaster(mw); return true;
    case kBtnMute: MuteButton(mw); return true;
    case kBtnVolumeUp: StepVolume(mw, 1); return true;
    case kBtnVolumeDown: StepVolume(mw, -1); return true;
    case kPbVolume:
      VolumeSliderChanged(mw, SliderPosition(mw.form.Control(kPbVolume)));
      return true;
    case kBtnChannelList:
      ExecuteMainMenuItem(mw, kMenuChannelList);
      return true;
    case kBtnSettings:
      SelectSettingsPage(mw, kPageChannel);
      ShowSettingsWindow(mw, true);
      return true;
    case kBtnFullScreen:
      ExecuteMainMenuItem(mw, kMenuFullScreen);
      return true;
    case kBtnChannelChoice:
    case kLblCurrentChannel:
      if (id == kLblCurrentChannel && code != STN_CLICKED) return false;
      OpenChannelSelector(mw);
      return true;
    case kCbChannelSelector:
      if (code == CBN_CLOSEUP) ShowWindow(mw.form.Control(kCbChannelSelector), SW_HIDE);
      if (code == CBN_SELCHANGE)
        SelectChannel(mw, static_cast<int>(SendMessageW(mw.form.Control(kCbChannelSelector), CB_GETCURSEL, 0, 0)),
                      Sender::Control);
      return true;
  }
  return false;
}

void HandleTrayMessage(MainWindow& mw, LPARAM lp) {
  switch (lp) {
    case WM_RBUTTONUP: {
      POINT p;
      GetCursorPos(&p);
      ShowMainMenu(mw, p.x, p.y);
      break;
    }
    case WM_MBUTTONUP:
      if (!IsIconic(mw.hwnd)) MuteButton(mw);
      break;
    case WM_LBUTTONUP:
      if (IsIconic(mw.hwnd)) ShowWindow(mw.hwnd, SW_RESTORE);
      ShowWindow(mw.hwnd, SW_SHOW);
      if (!mw.docked) ShowWindow(mw.frmVideo, SW_SHOW);
      SetForegroundWindow(mw.docked ? mw.hwnd : mw.frmVideo);
      break;
  }
}

void HandleSettingsCommand(MainWindow& mw, int id, int code) {
  switch (id) {
    default:
      SettingsControlChanged(mw, id, code);
      break;
    case kIdClose:
    case IDCANCEL:
      ShowSettingsWindow(mw, false);
      SetFocus(mw.form.Control(kEbHotkey));
      break;
    case kIdHomePage:
    case kIdSupportPage:
      if (code == STN_CLICKED)
        ShellExecuteW(nullptr, L"open", id == kIdHomePage ? kHomePage : kSupportPage, nullptr, nullptr, SW_SHOWNORMAL);
      break;
  }
}

}  // namespace strevo
