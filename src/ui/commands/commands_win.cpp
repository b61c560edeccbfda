#include "ui/commands/commands_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "base/cmdline.h"
#include "base/eventlog.h"
#include "base/text_helpers.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/commands/commands.h"
#include "ui/main/engine_check_win.h"
#include "ui/settings/list_source_win.h"
#include "ui/channels/list_groups.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"
#include "ui/settings/settings_binding_win.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// The program's web pages.
const wchar_t kHomePage[] = L"https://strevo.example.org/";
const wchar_t kSupportPage[] = L"https://strevo.example.org/support/";

bool InRange(int id, UINT base, int count) { return id >= static_cast<int>(base) && id < static_cast<int>(base) + count; }

}  // namespace

void BuildChannelEntries(MainWindow& mw) {
  HMENU sub = mw.form.mainMenu.owner[kMenuChannelsPlaceholder];
  if (!sub) return;
  // From the end: removing the first item moves all the others. A page goes
  // with its entries.
  for (int n = GetMenuItemCount(sub); n > 0; --n) DeleteMenu(sub, n - 1, MF_BYPOSITION);
  const CommandState state = CommandStateOf(mw);
  const size_t shown = static_cast<size_t>(ChannelEntriesShown(mw.channelSubmenuCaptions.size()));
  auto append = [&mw, &state](HMENU menu, size_t k) {
    const bool current = IsChecked(Command::Channel(static_cast<int>(k)), state);
    AppendMenuW(menu, MF_STRING | (current ? MF_CHECKED : 0), kChannelEntryCommandBase + static_cast<UINT>(k),
                Widen(mw.channelSubmenuCaptions[k]).c_str());
  };
  if (const std::vector<ChannelMenuItem> grouped = GroupedChannelMenu(mw.channelTags, static_cast<int>(shown));
      !grouped.empty()) {
    for (const ChannelMenuItem& item : grouped) {
      if (item.entry >= 0) {
        append(sub, static_cast<size_t>(item.entry));
        continue;
      }
      HMENU group = CreatePopupMenu();
      const std::vector<std::vector<int>> groupPages = GroupPages(item.entries);
      if (groupPages.empty())
        for (int k : item.entries) append(group, static_cast<size_t>(k));
      for (const std::vector<int>& page : groupPages) {
        HMENU entries = CreatePopupMenu();
        for (int k : page) append(entries, static_cast<size_t>(k));
        AppendMenuW(group, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(entries),
                    Widen(ChannelMenuPageCaption({page.front(), page.back()})).c_str());
      }
      // "&" in a group's name is shown, not taken for an access key.
      AppendMenuW(sub, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(group),
                  Widen(ReplaceAll("&", "&&", item.group)).c_str());
    }
    // Once per shape, not at each refresh of the captions.
    static std::string logged;
    if (std::string line = GroupedMenuLogLine(grouped); line != logged) LogLine(logged = std::move(line));
    return;
  }
  const std::vector<ChannelMenuPage> pages = ChannelMenuPages(shown);
  if (pages.empty()) {
    for (size_t k = 0; k < shown; ++k) append(sub, k);
    return;
  }
  if (shown > 0) append(sub, 0);
  for (const ChannelMenuPage& page : pages) {
    HMENU entries = CreatePopupMenu();
    for (int k = page.first; k <= page.last; ++k) append(entries, static_cast<size_t>(k));
    AppendMenuW(sub, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(entries),
                Widen(ChannelMenuPageCaption(page)).c_str());
  }
}

bool HandleMainCommand(MainWindow& mw, WPARAM wp, LPARAM lp) {
  const int id = LOWORD(wp);
  const int code = HIWORD(wp);
  if (InRange(id, kMainMenuCommandBase, kMainMenuCount)) {
    RunCommand(mw, MainMenuCommand(id - static_cast<int>(kMainMenuCommandBase)));
    return true;
  }
  if (const int entry = ChannelEntryOfCommand(id, mw.channelSubmenuCaptions.size()); entry >= 0) {
    RunCommand(mw, Command::Channel(entry));
    return true;
  }
  if (InRange(id, kListMenuCommandBase, static_cast<int>(kChannelListMenu.size()))) {
    RunCommand(mw, ListMenuCommand(id - static_cast<int>(kListMenuCommandBase)));
    return true;
  }
  Command command = ButtonCommand(id);
  switch (command.id) {
    case CommandId::None:
      return false;
    case CommandId::Menu: {
      // Below the menu button.
      RECT r;
      GetWindowRect(reinterpret_cast<HWND>(lp), &r);
      command = Command::MenuAt(r.left, r.bottom);
      break;
    }
    case CommandId::VolumeSet:
      command.a = SliderPosition(mw.form.Control(kPbVolume));
      break;
    case CommandId::ChannelChoose:
      if (id == kLblCurrentChannel && code != STN_CLICKED) return false;
      break;
    case CommandId::ChannelSelect: {
      HWND selector = mw.form.Control(kCbChannelSelector);
      if (code == CBN_CLOSEUP) ShowWindow(selector, SW_HIDE);
      if (code != CBN_SELCHANGE) return true;
      command.a = static_cast<int>(SendMessageW(selector, CB_GETCURSEL, 0, 0));
      break;
    }
    default:
      break;
  }
  RunCommand(mw, command);
  // A clicked glyph button keeps the focus, where the keys would do nothing
  // and Space would press it again: the key field takes it back.
  HWND sender = reinterpret_cast<HWND>(lp);
  wchar_t cls[16] = L"";
  if (sender && GetFocus() == sender && GetClassNameW(sender, cls, 16) && lstrcmpiW(cls, L"Button") == 0)
    SetFocus(mw.form.Control(kEbHotkey));
  return true;
}

