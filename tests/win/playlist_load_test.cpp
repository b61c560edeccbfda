// Loading a big channel list into the real controls, timed. scripts/bench-playlist
// runs this test and reports the figure it prints.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/channels/channel_list_win.h"
#include "ui/commands/commands_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

constexpr int kChannels = 20000;

std::string BigList(int channels = kChannels) {
  std::string text = "#EXTM3U\r\n";
  char line[160];
  for (int i = 0; i < channels; ++i) {
    snprintf(line, sizeof line,
             "#EXTINF:-1,Channel %05d - news, sport & films of the day, group %d\r\nudp://@239.%d.%d.%d:1234\r\n", i,
             i % 37, i / 65536, (i / 256) % 256, i % 256);
    text += line;
  }
  return text;
}

// A main window record with the controls a channel list fills, and a list
// file as its source; `dir` is emptied on the way out.
struct ListFixture {
  std::string dir;
  std::string source;
  MainWindow& mw;
  HWND selector = nullptr;

  ListFixture(const char* name, MainWindow& record, const std::string& list) : mw(record) {
    dir = SystemTempPath() + name;
    CreateDirectoryW(Widen(dir).c_str(), nullptr);
    DeleteFilesIn(dir);
    source = dir + "\\big.m3u";
    EXPECT_TRUE(WriteFileReplacing(source, list));
    mw.exePath = dir + "\\Player.exe";
    mw.globals.playlistUrl = source;
    mw.frmVideo = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    selector = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 130, 300, nullptr,
                               nullptr, nullptr, nullptr);
    mw.form.controls[kCbChannelSelector] = selector;
    CreatePlaylistBox(mw);
  }
  ~ListFixture() {
    DestroyWindow(selector);
    DestroyWindow(mw.frmVideo);
    DeleteFilesIn(dir);
    RemoveDirectoryW(Widen(dir).c_str());
  }
};

TEST(PlaylistLoad, TwentyThousandChannelsIntoTheControls) {
  static MainWindow mw;  // big: keep it off the stack
  const std::string list = BigList();
  ListFixture fx("strevo-playlist-load", mw, list);
  HWND selector = fx.selector;
  ASSERT_NE(mw.lstPlaylist, nullptr);

  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  ReloadChannelList(mw, false);  // no local copy yet: copies the source, then parses and fills
  QueryPerformanceCounter(&t1);
  const double seconds = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);
  printf("playlist load: %d channels, %zu bytes, %.3f s\n", kChannels, list.size(), seconds);

  EXPECT_EQ(static_cast<int>(mw.channelMrls.size()), kChannels + 1);
  EXPECT_EQ(mw.channelMrls[kChannels], "udp://@239.0.78.31:1234");
  EXPECT_EQ(SendMessageW(mw.lstPlaylist, LB_GETCOUNT, 0, 0), kChannels);
  EXPECT_EQ(SendMessageW(selector, CB_GETCOUNT, 0, 0), kChannels + 1);
  EXPECT_EQ(mw.channelSubmenuCaptions[2], "2. Channel 00001 - news, sport && films of the day, group 1");
  // A generous bound for a busy machine: it catches work that grows with the
  // square of the list, not a slow moment.
  EXPECT_LT(seconds, 3.0);
}

// The command ids of a menu and its submenus, in the order they are shown.
void CollectIds(HMENU menu, std::vector<UINT>& ids, int& submenus) {
  const int count = GetMenuItemCount(menu);
  for (int pos = 0; pos < count; ++pos) {
    if (HMENU sub = GetSubMenu(menu, pos)) {
      ++submenus;
      CollectIds(sub, ids, submenus);
    } else {
      ids.push_back(GetMenuItemID(menu, pos));
    }
  }
}

// Command ids are 16 bits in WM_COMMAND: entries past 65535 - 42000 used to
// come back as the ids of other commands.
TEST(PlaylistLoad, TwentyFiveThousandChannelsKeepEveryMenuIdInRange) {
  constexpr int kMany = 25000;
  static MainWindow mw;
  ListFixture fx("strevo-playlist-menu", mw, BigList(kMany));
  mw.form.mainMenu = BuildPopupMenu(kMainMenu, kMainMenuCommandBase);
  ReloadChannelList(mw, false);
  // Every channel stays reachable from the selector and the list.
  EXPECT_EQ(SendMessageW(fx.selector, CB_GETCOUNT, 0, 0), kMany + 1);
  EXPECT_EQ(SendMessageW(mw.lstPlaylist, LB_GETCOUNT, 0, 0), kMany);

  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  BuildChannelEntries(mw);
  QueryPerformanceCounter(&t1);
  const double seconds = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);
  printf("channel submenu: %d channels, %.3f s\n", kMany, seconds);
  // One menu of them all took 26 s under Wine.
  EXPECT_LT(seconds, 3.0);

  HMENU sub = mw.form.mainMenu.owner[kMenuChannelsPlaceholder];
  ASSERT_NE(sub, nullptr);
  std::vector<UINT> ids;
  int pages = 0;
  CollectIds(sub, ids, pages);
  ASSERT_GT(ids.size(), 20000u);
  EXPECT_LE(ids.size(), static_cast<size_t>(kMany + 1));
  EXPECT_GT(pages, 0);
  int outOfRange = 0, misplaced = 0;
  for (size_t k = 0; k < ids.size(); ++k) {
    if (ids[k] > 0xFFFF) ++outOfRange;
    else if (ids[k] != kChannelEntryCommandBase + k) ++misplaced;
  }
  EXPECT_EQ(outOfRange, 0);
  EXPECT_EQ(misplaced, 0);
  // A second build (a reload) replaces the entries instead of adding to them.
  BuildChannelEntries(mw);
  std::vector<UINT> again;
  int pagesAgain = 0;
  CollectIds(sub, again, pagesAgain);
  EXPECT_EQ(again, ids);
  EXPECT_EQ(pagesAgain, pages);

  // A list of ordinary length stays in one menu.
  mw.channelSubmenuCaptions.resize(301);
  BuildChannelEntries(mw);
  EXPECT_EQ(GetMenuItemCount(sub), 301);
  EXPECT_EQ(GetSubMenu(sub, 300), nullptr);
  EXPECT_EQ(GetMenuItemID(sub, 300), kChannelEntryCommandBase + 300);
  DestroyMenu(mw.form.mainMenu.root);
}

