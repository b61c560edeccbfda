#include "scheduler/shed_editor.h"

#include <gtest/gtest.h>

#include "playback/playlist_tags.h"


namespace strevo {
namespace {

const char kRecorderPreset[] =
    "\"%self%\" /bgrec \"%mrl%\" ps \"%capdir%%subfn% - %name%-%date%-%time%.mpg\" %dur% \"%name%\" \"%ip%\"";

TEST(SchedulerEditing, WeekDaysDisableTheDate) {
  EXPECT_TRUE(EditorEnabling(ShedKind::Record, false, "").date);
  EXPECT_FALSE(EditorEnabling(ShedKind::Record, true, "").date);
  EXPECT_FALSE(EditorEnabling(ShedKind::Command, true, "$close").date);
}

TEST(SchedulerEditing, EachKindEnablesItsControls) {
  const ShedEditorEnabling view = EditorEnabling(ShedKind::View, false, "");
  EXPECT_TRUE(view.channel);
  EXPECT_FALSE(view.fileSuffix || view.recordMode || view.command || view.endTimes || view.afterEnd);

  const ShedEditorEnabling record = EditorEnabling(ShedKind::Record, false, "");
  EXPECT_TRUE(record.channel && record.fileSuffix && record.recordMode && record.endTimes && record.afterEnd);
  EXPECT_FALSE(record.command);

  const ShedEditorEnabling closing = EditorEnabling(ShedKind::Command, false, "$close");
  EXPECT_TRUE(closing.command);
  EXPECT_FALSE(closing.channel || closing.fileSuffix || closing.recordMode || closing.endTimes || closing.afterEnd);
}

TEST(SchedulerEditing, ACommandNamingTheMacrosNeedsTheirControls) {
  const ShedEditorEnabling e = EditorEnabling(ShedKind::Command, false, kRecorderPreset);
  EXPECT_TRUE(e.command && e.channel && e.fileSuffix && e.endTimes);
  // Still a command: the recording's own controls stay off.
  EXPECT_FALSE(e.recordMode || e.afterEnd);
  EXPECT_TRUE(EditorEnabling(ShedKind::Command, false, "x %dur%").endTimes);
  EXPECT_FALSE(EditorEnabling(ShedKind::Command, false, "x %dur%").channel);
  // The variables are matched exactly.
  EXPECT_FALSE(EditorEnabling(ShedKind::Command, false, "%MRL% %Subfn% %dur").channel);
  EXPECT_FALSE(EditorEnabling(ShedKind::Command, false, "%MRL% %Subfn% %dur").fileSuffix);
  EXPECT_FALSE(EditorEnabling(ShedKind::Command, false, "%MRL% %Subfn% %dur").endTimes);
  // The text counts even while another kind is chosen.
  EXPECT_TRUE(EditorEnabling(ShedKind::View, false, "%subfn%").fileSuffix);
}

TEST(SchedulerTimes, EndFollowsStartAndDurationAcrossMidnight) {
  EXPECT_EQ(EndMinuteFor(23 * 60, 2 * 60), 60);  // 23:00 + 02:00 = 01:00
  EXPECT_EQ(EndMinuteFor(10 * 60, 0), 10 * 60);
  EXPECT_EQ(EndMinuteFor(0, 23 * 60 + 59), 23 * 60 + 59);
  EXPECT_EQ(EndMinuteFor(23 * 60 + 59, 1), 0);
}

TEST(SchedulerTimes, DurationFromStartAndEnd) {
  EXPECT_EQ(DurationMinutesFor(23 * 60, 22 * 60), 23 * 60);  // 23:00 to 22:00 lasts 23 hours
  EXPECT_EQ(DurationMinutesFor(23 * 60 + 30, 30), 60);
  EXPECT_EQ(DurationMinutesFor(22 * 60, 60 + 30), 210);
  EXPECT_EQ(DurationMinutesFor(10 * 60, 10 * 60), 0);  // equal times show 00:00
  EXPECT_EQ(DurationMinutesFor(10 * 60, 10 * 60 + 1), 1);
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(c == 'a' ? 'A' : c);
  return out;
}

TEST(SchedulerChannels, TitlesOfTheListCopyInOrder) {
  const auto titles = SchedulerChannelTitles(
      "#EXTM3U\r\n#EXTINF:0,First \r\nudp://@239.0.0.1:1234\r\n#EXTINF:-1,Second, with comma\r\nhttp://x/a\r\n", Upper);
  ASSERT_EQ(titles.size(), 2u);
  // Converted from the code page, one trailing blank gone, text after the first comma kept.
  EXPECT_EQ(titles[0], "First");
  EXPECT_EQ(titles[1], "Second, with commA");
}

TEST(SchedulerChannels, AListWithAByteOrderMarkIsUtf8AndNoFileHasNoChannels) {
  const auto titles = SchedulerChannelTitles("\xEF\xBB\xBF#EXTM3U\n#EXTINF:0,Канал a\nudp://@239.0.0.1:1\n", Upper);
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0], "Канал a");
  EXPECT_TRUE(SchedulerChannelTitles("", Upper).empty());
}

// With "Читать теги M3U" on the player skips blank, option, group and comment
// lines; the window must number the channels the same way.
TEST(SchedulerChannels, ATaggedListIsNumberedAsThePlayerNumbersIt) {
  const std::string_view list =
      "#EXTM3U\r\n\r\n# a comment\r\n#EXTINF:0 group-title=\"News\",First\r\n#EXTVLCOPT:network-caching=1000\r\n"
      "udp://@239.0.0.1:1234\r\n\r\n#EXTINF:0,Second\r\n#EXTGRP:Films\r\nudp://@239.0.0.2:1234\r\n";
  const auto titles = SchedulerChannelTitles(list, Upper, true);
  EXPECT_EQ(titles, (std::vector<std::string>{"First", "Second"}));
  const ChannelList played = ParseTaggedPlaylist(list, "", Upper);
  ASSERT_EQ(played.titles.size(), 3u);
  EXPECT_EQ(titles[1], played.titles[2]);
}

TEST(SchedulerTexts, ListsOfTheEditor) {
  EXPECT_EQ(kRecordModeTexts[0], "обычная");
  EXPECT_EQ(kRecordModeTexts[4], "в фоне и в режим ожидания");
  EXPECT_EQ(kAfterEndTexts[0], "Нажать на \"Стоп\"");
  EXPECT_EQ(kAfterEndTexts[5], "Ничего не делать (для фоновой записи)");
  EXPECT_EQ(kCommandPresets[1], kRecorderPreset);
  EXPECT_EQ(kCommandPresets[5], "$close");
}

TEST(RecorderListSelection, FollowsTheSelectedRecorder) {
  // The selected recorder's window came to the front and is listed first now.
  EXPECT_EQ(ReselectedRecorder(1, 0, 2), 0);
  EXPECT_EQ(ReselectedRecorder(0, 2, 3), 2);
}

TEST(RecorderListSelection, WithoutItKeepsThePositionOrTakesTheFirst) {
  EXPECT_EQ(ReselectedRecorder(-1, -1, 0), -1);
  EXPECT_EQ(ReselectedRecorder(-1, -1, 3), 0);
  EXPECT_EQ(ReselectedRecorder(2, -1, 3), 2);
  EXPECT_EQ(ReselectedRecorder(2, -1, 0), -1);
  // The selected recorder ended and the list is shorter now.
  EXPECT_EQ(ReselectedRecorder(2, -1, 2), 0);
}

}  // namespace
}  // namespace strevo
