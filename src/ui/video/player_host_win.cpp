#include "ui/video/player_host_win.h"

#include <shellapi.h>

#include "base/eventlog.h"
#include "playback/channel_switch.h"
#include "playback/libvlc3_win.h"
#include "playback/vlclib_win.h"
#include "ui/main/engine_check_win.h"
#include "ui/guide/guide_export_win.h"
#include "ui/commands/input.h"
#include "ui/channels/channel_list_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/settings/settings_binding_win.h"
#include "win/clock_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

static const wchar_t kEngineHostClass[] = L"StrevoEngineHost";

void PlayerHostWin::PumpMessages() { PumpPendingMessages(); }

void PlayerHostWin::SleepMs(int ms) { Sleep(static_cast<DWORD>(ms)); }

// The performance counter: the tick count moves in steps of up to 16 ms.
long long PlayerHostWin::NowMs() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency.QuadPart * 1000 + now.QuadPart % frequency.QuadPart * 1000 / frequency.QuadPart;
}

void PlayerHostWin::WaitForMessages(int ms) {
  MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(ms), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

DateTime PlayerHostWin::LocalNow() { return ClockNow(); }

void PlayerHostWin::ShowInformation(const std::string& text) {
  MessageBoxUtf8(mw_.hwnd, text, mw_.productName, MB_OK | MB_ICONINFORMATION);
}

bool PlayerHostWin::CanCreateFile(const std::string& path) { return strevo::CanCreateFile(path); }

// Checks the submenu entry whose command is `id` and clears every other
// check, in nested submenus too.
static void CheckOnlyEntry(HMENU menu, UINT id) {
  const int count = GetMenuItemCount(menu);
  for (int pos = 0; pos < count; ++pos) {
    if (HMENU sub = GetSubMenu(menu, pos)) {
      CheckOnlyEntry(sub, id);
      continue;
    }
    const bool checked = GetMenuState(menu, static_cast<UINT>(pos), MF_BYPOSITION) & MF_CHECKED;
    const bool wanted = GetMenuItemID(menu, pos) == id;
    if (checked != wanted) CheckMenuItem(menu, static_cast<UINT>(pos), MF_BYPOSITION | (wanted ? MF_CHECKED : MF_UNCHECKED));
  }
}

void PlayerHostWin::ShowSelection(int index) {
  if (HWND selector = mw_.form.Control(kCbChannelSelector)) SendMessageW(selector, CB_SETCURSEL, index, 0);
  SelectListChannel(mw_, index);
  if (mw_.form.mainMenu.owner.size() > kMenuChannelsPlaceholder)
    if (HMENU entries = mw_.form.mainMenu.owner[kMenuChannelsPlaceholder])
      CheckOnlyEntry(entries, kChannelEntryCommandBase + static_cast<UINT>(index));
}

void PlayerHostWin::EnableCropEdits(bool enabled) { strevo::EnableCropEdits(mw_, enabled); }

void PlayerHostWin::SetVolumeTooltip(const std::string& text) { SetToolTip(mw_, mw_.form.Control(kPbVolume), text); }

void PlayerHostWin::FocusKeyControl() {
  if (HWND keys = mw_.form.Control(kEbHotkey)) SetFocus(keys);
}

void PlayerHostWin::SetChannelLabel(const std::string& text) { SetCurrentChannelText(mw_, text); }

void PlayerHostWin::ShowChannelSettings() { strevo::ShowChannelSettings(mw_); }
void PlayerHostWin::ShowCaptureFolder(const std::string&) { strevo::ShowCaptureFolder(mw_); }

void PlayerHostWin::RedrawControlBar() {
  if (mw_.form.bottomBar) InvalidateRect(mw_.form.bottomBar, nullptr, TRUE);
}

bool PlayerHostWin::AskOpenFile(std::string& chosen) {
  return AskOpenFileName(mw_.hwnd, L"All files (*)\0*\0", chosen);
}

bool PlayerHostWin::FileExists(const std::string& path) { return strevo::FileExists(path); }

void PlayerHostWin::SetProcessPriority(bool high) {
  HANDLE process = OpenProcess(PROCESS_SET_INFORMATION, FALSE, GetCurrentProcessId());
  if (!process) return;
  SetPriorityClass(process, high ? HIGH_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
  CloseHandle(process);
}

// A window timer rather than a timer thread: the settings it applies and the
// engine calls it makes belong to the window thread.
void PlayerHostWin::ArmStartPlayTimer() { SetTimer(mw_.hwnd, kStartPlayTimer, 3000, nullptr); }

void PlayerHostWin::AfterSwitch() {
  if (mw_.frmVideo && IsWindowVisible(mw_.frmVideo)) SetForegroundWindow(mw_.frmVideo);
}

bool PlayerHostWin::GuideWindowVisible() { return mw_.overlays.box && IsWindowVisible(mw_.overlays.box); }

// The guide list follows the channel.
void PlayerHostWin::RegenerateGuideWindow() { ExportGuide(mw_, "$cur", "$tmp", mw_.overlays.box); }

int WindowsMajorVersion() {
  // GetVersionEx reports what the manifest allows; the kernel tells the truth.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    auto fn = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW info{sizeof info};
    if (fn && fn(&info) == 0) return static_cast<int>(info.dwMajorVersion);
  }
  return 6;
}

void InitPlayback(MainWindow& mw) {
  if (!mw.playerHost) mw.playerHost = new PlayerHostWin(mw);
  mw.host = mw.playerHost;
  mw.windowsMajorVersion = WindowsMajorVersion();
}

void FitEngineHost(MainWindow& mw) {
  if (!mw.enginePanel || !mw.frmVideo) return;
  // Zoomed, the picture reaches past the window on every side, which crops it.
  const Box b = ZoomedPicture(PictureAreaWidth(mw), PictureAreaHeight(mw), mw.input.zoom);
  MoveWindow(mw.enginePanel, b.left, b.top, b.width, b.height, TRUE);
}

// A library the 0.8 binding cannot bind may be a 3.x engine.
static bool LoadEngine3(MainWindow& mw) {
  delete mw.engine3;
  mw.engine3 = LoadLibvlc3Engine(mw.enginePanel).release();
  return mw.engine3 != nullptr;
}

void CreateEngineObject(MainWindow& mw) {
  // Until the engine loads or the user answers otherwise: a failed "Да" asks again.
  for (;;) {
    if (!mw.enginePanel) {
      RegisterWindowClassOnce(kEngineHostClass, DefWindowProcW, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      mw.enginePanel = CreateWindowExW(0, kEngineHostClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 360,
                                       288, mw.frmVideo, nullptr, GetModuleHandleW(nullptr), nullptr);
      SetClassLongPtrW(mw.enginePanel, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(LoadCursorW(nullptr, IDC_ARROW)));
      FitEngineHost(mw);
    }
    delete mw.vlcEngine;
    delete mw.vlc;
    mw.vlcEngine = nullptr;
    mw.vlc = new TVLCPlugin(mw.enginePanel);
    if (mw.vlc->Loaded() || LoadEngine3(mw) || !EngineCheck(mw)) break;
  }
  if (mw.engine3) {
    mw.engine = mw.engine3;
    ShowSettingsTheEngineIgnores(mw);
  } else if (mw.vlc->Loaded()) {
    mw.vlcEngine = new VlcEngine(*mw.vlc);
    mw.engine = mw.vlcEngine;
    const std::string folder = VlcEngineFolder();
    mw.engineInterfaceButton = !folder.empty() && (FileExists(folder + "plugins\\libwxwidgets_plugin.dll") ||
                                                   FileExists(folder + "plugins\\_libwxwidgets_plugin.dll"));
  } else {
    mw.engine = nullptr;
  }
}

void ReleaseEngineObject(MainWindow& mw) {
  // The engine's own stop, not player_stop: the shut-down's log lines are
  // fixed, and this is no playback command of the user's.
  if (mw.engine3) {
    mw.engine3->Stop();
    mw.engine = nullptr;
    delete mw.engine3;
    mw.engine3 = nullptr;
  }
  if (!mw.vlc) return;
  if (mw.vlc->Loaded()) mw.vlc->Stop();
  mw.engine = nullptr;
  delete mw.vlcEngine;
  mw.vlcEngine = nullptr;
  delete mw.vlc;
  mw.vlc = nullptr;
}

void AcceptDroppedFiles(MainWindow& mw) {
  DragAcceptFiles(mw.hwnd, TRUE);
  DragAcceptFiles(mw.frmVideo, TRUE);
}

void OnDropFiles(MainWindow& mw, HDROP drop) {
  std::string first;
  if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
    std::wstring name(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size())));
    first = Narrow(name);
  }
  DragFinish(drop);
  if (!first.empty()) DropFile(mw, first);
}

void OnStartPlayTimer(MainWindow& mw) {
  KillTimer(mw.hwnd, kStartPlayTimer);
  StartPlayTimerFired(mw);
}

}  // namespace strevo
