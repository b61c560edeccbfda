// The dispatcher over real windows and menus: what a menu item, a posted
// player command or a tray click does to the player's windows and state.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/commands/command_dispatch_win.h"
#include "ui/commands/commands_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"

namespace strevo {
namespace {

WPARAM MenuItem(int number) { return MAKEWPARAM(kMainMenuCommandBase + number, 0); }

SIZE OuterSize(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return {r.right - r.left, r.bottom - r.top};
}

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    mw = new MainWindow;  // big: keep it off the stack
    mw->form.mainMenu = BuildPopupMenu(kMainMenu, kMainMenuCommandBase);
    mw->hwnd = CreateWindowExW(0, L"STATIC", L"panel", WS_POPUP | WS_VISIBLE, 0, 0, 384, 80, nullptr, nullptr,
                               nullptr, nullptr);
    mw->frmVideo = CreateWindowExW(0, L"STATIC", L"video", WS_POPUP | WS_VISIBLE, 0, 100, 360, 288, nullptr,
                                   nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(mw->hwnd);
    DestroyWindow(mw->frmVideo);
    DestroyMenu(mw->form.mainMenu.root);
    delete mw;
  }
  MainWindow* mw = nullptr;
};

TEST_F(Dispatch, OnTopItemsToggleTheirOwnFieldAndCheck) {
  mw->globals.videoOnTop = true;
  mw->globals.fullScreenOnTop = false;
  ShowMenuChecks(*mw);
  EXPECT_TRUE(IsMenuItemChecked(mw->form.mainMenu, kMenuOnTop));
  EXPECT_FALSE(IsMenuItemChecked(mw->form.mainMenu, kMenuOnTopFullScreen));

  ASSERT_TRUE(HandleMainCommand(*mw, MenuItem(kMenuOnTop), 0));
  EXPECT_FALSE(mw->globals.videoOnTop);
  EXPECT_FALSE(IsMenuItemChecked(mw->form.mainMenu, kMenuOnTop));
  EXPECT_FALSE(mw->globals.fullScreenOnTop);

  ASSERT_TRUE(HandleMainCommand(*mw, MenuItem(kMenuOnTopFullScreen), 0));
  EXPECT_TRUE(mw->globals.fullScreenOnTop);
  EXPECT_TRUE(IsMenuItemChecked(mw->form.mainMenu, kMenuOnTopFullScreen));
  EXPECT_FALSE(mw->globals.videoOnTop);

  // The hidden mini-window item keeps a state of its own.
  ASSERT_TRUE(HandleMainCommand(*mw, MenuItem(kMenuMiniWindow), 0));
  EXPECT_TRUE(mw->miniWindow);
  ASSERT_TRUE(HandleMainCommand(*mw, MenuItem(kMenuMiniWindow), 0));
  EXPECT_FALSE(mw->miniWindow);
}

TEST_F(Dispatch, PanelAndVideoWindowItemsActOnlyWhileUndockedAndLeaveAWayBack) {
  mw->docked = true;
  HandleMainCommand(*mw, MenuItem(kMenuControlPanel), 0);
  HandleMainCommand(*mw, MenuItem(kMenuVideoWindow), 0);
  EXPECT_TRUE(IsWindowVisible(mw->hwnd));
  EXPECT_TRUE(IsWindowVisible(mw->frmVideo));

  mw->docked = false;
  HandleMainCommand(*mw, MenuItem(kMenuVideoWindow), 0);
  EXPECT_FALSE(IsWindowVisible(mw->frmVideo));
  // Without a tray icon and with the video hidden, the panel is the last way back.
  HandleMainCommand(*mw, MenuItem(kMenuControlPanel), 0);
  EXPECT_TRUE(IsWindowVisible(mw->hwnd));
  HandleMainCommand(*mw, MenuItem(kMenuVideoWindow), 0);
  EXPECT_TRUE(IsWindowVisible(mw->frmVideo));
  HandleMainCommand(*mw, MenuItem(kMenuControlPanel), 0);
  EXPECT_FALSE(IsWindowVisible(mw->hwnd));
  HandleMainCommand(*mw, MenuItem(kMenuControlPanel), 0);
  EXPECT_TRUE(IsWindowVisible(mw->hwnd));
}

TEST_F(Dispatch, VideoSizeItemsResizeTheVideoWindowExceptInFullScreen) {
  HandleMainCommand(*mw, MenuItem(18), 0);  // "640x480"
  SIZE s = OuterSize(mw->frmVideo);
  EXPECT_EQ(s.cx, 640);
  EXPECT_EQ(s.cy, 480);
  ShowWindow(mw->frmVideo, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(mw->frmVideo));
  const SIZE full = OuterSize(mw->frmVideo);
  HandleMainCommand(*mw, MenuItem(kMenuFirstSize), 0);  // "80x60"
  s = OuterSize(mw->frmVideo);
  EXPECT_EQ(s.cx, full.cx);
  EXPECT_EQ(s.cy, full.cy);
}

TEST_F(Dispatch, PostedCommandsAndTrayClicksRunTheirCommands) {
  EXPECT_FALSE(HandlePlayerCommand(*mw, 0, 0));
  EXPECT_FALSE(HandlePlayerCommand(*mw, 99, 0));
  ASSERT_TRUE(HandlePlayerCommand(*mw, kPostMute, 0));
  EXPECT_TRUE(mw->muteIndicatorVisible);

  HandleTrayMessage(*mw, WM_MBUTTONUP);
  EXPECT_FALSE(mw->muteIndicatorVisible);
  // While the application is minimised the middle button does nothing.
  ShowWindow(mw->hwnd, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(mw->hwnd));
  HandleTrayMessage(*mw, WM_MBUTTONUP);
  EXPECT_FALSE(mw->muteIndicatorVisible);
  // The left button brings both windows back.
  ShowWindow(mw->frmVideo, SW_HIDE);
  HandleTrayMessage(*mw, WM_LBUTTONUP);
  EXPECT_FALSE(IsIconic(mw->hwnd));
  EXPECT_TRUE(IsWindowVisible(mw->hwnd));
  EXPECT_TRUE(IsWindowVisible(mw->frmVideo));
}

}  // namespace
}  // namespace strevo
