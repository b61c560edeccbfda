// The list-source box `cbopers` of the settings window.
#pragma once

namespace strevo {

struct MainWindow;

// A new choice in the box (`startup`: the start-up's own setting, which
// enables the address field and chooses the last entry first).
void ListSourceChanged(MainWindow& mw, bool startup);

}  // namespace strevo
