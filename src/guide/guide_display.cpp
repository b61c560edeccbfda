#include "guide/guide_display.h"

#include <algorithm>
#include <unordered_map>

#include "base/text_helpers.h"

namespace strevo {
namespace {

constexpr int kBarLength = 70;
constexpr int kAdjustBarLength = 66;

// The first `count` characters of a UTF-8 text; false when it is not longer.
bool CutCharacters(std::string& text, size_t count) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (chars++ == count) {
      text.resize(i);
      return true;
    }
  }
  return false;
}

std::string Clock(DateTime t) { return FormatDateTime("HH:mm", t); }

}  // namespace

OnAir FindOnAir(const ProgrammeList& list, DateTime now, int shiftHours) {
  const auto& items = list.items;
  const double shift = shiftHours / 24.0;
  auto startsAfterNow = [&](const GuideProgramme& p) { return now < p.start + shift; };
  size_t k;  // the first programme starting after now, or the last one
  if (list.ascending) {
    // Shifting every start by the same amount keeps them ascending, so the
    // starts at or before now form a prefix.
    auto it = std::partition_point(items.begin() + 1, items.end(),
                                   [&](const GuideProgramme& p) { return !startsAfterNow(p); });
    k = it == items.end() ? items.size() - 1 : static_cast<size_t>(it - items.begin());
  } else {
    k = 1;
    while (k + 1 < items.size() && !startsAfterNow(items[k])) ++k;
  }
  OnAir r;
  r.nextStart = items[k].start + shift;
  if (k > 1) {
    r.text = items[k - 1].text;
    r.start = items[k - 1].start + shift;
  }
  return r;
}

std::string GuideNowTextOf(const ProgrammeList* list, DateTime now, int shiftHours, GuideTextMode mode,
                           size_t maxLength, std::string_view updateCaption) {
  if (!list || list->items.size() < 2) return {};
  OnAir on = FindOnAir(*list, now, shiftHours);
  if (CutCharacters(on.text, maxLength)) on.text += "...";
  const double span = on.nextStart - on.start;
  // Equal starts at the end of a guide leave the programme on air without an
  // end: there is no share to show, so it counts as the guide having run out.
  const double share = span > 0 ? (now - on.start) / span : 2.0;
  // Tested before rounding: a share far past the end would not fit an integer.
  if (!(share * 100 <= 100.5) || share < 0) {
    if (mode == GuideTextMode::Summary) return {};
    return "\r " + std::string(updateCaption) + "!";
  }
  const long long pct = RoundHalfEven(share * 100);
  if (mode == GuideTextMode::Summary)
    return "{" + Clock(on.start) + "-" + Clock(on.nextStart) + ", " + std::to_string(pct) + "% \"" +
           ReplaceAll("\\n", " ", on.text) + "\"}";
  const int bar = static_cast<int>(std::min<long long>(RoundHalfEven(share * kBarLength), kBarLength));
  return "(" + std::to_string(pct) + "%)\r  " + ReplaceAll("\\n", "\r", on.text) + "\r  " + Clock(on.start) +
         " " + std::string(bar, '!') + std::string(kBarLength - bar, '.') + " " + Clock(on.nextStart);
}

ChannelGuide ChannelGuideOf(const std::vector<std::string>& titles, const std::vector<std::string>& mrls,
                            const ConfigList& config, std::string_view title, const std::string& guideFolder) {
  auto it = std::find(titles.begin(), titles.end(), title);
  if (it == titles.end()) return {};
  return ChannelGuideAt(mrls, config, static_cast<size_t>(it - titles.begin()), guideFolder);
}

namespace {

ChannelGuide GuideOfRecord(const ConfigList& config, int record, const std::string& guideFolder) {
  ChannelGuide g;
  if (record < 0) return g;
  const std::string& line = config[static_cast<size_t>(record)];
  const std::string name = ExtractField(line, "|", 15);
  // An empty name would make the folder itself the base path.
  if (!name.empty()) g.basePath = guideFolder + name;
  g.shiftHours = ConfigNumber(ExtractField(line, "|", 16));
  return g;
}

std::string GuideNowTextAt(const GuideContext& ctx, size_t position, const ChannelGuide& g, GuideTextMode mode,
                           size_t maxLength) {
  if (GuideAnswer list = ListGuideAt(ctx, position))
    return GuideNowTextOf(list.get(), ctx.now, g.shiftHours, mode, maxLength, ctx.updateCaption);
  if (g.basePath.empty()) return {};
  GuideAnswer answer;
  if (ctx.cache.Get(g.basePath, ctx.files, ctx.codepage, answer) != GuideStatus::Ok) return {};
  return GuideNowTextOf(answer.get(), ctx.now, g.shiftHours, mode, maxLength, ctx.updateCaption);
}

}  // namespace