std::string RowText(HWND list, int row) {
  std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, row, 0)) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
  text.resize(text.size() - 1);
  return Narrow(text);
}

// With its tags read, a list's groups become header rows and submenus; every
// row and menu entry still leads to its own channel.
TEST(PlaylistLoad, GroupHeadersAndSubmenusKeepEachChannelItsNumber) {
  static MainWindow mw;
  ListFixture fx("strevo-playlist-groups", mw,
                 "#EXTM3U\n#EXTINF:-1,Loose\nudp://@239.0.0.1:1234\n"
                 "#EXTINF:-1 group-title=\"News & Talk\",One\nudp://@239.0.0.2:1234\n"
                 "#EXTINF:-1 group-title=\"Sport\",Two\nudp://@239.0.0.3:1234\n"
                 "#EXTINF:-1 group-title=\"News & Talk\",Three\nudp://@239.0.0.4:1234\n");
  mw.globals.readM3uTags = true;
  mw.form.mainMenu = BuildPopupMenu(kMainMenu, kMainMenuCommandBase);
  ReloadChannelList(mw, false);
  ASSERT_EQ(mw.channelTitles.size(), 5u);

  const std::vector<std::string> rows = {"Loose", "News & Talk", "One", "Sport", "Two", "News & Talk", "Three"};
  ASSERT_EQ(SendMessageW(mw.lstPlaylist, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(RowText(mw.lstPlaylist, static_cast<int>(r)), rows[r]) << r;

  for (int channel = 1; channel <= 4; ++channel) {
    SelectListChannel(mw, channel);
    EXPECT_EQ(SelectedListChannel(mw), channel);
    EXPECT_EQ(RowText(mw.lstPlaylist, static_cast<int>(SendMessageW(mw.lstPlaylist, LB_GETCURSEL, 0, 0))),
              mw.channelTitles[static_cast<size_t>(channel)]);
  }
  SelectListChannel(mw, 0);  // the pseudo-channel
  EXPECT_EQ(SelectedListChannel(mw), -1);

  // The keys step over the headers both ways.
  SelectListChannel(mw, 1);
  SendMessageW(mw.lstPlaylist, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(SelectedListChannel(mw), 2);
  SendMessageW(mw.lstPlaylist, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(SelectedListChannel(mw), 3);
  SendMessageW(mw.lstPlaylist, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(SelectedListChannel(mw), 2);
  SendMessageW(mw.lstPlaylist, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(SelectedListChannel(mw), 1);
  SendMessageW(mw.lstPlaylist, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(SelectedListChannel(mw), 4);

  // The submenu: the pseudo-channel, "Loose", then one submenu per group in
  // the order of their first channels; "&" shown as it is.
  BuildChannelEntries(mw);
  HMENU sub = mw.form.mainMenu.owner[kMenuChannelsPlaceholder];
  ASSERT_EQ(GetMenuItemCount(sub), 4);
  EXPECT_EQ(GetMenuItemID(sub, 0), kChannelEntryCommandBase + 0);
  EXPECT_EQ(GetMenuItemID(sub, 1), kChannelEntryCommandBase + 1);
  wchar_t caption[64] = {};
  GetMenuStringW(sub, 2, caption, 64, MF_BYPOSITION);
  EXPECT_EQ(Narrow(caption), "News && Talk");
  GetMenuStringW(sub, 3, caption, 64, MF_BYPOSITION);
  EXPECT_EQ(Narrow(caption), "Sport");
  HMENU news = GetSubMenu(sub, 2);
  ASSERT_NE(news, nullptr);
  ASSERT_EQ(GetMenuItemCount(news), 2);
  EXPECT_EQ(GetMenuItemID(news, 0), kChannelEntryCommandBase + 2);
  EXPECT_EQ(GetMenuItemID(news, 1), kChannelEntryCommandBase + 4);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(sub, 3), 0), kChannelEntryCommandBase + 3);

  // Read without tags, the same list has neither headers nor group submenus.
  mw.globals.readM3uTags = false;
  ReloadChannelList(mw, false);
  EXPECT_EQ(SendMessageW(mw.lstPlaylist, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(mw.channelTitles.size() - 1));
  BuildChannelEntries(mw);
  EXPECT_EQ(GetMenuItemCount(sub), static_cast<int>(mw.channelTitles.size()));
  EXPECT_EQ(GetSubMenu(sub, 1), nullptr);
  DestroyMenu(mw.form.mainMenu.root);
}

}  // namespace
}  // namespace strevo
