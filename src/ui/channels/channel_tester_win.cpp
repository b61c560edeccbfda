#include "ui/channels/channel_tester_win.h"

#include <winsock2.h>
#include <commctrl.h>

#include <atomic>
#include <system_error>
#include <thread>

#include "net/multicast_tester.h"
#include "net/multicast_tester_win.h"
#include "playback/player.h"
#include "ui/channels/channel_list_win.h"
#include "ui/guide/guide_ui_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"
#include "ui/texts/translate_win.h"
#include "win/util_win.h"
#include "win/window_win.h"

namespace strevo {

namespace {

std::atomic<bool> running{false};

// Progress reaches the bar at most this often: every round would flood the
// UI thread with a post every 10 ms or faster.
constexpr long long kProgressEveryMs = 50;

void ShowBar(MainWindow& mw, const ListenCount& c, bool show) {
  HWND bar = mw.form.Control(kPbTransfer);
  if (!bar) return;
  SendMessageW(bar, PBM_SETRANGE32, 0, c.maximum);
  SendMessageW(bar, PBM_SETPOS, c.position, 0);
  ShowWindow(bar, show ? SW_SHOW : SW_HIDE);
}

std::string ListText(HWND list, int index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return Narrow(text);
}

// Channel `channel`'s row gets its result, unless the list was reloaded
// meanwhile and that channel is another one now.
void ShowResult(MainWindow& mw, int channel, const std::string& mrl, bool failed) {
  ShowBar(mw, {}, false);
  if (!mw.lstPlaylist || channel >= static_cast<int>(mw.channelMrls.size()) || mw.channelMrls[channel] != mrl) return;
  const int index = mw.listRows.RowOfChannel(channel);
  if (index < 0) return;
  const std::string text = MarkedListText(ListText(mw.lstPlaylist, index), failed);
  SendMessageW(mw.lstPlaylist, WM_SETREDRAW, FALSE, 0);
  SendMessageW(mw.lstPlaylist, LB_DELETESTRING, index, 0);
  SendMessageW(mw.lstPlaylist, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  if (IsWindowVisible(mw.lstPlaylist)) SendMessageW(mw.lstPlaylist, LB_SETCURSEL, index, 0);
  SendMessageW(mw.lstPlaylist, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(mw.lstPlaylist, nullptr, TRUE);
}

void Finish(MainWindow& mw) {
  ShowBar(mw, {}, false);
  SetMenuItemEnabled(mw.form.listMenu, kListTester, true);
  running = false;
  SelectListChannel(mw, mw.channelSelectorIndex);
  ShowOsd(mw, "#MultiCast testing finished!");
}

void RunTest(MainWindow* mw, std::vector<std::string> mrls, std::string address) {
  bool tested = false;
  for (size_t i = 1; i < mrls.size(); ++i) {
    const std::optional<MulticastTarget> target = MulticastTargetOf(mrls[i]);
    if (!target) continue;
    // The pause between two channels lets the previous group's traffic stop.
    if (tested) Sleep(2000);
    tested = true;
    PostToUi([mw] { ShowBar(*mw, {}, true); });
    long long lastPost = 0;
    const std::optional<ListenCount> count = ListenToGroup(*target, address, [&](const ListenCount& c) {
      const long long now = static_cast<long long>(GetTickCount64());
      if (now - lastPost < kProgressEveryMs) return;
      lastPost = now;
      PostToUi([mw, c] { ShowBar(*mw, c, true); });
    });
    // A socket that cannot listen ends the whole test; marks given stay.
    if (!count || count->failed) break;
    const int channel = static_cast<int>(i);
    const bool failed = FailsTest(*count);
    PostToUi([mw, channel, mrl = mrls[i], failed] { ShowResult(*mw, channel, mrl, failed); });
  }
  WSACleanup();
  PostToUi([mw] { Finish(*mw); });
}

}  // namespace

bool ChannelTestRunning() { return running; }

void StartChannelTest(MainWindow& mw) {
  if (running) return;
  const std::optional<std::string> address =
      ListeningAddress(mw.globals.iface, mw.interfaceItems.empty() ? "Auto" : mw.interfaceItems.front());
  if (!address) return;
  if (mw.recording) {
    MessageBoxUtf8(mw.hwnd, TranslateText(kTesterRefusedWhileRecording, ExeSibling(".lng")), mw.productName,
                   MB_OK | MB_ICONINFORMATION);
    return;
  }
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
  player_stop(mw);
  running = true;
  SetMenuItemEnabled(mw.form.listMenu, kListTester, false);
  try {
    std::thread(RunTest, &mw, mw.channelMrls, *address).detach();
  } catch (const std::system_error&) {
    WSACleanup();
    SetMenuItemEnabled(mw.form.listMenu, kListTester, true);
    running = false;
  }
}

}  // namespace strevo
