// Times the two calls that stall a player's start and close when Wine runs
// without a desktop of its own (a bare X server, no window manager): hiding
// a shown top-level window, and deleting a notification-area icon. Inside
// Wine's virtual desktop each takes milliseconds; on a bare Xvfb about 2 s.
// Prints the desktop and the milliseconds of each, e.g.
//
//   desktop Default 1280x1024
//   hide 4 ms
//   tray-delete 1 ms
//
//   hide_probe [LIMIT_MS]   exit 1 when either call took LIMIT_MS or more
//
// CTest runs it as wine_desktop, so a test prefix without its virtual
// desktop fails there, by name, instead of slowing every scenario down.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

namespace {
long long Millis() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return c.QuadPart * 1000 / f.QuadPart;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}
}  // namespace

int main(int argc, char** argv) {
  const long long limit = argc > 1 ? std::atoll(argv[1]) : 0;
  wchar_t name[128] = L"?";
  GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, name, sizeof name, nullptr);
  std::printf("desktop %ls %dx%d\n", name, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"HideProbe";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, L"HideProbe", L"probe", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr,
                              nullptr, wc.hInstance, nullptr);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  Pump();
  Sleep(300);  // let the X server map it first
  Pump();
  long long t = Millis();
  ShowWindow(hwnd, SW_HIDE);
  const long long hide = Millis() - t;
  std::printf("hide %lld ms\n", hide);

  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = hwnd;
  nid.uID = 1;
  nid.uFlags = NIF_ICON | NIF_TIP;
  nid.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  lstrcpyW(nid.szTip, L"probe");
  Shell_NotifyIconW(NIM_ADD, &nid);
  Pump();
  Sleep(300);
  Pump();
  t = Millis();
  Shell_NotifyIconW(NIM_DELETE, &nid);
  const long long trayDelete = Millis() - t;
  std::printf("tray-delete %lld ms\n", trayDelete);
  std::fflush(stdout);
  DestroyWindow(hwnd);
  return limit > 0 && (hide >= limit || trayDelete >= limit) ? 1 : 0;
}
