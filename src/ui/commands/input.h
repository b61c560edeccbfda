// The video window's input as data: which key (with exactly which modifiers),
// which wheel code, which mouse action and which zone of the control strip
// runs which command of the command table, and the arithmetic behind the
// regulators, the zoom and the wheel's resizing. The Win32 side reads the
// input, asks here, and runs the answer through the one dispatcher.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "ui/commands/commands.h"

namespace strevo {

// Modifier flags as the key handler reports them (and logs them).
inline constexpr int kModShift = 4;
inline constexpr int kModCtrl = 8;
inline constexpr int kModAlt = 32;
int ModifierFlags(bool shift, bool ctrl, bool alt);

// The virtual-key codes the table binds (the system's numbers).
namespace vk {
inline constexpr int kBack = 0x08, kReturn = 0x0D, kEscape = 0x1B, kSpace = 0x20;
inline constexpr int kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
inline constexpr int kMultiply = 0x6A, kAdd = 0x6B, kSubtract = 0x6D;
inline constexpr int kF2 = 0x71, kF3 = 0x72, kF4 = 0x73;
inline constexpr int kComma = 0xBC, kPeriod = 0xBE, kSlash = 0xBF;
}  // namespace vk

// One key of the key table: it runs `command` only with exactly `modifiers`.
struct KeyBinding {
  int key;
  int modifiers;
  Command command;
};
std::span<const KeyBinding> KeyBindings();
// The command of a key with the modifiers held; None unless they match exactly.
Command KeyCommand(int key, int modifiers);
// "Ctrl+P", "Shift+Num +", "Space" ...
std::string KeyName(int key, int modifiers);

// The wheel: the message's wParam read as an unsigned 32-bit number, modulo
// 100. One notch up gives 20, down 76; the right button adds 2, Shift 4 and
// Ctrl 8. Two notches in one message give 40 and run nothing.
int WheelCode(std::uint32_t wParam);
// The command of a wheel code; `overList` when the pointer is over the shown
// guide list or channel list, whose lines the plain wheel then scrolls.
Command WheelCommand(int code, bool overList);
struct WheelBinding {
  int code;
  Command command;
};
std::span<const WheelBinding> WheelBindings();

// Mouse actions on the video picture, the panel and the tray icon.
enum class MouseAction { Left, DoubleClick, Right, Middle, PanelLeft, TrayLeft, TrayMiddle, TrayRight };
struct MouseBinding {
  MouseAction action;
  Command command;
};
std::span<const MouseBinding> MouseBindings();
Command MouseCommand(MouseAction action);

// The control strip lbControls: zones in fortieths of its font's pixel
// height `fontPixels`, from the label's left edge.
struct StripZone {
  int from, to;
  Command command;
};
std::span<const StripZone> StripZones();
// The command of a press at `x`; None between the zones.
Command StripCommand(int x, int fontPixels);
// Where the strip draws the glyph of each zone (its middle), and how wide the
// strip is: just past its last zone. Drawn by these, the glyphs sit on their
// zones whatever the font's own spacing.
int StripZoneMiddle(const StripZone& zone, int fontPixels);
int StripWidth(int fontPixels);

// Regulators: 0 volume, 1 contrast, 2 brightness, 3 hue, 4 saturation,
// 5 gamma, 6 zoom.
inline constexpr int kRegulatorVolume = 0;
inline constexpr int kRegulatorZoom = 6;
inline constexpr int kRegulatorCount = 7;
// The next (`step` 1) or previous (`step` -1) regulator, wrapping.
int NextRegulator(int current, int step);
// One key step of a picture regulator whose range tops at `top`: a hundredth of it.
int RegulatorStep(int top);

inline constexpr int kZoomMax = 100;
int ClampZoom(int zoom);

struct Box {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Box&) const = default;
};
// The picture of a `width` x `height` area enlarged by `zoom` per cent on
// every side; the window crops it.
Box ZoomedPicture(int width, int height, int zoom);
// The video window one wheel step larger or smaller: `client` is its client
// area on the screen; the result is the new one, its left and top kept
// inside `workArea`.
Box ScaledVideoClient(Box client, bool larger, Box workArea);

// The pointer over the video window (not full screen, not docked): near a
// corner it offers a resize.
enum class PointerShape { Arrow, NorthWestSouthEast, NorthEastSouthWest };
PointerShape PointerShapeAt(int x, int y, int width, int height, bool fullScreen, bool docked);
// The system's sizing edge (WMSZ_) a left press with `shape` starts from.
int ResizeEdge(PointerShape shape, bool lowerHalf);

// A press or release at `x` pixels from the left edge of a horizontal bar
// `width` pixels wide whose range tops at `top` (the volume and position
// bars): top x (x + 1) / (width - 2), kept within 0..top, since a captured
// drag runs past either end.
int HorizontalBarValue(int top, int x, int width);
// A picture slider's value at a press `y` pixels from its top edge, the top
// of the bar being the maximum: top - top * (y + 1) / (height - 2), within 0..top.
int VerticalBarValue(int top, int y, int height);

// The printed key table: keys, then the mouse's actions, as Markdown rows.
std::string InputTableMarkdown();

}  // namespace strevo
