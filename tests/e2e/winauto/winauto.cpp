// Window automation for the end-to-end scenarios (runs under Wine beside the
// program under test). Output is UTF-8, one item per line, fields by tabs.
//
//   winauto list [class|*] [caption|*]          top-level windows: hwnd class caption visible x y w h
//   winauto wait <class|*> <caption|*> <ms>     waits for a visible-or-not top-level window; prints hwnd
//   winauto gone <class|*> <caption|*> <ms>     waits until no such window exists
//   winauto children <hwnd>                     all descendants: hwnd class text visible x y w h
//   winauto text <hwnd>                         window text (WM_GETTEXT, so it works across processes)
//   winauto items <hwnd>                        a list box's entries, one a line
//   winauto rot                                 display names in the running object table, one a line
//   winauto close <hwnd>                        posts WM_CLOSE
//   winauto command <hwnd> <id>                 posts WM_COMMAND(id)
//   winauto key <hwnd> <vk>                     posts WM_KEYDOWN and WM_KEYUP
//   winauto keys <hwnd> <key>...                brings hwnd's top-level window to the front and types
//                                               the keys as real input (SendInput), each a virtual-key
//                                               number with optional "shift+", "ctrl+", "alt+" before
//                                               it: "0x26", "ctrl+shift+0x50"; exit 1 when the window
//                                               would not come to the front
//   winauto post <hwnd> <msg> <wparam> <lparam> posts any message (numbers: decimal or 0x hex)
//   winauto click <hwnd>                        tells the button's parent it was clicked
//   winauto screenshot <file.bmp>               saves the whole screen as a 24-bit BMP
//   winauto clickat <x> <y> [right]             a real mouse click at screen coordinates
//   winauto pointer <x> <y>                     moves the mouse pointer to screen coordinates
//   winauto rect <hwnd>                         screen rectangle: x y w h
//   winauto client <hwnd>                       client size and whether maximised: w h 1|0
//   winauto shown <class> <caption> <ms>        waits until such a window is visible on the screen
//                                               (x, y >= 0); prints hwnd and the monotonic clock in ms
//   winauto window <class> <caption> <ms>       creates a top-level window of that class for <ms>
//                                               (stands in for another program's window)
//   winauto show <hwnd> <SW_ number>            ShowWindowAsync (3 maximises, 9 restores)
//   winauto clock                               the monotonic clock in ms (the same clock as Linux's)
//   winauto child <hwnd> <id>                   the descendant with that control id; prints hwnd
//   winauto settext <hwnd> <text>               sends WM_SETTEXT (an edit tells its parent EN_CHANGE)
//   winauto lock <file> <ms>                    holds the file open without sharing for <ms>, or until
//                                               its window (class "WinautoLock") is closed; exit 1 when
//                                               the file cannot be opened
//   winauto send <hwnd> <msg> <wparam> <lparam> sends a message without pointers; prints the result
//   winauto state <hwnd>                        "<enabled> <WS_VISIBLE set>", as 1 or 0 each
//   winauto iconic <hwnd>                       exit 0 when the window is minimised
//   winauto tip <hwnd>                          the text of the control's tool tip (any tool-tip window
//                                               of its process)
//   winauto drop <hwnd> <file>                  drops the file on the window: winauto_drop.dll, loaded
//                                               into the window's process, posts it WM_DROPFILES
//   winauto ping <hwnd> <ms> [count] [pause-ms]  sends WM_NULL count times (default 1), pausing between;
//                                               prints each answer's delay in ms ("-" for none within
//                                               <ms>); exit 0 only when every one was answered in time
//   winauto traylog <ms> [refuse]               stands in for the notification area for <ms> or until
//                                               closed: prints "ready <hwnd>", then one line per tray
//                                               icon request (add/modify/delete/focus/version, owner
//                                               hwnd, icon id, "refused" for the first [refuse] ones,
//                                               which it answers as failed)
//   winauto broadcast <name>                    posts the registered message <name> to every top-level
//                                               window (as the shell posts "TaskbarCreated")
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
  return s;
}

