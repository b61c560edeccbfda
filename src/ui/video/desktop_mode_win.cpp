#include "ui/video/desktop_mode_win.h"

#include <windows.h>

#include <atomic>

#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "playback/settings_map.h"
#include "ui/video/desktop_mode.h"
#include "ui/main/mainwindow_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// What a crash must put back, readable from the exception filter.
std::atomic<bool> g_desktopChanged{false};
std::atomic<COLORREF> g_savedColour{0};

void SetDesktopColour(COLORREF colour) {
  const int index = COLOR_BACKGROUND;
  SetSysColors(1, &index, &colour);
}

std::string ColourFile(const MainWindow& mw) { return SiblingPath(mw.exePath, std::string(kDesktopColourEnding)); }

LONG WINAPI RestoreOnCrash(EXCEPTION_POINTERS*) {
  if (g_desktopChanged.exchange(false)) SetDesktopColour(g_savedColour);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void ToggleDesktopMode(MainWindow& mw, bool fromMenu) {
  mw.desktopMode = !mw.desktopMode;
  if (mw.desktopMode) {
    if (!mw.docked) ShowWindow(mw.frmVideo, SW_HIDE);
    mw.savedDesktopColour = GetSysColor(COLOR_BACKGROUND);
    // Saved before the change: a process that dies now leaves what puts it back.
    WriteFileReplacing(ColourFile(mw), DesktopColourFileText(mw.savedDesktopColour));
    g_savedColour = mw.savedDesktopColour;
    g_desktopChanged = true;
    static const bool filterSet = (SetUnhandledExceptionFilter(RestoreOnCrash), true);
    (void)filterSet;
    SetDesktopColour(kDesktopKeyColour);
    LogLine("on desktop done");
  } else {
    SetDesktopColour(mw.savedDesktopColour);
    g_desktopChanged = false;
    DeleteFileW(Widen(ColourFile(mw)).c_str());
    if (fromMenu) ShowWindow(mw.frmVideo, SW_SHOW);
    LogLine("on desktop off");
  }
  if (fromMenu) applysettings_now(mw, Sender::Control);
}

void RestoreDesktopColourLeftBehind(MainWindow& mw) {
  // Only the one player of this folder: a maintenance run beside a player in
  // desktop mode must leave that player's colour alone.
  if (!mw.playerMutex) return;
  const std::string file = ColourFile(mw);
  std::string text;
  if (!ReadFileBytes(file, text, 64)) return;
  const std::optional<Rgb> saved = ParseDesktopColourFile(text);
  if (saved && ShouldRestoreDesktopColour(GetSysColor(COLOR_BACKGROUND))) {
    SetDesktopColour(*saved);
    LogLine("desktop colour restored");
  }
  DeleteFileW(Widen(file).c_str());
}

}  // namespace strevo
