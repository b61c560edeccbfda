#include "ui/geometry.h"

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
