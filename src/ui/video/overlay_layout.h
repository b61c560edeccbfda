// The video window's overlays as numbers: where the OSD, the recording line,
// the mute sign, the control strip, the logo and the guide list go for a
// client size, and the rules the status tick decides by. The Win32 side
// only applies them.
#pragma once
#include <string>
#include <string_view>

namespace strevo {

struct OverlayRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const OverlayRect&) const = default;
};

// Lines the channel OSD shows: the channel with the clock and percentage,
// the programme, a blank line, the bar with its two times.
inline constexpr int kOsdLines = 4;

struct OverlayLayout {
  int pictureWidth = 0;   // w: the client width less the borders (and the channel list when shown)
  int pictureHeight = 0;  // h
  int osdFont = 0;        // s: the pixel (cell) height of the OSD, the recording line, the mute sign and the strip
  OverlayRect osd;        // lbcursub, at the bottom of the window
  int logoFont = 0;       // the glyph logo
  int logoLabelHeight = 0;
  int boxFont = 0;        // the guide list
  int boxItemHeight = 0;
};

// The layout of a client area of `clientWidth` x `clientHeight` with an inner
// border of `border` pixels, and the channel list of `listWidth` pixels when
// `listShown`. The OSD's font grows with the picture's width (23 pixels at
// 720, 46 at 1440); its label holds all the OSD's lines at that size.
OverlayLayout LayOutOverlays(int clientWidth, int clientHeight, int border, bool listShown, int listWidth);

// The mute sign sits right under the recording line.
inline int MuteSignTop(int recordingLineTop, int muteSignHeight) { return recordingLineTop + muteSignHeight; }

// A label of `width` centred in a panel of `panelWidth` and on its bottom edge.
OverlayRect StripPlacement(int panelWidth, int panelHeight, int width, int height);

// The control strip shows while the cursor is not hidden and the pointer (in
// the video window's client coordinates) is within 10 pixels of it.
bool ControlStripWanted(bool cursorHidden, int pointerX, int pointerY, const OverlayRect& strip, int panelHeight,
                        int border);

// Which windows stay on top of the others.
struct Stacking {
  bool video = false;
  bool panel = false;
  bool operator==(const Stacking&) const = default;
};
// `maximised` is the video window in full screen; `videoOnTop` and
// `fullScreenOnTop` the two "on top" menu items; `panelOnTop` the panel's
// on-top button.
Stacking StackingOf(bool maximised, bool docked, bool videoOnTop, bool fullScreenOnTop, bool panelOnTop);

// The system screen saver may run unless the user asked it off while
// something plays.
inline bool ScreenSaverAllowed(bool noScreenSaver, bool playing) { return !(noScreenSaver && playing); }

// The empty-screen panel covers the picture area when nothing is drawn
// there: no picture window, or the picture goes to the desktop.
inline bool EmptyScreenShown(bool pictureWindowExists, bool desktopMode) {
  return !pictureWindowExists || desktopMode;
}

// The label beside the guide's time correction: the correction is the bar's
// position negated, in whole hours, "+3 hr.", "-2 hr.", "0 hr.".
std::string TimeShiftLabel(int barPosition);

// The main window's caption label: the channel's entry and its address.
std::string ChannelCaptionText(std::string_view selectorText, std::string_view mrl);

}  // namespace strevo
