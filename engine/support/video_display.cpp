#include "support/video_display.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace strevo::engine {

namespace {

std::optional<double> Number(std::string_view t) {
  if (t.empty() || t.size() > 32) return std::nullopt;
  std::string s(t);
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !(v > 0) || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int> Integer(std::string_view t) {
  int v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || p != t.data() + t.size() || v < 0) return std::nullopt;
  return v;
}

inline uint8_t Clamp8(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

std::optional<double> ParseAspect(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) return Number(text);
  auto w = Number(text.substr(0, colon)), h = Number(text.substr(colon + 1));
  if (!w || !h) return std::nullopt;
  double r = *w / *h;
  return r > 0.1 && r < 10 ? std::optional<double>(r) : std::nullopt;
}

PixelRect CropRect(std::string_view crop, int width, int height) {
  PixelRect whole{0, 0, width, height};
  if (crop.find(':') != std::string_view::npos) {
    auto ratio = ParseAspect(crop);
    if (!ratio) return whole;
    // The ratio of the kept part in samples (the setting speaks of samples).
    int w = width, h = static_cast<int>(std::lround(width / *ratio));
    if (h > height) h = height, w = static_cast<int>(std::lround(height * *ratio));
    return PixelRect{(width - w) / 2, (height - h) / 2, w, h};
  }
  size_t x = crop.find('x');
  if (x == std::string_view::npos) return whole;
  std::string_view rest = crop.substr(x + 1);
  size_t plus = rest.find('+');
  auto w = Integer(crop.substr(0, x));
  auto h = Integer(rest.substr(0, plus));
  int left = 0, top = 0;
  if (plus != std::string_view::npos) {
    std::string_view offs = rest.substr(plus + 1);
    size_t plus2 = offs.find('+');
    if (plus2 == std::string_view::npos) return whole;
    auto l = Integer(offs.substr(0, plus2)), t = Integer(offs.substr(plus2 + 1));
    if (!l || !t) return whole;
    left = *l, top = *t;
  }
  if (!w || !h || *w == 0 || *h == 0 || left >= width || top >= height) return whole;
  return PixelRect{left, top, std::min(*w, width - left), std::min(*h, height - top)};
}

PictureLayout LayOut(const VideoFrame& frame, std::string_view aspect_setting, std::string_view crop_setting,
                     int window_width, int window_height) {
  PictureLayout l;
  l.source = CropRect(crop_setting, frame.width, frame.height);
  if (frame.width <= 0 || frame.height <= 0 || window_width <= 0 || window_height <= 0) return l;
  double aspect = ParseAspect(aspect_setting).value_or(frame.aspect > 0 ? frame.aspect : 4.0 / 3.0);
  // The display shape of one sample, carried over to the kept part.
  double sample = aspect * frame.height / frame.width;
  double shown = sample * l.source.width / l.source.height;
  int w = window_width, h = static_cast<int>(std::lround(window_width / shown));
  if (h > window_height) h = window_height, w = static_cast<int>(std::lround(window_height * shown));
  l.target = PixelRect{static_cast<int>(std::lround((window_width - w) / 2.0)),
                       static_cast<int>(std::lround((window_height - h) / 2.0)), std::max(w, 1), std::max(h, 1)};
  return l;
}

void ConvertToBgrx(const VideoFrame& f, const PixelRect& src, std::vector<uint8_t>& out) {
  out.resize(static_cast<size_t>(src.width) * src.height * 4);
  int cw = (f.width + 1) / 2;
  uint8_t* o = out.data();
  for (int y = 0; y < src.height; ++y) {
    int fy = src.y + y;
    const uint8_t* yl = &f.y[static_cast<size_t>(fy) * f.width];
    const uint8_t* ul = &f.cb[static_cast<size_t>(fy / 2) * cw];
    const uint8_t* vl = &f.cr[static_cast<size_t>(fy / 2) * cw];
    for (int x = 0; x < src.width; ++x) {
      int fx = src.x + x;
      int c = 298 * (yl[fx] - 16), d = ul[fx / 2] - 128, e = vl[fx / 2] - 128;
      *o++ = Clamp8((c + 516 * d + 128) >> 8);
      *o++ = Clamp8((c - 100 * d - 208 * e + 128) >> 8);
      *o++ = Clamp8((c + 409 * e + 128) >> 8);
      *o++ = 0;
    }
  }
}

std::vector<uint8_t> ConvertToRgb(const VideoFrame& f) {
  std::vector<uint8_t> bgrx;
  ConvertToBgrx(f, PixelRect{0, 0, f.width, f.height}, bgrx);
  std::vector<uint8_t> rgb(static_cast<size_t>(f.width) * f.height * 3);
  for (size_t i = 0, j = 0; i < bgrx.size(); i += 4, j += 3) {
    rgb[j] = bgrx[i + 2];
    rgb[j + 1] = bgrx[i + 1];
    rgb[j + 2] = bgrx[i];
  }
  return rgb;
}

void StreamClock::Pcr(uint64_t pcr, int64_t now_ms) {
  int64_t stream_ms = static_cast<int64_t>(pcr / 27000);
  int64_t offset = now_ms - stream_ms;
  if (!offset_ || std::llabs(offset - *offset_) > 1000) offset_ = offset;
}

int64_t StreamClock::Due(int64_t pts, int64_t now_ms, int64_t delay_ms) {
  int64_t stream_ms = pts / 90;
  if (!offset_) offset_ = now_ms + delay_ms - stream_ms;
  int64_t due = stream_ms + *offset_;
  // A time far from the clock belongs to another timeline: start over from it.
  if (std::llabs(due - now_ms) > 5000) {
    offset_ = now_ms + delay_ms - stream_ms;
    due = now_ms + delay_ms;
  }
  return due;
}

}  // namespace strevo::engine
