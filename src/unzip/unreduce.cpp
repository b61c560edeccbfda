// Reduce (methods 2-5) decoder: follower-set coded bytes feeding a simple
// LZ77 expansion with DLE (144) escapes; factor f = method - 1.

#include <algorithm>
#include <memory>

#include "unzip/decoders.h"

namespace strevo {
namespace {

constexpr uint8_t kDle = 144;

// Index width for a follower set of n members (n >= 1): at least one bit.
unsigned IndexBits(unsigned n) {
  unsigned bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

struct FollowerSets {
  uint8_t size[256];
  uint8_t members[256][32];
};

}  // namespace

int DecodeReduced(DecodeParams& params, int factor) {
  if (factor < 1 || factor > 4 || !params.size_known) return kDecodeCorrupt;
  BitReader br(*params.in);
  OutWindow win(*params.out, params.size, true);
  auto sets = std::make_unique<FollowerSets>();
  for (int j = 255; j >= 0; --j) {
    const unsigned n = br.Get(6);
    if (n > 32) return kDecodeCorrupt;
    sets->size[j] = static_cast<uint8_t>(n);
    for (unsigned i = 0; i < n; ++i) sets->members[j][i] = static_cast<uint8_t>(br.Get(8));
  }
  if (br.bad()) return br.error();

  const unsigned length_bits = 8 - static_cast<unsigned>(factor);
  const uint32_t length_mask = (1u << length_bits) - 1;
  uint8_t last = 0;
  int state = 0;
  uint32_t v = 0, length = 0;
  uint64_t left = params.size;
  while (left) {
    if (br.bad()) return br.error();
    // Stage 1: next byte through the follower set of the previous one.
    uint8_t byte;
    const unsigned n = sets->size[last];
    if (n == 0 || br.Get(1)) {
      byte = static_cast<uint8_t>(br.Get(8));
    } else {
      const unsigned i = br.Get(IndexBits(n));
      if (i >= n) return kDecodeCorrupt;
      byte = sets->members[last][i];
    }
    last = byte;
    // Stage 2: expand.
    switch (state) {
      case 0:
        if (byte == kDle) {
          state = 1;
        } else {
          const int r = win.Put(byte);
          if (r) return r;
          --left;
        }
        break;
      case 1:
        if (byte == 0) {
          const int r = win.Put(kDle);
          if (r) return r;
          --left;
          state = 0;
        } else {
          v = byte;
          length = v & length_mask;
          state = length == length_mask ? 2 : 3;
        }
        break;
      case 2:
        length += byte;
        state = 3;
        break;
      default: {
        const uint32_t dist = ((v >> length_bits) << 8) + byte + 1;
        const uint32_t n_copy = static_cast<uint32_t>(std::min<uint64_t>(length + 3, left));
        const int r = win.CopyMatch(dist, n_copy);
        if (r) return r;
        left -= n_copy;
        state = 0;
        break;
      }
    }
  }
  if (!br.CheckEnd()) return br.error();
  params.consumed = br.BytesConsumed();
  return win.Finish();
}

}  // namespace strevo
