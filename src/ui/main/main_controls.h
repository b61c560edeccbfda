// Control ids of the main window (WM_COMMAND), shared by the window that
// creates the controls and the command table that binds them.
#pragma once

namespace strevo {

enum MainControlId : int {
  kBtnMenu = 2001, kBtnDock, kBtnOnTop, kBtnMinimise, kBtnClose,
  kBtnPlay, kBtnPause, kBtnStop, kBtnRecord, kBtnChannelBack, kBtnChannelForward, kBtnChannelChoice,
  kBtnChannelList, kBtnOpen, kBtnGuide, kBtnSnapshot, kBtnFullScreen, kBtnSeekBack, kBtnSeekForward,
  kBtnSlower, kBtnFaster, kBtnVolumeUp, kBtnVolumeDown, kBtnMute, kBtnSettings,
  kLblCurrentChannel = 2100, kCbChannelSelector, kPbVolume, kPbPosition, kLblTime, kEbHotkey, kPbTransfer,
  kLblCaption1, kLblCaption2, kLblVersion, kLblMuteSign, kLblGrip,
};

}  // namespace strevo
