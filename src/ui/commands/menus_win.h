// Win32 popup menus built from the menu tables.
#pragma once
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "ui/commands/menus.h"

namespace strevo {

// WM_COMMAND ids: base + item number.
inline constexpr UINT kMainMenuCommandBase = 40000;
inline constexpr UINT kListMenuCommandBase = 41000;
inline constexpr UINT kChannelEntryCommandBase = kChannelEntryFirstId;  // + entry, bounded: see menus.h

struct PopupMenu {
  HMENU root = nullptr;
  // The menu holding item n and its position there, for every item number.
  std::vector<HMENU> owner;
  std::vector<UINT> position;
};

template <size_t N>
PopupMenu BuildPopupMenu(const std::array<MenuItemDef, N>& items, UINT commandBase) {
  return BuildPopupMenu(items.data(), N, commandBase);
}
PopupMenu BuildPopupMenu(const MenuItemDef* items, size_t count, UINT commandBase);

void SetMenuItemChecked(const PopupMenu& menu, int number, bool checked);
bool IsMenuItemChecked(const PopupMenu& menu, int number);
void SetMenuItemEnabled(const PopupMenu& menu, int number, bool enabled);
void SetMenuItemCaption(const PopupMenu& menu, int number, const std::string& caption);
// The item's current caption (a translation may have changed it).
std::string MenuItemCaption(const PopupMenu& menu, int number);

}  // namespace strevo
