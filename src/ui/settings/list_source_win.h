// The list-source box `cbopers` of the settings window: an editable box that
// shows the channel list's address, whose last three entries choose where the
// list comes from.
#pragma once

namespace strevo {

struct MainWindow;

// A new choice in the box (`startup`: the start-up's own setting, which
// chooses the last entry first). The box then shows the address chosen.
void ListSourceChanged(MainWindow& mw, bool startup);

// Takes an address typed into the box as the list's address. When the list
// shown came from another address, fetches the list from the new one
// ("Применить", "Закрыть"); `always` fetches it anyway (the refresh button).
void ApplyListAddress(MainWindow& mw, bool always);

// The window message the settings pages get after a choice in the box: the
// box's edit shows the entry's caption once the choice is made, and only
// then can it be given the address.
inline constexpr unsigned kShowListAddressMessage = 0x8000 + 41;  // WM_APP + 41
void ShowListAddress(MainWindow& mw);

}  // namespace strevo
