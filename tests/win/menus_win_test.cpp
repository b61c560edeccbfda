// The real menus and list controls of the player: what a channel switch shows
// in them, and what the language file does to separators.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/translate.h"
#include "ui/video/player_host_win.h"
#include "ui/commands/commands_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/commands/menus_win.h"
#include "ui/texts/translate_win.h"
#include "ui/texts/ui_texts.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

bool Checked(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED; }

TEST(ChannelSelection, ListBoxAndSubmenuFollowTheSelector) {
  static MainWindow mw;  // big: keep it off the stack
  mw.form.mainMenu = BuildPopupMenu(kMainMenu, kMainMenuCommandBase);
  mw.channelTitles = {"Файл или поток", "One", "Two", "Three"};
  mw.channelMrls = {"?", "a", "b", "c"};
  mw.channelSubmenuCaptions = {"Файл или поток", "1. One", "2. Two", "3. Three"};
  mw.channelSelectorIndex = 1;
  BuildChannelEntries(mw);
  HWND selector = CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 100, 200, nullptr, nullptr,
                                  nullptr, nullptr);
  mw.lstPlaylist = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_NOTIFY, 0, 0, 100, 200, nullptr, nullptr,
                                   nullptr, nullptr);
  mw.form.controls[kCbChannelSelector] = selector;
  for (const std::string& t : mw.channelTitles) {
    SendMessageW(selector, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(t).c_str()));
    if (t != mw.channelTitles[0]) SendMessageW(mw.lstPlaylist, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(t).c_str()));
  }
  HMENU entries = mw.form.mainMenu.owner[kMenuChannelsPlaceholder];
  ASSERT_TRUE(Checked(entries, kChannelEntryCommandBase + 1));

  PlayerHostWin host(mw);
  host.ShowSelection(3);
  EXPECT_EQ(SendMessageW(selector, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SendMessageW(mw.lstPlaylist, LB_GETCURSEL, 0, 0), 2);
  for (UINT k = 0; k < 4; ++k) EXPECT_EQ(Checked(entries, kChannelEntryCommandBase + k), k == 3) << k;

  // The pseudo-channel has no entry in the list box.
  host.ShowSelection(0);
  EXPECT_EQ(SendMessageW(mw.lstPlaylist, LB_GETCURSEL, 0, 0), LB_ERR);
  for (UINT k = 0; k < 4; ++k) EXPECT_EQ(Checked(entries, kChannelEntryCommandBase + k), k == 0) << k;

  DestroyWindow(selector);
  DestroyWindow(mw.lstPlaylist);
  mw.lstPlaylist = nullptr;
  DestroyMenu(mw.form.mainMenu.root);
}

std::string ItemText(HMENU menu, UINT pos, UINT* type) {
  wchar_t buf[256] = L"";
  MENUITEMINFOW mi{sizeof mi};
  mi.fMask = MIIM_FTYPE | MIIM_STRING;
  mi.dwTypeData = buf;
  mi.cch = 256;
  GetMenuItemInfoW(menu, pos, TRUE, &mi);
  *type = mi.fType;
  return Narrow(buf);
}

TEST(MenuTranslation, AnEntryForTheSeparatorRenamesEverySeparator) {
  std::string dir = SystemTempPath() + "strevo-menu-lng";
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  const std::string lng = dir + "\\Player.lng";
  auto cp1251 = [](std::string_view utf8) { return Utf8ToCodePage(utf8, 1251); };
  const std::string file = LanguageKey("-", cp1251) + "=~~~\r\n" + LanguageKey("Выход", cp1251) + "=Exit\r\n";
  ASSERT_TRUE(WriteFileReplacing(lng, file));

  PopupMenu menu = BuildPopupMenu(kMainMenu, kMainMenuCommandBase);
  TranslateUi(nullptr, &menu, lng);
  int separators = 0;
  for (size_t i = 0; i < kMainMenu.size(); ++i) {
    if (kMainMenu[i].caption != "-") continue;
    ++separators;
    UINT type = 0;
    EXPECT_EQ(ItemText(menu.owner[i], menu.position[i], &type), "~~~") << "item " << i;
    EXPECT_FALSE(type & MFT_SEPARATOR) << "item " << i;
  }
  EXPECT_EQ(separators, 8);
  UINT type = 0;
  EXPECT_EQ(ItemText(menu.owner[kMenuExit], menu.position[kMenuExit], &type), "Exit\t(Alt+X)");
  DestroyMenu(menu.root);

  // Without such an entry separators stay separators.
  ASSERT_TRUE(WriteFileReplacing(lng, LanguageKey("Выход", cp1251) + "=Exit\r\n"));
  menu = BuildPopupMenu(kMainMenu, kMainMenuCommandBase);
  TranslateUi(nullptr, &menu, lng);
  ItemText(menu.owner[5], menu.position[5], &type);
  EXPECT_TRUE(type & MFT_SEPARATOR);
  DestroyMenu(menu.root);
  DeleteFilesIn(dir);
  RemoveDirectoryW(Widen(dir).c_str());
}

