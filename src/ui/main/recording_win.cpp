#include "ui/main/recording_win.h"

#include <windows.h>

#include "playback/recording.h"
#include "ui/channels/channel_list_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/video/player_host_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

// The line sizes itself to its text.
static void SetRecordingLine(HWND line, const std::string& text) {
  if (WindowText(line) == text) return;
  SetWindowTextUtf8(line, text);
  HDC dc = GetDC(line);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(line, WM_GETFONT, 0, 0)));
  const std::wstring wide = Widen(text);
  SIZE extent{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(line, dc);
  RECT r;
  GetClientRect(line, &r);
  SetWindowPos(line, nullptr, 0, 0, extent.cx + 4, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowRecordingState(MainWindow& mw) {
  const int64_t bytes = mw.recording ? FileSizeOf(mw.recordingFile) : -1;
  const std::optional<int64_t> free = mw.recording ? FreeBytesOfDrive(mw.recordingFile) : std::nullopt;
  const std::string line = RecordingLineNow(mw, bytes, free);
  if (HWND rec = mw.overlays.lbrecbox) {
    if (line.empty()) {
      if (IsWindowVisible(rec)) ShowWindow(rec, SW_HIDE);
    } else {
      SetRecordingLine(rec, line);
      // Above the engine's picture.
      if (!IsWindowVisible(rec)) SetWindowPos(rec, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
  }
  // Owner-drawn over its whole face: redrawn without erasing, it does not flicker.
  if (HWND button = mw.form.Control(kBtnRecord)) InvalidateRect(button, nullptr, FALSE);
}

bool StartBackgroundRecording(MainWindow& mw, int index, int minutes, std::string_view prefix) {
  const DateTime now = mw.playerHost ? mw.playerHost->LocalNow() : EncodeDate(2000, 1, 1);
  const RecorderArgs args = BackgroundRecordingArgs(mw, index, minutes, prefix, now);
  if (args.address.empty()) return false;
  return StartProcessShown(RecorderCommandLine(mw.exePath, args));
}

void StartSelectedBackgroundRecording(MainWindow& mw) {
  if (const int channel = SelectedListChannel(mw); channel > 0) StartBackgroundRecording(mw, channel, 0, "");
}

}  // namespace strevo
