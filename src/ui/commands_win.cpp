#include "ui/commands_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/cmdline.h"
#include "ui/docking_win.h"
#include "ui/mainwindow_win.h"
#include "ui/menus_win.h"
#include "ui/settings_layout.h"
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

void ShowMainMenu(MainWindow& mw, int x, int y) {
  SetForegroundWindow(mw.hwnd);
  TrackPopupMenu(mw.form.mainMenu.root, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, mw.hwnd, nullptr);
  PostMessageW(mw.hwnd, WM_NULL, 0, 0);
}

void ExecuteMainMenuItem(MainWindow& mw, int number) {
  const PopupMenu& menu = mw.form.mainMenu;
  switch (number) {
    case kMenuMiniWindow:
    case kMenuOnTop:
    case kMenuOnTopFullScreen:
      SetMenuItemChecked(menu, number, !IsMenuItemChecked(menu, number));
      break;
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

void ExecuteListMenuItem(MainWindow& mw, int index) { (void)mw, (void)index; }

bool HandleMainCommand(MainWindow& mw, WPARAM wp, LPARAM lp) {
  const int id = LOWORD(wp);
  const int code = HIWORD(wp);
  if (id >= static_cast<int>(kMainMenuCommandBase) && id < static_cast<int>(kMainMenuCommandBase) + kMainMenuCount) {
    ExecuteMainMenuItem(mw, id - static_cast<int>(kMainMenuCommandBase));
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
      return true;
    case kBtnMinimise:
      ShowWindow(mw.hwnd, SW_MINIMIZE);
      return true;
    case kBtnClose:
      PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
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
    case kIdClose:
    case IDCANCEL:
      ShowSettingsWindow(mw, false);
      SetFocus(mw.form.Control(kEbHotkey));
      break;
    case kIdUndocked:
      if (code == BN_CLICKED) {
        if (IsChecked(mw.settings, kIdUndocked)) UndockVideo(mw);
        else DockVideo(mw);
      }
      break;
    case kIdHomePage:
    case kIdSupportPage:
      if (code == STN_CLICKED)
        ShellExecuteW(nullptr, L"open", id == kIdHomePage ? kHomePage : kSupportPage, nullptr, nullptr, SW_SHOWNORMAL);
      break;
    case kIdCropManual:
      if (code == BN_CLICKED) {
        const bool shown = IsChecked(mw.settings, kIdCropManual);
        for (int c : {kIdCropSizeLabel, kIdCropWidth, kIdCropX, kIdCropHeight, kIdCropOffsetLabel, kIdCropLeft,
                      kIdCropComma, kIdCropTop})
          ShowControl(mw.settings, c, shown);
      }
      break;
  }
}

}  // namespace strevo
