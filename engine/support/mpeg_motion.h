// Motion-compensated prediction: half-pel interpolation of a block from a
// reference picture (or one of its fields), optionally averaged with what the
// destination already holds (bidirectional prediction).
#pragma once
#include <cstdint>

namespace strevo::engine {

struct Plane {
  uint8_t* data = nullptr;
  int stride = 0;
  int width = 0;
  int height = 0;
};

// One field (parity 0 = top lines) of a frame's plane.
inline Plane FieldOf(const Plane& p, int parity) {
  return Plane{p.data + parity * p.stride, p.stride * 2, p.width, p.height / 2};
}

// The w x h block whose top-left sample is (x, y) in `ref`'s coordinates,
// displaced by (mvx, mvy) half samples, written to `dst` (or averaged into it
// when `average`). References outside the picture repeat its edge samples, so
// damaged vectors never read outside the plane.
void PredictBlock(const Plane& ref, uint8_t* dst, int dst_stride, int x, int y, int w, int h, int mvx, int mvy,
                  bool average);

}  // namespace strevo::engine
