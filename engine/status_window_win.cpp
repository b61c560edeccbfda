#include "status_window_win.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "util_win.h"
#include "video_paint_win.h"

namespace strevo::engine {

namespace {

constexpr UINT kMsgCreate = WM_APP + 1;
constexpr UINT kMsgDestroy = WM_APP + 2;
constexpr UINT_PTR kRefreshTimer = 1;
// Frames are taken this often; the status text is redrawn every 25th tick.
constexpr UINT kTickMs = 20;
constexpr int kStatusTicks = 25;
std::thread g_uiThread;
std::atomic<HWND> g_control{nullptr};
std::mutex g_uiMutex;

LRESULT CALLBACK StatusProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  static int ticks = 0;  // UI thread only
  Session* s = reinterpret_cast<Session*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      SetTimer(hwnd, kRefreshTimer, kTickMs, nullptr);
      return 0;
    case WM_TIMER:
      if (s && s->ended) {
        DestroyWindow(hwnd);
        return 0;
      }
      if (s) {
        // Follow the panel's size.
        RECT parent, own;
        GetClientRect(GetParent(hwnd), &parent);
        GetClientRect(hwnd, &own);
        if (parent.right != own.right || parent.bottom != own.bottom)
          SetWindowPos(hwnd, nullptr, 0, 0, parent.right, parent.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      if ((s && AdvanceVideo(*s, NowMs())) || ++ticks % kStatusTicks == 0) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right > 0 ? rc.right : 1, rc.bottom > 0 ? rc.bottom : 1);
      HGDIOBJ old = SelectObject(mem, bmp);
      if (s && !PaintVideo(mem, rc, *s)) DrawStatus(mem, rc, FiguresOf(*s));
      BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteObject(bmp);
      DeleteDC(mem);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      if (s) s->window = nullptr;
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kMsgCreate: {
      Session* s = reinterpret_cast<Session*>(lp);
      RECT rc{0, 0, 0, 0};
      GetClientRect(s->drawable, &rc);
      s->window = CreateWindowExW(WS_EX_NOPARENTNOTIFY, s->windowClass.c_str(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                  0, 0, rc.right, rc.bottom, s->drawable, nullptr, GetModuleHandleW(nullptr), s);
      return 0;
    }
    case kMsgDestroy: {
      Session* s = reinterpret_cast<Session*>(lp);
      if (s->window) DestroyWindow(s->window);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void UiThreadMain(HANDLE ready) {
  WNDCLASSW wc{};
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpfnWndProc = StatusProc;
  wc.lpszClassName = L"VLC DirectX";
  RegisterClassW(&wc);
  wc.lpszClassName = L"VLC WinGDI";
  RegisterClassW(&wc);
  wc.lpfnWndProc = ControlProc;
  wc.lpszClassName = L"StrevoEngineControl";
  RegisterClassW(&wc);
  g_control = CreateWindowExW(0, L"StrevoEngineControl", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  SetEvent(ready);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  g_control = nullptr;
  // The library may be unloaded next: no class may keep our window procedures.
  UnregisterClassW(L"VLC DirectX", wc.hInstance);
  UnregisterClassW(L"VLC WinGDI", wc.hInstance);
  UnregisterClassW(L"StrevoEngineControl", wc.hInstance);
}

HWND UiControl() {
  std::lock_guard<std::mutex> lock(g_uiMutex);
  if (!g_uiThread.joinable()) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_uiThread = std::thread(UiThreadMain, ready);
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
  }
  return g_control;
}

}  // namespace

StatusFigures FiguresOf(const Session& s) {
  StatusFigures f;
  f.address = s.address;
  f.bytes = s.bytes;
  f.bitsPerSecond = s.bitsPerSecond;
  f.elapsedSeconds = (NowMs() - s.startMs) / 1000;
  f.paused = s.paused;
  f.receiving = s.Live();
  return f;
}

void DrawStatus(HDC dc, const RECT& rc, const StatusFigures& f) {
  HBRUSH bg = CreateSolidBrush(RGB(16, 20, 28));
  FillRect(dc, &rc, bg);
  DeleteObject(bg);
  int height = (rc.bottom - rc.top) / 14;
  if (height < 12) height = 12;
  if (height > 28) height = 28;
  HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                           FF_SWISS, L"Arial");
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, f.receiving && !f.paused ? RGB(120, 220, 140) : RGB(220, 200, 120));
  RECT text = rc;
  InflateRect(&text, -height, -height);
  std::wstring lines = Widen(StatusLines(f));
  DrawTextW(dc, lines.c_str(), static_cast<int>(lines.size()), &text, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_WORDBREAK);
  SelectObject(dc, old);
  DeleteObject(font);
}

void ShowStatusWindow(Session& s) {
  if (HWND control = UiControl()) SendMessageW(control, kMsgCreate, 0, reinterpret_cast<LPARAM>(&s));
}

void CloseStatusWindow(Session& s) {
  if (HWND control = g_control) SendMessageW(control, kMsgDestroy, 0, reinterpret_cast<LPARAM>(&s));
}

void StopUiThread() {
  std::lock_guard<std::mutex> lock(g_uiMutex);
  if (!g_uiThread.joinable()) return;
  if (g_control) PostMessageW(g_control, WM_CLOSE, 0, 0);
  g_uiThread.join();
}

}  // namespace strevo::engine
