#include "ui/list_source_win.h"

#include <windows.h>

#include "base/eventlog.h"
#include "ui/list_source.h"
#include "ui/mainwindow_win.h"
#include "ui/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

static std::string AskPlaylistFile(MainWindow& mw) {
  std::string chosen;
  return AskOpenFileName(mw.frmCfg, L"Playlist M3U (*.m3u)\0*.m3u\0", chosen) ? chosen : std::string();
}

void ListSourceChanged(MainWindow& mw, bool startup) {
  SettingsWindow& s = mw.settings;
  HWND box = s.Control(kIdListSource);
  if (!box) return;
  const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  if (startup) {
    EnableWindow(s.Control(kIdPlaylistUrl), TRUE);
    SetComboIndex(s, kIdListSource, count - 1);
  }
  const ListSource source = ListSourceOf(ComboIndex(s, kIdListSource), count);
  if (source == ListSource::Other) return;
  const std::string address =
      ListSourceAddress(source, source == ListSource::File ? AskPlaylistFile(mw) : std::string());
  mw.globals.playlistUrl = address;
  SetControlText(s, kIdPlaylistUrl, address);
  LogLine(ListSourceLogLine(address));
}

}  // namespace strevo
