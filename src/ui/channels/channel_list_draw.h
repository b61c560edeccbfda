// What one entry of the channel list shows, as texts and numbers: its first
// line and colour, its icon file, the guide's second line cut from the
// channel menu's caption with its times and progress, the address line of a
// channel without a guide, and the gradient of the selected entry. The
// Win32 side only paints them.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/colour.h"

namespace strevo {

inline constexpr int kListItemHeight = 45;
inline constexpr int kSimpleListItemHeight = 19;
inline constexpr Rgb kListSecondColour = MakeRgb(22, 22, 22);
inline constexpr Rgb kRedEntry = MakeRgb(255, 0, 0);

// "3. Title": the entry's number (from 1) and its text without any "$".
std::string ListEntryTitle(int index, std::string_view text);
// An entry whose text begins with "$" (a channel the tester found silent) is red.
inline bool IsRedEntry(std::string_view text) { return !text.empty() && text.front() == '$'; }

// The icon file of an entry: the folder, "\Icons\", the text and ".bmp", with
// the tuner prefixes "DS: ", "CN: " and "1NSK: " taken out wherever they stand.
std::string ChannelIconPath(std::string_view exeFolder, std::string_view text);

// The second line of a channel with no guide: its address, a tuner's read out.
std::string AddressLine(std::string_view mrl);

// The guide's part of a channel menu caption ("1. Name {19:00-20:00, 50%
// "News"}"), cut for the list: nothing when the caption holds no guide.
struct GuideLine {
  std::string start, end;  // "19:00", "20:00"
  int percent = 0;         // at most 100
  std::string text;        // "50% News"
  bool operator==(const GuideLine&) const = default;
};
std::optional<GuideLine> SplitGuideCaption(std::string_view caption);

// The right edge of the progress bar's filling for an entry `width` wide
// whose left edge is `left`.
int ProgressFillRight(int left, int width, int percent);

// The vertical gradient of a colour over `height` rows: from the colour
// lightened halfway to white at the top to the colour darkened halfway to
// black at the bottom; one colour per row from the top, none for a height
// of 0 or less.
std::vector<Rgb> GradientRows(Rgb colour, int height);

// Which entries a refresh of the guide redraws: from the first visible one,
// as many as the list's height holds full-size entries, at most the last.
struct EntryRange {
  int first = 0, last = -1;
  bool operator==(const EntryRange&) const = default;
};
EntryRange VisibleEntries(int firstVisible, int listHeight, int count);

}  // namespace strevo
