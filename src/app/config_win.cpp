#include "app/config_win.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/eventlog.h"
#include "app/splash_win.h"
#include "base/text_helpers.h"
#include "ui/channels/channel_list_win.h"
#include "ui/video/directshow_host_win.h"
#include "ui/main/docking_win.h"
#include "ui/video/player_host_win.h"
#include "ui/main/mainwindow_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

static bool IsMissing(std::string_view path) {
  if (GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Whether the system's ANSI code page holds the character (no best-fit
// stand-ins: "é" turned into "e" would change a file name too).
static bool AnsiHolds(uint32_t cp) {
  static std::vector<int8_t> known(0x10000, -1);  // the basic plane, as asked
  if (cp < 0x10000 && known[cp] >= 0) return known[cp] != 0;
  wchar_t w[2];
  int n = 1;
  if (cp < 0x10000) {
    w[0] = static_cast<wchar_t>(cp);
  } else {
    w[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
    w[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    n = 2;
  }
  char out[8];
  BOOL usedDefault = FALSE;
  const bool holds = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, n, out, sizeof out, nullptr, &usedDefault) > 0 &&
                     !usedDefault;
  if (cp < 0x10000) known[cp] = holds ? 1 : 0;
  return holds;
}

ConfigList LoadConfigFile(std::string_view path, bool* unreadable) {
  std::string bytes;
  const bool read = ReadFileBytes(path, bytes);
  // Anything but a plain "not there" (a lock, a read error part-way, a
  // folder of that name) counts as unreadable.
  if (unreadable) *unreadable = !read && !IsMissing(path);
  if (!read) return {};
  return ParseConfigText(UnescapeFromCodePage(AnsiToUtf8(bytes), AnsiHolds));
}

bool SaveConfigFile(std::string_view path, const ConfigList& list) {
  return WriteFileReplacing(path, Utf8ToAnsi(EscapeForCodePage(ConfigText(list), AnsiHolds)));
}

void LoadConfiguration(MainWindow& mw) {
  mw.configList = LoadConfigFile(SiblingPath(mw.exePath, ".ini"), &mw.configUnreadable);
  if (mw.configUnreadable) LogLine("ini unreadable - defaults used");
  LogLine("Have read ini and urls");
}

static int ClientWidth(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r.right - r.left;
}


namespace {

class ShellApplyHost : public GlobalApplyHost {
 public:
  explicit ShellApplyHost(MainWindow& mw) : mw_(mw) {}
  void LoadChannelList(const GlobalSettings&) override {
    ReloadChannelList(mw_, false);
    if (mw_.splash) mw_.splash->AdvanceTo(35);
  }
  void SelectChannel(const std::string& mrl) override {
    for (size_t i = 0; i < mw_.channelMrls.size(); ++i)
      if (mw_.channelMrls[i] == mrl) {
        mw_.channelSelectorIndex = static_cast<int>(i);
        if (HWND selector = mw_.form.Control(kCbChannelSelector)) SendMessageW(selector, CB_SETCURSEL, i, 0);
        return;
      }
  }
  DesktopRect Desktop() override {
    // The shell's desktop window; without a shell, the whole screen.
    RECT r{};
    HWND shell = GetShellWindow();
    if (shell && GetWindowRect(shell, &r)) return {r.left, r.top, r.right, r.bottom};
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  int PanelClientWidth() override { return ClientWidth(mw_.hwnd); }
  int CollapsedPanelClientHeight() override { return strevo::CollapsedPanelClientHeight(mw_); }

 private:
  MainWindow& mw_;
};

}  // namespace

// Whether any part of the rectangle lies on one of the monitors.
static bool OnSomeMonitor(int left, int top, int width, int height) {
  RECT r{left, top, left + std::max(width, 1), top + std::max(height, 1)};
  return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

void ApplyGlobalConfiguration(MainWindow& mw) {
  GlobalSettings& g = mw.globals;
  RECT client{};
  GetClientRect(mw.hwnd, &client);
  g.panelClientHeight = client.bottom - client.top;
  ShellApplyHost host(mw);
  ApplyGlobalRecord(mw.configList, g, host);
  mw.currentMrl = g.curMrl;
  // A window saved where no monitor is now (one taken away, or a minimised
  // window saved by an older version) comes back at its start position.
  if (!OnSomeMonitor(g.videoLeft, g.videoTop, g.videoWidth, g.videoHeight)) g.videoLeft = g.videoTop = 5;
  SetClientSize(mw.hwnd, ClientWidth(mw.hwnd), g.panelClientHeight);
  SetWindowPos(mw.frmVideo, nullptr, g.videoLeft, g.videoTop, g.videoWidth, g.videoHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (mw.lstPlaylist) ShowWindow(mw.lstPlaylist, g.listVisible ? SW_SHOWNA : SW_HIDE);
  // The picture beside the list, not under it.
  FitEngineHost(mw);
  FitDirectShowHost(mw);
  // Docking before full screen: a docked video is never maximised.
  if (g.docked) DockVideo(mw);
  if (g.fullScreen && !mw.docked) ShowWindow(mw.frmVideo, SW_MAXIMIZE);
  // A docked video lives inside the main window: hiding that would leave
  // nothing on the screen, so the panel is hidden only beside a free video.
  if (!g.panelVisible && !mw.docked) ShowWindow(mw.hwnd, SW_HIDE);
  RECT main{};
  GetWindowRect(mw.hwnd, &main);
  if (!OnSomeMonitor(g.panelLeft, g.panelTop, main.right - main.left, main.bottom - main.top))
    g.panelLeft = g.panelTop = 15;
}

// The rectangle a top-level window has when it is neither minimised nor
// maximised: a minimised window's own rectangle lies far off the screen.
static RECT NormalRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  const bool topLevel = !(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!topLevel || !(IsIconic(h) || IsZoomed(h)) || !GetWindowPlacement(h, &wp)) return r;
  RECT n = wp.rcNormalPosition;
  // The placement is in work-area coordinates, unless for tool windows.
  if (!(GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromRect(&n, MONITOR_DEFAULTTONEAREST), &mi))
      OffsetRect(&n, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
  }
  return n;
}

// The window's own shown state, whatever its parent or owner shows.
static bool ShownFlag(HWND h) { return (GetWindowLongPtrW(h, GWL_STYLE) & WS_VISIBLE) != 0; }

// Takes what the windows show now into the values the record is built from.
static void TakeWindowState(MainWindow& mw, bool fullScreen) {
  GlobalSettings& g = mw.globals;
  g.fullScreen = fullScreen;
  RECT r = NormalRect(mw.hwnd);
  g.panelLeft = r.left;
  g.panelTop = r.top;
  if (GetClientRect(mw.hwnd, &r)) g.panelClientHeight = r.bottom - r.top;
  r = NormalRect(mw.frmVideo);
  g.videoLeft = r.left;
  g.videoTop = r.top;
  g.videoWidth = r.right - r.left;
  g.videoHeight = r.bottom - r.top;
  g.panelVisible = ShownFlag(mw.hwnd);
  g.curMrl = mw.currentMrl.empty() ? "?" : mw.currentMrl;
  g.docked = mw.docked;
  // The list is shown in the video window even while that window is hidden.
  if (mw.lstPlaylist) g.listVisible = ShownFlag(mw.lstPlaylist);
}

void StoreGlobalConfiguration(MainWindow& mw, bool fullScreen) {
  TakeWindowState(mw, fullScreen);
  StoreGlobalRecord(mw.configList, mw.globals);
}

void SaveConfigurationFile(MainWindow& mw) {
  // The user's settings are still in the file we could not read: the
  // defaults this run worked with must not replace them.
  if (mw.configUnreadable) {
    LogLine("ini unreadable - not saved");
    return;
  }
  // A failed write leaves the previous file whole; nothing is shown, and the
  // log says what happened.
  LogLine(SaveConfigFile(SiblingPath(mw.exePath, ".ini"), mw.configList) ? "ini saved" : "ini not saved");
}

}  // namespace strevo
