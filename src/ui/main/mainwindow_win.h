// The main window record: the one object of a player process that owns its
// windows, controls, timers, lists and flags. Every player operation takes it.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "base/cmdline.h"
#include "config/config.h"
#include "guide/jtv.h"
#include "guide/xmltv.h"
#include "ui/channels/list_groups.h"
#include "ui/main/mainform_win.h"
#include "ui/settings/settings_win.h"
#include "ui/video/video_input_win.h"
#include "ui/video/video_overlay_win.h"
#include "playback/player.h"
#include "scheduler/shed_runner.h"

namespace strevo {

class Splash;
class TVLCPlugin;
class VlcEngine;
class Libvlc3Engine;
class PlayerHostWin;

inline constexpr wchar_t kAppClass[] = L"StrevoApplication";
inline constexpr wchar_t kMainClass[] = L"StrevoMain";
inline constexpr wchar_t kVideoClass[] = L"StrevoVideo";
inline constexpr wchar_t kSettingsClass[] = L"StrevoSettings";

// Main window timers.
enum : UINT_PTR {
  kStatusTimer = 1, kChannelMenuTimer = 2, kSchedulerTimer = 3, kStartPlayTimer = 4, kOsdTimer = 5, kCursorTimer = 6
};
inline constexpr UINT kChannelMenuRefreshMs = 100000;

// Guide updates and readings of the kept guide on their workers.
struct GuideWork {
  std::mutex run;
  std::atomic<int> pending{0};
};

// The playback state (current MRL, DirectShow mode, channel list, settings
// values...) is the record's base, so the playback operations take it without
// knowing about windows.
struct MainWindow : PlayerState {
  Args args;
  std::string exePath;
  std::string productName;  // both resource parts joined
  std::string version;      // "v0.1 (07.12.2026)"
  std::string tempFolder;   // TempWorkFolder

  HWND app = nullptr;       // hidden application window
  HWND hwnd = nullptr;      // main window (control panel)
  HWND frmVideo = nullptr;
  HWND frmCfg = nullptr;
  HANDLE playerMutex = nullptr;
  Splash* splash = nullptr;
  MainForm form;  // the control panel's bars, buttons, menus, tray icon
  SettingsWindow settings;  // frmCfg's panel, pages and controls

  // Layout of the control panel.
  int topBarHeight = 22;
  int bottomBarHeight = 48;
  int borderWidth = 2;
  int minMainWidth = 0;   // main window minimum size (WM_GETMINMAXINFO)
  int minMainHeight = 0;

  bool docked = false;
  bool miniWindow = false;  // the hidden "Режим мини-окна" item's check
  bool dockedBeforeFullScreen = false;  // full screen entered from the docked state
  bool restartAfterEngineSwitch = false;  // shut-down restarts with "/nologo"
  COLORREF savedDesktopColour = 0;  // the desktop's colour before desktop mode
  bool terminated = false;

  // playback: the engine object on its host panel inside frmVideo (null in
  // DirectShow mode), the control layer's view of it, and the window side of
  // the playback operations. They live as long as the process.
  HWND enginePanel = nullptr;
  TVLCPlugin* vlc = nullptr;
  VlcEngine* vlcEngine = nullptr;
  Libvlc3Engine* engine3 = nullptr;  // the 3.x engine, when the found library is one
  PlayerHostWin* playerHost = nullptr;
  std::string engineVersion;  // "?" in DirectShow mode
  bool engineInterfaceButton = false;  // "Вызвать интерфейс VLC" is offered

  // configuration: the global record's values are PlayerState::globals and
  // the lines of the file PlayerState::configList.
  bool configUnreadable = false;  // the file exists but could not be read: not saved over

  // channel list: the channel selector's items (the titles, index-aligned with
  // PlayerState::channelTitles/channelMrls), the channel submenu's captions
  // and the list box in the video window, whose rows map to channels through
  // listRows (row i is channel i + 1 unless the list shows group headers).
  std::vector<std::string> channelSubmenuCaptions;
  std::string listAddressShown;  // the address the shown list was loaded from
  HWND lstPlaylist = nullptr;
  ListRows listRows;

  // frmVideo's overlay controls (pnEmptyScr, lbcursub, lbinfo, box, lbrecbox, ebhotkey...).
  VideoOverlays overlays;
  // The zoom, the hidden cursor and the places full screen puts back.
  VideoInputState input;

  // guide: the answers read so far (emptied by a guide update), the slider
  // the "$vol" OSD shows (1 contrast .. 6 zoom, else volume), and whether
  // start-up has finished (the channel menu shows the guide only then).
  GuideCache guideCache;
  // An XMLTV guide, when the last update brought one, and its programme lists
  // for the channels of the list (index-aligned with the titles).
  std::shared_ptr<const XmltvGuide> xmltv;
  std::vector<GuideAnswer> xmltvListGuides;
  // The guide keeps the programmes of the channels it was read for: the list
  // as it was then, and a reading of the kept guide under way (for which
  // list, and which is the newest: an older one's result is dropped).
  std::vector<XmltvListChannel> xmltvReadFor, xmltvReadingFor;
  bool xmltvReading = false;
  unsigned xmltvGeneration = 0;
  // Guide updates and readings of the kept guide under way or waiting on
  // their workers; `run` lets them go one after the other.
  GuideWork guideWork;
  // The channel list box's own procedure, which the list's hands on to.
  WNDPROC listBoxProc = nullptr;
  // Engine windows being disabled by a worker; none is started while one runs.
  std::atomic<bool> disablingEngineWindows{false};
  int adjustSelector = 0;
  bool startupFinished = false;
  bool closeAfterStartup = false;  // a close request came while start-up ran

  // scheduler: the minutes processed and the close a recording task deferred.
  ShedRunner shedRunner;

  // network interfaces: the items of the "Сетевой интерфейс" box ("Auto" first).
  std::vector<std::string> interfaceItems;
};

int RunPlayer(const Args& args);

// The video window maximised on its own (never while docked).
inline bool IsFullScreen(const MainWindow& mw) { return !mw.docked && mw.frmVideo && IsZoomed(mw.frmVideo); }

}  // namespace strevo
