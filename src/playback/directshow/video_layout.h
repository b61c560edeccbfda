// Where the DirectShow picture goes in the video area: the renderer window
// enlarged by the zoom, and the picture fitted into it at its aspect ratio.
#pragma once
#include <optional>
#include <string_view>

namespace strevo {

struct VideoRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const VideoRect&) const = default;
};

struct AspectRatio {
  int width = 0, height = 0;
};

// The aspect setting "W:H" as numbers; nothing when the setting is the box's
// first entry (no forced aspect) or either number reads as 0, so the source's
// own size is used.
std::optional<AspectRatio> AspectOfSetting(std::string_view setting, std::string_view firstEntry);

// The largest W:H rectangle in a w x h area, centred. A ratio with a side of
// 0 or less (a source that reports no picture size) fills the area.
VideoRect FittedPicture(int w, int h, AspectRatio ratio);

}  // namespace strevo
