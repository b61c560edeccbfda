#include "ui/channels/list_groups.h"

#include <algorithm>
#include <map>

#include "ui/commands/menus.h"

namespace strevo {

namespace {

const std::string& GroupOf(const std::vector<ChannelTags>& tags, int channel) {
  static const std::string none;
  return static_cast<size_t>(channel) < tags.size() ? tags[static_cast<size_t>(channel)].group : none;
}

}  // namespace

ListRows ListRows::Of(const std::vector<ChannelTags>& tags, int channelCount) {
  ListRows rows;
  rows.channelCount_ = std::max(0, channelCount);
  bool grouped = false;
  for (int c = 1; c <= rows.channelCount_ && !grouped; ++c) grouped = !GroupOf(tags, c).empty();
  rows.grouped_ = grouped;
  if (!grouped) return rows;
  rows.rowChannel_.reserve(static_cast<size_t>(rows.channelCount_));
  rows.channelRow_.assign(static_cast<size_t>(rows.channelCount_) + 1, -1);
  for (int c = 1; c <= rows.channelCount_; ++c) {
    // A header wherever the group changes; a run without a group after a
    // grouped one gets an empty header, so it does not look part of the group.
    const std::string& group = GroupOf(tags, c);
    const bool first = c == 1;
    if ((first && !group.empty()) || (!first && group != GroupOf(tags, c - 1))) {
      rows.headers_.emplace_back(rows.Count(), group);
      rows.rowChannel_.push_back(0);
    }
    rows.channelRow_[static_cast<size_t>(c)] = rows.Count();
    rows.rowChannel_.push_back(c);
  }
  return rows;
}

int ListRows::ChannelOfRow(int row) const {
  if (!grouped_) return row >= 0 && InPlainList(row + 1) ? row + 1 : -1;
  if (row < 0 || row >= Count()) return -1;
  const int c = rowChannel_[static_cast<size_t>(row)];
  return c > 0 ? c : -1;
}

int ListRows::RowOfChannel(int channel) const {
  if (!grouped_) return channel >= 1 && InPlainList(channel) ? channel - 1 : -1;
  return channel >= 1 && channel <= channelCount_ ? channelRow_[static_cast<size_t>(channel)] : -1;
}

std::string ListRows::HeaderText(int row) const {
  auto it = std::lower_bound(headers_.begin(), headers_.end(), row,
                             [](const std::pair<int, std::string>& h, int r) { return h.first < r; });
  return it != headers_.end() && it->first == row ? it->second : std::string();
}

int ListRows::SelectableRow(int row, int direction) const {
  if (!grouped_) return ChannelOfRow(row) > 0 ? row : -1;
  if (Count() == 0) return -1;
  row = std::clamp(row, 0, Count() - 1);
  const int step = direction < 0 ? -1 : 1;
  for (int r = row; r >= 0 && r < Count(); r += step)
    if (!IsHeader(r)) return r;
  for (int r = row; r >= 0 && r < Count(); r -= step)
    if (!IsHeader(r)) return r;
  return -1;
}

std::vector<std::string> ListRows::RowTexts(const std::vector<std::string>& titles) const {
  std::vector<std::string> texts;
  if (!grouped_) {
    const size_t end = channelCount_ < 0 ? titles.size() : std::min(titles.size(), static_cast<size_t>(channelCount_) + 1);
    if (end > 1) texts.assign(titles.begin() + 1, titles.begin() + static_cast<std::ptrdiff_t>(end));
    return texts;
  }
  texts.reserve(rowChannel_.size());
  size_t h = 0;
  for (int r = 0; r < Count(); ++r) {
    const int c = rowChannel_[static_cast<size_t>(r)];
    if (c == 0) texts.push_back(headers_[h++].second);
    else texts.push_back(static_cast<size_t>(c) < titles.size() ? titles[static_cast<size_t>(c)] : std::string());
  }
  return texts;
}

std::vector<ChannelMenuItem> GroupedChannelMenu(const std::vector<ChannelTags>& tags, int entries) {
  std::vector<ChannelMenuItem> items;
  bool grouped = false;
  for (int k = 1; k < entries && !grouped; ++k) grouped = !GroupOf(tags, k).empty();
  if (!grouped) return items;
  if (entries > 0) items.push_back({0, {}, {}});
  std::map<std::string, size_t> groupItem;
  for (int k = 1; k < entries; ++k) {
    const std::string& group = GroupOf(tags, k);
    if (group.empty()) {
      items.push_back({k, {}, {}});
      continue;
    }
    auto [it, added] = groupItem.emplace(group, items.size());
    if (added) items.push_back({-1, group, {}});
    items[it->second].entries.push_back(k);
  }
  return items;
}

std::vector<std::vector<int>> GroupPages(const std::vector<int>& entries) {
  std::vector<std::vector<int>> pages;
  if (entries.size() <= static_cast<size_t>(kChannelEntriesFlat)) return pages;
  for (size_t i = 0; i < entries.size(); i += kChannelEntriesPerPage)
    pages.emplace_back(entries.begin() + static_cast<std::ptrdiff_t>(i),
                       entries.begin() + static_cast<std::ptrdiff_t>(std::min(entries.size(), i + kChannelEntriesPerPage)));
  return pages;
}

std::string GroupedMenuLogLine(const std::vector<ChannelMenuItem>& items) {
  std::string groups;
  int count = 0, top = 0;
  for (const ChannelMenuItem& item : items) {
    if (item.entry > 0) ++top;
    if (item.entry >= 0) continue;
    groups += (count++ ? ", " : "") + item.group + " (" + std::to_string(item.entries.size()) + ")";
  }
  return "channel menu: " + std::to_string(count) + " groups: " + groups + "; " + std::to_string(top) +
         " at the top level";
}

}  // namespace strevo
