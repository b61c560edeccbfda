#include "ui/video/video_input_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "base/eventlog.h"
#include "ui/channels/channel_list_win.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/video/directshow_host_win.h"
#include "ui/main/docking_win.h"
#include "ui/guide/guide_ui_win.h"
#include "ui/commands/input.h"
#include "ui/main/mainwindow_win.h"
#include "ui/video/player_host_win.h"
#include "ui/settings/settings_binding_win.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {

constexpr UINT kCursorHideMs = 3000;



bool PointerOver(HWND h, POINT screen) {
  if (!Shown(h)) return false;
  RECT r;
  GetWindowRect(h, &r);
  return PtInRect(&r, screen) != FALSE;
}

// The guide list when shown and under the pointer, else the channel list likewise.
HWND ListUnderPointer(const MainWindow& mw, POINT screen) {
  if (PointerOver(mw.overlays.box, screen)) return mw.overlays.box;
  if (PointerOver(mw.lstPlaylist, screen)) return mw.lstPlaylist;
  return nullptr;
}

int Selection(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }
int Count(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }

void BringWindowsForward(MainWindow& mw) {
  if (Shown(mw.hwnd)) SetWindowPos(mw.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (mw.docked) SetWindowPos(mw.frmVideo, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SystemDrag(HWND window, WPARAM command) {
  if (!LeftButtonHeld()) return;
  ReleaseCapture();
  SendMessageW(window, WM_SYSCOMMAND, command, 0);
}

}  // namespace

void SetZoom(MainWindow& mw, int zoom) {
  mw.input.zoom = ClampZoom(zoom);
  FitEngineHost(mw);
  FitDirectShowHost(mw);
  mw.adjustSelector = kRegulatorZoom;
  ShowOsd(mw, "$vol");
}

// Up and Down over the regulators: the volume, a picture value or the zoom.
static void StepRegulator(MainWindow& mw, int direction) {
  const int regulator = mw.adjustSelector;
  if (regulator == kRegulatorZoom) {
    SetZoom(mw, mw.input.zoom + direction);
    return;
  }
  if (const int id = PictureSliderOf(regulator)) {
    HWND bar = mw.settings.Control(id);
    const int top = static_cast<int>(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0));
    const int value = std::clamp(SliderValue(mw.settings, id) + direction * RegulatorStep(top), 0, top);
    SetSliderValue(mw.settings, id, value);
    SettingsControlChanged(mw, id, TB_ENDTRACK);
  } else {
    RunCommand(mw, Command::Of(direction > 0 ? CommandId::VolumeUp : CommandId::VolumeDown));
  }
  ShowOsd(mw, "$vol");
}

// Up and Down: the guide list, else the channel list, else the regulator.
static void Step(MainWindow& mw, bool up) {
  if (HWND box = mw.overlays.box; Shown(box)) {
    const int n = Count(box);
    if (n > 0) SendMessageW(box, LB_SETCURSEL, std::clamp(Selection(box) + (up ? -1 : 1), 0, n - 1), 0);
    return;
  }
  if (HWND list = mw.lstPlaylist; Shown(list)) {
    const int n = Count(list);
    if (n <= 0) return;
    // Round the list, past group headers.
    int next = Selection(list);
    for (int tries = 0; tries < n; ++tries) {
      next = up ? (next <= 0 ? n - 1 : next - 1) : (next + 1) % n;
      if (!mw.listRows.IsHeader(next)) break;
    }
    SendMessageW(list, LB_SETCURSEL, next, 0);
    const int channel = mw.listRows.ChannelOfRow(next);
    if (channel > 0 && static_cast<size_t>(channel) < mw.channelTitles.size())
      ShowOsd(mw, mw.channelTitles[static_cast<size_t>(channel)]);
    return;
  }
  StepRegulator(mw, up ? 1 : -1);
}

void EnterKey(MainWindow& mw, int direction) {
  if (Shown(mw.overlays.box)) {
    RunCommand(mw, Command::Of(CommandId::GuideCurrent));
    return;
  }
  if (Shown(mw.lstPlaylist)) {
    RunCommand(mw, Command::Of(CommandId::ListPlay));
    ShowWindow(mw.lstPlaylist, SW_HIDE);
    return;
  }
  if (Shown(mw.overlays.lbcursub)) mw.adjustSelector = NextRegulator(mw.adjustSelector, direction);
  ShowOsd(mw, "$vol");
}

void ToggleFullScreen(MainWindow& mw) {
  VideoInputState& in = mw.input;
  if (!IsFullScreen(mw)) {
    GetWindowRect(mw.hwnd, &in.panelBeforeFullScreen);
    mw.dockedBeforeFullScreen = mw.docked;
    if (mw.docked) UndockVideo(mw);
    GetWindowRect(mw.frmVideo, &in.videoBeforeFullScreen);
    ShowWindow(mw.frmVideo, SW_MAXIMIZE);
  } else {
    ShowWindow(mw.frmVideo, SW_RESTORE);
    const RECT& v = in.videoBeforeFullScreen;
    SetWindowPos(mw.frmVideo, nullptr, v.left, v.top, v.right - v.left, v.bottom - v.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (mw.dockedBeforeFullScreen) {
      DockVideo(mw);
      // The panel back where it was, with the video inside it.
      const RECT& p = in.panelBeforeFullScreen;
      SetWindowPos(mw.hwnd, nullptr, p.left, p.top, p.right - p.left, p.bottom - p.top, SWP_NOZORDER | SWP_NOACTIVATE);
      LayoutMainForm(mw);
    }
    in.cursorHidden = false;
  }
  if (Shown(mw.frmVideo)) SetForegroundWindow(mw.docked ? mw.hwnd : mw.frmVideo);
}

void ScaleVideoWindow(MainWindow& mw, bool larger) {
  RECT client;
  GetClientRect(mw.frmVideo, &client);
  RECT outer;
  GetWindowRect(mw.frmVideo, &outer);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  // The window's own left and top move as its client area's would.
  const Box next = ScaledVideoClient({outer.left, outer.top, client.right, client.bottom}, larger,
                                     {work.left, work.top, work.right - work.left, work.bottom - work.top});
  if (mw.docked) {
    // The panel grows around the video, never below its minimum.
    RunCommand(mw, Command::Size(next.width, next.height));
    return;
  }
  const int frameW = (outer.right - outer.left) - client.right, frameH = (outer.bottom - outer.top) - client.bottom;
  SetWindowPos(mw.frmVideo, nullptr, next.left, next.top, next.width + frameW, next.height + frameH,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

void LogMouseDown() { LogLine("videomousedown"); }

void StopCursorTimer(MainWindow& mw) { KillTimer(mw.hwnd, kCursorTimer); }

void OnCursorTimer(MainWindow& mw) {
  KillTimer(mw.hwnd, kCursorTimer);
  POINT p;
  GetCursorPos(&p);
  // Only over the picture itself: the guide list, the control strip and the
  // channel list keep the pointer.
  if (!IsFullScreen(mw) || WindowFromPoint(p) != mw.frmVideo || PointerOver(mw.overlays.lbControls, p)) return;
  mw.input.cursorHidden = true;
  SetCursor(nullptr);
}

void OnWheel(MainWindow& mw, WPARAM wp, LPARAM lp) {
  const int code = WheelCode(static_cast<std::uint32_t>(wp));
  // Switching channels with the right button held is no request for the
  // menu that its release would open.
  if (GET_KEYSTATE_WPARAM(wp) & MK_RBUTTON) mw.input.rightButtonWheeled = true;
  LogLine("videomousewheel=" + std::to_string(code));
  const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  RunCommand(mw, WheelCommand(code, ListUnderPointer(mw, p) != nullptr));
}

// Strip glyphs sit at fixed fortieths of the font's pixel height.
void OnStripPress(MainWindow& mw, int x) {
  // The strip's glyphs are drawn at the layout's font size.
  const int s = mw.overlays.fontSize;
  LogLine("lbControls mouse down : font=" + std::to_string(s) + " X=" + std::to_string(x));
  RunCommand(mw, StripCommand(x, s));
}

LRESULT CALLBACK KeyFieldProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  MainWindow& mw = *reinterpret_cast<MainWindow*>(data);
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const int modifiers =
          ModifierFlags(GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0);
      // Alt+F4 still closes the window as everywhere else.
      if (wp == VK_F4 && modifiers == kModAlt) break;
      HandleKey(mw, static_cast<int>(wp), modifiers);
      return 0;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (msg == WM_SYSKEYUP && wp == VK_F4) break;
      return 0;  // nothing is typed into the field
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_MOUSEWHEEL:
      OnWheel(mw, wp, lp);
      return 0;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

// The engine's host panel: the mouse goes through it to the video window.
LRESULT CALLBACK PassMouseProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  // An engine window under the pointer asks its parent for the cursor first:
  // the moment to make it let the coming click through.
  if (msg == WM_SETCURSOR && reinterpret_cast<HWND>(wp) != h)
    LetMouseThroughEngineWindows(*reinterpret_cast<MainWindow*>(data));
  return DefSubclassProc(h, msg, wp, lp);
}

LRESULT CALLBACK StripProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_LBUTTONDOWN) {
    OnStripPress(*reinterpret_cast<MainWindow*>(data), GET_X_LPARAM(lp));
    return 0;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

}  // namespace

void InstallInputHandlers(MainWindow& mw) {
  const auto data = reinterpret_cast<DWORD_PTR>(&mw);
  if (mw.overlays.ebhotkey) SetWindowSubclass(mw.overlays.ebhotkey, KeyFieldProc, 1, data);
  if (HWND receiver = mw.form.Control(kEbHotkey)) SetWindowSubclass(receiver, KeyFieldProc, 1, data);
  if (mw.enginePanel) SetWindowSubclass(mw.enginePanel, PassMouseProc, 1, data);
  if (mw.overlays.lbControls) SetWindowSubclass(mw.overlays.lbControls, StripProc, 1, data);
}

// A window of another thread answers its own hit test, so HTTRANSPARENT
// cannot pass the mouse on across threads, and forwarding its messages
// would need the engine's cooperation. A disabled child window is skipped by
// the system's hit test instead, and the engine still draws in it. The
// change is sent to the engine's thread, which the player's windows must
// never wait on, so a worker makes it.
void LetMouseThroughEngineWindows(MainWindow& mw) {
  if (!mw.enginePanel || mw.disablingEngineWindows) return;
  std::vector<HWND> enabled;
  for (HWND h = GetWindow(mw.enginePanel, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    if (IsWindowEnabled(h) && GetWindowThreadProcessId(h, nullptr) != GetCurrentThreadId()) enabled.push_back(h);
  if (enabled.empty()) return;
  mw.disablingEngineWindows = true;
  try {
    std::thread([enabled, &flag = mw.disablingEngineWindows] {
      for (HWND h : enabled) EnableWindow(h, FALSE);
      flag = false;
    }).detach();
  } catch (const std::system_error&) {
    mw.disablingEngineWindows = false;  // no thread now: the next tick tries again
  }
}

void HandleKey(MainWindow& mw, int key, int modifiers) {
  LogLine("videokeydown " + std::to_string(key) + " " + std::to_string(modifiers));
  RunCommand(mw, KeyCommand(key, modifiers));
}

bool HandleVideoInput(MainWindow& mw, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  result = 0;
  switch (msg) {
    case WM_SETFOCUS:
      // The key field holds the video window's focus.
      if (mw.overlays.ebhotkey) SetFocus(mw.overlays.ebhotkey);
      return true;
    case WM_MOUSEWHEEL:
      OnWheel(mw, wp, lp);
      return true;
    case WM_CONTEXTMENU:
      if (!mw.input.rightButtonWheeled) return false;
      mw.input.rightButtonWheeled = false;
      return true;
    case WM_LBUTTONDOWN: {
      StopCursorTimer(mw);
      if (IsFullScreen(mw)) return true;
      LogMouseDown();
      RECT c;
      GetClientRect(mw.frmVideo, &c);
      const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      const PointerShape shape = PointerShapeAt(x, y, c.right, c.bottom, false, mw.docked);
      if (shape != PointerShape::Arrow) {
        RunCommand(mw, Command::By(CommandId::WindowResize, ResizeEdge(shape, y >= c.bottom / 2)));
        return true;
      }
      BringWindowsForward(mw);
      RunCommand(mw, MouseCommand(MouseAction::Left));
      return true;
    }
    case WM_LBUTTONDBLCLK:
      StopCursorTimer(mw);
      LogMouseDown();
      RunCommand(mw, MouseCommand(MouseAction::DoubleClick));
      return true;
    case WM_RBUTTONDOWN:
      // The menu itself opens on WM_CONTEXTMENU.
      mw.input.rightButtonWheeled = false;
      StopCursorTimer(mw);
      LogMouseDown();
      BringWindowsForward(mw);
      return true;
    case WM_MBUTTONDOWN:
      StopCursorTimer(mw);
      LogMouseDown();
      RunCommand(mw, MouseCommand(MouseAction::Middle));
      return true;
    case WM_MOUSEMOVE:
      mw.input.cursorHidden = false;
      SetTimer(mw.hwnd, kCursorTimer, kCursorHideMs, nullptr);
      return true;
    case WM_SETCURSOR: {
      if (LOWORD(lp) != HTCLIENT) return false;
      if (reinterpret_cast<HWND>(wp) != mw.frmVideo) {
        // Over the guide list (a child): a move there is the user's too, and
        // the list keeps its own pointer.
        if (HIWORD(lp) == WM_MOUSEMOVE && IsFullScreen(mw)) {
          mw.input.cursorHidden = false;
          SetTimer(mw.hwnd, kCursorTimer, kCursorHideMs, nullptr);
        }
        return false;
      }
      if (mw.input.cursorHidden) {
        SetCursor(nullptr);
        result = TRUE;
        return true;
      }
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(mw.frmVideo, &p);
      RECT c;
      GetClientRect(mw.frmVideo, &c);
      const PointerShape shape = PointerShapeAt(p.x, p.y, c.right, c.bottom, IsFullScreen(mw), mw.docked);
      SetCursor(LoadCursorW(nullptr, shape == PointerShape::NorthWestSouthEast   ? IDC_SIZENWSE
                                     : shape == PointerShape::NorthEastSouthWest ? IDC_SIZENESW
                                                                                 : IDC_ARROW));
      result = TRUE;
      return true;
    }
  }
  return false;
}

bool HandlePanelInput(MainWindow& mw, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  result = 0;
  switch (msg) {
    case WM_SETFOCUS:
      if (HWND receiver = mw.form.Control(kEbHotkey)) SetFocus(receiver);
      return true;
    case WM_MOUSEWHEEL:
      OnWheel(mw, wp, lp);
      return true;
    case WM_LBUTTONDOWN:
      RunCommand(mw, MouseCommand(MouseAction::PanelLeft));
      return true;
    case WM_TIMER:
      if (wp != kCursorTimer) return false;
      OnCursorTimer(mw);
      return true;
  }
  return false;
}

void StepSelectionOrRegulator(MainWindow& mw, bool up) { Step(mw, up); }

int Zoom(const MainWindow& mw) { return mw.input.zoom; }

void ShowGuideOfSelectionOrCurrent(MainWindow& mw) {
  const bool list = Shown(mw.lstPlaylist) && SelectedListChannel(mw) > 0;
  RunCommand(mw, Command::Of(list && !Shown(mw.overlays.box) ? CommandId::ListGuide : CommandId::GuideCurrent));
}

void ScrollListUnderPointer(MainWindow& mw, bool up) {
  POINT p;
  GetCursorPos(&p);
  if (HWND list = ListUnderPointer(mw, p)) SendMessageW(list, WM_VSCROLL, up ? SB_LINEUP : SB_LINEDOWN, 0);
}

void DragWindow(MainWindow& mw) { SystemDrag(mw.docked ? mw.hwnd : mw.frmVideo, SC_MOVE | HTCAPTION); }

void ResizeVideoWindow(MainWindow& mw, int edge) { SystemDrag(mw.frmVideo, SC_SIZE + edge); }

void DragPanel(MainWindow& mw) {
  if (Shown(mw.frmVideo) && !mw.docked)
    SetWindowPos(mw.frmVideo, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (HWND receiver = mw.form.Control(kEbHotkey)) SetFocus(receiver);
  LogLine("formmousedown");
  SystemDrag(mw.hwnd, SC_MOVE | HTCAPTION);
}

}  // namespace strevo
