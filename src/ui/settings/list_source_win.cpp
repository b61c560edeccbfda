#include "ui/settings/list_source_win.h"

#include <windows.h>

#include "base/eventlog.h"
#include "ui/commands/command_dispatch_win.h"
#include "ui/commands/commands.h"
#include "ui/settings/list_source.h"
#include "ui/main/mainwindow_win.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

static std::string AskPlaylistFile(MainWindow& mw) {
  std::string chosen;
  return AskOpenFileName(mw.frmCfg, L"Playlist M3U (*.m3u)\0*.m3u\0", chosen) ? chosen : std::string();
}

void ShowListAddress(MainWindow& mw) { SetControlText(mw.settings, kIdListSource, mw.globals.playlistUrl); }

void ListSourceChanged(MainWindow& mw, bool startup) {
  SettingsWindow& s = mw.settings;
  HWND box = s.Control(kIdListSource);
  if (!box) return;
  const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  if (startup) SetComboIndex(s, kIdListSource, count - 1);
  const ListSource source = ListSourceOf(ComboIndex(s, kIdListSource), count);
  if (source == ListSource::Other) return;
  const std::string address =
      ListSourceAddress(source, source == ListSource::File ? AskPlaylistFile(mw) : std::string());
  mw.globals.playlistUrl = address;
  LogLine(ListSourceLogLine(address));
  if (!startup) PostMessageW(GetParent(box), kShowListAddressMessage, 0, 0);
}

void ApplyListAddress(MainWindow& mw, bool always) {
  SettingsWindow& s = mw.settings;
  HWND box = s.Control(kIdListSource);
  if (!box) return;
  const std::string typed = ControlText(s, kIdListSource);
  // The box shows an entry's caption only until its address replaces it.
  const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  bool caption = false;
  for (int i = 0; i < count; ++i) caption = caption || typed == ComboItemText(s, kIdListSource, i);
  if (!caption && typed != mw.globals.playlistUrl) {
    mw.globals.playlistUrl = typed;
    LogLine(ListSourceLogLine(typed));
  }
  // "http://" alone is the start of an address still to be typed.
  const bool unfinished = mw.globals.playlistUrl == ListSourceAddress(ListSource::Address, {});
  if (always || (!unfinished && mw.globals.playlistUrl != mw.listAddressShown))
    RunCommand(mw, Command::Of(CommandId::UpdateChannels));
}

}  // namespace strevo
