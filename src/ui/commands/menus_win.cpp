#include "ui/commands/menus_win.h"

#include "win/util_win.h"

namespace strevo {

// Hidden items do not exist in a Win32 menu; they are left out of the popup
// and keep their number, so the numbering stays the one of the table.
static constexpr UINT kHiddenItem = 0xFFFFFFFF;

PopupMenu BuildPopupMenu(const MenuItemDef* items, size_t count, UINT commandBase) {
  PopupMenu menu;
  menu.root = CreatePopupMenu();
  menu.owner.assign(count, nullptr);
  menu.position.assign(count, kHiddenItem);
  std::vector<HMENU> stack = {menu.root};
  for (size_t i = 0; i < count; ++i) {
    const MenuItemDef& item = items[i];
    stack.resize(static_cast<size_t>(item.depth) + 1);
    HMENU parent = stack.back();
    menu.owner[i] = parent;
    if (item.hidden) {
      if (item.submenu) stack.push_back(CreatePopupMenu());
      continue;
    }
    menu.position[i] = static_cast<UINT>(GetMenuItemCount(parent));
    std::wstring caption = Widen(item.caption);
    MENUITEMINFOW mi{sizeof mi};
    mi.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
    mi.wID = commandBase + static_cast<UINT>(item.number >= 0 ? item.number : static_cast<int>(i));
    mi.fType = item.caption == "-" ? MFT_SEPARATOR : MFT_STRING;
    mi.fState = (item.checked ? MFS_CHECKED : 0) | (item.disabled ? MFS_DISABLED : 0) | (item.isDefault ? MFS_DEFAULT : 0);
    mi.dwTypeData = caption.data();
    if (item.submenu) {
      HMENU sub = CreatePopupMenu();
      mi.fMask |= MIIM_SUBMENU;
      mi.hSubMenu = sub;
      stack.push_back(sub);
    }
    InsertMenuItemW(parent, menu.position[i], TRUE, &mi);
  }
  return menu;
}

static bool Locate(const PopupMenu& menu, int number, HMENU& owner, UINT& pos) {
  if (number < 0 || static_cast<size_t>(number) >= menu.owner.size() || menu.position[number] == kHiddenItem)
    return false;
  owner = menu.owner[number];
  pos = menu.position[number];
  return true;
}

void SetMenuItemChecked(const PopupMenu& menu, int number, bool checked) {
  HMENU owner;
  UINT pos;
  if (Locate(menu, number, owner, pos)) CheckMenuItem(owner, pos, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool IsMenuItemChecked(const PopupMenu& menu, int number) {
  HMENU owner;
  UINT pos;
  return Locate(menu, number, owner, pos) && (GetMenuState(owner, pos, MF_BYPOSITION) & MF_CHECKED);
}

void SetMenuItemEnabled(const PopupMenu& menu, int number, bool enabled) {
  HMENU owner;
  UINT pos;
  if (Locate(menu, number, owner, pos)) EnableMenuItem(owner, pos, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

void SetMenuItemCaption(const PopupMenu& menu, int number, const std::string& caption) {
  HMENU owner;
  UINT pos;
  if (!Locate(menu, number, owner, pos)) return;
  std::wstring w = Widen(caption);
  MENUITEMINFOW mi{sizeof mi};
  mi.fMask = MIIM_STRING;
  mi.dwTypeData = w.data();
  SetMenuItemInfoW(owner, pos, TRUE, &mi);
}

std::string MenuItemCaption(const PopupMenu& menu, int number) {
  HMENU owner;
  UINT pos;
  if (!Locate(menu, number, owner, pos)) return {};
  wchar_t buf[256] = L"";
  GetMenuStringW(owner, pos, buf, 256, MF_BYPOSITION);
  return Narrow(buf);
}

}  // namespace strevo
