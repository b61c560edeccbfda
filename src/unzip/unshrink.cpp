// Shrink (method 1) decoder: LZW with 9- to 13-bit codes, widened only by
// the escape 256,1 and partially cleared by 256,2.

#include <memory>

#include "unzip/decoders.h"

namespace strevo {
namespace {

constexpr unsigned kMaxBits = 13;
constexpr unsigned kCodes = 1u << kMaxBits;
constexpr unsigned kFirstFree = 257;

struct ShrinkTable {
  uint16_t prefix[kCodes];
  uint8_t suffix[kCodes];
  bool used[kCodes];
  bool is_prefix[kCodes];
  uint8_t stack[kCodes];  // one string, written back to front
};

// Writes the string of `code` to the end of the stack; returns its first
// index, or -1 when the chain is longer than any real string can be (a
// corrupt table with a cycle).
int Expand(ShrinkTable& t, unsigned code) {
  int at = kCodes;
  while (code >= 256) {
    if (at == 0) return -1;
    t.stack[--at] = t.suffix[code];
    code = t.prefix[code];
  }
  if (at == 0) return -1;
  t.stack[--at] = static_cast<uint8_t>(code);
  return at;
}

}  // namespace

int DecodeShrunk(DecodeParams& params) {
  if (!params.size_known) return kDecodeCorrupt;
  BitReader br(*params.in);
  OutWindow win(*params.out, params.size, true);
  auto table = std::make_unique<ShrinkTable>();
  ShrinkTable& t = *table;
  for (unsigned c = 0; c < kCodes; ++c) {
    t.prefix[c] = 0;
    t.suffix[c] = 0;
    t.used[c] = c < 256;
    t.is_prefix[c] = false;
  }
  unsigned width = 9;
  unsigned free_code = kFirstFree;
  uint64_t left = params.size;
  if (left == 0) {
    if (!br.CheckEnd()) return br.error();
    return win.Finish();
  }

  int old = static_cast<int>(br.Get(width));
  if (br.bad()) return br.error();
  if (old >= 256) return kDecodeCorrupt;
  {
    const int r = win.Put(static_cast<uint8_t>(old));
    if (r) return r;
    --left;
  }
  while (left) {
    if (br.bad()) return br.error();
    const unsigned code = br.Get(width);
    if (code == 256) {
      const unsigned command = br.Get(width);
      if (command == 1) {
        if (width >= kMaxBits) return kDecodeCorrupt;
        ++width;
      } else if (command == 2) {
        // Partial clear: free every string that no other string extends.
        for (unsigned c = kFirstFree; c < kCodes; ++c) t.is_prefix[c] = false;
        for (unsigned c = kFirstFree; c < kCodes; ++c)
          if (t.used[c]) t.is_prefix[t.prefix[c]] = true;
        for (unsigned c = kFirstFree; c < kCodes; ++c)
          if (!t.is_prefix[c]) t.used[c] = false;
        free_code = kFirstFree;
        while (free_code < kCodes && t.used[free_code]) ++free_code;
      } else {
        return kDecodeCorrupt;
      }
      continue;
    }
    int first;
    uint8_t extra = 0;
    bool append_extra = false;
    if (t.used[code]) {
      first = Expand(t, code);
    } else if (code == free_code) {
      // The code about to be added: previous string + its own first byte.
      first = Expand(t, static_cast<unsigned>(old));
      if (first >= 0) {
        extra = t.stack[first];
        append_extra = true;
      }
    } else {
      return kDecodeCorrupt;
    }
    if (first < 0) return kDecodeCorrupt;
    const uint8_t first_byte = t.stack[first];
    // Add previous string + first byte of this one at the lowest free code.
    if (free_code < kCodes) {
      t.prefix[free_code] = static_cast<uint16_t>(old);
      t.suffix[free_code] = first_byte;
      t.used[free_code] = true;
      while (free_code < kCodes && t.used[free_code]) ++free_code;
    }
    for (unsigned i = static_cast<unsigned>(first); i < kCodes && left; ++i, --left) {
      const int r = win.Put(t.stack[i]);
      if (r) return r;
    }
    if (append_extra && left) {
      const int r = win.Put(extra);
      if (r) return r;
      --left;
    }
    old = static_cast<int>(code);
  }
  if (!br.CheckEnd()) return br.error();
  params.consumed = br.BytesConsumed();
  return win.Finish();
}

}  // namespace strevo
