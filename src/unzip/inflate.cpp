// Deflate (RFC 1951) decoder: stored, fixed and dynamic Huffman blocks.
//
// Speed matters here (large guide and component archives): symbols are
// decoded through two-level lookup tables from a 64-bit bit buffer that is
// refilled eight bytes at a time, and matches are copied in 8-byte chunks
// within an output buffer that never wraps.

#include <algorithm>
#include <cstring>
#include <memory>

#include "unzip/decoders.h"

namespace strevo {
namespace {

// Table entry layout: bits 0-4 bits to drop, 5-7 kind, 8-12 extra bits (or
// subtable index bits), 16-31 value (literal, base, or subtable start).
enum Kind : uint32_t { kLiteral = 0, kBase = 1, kEndOfBlock = 2, kSubtable = 3, kInvalid = 4 };

constexpr uint32_t MakeEntry(uint32_t drop, uint32_t kind, uint32_t extra, uint32_t value) {
  return drop | (kind << 5) | (extra << 8) | (value << 16);
}
inline uint32_t KindOf(uint32_t e) { return (e >> 5) & 7; }
inline uint32_t DropOf(uint32_t e) { return e & 31; }
inline uint32_t ExtraOf(uint32_t e) { return (e >> 8) & 31; }
inline uint32_t ValueOf(uint32_t e) { return e >> 16; }

constexpr unsigned kLitRoot = 10;
constexpr unsigned kDistRoot = 8;
constexpr unsigned kCodeLenRoot = 7;
// Enough for any complete code: each subtable of 2^k entries needs at least
// k + 1 codes behind it, so 288 codes cannot need more than these.
constexpr unsigned kLitTableSize = (1u << kLitRoot) + 48 * 32 + 64;
constexpr unsigned kDistTableSize = (1u << kDistRoot) + 16 * 128;
constexpr unsigned kCodeLenTableSize = 1u << kCodeLenRoot;

constexpr uint16_t kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                    33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                    1025, 1537, 2049, 3073, 4097, 6145,  8193,  12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr uint8_t kCodeLenOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

enum class Alphabet { kLitLen, kDist, kCodeLen };

uint32_t SymbolEntry(Alphabet a, unsigned sym, uint32_t drop) {
  switch (a) {
    case Alphabet::kLitLen:
      if (sym < 256) return MakeEntry(drop, kLiteral, 0, sym);
      if (sym == 256) return MakeEntry(drop, kEndOfBlock, 0, 0);
      if (sym <= 285) return MakeEntry(drop, kBase, kLenExtra[sym - 257], kLenBase[sym - 257]);
      return MakeEntry(drop, kInvalid, 0, 0);
    case Alphabet::kDist:
      if (sym < 30) return MakeEntry(drop, kBase, kDistExtra[sym], kDistBase[sym]);
      return MakeEntry(drop, kInvalid, 0, 0);
    case Alphabet::kCodeLen:
      return MakeEntry(drop, kLiteral, 0, sym);
  }
  return MakeEntry(drop, kInvalid, 0, 0);
}

inline uint32_t Reverse(uint32_t code, unsigned len) {
  uint32_t r = 0;
  for (unsigned i = 0; i < len; ++i, code >>= 1) r = (r << 1) | (code & 1);
  return r;
}

// Builds a decoding table from canonical code lengths. Rejects
// over-subscribed codes, and incomplete ones except a lone 1-bit code (or
// no code at all), as RFC 1951 streams from real encoders allow.
bool BuildTable(const uint8_t* lens, unsigned n, Alphabet alphabet, unsigned root, uint32_t* table,
                unsigned capacity) {
  unsigned count[16] = {};
  for (unsigned i = 0; i < n; ++i) ++count[lens[i]];
  count[0] = 0;
  int left = 1;
  unsigned used = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    left = (left << 1) - static_cast<int>(count[len]);
    if (left < 0) return false;
    used += count[len];
  }
  if (left > 0 && used > 1) return false;
  if (used == 1 && count[1] != 1) return false;