bool HandlePlayerCommand(MainWindow& mw, WPARAM number, LPARAM argument) {
  const Command command = PostedPlayerCommand(static_cast<long long>(number), static_cast<long long>(argument));
  if (command.id == CommandId::None) return false;
  RunCommand(mw, command);
  return true;
}

void HandleTrayMessage(MainWindow& mw, LPARAM lp) {
  TrayButton button;
  switch (lp) {
    case WM_LBUTTONUP: button = TrayButton::Left; break;
    case WM_MBUTTONUP: button = TrayButton::Middle; break;
    case WM_RBUTTONUP: button = TrayButton::Right; break;
    default: return;
  }
  POINT p{};
  if (button == TrayButton::Right) GetCursorPos(&p);
  RunCommand(mw, TrayCommand(button, CommandStateOf(mw), p.x, p.y));
}

void HandleVideoContextMenu(MainWindow& mw, HWND target, int x, int y) {
  RunCommand(mw, target == mw.lstPlaylist ? Command::ListMenuAt(x, y) : Command::MenuAt(x, y));
}

void HandleVideoCommand(MainWindow& mw, WPARAM wp, LPARAM lp) {
  if (mw.lstPlaylist && reinterpret_cast<HWND>(lp) == mw.lstPlaylist && HIWORD(wp) == LBN_DBLCLK)
    RunCommand(mw, Command::Of(CommandId::ListPlay));
  // A click on the recording line ends the recording.
  if (mw.overlays.lbrecbox && reinterpret_cast<HWND>(lp) == mw.overlays.lbrecbox && HIWORD(wp) == STN_CLICKED)
    RunCommand(mw, Command::Of(CommandId::Record));
  // The mute sign shows only while the sound is off: a click switches it on.
  if (mw.overlays.lbmute && reinterpret_cast<HWND>(lp) == mw.overlays.lbmute && HIWORD(wp) == STN_CLICKED)
    RunCommand(mw, Command::Of(CommandId::Mute));
}

void HandleSettingsCommand(MainWindow& mw, int id, int code) {
  switch (id) {
    default:
      SettingsControlChanged(mw, id, code);
      break;
    case kIdClose:
    case IDCANCEL:
      ShowSettingsWindow(mw, false);
      SetFocus(mw.form.Control(kEbHotkey));
      // A new address typed and the window closed: the user wants that list.
      ApplyListAddress(mw, false);
      break;
    case kIdRefreshList:
      if (code == BN_CLICKED) ApplyListAddress(mw, true);
      break;
    case kIdEngineSwitch:
      if (code == BN_CLICKED) SwitchEngine(mw);
      break;
    case kIdRefreshGuide:
      if (code == BN_CLICKED) RunCommand(mw, Command::Of(CommandId::UpdateGuide));
      break;
    case kIdPreset:
      // The installer passes the single-instance check only once our mutex
      // is gone; the shut-down then saves the configuration it replaces.
      if (code != BN_CLICKED) break;
      if (mw.playerMutex) {
        CloseHandle(mw.playerMutex);
        mw.playerMutex = nullptr;
      }
      StartProcessShown(OwnCommandLine(mw.exePath, "/preconf /fromplayer"));
      PostMessageW(mw.hwnd, WM_CLOSE, 0, 0);
      break;
    case kIdHomePage:
    case kIdSupportPage:
      if (code == STN_CLICKED)
        ShellExecuteW(nullptr, L"open", id == kIdHomePage ? kHomePage : kSupportPage, nullptr, nullptr, SW_SHOWNORMAL);
      break;
  }
}

}  // namespace strevo