// A page's own text and its children's texts are translated, never the
// entries of a child box: a deinterlace mode is stored as the entry's text.
// The list-source box, whose entries mean their position, is translated by
// itself.
TEST(Translation, AChildBoxKeepsItsEntriesUnlessTranslatedByItself) {
  std::string dir = SystemTempPath() + "strevo-child-lng";
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  const std::string lng = dir + "\\Strevo.lng";
  auto cp1251 = [](std::string_view utf8) { return Utf8ToCodePage(utf8, 1251); };
  ASSERT_TRUE(WriteFileReplacing(lng, LanguageKey("Blend", cp1251) + "=Mix\r\n" +
                                          LanguageKey("Деинтерлэйс", cp1251) + "=Deinterlace\r\n"));
  HWND page = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  HWND label = CreateWindowExW(0, L"STATIC", L"Деинтерлэйс", WS_CHILD, 0, 0, 90, 14, page, nullptr, nullptr, nullptr);
  HWND box = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 20, 90, 100, page, nullptr, nullptr,
                             nullptr);
  for (const wchar_t* item : {L"None", L"Blend"}) SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageW(box, CB_SETCURSEL, 1, 0);
  auto entry = [&](int i) {
    wchar_t buf[64] = L"";
    SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
    return Narrow(buf);
  };

  TranslateUi(page, nullptr, lng);
  EXPECT_EQ(WindowText(label), "Deinterlace");
  EXPECT_EQ(entry(1), "Blend");
  TranslateUi(box, nullptr, lng);
  EXPECT_EQ(entry(1), "Mix");
  EXPECT_EQ(SendMessageW(box, CB_GETCURSEL, 0, 0), 1);
  DestroyWindow(page);
  DeleteFileW(Widen(lng).c_str());
  RemoveDirectoryW(Widen(dir).c_str());
}

// With the shipped English file, every item of both menus, submenus included,
// reads without a Russian letter (channel entries are data, not built-in texts).
TEST(MenuTranslation, TheEnglishFileLeavesNoRussianInEitherMenu) {
  std::string dir = SystemTempPath() + "strevo-menu-english";
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  const std::string lng = dir + "\\Strevo.lng";
  // The file as the build ships it (tools/lngen): keys of the Windows-1251
  // texts, whatever code page this system has (the test runs on a Russian and
  // on an English one).
  auto cp1251 = [](std::string_view utf8) { return Utf8ToCodePage(utf8, 1251); };
  ASSERT_TRUE(WriteFileReplacing(lng, cp1251(EnglishLanguageFile(cp1251))));
  auto cyrillic = [](const std::wstring& w) {
    for (wchar_t c : w)
      if (c >= 0x400 && c <= 0x4FF) return true;
    return false;
  };
  for (PopupMenu menu : {BuildPopupMenu(kMainMenu, kMainMenuCommandBase),
                         BuildPopupMenu(kChannelListMenu, kListMenuCommandBase)}) {
    TranslateUi(nullptr, &menu, lng);
    int items = 0;
    std::vector<HMENU> pending = {menu.root};
    while (!pending.empty()) {
      HMENU m = pending.back();
      pending.pop_back();
      for (int i = 0; i < GetMenuItemCount(m); ++i) {
        wchar_t buf[512] = {};
        MENUITEMINFOW mi{sizeof mi};
        mi.fMask = MIIM_STRING | MIIM_SUBMENU;
        mi.dwTypeData = buf;
        mi.cch = 511;
        ASSERT_TRUE(GetMenuItemInfoW(m, i, TRUE, &mi));
        ++items;
        EXPECT_FALSE(cyrillic(buf)) << "Russian left: " << Narrow(buf);
        if (mi.hSubMenu) pending.push_back(mi.hSubMenu);
      }
    }
    EXPECT_GE(items, 5);
    DestroyMenu(menu.root);
  }
  DeleteFileW(Widen(lng).c_str());
  RemoveDirectoryW(Widen(dir).c_str());
}

}  // namespace
}  // namespace strevo
