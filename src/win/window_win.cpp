#include "win/window_win.h"

#include <memory>
#include <mutex>

namespace strevo {

Window::~Window() { Destroy(); }

bool Window::RegisterClassOnce(const WindowClassArgs& args) {
  WNDCLASSEXW existing{sizeof(existing)};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), args.name, &existing)) return existing.lpfnWndProc == StaticProc;
  WNDCLASSEXW wc{sizeof(wc)};
  wc.style = args.style;
  wc.lpfnWndProc = StaticProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = args.icon;
  wc.hIconSm = args.smallIcon;
  wc.hCursor = args.cursor ? args.cursor : LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = args.background;
  wc.lpszClassName = args.name;
  return RegisterClassExW(&wc) != 0;
}

bool Window::RegisterClassOnce(const wchar_t* name, HBRUSH background, UINT style) {
  WindowClassArgs args;
  args.name = name;
  args.style = style;
  args.icon = args.smallIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  args.background = background;
  return RegisterClassOnce(args);
}

HWND Window::Create(const WindowArgs& args) {
  if (hwnd_) return nullptr;
  // hwnd_ is set at WM_NCCREATE, before CreateWindowExW returns.
  CreateWindowExW(args.exStyle, args.className, args.title, args.style, args.x, args.y, args.width, args.height,
                  args.parent, args.menuOrId, GetModuleHandleW(nullptr), this);
  return hwnd_;
}

void Window::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

Window* Window::FromHandle(HWND hwnd) {
  if (!hwnd || GetClassLongPtrW(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(StaticProc)) return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT Window::WndProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (!self) return FALSE;  // created outside Create(): nothing to dispatch to
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // WM_GETMINMAXINFO arrives before WM_NCCREATE.
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg != WM_NCDESTROY) return self->WndProc(msg, wp, lp);
  LRESULT r = self->WndProc(msg, wp, lp);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  self->hwnd_ = nullptr;
  self->OnDestroyed();
  return r;
}

namespace {

constexpr UINT kRunClosure = WM_APP + 0x3F0;
constexpr wchar_t kDispatcherClass[] = L"StrevoUiDispatcher";

// The dispatcher is a service of the process, not a window's record: a worker
// has no other way to find the UI thread.
std::mutex g_dispatcherMutex;
HWND g_dispatcher = nullptr;

using Closure = std::function<void()>;

LRESULT CALLBACK DispatcherProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kRunClosure) {
    std::unique_ptr<Closure> fn(reinterpret_cast<Closure*>(lp));
    if (*fn) (*fn)();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool StartUiDispatcher() {
  std::lock_guard<std::mutex> lock(g_dispatcherMutex);
  if (g_dispatcher) return GetWindowThreadProcessId(g_dispatcher, nullptr) == GetCurrentThreadId();
  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = DispatcherProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kDispatcherClass;
  RegisterClassExW(&wc);  // fails harmlessly when already registered
  g_dispatcher = CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  return g_dispatcher != nullptr;
}

void StopUiDispatcher() {
  HWND hwnd;
  {
    std::lock_guard<std::mutex> lock(g_dispatcherMutex);
    hwnd = g_dispatcher;
    g_dispatcher = nullptr;
  }
  if (!hwnd) return;
  // Nothing can be queued any more; free what is, without running it.
  MSG m;
  while (PeekMessageW(&m, hwnd, kRunClosure, kRunClosure, PM_REMOVE))
    delete reinterpret_cast<Closure*>(m.lParam);
  DestroyWindow(hwnd);
}

bool PostToUi(std::function<void()> fn) {
  auto boxed = std::make_unique<Closure>(std::move(fn));
  std::lock_guard<std::mutex> lock(g_dispatcherMutex);
  if (!g_dispatcher) return false;
  if (!PostMessageW(g_dispatcher, kRunClosure, 0, reinterpret_cast<LPARAM>(boxed.get()))) return false;
  boxed.release();  // the dispatcher frees it
  return true;
}

}  // namespace strevo