ChannelGuide ChannelGuideAt(const std::vector<std::string>& mrls, const ConfigList& config, size_t position,
                            const std::string& guideFolder) {
  if (position >= mrls.size()) return {};
  return GuideOfRecord(config, FindRecordIndex(config, mrls[position]), guideFolder);
}

GuideAnswer ListGuideAt(const GuideContext& ctx, size_t position) {
  if (!ctx.listGuides || position >= ctx.listGuides->size()) return nullptr;
  return (*ctx.listGuides)[position];
}

std::string GuideNowText(const GuideContext& ctx, std::string_view channel, GuideTextMode mode, size_t maxLength) {
  std::string_view title = channel;
  if (channel == "$cur") {
    if (ctx.currentIndex < 0 || static_cast<size_t>(ctx.currentIndex) >= ctx.titles.size()) return {};
    title = ctx.titles[static_cast<size_t>(ctx.currentIndex)];
  }
  const size_t position = static_cast<size_t>(std::find(ctx.titles.begin(), ctx.titles.end(), title) - ctx.titles.begin());
  return GuideNowTextAt(ctx, position, ChannelGuideAt(ctx.mrls, ctx.config, position, ctx.guideFolder), mode,
                        maxLength);
}

std::vector<std::string> GuideSummaries(const GuideContext& ctx, size_t maxLength) {
  // Each key's first record, as FindRecordIndex would find it.
  std::unordered_map<std::string_view, int> records;
  for (size_t i = 0; i < ctx.config.size(); ++i) {
    const std::string_view line = ctx.config[i];
    if (const size_t bar = line.find('|'); bar != std::string_view::npos)
      records.emplace(line.substr(0, bar), static_cast<int>(i));
  }
  std::vector<std::string> out(ctx.titles.size());
  for (size_t k = 0; k < out.size(); ++k) {
    int record = -1;
    if (k < ctx.mrls.size()) {
      const auto it = records.find(ctx.mrls[k]);
      if (it != records.end()) record = it->second;
    }
    out[k] = GuideNowTextAt(ctx, k, GuideOfRecord(ctx.config, record, ctx.guideFolder), GuideTextMode::Summary,
                            maxLength);
  }
  return out;
}

bool IsOsdMessage(std::string_view request) { return !request.empty() && request[0] == '#'; }

std::string OsdMessageText(std::string_view request) { return "\r  " + std::string(request.substr(1)); }

std::string_view AdjustmentLabel(int selector) {
  switch (selector) {
    case 1: return "Контраст";
    case 2: return "Яркость";
    case 3: return "Оттенок";
    case 4: return "Насыщенность";
    case 5: return "Гамма";
    case 6: return "Масштаб";
    default: return "Громкость";
  }
}

std::string OsdAdjustmentText(std::string_view label, int position, int maximum) {
  const long long v = maximum > 0 ? RoundHalfEven(position * 100.0 / maximum) : 0;
  const long long b = std::max<long long>(0, RoundHalfEven(v * 2.0 / 3.0));
  const long long dots = std::max<long long>(0, kAdjustBarLength - b);
  return "\r  " + std::string(label) + " -  " + std::string(static_cast<size_t>(std::min<long long>(b, 1000)), '!') +
         std::string(static_cast<size_t>(dots), '.') + "  " + std::to_string(v) + "%";
}

std::string OsdChannelText(int number, std::string_view name, DateTime now, std::string_view guideText) {
  return "  №" + std::to_string(number) + " - " + std::string(name) + ". " + FormatDateTime("HH:mm:ss", now) + " " +
         std::string(guideText);
}

}  // namespace strevo
