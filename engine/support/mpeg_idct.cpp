#include "support/mpeg_idct.h"

#include <cmath>
#include <numbers>

namespace strevo::engine {
namespace {

struct Basis {
  float c[8][8];  // c[x][u]: sample x of basis function u
  Basis() {
    for (int x = 0; x < 8; ++x)
      for (int u = 0; u < 8; ++u)
        c[x][u] = static_cast<float>((u == 0 ? std::sqrt(0.125) : 0.5) * std::cos((2 * x + 1) * u * std::numbers::pi / 16));
  }
};
const Basis kBasis;

inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// Most blocks have only a few non-zero rows; rows that are all zero are left
// out of both passes. Returns false for a block that has only its DC term.
bool Transform(const int16_t in[64], int out[64]) {
  float rows[8][8];
  int nonzero[8];
  int count = 0;
  bool only_dc = true;
  for (int v = 0; v < 8; ++v) {
    const int16_t* r = in + v * 8;
    bool any = false;
    for (int u = 0; u < 8; ++u) any |= r[u] != 0;
    if (!any) continue;
    if (v != 0 || r[1] | r[2] | r[3] | r[4] | r[5] | r[6] | r[7]) only_dc = false;
    nonzero[count++] = v;
    for (int x = 0; x < 8; ++x) {
      float s = 0;
      for (int u = 0; u < 8; ++u) s += kBasis.c[x][u] * r[u];
      rows[v][x] = s;
    }
  }
  if (only_dc) {
    // DC alone is exact in integers: F/8 rounded.
    int dc = (in[0] + 4) >> 3;
    for (int i = 0; i < 64; ++i) out[i] = dc;
    return false;
  }
  for (int y = 0; y < 8; ++y) {
    float s[8] = {};
    for (int k = 0; k < count; ++k) {
      int v = nonzero[k];
      float c = kBasis.c[y][v];
      for (int x = 0; x < 8; ++x) s[x] += c * rows[v][x];
    }
    for (int x = 0; x < 8; ++x) out[y * 8 + x] = static_cast<int>(std::floor(s[x] + 0.5f));
  }
  return true;
}

}  // namespace

void InverseDct(const int16_t coeffs[64], int out[64]) { Transform(coeffs, out); }

void IdctPut(const int16_t coeffs[64], uint8_t* dst, int stride) {
  int out[64];
  Transform(coeffs, out);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) dst[y * stride + x] = static_cast<uint8_t>(Clamp255(out[y * 8 + x]));
}

void IdctAdd(const int16_t coeffs[64], uint8_t* dst, int stride) {
  int out[64];
  Transform(coeffs, out);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      // The transform's output saturates to -256..255 before the addition.
      int r = out[y * 8 + x];
      r = r < -256 ? -256 : r > 255 ? 255 : r;
      uint8_t& d = dst[y * stride + x];
      d = static_cast<uint8_t>(Clamp255(d + r));
    }
}

}  // namespace strevo::engine
