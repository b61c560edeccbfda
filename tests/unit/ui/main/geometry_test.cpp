#include "ui/main/geometry.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

// The main window's own numbers: bars 22 and 48 high, borders of 2.
constexpr int kTop = 22, kBottom = 48, kBorder = 2;

TEST(Geometry, CollapsedPanelIsBothBarsAndThreeBorders) {
  EXPECT_EQ(CollapsedClientHeight(kTop, kBottom, kBorder), 76);
  EXPECT_EQ(CollapsedClientHeight(kTop, kBottom, 0), 70);
  EXPECT_EQ(CollapsedClientHeight(30, 60, 5), 105);
}

TEST(Geometry, DockedPanelHoldsTheVideoUnderTheBars) {
  // A one-pixel frame on each side, no minimum width: the video decides.
  EXPECT_EQ(DockedClientSize({360, 288}, kBorder, kTop, kBottom, 0, 2), (Extent{364, 365}));
  EXPECT_EQ(DockedClientSize({720, 576}, kBorder, kTop, kBottom, 0, 2), (Extent{724, 653}));
  // A narrow video: the panel's minimum outer width, less its frame.
  EXPECT_EQ(DockedClientSize({160, 120}, kBorder, kTop, kBottom, 400, 8), (Extent{392, 197}));
  EXPECT_EQ(DockedClientSize({392, 120}, kBorder, kTop, kBottom, 400, 8).width, 396);
}

// The panel's one-pixel border on each side, as its window style gives it.
constexpr Extent kPanelFrame{2, 2};

TEST(Geometry, DockingMovesThePanelUpOverTheVideoAndHoldsItUnderTheTopBar) {
  const DockedPlacement d = DockedPanelPlacement({100, 400}, {360, 288}, kPanelFrame, kBorder, kTop, kBottom, 0);
  // Up by the video, the top bar and two borders; left by one border.
  EXPECT_EQ(d.position, (Point{98, 86}));
  EXPECT_EQ(d.outer, (Extent{366, 367}));
  EXPECT_EQ(d.videoArea, (Point{2, 24}));
  EXPECT_EQ(d.videoAreaSize, (Extent{360, 288}));
  // Left of and above the primary screen the same rule holds.
  const DockedPlacement off = DockedPanelPlacement({-1500, 10}, {720, 576}, kPanelFrame, kBorder, kTop, kBottom, 0);
  EXPECT_EQ(off.position, (Point{-1502, -592}));
  EXPECT_EQ(off.outer, (Extent{726, 655}));
}

TEST(Geometry, DockedPanelKeepsItsMinimumHeightAndWidth) {
  EXPECT_EQ(kDockedMinOuterHeight, 240);
  // Bars, borders, the extra pixel and the frame are 79: a 161-high video
  // just reaches the minimum, a lower one is given it.
  EXPECT_EQ(DockedPanelPlacement({0, 500}, {300, 162}, kPanelFrame, kBorder, kTop, kBottom, 0).outer.height, 241);
  EXPECT_EQ(DockedPanelPlacement({0, 500}, {300, 161}, kPanelFrame, kBorder, kTop, kBottom, 0).outer.height, 240);
  const DockedPlacement tiny = DockedPanelPlacement({0, 500}, {160, 120}, kPanelFrame, kBorder, kTop, kBottom, 0);
  EXPECT_EQ(tiny.outer, (Extent{166, 240}));
  // The video area keeps the video's height; only the panel grows.
  EXPECT_EQ(tiny.videoAreaSize, (Extent{160, 120}));
  // A panel minimum wider than the video: the video area takes the panel's width.
  const DockedPlacement narrow = DockedPanelPlacement({0, 500}, {160, 120}, kPanelFrame, kBorder, kTop, kBottom, 400);
  EXPECT_EQ(narrow.outer.width, 400);
  EXPECT_EQ(narrow.videoAreaSize, (Extent{394, 120}));
}

TEST(Geometry, UndockingPutsTheVideoBackAboveThePanelsFormerPlace) {
  EXPECT_EQ(UndockedVideoPosition({98, 86}, kBorder, kTop), (Point{100, 112}));
  EXPECT_EQ(UndockedVideoPosition({-10, -40}, 5, 30), (Point{-5, 0}));
  // Docked and undocked again, the video's top-left is the panel's old one
  // raised by the video: the panel then goes back directly below it.
  for (const Extent video : {Extent{360, 288}, Extent{160, 120}, Extent{1280, 720}}) {
    const Point panel{250, 700};
    const DockedPlacement d = DockedPanelPlacement(panel, video, kPanelFrame, kBorder, kTop, kBottom, 400);
    EXPECT_EQ(UndockedVideoPosition(d.position, kBorder, kTop), (Point{panel.x, panel.y - video.height}))
        << video.width << "x" << video.height;
  }
}

TEST(Geometry, OuterSizeAddsTheFrameOnEverySide) {
  EXPECT_EQ(WindowSizeForClient({kBarWidth, 76}, {1, 1, 1, 1}), (Extent{386, 78}));
  // A captioned, sizing frame as the system reports it: thicker at the top.
  EXPECT_EQ(WindowSizeForClient({520, 430}, {8, 31, 8, 8}), (Extent{536, 469}));
  EXPECT_EQ(WindowSizeForClient({0, 0}, {}), (Extent{0, 0}));
}

TEST(Geometry, BarPositionsCountFromTheRightWhenNegative) {
  EXPECT_EQ(kBarWidth, 384);
  EXPECT_EQ(BarControlX(2), 2);
  EXPECT_EQ(BarControlX(0), 0);
  EXPECT_EQ(BarControlX(-20), 364);
  EXPECT_EQ(BarControlX(-3 * (18 + 1) - 2), 325);
}

}  // namespace
}  // namespace strevo
