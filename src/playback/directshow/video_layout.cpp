#include "playback/directshow/video_layout.h"

#include <cmath>

#include "base/text_helpers.h"

namespace strevo {

static int Round(double v) { return static_cast<int>(std::lround(v)); }

std::optional<AspectRatio> AspectOfSetting(std::string_view setting, std::string_view firstEntry) {
  if (setting == firstEntry) return std::nullopt;
  const size_t colon = setting.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const AspectRatio r{StrToIntLenient(setting.substr(0, colon)), StrToIntLenient(setting.substr(colon + 1))};
  if (r.width == 0 || r.height == 0) return std::nullopt;
  return r;
}

VideoRect FittedPicture(int w, int h, AspectRatio ratio) {
  if (ratio.width <= 0 || ratio.height <= 0) return {0, 0, w, h};
  int u = w;
  int v = Round(static_cast<double>(w) * ratio.height / ratio.width);
  if (v > h) {
    v = h;
    u = Round(static_cast<double>(h) * ratio.width / ratio.height);
  }
  return {Round((w - u) / 2.0), Round((h - v) / 2.0), u, v};
}

}  // namespace strevo
