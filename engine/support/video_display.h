// The picture's way to the screen, as plain arithmetic: the part of the frame
// the crop setting keeps, where it goes in the window for its aspect ratio,
// the conversion to RGB, and when each frame is due by the stream clock.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "support/mpeg_video.h"

namespace strevo::engine {

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// "W:H" or a decimal ratio ("16:9", "221:100", "2.35"); nullopt for anything
// else, zeros included (the player sends "" for "None").
std::optional<double> ParseAspect(std::string_view text);

// The crop setting within a width x height frame: "WxH+X+Y", "WxH" (from the
// top left) or "W:H" (the largest centred part of that ratio). Parts beyond
// the frame are clipped; nothing sensible left means the whole frame.
PixelRect CropRect(std::string_view crop, int width, int height);

struct PictureLayout {
  PixelRect source;  // in the frame
  PixelRect target;  // in the window, centred, black around it
};
// `aspect_setting` overrides the frame's display aspect when it parses.
PictureLayout LayOut(const VideoFrame& frame, std::string_view aspect_setting, std::string_view crop_setting,
                     int window_width, int window_height);

// The source part of the frame as 32-bit B, G, R, 0 pixels, rows top first
// (ITU-R BT.601, studio range).
void ConvertToBgrx(const VideoFrame& frame, const PixelRect& source, std::vector<uint8_t>& out);
// The whole frame as R, G, B bytes, for snapshots.
std::vector<uint8_t> ConvertToRgb(const VideoFrame& frame);

// When a frame with a given presentation time is due, in the local clock's
// milliseconds: the offset between the stream clock (PCR) and the local clock
// is taken at the first PCR and taken again when the two part by more than a
// second (a jump in the stream, a loop, a pause).
class StreamClock {
 public:
  void Pcr(uint64_t pcr_27mhz, int64_t now_ms);
  // Without any PCR the first frame sets the offset, `delay_ms` ahead.
  int64_t Due(int64_t pts_90khz, int64_t now_ms, int64_t delay_ms = 200);
  void Reset() { offset_.reset(); }

 private:
  std::optional<int64_t> offset_;  // local ms minus stream ms
};

}  // namespace strevo::engine
