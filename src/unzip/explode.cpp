// Implode (method 6) decoder: 4K or 8K window (flag bit 1), with or without
// a literal tree (flag bit 2), Shannon-Fano coded.

#include <algorithm>

#include "unzip/decoders.h"

namespace strevo {

bool ImplodeAssignCodes(const uint8_t* lengths, unsigned n, uint16_t* codes) {
  // Stable order by length, shortest first; codes are handed out walking
  // that order from its end, so the longest codes get the smallest values.
  uint16_t order[256];
  unsigned k = 0;
  for (unsigned len = 1; len <= 16; ++len)
    for (unsigned s = 0; s < n; ++s)
      if (lengths[s] == len) order[k++] = static_cast<uint16_t>(s);
  if (k != n) return false;
  uint32_t counter = 0, increment = 0;
  unsigned previous = 0;
  for (unsigned i = n; i-- > 0;) {
    const unsigned s = order[i];
    counter += increment;
    if (lengths[s] != previous) {
      increment = 1u << (16 - lengths[s]);
      previous = lengths[s];
    }
    if (counter + increment > 0x10000) return false;  // more codes than the space holds
    codes[s] = static_cast<uint16_t>(counter >> (16 - lengths[s]));
  }
  return true;
}

namespace {

// Decoding by length: the codes of one length are consecutive values, so a
// code read most-significant bit first is looked up per length in O(1).
struct SfTree {
  uint16_t first[17];  // smallest code of each length
  uint16_t count[17];
  uint16_t offset[17];  // index of that code's symbol in `symbols`
  uint16_t symbols[256];
  uint8_t max_len;
};

bool ReadTree(BitReader& br, unsigned n, SfTree& tree) {
  uint8_t lengths[256];
  const unsigned bytes = br.Get(8) + 1;
  unsigned s = 0;
  for (unsigned i = 0; i < bytes; ++i) {
    const unsigned b = br.Get(8);
    const unsigned run = (b >> 4) + 1, len = (b & 15) + 1;
    if (s + run > n) return false;
    for (unsigned j = 0; j < run; ++j) lengths[s++] = static_cast<uint8_t>(len);
  }
  if (s != n || br.bad()) return false;
  uint16_t codes[256];
  if (!ImplodeAssignCodes(lengths, n, codes)) return false;
  std::fill(std::begin(tree.count), std::end(tree.count), 0);
  std::fill(std::begin(tree.first), std::end(tree.first), 0xFFFF);
  tree.max_len = 0;
  for (unsigned i = 0; i < n; ++i) {
    ++tree.count[lengths[i]];
    tree.first[lengths[i]] = std::min(tree.first[lengths[i]], codes[i]);
    tree.max_len = std::max(tree.max_len, lengths[i]);
  }
  uint16_t at = 0;
  for (unsigned len = 1; len <= 16; ++len) {
    tree.offset[len] = at;
    at = static_cast<uint16_t>(at + tree.count[len]);
  }
  for (unsigned i = 0; i < n; ++i) {
    const unsigned len = lengths[i];
    tree.symbols[tree.offset[len] + (codes[i] - tree.first[len])] = static_cast<uint16_t>(i);
  }
  return true;
}

// Returns the symbol, or -1 when no code matches.
int DecodeSf(BitReader& br, const SfTree& tree) {
  if (br.count < 16) br.Refill();
  uint32_t code = 0;
  for (unsigned len = 1; len <= tree.max_len; ++len) {
    code = (code << 1) | static_cast<uint32_t>(br.bits & 1);
    br.bits >>= 1;
    --br.count;
    const uint32_t i = code - tree.first[len];
    if (tree.count[len] && i < tree.count[len]) return tree.symbols[tree.offset[len] + i];
  }
  return -1;
}

}  // namespace

int DecodeImploded(DecodeParams& params) {
  if (!params.size_known) return kDecodeCorrupt;
  const bool big_window = params.flags & 2;
  const bool literal_tree = params.flags & 4;
  const unsigned low_bits = big_window ? 7 : 6;
  const unsigned min_match = literal_tree ? 3 : 2;

  BitReader br(*params.in);
  OutWindow win(*params.out, params.size, true);
  auto trees = std::make_unique<SfTree[]>(3);
  SfTree& lit = trees[0];
  SfTree& len_tree = trees[1];
  SfTree& dist_tree = trees[2];
  if (literal_tree && !ReadTree(br, 256, lit)) return br.bad() ? br.error() : kDecodeCorrupt;
  if (!ReadTree(br, 64, len_tree) || !ReadTree(br, 64, dist_tree))
    return br.bad() ? br.error() : kDecodeCorrupt;

  uint64_t left = params.size;
  while (left) {
    if (br.bad()) return br.error();
    if (br.count < 48) br.Refill();
    if (br.Get(1)) {
      int byte;
      if (literal_tree) {
        byte = DecodeSf(br, lit);
        if (byte < 0) return kDecodeCorrupt;
      } else {
        byte = static_cast<int>(br.Get(8));
      }
      const int r = win.Put(static_cast<uint8_t>(byte));
      if (r) return r;
      --left;
      continue;
    }
    const uint32_t low = br.Get(low_bits);
    const int high = DecodeSf(br, dist_tree);
    if (high < 0) return kDecodeCorrupt;
    const uint32_t dist = ((static_cast<uint32_t>(high) << low_bits) | low) + 1;
    const int l = DecodeSf(br, len_tree);
    if (l < 0) return kDecodeCorrupt;
    uint32_t length = static_cast<uint32_t>(l) + min_match;
    if (l == 63) length += br.Get(8);
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(length, left));
    const int r = win.CopyMatch(dist, n);
    if (r) return r;
    left -= n;
  }
  if (!br.CheckEnd()) return br.error();
  params.consumed = br.BytesConsumed();
  return win.Finish();
}

}  // namespace strevo
