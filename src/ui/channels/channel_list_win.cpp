#include "ui/channels/channel_list_win.h"

#include <windows.h>

#include <algorithm>

#include "../../resources/resource.h"
#include "base/cmdline.h"
#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "playback/playlist_win.h"
#include "scheduler/shed_tasks.h"
#include "ui/guide/guide_ui_win.h"
#include "ui/channels/list_tags.h"
#include "ui/channels/logos_win.h"
#include "win/file_win.h"
#include "ui/channels/channel_list_paint_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/texts/translate_win.h"
#include "win/util_win.h"

namespace strevo {

// Fills a list box or a combo box with `texts` in one redraw.
static void FillBox(HWND box, const std::vector<std::string>& texts, bool combo) {
  SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  SendMessageW(box, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
  size_t bytes = 0;
  for (const std::string& text : texts) bytes += text.size() + 1;
  SendMessageW(box, combo ? CB_INITSTORAGE : LB_INITSTORAGE, texts.size(), bytes * sizeof(wchar_t));
  for (const std::string& text : texts)
    SendMessageW(box, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

static void FillChannelControls(MainWindow& mw, const ChannelList& list) {
  if (HWND selector = mw.form.Control(kCbChannelSelector)) {
    FillBox(selector, list.titles, true);
    SendMessageW(selector, CB_SETCURSEL, 0, 0);
  }
  if (mw.lstPlaylist) {
    FillBox(mw.lstPlaylist, mw.listRows.RowTexts(list.titles), false);
    ApplyChannelListStyle(mw);
  }
}

void ReloadChannelList(MainWindow& mw, bool requested, bool quietly) {
  // The transfer keeps the windows alive, so a second reload can be asked
  // for while one waits for its list: the running one is enough.
  static bool reloading = false;
  if (reloading) return;
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(reloading);

  // Asked for in the settings window, the news belongs over that window.
  HWND owner = mw.frmCfg && IsWindowVisible(mw.frmCfg) ? mw.frmCfg : mw.hwnd;
  ChannelList list = reloadplaylist(mw.globals.playlistUrl, SiblingPath(mw.exePath, ".m3u"), requested,
                                    TranslateText(LoadStringUtf8(IDS_FILE_OR_STREAM), ExeSibling(".lng")),
                                    [&mw, owner, quietly](const std::string& message) {
                                      // A maintenance run is unattended and holds the player's
                                      // name: it must not wait on a box nobody may answer.
                                      if (quietly) LogLine("shed: " + message);
                                      else if (MaintenanceOf(mw.args) != Maintenance::None) LogLine(message);
                                      else MessageBoxUtf8(owner, message, mw.productName, MB_OK | MB_ICONINFORMATION);
                                    },
                                    mw.globals.readM3uTags);
  mw.listAddressShown = mw.globals.playlistUrl;
  mw.channelTitles = list.titles;
  mw.channelMrls = list.mrls;
  mw.channelTags = list.tags;
  mw.channelSelectorIndex = 0;
  mw.channelSubmenuCaptions = list.submenu;
  mw.listRows = ListRows::Of(list.tags, list.ChannelCount());
  FillChannelControls(mw, list);
  FetchChannelLogos(mw);
  MatchXmltvToList(mw);
  // Logged once the boxes show the list: whoever reads the log may look at them.
  LogLine(ReloadDoneLogLine(list));
}

void SetListTagsRead(MainWindow& mw, bool readTags) {
  if (mw.globals.readM3uTags == readTags) return;
  mw.globals.readM3uTags = readTags;
  LogLine(std::string("m3u tags ") + (readTags ? "on" : "off"));
  ChannelList before;
  before.titles = mw.channelTitles;
  before.mrls = mw.channelMrls;
  ReloadChannelList(mw, false);  // the local copy, read the other way
  // The submenu's entries would otherwise name the old reading's channels
  // until the next refresh, while picking one plays the new reading's.
  RefreshChannelCaptions(mw);
  ChannelList after;
  after.titles = mw.channelTitles;
  after.mrls = mw.channelMrls;

  std::string bytes;
  std::vector<ShedTask> tasks;
  if (ReadFileBytes(SiblingPath(mw.exePath, ".Shed.ini"), bytes, kShedMaxFileSize))
    ReadShedTasks(bytes, static_cast<int>(GetACP()), tasks);
  const std::vector<std::string> moved = TasksOnMovedChannels(tasks, before, after);
  for (const std::string& line : moved) LogLine("task may point elsewhere: " + line);
  if (!moved.empty())
    MessageBoxUtf8(mw.frmCfg ? mw.frmCfg : mw.hwnd,
                   MovedTasksWarning(TranslateText(kMovedTasksHeading, ExeSibling(".lng")), moved), mw.productName,
                   MB_OK | MB_ICONWARNING);
}

int SelectedListChannel(const MainWindow& mw) {
  if (!mw.lstPlaylist) return -1;
  return mw.listRows.ChannelOfRow(static_cast<int>(SendMessageW(mw.lstPlaylist, LB_GETCURSEL, 0, 0)));
}

void SelectListChannel(const MainWindow& mw, int channel) {
  // The pseudo-channel and a channel past the list select nothing (-1).
  if (mw.lstPlaylist)
    SendMessageW(mw.lstPlaylist, LB_SETCURSEL, static_cast<WPARAM>(mw.listRows.RowOfChannel(channel)), 0);
}

int PictureAreaWidth(const MainWindow& mw) {
  RECT r{};
  if (mw.frmVideo) GetClientRect(mw.frmVideo, &r);
  const bool listShown = mw.lstPlaylist && IsWindowVisible(mw.lstPlaylist);
  return std::max(0, static_cast<int>(r.right) - (listShown ? kPlaylistBoxWidth : 0));
}

int PictureAreaHeight(const MainWindow& mw) {
  RECT r{};
  if (mw.frmVideo) GetClientRect(mw.frmVideo, &r);
  return r.bottom;
}

void CreatePlaylistBox(MainWindow& mw) {
  if (mw.lstPlaylist || !mw.frmVideo) return;
  RECT r{};
  GetClientRect(mw.frmVideo, &r);
  mw.lstPlaylist = CreateWindowExW(0, L"LISTBOX", L"",
                                   WS_CHILD | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED |
                                       LBS_HASSTRINGS,
                                   r.right - kPlaylistBoxWidth, 0, kPlaylistBoxWidth, r.bottom, mw.frmVideo, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
  SendMessageW(mw.lstPlaylist, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ApplyChannelListStyle(mw);
  HookChannelListMouse(mw);
}

void LayoutPlaylistBox(MainWindow& mw) {
  if (!mw.lstPlaylist) return;
  RECT r{};
  GetClientRect(mw.frmVideo, &r);
  SetWindowPos(mw.lstPlaylist, nullptr, r.right - kPlaylistBoxWidth, 0, kPlaylistBoxWidth, r.bottom,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace strevo
