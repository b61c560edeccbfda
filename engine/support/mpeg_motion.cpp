#include "support/mpeg_motion.h"

#include <algorithm>
#include <cstddef>

namespace strevo::engine {
namespace {

template <bool kHx, bool kHy>
void Interpolate(const uint8_t* s, int ss, uint8_t* d, int ds, int w, int h, bool average) {
  for (int j = 0; j < h; ++j, s += ss, d += ds) {
    for (int i = 0; i < w; ++i) {
      int v;
      if (kHx && kHy) {
        v = (s[i] + s[i + 1] + s[i + ss] + s[i + ss + 1] + 2) >> 2;
      } else if (kHx) {
        v = (s[i] + s[i + 1] + 1) >> 1;
      } else if (kHy) {
        v = (s[i] + s[i + ss] + 1) >> 1;
      } else {
        v = s[i];
      }
      d[i] = static_cast<uint8_t>(average ? (d[i] + v + 1) >> 1 : v);
    }
  }
}

}  // namespace

void PredictBlock(const Plane& ref, uint8_t* dst, int dst_stride, int x, int y, int w, int h, int mvx, int mvy,
                  bool average) {
  int ix = x + (mvx >> 1), iy = y + (mvy >> 1);
  bool hx = (mvx & 1) != 0, hy = (mvy & 1) != 0;
  const uint8_t* src;
  int ss;
  uint8_t edge[17 * 17];
  if (ix >= 0 && iy >= 0 && ix + w + hx <= ref.width && iy + h + hy <= ref.height) {
    src = ref.data + static_cast<ptrdiff_t>(iy) * ref.stride + ix;
    ss = ref.stride;
  } else {
    // Outside the picture: a copy with the edge samples repeated.
    ss = w + 1;
    for (int j = 0; j <= h; ++j) {
      int sy = std::clamp(iy + j, 0, ref.height - 1);
      for (int i = 0; i <= w; ++i) {
        int sx = std::clamp(ix + i, 0, ref.width - 1);
        edge[j * ss + i] = ref.data[static_cast<ptrdiff_t>(sy) * ref.stride + sx];
      }
    }
    src = edge;
  }
  if (hx && hy) Interpolate<true, true>(src, ss, dst, dst_stride, w, h, average);
  else if (hx) Interpolate<true, false>(src, ss, dst, dst_stride, w, h, average);
  else if (hy) Interpolate<false, true>(src, ss, dst, dst_stride, w, h, average);
  else Interpolate<false, false>(src, ss, dst, dst_stride, w, h, average);
}

}  // namespace strevo::engine