static std::wstring Wide(const char* s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
  std::wstring w(n ? n - 1 : 0, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
  return w;
}

static std::wstring ClassOf(HWND h) {
  wchar_t buf[256];
  int n = GetClassNameW(h, buf, 256);
  return std::wstring(buf, n > 0 ? n : 0);
}

// A scenario asks one window of the player: it waits for the answer as long
// as a busy machine may need (three Wine sessions on two cores starve a window
// thread for seconds), and without SMTO_ABORTIFHUNG, which fails at once when a
// thread has fetched no message for five seconds, however briefly it then
// waits. A listing asks every window, also those of hung processes: those may
// fail fast.
constexpr UINT kAskFlags = SMTO_NORMAL, kListFlags = SMTO_ABORTIFHUNG;
constexpr UINT kAskMs = 15000, kListMs = 10000;

// A window whose thread does not answer still has the caption the system
// keeps for it (what DefWindowProc last stored), which is right for frames
// and statics.
static std::wstring StoredText(HWND h) {
  wchar_t buf[1024];
  int n = InternalGetWindowText(h, buf, 1024);
  return std::wstring(buf, n > 0 ? n : 0);
}

static std::wstring TextOf(HWND h) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, kListFlags, kListMs, &len)) return StoredText(h);
  std::wstring w(len + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, len + 1, (LPARAM)w.data(), kListFlags, kListMs, &got)) return StoredText(h);
  w.resize(got);
  return w;
}

