#include "playback/directshow/video_layout.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(DirectShowLayout, PicturesFitTheAreaCentredAtTheirAspect) {
  EXPECT_EQ(FittedPicture(400, 300, {16, 9}), (VideoRect{0, 38, 400, 225}));
  // Too tall for the width: the height rules and the sides stay empty.
  EXPECT_EQ(FittedPicture(400, 300, {1, 1}), (VideoRect{50, 0, 300, 300}));
  EXPECT_EQ(FittedPicture(400, 300, {4, 3}), (VideoRect{0, 0, 400, 300}));
  EXPECT_EQ(FittedPicture(360, 288, {720, 576}), (VideoRect{0, 0, 360, 288}));
  EXPECT_EQ(FittedPicture(640, 200, {221, 100}), (VideoRect{99, 0, 442, 200}));
  // A source without a picture size fills the area rather than dividing by 0.
  EXPECT_EQ(FittedPicture(400, 300, {0, 0}), (VideoRect{0, 0, 400, 300}));
  EXPECT_EQ(FittedPicture(400, 300, {16, 0}), (VideoRect{0, 0, 400, 300}));
}

TEST(DirectShowLayout, TheAspectSettingForcesARatioOnlyWhenItNamesOne) {
  const auto r = AspectOfSetting("16:9", "None");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->width, 16);
  EXPECT_EQ(r->height, 9);
  EXPECT_EQ(AspectOfSetting("221:100", "None")->width, 221);
  EXPECT_FALSE(AspectOfSetting("None", "None"));
  EXPECT_FALSE(AspectOfSetting("0:9", "None"));
  EXPECT_FALSE(AspectOfSetting("16:", "None"));
  EXPECT_FALSE(AspectOfSetting("wide", "None"));
}

}  // namespace
}  // namespace strevo
