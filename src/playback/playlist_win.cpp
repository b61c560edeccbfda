#include "playback/playlist_win.h"

#include <windows.h>

#include "../../resources/resource.h"
#include "base/eventlog.h"
#include "guide/http_win.h"
#include "base/text_helpers.h"
#include "playback/playlist.h"
#include "ui/mainwindow_win.h"
#include "ui/translate_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

static constexpr int kPlaylistBoxWidth = 240;

// Reads a list file within the size limit; a larger one is logged and left unread.
static bool ReadListFile(const std::string& path, std::string& bytes) {
  if (ReadFileBytes(path, bytes, kPlaylistMaxBytes)) return true;
  const int64_t size = FileSizeOf(path);
  if (size > kPlaylistMaxBytes) LogLine(PlaylistTooLargeLogLine(path, size));
  return false;
}

// Gets the list from its source into the local copy and returns the size of
// the new list. The copy is replaced only when a new list came (a complete
// 2xx response with a body, or a readable source file); otherwise it stays as
// it was and the size is 0, so nobody is told that a new list arrived.
static int64_t FetchIntoCopy(const std::string& address, const std::string& copy) {
  std::string bytes;
  switch (ClassifyPlaylistAddress(address)) {
    case PlaylistSource::Http: {
      HttpTarget target = SplitHttpAddress(address);
      if (!httpcmd(target.host, kPlaylistHttpPort, "GET", target.path, "", "", "", "", 0, "", bytes,
                   kChannelListLimits) ||
          bytes.empty())
        return 0;
      break;
    }
    case PlaylistSource::LocalFile:
      if (!FileExists(address) || !ReadListFile(address, bytes)) return 0;
      break;
    case PlaylistSource::None:
    case PlaylistSource::Other:
      return 0;
  }
  return WriteFileReplacing(copy, bytes) ? static_cast<int64_t>(bytes.size()) : 0;
}

// Fills a list box or a combo box with titles[first..] in one redraw.
static void FillBox(HWND box, const ChannelList& list, size_t first, bool combo) {
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SendMessageW(box, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
  size_t bytes = 0;
  for (size_t i = first; i < list.titles.size(); ++i) bytes += list.titles[i].size() + 1;
  SendMessageW(box, combo ? CB_INITSTORAGE : LB_INITSTORAGE, list.titles.size(), bytes * sizeof(wchar_t));
  for (size_t i = first; i < list.titles.size(); ++i)
    SendMessageW(box, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(list.titles[i]).c_str()));
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

static void FillChannelControls(MainWindow& mw, const ChannelList& list) {
  if (HWND selector = mw.form.Control(kCbChannelSelector)) {
    FillBox(selector, list, 0, true);
    SendMessageW(selector, CB_SETCURSEL, 0, 0);
  }
  if (mw.lstPlaylist) FillBox(mw.lstPlaylist, list, 1, false);
}

void reloadplaylist(MainWindow& mw, bool sender) {
  // The transfer keeps the windows alive, so a second reload can be asked
  // for while one waits for its list: the running one is enough.
  static bool reloading = false;
  if (reloading) return;
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(reloading);

  const std::string address = mw.config.playlistUrl;
  const std::string copy = SiblingPath(mw.exePath, ".m3u");

  // Fetching.
  if (ClassifyPlaylistAddress(address) == PlaylistSource::None) {
    if (!FileExists(copy)) WriteFileReplacing(copy, "");
  } else if (sender || !FileExists(copy)) {
    const int64_t size = FetchIntoCopy(address, copy);
    if (!FileExists(copy)) WriteFileReplacing(copy, "");
    if (sender)
      MessageBoxUtf8(mw.hwnd, PlaylistLoadedMessage(LoadStringUtf8(IDS_NEW_CHANNEL_LIST), address, size),
                     mw.productName, MB_OK | MB_ICONINFORMATION);
    LogLine(PlaylistLoadedLogLine(address, size));
  }

  // Parsing.
  std::string bytes;
  ReadListFile(copy, bytes);
  ChannelList list = ParsePlaylist(bytes, TranslateText(LoadStringUtf8(IDS_FILE_OR_STREAM), ExeSibling(".lng")),
                                   [](std::string_view ansi) { return AnsiToUtf8(ansi); });
  mw.channelTitles = list.titles;
  mw.channelMrls = list.mrls;
  mw.channelSelectorItems = list.titles;
  mw.channelSelectorIndex = 0;
  mw.channelSubmenuCaptions = list.submenu;
  FillChannelControls(mw, list);
  LogLine(ReloadDoneLogLine(list));
}

void CreatePlaylistBox(MainWindow& mw) {
  if (mw.lstPlaylist || !mw.frmVideo) return;
  RECT r{};
  GetClientRect(mw.frmVideo, &r);
  mw.lstPlaylist = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                   r.right - kPlaylistBoxWidth, 0, kPlaylistBoxWidth, r.bottom, mw.frmVideo, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  HDC dc = GetDC(mw.frmVideo);
  int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(mw.frmVideo, dc);
  HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
  SendMessageW(mw.lstPlaylist, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void LayoutPlaylistBox(MainWindow& mw) {
  if (!mw.lstPlaylist) return;
  RECT r{};
  GetClientRect(mw.frmVideo, &r);
  SetWindowPos(mw.lstPlaylist, nullptr, r.right - kPlaylistBoxWidth, 0, kPlaylistBoxWidth, r.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace strevo
