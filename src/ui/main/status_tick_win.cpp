#include "ui/main/status_tick_win.h"

#include <windows.h>
#include <commctrl.h>

#include "base/eventlog.h"
#include "playback/player.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/video/directshow_host_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"
#include "ui/video/overlay_layout.h"
#include "ui/main/recording_win.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {


// Setters that touch a window only when its state differs: the tick runs
// unconditionally, and a window told what it already is may still repaint.
void SetShown(HWND h, bool shown) {
  if (h && Shown(h) != shown)
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void SetText(HWND h, const std::string& text) {
  if (h && WindowText(h) != text) SetWindowTextUtf8(h, text);
}

void SetTopmost(HWND h, bool topmost) {
  if (!h || (GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) return;
  const bool now = GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOPMOST;
  if (now != topmost)
    SetWindowPos(h, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// A window without a taskbar button is a tool window; the change shows once
// the window is shown again.
void SetTaskbarButton(HWND h, bool button) {
  if (!h) return;
  const LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
  const bool now = !(ex & WS_EX_TOOLWINDOW);
  if (now == button) return;
  const bool shown = IsWindowVisible(h);
  if (shown) ShowWindow(h, SW_HIDE);
  SetWindowLongPtrW(h, GWL_EXSTYLE, button ? ex & ~WS_EX_TOOLWINDOW : ex | WS_EX_TOOLWINDOW);
  // A tool window's caption is lower: without this the client area keeps the
  // old frame until the window is next sized.
  SetWindowPos(h, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if (shown) ShowWindow(h, SW_SHOWNA);
}

}  // namespace

void ApplyTaskbarState(MainWindow& mw) {
  // With no window on the screen the tray icon is the one way back to the
  // player, whatever the setting says; the windows' taskbar buttons follow
  // the setting (hidden windows show none anyway).
  const bool windowShown = Shown(mw.hwnd) || (!mw.docked && Shown(mw.frmVideo));
  ShowTrayIcon(mw, !mw.globals.taskbarButton || !windowShown);
  SetTaskbarButton(mw.hwnd, mw.globals.taskbarButton);
  SetTaskbarButton(mw.docked ? nullptr : mw.frmVideo, mw.globals.taskbarButton);
}

namespace {

bool HasChildOfClass(HWND parent, const wchar_t* cls, const wchar_t* title = nullptr) {
  return parent && FindWindowExW(parent, nullptr, cls, title);
}

// Whether a picture is being drawn in the video window.
bool PictureShown(MainWindow& mw) {
  if (mw.directShowMode) {
    HWND host = mw.directShow ? GetWindow(mw.frmVideo, GW_CHILD) : nullptr;
    for (; host; host = GetWindow(host, GW_HWNDNEXT))
      // By the renderer's caption: Wine's renderers have class names of their own.
      if (HasChildOfClass(host, nullptr, L"ActiveMovie Window")) return true;
    return false;
  }
  // The 3.x engine draws into the panel without a window of those classes.
  if (mw.engine3) return player_isplaying(mw);
  return HasChildOfClass(mw.enginePanel, L"VLC DirectX") || HasChildOfClass(mw.enginePanel, L"VLC WinGDI");
}

void ShowEmptyScreen(MainWindow& mw, bool shown) {
  VideoOverlays& o = mw.overlays;
  if (!o.pnEmptyScr || Shown(o.pnEmptyScr) == shown) return;
  SetShown(o.pnEmptyScr, shown);
  if (!shown) return;
  // Above the picture, under the list and the overlays.
  for (HWND h : {mw.lstPlaylist, o.box, o.lbcursub, o.lbrecbox, o.lbmute, o.lbControls})
    if (Shown(h)) SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ShowTime(MainWindow& mw) {
  const PositionDisplay d = UpdatePositionDisplay(mw, kStatusTickMs);
  if (HWND bar = mw.form.Control(kPbPosition)) {
    if (SendMessageW(bar, PBM_GETRANGE, FALSE, 0) != d.barRange) SendMessageW(bar, PBM_SETRANGE32, 0, d.barRange);
    if (SendMessageW(bar, PBM_GETPOS, 0, 0) != d.barPosition) SendMessageW(bar, PBM_SETPOS, d.barPosition, 0);
  }
  SetText(mw.form.Control(kLblTime), d.label);
  SetMenuItemCaption(mw.form.mainMenu, kMenuTime, d.menuText);
}

}  // namespace

static void StatusTickSteps(MainWindow& mw);

bool ViewTimingWanted() {
  static const bool wanted = [] {
    wchar_t value[4] = L"";
    return GetEnvironmentVariableW(L"STREVO_VIEW_TIMING", value, 4) == 1 && value[0] == L'1';
  }();
  return wanted;
}

long long MicrosecondsNow() {
  static const long long frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

void StatusTick(MainWindow& mw) {
  const long long started = ViewTimingWanted() ? MicrosecondsNow() : 0;
  StatusTickSteps(mw);
  if (started) LogLine("status tick " + std::to_string(MicrosecondsNow() - started) + " us");
}

static void StatusTickSteps(MainWindow& mw) {
  VideoOverlays& o = mw.overlays;
  const bool maximised = mw.frmVideo && IsZoomed(mw.frmVideo);

  // Moving the two windows together keeps their offset of now.
  if (mw.frmVideo && !maximised && !IsIconic(mw.frmVideo) && !mw.docked) {
    RECT v{}, m{};
    GetWindowRect(mw.frmVideo, &v);
    GetWindowRect(mw.hwnd, &m);
    mw.form.videoOffsetX = m.left - v.left;
  }

  ApplyTaskbarState(mw);

  ShowRecordingState(mw);
  SetShown(o.lbmute, mw.muteIndicatorVisible);
  SetShown(mw.form.Control(kLblMuteSign), mw.muteIndicatorVisible);
  LetMouseThroughEngineWindows(mw);

  if (o.lbControls && o.pnEmptyScr && mw.frmVideo) {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(mw.frmVideo, &p);
    RECT strip{}, panel{};
    GetWindowRect(o.lbControls, &strip);
    MapWindowPoints(nullptr, mw.frmVideo, reinterpret_cast<POINT*>(&strip), 2);
    GetClientRect(o.pnEmptyScr, &panel);
    const OverlayRect r{strip.left, strip.top, strip.right - strip.left, strip.bottom - strip.top};
    SetShown(o.lbControls, ControlStripWanted(mw.input.cursorHidden, p.x, p.y, r, panel.bottom, 0));
  }

  if (mw.frmVideo && GetForegroundWindow() == mw.frmVideo && o.ebhotkey && GetFocus() != o.ebhotkey)
    SetFocus(o.ebhotkey);

  const bool playing = player_isplaying(mw);
  const BOOL allowed = ScreenSaverAllowed(mw.globals.noScreenSaver, playing);
  BOOL active = !allowed;
  SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  if ((active != FALSE) != (allowed != FALSE)) SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, allowed, nullptr, 0);

  const Stacking stacking =
      StackingOf(maximised, mw.docked || (maximised && mw.dockedBeforeFullScreen), mw.globals.videoOnTop,
                 mw.globals.fullScreenOnTop, mw.form.onTop);
  SetTopmost(mw.frmVideo, stacking.video);
  SetTopmost(mw.hwnd, stacking.panel);

  ShowTime(mw);

  ShowMenuChecks(mw);
  if (IsChecked(mw.settings, kIdUndocked) == mw.docked) SetChecked(mw.settings, kIdUndocked, !mw.docked);
  SetText(mw.settings.Control(kIdTimeShiftValue), TimeShiftLabel(SliderValue(mw.settings, kIdTimeShift)));
  const int i = mw.channelSelectorIndex;
  const std::string title = i >= 0 && i < static_cast<int>(mw.channelTitles.size()) ? mw.channelTitles[i] : "";
  SetText(mw.settings.Control(kIdChannelTitle), ChannelCaptionText(title, mw.currentMrl));

  ShowEmptyScreen(mw, EmptyScreenShown(PictureShown(mw), mw.desktopMode));

  DirectShowStatusTick(mw);
}

}  // namespace strevo
