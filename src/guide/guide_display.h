// What the screen shows of the guide: the programme on air on a channel, as
// the OSD block with its bar or as the one-line summary of a channel-menu
// caption, and the texts of the OSD line.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "config/config.h"
#include "guide/jtv.h"

namespace strevo {

enum class GuideTextMode { Osd = 1, Summary = 2 };

// The programme on air: the last one starting at or before `now`, and the
// start of the one after it. Starts are shifted by the channel's correction.
struct OnAir {
  std::string text;
  DateTime start = 0;      // 0 when the guide has not started yet
  DateTime nextStart = 0;
};

// Same answer as walking the list from the first programme and stopping at
// the first one that starts after `now`; an ascending list (every file guide
// makers write) is searched in O(log n). The list holds at least one programme.
OnAir FindOnAir(const ProgrammeList& list, DateTime now, int shiftHours);

// The guide text of one channel's programme list (null: no guide). Texts
// longer than `maxLength` characters are cut and get "...". `updateCaption`
// is the current caption of the guide-update command.
std::string GuideNowTextOf(const ProgrammeList* list, DateTime now, int shiftHours, GuideTextMode mode,
                           size_t maxLength, std::string_view updateCaption);

// Where a channel's guide is and its correction, from the first per-channel
// record whose key is the channel's MRL exactly. `guideFolder` ends with a
// backslash. An empty base path means no guide.
struct ChannelGuide {
  std::string basePath;
  int shiftHours = 0;
};
ChannelGuide ChannelGuideOf(const std::vector<std::string>& titles, const std::vector<std::string>& mrls,
                            const ConfigList& config, std::string_view title, const std::string& guideFolder);
// The same for the channel at a position of the title list.
ChannelGuide ChannelGuideAt(const std::vector<std::string>& mrls, const ConfigList& config, size_t position,
                            const std::string& guideFolder);

// Everything a guide look-up for a channel needs.
struct GuideContext {
  const std::vector<std::string>& titles;  // the channel selector's items
  const std::vector<std::string>& mrls;
  int currentIndex;                         // the selector's selected position
  const ConfigList& config;
  std::string guideFolder;
  GuideCache& cache;
  GuideFiles& files;
  int codepage;
  DateTime now;
  std::string updateCaption;
  // An XMLTV guide's lists, index-aligned with `titles` (null entries: none);
  // a channel's list here is used before its JTV files.
  const std::vector<GuideAnswer>* listGuides = nullptr;
};

// The XMLTV list of the channel at `position` of the title list, or null.
GuideAnswer ListGuideAt(const GuideContext& ctx, size_t position);

// `channel` is a title or "$cur". Empty when the channel has no guide, the
// guide holds no programme or its files cannot be read.
std::string GuideNowText(const GuideContext& ctx, std::string_view channel, GuideTextMode mode,
                         size_t maxLength = 40);
// The one-line summary of every channel of the title list, by position, so
// that channels sharing a title each show their own guide. The records are
// indexed once, so a list of tens of thousands costs one pass.
std::vector<std::string> GuideSummaries(const GuideContext& ctx, size_t maxLength = 40);

// The OSD line's texts.
// A "#" request: "\r  " and the message, shown even with the OSD switched off.
bool IsOsdMessage(std::string_view request);
std::string OsdMessageText(std::string_view request);
// "$vol": the slider the adjustment selector names (1 contrast .. 6 zoom,
// anything else volume) with a bar of 66 marks.
std::string_view AdjustmentLabel(int selector);
std::string OsdAdjustmentText(std::string_view label, int position, int maximum);
// A channel: its number, name, the clock and the guide block.
std::string OsdChannelText(int number, std::string_view name, DateTime now, std::string_view guideText);

}  // namespace strevo
