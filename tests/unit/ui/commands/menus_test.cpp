#include "ui/commands/menus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/commands/commands.h"
#include "ui/commands/input.h"

namespace strevo {
namespace {

TEST(MainMenu, NumbersFollowCreationOrderAndSubmenusNest) {
  for (size_t i = 0; i < kMainMenu.size(); ++i) EXPECT_EQ(kMainMenu[i].number, static_cast<int>(i));
  // An item goes one level deeper only right after the item that opens a submenu.
  int allowed = 0;
  for (const MenuItemDef& item : kMainMenu) {
    EXPECT_LE(item.depth, allowed) << item.caption;
    allowed = item.submenu ? item.depth + 1 : item.depth;
  }
  EXPECT_TRUE(kMainMenu[kMenuFullScreen].isDefault);
  EXPECT_EQ(kMainMenu[kMenuExit].caption, "Выход\t(Alt+X)");
  EXPECT_EQ(kMainMenu[kMenuSettings].caption, "Настройки\t(Ctrl+P)");
  EXPECT_TRUE(kMainMenu[kMenuChannelsPlaceholder].hidden && kMainMenu[kMenuChannelsPlaceholder].disabled);
  EXPECT_TRUE(kMainMenu[kMenuMiniWindow].hidden);
  EXPECT_TRUE(kMainMenu[kMenuBrowser].hidden);
  EXPECT_TRUE(kMainMenu[kMenuTime].disabled);
  // The two on-top items share a caption; only the full-screen one starts checked.
  EXPECT_EQ(kMainMenu[kMenuOnTop].caption, kMainMenu[kMenuOnTopFullScreen].caption);
  EXPECT_FALSE(kMainMenu[kMenuOnTop].checked);
  EXPECT_TRUE(kMainMenu[kMenuOnTopFullScreen].checked);
}

TEST(MainMenu, VideoSizeItems) {
  int w = 0, h = 0;
  for (int i = kMenuFirstSize; i <= kMenuLastSize; ++i) {
    ASSERT_TRUE(ParseVideoSize(kMainMenu[i].caption, w, h)) << kMainMenu[i].caption;
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
  }
  ASSERT_TRUE(ParseVideoSize("422x317", w, h));
  EXPECT_EQ(w, 422);
  EXPECT_EQ(h, 317);
  EXPECT_FALSE(ParseVideoSize("Размер видеоокна", w, h));
  EXPECT_FALSE(ParseVideoSize("640x", w, h));
  EXPECT_FALSE(ParseVideoSize("x480", w, h));
}

TEST(ChannelSubmenu, EveryIdFitsInACommandAndNamesItsEntry) {
  EXPECT_EQ(ChannelEntriesShown(0), 0);
  EXPECT_EQ(ChannelEntriesShown(4), 4);
  EXPECT_EQ(ChannelEntriesShown(25001), kMaxChannelEntries);
  // WM_COMMAND keeps the low 16 bits of an id: the last entry's id must be one.
  EXPECT_LE(kChannelEntryFirstId + ChannelEntriesShown(25001) - 1, 0xFFFF);
  EXPECT_EQ(ChannelEntryOfCommand(kChannelEntryFirstId, 4), 0);
  EXPECT_EQ(ChannelEntryOfCommand(kChannelEntryFirstId + 3, 4), 3);
  EXPECT_EQ(ChannelEntryOfCommand(kChannelEntryFirstId + 4, 4), -1);
  EXPECT_EQ(ChannelEntryOfCommand(kChannelEntryFirstId - 1, 4), -1);
  EXPECT_EQ(ChannelEntryOfCommand(kChannelEntryLastId, 25001), kMaxChannelEntries - 1);
  EXPECT_EQ(ChannelEntryOfCommand(0xFFFF, 25001), -1);
  // Ids of a long list no longer wrap onto the main menu's or the controls' commands.
  for (int id : {40000, 41000, 2001, 1463}) EXPECT_EQ(ChannelEntryOfCommand(id, 25001), -1) << id;
}

TEST(ChannelSubmenu, LongListsArePagedAndEveryEntryIsOnExactlyOnePage) {
  EXPECT_TRUE(ChannelMenuPages(1).empty());
  EXPECT_TRUE(ChannelMenuPages(kChannelEntriesFlat + 1).empty());  // the pseudo-channel and 1000 channels
  const auto two = ChannelMenuPages(kChannelEntriesFlat + 2);
  ASSERT_EQ(two.size(), static_cast<size_t>((kChannelEntriesFlat + kChannelEntriesPerPage) / kChannelEntriesPerPage));
  EXPECT_EQ(ChannelMenuPageCaption(two.front()), "1 - 50");
  EXPECT_EQ(ChannelMenuPageCaption(two.back()), "1001 - 1001");
  for (size_t entries : {size_t{1102}, size_t{25001}}) {
    const auto pages = ChannelMenuPages(entries);
    int next = 1;  // the pseudo-channel stands before the pages
    for (const ChannelMenuPage& p : pages) {
      EXPECT_EQ(p.first, next);
      EXPECT_LE(p.last - p.first + 1, kChannelEntriesPerPage);
      next = p.last + 1;
    }
    EXPECT_EQ(next, ChannelEntriesShown(entries));
  }
}

}  // namespace
}  // namespace strevo

namespace strevo {
namespace {

// The shortcut a menu caption shows after its tab ("(Ctrl+P)") is a key
// that runs that item's command, so the menu never names a key that does
// something else or nothing. A key may run a command that includes the
// item's: Up steps the current regulator, which is the volume unless the
// user chose another; G shows the guide of the channel selected in the list,
// else the current channel's.
TEST(MainMenu, EachCaptionsShortcutIsAKeyOfItsCommand) {
  using enum CommandId;
  const std::pair<CommandId, CommandId> wider[] = {{VolumeUp, StepUp}, {VolumeDown, StepDown}, {GuideCurrent, Guide}};
  int shortcuts = 0;
  for (const MenuItemDef& item : kMainMenu) {
    const std::string_view caption = item.caption;
    const size_t tab = caption.find("\t(");
    if (tab == std::string_view::npos) continue;
    ++shortcuts;
    const std::string_view shown = caption.substr(tab + 2, caption.size() - tab - 3);
    const Command command = MainMenuCommand(item.number);
    std::vector<std::string> keys;
    auto runs = [&](const Command& c) {
      if (c == command) return true;
      for (const auto& [item, key] : wider)
        if (command == Command::Of(item) && c == Command::Of(key)) return true;
      return false;
    };
    for (const KeyBinding& k : KeyBindings())
      if (runs(k.command)) keys.push_back(KeyName(k.key, k.modifiers));
    const bool named = std::find(keys.begin(), keys.end(), shown) != keys.end();
    EXPECT_TRUE(named) << caption << ": the keys of its command are " << ::testing::PrintToString(keys);
  }
  EXPECT_GE(shortcuts, 15);
}

}  // namespace
}  // namespace strevo
