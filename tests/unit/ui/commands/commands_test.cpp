#include "ui/commands/commands.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "ui/main/main_controls.h"

namespace strevo {
namespace {

using enum CommandId;

// ---- the table --------------------------------------------------------------------

TEST(CommandTable, IndexedByIdWithUniqueNamesThatRoundTrip) {
  std::set<std::string_view> names;
  for (int i = 0; i < kCommandCount; ++i) {
    const CommandInfo& info = kCommands[i];
    EXPECT_EQ(static_cast<int>(info.id), i) << info.name;
    EXPECT_FALSE(info.name.empty());
    EXPECT_TRUE(names.insert(info.name).second) << "duplicate name " << info.name;
    // Names are written in scripts and bindings: lower case words joined by "-".
    for (char c : info.name) EXPECT_TRUE((c >= 'a' && c <= 'z') || c == '-') << info.name;
    EXPECT_NE(info.name.front(), '-');
    EXPECT_NE(info.name.back(), '-');
    ASSERT_TRUE(CommandByName(info.name).has_value()) << info.name;
    EXPECT_EQ(*CommandByName(info.name), info.id);
    EXPECT_EQ(CommandName(info.id), info.name);
  }
  EXPECT_FALSE(CommandByName("Play").has_value());
  EXPECT_FALSE(CommandByName("").has_value());
  EXPECT_EQ(CommandName(static_cast<CommandId>(kCommandCount)), "none");
  EXPECT_EQ(CommandName(static_cast<CommandId>(-1)), "none");
}

TEST(CommandTable, TextFormRoundTripsEveryCommandWithItsArgument) {
  for (const CommandInfo& info : kCommands) {
    if (info.id == None) continue;
    Command c = Command::Of(info.id);
    switch (info.arg) {
      case ArgKind::None: break;
      case ArgKind::Channel:
      case ArgKind::Position:
      case ArgKind::Amount: c.a = 37; break;
      case ArgKind::Size: c.a = 640, c.b = 480; break;
      case ArgKind::Point: c.a = -12, c.b = 700; break;
    }
    const std::string text = FormatCommand(c);
    const std::optional<Command> back = ParseCommand(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_EQ(*back, c) << text;
  }
  EXPECT_EQ(FormatCommand(Command::Channel(3)), "channel-select 3");
  EXPECT_EQ(FormatCommand(Command::Size(1024, 576)), "video-size 1024x576");
  EXPECT_EQ(FormatCommand(Command::MenuAt(10, 20)), "menu 10,20");
  EXPECT_EQ(FormatCommand(Command::Of(ChannelLastWatched)), "channel-last-watched");
}

TEST(CommandTable, TextFormRefusesWhatItCannotRun) {
  for (const char* bad : {"", "none", "Play", "play ", "play 3", "channel-select", "channel-select ", "channel-select x",
                          "channel-select 3 4", "channel-select 3x", "video-size 640", "video-size 640x",
                          "video-size x480", "menu 10", "menu 10,", "volume-set +5", " play", "nothing-at-all"})
    EXPECT_FALSE(ParseCommand(bad).has_value()) << '"' << bad << '"';
  EXPECT_EQ(ParseCommand("volume-set 0"), Command::Volume(0));
}

// ---- bindings -----------------------------------------------------------------------

TEST(CommandBindings, EveryMainMenuItemRunsTheCommandOfItsCaption) {
  // Number -> command, in the menu's own order; None where the item is a
  // separator, opens a submenu or only displays something.
  const std::vector<CommandId> expected = {
      FullScreen, MiniWindow, DesktopMode, VideoOnTop, VideoOnTopFullScreen, None,  // 0-5
      ChannelList, ControlPanel, VideoWindow, None, None,                          // 6-10 ("-", size submenu)
  };
  for (int n = 0; n < static_cast<int>(expected.size()); ++n) EXPECT_EQ(MainMenuCommand(n).id, expected[n]) << n;
  for (int n = kMenuFirstSize; n <= kMenuLastSize; ++n) EXPECT_EQ(MainMenuCommand(n).id, VideoSize) << n;
  const std::vector<std::pair<int, CommandId>> rest = {
      {kMenuControl, None},          {kMenuTime, None},          {28, None},
      {kMenuPlayPause, PlayPause},   {kMenuStop, Stop},          {kMenuRecord, Record},
      {kMenuSnapshot, Snapshot},     {33, None},                 {kMenuVolumeUp, VolumeUp},
      {kMenuVolumeDown, VolumeDown}, {kMenuMute, Mute},          {37, None},
      {kMenuNextInList, ChannelNext}, {kMenuPreviousInList, ChannelPrevious},
      {kMenuLastWatched, ChannelLastWatched},                    {kMenuGuide, None},
      {kMenuGuideCurrent, GuideCurrent}, {kMenuGuideAll, GuideAll}, {kMenuShowOsd, ShowOsd},
      {45, None},                    {kMenuExportHtml, ExportHtml}, {kMenuUpdateGuide, UpdateGuide},
      {kMenuUpdateChannels, UpdateChannels}, {kMenuScheduler, Scheduler}, {kMenuBrowser, Browser},
      {kMenuSettings, Settings},     {52, None},                 {kMenuToTray, ToTray},
      {kMenuStandby, Standby},       {kMenuExit, Exit},          {56, None},
      {kMenuChannels, None},         {kMenuChannelsPlaceholder, None},
  };
  for (auto [n, id] : rest) EXPECT_EQ(MainMenuCommand(n).id, id) << n << " " << kMainMenu[n].caption;
  EXPECT_EQ(MainMenuCommand(-1).id, None);
  EXPECT_EQ(MainMenuCommand(kMainMenuCount).id, None);
  // Separators never run anything, whatever their number.
  for (const MenuItemDef& item : kMainMenu)
    if (item.caption == "-") EXPECT_EQ(MainMenuCommand(item.number).id, None) << item.number;
}

TEST(CommandBindings, VideoSizeItemsCarryTheSizeOfTheirCaption) {
  EXPECT_EQ(MainMenuCommand(kMenuFirstSize), Command::Size(80, 60));
  EXPECT_EQ(MainMenuCommand(18), Command::Size(640, 480));
  EXPECT_EQ(MainMenuCommand(16), Command::Size(422, 317));
  EXPECT_EQ(MainMenuCommand(kMenuLastSize), Command::Size(1280, 720));
  std::set<std::pair<int, int>> sizes;
  for (int n = kMenuFirstSize; n <= kMenuLastSize; ++n) sizes.insert({MainMenuCommand(n).a, MainMenuCommand(n).b});
  EXPECT_EQ(sizes.size(), static_cast<size_t>(kMenuLastSize - kMenuFirstSize + 1));
}

TEST(CommandBindings, ChannelListMenu) {
  EXPECT_EQ(ListMenuCommand(kListSelect).id, ListPlay);
  EXPECT_EQ(ListMenuCommand(1).id, None);
  EXPECT_EQ(ListMenuCommand(kListGuide).id, ListGuide);
  EXPECT_EQ(ListMenuCommand(kListBackgroundRecording).id, ListBackgroundRecord);
  EXPECT_EQ(ListMenuCommand(kListTester).id, ChannelTest);
  EXPECT_EQ(ListMenuCommand(5).id, None);
  EXPECT_EQ(ListMenuCommand(-1).id, None);
}

TEST(CommandBindings, ButtonsRunTheSameCommandsAsTheirMenuItems) {
  const std::vector<std::pair<int, CommandId>> buttons = {
      {kBtnMenu, Menu},           {kBtnDock, Dock},           {kBtnOnTop, PanelOnTop},
      {kBtnMinimise, Minimise},   {kBtnClose, Exit},          {kBtnPlay, Play},
      {kBtnPause, Pause},         {kBtnStop, Stop},           {kBtnRecord, Record},
      {kBtnChannelBack, ChannelPrevious},                     {kBtnChannelForward, ChannelNext},
      {kBtnChannelChoice, ChannelChoose},                     {kLblCurrentChannel, ChannelChoose},
      {kBtnChannelList, ChannelList}, {kBtnOpen, Open},       {kBtnGuide, GuideAll},
      {kBtnSnapshot, Snapshot},   {kBtnFullScreen, FullScreen}, {kBtnSeekBack, SeekBack},
      {kBtnSeekForward, SeekForward}, {kBtnSlower, Slower},   {kBtnFaster, Faster},
      {kBtnVolumeUp, VolumeUp},   {kBtnVolumeDown, VolumeDown}, {kPbVolume, VolumeSet},
      {kBtnMute, Mute},           {kBtnSettings, SettingsShow}, {kCbChannelSelector, ChannelSelect},
  };
  for (auto [control, id] : buttons) EXPECT_EQ(ButtonCommand(control).id, id) << control;
  // Controls that only display something run nothing.
  for (int control : std::initializer_list<int>{kPbPosition, kLblTime, kEbHotkey, kPbTransfer, kLblCaption1, kLblCaption2, kLblVersion, 0, 40000})
    EXPECT_EQ(ButtonCommand(control).id, None) << control;
  // The same operation behind a button and a menu item is one command.
  EXPECT_EQ(ButtonCommand(kBtnChannelBack), MainMenuCommand(kMenuPreviousInList));
  EXPECT_EQ(ButtonCommand(kBtnChannelForward), MainMenuCommand(kMenuNextInList));
  EXPECT_EQ(ButtonCommand(kBtnStop), MainMenuCommand(kMenuStop));
  EXPECT_EQ(ButtonCommand(kBtnMute), MainMenuCommand(kMenuMute));
  EXPECT_EQ(ButtonCommand(kBtnClose), MainMenuCommand(kMenuExit));
  EXPECT_EQ(ButtonCommand(kBtnFullScreen), MainMenuCommand(kMenuFullScreen));
  EXPECT_EQ(ButtonCommand(kBtnChannelList), MainMenuCommand(kMenuChannelList));
  EXPECT_EQ(ButtonCommand(kBtnGuide), MainMenuCommand(kMenuGuideAll));
  EXPECT_EQ(ButtonCommand(kBtnVolumeUp), MainMenuCommand(kMenuVolumeUp));
  // The settings button only shows the window; the menu item toggles it.
  EXPECT_NE(ButtonCommand(kBtnSettings), MainMenuCommand(kMenuSettings));
}

TEST(CommandBindings, TrayIconButtons) {
  CommandState s;
  EXPECT_EQ(TrayCommand(TrayButton::Left, s, 0, 0).id, Restore);
  EXPECT_EQ(TrayCommand(TrayButton::Right, s, 300, 400), Command::MenuAt(300, 400));
  EXPECT_EQ(TrayCommand(TrayButton::Middle, s, 0, 0).id, Mute);
  // The middle button mutes only while the application is not minimised.
  s.minimised = true;
  EXPECT_EQ(TrayCommand(TrayButton::Middle, s, 0, 0).id, None);
  EXPECT_EQ(TrayCommand(TrayButton::Left, s, 0, 0).id, Restore);
}

TEST(CommandBindings, PostedPlayerCommandsKeepTheirNumbers) {
  EXPECT_EQ(PostedPlayerCommand(1, 3), Command::Channel(3));
  EXPECT_EQ(PostedPlayerCommand(1, 0), Command::Channel(0));
  EXPECT_EQ(PostedPlayerCommand(2, 0).id, ChannelNext);
  EXPECT_EQ(PostedPlayerCommand(3, 0).id, ChannelPrevious);
  EXPECT_EQ(PostedPlayerCommand(4, 0).id, ChannelLastWatched);
  EXPECT_EQ(PostedPlayerCommand(5, 0).id, Play);
  EXPECT_EQ(PostedPlayerCommand(6, 0).id, Pause);
  EXPECT_EQ(PostedPlayerCommand(7, 0).id, Stop);
  EXPECT_EQ(PostedPlayerCommand(8, 0).id, PlayPause);
  EXPECT_EQ(PostedPlayerCommand(9, 0).id, Mute);
  EXPECT_EQ(PostedPlayerCommand(10, 0).id, Open);
  EXPECT_EQ(PostedPlayerCommand(11, 0).id, Restore);
  EXPECT_EQ(PostedPlayerCommand(0, 0).id, None);
  EXPECT_EQ(PostedPlayerCommand(12, 0).id, None);
  // An argument that does not fit an index selects nothing rather than the
  // channel its low bits happen to name.
  EXPECT_EQ(PostedPlayerCommand(1, (1LL << 32) + 2).id, None);
  EXPECT_EQ(PostedPlayerCommand(1, -1).id, None);
}

// ---- rules ---------------------------------------------------------------------------

TEST(CommandRules, FullScreenMiniWindowAndDesktopModeExcludeOneAnother) {
  // Each of the three is offered only while neither of the other two is on.
  for (int bits = 0; bits < 8; ++bits) {
    CommandState s;
    s.fullScreen = bits & 1;
    s.miniWindow = bits & 2;
    s.desktopMode = bits & 4;
    EXPECT_EQ(IsEnabled(Command::Of(FullScreen), s), !s.miniWindow && !s.desktopMode) << bits;
    EXPECT_EQ(IsEnabled(Command::Of(MiniWindow), s), !s.fullScreen && !s.desktopMode) << bits;
    EXPECT_EQ(IsEnabled(Command::Of(DesktopMode), s), !s.fullScreen && !s.miniWindow) << bits;
    EXPECT_EQ(IsChecked(Command::Of(FullScreen), s), s.fullScreen);
    EXPECT_EQ(IsChecked(Command::Of(MiniWindow), s), s.miniWindow);
    EXPECT_EQ(IsChecked(Command::Of(DesktopMode), s), s.desktopMode);
    // Full screen does nothing while its item is disabled.
    EXPECT_EQ(Runs(Command::Of(FullScreen), s), IsEnabled(Command::Of(FullScreen), s)) << bits;
  }
}

TEST(CommandRules, TheChannelSelectorDoesNotOpenWhileRecording) {
  CommandState s;
  EXPECT_TRUE(Runs(Command::Of(ChannelChoose), s));
  s.recording = true;
  EXPECT_FALSE(Runs(Command::Of(ChannelChoose), s));
}

TEST(CommandRules, DesktopModeIsIgnoredInDirectShowModeAndNotOfferedWithAnEngineWithoutIt) {
  CommandState s;
  EXPECT_TRUE(Runs(Command::Of(DesktopMode), s));
  s.directShowMode = true;
  EXPECT_FALSE(Runs(Command::Of(DesktopMode), s));
  // An engine that cannot draw on the desktop would leave it in the key
  // colour with no picture anywhere: the item is greyed and does nothing.
  s.directShowMode = false;
  s.engineWithoutDesktop = true;
  EXPECT_FALSE(Runs(Command::Of(DesktopMode), s));
  EXPECT_FALSE(IsEnabled(Command::Of(DesktopMode), s));
  EXPECT_FALSE(MainMenuItemLook(kMenuDesktop, s).enabled);
  s.engineWithoutDesktop = false;
  EXPECT_TRUE(MainMenuItemLook(kMenuDesktop, s).enabled);
}

TEST(CommandRules, TheChannelTestIsGreyedAndRefusedWhileOneRuns) {
  CommandState s;
  EXPECT_TRUE(IsEnabled(ListMenuCommand(kListTester), s));
  EXPECT_TRUE(Runs(ListMenuCommand(kListTester), s));
  s.channelTestRunning = true;
  EXPECT_FALSE(IsEnabled(ListMenuCommand(kListTester), s));
  EXPECT_FALSE(Runs(ListMenuCommand(kListTester), s));
}

TEST(CommandRules, PanelAndVideoWindowDoNothingWhileDocked) {
  CommandState s;
  s.trayShown = s.panelShown = s.videoShown = true;
  s.docked = true;
  for (CommandId id : {ControlPanel, VideoWindow}) {
    EXPECT_FALSE(IsEnabled(Command::Of(id), s)) << CommandName(id);
    EXPECT_FALSE(Runs(Command::Of(id), s)) << CommandName(id);
  }
  s.docked = false;
  for (CommandId id : {ControlPanel, VideoWindow}) {
    EXPECT_TRUE(IsEnabled(Command::Of(id), s)) << CommandName(id);
    EXPECT_TRUE(Runs(Command::Of(id), s)) << CommandName(id);
  }
}

TEST(CommandRules, HidingAWindowLeavesAWayBack) {
  CommandState s;
  // Without the tray icon, the panel hides only while the video window shows, and the other way round.
  s.panelShown = true;
  s.videoShown = false;
  EXPECT_FALSE(Runs(Command::Of(ControlPanel), s));
  EXPECT_TRUE(Runs(Command::Of(VideoWindow), s));
  s.panelShown = false;
  s.videoShown = true;
  EXPECT_TRUE(Runs(Command::Of(ControlPanel), s));
  EXPECT_FALSE(Runs(Command::Of(VideoWindow), s));
  s.videoShown = false;
  EXPECT_FALSE(Runs(Command::Of(ControlPanel), s));
  EXPECT_FALSE(Runs(Command::Of(VideoWindow), s));
  // With the tray icon both always can.
  s.trayShown = true;
  EXPECT_TRUE(Runs(Command::Of(ControlPanel), s));
  EXPECT_TRUE(Runs(Command::Of(VideoWindow), s));
  // The check marks follow the windows.
  s.panelShown = true;
  EXPECT_TRUE(IsChecked(Command::Of(ControlPanel), s));
  EXPECT_FALSE(IsChecked(Command::Of(VideoWindow), s));
}

TEST(CommandRules, TheTwoOnTopItemsKeepTheirOwnChecks) {
  CommandState s;
  const Command normal = MainMenuCommand(kMenuOnTop), full = MainMenuCommand(kMenuOnTopFullScreen);
  s.videoOnTop = true;
  EXPECT_TRUE(IsChecked(normal, s));
  EXPECT_FALSE(IsChecked(full, s));
  s.videoOnTop = false;
  s.fullScreenOnTop = true;
  EXPECT_FALSE(IsChecked(normal, s));
  EXPECT_TRUE(IsChecked(full, s));
  // The first is offered only while the video is neither docked nor full
  // screen, the second only in full screen.
  EXPECT_TRUE(IsEnabled(normal, s));
  EXPECT_FALSE(IsEnabled(full, s));
  s.docked = true;
  EXPECT_FALSE(IsEnabled(normal, s));
  s.docked = false;
  s.fullScreen = true;
  EXPECT_FALSE(IsEnabled(normal, s));
  EXPECT_TRUE(IsEnabled(full, s));
}

TEST(CommandRules, VideoSizesDoNothingInFullScreenAndTheCurrentOneIsChecked) {
  CommandState s;
  s.videoWidth = 640;
  s.videoHeight = 480;
  EXPECT_TRUE(IsChecked(Command::Size(640, 480), s));
  EXPECT_FALSE(IsChecked(Command::Size(640, 576), s));
  EXPECT_FALSE(IsChecked(Command::Size(720, 480), s));
  EXPECT_TRUE(Runs(Command::Size(640, 480), s));
  s.fullScreen = true;
  EXPECT_FALSE(Runs(Command::Size(800, 600), s));
  EXPECT_FALSE(IsEnabled(Command::Size(800, 600), s));
  EXPECT_FALSE(MainMenuItemLook(kMenuVideoSize, s).enabled);
  s.fullScreen = false;
  EXPECT_TRUE(MainMenuItemLook(kMenuVideoSize, s).enabled);
  // Exactly one size item carries the check for a size of the list.
  int checked = 0;
  for (int n = kMenuFirstSize; n <= kMenuLastSize; ++n) checked += MainMenuItemLook(n, s).checked;
  EXPECT_EQ(checked, 1);
  s.videoWidth = 641;
  checked = 0;
  for (int n = kMenuFirstSize; n <= kMenuLastSize; ++n) checked += MainMenuItemLook(n, s).checked;
  EXPECT_EQ(checked, 0);
}

TEST(CommandRules, ChecksFollowTheWindowsTheyShow) {
  CommandState s;
  const std::vector<std::pair<int, bool CommandState::*>> items = {
      {kMenuChannelList, &CommandState::channelListShown}, {kMenuSettings, &CommandState::settingsShown},
      {kMenuScheduler, &CommandState::schedulerOpen},      {kMenuGuideCurrent, &CommandState::guideBoxShown},
      {kMenuFullScreen, &CommandState::fullScreen},        {kMenuControlPanel, &CommandState::panelShown},
      {kMenuVideoWindow, &CommandState::videoShown},
  };
  for (auto [number, flag] : items) {
    CommandState off = s, on = s;
    on.*flag = true;
    EXPECT_FALSE(MainMenuItemLook(number, off).checked) << kMainMenu[number].caption;
    EXPECT_TRUE(MainMenuItemLook(number, on).checked) << kMainMenu[number].caption;
  }
  // Items that show no state never carry a check.
  CommandState all;
  all.docked = all.fullScreen = all.recording = all.trayShown = all.panelShown = all.videoShown = true;
  for (int n : {kMenuPlayPause, kMenuStop, kMenuMute, kMenuNextInList, kMenuExit, kMenuStandby, kMenuUpdateChannels})
    EXPECT_FALSE(MainMenuItemLook(n, all).checked) << kMainMenu[n].caption;
  CommandState panel;
  EXPECT_FALSE(IsChecked(Command::Of(PanelOnTop), panel));
  panel.panelOnTop = true;
  EXPECT_TRUE(IsChecked(Command::Of(PanelOnTop), panel));
}

TEST(CommandRules, TheCurrentChannelEntryIsChecked) {
  CommandState s;
  s.channelCount = 4;
  s.currentChannel = 2;
  for (int k = 0; k < 4; ++k) EXPECT_EQ(IsChecked(Command::Channel(k), s), k == 2) << k;
}

TEST(CommandRules, DisplayItemsStayDisabled) {
  CommandState s;
  EXPECT_FALSE(MainMenuItemLook(kMenuTime, s).enabled);
  EXPECT_FALSE(MainMenuItemLook(kMenuChannelsPlaceholder, s).enabled);
  EXPECT_TRUE(MainMenuItemLook(kMenuPlayPause, s).enabled);
  EXPECT_TRUE(MainMenuItemLook(kMenuGuide, s).enabled);
  EXPECT_FALSE(Runs(Command{}, s));
}

}  // namespace
}  // namespace strevo
