#include "ui/main/docking_win.h"

#include <windows.h>

#include "ui/main/geometry.h"
#include "ui/main/mainwindow_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

const wchar_t kDockPanelClass[] = L"StrevoDockPanel";
const DWORD kVideoTopLevelStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

RECT WindowRect(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  return r;
}

RECT ClientRectOf(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  return r;
}

LRESULT CALLBACK DockPanelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(h, msg, wp, lp); }

}  // namespace

void SetClientSize(HWND h, int width, int height) {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(h, GWL_EXSTYLE)));
  const Extent outer = WindowSizeForClient({width, height}, {-r.left, -r.top, r.right, r.bottom});
  SetWindowPos(h, nullptr, 0, 0, outer.width, outer.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CollapsedPanelClientHeight(const MainWindow& mw) {
  return CollapsedClientHeight(mw.topBarHeight, mw.bottomBarHeight, mw.borderWidth);
}

void DockVideo(MainWindow& mw) {
  if (mw.docked || !mw.frmVideo) return;
  const RECT video = WindowRect(mw.frmVideo);
  const RECT main = WindowRect(mw.hwnd);
  const RECT client = ClientRectOf(mw.hwnd);
  const Extent frame{(main.right - main.left) - client.right, (main.bottom - main.top) - client.bottom};
  const DockedPlacement docked =
      DockedPanelPlacement({main.left, main.top}, {video.right - video.left, video.bottom - video.top}, frame,
                           mw.borderWidth, mw.topBarHeight, mw.bottomBarHeight, mw.minMainWidth);
  mw.minMainHeight = kDockedMinOuterHeight;
  SetWindowPos(mw.hwnd, nullptr, docked.position.x, docked.position.y, docked.outer.width, docked.outer.height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  RegisterWindowClassOnce(kDockPanelClass, DockPanelProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  mw.form.dockPanel = CreateWindowExW(0, kDockPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                      docked.videoArea.x, docked.videoArea.y, docked.videoAreaSize.width,
                                      docked.videoAreaSize.height, mw.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(mw.frmVideo, GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
  SetParent(mw.frmVideo, mw.form.dockPanel);
  SetWindowPos(mw.frmVideo, nullptr, 0, 0, docked.videoAreaSize.width, docked.videoAreaSize.height,
               SWP_NOZORDER | SWP_FRAMECHANGED);
  mw.docked = true;
  LayoutMainForm(mw);
  RedrawWindow(mw.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
}

void UndockVideo(MainWindow& mw) {
  if (!mw.docked) return;
  RECT video = WindowRect(mw.frmVideo);
  const int videoW = video.right - video.left, videoH = video.bottom - video.top;
  const RECT main = WindowRect(mw.hwnd);
  SetParent(mw.frmVideo, nullptr);
  SetWindowLongPtrW(mw.frmVideo, GWL_STYLE, kVideoTopLevelStyle | WS_VISIBLE);
  // The video window keeps its picture size: grow the frame around it.
  RECT outer{0, 0, videoW, videoH};
  AdjustWindowRectEx(&outer, kVideoTopLevelStyle, FALSE, 0);
  const Point at = UndockedVideoPosition({main.left, main.top}, mw.borderWidth, mw.topBarHeight);
  SetWindowPos(mw.frmVideo, nullptr, at.x, at.y, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  DestroyWindow(mw.form.dockPanel);
  mw.form.dockPanel = nullptr;
  mw.docked = false;
  mw.minMainHeight = 0;
  SetClientSize(mw.hwnd, kBarWidth, CollapsedPanelClientHeight(mw));
  const RECT v = WindowRect(mw.frmVideo);
  SetWindowPos(mw.hwnd, nullptr, v.left, v.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  LayoutMainForm(mw);
  RememberWindowPlacement(mw);
}

void RememberWindowPlacement(MainWindow& mw) {
  const RECT v = WindowRect(mw.frmVideo), m = WindowRect(mw.hwnd);
  mw.form.videoAboveMain = !mw.docked && v.bottom == m.top;
  mw.form.videoOffsetX = m.left - v.left;
}

namespace {

bool TogetherNow(const MainWindow& mw) {
  return !mw.form.following && !mw.docked && mw.form.videoAboveMain && mw.frmVideo && mw.hwnd && !IsFullScreen(mw) &&
         !IsIconic(mw.frmVideo) && !IsIconic(mw.hwnd);
}

void MoveTo(MainWindow& mw, HWND h, int x, int y) {
  const RECT r = WindowRect(h);
  if (r.left == x && r.top == y) return;
  mw.form.following = true;
  SetWindowPos(h, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  mw.form.following = false;
}

}  // namespace

void KeepPanelBelowVideo(MainWindow& mw) {
  if (!TogetherNow(mw)) return;
  const RECT v = WindowRect(mw.frmVideo);
  MoveTo(mw, mw.hwnd, v.left + mw.form.videoOffsetX, v.bottom);
}

void KeepVideoAbovePanel(MainWindow& mw) {
  if (!TogetherNow(mw)) return;
  const RECT v = WindowRect(mw.frmVideo), m = WindowRect(mw.hwnd);
  MoveTo(mw, mw.frmVideo, m.left - mw.form.videoOffsetX, m.top - (v.bottom - v.top));
}

}  // namespace strevo