  const uint32_t bad = MakeEntry(0, kInvalid, 0, 0);
  std::fill(table, table + (1u << root), bad);

  uint16_t next_code[16] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    code = (code + count[len - 1]) << 1;
    next_code[len] = static_cast<uint16_t>(code);
  }
  uint16_t rev[320];
  uint8_t sub_bits[1u << kLitRoot] = {};
  const uint32_t root_mask = (1u << root) - 1;
  for (unsigned s = 0; s < n; ++s) {
    const unsigned len = lens[s];
    if (!len) continue;
    rev[s] = static_cast<uint16_t>(Reverse(next_code[len]++, len));
    if (len <= root) {
      const uint32_t e = SymbolEntry(alphabet, s, len);
      for (uint32_t i = rev[s]; i <= root_mask; i += 1u << len) table[i] = e;
    } else {
      uint8_t& sb = sub_bits[rev[s] & root_mask];
      sb = std::max<uint8_t>(sb, static_cast<uint8_t>(len - root));
    }
  }
  // Second level: one subtable per root prefix that longer codes share.
  unsigned next = 1u << root;
  for (uint32_t p = 0; p <= root_mask; ++p) {
    if (!sub_bits[p]) continue;
    const unsigned size = 1u << sub_bits[p];
    if (next + size > capacity) return false;
    table[p] = MakeEntry(root, kSubtable, sub_bits[p], next);
    std::fill(table + next, table + next + size, bad);
    next += size;
  }
  for (unsigned s = 0; s < n; ++s) {
    const unsigned len = lens[s];
    if (len <= root) continue;
    const uint32_t head = table[rev[s] & root_mask];
    const uint32_t base = ValueOf(head), size = 1u << ExtraOf(head);
    const uint32_t e = SymbolEntry(alphabet, s, len - root);
    for (uint32_t i = rev[s] >> root; i < size; i += 1u << (len - root)) table[base + i] = e;
  }
  return true;
}

struct InflateState {
  uint32_t lit[kLitTableSize];
  uint32_t dist[kDistTableSize];
  uint32_t codelen[kCodeLenTableSize];
  uint32_t fixed_lit[kLitTableSize];
  uint32_t fixed_dist[kDistTableSize];
  bool fixed_built = false;
  uint8_t lens[288 + 32];
};

// Decodes one symbol with a table (for header decoding; the hot loop inlines this).
inline uint32_t DecodeSlow(BitReader& br, const uint32_t* table, unsigned root) {
  br.Refill();
  uint32_t e = table[br.bits & ((1u << root) - 1)];
  if (KindOf(e) == kSubtable) {
    br.bits >>= root;
    br.count -= root;
    e = table[ValueOf(e) + (br.bits & ((1u << ExtraOf(e)) - 1))];
  }
  br.bits >>= DropOf(e);
  br.count -= DropOf(e);
  return e;
}

bool ReadDynamicTables(BitReader& br, InflateState& s) {
  br.Refill();
  const unsigned hlit = br.Get(5) + 257;
  const unsigned hdist = br.Get(5) + 1;
  const unsigned hclen = br.Get(4) + 4;
  if (hlit > 286 || hdist > 30) return false;
  uint8_t cl[19] = {};
  br.Refill();
  for (unsigned i = 0; i < hclen; ++i) cl[kCodeLenOrder[i]] = static_cast<uint8_t>(br.Get(3));
  if (!BuildTable(cl, 19, Alphabet::kCodeLen, kCodeLenRoot, s.codelen, kCodeLenTableSize)) return false;
  const unsigned total = hlit + hdist;
  unsigned i = 0;
  while (i < total) {
    if (br.bad()) return false;
    const uint32_t e = DecodeSlow(br, s.codelen, kCodeLenRoot);
    if (KindOf(e) != kLiteral) return false;
    const unsigned sym = ValueOf(e);
    if (sym < 16) {
      s.lens[i++] = static_cast<uint8_t>(sym);
      continue;
    }
    unsigned repeat;
    uint8_t value = 0;
    if (sym == 16) {
      if (i == 0) return false;
      value = s.lens[i - 1];
      repeat = 3 + br.Get(2);
    } else if (sym == 17) {
      repeat = 3 + br.Get(3);
    } else {
      repeat = 11 + br.Get(7);
    }
    if (i + repeat > total) return false;
    std::memset(s.lens + i, value, repeat);
    i += repeat;
  }
  if (br.bad() || s.lens[256] == 0) return false;
  return BuildTable(s.lens, hlit, Alphabet::kLitLen, kLitRoot, s.lit, kLitTableSize) &&
         BuildTable(s.lens + hlit, hdist, Alphabet::kDist, kDistRoot, s.dist, kDistTableSize);
}

