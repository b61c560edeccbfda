// The interface colours applied to the windows: the user's seven, chosen in
// seven colour dialogs, or the palette derived from the system colours.
#pragma once

namespace strevo {

struct MainWindow;

// Start-up and the check box "Не использовать системные цвета": applies the
// palette. `askUser` (its "..." button) first offers the seven dialogs.
void ApplyInterfaceColours(MainWindow& mw, bool askUser);

}  // namespace strevo
