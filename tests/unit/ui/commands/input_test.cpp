#include "ui/commands/input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace strevo {
namespace {

using enum CommandId;

constexpr std::uint32_t kRightButton = 0x0002, kShiftFlag = 0x0004, kCtrlFlag = 0x0008;

// wParam of a wheel message: the distance in the high word, the flags in the low.
std::uint32_t Wheel(int distance, std::uint32_t flags = 0) {
  return (static_cast<std::uint32_t>(static_cast<std::uint16_t>(distance)) << 16) | flags;
}

TEST(KeyTable, AKeyRunsOnlyWithExactlyItsModifiers) {
  EXPECT_EQ(KeyCommand('P', kModCtrl).id, Settings);
  EXPECT_EQ(KeyCommand('P', kModCtrl | kModShift).id, None);
  EXPECT_EQ(KeyCommand('P', 0).id, None);
  EXPECT_EQ(KeyCommand('X', kModAlt).id, Exit);
  EXPECT_EQ(KeyCommand('X', kModAlt | kModCtrl).id, None);
  EXPECT_EQ(KeyCommand('X', 0).id, None);
  EXPECT_EQ(KeyCommand(vk::kReturn, 0).id, Enter);
  EXPECT_EQ(KeyCommand(vk::kReturn, kModShift).id, EnterBack);
  EXPECT_EQ(KeyCommand(vk::kReturn, kModAlt).id, FullScreen);
  EXPECT_EQ(KeyCommand(vk::kReturn, kModCtrl).id, None);
  EXPECT_EQ(KeyCommand(vk::kLeft, 0).id, ChannelPrevious);
  EXPECT_EQ(KeyCommand(vk::kLeft, kModCtrl).id, Slower);
  EXPECT_EQ(KeyCommand(vk::kLeft, kModShift).id, None);
  EXPECT_EQ(KeyCommand(vk::kComma, kModShift).id, ChannelPrevious);
  EXPECT_EQ(KeyCommand(vk::kComma, 0).id, None);
  EXPECT_EQ(KeyCommand(vk::kPeriod, kModShift).id, ChannelNext);
  EXPECT_EQ(KeyCommand('G', 0).id, Guide);
  EXPECT_EQ(KeyCommand('G', kModShift).id, GuideAll);
  EXPECT_EQ(KeyCommand(vk::kF3, 0).id, ListBackgroundRecord);
  EXPECT_EQ(KeyCommand(vk::kF3, kModShift).id, None);
  EXPECT_EQ(KeyCommand(vk::kAdd, 0), Command::By(ZoomIn, 1));
  EXPECT_EQ(KeyCommand(vk::kAdd, kModShift), Command::By(ZoomIn, 10));
  EXPECT_EQ(KeyCommand(vk::kSubtract, kModShift), Command::By(ZoomOut, 10));
  EXPECT_EQ(KeyCommand(vk::kMultiply, kModShift).id, None);
  EXPECT_EQ(ModifierFlags(true, true, false), kModShift | kModCtrl);
  EXPECT_EQ(ModifierFlags(false, false, true), 32);
}

TEST(KeyTable, EachKeyAndModifierPairIsBoundOnceAndRunsARealCommand) {
  std::set<std::pair<int, int>> seen;
  for (const KeyBinding& k : KeyBindings()) {
    EXPECT_TRUE(seen.insert({k.key, k.modifiers}).second) << KeyName(k.key, k.modifiers);
    EXPECT_NE(k.command.id, None) << KeyName(k.key, k.modifiers);
    EXPECT_EQ(KeyCommand(k.key, k.modifiers), k.command);
    // Only the three flags a key can be held with.
    EXPECT_EQ(k.modifiers & ~(kModShift | kModCtrl | kModAlt), 0);
  }
  EXPECT_EQ(KeyName('P', kModCtrl), "Ctrl+P");
  EXPECT_EQ(KeyName(vk::kAdd, kModShift), "Shift+Num +");
  EXPECT_EQ(KeyName(vk::kComma, kModShift), "Shift+,");
}

TEST(Wheel, CodesOfOneNotchWithEachModifier) {
  EXPECT_EQ(WheelCode(Wheel(120)), 20);
  EXPECT_EQ(WheelCode(Wheel(-120)), 76);
  EXPECT_EQ(WheelCode(Wheel(120, kRightButton)), 22);
  EXPECT_EQ(WheelCode(Wheel(120, kShiftFlag)), 24);
  EXPECT_EQ(WheelCode(Wheel(120, kCtrlFlag)), 28);
  EXPECT_EQ(WheelCode(Wheel(-120, kRightButton)), 78);
  EXPECT_EQ(WheelCode(Wheel(-120, kShiftFlag)), 80);
  EXPECT_EQ(WheelCode(Wheel(-120, kCtrlFlag)), 84);

  EXPECT_EQ(WheelCommand(20, false).id, VolumeUp);
  EXPECT_EQ(WheelCommand(76, false).id, VolumeDown);
  EXPECT_EQ(WheelCommand(22, false).id, ChannelNext);
  EXPECT_EQ(WheelCommand(28, false).id, ChannelNext);
  EXPECT_EQ(WheelCommand(78, false).id, ChannelPrevious);
  EXPECT_EQ(WheelCommand(84, false).id, ChannelPrevious);
  EXPECT_EQ(WheelCommand(24, false).id, VideoLarger);
  EXPECT_EQ(WheelCommand(80, false).id, VideoSmaller);
  // Over a shown list the plain wheel scrolls it; the others act as anywhere.
  EXPECT_EQ(WheelCommand(20, true).id, ScrollUp);
  EXPECT_EQ(WheelCommand(76, true).id, ScrollDown);
  EXPECT_EQ(WheelCommand(22, true).id, ChannelNext);
}

TEST(Wheel, TwoNotchesInOneMessageAndOtherCodesDoNothing) {
  EXPECT_EQ(WheelCode(Wheel(240)), 40);
  EXPECT_EQ(WheelCommand(WheelCode(Wheel(240)), false).id, None);
  EXPECT_EQ(WheelCommand(WheelCode(Wheel(-240)), false).id, None);
  // Shift and Ctrl together.
  EXPECT_EQ(WheelCommand(WheelCode(Wheel(120, kShiftFlag | kCtrlFlag)), false).id, None);
  EXPECT_EQ(WheelCommand(WheelCode(Wheel(120, 0x0001)), false).id, None);  // the left button held
}

TEST(Regulators, EnterCyclesThroughSevenAndKeysStepAHundredth) {
  EXPECT_EQ(NextRegulator(0, 1), 1);
  EXPECT_EQ(NextRegulator(6, 1), 0);
  EXPECT_EQ(NextRegulator(0, -1), 6);
  EXPECT_EQ(NextRegulator(3, -1), 2);
  EXPECT_EQ(RegulatorStep(200), 2);   // contrast, brightness
  EXPECT_EQ(RegulatorStep(360), 3);   // hue
  EXPECT_EQ(RegulatorStep(300), 3);   // saturation
  EXPECT_EQ(RegulatorStep(1000), 10); // gamma
}

TEST(Zoom, StaysWithinZeroToHundredAndEnlargesEverySide) {
  EXPECT_EQ(ClampZoom(98 + 10), 100);
  EXPECT_EQ(ClampZoom(5 - 10), 0);
  EXPECT_EQ(ClampZoom(42), 42);
  EXPECT_EQ(ZoomedPicture(400, 300, 0), (Box{0, 0, 400, 300}));
  EXPECT_EQ(ZoomedPicture(400, 300, 10), (Box{-40, -30, 480, 360}));
  EXPECT_EQ(ZoomedPicture(333, 250, 5), (Box{-17, -13, 366, 275}));
  EXPECT_EQ(ZoomedPicture(360, 288, 100), (Box{-360, -288, 1080, 864}));
  // 355 x 7 % = 24.85: rounded, and the size grows by twice the rounded share.
  EXPECT_EQ(ZoomedPicture(355, 201, 7), (Box{-25, -14, 405, 229}));
}

TEST(VerticalBars, ThePictureSlidersHaveTheirMaximumAtTheTop) {
  // The contrast slider, 190 pixels high, range 0..200.
  EXPECT_EQ(VerticalBarValue(200, 0, 190), 199);
  EXPECT_EQ(VerticalBarValue(200, 93, 190), 100);
  EXPECT_EQ(VerticalBarValue(200, 187, 190), 0);
  EXPECT_EQ(VerticalBarValue(200, 400, 190), 0);
  EXPECT_EQ(VerticalBarValue(1000, -5, 190), 1000);
  EXPECT_EQ(VerticalBarValue(200, 0, 2), 0);
}

TEST(HorizontalBars, APressSetsTopTimesXPlusOneOverWidthLessTwoWithinTheRange) {
  // The panel's 60-pixel volume bar, range 0..100.
  EXPECT_EQ(HorizontalBarValue(100, 0, 60), 1);
  EXPECT_EQ(HorizontalBarValue(100, 28, 60), 50);
  EXPECT_EQ(HorizontalBarValue(100, 57, 60), 100);
  // Not x x 100 / width, which gives 48 here.
  EXPECT_EQ(HorizontalBarValue(100, 29, 60), 51);
  // A drag held past either end stays at the end.
  EXPECT_EQ(HorizontalBarValue(100, 59, 60), 100);
  EXPECT_EQ(HorizontalBarValue(100, 400, 60), 100);
  EXPECT_EQ(HorizontalBarValue(100, -5, 60), 0);
  // A 90-minute file on a 300-pixel position bar: the middle is 45 minutes and 18 s.
  EXPECT_EQ(HorizontalBarValue(5400, 149, 300), 2718);
  // No long-file overflow: 24 hours on a 2000-pixel bar.
  EXPECT_EQ(HorizontalBarValue(86400, 1997, 2000), 86400);
  // A bar with no width, or a range of nothing, gives 0 rather than a division by zero.
  EXPECT_EQ(HorizontalBarValue(100, 0, 2), 0);
  EXPECT_EQ(HorizontalBarValue(100, 0, 0), 0);
  EXPECT_EQ(HorizontalBarValue(0, 10, 60), 0);
}

TEST(ControlStrip, ZonesScaleWithTheFontAndGapsHitNothing) {
  EXPECT_EQ(StripCommand(15, 40).id, Play);
  EXPECT_EQ(StripCommand(30, 40).id, Play);
  EXPECT_EQ(StripCommand(31, 40).id, None);
  EXPECT_EQ(StripCommand(14, 40).id, None);
  EXPECT_EQ(StripCommand(589, 40), Command::By(ZoomOut, 1));
  EXPECT_EQ(StripCommand(590, 40).id, None);
  // At 23 pixels the play zone is round(8.625) = 9 .. round(17.25) = 17.
  EXPECT_EQ(StripCommand(8, 23).id, None);
  EXPECT_EQ(StripCommand(9, 23).id, Play);
  EXPECT_EQ(StripCommand(17, 23).id, Play);
  EXPECT_EQ(StripCommand(18, 23).id, None);
  EXPECT_EQ(StripCommand(250, 23).id, Mute);      // 435..470 -> 250..270
  EXPECT_EQ(StripCommand(294, 23), Command::By(ZoomIn, 1));  // 503..527 -> 289..303
  EXPECT_EQ(StripCommand(190, 23).id, ChannelList);  // 315..345 -> 181..198
  EXPECT_EQ(StripCommand(200, 23).id, None);
}

TEST(ControlStrip, EachGlyphIsDrawnInsideItsOwnZoneAndTheStripHoldsThemAll) {
  for (int s : {8, 11, 23, 40, 46}) {
    for (const StripZone& z : StripZones()) {
      const int middle = StripZoneMiddle(z, s);
      EXPECT_EQ(StripCommand(middle, s), z.command) << "font " << s << ", zone " << z.from;
    }
    EXPECT_GT(StripWidth(s), static_cast<int>(std::lround(589 * s / 40.0))) << s;
  }
  EXPECT_EQ(StripWidth(23), 345);
}

TEST(VideoWindowWheelSize, TenPerCentEitherWayAndBackInsideTheWorkArea) {
  const Box work{0, 0, 1280, 1000};
  EXPECT_EQ(ScaledVideoClient({100, 100, 360, 288}, true, work), (Box{80, 84, 396, 317}));
  EXPECT_EQ(ScaledVideoClient({100, 100, 360, 288}, false, work), (Box{116, 113, 324, 259}));
  EXPECT_EQ(ScaledVideoClient({5, 3, 360, 288}, true, work), (Box{0, 0, 396, 317}));
  EXPECT_EQ(ScaledVideoClient({1279, 999, 360, 288}, false, work), (Box{1279, 999, 324, 259}));
  EXPECT_EQ(ScaledVideoClient({-300, 50, 360, 288}, false, {-100, 20, 800, 600}), (Box{-100, 63, 324, 259}));
}

TEST(VideoPointer, CornersOfferAResizeFromTheNearerCorner) {
  EXPECT_EQ(PointerShapeAt(2, 3, 360, 288, false, false), PointerShape::NorthWestSouthEast);
  EXPECT_EQ(PointerShapeAt(356, 284, 360, 288, false, false), PointerShape::NorthWestSouthEast);
  EXPECT_EQ(PointerShapeAt(356, 2, 360, 288, false, false), PointerShape::NorthEastSouthWest);
  EXPECT_EQ(PointerShapeAt(0, 287, 360, 288, false, false), PointerShape::NorthEastSouthWest);
  EXPECT_EQ(PointerShapeAt(180, 2, 360, 288, false, false), PointerShape::Arrow);
  EXPECT_EQ(PointerShapeAt(6, 6, 360, 288, false, false), PointerShape::Arrow);
  EXPECT_EQ(PointerShapeAt(2, 3, 360, 288, true, false), PointerShape::Arrow);
  EXPECT_EQ(PointerShapeAt(2, 3, 360, 288, false, true), PointerShape::Arrow);
  EXPECT_EQ(ResizeEdge(PointerShape::NorthWestSouthEast, true), 8);
  EXPECT_EQ(ResizeEdge(PointerShape::NorthWestSouthEast, false), 4);
  EXPECT_EQ(ResizeEdge(PointerShape::NorthEastSouthWest, true), 7);
  EXPECT_EQ(ResizeEdge(PointerShape::NorthEastSouthWest, false), 5);
  EXPECT_EQ(ResizeEdge(PointerShape::Arrow, true), 0);
}

TEST(InputTable, ListsEveryBindingWithItsCommandsTextForm) {
  const std::string table = InputTableMarkdown();
  for (const KeyBinding& k : KeyBindings())
    EXPECT_NE(table.find("| " + KeyName(k.key, k.modifiers) + " | `" + FormatCommand(k.command) + "` |"),
              std::string::npos)
        << KeyName(k.key, k.modifiers);
  EXPECT_NE(table.find("| Ctrl+P | `settings` |"), std::string::npos);
  EXPECT_NE(table.find("| Shift+Num + | `zoom-in 10` |"), std::string::npos);
  EXPECT_NE(table.find("| Ctrl+wheel up (28) | `channel-next` |"), std::string::npos);
  EXPECT_NE(table.find("| wheel down, right button held (78) | `channel-previous` |"), std::string::npos);
  EXPECT_NE(table.find("| double-click on the video | `full-screen` |"), std::string::npos);
  EXPECT_NE(table.find("| tray icon, middle button | `mute` |"), std::string::npos);
  EXPECT_NE(table.find("| right button on the video | `menu` |"), std::string::npos);
}

}  // namespace
}  // namespace strevo
