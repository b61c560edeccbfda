#include "app/splash_win.h"

#include <commctrl.h>

#include <cmath>

#include "win/util_win.h"

namespace strevo {

static const wchar_t kSplashClass[] = L"StrevoSplash";

LRESULT Splash::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_PAINT) return Default(msg, wp, lp);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, picture_);
  BITMAP bm;
  GetObjectW(picture_, sizeof bm, &bm);
  BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  EndPaint(hwnd(), &ps);
  return 0;
}

Splash* Splash::Create(const std::string& picturePath, const std::string& caption) {
  HBITMAP pic = static_cast<HBITMAP>(
      LoadImageW(nullptr, Widen(picturePath).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!pic) return nullptr;
  BITMAP bm;
  GetObjectW(pic, sizeof bm, &bm);
  const int w = bm.bmWidth, h = bm.bmHeight;

  // The bar's colours come from the picture itself.
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, pic);
  COLORREF background = GetPixel(mem, w - 2, 1);
  COLORREF corner = GetPixel(mem, 1, 1);
  SelectObject(mem, old);
  DeleteDC(mem);
  COLORREF fill = MixColours(corner, MixColours(corner, RGB(255, 255, 255)));

  auto* s = new Splash;
  s->picture_ = pic;
  Window::RegisterClassOnce(kSplashClass, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const std::wstring title = Widen(caption);
  WindowArgs args;
  args.className = kSplashClass;
  args.title = title.c_str();
  args.style = WS_POPUP;
  args.exStyle = WS_EX_TOOLWINDOW;
  args.x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  args.y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  args.width = w;
  args.height = h;
  const HWND window = s->Window::Create(args);
  // The holder clips the bar so that its frame stays hidden.
  const int hx = static_cast<int>(std::lround(w * 0.1)), hy = static_cast<int>(std::lround(h * 0.8));
  const int hw = static_cast<int>(std::lround(w * 0.8));
  HWND holder = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, hx, hy, hw, 16, window,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  s->bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, -3, -2, hw + 6, 16 + 4,
                            holder, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(s->bar_, PBM_SETRANGE32, 0, 50);
  SendMessageW(s->bar_, PBM_SETPOS, 0, 0);
  SendMessageW(s->bar_, PBM_SETBKCOLOR, 0, background);
  SendMessageW(s->bar_, PBM_SETBARCOLOR, 0, fill);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return s;
}

void Splash::AdvanceTo(int target) {
  while (position_ < target) {
    ++position_;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    UpdateWindow(hwnd());
    PumpPendingMessages();
    Sleep(3);
  }
}

void Splash::Hide() { ShowWindow(hwnd(), SW_HIDE); }

void Splash::Close() {
  Sleep(20);
  Destroy();
  DeleteObject(picture_);
  delete this;
}

}  // namespace strevo
