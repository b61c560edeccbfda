#include "ui/channels/list_groups.h"

#include <gtest/gtest.h>

#include "playback/playlist_tags.h"
#include "ui/commands/menus.h"

namespace strevo {
namespace {

// Tags for channels 1..n (entry 0 is the pseudo-channel's) from their groups.
std::vector<ChannelTags> Groups(std::vector<std::string> groups) {
  std::vector<ChannelTags> tags(1);
  for (std::string& g : groups) tags.push_back(ChannelTags{.group = std::move(g)});
  return tags;
}

TEST(ListRows, WithoutGroupsEveryRowIsItsChannel) {
  for (const ListRows& rows : {ListRows::Of({}, 3), ListRows::Of(Groups({"", "", ""}), 3)}) {
    EXPECT_FALSE(rows.HasHeaders());
    ASSERT_EQ(rows.Count(), 3);
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(rows.RowOfChannel(c), c - 1);
      EXPECT_EQ(rows.ChannelOfRow(c - 1), c);
    }
    EXPECT_EQ(rows.RowOfChannel(0), -1);  // the pseudo-channel selects nothing
    EXPECT_EQ(rows.RowOfChannel(4), -1);
    EXPECT_EQ(rows.ChannelOfRow(3), -1);
    EXPECT_EQ(rows.ChannelOfRow(-1), -1);
  }
}

// A list box filled without a list read (as by a test or an older caller)
// still maps row r to channel r + 1.
TEST(ListRows, RowsOfNoListAreThePlainMapping) {
  const ListRows rows;
  EXPECT_EQ(rows.RowOfChannel(3), 2);
  EXPECT_EQ(rows.ChannelOfRow(2), 3);
  EXPECT_EQ(rows.RowOfChannel(0), -1);
  EXPECT_EQ(rows.ChannelOfRow(-1), -1);
  EXPECT_FALSE(rows.IsHeader(0));
  EXPECT_EQ(rows.RowTexts({"-", "A", "B"}), (std::vector<std::string>{"A", "B"}));
}

TEST(ListRows, HeadersStandBeforeEachRunAndChannelsKeepTheirOrder) {
  // News, News, Sport, (none), News: the list is not reordered, so News
  // heads two runs, and the channel without a group gets an empty header.
  const ListRows rows = ListRows::Of(Groups({"News", "News", "Sport", "", "News"}), 5);
  EXPECT_TRUE(rows.HasHeaders());
  const std::vector<std::string> titles = {"-", "A", "B", "C", "D", "E"};
  EXPECT_EQ(rows.RowTexts(titles),
            (std::vector<std::string>{"News", "A", "B", "Sport", "C", "", "D", "News", "E"}));
  const std::vector<int> channelOf = {-1, 1, 2, -1, 3, -1, 4, -1, 5};
  for (int r = 0; r < rows.Count(); ++r) {
    EXPECT_EQ(rows.ChannelOfRow(r), channelOf[static_cast<size_t>(r)]) << r;
    EXPECT_EQ(rows.IsHeader(r), channelOf[static_cast<size_t>(r)] < 0) << r;
    if (channelOf[static_cast<size_t>(r)] > 0) EXPECT_EQ(rows.RowOfChannel(channelOf[static_cast<size_t>(r)]), r);
  }
  EXPECT_EQ(rows.HeaderText(3), "Sport");
  EXPECT_EQ(rows.HeaderText(4), "");
}

TEST(ListRows, AListStartingWithoutAGroupHasNoHeaderAtTheTop) {
  const ListRows rows = ListRows::Of(Groups({"", "Kids"}), 2);
  EXPECT_EQ(rows.RowTexts({"-", "A", "B"}), (std::vector<std::string>{"A", "Kids", "B"}));
  EXPECT_EQ(rows.RowOfChannel(2), 2);
}

TEST(ListRows, ASelectionLandingOnAHeaderMovesOnToAChannel) {
  const ListRows rows = ListRows::Of(Groups({"News", "Sport", "Sport"}), 3);
  // rows: News, 1, Sport, 2, 3
  EXPECT_EQ(rows.SelectableRow(2, +1), 3);  // down onto "Sport": its first channel
  EXPECT_EQ(rows.SelectableRow(2, -1), 1);  // up onto "Sport": the channel above
  EXPECT_EQ(rows.SelectableRow(0, -1), 1);  // Home onto the top header: nothing above, so below
  EXPECT_EQ(rows.SelectableRow(99, +1), 4);  // past the end: the last channel
  EXPECT_EQ(rows.SelectableRow(3, +1), 3);  // a channel stays
  EXPECT_EQ(ListRows::Of({}, 0).SelectableRow(0, 1), -1);
}

TEST(GroupedChannelMenu, OneSubmenuPerGroupWhereItsFirstChannelStands) {
  const auto items = GroupedChannelMenu(Groups({"", "News", "Sport", "News", "", "Sport"}), 7);
  const std::vector<ChannelMenuItem> expected = {
      {0, "", {}}, {1, "", {}}, {-1, "News", {2, 4}}, {-1, "Sport", {3, 6}}, {5, "", {}}};
  EXPECT_EQ(items, expected);
  EXPECT_EQ(GroupedMenuLogLine(items), "channel menu: 2 groups: News (2), Sport (2); 2 at the top level");
  // Only the entries the menu shows count.
  EXPECT_EQ(GroupedChannelMenu(Groups({"", "News", "Sport"}), 3),
            (std::vector<ChannelMenuItem>{{0, "", {}}, {1, "", {}}, {-1, "News", {2}}}));
  // Without a group the plain menu stays.
  EXPECT_TRUE(GroupedChannelMenu(Groups({"", ""}), 3).empty());
  EXPECT_TRUE(GroupedChannelMenu({}, 3).empty());
}

TEST(GroupedChannelMenu, ALargeGroupIsCutIntoPages) {
  std::vector<int> entries(2 * kChannelEntriesFlat + 10);
  for (size_t i = 0; i < entries.size(); ++i) entries[i] = static_cast<int>(i) * 2 + 1;
  const auto pages = GroupPages(entries);
  size_t total = 0;
  for (const auto& page : pages) {
    EXPECT_LE(page.size(), static_cast<size_t>(kChannelEntriesPerPage));
    total += page.size();
  }
  EXPECT_EQ(total, entries.size());
  EXPECT_EQ(pages.front().front(), 1);
  EXPECT_EQ(pages.back().back(), entries.back());
  EXPECT_TRUE(GroupPages(std::vector<int>(kChannelEntriesFlat, 1)).empty());
}

// The groups as the tag-aware reader gives them reach the rows unchanged.
TEST(ListRows, FromATaggedList) {
  const ChannelList list = ParseTaggedPlaylist(
      "#EXTM3U\n#EXTINF:-1 group-title=\"Кино\",One\nudp://1\n#EXTINF:-1,Two\n#EXTGRP:Кино\nudp://2\n"
      "#EXTINF:-1,Three\nudp://3\n",
      "-", nullptr);
  const ListRows rows = ListRows::Of(list.tags, list.ChannelCount());
  EXPECT_EQ(rows.RowTexts(list.titles), (std::vector<std::string>{"Кино", "One", "Two", "", "Three"}));
}

}  // namespace
}  // namespace strevo
