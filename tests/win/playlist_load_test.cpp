// Loading a big channel list into the real controls, timed. scripts/bench-playlist
// runs this test and reports the figure it prints.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "playback/playlist_win.h"
#include "ui/mainwindow_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

constexpr int kChannels = 20000;

std::string BigList() {
  std::string text = "#EXTM3U\r\n";
  char line[160];
  for (int i = 0; i < kChannels; ++i) {
    snprintf(line, sizeof line,
             "#EXTINF:-1,Channel %05d - news, sport & films of the day, group %d\r\nudp://@239.%d.%d.%d:1234\r\n", i,
             i % 37, i / 65536, (i / 256) % 256, i % 256);
    text += line;
  }
  return text;
}

TEST(PlaylistLoad, TwentyThousandChannelsIntoTheControls) {
  std::string dir = SystemTempPath() + "strevo-playlist-load";
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  DeleteFilesIn(dir);
  const std::string source = dir + "\\big.m3u";
  const std::string list = BigList();
  ASSERT_TRUE(WriteFileReplacing(source, list));

  static MainWindow mw;  // big: keep it off the stack
  mw.exePath = dir + "\\Player.exe";
  mw.config.playlistUrl = source;
  mw.frmVideo = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
  HWND selector = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 130, 300,
                                  nullptr, nullptr, nullptr, nullptr);
  mw.form.controls[kCbChannelSelector] = selector;
  CreatePlaylistBox(mw);
  ASSERT_NE(mw.lstPlaylist, nullptr);

  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&t0);
  reloadplaylist(mw, false);  // no local copy yet: copies the source, then parses and fills
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

  DestroyWindow(selector);
  DestroyWindow(mw.frmVideo);
  DeleteFilesIn(dir);
  RemoveDirectoryW(Widen(dir).c_str());
}

}  // namespace
}  // namespace strevo
