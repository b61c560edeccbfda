// Channel groups on screen: the rows of the channel list box, where a header
// row stands before each run of channels of one group, and the channel
// submenu with one submenu per group. Channels keep their numbers and their
// order; only what is shown around them changes, so the list box's rows map
// to channels through ListRows everywhere a row is read or chosen.
#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "playback/playlist.h"

namespace strevo {

class ListRows {
 public:
  // Without any group (or without tags) row r is channel r + 1, as ever; so
  // it is for rows made by no list at all (a list box filled by hand).
  static ListRows Of(const std::vector<ChannelTags>& tags, int channelCount);

  // Rows of a list read; 0 for rows made by no list.
  int Count() const { return grouped_ ? static_cast<int>(rowChannel_.size()) : std::max(0, channelCount_); }
  bool HasHeaders() const { return grouped_; }
  bool IsHeader(int row) const {
    return grouped_ && row >= 0 && row < Count() && rowChannel_[static_cast<size_t>(row)] == 0;
  }
  // The channel (from 1) of a row; -1 for a header or a row that is not there.
  int ChannelOfRow(int row) const;
  // The row of a channel; -1 for the pseudo-channel or one past the list.
  int RowOfChannel(int channel) const;
  // A header's group; empty for a channel row.
  std::string HeaderText(int row) const;
  // The channel row nearest to `row` going by `direction` (+1 down, -1 up),
  // else the nearest the other way: a keyboard or a click that landed on a
  // header moves on to a channel. -1 when there is none.
  int SelectableRow(int row, int direction) const;
  // What the list box holds, row by row: the channel's title, or the header's group.
  std::vector<std::string> RowTexts(const std::vector<std::string>& titles) const;

 private:
  bool InPlainList(int channel) const { return channelCount_ < 0 || channel <= channelCount_; }

  bool grouped_ = false;
  int channelCount_ = -1;  // -1: not known, no bound
  std::vector<int> rowChannel_;  // 0 for a header
  std::vector<int> channelRow_;  // index 0 unused
  std::vector<std::pair<int, std::string>> headers_;  // row, group; by row
};

// One item of the channel submenu: an entry (0 the pseudo-channel, k channel
// k) or a group's submenu with its entries in list order.
struct ChannelMenuItem {
  int entry = -1;  // -1 for a group
  std::string group;
  std::vector<int> entries;
  bool operator==(const ChannelMenuItem&) const = default;
};

// The submenu of the first `entries` entries with groups: the pseudo-channel,
// then channels without a group and one submenu per group, each where its
// first channel stands. Empty when no channel has a group: the plain menu
// stays.
std::vector<ChannelMenuItem> GroupedChannelMenu(const std::vector<ChannelTags>& tags, int entries);

// A group of more entries than a screen holds is cut into pages of
// kChannelEntriesPerPage, captioned with their first and last numbers.
std::vector<std::vector<int>> GroupPages(const std::vector<int>& entries);

// One line for the log: "channel menu: 2 groups: News (3), Sport (1); 2 at
// the top level", so whoever reads the log sees the menu's shape.
std::string GroupedMenuLogLine(const std::vector<ChannelMenuItem>& items);

}  // namespace strevo
