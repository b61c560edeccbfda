#include "ui/video/overlay_layout.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(OverlayLayout, OsdFontFollowsThePictureWidth) {
  EXPECT_EQ(LayOutOverlays(720, 576, 0, false, 240).osdFont, 23);
  EXPECT_EQ(LayOutOverlays(1440, 1080, 0, false, 240).osdFont, 46);
  // The borders and a shown channel list narrow the picture: 960 - 3 * 0 - 240 = 720.
  EXPECT_EQ(LayOutOverlays(960, 576, 0, true, 240).osdFont, 23);
  EXPECT_EQ(LayOutOverlays(724, 576, 2, false, 240).pictureWidth, 720);
  EXPECT_EQ(LayOutOverlays(966, 576, 2, true, 240).pictureWidth, 720);
  EXPECT_EQ(LayOutOverlays(966, 580, 2, true, 240).pictureHeight, 576);
  // The window at its start size: a font that fits the recording line.
  EXPECT_EQ(LayOutOverlays(352, 254, 0, false, 240).osdFont, 11);
}

TEST(OverlayLayout, OsdLabelSitsAtTheBottomAndHoldsEveryLine) {
  const OverlayLayout l = LayOutOverlays(720, 576, 0, false, 240);
  EXPECT_EQ(l.osd.left, 1);
  EXPECT_EQ(l.osd.width, 720);
  EXPECT_EQ(l.osd.top + l.osd.height, 576 - 1);
  // Four lines of 23 pixels: 86 would cut the fourth, the bar.
  EXPECT_GE(l.osd.height, kOsdLines * 23);
  for (int width : {100, 352, 640, 1024, 1920}) {
    const OverlayLayout o = LayOutOverlays(width, 400, 0, false, 240);
    EXPECT_GE(o.osd.height, kOsdLines * o.osdFont) << width;
    // Never much more than the lines: the OSD covers the picture.
    EXPECT_LE(o.osd.height, kOsdLines * o.osdFont + 2) << width;
  }
}

TEST(OverlayLayout, LogoAndGuideListScaleWithTheWindow) {
  const OverlayLayout l = LayOutOverlays(720, 576, 0, false, 240);
  EXPECT_EQ(l.logoFont, (720 + 576) * 160 / 1296);
  EXPECT_EQ(l.logoFont, 160);
  EXPECT_EQ(l.logoLabelHeight, 210);
  EXPECT_EQ(l.boxFont, 20);  // round(23 * 0.85) = round(19.55)
  EXPECT_EQ(l.boxItemHeight, 24);
  // Never below 13 pixels in a small window.
  EXPECT_EQ(LayOutOverlays(200, 150, 0, false, 240).boxFont, 13);
  // A window narrower than its channel list has no picture area, not a negative one.
  EXPECT_EQ(LayOutOverlays(100, 100, 2, true, 240).pictureWidth, 0);
}

TEST(OverlayLayout, ControlStripShowsOnlyNearItAndNeverWithTheCursorHidden) {
  const OverlayRect strip = StripPlacement(400, 300, 200, 30);
  EXPECT_EQ(strip, (OverlayRect{100, 270, 200, 30}));
  EXPECT_TRUE(ControlStripWanted(false, 150, 280, strip, 300, 0));
  EXPECT_TRUE(ControlStripWanted(false, 90, 260, strip, 300, 0));   // corner of the 10-pixel margin
  EXPECT_FALSE(ControlStripWanted(false, 89, 280, strip, 300, 0));
  EXPECT_FALSE(ControlStripWanted(false, 311, 280, strip, 300, 0));
  EXPECT_FALSE(ControlStripWanted(false, 150, 259, strip, 300, 0));
  EXPECT_TRUE(ControlStripWanted(false, 150, 302, strip, 300, 2));  // on the border
  EXPECT_FALSE(ControlStripWanted(false, 150, 303, strip, 300, 2));
  EXPECT_FALSE(ControlStripWanted(true, 150, 280, strip, 300, 0));
}

TEST(OverlayLayout, StackingFollowsTheOnTopItemsAndTheState) {
  // maximised, docked, videoOnTop, fullScreenOnTop, panelOnTop
  EXPECT_EQ(StackingOf(false, false, true, false, false), (Stacking{true, false}));
  EXPECT_EQ(StackingOf(false, true, true, false, false), (Stacking{false, false}));  // docked: the panel decides
  EXPECT_EQ(StackingOf(false, true, false, false, true), (Stacking{true, true}));
  EXPECT_EQ(StackingOf(true, false, true, false, false), (Stacking{false, false}));  // full screen: its own item
  EXPECT_EQ(StackingOf(true, false, false, true, false), (Stacking{true, false}));
  EXPECT_EQ(StackingOf(false, false, false, true, false), (Stacking{false, false}));
  EXPECT_EQ(StackingOf(false, false, false, false, true), (Stacking{false, true}));
  // Full screen from the docked state: the panel does not cover the picture.
  EXPECT_EQ(StackingOf(true, true, false, true, true), (Stacking{true, false}));
}

TEST(OverlayLayout, StatusRules) {
  EXPECT_FALSE(ScreenSaverAllowed(true, true));
  EXPECT_TRUE(ScreenSaverAllowed(true, false));
  EXPECT_TRUE(ScreenSaverAllowed(false, true));
  EXPECT_TRUE(EmptyScreenShown(false, false));
  EXPECT_FALSE(EmptyScreenShown(true, false));
  EXPECT_TRUE(EmptyScreenShown(true, true));
  EXPECT_EQ(TimeShiftLabel(-3), "+3 hr.");
  EXPECT_EQ(TimeShiftLabel(2), "-2 hr.");
  EXPECT_EQ(TimeShiftLabel(0), "0 hr.");
  EXPECT_EQ(ChannelCaptionText("Первый", "udp://@239.1.1.1:1234"), "Первый (udp://@239.1.1.1:1234)");
}

}  // namespace
}  // namespace strevo
