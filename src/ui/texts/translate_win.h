// Interface translation of windows and menus with the language file beside the exe.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace strevo {

struct PopupMenu;

// Reads the language file afresh, then translates the control's own text, the
// texts of its direct children and its own items (list, combo and tab items;
// never the items of a child box), and the captions of the menu (the part before the first tab).
void TranslateUi(HWND control, const PopupMenu* menu, const std::string& languageFile);
// One text that no control holds at start-up (the pseudo-channel's title).
std::string TranslateText(std::string_view text, const std::string& languageFile);

}  // namespace strevo
