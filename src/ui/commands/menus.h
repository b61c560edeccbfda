// The player's two popup menus as data: captions in creation order. The item
// numbers (from 0, separators included, submenu brackets not) are what the
// command dispatch and the configuration refer to.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ui/commands/command_id.h"

namespace strevo {

struct MenuItemDef {
  int number;                // -1 for the channel-list menu
  std::string_view caption;  // "-" is a separator
  int depth;                 // 0 top level, 1 inside the submenu opened by the previous depth-0 item
  bool submenu = false;      // opens a submenu (its items follow with depth + 1)
  bool hidden = false;
  bool disabled = false;
  bool checked = false;
  bool isDefault = false;
  CommandId command = CommandId::None;  // what choosing it runs (the sizes: VideoSize, with the caption's size)
};

enum MainMenuItem : int {
  kMenuFullScreen = 0,
  kMenuMiniWindow = 1,
  kMenuDesktop = 2,
  kMenuOnTop = 3,
  kMenuOnTopFullScreen = 4,
  kMenuChannelList = 6,
  kMenuControlPanel = 7,
  kMenuVideoWindow = 8,
  kMenuVideoSize = 10,
  kMenuFirstSize = 11,
  kMenuLastSize = 25,
  kMenuControl = 26,
  kMenuTime = 27,
  kMenuPlayPause = 29,
  kMenuStop = 30,
  kMenuRecord = 31,
  kMenuSnapshot = 32,
  kMenuVolumeUp = 34,
  kMenuVolumeDown = 35,
  kMenuMute = 36,
  kMenuNextInList = 38,      // next channel in list order
  kMenuPreviousInList = 39,  // previous channel in list order
  kMenuLastWatched = 40,     // back to the channel watched before the current one
  kMenuGuide = 41,
  kMenuGuideCurrent = 42,
  kMenuGuideAll = 43,
  kMenuShowOsd = 44,
  kMenuExportHtml = 46,
  kMenuUpdateGuide = 47,
  kMenuUpdateChannels = 48,
  kMenuScheduler = 49,
  kMenuBrowser = 50,
  kMenuSettings = 51,
  kMenuToTray = 53,
  kMenuStandby = 54,
  kMenuExit = 55,
  kMenuChannels = 57,
  kMenuChannelsPlaceholder = 58,
  kMainMenuCount = 59,
};

extern const std::array<MenuItemDef, kMainMenuCount> kMainMenu;

enum ChannelListMenuItem : int { kListSelect = 0, kListGuide = 2, kListBackgroundRecording = 3, kListTester = 4 };
extern const std::array<MenuItemDef, 5> kChannelListMenu;

// The channel submenu: entry k (0 the pseudo-channel, then channel k) has the
// command id kChannelEntryFirstId + k. WM_COMMAND carries 16-bit ids, so the
// submenu holds no more entries than the ids up to kChannelEntryLastId allow
// (0xFFFF stays free: it is the id of unnumbered controls); channels beyond
// stay in the channel list and the channel selector.
inline constexpr int kChannelEntryFirstId = 42000;
inline constexpr int kChannelEntryLastId = 0xFFFE;
inline constexpr int kMaxChannelEntries = kChannelEntryLastId - kChannelEntryFirstId + 1;
// How many of `entries` channel entries the submenu shows.
int ChannelEntriesShown(size_t entries);
// The entry a command id chooses among `entries`, or -1 when it is none.
int ChannelEntryOfCommand(int id, size_t entries);

// A long list is cut into pages: the pseudo-channel, then one submenu per
// kChannelEntriesPerPage channels (a screen's height), captioned with their
// numbers ("1 - 50"). A menu of thousands of entries scrolls for ever, and building one takes
// time that grows with the square of its length. Up to kChannelEntriesFlat
// channels the entries stand in the submenu itself.
inline constexpr int kChannelEntriesFlat = 1000;
inline constexpr int kChannelEntriesPerPage = 50;
struct ChannelMenuPage {
  int first, last;  // entries, inclusive
};
// The pages of `entries` entries (the pseudo-channel included); none when
// they stand in one menu.
std::vector<ChannelMenuPage> ChannelMenuPages(size_t entries);
std::string ChannelMenuPageCaption(const ChannelMenuPage& page);

// Width and height of a "Размер видеоокна" item ("640x480"); false when not a size.
bool ParseVideoSize(std::string_view caption, int& width, int& height);

}  // namespace strevo
