#include "ui/channels/channel_list_draw.h"

#include <gtest/gtest.h>

#include "playback/playlist.h"

namespace strevo {
namespace {

TEST(ChannelListDraw, EntryTitlesAreNumberedAndLoseTheirDollarSigns) {
  EXPECT_EQ(ListEntryTitle(0, "Первый"), "1. Первый");
  EXPECT_EQ(ListEntryTitle(9, "$Silent $ channel"), "10. Silent  channel");
  EXPECT_TRUE(IsRedEntry("$Silent"));
  EXPECT_FALSE(IsRedEntry("Sil$ent"));
  EXPECT_FALSE(IsRedEntry(""));
}

TEST(ChannelListDraw, IconPathLosesTheTunerPrefixes) {
  EXPECT_EQ(ChannelIconPath("C:\\TV", "DS: Первый"), "C:\\TV\\Icons\\Первый.bmp");
  EXPECT_EQ(ChannelIconPath("C:\\TV", "CN: 1NSK: Sport"), "C:\\TV\\Icons\\Sport.bmp");
  EXPECT_EQ(ChannelIconPath("C:\\TV", "News"), "C:\\TV\\Icons\\News.bmp");
}

TEST(ChannelListDraw, TunerAddressesAreReadOut) {
  EXPECT_EQ(AddressLine("dshow://12"), "Эфирный канал №12");
  EXPECT_EQ(AddressLine("udp://@239.0.0.1:1234"), "udp://@239.0.0.1:1234");
}

TEST(ChannelListDraw, GuideCaptionIsCutIntoTimesPercentageAndProgramme) {
  auto line = SplitGuideCaption("3. Rock && Pop {19:00-20:00, 50% \"Новости\"}");
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, (GuideLine{"19:00", "20:00", 50, "50% Новости"}));
  // A programme with quotes of its own keeps them; the percentage is capped.
  line = SplitGuideCaption("1. A {23:30-00:15, 140% \"The \"Show\"\"}");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->start, "23:30");
  EXPECT_EQ(line->end, "00:15");
  EXPECT_EQ(line->percent, 100);
  EXPECT_EQ(line->text, "140% The \"Show\"");
  // No guide: no second line.
  EXPECT_FALSE(SplitGuideCaption("2. Channel "));
  EXPECT_FALSE(SplitGuideCaption("2. Channel {"));
}

TEST(ChannelListDraw, CaptionOfTheChannelMenuSplitsBack) {
  // What the menu refresh writes is what the list cuts.
  const std::string caption = SubmenuCaption(7, "Rock & Pop") + " {06:00-07:30, 75% \"Morning\"}";
  EXPECT_EQ(caption, "7. Rock && Pop {06:00-07:30, 75% \"Morning\"}");
  EXPECT_EQ(SplitGuideCaption(caption)->percent, 75);
}

TEST(ChannelListDraw, ProgressBarFillsItsShareOfTheInnerWidth) {
  // 75 % of a 240-pixel entry: three quarters of 191.
  EXPECT_EQ(ProgressFillRight(0, 240, 75), 24 + 143);
  EXPECT_EQ(ProgressFillRight(10, 240, 0), 34);
  EXPECT_EQ(ProgressFillRight(0, 240, 100), 24 + 191);
}

TEST(ChannelListDraw, GradientRunsFromLightToDarkRowByRow) {
  EXPECT_TRUE(GradientRows(kWhite, 0).empty());
  EXPECT_TRUE(GradientRows(kWhite, -3).empty());
  const std::vector<Rgb> rows = GradientRows(MakeRgb(200, 100, 0), 4);
  ASSERT_EQ(rows.size(), 4u);
  // Top: c mixed with c-and-white, (213, 138, 63); bottom: c mixed with
  // c-and-black, (150, 75, 0). Row l: top - (top - bottom) * l / 4.
  EXPECT_EQ(rows[0], MakeRgb(213 - 63 / 4, 138 - 63 / 4, 63 - 63 / 4));
  EXPECT_EQ(rows[1], MakeRgb(213 - 63 * 2 / 4, 138 - 63 * 2 / 4, 63 - 63 * 2 / 4));
  EXPECT_EQ(rows[3], MakeRgb(150, 75, 0));
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_LE(RedOf(rows[i]), RedOf(rows[i - 1]));
}

TEST(ChannelListDraw, GuideRefreshRedrawsTheVisibleEntries) {
  EXPECT_EQ(VisibleEntries(10, 450, 100), (EntryRange{10, 20}));
  EXPECT_EQ(VisibleEntries(95, 450, 100), (EntryRange{95, 99}));
  EXPECT_EQ(VisibleEntries(0, 450, 0), (EntryRange{}));
}

}  // namespace
}  // namespace strevo