void BuildFixedTables(InflateState& s) {
  uint8_t lens[288];
  std::fill(lens, lens + 144, 8);
  std::fill(lens + 144, lens + 256, 9);
  std::fill(lens + 256, lens + 280, 7);
  std::fill(lens + 280, lens + 288, 8);
  BuildTable(lens, 288, Alphabet::kLitLen, kLitRoot, s.fixed_lit, kLitTableSize);
  std::fill(lens, lens + 32, 5);
  BuildTable(lens, 32, Alphabet::kDist, kDistRoot, s.fixed_dist, kDistTableSize);
  s.fixed_built = true;
}

// The hot loop of a Huffman-coded block. Works on local copies of the bit
// reader and window state; they are written back around every call out.
int DecodeHuffmanBlock(BitReader& br, OutWindow& win, const uint32_t* lit, const uint32_t* dist) {
  uint64_t bits = br.bits;
  unsigned count = br.count;
  const uint8_t* in = br.next;
  const uint8_t* in_end = br.end;
  uint8_t* const out = win.buf();
  uint32_t pos = win.pos;
  uint32_t lowest = win.lowest;

  auto save = [&] {
    br.bits = bits;
    br.count = count;
    br.next = in;
    win.pos = pos;
  };
  auto load = [&] {
    bits = br.bits;
    count = br.count;
    in = br.next;
    in_end = br.end;
    pos = win.pos;
    lowest = win.lowest;
  };
  constexpr uint32_t kLitMask = (1u << kLitRoot) - 1;
  constexpr uint32_t kDistMask = (1u << kDistRoot) - 1;

  for (;;) {
    if (pos >= OutWindow::kFull) {
      save();
      const int r = win.Slide();
      if (r) return r;
      load();
    }
    if (in_end - in >= 8) {
      bits |= BitReader::Load64(in) << count;
      in += (63 - count) >> 3;
      count |= 56;
    } else {
      save();
      br.RefillSlow();
      if (br.bad()) return br.error();
      load();
    }
    uint32_t e = lit[bits & kLitMask];
    if (KindOf(e) == kLiteral) {
      // Literals are the common case: take up to two more without a refill
      // while the buffer surely holds a whole code (<= 15 bits) for each.
      bits >>= DropOf(e);
      count -= DropOf(e);
      out[pos++] = static_cast<uint8_t>(ValueOf(e));
      e = lit[bits & kLitMask];
      if (KindOf(e) != kLiteral) goto not_literal;
      bits >>= DropOf(e);
      count -= DropOf(e);
      out[pos++] = static_cast<uint8_t>(ValueOf(e));
      e = lit[bits & kLitMask];
      if (KindOf(e) != kLiteral) goto not_literal;
      bits >>= DropOf(e);
      count -= DropOf(e);
      out[pos++] = static_cast<uint8_t>(ValueOf(e));
      continue;
    }
  not_literal:
    // After up to two literals (<= 20 bits) at least 36 bits remain, which
    // covers a length code with its extra bits (20) - but not also the
    // distance, so refill in between when needed.
    if (KindOf(e) == kSubtable) {
      bits >>= kLitRoot;
      count -= kLitRoot;
      e = lit[ValueOf(e) + (bits & ((1u << ExtraOf(e)) - 1))];
      if (KindOf(e) == kLiteral) {
        bits >>= DropOf(e);
        count -= DropOf(e);
        out[pos++] = static_cast<uint8_t>(ValueOf(e));
        continue;
      }
    }
    bits >>= DropOf(e);
    count -= DropOf(e);
    if (KindOf(e) != kBase) {
      if (KindOf(e) == kEndOfBlock) break;
      save();
      return kDecodeCorrupt;
    }
    uint32_t extra = ExtraOf(e);
    const uint32_t len = ValueOf(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
    bits >>= extra;
    count -= extra;
    if (count < 28) {
      if (in_end - in >= 8) {
        bits |= BitReader::Load64(in) << count;
        in += (63 - count) >> 3;
        count |= 56;
      } else {
        save();
        br.RefillSlow();
        if (br.bad()) return br.error();
        load();
      }
    }
    e = dist[bits & kDistMask];
    if (KindOf(e) == kSubtable) {
      bits >>= kDistRoot;
      count -= kDistRoot;
      e = dist[ValueOf(e) + (bits & ((1u << ExtraOf(e)) - 1))];
    }
    bits >>= DropOf(e);
    count -= DropOf(e);
    if (KindOf(e) != kBase) {
      save();
      return kDecodeCorrupt;
    }
    extra = ExtraOf(e);
    const uint32_t d = ValueOf(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
    bits >>= extra;
    count -= extra;
    if (d > pos - lowest) {  // reaches before the start of the output
      save();
      return kDecodeCorrupt;
    }
    uint8_t* dst = out + pos;
    const uint8_t* src = dst - d;
    pos += len;
    if (d >= 8) {
      // May write up to 7 bytes past the match; the buffer has slack and
      // those bytes are overwritten by later output.
      uint8_t* const stop = out + pos;
      do {
        std::memcpy(dst, src, 8);
        dst += 8;
        src += 8;
      } while (dst < stop);
    } else if (d == 1) {
      std::memset(dst, *src, len);
    } else {
      for (uint32_t i = 0; i < len; ++i) dst[i] = src[i];
    }
  }
  save();
  return 0;
}

int StoredBlock(BitReader& br, OutWindow& win) {
  br.AlignToByte();
  br.Refill();
  const uint32_t len = br.Get(16);
  const uint32_t nlen = br.Get(16);
  if (br.bad()) return br.error();
  if ((len ^ 0xFFFF) != nlen) return kDecodeCorrupt;
  uint32_t left = len;
  while (left) {
    const uint32_t n = std::min(left, OutWindow::kFull - win.pos);
    if (!br.ReadBytes(win.buf() + win.pos, n)) return br.error();
    win.pos += n;
    left -= n;
    if (win.pos >= OutWindow::kFull) {
      const int r = win.Slide();
      if (r) return r;
    }
  }
  return 0;
}

}  // namespace

int DecodeDeflated(DecodeParams& params) {
  BitReader br(*params.in);
  OutWindow win(*params.out, params.size, params.size_known);
  // Tables are filled before use; skip zeroing 60 KB per entry.
  std::unique_ptr<InflateState> state(new InflateState);
  int r = 0;
  for (bool last = false; !last;) {
    br.Refill();
    last = br.Get(1) != 0;
    const uint32_t type = br.Get(2);
    if (br.bad()) return br.error();
    if (type == 0) {
      r = StoredBlock(br, win);
    } else if (type == 1) {
      if (!state->fixed_built) BuildFixedTables(*state);
      r = DecodeHuffmanBlock(br, win, state->fixed_lit, state->fixed_dist);
    } else if (type == 2) {
      if (!ReadDynamicTables(br, *state)) return br.bad() ? br.error() : kDecodeCorrupt;
      r = DecodeHuffmanBlock(br, win, state->lit, state->dist);
    } else {
      return kDecodeCorrupt;
    }
    if (r) return r;
  }
  if (!br.CheckEnd()) return br.error();
  params.consumed = br.BytesConsumed();
  if (params.size_known && win.Total() != params.size) return kDecodeCorrupt;
  return win.Finish();
}

}  // namespace strevo
