// The names of the player's commands: every action a button, a menu item,
// a key, the mouse, the tray icon or a posted player command can trigger.
// commands.h gives each its rules and argument; the menus name theirs.
#pragma once

namespace strevo {

enum class CommandId : int {
  None,
  // Video window and its placement.
  FullScreen,
  MiniWindow,
  DesktopMode,
  VideoOnTop,            // the first "Поверх всех окон": on top while not full screen
  VideoOnTopFullScreen,  // the second: on top while full screen
  ChannelList,           // show or hide lstPlaylist
  ControlPanel,          // show or hide the main window
  VideoWindow,           // show or hide frmVideo
  VideoSize,             // argument: width x height
  // Playback.
  Play,
  Pause,
  PlayPause,
  Stop,
  Record,
  Snapshot,
  SeekBack,
  SeekForward,
  PositionSet,  // argument: the second to seek to
  Slower,
  Faster,
  VolumeUp,
  VolumeDown,
  VolumeSet,  // argument: the volume bar's position
  Mute,
  // Channels.
  ChannelNext,         // next in list order, wrapping
  ChannelPrevious,     // previous in list order, wrapping
  ChannelLastWatched,  // back to the channel watched before the current one
  ChannelSelect,       // argument: the channel selector's index
  ChannelChoose,       // open the channel selector over its label
  Open,                // the "Файл или поток" entry
  // Guide.
  GuideCurrent,
  GuideAll,
  ShowOsd,
  ExportHtml,
  UpdateGuide,
  UpdateChannels,
  // Windows and the application.
  Scheduler,
  Browser,
  Settings,      // "Канал" page, settings window shown or hidden
  SettingsShow,  // "Канал" page, settings window shown
  Menu,          // argument: the screen point where the main menu opens
  Dock,          // dock or undock the video
  PanelOnTop,    // the control panel's on-top toggle
  Minimise,
  ToTray,
  Restore,  // both windows shown and brought to the front (tray icon)
  Standby,
  Exit,
  // lstPlaylist and its context menu; they act on the entry selected there.
  ListPlay,
  ListMenu,  // argument: the screen point where the channel-list menu opens
  ListGuide,
  ListBackgroundRecord,
  ChannelTest,
  // The video window's keys, wheel and mouse (ui/input.h binds them).
  StepUp,         // the guide list, the channel list or the current regulator one step up
  StepDown,
  Enter,          // the guide list, the channel list, or the next regulator
  EnterBack,      // the same, or the previous regulator
  ZoomIn,         // argument: the step
  ZoomOut,        // argument: the step
  ZoomReset,
  Guide,          // the guide of the channel selected in lstPlaylist, else as GuideCurrent
  ScrollUp,       // the list under the pointer, one line
  ScrollDown,
  VideoLarger,    // frmVideo 10 % larger
  VideoSmaller,   // frmVideo 10 % smaller
  WindowDrag,     // move the video (or, docked, the panel) with the pointer
  WindowResize,   // argument: the sizing edge the pointer's corner starts from
  PanelDrag,      // move the panel with the pointer
  Count
};

}  // namespace strevo
