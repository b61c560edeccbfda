#include "ui/main/palette.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(Palette, MixingHalvesEachChannel) {
  EXPECT_EQ(MixRgb(kWhite, kBlack), MakeRgb(127, 127, 127));
  EXPECT_EQ(MixRgb(MakeRgb(255, 0, 3), MakeRgb(1, 255, 3)), MakeRgb(127, 127, 2));
  EXPECT_EQ(MixRgb(MakeRgb(10, 20, 30), MakeRgb(10, 20, 30)), MakeRgb(10, 20, 30));
}

// The classic grey scheme.
constexpr SystemColours kGrey{MakeRgb(192, 192, 192), MakeRgb(255, 255, 255), MakeRgb(128, 128, 128),
                              MakeRgb(0, 0, 0), MakeRgb(0, 0, 128)};

TEST(Palette, SystemPaletteIsMixedFromTheSystemColours) {
  const PaletteColours p = SystemPalette(kGrey);
  EXPECT_EQ(p[0], MakeRgb(96 + 111, 96 + 111, 96 + 111));  // face with face-and-highlight
  EXPECT_EQ(p[1], MakeRgb(96 + 80, 96 + 80, 96 + 80));     // face with face-and-shadow
  EXPECT_EQ(p[2], MakeRgb(64, 64, 64));                    // shadow with text
  EXPECT_EQ(p[3], MakeRgb(0 + 32, 0 + 32, 64 + 64));       // highlight with highlight-and-shadow
  EXPECT_EQ(p[4], MixRgb(MakeRgb(128, 128, 128), p[1]));
  EXPECT_EQ(p[5], MixRgb(p[2], MakeRgb(0, 0, 128)));
  EXPECT_EQ(p[6], MakeRgb(127 + 63, 127 + 63, 127 + 95));
}

TEST(Palette, OwnColoursWinOnlyWhileSwitchedOn) {
  const PaletteColours user{1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(ActivePalette(true, user, kGrey), user);
  EXPECT_EQ(ActivePalette(false, user, kGrey), SystemPalette(kGrey));
  // A new system scheme gives a new palette.
  SystemColours blue = kGrey;
  blue.highlight = MakeRgb(0, 120, 215);
  EXPECT_NE(ActivePalette(false, user, blue)[6], ActivePalette(false, user, kGrey)[6]);
}

TEST(Palette, PartsTakeTheirColours) {
  const PaletteColours p{MakeRgb(200, 200, 200), MakeRgb(100, 100, 100), 3, 4, MakeRgb(50, 50, 50), 6, 7};
  const PaletteUse u = UseOf(p);
  EXPECT_EQ(u.gradientTop, p[0]);
  EXPECT_EQ(u.gradientBottom, p[1]);
  EXPECT_EQ(u.controlBackground, MakeRgb(150, 150, 150));
  EXPECT_EQ(u.controlText, 3u);
  EXPECT_EQ(u.slider, 4u);
  EXPECT_EQ(u.shadow, p[4]);
  EXPECT_EQ(u.captionHighlight, 6u);
  EXPECT_EQ(u.windowBackground, MakeRgb(75, 75, 75));
  EXPECT_EQ(u.videoText, 7u);
}

}  // namespace
}  // namespace strevo
