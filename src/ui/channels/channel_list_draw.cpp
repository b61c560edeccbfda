#include "ui/channels/channel_list_draw.h"

#include <algorithm>

#include "base/text_helpers.h"
#include "config/config.h"

namespace strevo {

std::string ListEntryTitle(int index, std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (char c : text)
    if (c != '$') shown += c;
  return std::to_string(index + 1) + ". " + shown;
}

std::string ChannelIconPath(std::string_view exeFolder, std::string_view text) {
  std::string path = std::string(exeFolder) + "\\Icons\\" + std::string(text) + ".bmp";
  for (std::string_view prefix : {"DS: ", "CN: ", "1NSK: "}) path = ReplaceAll(prefix, "", path);
  return path;
}

std::string AddressLine(std::string_view mrl) { return ReplaceAll("dshow://", "Эфирный канал №", mrl); }

std::optional<GuideLine> SplitGuideCaption(std::string_view caption) {
  const size_t brace = caption.find('{');
  if (brace == std::string_view::npos) return std::nullopt;
  std::string rest(caption.substr(brace + 1));
  if (const size_t quote = rest.find('"'); quote != std::string::npos) rest.erase(quote, 1);
  if (rest.size() < 2) return std::nullopt;
  rest.resize(rest.size() - 2);
  GuideLine line;
  const size_t dash = rest.find('-');
  if (dash == std::string::npos) return std::nullopt;
  line.start = rest.substr(0, dash);
  const std::string after = rest.substr(dash + 1);
  line.end = after.substr(0, after.find(','));
  const size_t blank = after.find(' ');
  line.text = blank == std::string::npos ? std::string() : after.substr(blank + 1);
  line.percent = std::clamp(ConfigNumber(line.text), 0, 100);
  return line;
}

int ProgressFillRight(int left, int width, int percent) {
  return left + 24 + static_cast<int>(RoundHalfEven((width - 49) * static_cast<double>(percent) / 100.0));
}

std::vector<Rgb> GradientRows(Rgb colour, int height) {
  std::vector<Rgb> rows;
  if (height <= 0) return rows;
  const Rgb top = MixRgb(colour, MixRgb(colour, kWhite));
  const Rgb bottom = MixRgb(colour, MixRgb(colour, kBlack));
  rows.reserve(static_cast<size_t>(height));
  auto step = [height](int a, int b, int l) { return a - (a - b) * l / height; };
  for (int l = 1; l <= height; ++l)
    rows.push_back(MakeRgb(step(RedOf(top), RedOf(bottom), l), step(GreenOf(top), GreenOf(bottom), l),
                           step(BlueOf(top), BlueOf(bottom), l)));
  return rows;
}

EntryRange VisibleEntries(int firstVisible, int listHeight, int count) {
  if (count <= 0 || firstVisible < 0 || firstVisible >= count) return {};
  return {firstVisible, std::min(count - 1, firstVisible + listHeight / kListItemHeight)};
}

}  // namespace strevo
