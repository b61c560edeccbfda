#include "ui/commands/input.h"

#include <algorithm>
#include <cmath>

namespace strevo {

namespace {

using enum CommandId;
constexpr int kNone = 0;

constexpr Command Of(CommandId id, int amount = 0) { return {id, amount, 0}; }

// clang-format off
constexpr KeyBinding kKeys[] = {
    {vk::kUp,       kNone,     Of(StepUp)},
    {vk::kDown,     kNone,     Of(StepDown)},
    {vk::kReturn,   kNone,     Of(Enter)},
    {vk::kReturn,   kModShift, Of(EnterBack)},
    {vk::kReturn,   kModAlt,   Of(FullScreen)},
    {'F',           kNone,     Of(FullScreen)},
    {vk::kLeft,     kNone,     Of(ChannelPrevious)},
    {vk::kComma,    kModShift, Of(ChannelPrevious)},
    {vk::kRight,    kNone,     Of(ChannelNext)},
    {vk::kPeriod,   kModShift, Of(ChannelNext)},
    {vk::kLeft,     kModCtrl,  Of(Slower)},
    {vk::kRight,    kModCtrl,  Of(Faster)},
    {vk::kBack,     kNone,     Of(ChannelLastWatched)},
    {vk::kSlash,    kNone,     Of(ShowOsd)},
    {'L',           kNone,     Of(ChannelList)},
    {vk::kSpace,    kNone,     Of(PlayPause)},
    {vk::kF2,       kNone,     Of(Record)},
    {vk::kF3,       kNone,     Of(ListBackgroundRecord)},
    {vk::kF4,       kNone,     Of(Snapshot)},
    {'X',           kModAlt,   Of(Exit)},
    {'H',           kNone,     Of(VideoWindow)},
    {vk::kEscape,   kNone,     Of(ControlPanel)},
    {'G',           kNone,     Of(Guide)},
    {'G',           kModShift, Of(GuideAll)},
    {vk::kAdd,      kNone,     Of(ZoomIn, 1)},
    {vk::kAdd,      kModShift, Of(ZoomIn, 10)},
    {vk::kSubtract, kNone,     Of(ZoomOut, 1)},
    {vk::kSubtract, kModShift, Of(ZoomOut, 10)},
    {vk::kMultiply, kNone,     Of(ZoomReset)},
    {'P',           kModCtrl,  Of(Settings)},
    {'M',           kNone,     Of(Mute)},
    {'O',           kModCtrl,  Of(Open)},
    {'S',           kModCtrl,  Of(Stop)},
};

// Codes of one notch: up 20, down 76; + 2 right button held, + 4 Shift, + 8 Ctrl.
constexpr WheelBinding kWheel[] = {
    {20, Of(VolumeUp)},    {76, Of(VolumeDown)},
    {22, Of(ChannelNext)}, {28, Of(ChannelNext)},
    {78, Of(ChannelPrevious)}, {84, Of(ChannelPrevious)},
    {24, Of(VideoLarger)}, {80, Of(VideoSmaller)},
};

constexpr MouseBinding kMouse[] = {
    {MouseAction::Left,        Of(WindowDrag)},
    {MouseAction::DoubleClick, Of(FullScreen)},
    {MouseAction::Right,       Of(Menu)},
    {MouseAction::Middle,      Of(Mute)},
    {MouseAction::PanelLeft,   Of(PanelDrag)},
    {MouseAction::TrayLeft,    Of(Restore)},
    {MouseAction::TrayMiddle,  Of(Mute)},
    {MouseAction::TrayRight,   Of(Menu)},
};

constexpr StripZone kStrip[] = {
    {15, 30, Of(Play)},             {70, 95, Of(Stop)},
    {130, 160, Of(Record)},         {190, 220, Of(ChannelPrevious)},
    {255, 285, Of(ChannelNext)},    {315, 345, Of(ChannelList)},
    {375, 407, Of(ShowOsd)},        {435, 470, Of(Mute)},
    {503, 527, Of(ZoomIn, 1)},      {565, 589, Of(ZoomOut, 1)},
};
// clang-format on

int Round(double x) { return static_cast<int>(std::lround(x)); }

}  // namespace

int ModifierFlags(bool shift, bool ctrl, bool alt) {
  return (shift ? kModShift : 0) | (ctrl ? kModCtrl : 0) | (alt ? kModAlt : 0);
}

std::span<const KeyBinding> KeyBindings() { return kKeys; }

Command KeyCommand(int key, int modifiers) {
  for (const KeyBinding& k : kKeys)
    if (k.key == key && k.modifiers == modifiers) return k.command;
  return {};
}

std::string KeyName(int key, int modifiers) {
  std::string name;
  if (modifiers & kModCtrl) name += "Ctrl+";
  if (modifiers & kModAlt) name += "Alt+";
  if (modifiers & kModShift) name += "Shift+";
  switch (key) {
    case vk::kBack: return name + "Backspace";
    case vk::kReturn: return name + "Enter";
    case vk::kEscape: return name + "Esc";
    case vk::kSpace: return name + "Space";
    case vk::kLeft: return name + "Left";
    case vk::kUp: return name + "Up";
    case vk::kRight: return name + "Right";
    case vk::kDown: return name + "Down";
    case vk::kMultiply: return name + "Num *";
    case vk::kAdd: return name + "Num +";
    case vk::kSubtract: return name + "Num -";
    case vk::kF2: return name + "F2";
    case vk::kF3: return name + "F3";
    case vk::kF4: return name + "F4";
    case vk::kComma: return name + ",";
    case vk::kPeriod: return name + ".";
    case vk::kSlash: return name + "/";
  }
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return name + static_cast<char>(key);
  return name + "key " + std::to_string(key);
}

int WheelCode(std::uint32_t wParam) { return static_cast<int>(wParam % 100); }

Command WheelCommand(int code, bool overList) {
  if (overList && code == 20) return Of(ScrollUp);
  if (overList && code == 76) return Of(ScrollDown);
  for (const WheelBinding& w : kWheel)
    if (w.code == code) return w.command;
  return {};
}

std::span<const WheelBinding> WheelBindings() { return kWheel; }

std::span<const MouseBinding> MouseBindings() { return kMouse; }

Command MouseCommand(MouseAction action) {
  for (const MouseBinding& m : kMouse)
    if (m.action == action) return m.command;
  return {};
}

std::span<const StripZone> StripZones() { return kStrip; }

Command StripCommand(int x, int fontPixels) {
  for (const StripZone& z : kStrip)
    if (Round(z.from * fontPixels / 40.0) <= x && x <= Round(z.to * fontPixels / 40.0)) return z.command;
  return {};
}

int StripZoneMiddle(const StripZone& zone, int fontPixels) { return Round((zone.from + zone.to) * fontPixels / 80.0); }

int StripWidth(int fontPixels) { return Round(600 * fontPixels / 40.0); }

int NextRegulator(int current, int step) {
  return ((current + step) % kRegulatorCount + kRegulatorCount) % kRegulatorCount;
}

int RegulatorStep(int top) { return top / 100; }

int ClampZoom(int zoom) { return std::clamp(zoom, 0, kZoomMax); }

Box ZoomedPicture(int width, int height, int zoom) {
  const double z = ClampZoom(zoom) / 100.0;
  return {-Round(width * z), -Round(height * z), width + Round(2 * width * z), height + Round(2 * height * z)};
}

Box ScaledVideoClient(Box client, bool larger, Box workArea) {
  const double factor = larger ? 1.1 : 0.9;
  const int sign = larger ? -1 : 1;
  Box out;
  out.width = Round(client.width * factor);
  out.height = Round(client.height * factor);
  out.left = client.left + sign * Round(out.width * 0.05);
  out.top = client.top + sign * Round(out.height * 0.05);
  // Back inside the work area when an edge left it.
  out.left = std::clamp(out.left, workArea.left, std::max(workArea.left, workArea.left + workArea.width - 1));
  out.top = std::clamp(out.top, workArea.top, std::max(workArea.top, workArea.top + workArea.height - 1));
  return out;
}

PointerShape PointerShapeAt(int x, int y, int width, int height, bool fullScreen, bool docked) {
  if (fullScreen || docked) return PointerShape::Arrow;
  constexpr int kNear = 5;
  const bool left = x <= kNear, right = x >= width - 1 - kNear;
  const bool top = y <= kNear, bottom = y >= height - 1 - kNear;
  if ((left && top) || (right && bottom)) return PointerShape::NorthWestSouthEast;
  if ((right && top) || (left && bottom)) return PointerShape::NorthEastSouthWest;
  return PointerShape::Arrow;
}

int ResizeEdge(PointerShape shape, bool lowerHalf) {
  // WMSZ_TOPLEFT 4, WMSZ_TOPRIGHT 5, WMSZ_BOTTOMLEFT 7, WMSZ_BOTTOMRIGHT 8.
  switch (shape) {
    case PointerShape::NorthWestSouthEast: return lowerHalf ? 8 : 4;
    case PointerShape::NorthEastSouthWest: return lowerHalf ? 7 : 5;
    case PointerShape::Arrow: break;
  }
  return 0;
}

int VerticalBarValue(int top, int y, int height) {
  if (height <= 2 || top <= 0) return 0;
  const long long value = top - static_cast<long long>(top) * (y + 1) / (height - 2);
  return static_cast<int>(std::clamp<long long>(value, 0, top));
}

int HorizontalBarValue(int top, int x, int width) {
  // A bar too narrow for the formula has no position to choose.
  if (width <= 2 || top <= 0) return 0;
  const long long value = static_cast<long long>(top) * (x + 1) / (width - 2);
  return static_cast<int>(std::clamp<long long>(value, 0, top));
}

}  // namespace strevo