static std::string Escape(const std::wstring& w) {
  std::string s = Utf8(w), out;
  for (char c : s) {
    if (c == '\t') out += "\\t";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

static void Print(HWND h, const std::wstring& text) {
  RECT r{};
  GetWindowRect(h, &r);
  printf("%llx\t%s\t%s\t%d\t%ld\t%ld\t%ld\t%ld\n", (unsigned long long)(uintptr_t)h, Escape(ClassOf(h)).c_str(),
         Escape(text).c_str(), IsWindowVisible(h) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

struct Filter {
  std::wstring cls, caption;
  std::vector<HWND> found;
};

static BOOL CALLBACK Collect(HWND h, LPARAM lp) {
  auto* f = (Filter*)lp;
  if (f->cls != L"*" && ClassOf(h) != f->cls) return TRUE;
  if (f->caption != L"*" && TextOf(h) != f->caption) return TRUE;
  f->found.push_back(h);
  return TRUE;
}

static std::vector<HWND> TopLevel(const std::wstring& cls, const std::wstring& caption) {
  Filter f{cls, caption, {}};
  EnumWindows(Collect, (LPARAM)&f);
  return f.found;
}

static BOOL CALLBACK PrintChild(HWND h, LPARAM) {
  Print(h, TextOf(h));
  return TRUE;
}

static HWND ParseHwnd(const char* s) { return (HWND)(uintptr_t)strtoull(s, nullptr, 16); }

struct ChildById {
  int id;
  HWND found;
};

static BOOL CALLBACK FindChildById(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<ChildById*>(lp);
  if (GetDlgCtrlID(h) != f->id) return TRUE;
  f->found = h;
  return FALSE;
}

static LRESULT CALLBACK LockProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE || msg == WM_TIMER) {
    DestroyWindow(h);
    return 0;
  }
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

// The window appears only once the file is held, so waiting for it is waiting
// for the lock.
static int HoldLocked(const std::wstring& path, UINT ms) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  WNDCLASSW wc{};
  wc.lpfnWndProc = LockProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"WinautoLock";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, wc.lpszClassName, path.c_str(), WS_OVERLAPPED, 0, 0, 100, 50, nullptr, nullptr,
                           wc.hInstance, nullptr);
  SetTimer(h, 1, ms, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  CloseHandle(file);
  return 0;
}

static int Screenshot(const char* path) {
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  int stride = (w * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{0x4D42, (DWORD)(sizeof fh + sizeof bi.bmiHeader + stride * h), 0, 0,
                      (DWORD)(sizeof fh + sizeof bi.bmiHeader)};
  FILE* f = _wfopen(Wide(path).c_str(), L"wb");
  if (!f) return 1;
  fwrite(&fh, sizeof fh, 1, f);
  fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
  fwrite(bits, stride * h, 1, f);
  fclose(f);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return 0;
}

static INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

// Real key presses go to the window with the focus in the foreground window,
// with the modifiers' state as the system keeps it.
static int TypeKeys(HWND target, const std::vector<std::string>& keys) {
  HWND top = GetAncestor(target, GA_ROOT);
  for (int tries = 0; GetForegroundWindow() != top; ++tries) {
    if (tries == 50) return 1;
    SetForegroundWindow(top);
    Sleep(40);
  }
  for (std::string key : keys) {
    std::vector<WORD> held;
    for (;;) {
      const size_t plus = key.find('+');
      if (plus == std::string::npos) break;
      const std::string mod = key.substr(0, plus);
      held.push_back(mod == "shift" ? VK_SHIFT : mod == "ctrl" ? VK_CONTROL : VK_MENU);
      key = key.substr(plus + 1);
    }
    std::vector<INPUT> in;
    for (WORD m : held) in.push_back(KeyInput(m, false));
    const WORD vk = (WORD)strtoul(key.c_str(), nullptr, 0);
    in.push_back(KeyInput(vk, false));
    in.push_back(KeyInput(vk, true));
    for (auto m = held.rbegin(); m != held.rend(); ++m) in.push_back(KeyInput(*m, true));
    SendInput((UINT)in.size(), in.data(), sizeof(INPUT));
    Sleep(30);
  }
  return 0;
}

static HANDLE OpenProcessOf(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid) : nullptr;
}

// Asks every tool-tip window of the control's process for the control's text;
// the buffers live in that process, where the tool-tip control writes.
static int Tip(HWND control) {
  DWORD pid = 0;
  GetWindowThreadProcessId(control, &pid);
  HANDLE proc = OpenProcessOf(control);
  if (!proc) return 1;
  constexpr size_t kChars = 1024;
  const size_t bytes = sizeof(TOOLINFOW) + kChars * sizeof(wchar_t);
  auto* remote = static_cast<BYTE*>(VirtualAllocEx(proc, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
  int result = 1;
  for (HWND tip : TopLevel(L"tooltips_class32", L"*")) {
    DWORD owner = 0;
    GetWindowThreadProcessId(tip, &owner);
    if (owner != pid || !remote) continue;
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = GetParent(control);
    ti.uId = (UINT_PTR)control;
    ti.lpszText = (wchar_t*)(remote + sizeof(TOOLINFOW));
    std::vector<BYTE> block(bytes, 0);
    memcpy(block.data(), &ti, sizeof ti);
    WriteProcessMemory(proc, remote, block.data(), bytes, nullptr);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(tip, TTM_GETTEXTW, kChars, (LPARAM)remote, kAskFlags, kAskMs, &ignored);
    std::wstring text(kChars, L'\0');
    ReadProcessMemory(proc, remote + sizeof(TOOLINFOW), text.data(), kChars * sizeof(wchar_t), nullptr);
    text.resize(wcsnlen(text.c_str(), kChars));
    if (!text.empty()) {
      printf("%s\n", Escape(text).c_str());
      result = 0;
      break;
    }
  }
  if (remote) VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  CloseHandle(proc);
  return result;
}

static int Drop(HWND target, const std::wstring& file) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dll = self;
  dll = dll.substr(0, dll.find_last_of(L"\\/") + 1) + L"winauto_drop.dll";
  wchar_t handle[32];
  swprintf(handle, 32, L"%llx\n", (unsigned long long)(uintptr_t)target);
  const std::wstring request = handle + file;
  FILE* f = _wfopen((dll + L".txt").c_str(), L"wb");
  if (!f) return 1;
  fwrite(request.data(), sizeof(wchar_t), request.size(), f);
  fclose(f);
  HANDLE proc = OpenProcessOf(target);
  if (!proc) return 1;
  const size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(proc, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
  HANDLE thread = nullptr;
  if (remote && WriteProcessMemory(proc, remote, dll.c_str(), bytes, nullptr)) {
    auto load = (LPTHREAD_START_ROUTINE)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW");
    thread = CreateRemoteThread(proc, nullptr, 0, load, remote, 0, nullptr);
  }
  if (thread) {
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
  }
  if (remote) VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  CloseHandle(proc);
  return thread ? 0 : 1;
}

// Serves the window's messages for `ms`, or until the thread's loop is told to quit.
static void RunWindowFor(HWND h, UINT ms) {
  SetTimer(h, 1, ms, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
}

int wmain(int argc, wchar_t** wargv) {
  std::vector<std::string> a;
  for (int i = 0; i < argc; ++i) a.push_back(Utf8(wargv[i]));
  auto arg = [&](size_t i) { return i < a.size() ? a[i].c_str() : "*"; };
  if (a.size() < 2) return 2;
  const std::string cmd = a[1];
  if (cmd == "list") {
    for (HWND h : TopLevel(Wide(arg(2)), Wide(arg(3)))) Print(h, TextOf(h));
    return 0;
  }
  if (cmd == "wait" || cmd == "gone") {
    DWORD limit = a.size() > 4 ? (DWORD)atoi(a[4].c_str()) : 10000;
    DWORD start = GetTickCount();
    for (;;) {
      auto found = TopLevel(Wide(arg(2)), Wide(arg(3)));
      if (cmd == "wait" && !found.empty()) {
        printf("%llx\n", (unsigned long long)(uintptr_t)found[0]);
        return 0;
      }
      if (cmd == "gone" && found.empty()) return 0;
      if (GetTickCount() - start > limit) return 1;
      Sleep(50);
    }
  }
  if (cmd == "window" && a.size() >= 5) {
    std::wstring cls = Wide(arg(2)), caption = Wide(arg(3));
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = cls.c_str();
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(0, cls.c_str(), caption.c_str(), WS_OVERLAPPED, 0, 0, 100, 50, nullptr, nullptr,
                             wc.hInstance, nullptr);
    printf("%llx\n", (unsigned long long)(uintptr_t)h);
    fflush(stdout);
    RunWindowFor(h, (UINT)atoi(arg(4)));
    return 0;
  }
  if (cmd == "show" && a.size() >= 4) return ShowWindowAsync(ParseHwnd(arg(2)), atoi(arg(3))) ? 0 : 1;
  if (cmd == "traylog" && a.size() >= 3) {
    // [refuse]: the first that many requests are answered "failed", as a
    // busy or restarting shell answers them (and still logged, "refused").
    static int refuse = 0;
    refuse = a.size() >= 4 ? atoi(arg(3)) : 0;
    // Shell_NotifyIcon hands its request to the first top-level window of this
    // class as WM_COPYDATA: dwData is the NIM_ code, wParam the owner window,
    // and Wine's record starts with the owner (32 bits) and the icon id.
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
      if (msg == WM_COPYDATA) {
        auto* cds = (const COPYDATASTRUCT*)lp;
        static const char* const ops[] = {"add", "modify", "delete", "focus", "version"};
        const char* op = cds->dwData < 5 ? ops[cds->dwData] : "other";
        unsigned id = 0;
        if (cds->cbData >= 8) memcpy(&id, (const char*)cds->lpData + 4, sizeof id);
        const bool refused = refuse > 0;
        if (refused) --refuse;
        printf("%s\t%llx\t%u%s\n", op, (unsigned long long)(uintptr_t)wp, id, refused ? "\trefused" : "");
        fflush(stdout);
        return refused ? FALSE : TRUE;
      }
      if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
      }
      return DefWindowProcW(h, msg, wp, lp);
    };
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    // Topmost and newest: found before the desktop's own.
    HWND h = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                             nullptr, wc.hInstance, nullptr);
    if (!h || FindWindowExW(nullptr, nullptr, wc.lpszClassName, nullptr) != h) return 1;
    printf("ready\t%llx\n", (unsigned long long)(uintptr_t)h);
    fflush(stdout);
    RunWindowFor(h, (UINT)atoi(arg(2)));
    return 0;
  }
  if (cmd == "broadcast" && a.size() >= 3) {
    const UINT message = RegisterWindowMessageW(Wide(arg(2)).c_str());
    return message && PostMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
  }
  if (cmd == "clock") {
    printf("%llu\n", (unsigned long long)GetTickCount64());
    return 0;
  }
  if (cmd == "shown") {
    DWORD limit = a.size() > 4 ? (DWORD)atoi(a[4].c_str()) : 10000;
    ULONGLONG start = GetTickCount64();
    for (;;) {
      for (HWND h : TopLevel(Wide(arg(2)), Wide(arg(3)))) {
        RECT r{};
        GetWindowRect(h, &r);
        if (IsWindowVisible(h) && r.left >= 0 && r.top >= 0) {
          printf("%llx\t%llu\n", (unsigned long long)(uintptr_t)h, (unsigned long long)GetTickCount64());
          return 0;
        }
      }
      if (GetTickCount64() - start > limit) return 1;
      Sleep(5);
    }
  }
  if (cmd == "lock" && a.size() >= 4) return HoldLocked(Wide(arg(2)), (UINT)atoi(arg(3)));
  if (cmd == "child" && a.size() >= 4) {
    ChildById f{atoi(arg(3)), nullptr};
    EnumChildWindows(ParseHwnd(arg(2)), FindChildById, reinterpret_cast<LPARAM>(&f));
    if (!f.found) return 1;
    printf("%llx\n", (unsigned long long)(uintptr_t)f.found);
    return 0;
  }
  if (cmd == "settext" && a.size() >= 4) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(ParseHwnd(arg(2)), WM_SETTEXT, 0, (LPARAM)Wide(arg(3)).c_str(), kAskFlags, kAskMs,
                               &result) && result
               ? 0
               : 1;
  }
  if (cmd == "rot") {
    if (FAILED(CoInitialize(nullptr))) return 1;
    IRunningObjectTable* rot = nullptr;
    IEnumMoniker* monikers = nullptr;
    IBindCtx* bind = nullptr;
    if (FAILED(GetRunningObjectTable(0, &rot)) || FAILED(rot->EnumRunning(&monikers)) ||
        FAILED(CreateBindCtx(0, &bind)))
      return 1;
    IMoniker* m = nullptr;
    while (monikers->Next(1, &m, nullptr) == S_OK) {
      LPOLESTR name = nullptr;
      if (SUCCEEDED(m->GetDisplayName(bind, nullptr, &name))) {
        printf("%s\n", Escape(name).c_str());
        CoTaskMemFree(name);
      }
      m->Release();
    }
    bind->Release();
    monikers->Release();
    rot->Release();
    CoUninitialize();
    return 0;
  }
  if (a.size() < 3 && cmd != "screenshot" && cmd != "cursor") return 2;
  if (cmd == "children") {
    EnumChildWindows(ParseHwnd(arg(2)), PrintChild, 0);
    return 0;
  }
  if (cmd == "items") {
    // A list box's entries, one a line.
    HWND h = ParseHwnd(arg(2));
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(h, LB_GETCOUNT, 0, 0, kAskFlags, kAskMs, &count) || (LRESULT)count == LB_ERR)
      return 1;
    for (DWORD_PTR i = 0; i < count; ++i) {
      DWORD_PTR len = 0;
      SendMessageTimeoutW(h, LB_GETTEXTLEN, i, 0, kAskFlags, kAskMs, &len);
      std::wstring w((LRESULT)len == LB_ERR ? 1 : len + 1, L'\0');
      DWORD_PTR got = 0;
      SendMessageTimeoutW(h, LB_GETTEXT, i, (LPARAM)w.data(), kAskFlags, kAskMs, &got);
      w.resize((LRESULT)got == LB_ERR ? 0 : got);
      printf("%s\n", Escape(w).c_str());
    }
    return 0;
  }
  if (cmd == "text") {
    printf("%s\n", Escape(TextOf(ParseHwnd(arg(2)))).c_str());
    return 0;
  }
  if (cmd == "close") return PostMessageW(ParseHwnd(arg(2)), WM_CLOSE, 0, 0) ? 0 : 1;
  if (cmd == "command")
    return PostMessageW(ParseHwnd(arg(2)), WM_COMMAND, (WPARAM)atoi(arg(3)), 0) ? 0 : 1;
  if (cmd == "post" && a.size() >= 6)
    return PostMessageW(ParseHwnd(arg(2)), (UINT)strtoul(arg(3), nullptr, 0), (WPARAM)strtoull(arg(4), nullptr, 0),
                        (LPARAM)strtoll(arg(5), nullptr, 0))
               ? 0
               : 1;
  if (cmd == "key") {
    HWND h = ParseHwnd(arg(2));
    WPARAM vk = (WPARAM)strtoul(arg(3), nullptr, 0);
    PostMessageW(h, WM_KEYDOWN, vk, 1);
    PostMessageW(h, WM_KEYUP, vk, 0xC0000001);
    return 0;
  }
  if (cmd == "keys") return TypeKeys(ParseHwnd(arg(2)), std::vector<std::string>(a.begin() + 3, a.end()));
  if (cmd == "click") {
    // What a click does, told to the owner: BM_CLICK would need real mouse input.
    HWND button = ParseHwnd(arg(2));
    int id = GetDlgCtrlID(button);
    return PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button) ? 0 : 1;
  }
  if (cmd == "ping" && a.size() >= 4) {
    HWND h = ParseHwnd(arg(2));
    const UINT limit = (UINT)atoi(arg(3));
    const int count = a.size() > 4 ? atoi(arg(4)) : 1;
    const DWORD pause = a.size() > 5 ? (DWORD)atoi(arg(5)) : 0;
    int missed = 0;
    for (int i = 0; i < count; ++i) {
      if (i) Sleep(pause);
      ULONGLONG start = GetTickCount64();
      DWORD_PTR result = 0;
      if (SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, limit, &result))
        printf("%llu\n", GetTickCount64() - start);
      else {
        printf("-\n");
        ++missed;
      }
      fflush(stdout);
    }
    return missed ? 1 : 0;
  }
  if (cmd == "screenshot") return Screenshot(arg(2));
  // trust|untrust FILE: a DER certificate added to (or removed from) the
  // machine's trusted roots, as an administrator installs a local authority.
  if ((cmd == "trust" || cmd == "untrust") && a.size() >= 3) {
    FILE* f = fopen(arg(2), "rb");
    if (!f) return 1;
    std::vector<BYTE> der(65536);
    der.resize(fread(der.data(), 1, der.size(), f));
    fclose(f);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) return 1;
    PCCERT_CONTEXT cert = nullptr;
    BOOL ok = FALSE;
    if (cmd == "trust") {
      ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), (DWORD)der.size(),
                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else if (PCCERT_CONTEXT given = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), (DWORD)der.size())) {
      cert = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, given, nullptr);
      ok = cert ? CertDeleteCertificateFromStore(cert) : TRUE;  // deleting frees the context
      CertFreeCertificateContext(given);
    }
    CertCloseStore(store, 0);
    return ok ? 0 : 1;
  }
  // cursor: "hidden" when the pointer has no shape (a window set none), else "shown".
  if (cmd == "cursor") {
    CURSORINFO ci{sizeof ci};
    if (!GetCursorInfo(&ci)) return 1;
    printf("%s\n", ci.hCursor && (ci.flags & CURSOR_SHOWING) ? "shown" : "hidden");
    return 0;
  }
  if (cmd == "pointer" && a.size() >= 4) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    // Absolute moves are in 1/65535 of the primary screen.
    in.mi.dx = MulDiv(atoi(arg(2)), 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(atoi(arg(3)), 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &in, sizeof in) == 1 ? 0 : 1;
  }
  // clickat X Y [right|middle|double]: a real click (or two) at a screen point.
  if (cmd == "clickat" && a.size() >= 4) {
    const std::string how = a.size() > 4 ? a[4] : "";
    const DWORD down = how == "right" ? MOUSEEVENTF_RIGHTDOWN : how == "middle" ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_LEFTDOWN;
    const DWORD up = how == "right" ? MOUSEEVENTF_RIGHTUP : how == "middle" ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_LEFTUP;
    SetCursorPos(atoi(arg(2)), atoi(arg(3)));
    INPUT in[4] = {};
    for (INPUT& i : in) i.type = INPUT_MOUSE;
    in[0].mi.dwFlags = in[2].mi.dwFlags = down;
    in[1].mi.dwFlags = in[3].mi.dwFlags = up;
    SendInput(how == "double" ? 4 : 2, in, sizeof(INPUT));
    Sleep(100);
    return 0;
  }
  // wheelat X Y DISTANCE: the wheel turned at a screen point (120 a notch, up positive).
  if (cmd == "wheelat" && a.size() >= 5) {
    SetCursorPos(atoi(arg(2)), atoi(arg(3)));
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = static_cast<DWORD>(atoi(arg(4)));
    SendInput(1, &in, sizeof in);
    Sleep(100);
    return 0;
  }
  // dragat X Y DX DY: the left button pressed at a screen point, moved by
  // (DX, DY) in steps, and released there.
  if (cmd == "dragat" && a.size() >= 6) {
    const int x = atoi(arg(2)), y = atoi(arg(3)), dx = atoi(arg(4)), dy = atoi(arg(5));
    SetCursorPos(x, y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    Sleep(300);
    constexpr int kSteps = 10;
    for (int i = 1; i <= kSteps; ++i) {
      in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
      in.mi.dx = MulDiv(x + dx * i / kSteps, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
      in.mi.dy = MulDiv(y + dy * i / kSteps, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
      SendInput(1, &in, sizeof in);
      Sleep(50);
    }
    in = INPUT{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    Sleep(100);
    return 0;
  }
  if (cmd == "rect") {
    RECT r{};
    GetWindowRect(ParseHwnd(arg(2)), &r);
    printf("%ld\t%ld\t%ld\t%ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (cmd == "client") {
    HWND h = ParseHwnd(arg(2));
    RECT r{};
    GetClientRect(h, &r);
    printf("%ld\t%ld\t%d\n", r.right, r.bottom, IsZoomed(h) ? 1 : 0);
    return 0;
  }
  if (cmd == "send" && a.size() >= 6) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(ParseHwnd(arg(2)), (UINT)strtoul(arg(3), nullptr, 0), (WPARAM)strtoull(arg(4), nullptr, 0),
                             (LPARAM)strtoll(arg(5), nullptr, 0), kAskFlags, kAskMs, &result))
      return 1;
    printf("%lld\n", (long long)(LONG_PTR)result);
    return 0;
  }
  if (cmd == "tip") return Tip(ParseHwnd(arg(2)));
  if (cmd == "iconic") return IsIconic(ParseHwnd(arg(2))) ? 0 : 1;
  if (cmd == "state") {
    HWND h = ParseHwnd(arg(2));
    printf("%d %d\n", IsWindowEnabled(h) ? 1 : 0, (GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) ? 1 : 0);
    return 0;
  }
  if (cmd == "drop" && a.size() >= 4) return Drop(ParseHwnd(arg(2)), Wide(arg(3)));
  if (cmd == "syscolor" && a.size() >= 3) {
    // Reads a system colour (0x00BBGGRR, decimal), or sets it first when a value follows.
    const int index = atoi(arg(2));
    if (a.size() >= 4) {
      const COLORREF value = (COLORREF)strtoul(arg(3), nullptr, 0);
      if (!SetSysColors(1, &index, &value)) return 1;
    }
    printf("%lu\n", (unsigned long)GetSysColor(index));
    return 0;
  }
  return 2;
}
