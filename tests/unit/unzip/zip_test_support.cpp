#include "zip_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <utility>

#include <unistd.h>

#include "unzip/crc32.h"
#include "unzip/decoders.h"
#include "unzip/xz.h"

namespace strevo::ziptest {

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string ToString(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::string XzTool(const Bytes& data, const std::string& options) {
  static int serial = 0;
  const std::string in = testing::TempDir() + "xz_input_" + std::to_string(getpid()) + "_" + std::to_string(++serial);
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
  std::string packed;
  if (FILE* p = popen(("xz -c -T1 " + options + " < " + in).c_str(), "r")) {
    char buf[65536];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) packed.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << "xz " << options;
  }
  std::remove(in.c_str());
  EXPECT_TRUE(IsXz(packed)) << "the xz tool (xz-utils) made nothing of: xz " << options;
  return packed;
}

void BitWriter::Put(uint32_t value, unsigned bits) {
  if (bits == 0) return;
  acc_ |= static_cast<uint64_t>(value & ((bits == 32 ? 0 : (1u << bits)) - 1)) << count_;
  count_ += bits;
  while (count_ >= 8) {
    out_.push_back(static_cast<uint8_t>(acc_));
    acc_ >>= 8;
    count_ -= 8;
  }
}

void BitWriter::PutMsbFirst(uint32_t code, unsigned bits) {
  for (unsigned i = bits; i-- > 0;) Put((code >> i) & 1, 1);
}

void BitWriter::AlignToByte() {
  if (count_ % 8) Put(0, 8 - count_ % 8);
}

Bytes BitWriter::Finish() {
  AlignToByte();
  return out_;
}

namespace {

void Le16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}

// Canonical Huffman codes (deflate) from lengths.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lens) {
  unsigned count[16] = {};
  for (uint8_t l : lens) ++count[l];
  count[0] = 0;
  uint32_t next[16] = {}, code = 0;
  for (unsigned len = 1; len < 16; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint32_t> codes(lens.size());
  for (size_t s = 0; s < lens.size(); ++s)
    if (lens[s]) codes[s] = next[lens[s]]++;
  return codes;
}

constexpr uint16_t kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void FixedLitLen(BitWriter& w, unsigned sym) {
  if (sym < 144) w.PutMsbFirst(0x30 + sym, 8);
  else if (sym < 256) w.PutMsbFirst(0x190 + sym - 144, 9);
  else if (sym < 280) w.PutMsbFirst(sym - 256, 7);
  else w.PutMsbFirst(0xC0 + sym - 280, 8);
}

}  // namespace

Bytes BuildZip(const std::vector<ZipEntrySpec>& entries, const Bytes& stub, bool adjust_offsets, bool zip64_end) {
  Bytes out = stub;
  Bytes central;
  const uint32_t bias = adjust_offsets ? 0 : static_cast<uint32_t>(stub.size());
  auto le64 = [](Bytes& b, uint64_t v) {
    Le32(b, static_cast<uint32_t>(v));
    Le32(b, static_cast<uint32_t>(v >> 32));
  };
  for (const ZipEntrySpec& e : entries) {
    const uint32_t crc = e.override_crc ? e.crc : Crc32(e.plain.data(), e.plain.size());
    const uint32_t size = e.override_size ? e.size : static_cast<uint32_t>(e.plain.size());
    const uint32_t csize = static_cast<uint32_t>(e.data.size());
    const uint64_t size64 = e.zip64_size ? e.zip64_size : size;
    const uint16_t flags = static_cast<uint16_t>(e.flags | (e.descriptor ? 8 : 0));
    const uint32_t offset = static_cast<uint32_t>(out.size()) - bias;
    const uint32_t marked = 0xFFFFFFFFu;
    Le32(out, 0x04034B50);
    Le16(out, e.zip64 ? 45 : 20);
    Le16(out, flags);
    Le16(out, e.method);
    Le32(out, e.date_time);
    Le32(out, e.descriptor ? 0 : crc);
    Le32(out, e.descriptor ? 0 : e.zip64 ? marked : csize);
    Le32(out, e.descriptor ? 0 : e.zip64 ? marked : size);
    Le16(out, static_cast<uint32_t>(e.name.size()));
    Le16(out, e.zip64 ? 20 : 0);
    out.insert(out.end(), e.name.begin(), e.name.end());
    if (e.zip64) {
      Le16(out, 1);
      Le16(out, 16);
      le64(out, size64);
      le64(out, csize);
    }
    out.insert(out.end(), e.data.begin(), e.data.end());
    if (e.descriptor) {
      if (e.descriptor_signature) Le32(out, 0x08074B50);
      Le32(out, crc);
      Le32(out, csize);
      Le32(out, size);
    }
    Le32(central, 0x02014B50);
    Le16(central, e.made_by);
    Le16(central, e.zip64 ? 45 : 20);
    Le16(central, flags);
    Le16(central, e.method);
    Le32(central, e.date_time);
    Le32(central, crc);
    Le32(central, e.zip64 ? marked : csize);
    Le32(central, e.zip64 ? marked : size);
    Le16(central, static_cast<uint32_t>(e.name.size()));
    Le16(central, e.zip64 ? 28 : 0);
    Le16(central, 0);
    Le16(central, 0);
    Le16(central, 0);
    Le32(central, e.external_attributes);
    Le32(central, e.zip64 ? marked : offset);
    central.insert(central.end(), e.name.begin(), e.name.end());
    if (e.zip64) {
      Le16(central, 1);
      Le16(central, 24);
      le64(central, size64);
      le64(central, csize);
      le64(central, offset);
    }
  }
  const uint32_t dir_offset = static_cast<uint32_t>(out.size()) - bias;
  out.insert(out.end(), central.begin(), central.end());
  if (zip64_end) {
    const uint32_t end64 = static_cast<uint32_t>(out.size()) - bias;
    Le32(out, 0x06064B50);
    le64(out, 44);
    Le16(out, 45);
    Le16(out, 45);
    Le32(out, 0);
    Le32(out, 0);
    le64(out, entries.size());
    le64(out, entries.size());
    le64(out, central.size());
    le64(out, dir_offset);
    Le32(out, 0x07064B50);
    Le32(out, 0);
    le64(out, end64);
    Le32(out, 1);
  }
  Le32(out, 0x06054B50);
  Le16(out, 0);
  Le16(out, 0);
  Le16(out, zip64_end ? 0xFFFF : static_cast<uint32_t>(std::min<size_t>(entries.size(), 0xFFFF)));
  Le16(out, zip64_end ? 0xFFFF : static_cast<uint32_t>(std::min<size_t>(entries.size(), 0xFFFF)));
  Le32(out, zip64_end ? 0xFFFFFFFFu : static_cast<uint32_t>(central.size()));
  Le32(out, zip64_end ? 0xFFFFFFFFu : dir_offset);
  Le16(out, 0);
  return out;
}

ZipEntrySpec Stored(const std::string& name, const std::string& content) {
  ZipEntrySpec e;
  e.name = name;
  e.method = 0;
  e.data = ToBytes(content);
  e.plain = e.data;
  return e;
}

Bytes DeflateFixed(const Bytes& plain, bool final_block) {
  BitWriter w;
  w.Put(final_block ? 1 : 0, 1);
  w.Put(1, 2);
  // Hash chains over 3-byte prefixes, newest first.
  std::vector<int64_t> head(1 << 15, -1), prev(plain.size(), -1);
  auto hash = [&](size_t k) {
    return ((plain[k] << 10) ^ (plain[k + 1] << 5) ^ plain[k + 2]) & 0x7FFF;
  };
  auto insert = [&](size_t k) {
    if (k + 3 > plain.size()) return;
    prev[k] = head[hash(k)];
    head[hash(k)] = static_cast<int64_t>(k);
  };
  size_t i = 0;
  while (i < plain.size()) {
    size_t best_len = 0, best_dist = 0;
    if (i + 3 <= plain.size()) {
      int tries = 0;
      for (int64_t p = head[hash(i)]; p >= 0 && tries < 64 && best_len < 258; p = prev[p], ++tries) {
        const size_t dist = i - static_cast<size_t>(p);
        if (dist > 32768) break;
        size_t len = 0;
        while (len < 258 && i + len < plain.size() && plain[p + len] == plain[i + len]) ++len;
        if (len > best_len) {
          best_len = len;
          best_dist = dist;
        }
      }
    }
    const size_t step = best_len >= 3 ? best_len : 1;
    for (size_t k = 0; k < step; ++k) insert(i + k);
    if (best_len >= 3) {
      unsigned ls = 0;
      while (ls + 1 < 29 && kLenBase[ls + 1] <= best_len) ++ls;
      FixedLitLen(w, 257 + ls);
      w.Put(static_cast<uint32_t>(best_len - kLenBase[ls]), kLenExtra[ls]);
      unsigned ds = 0;
      while (ds + 1 < 30 && kDistBase[ds + 1] <= best_dist) ++ds;
      w.PutMsbFirst(ds, 5);
      w.Put(static_cast<uint32_t>(best_dist - kDistBase[ds]), kDistExtra[ds]);
    } else {
      FixedLitLen(w, plain[i]);
    }
    i += step;
  }
  FixedLitLen(w, 256);
  return w.Finish();
}

Bytes DeflateStoredBlocks(const Bytes& plain) {
  BitWriter w;
  size_t i = 0;
  do {
    const size_t n = std::min<size_t>(65535, plain.size() - i);
    const bool last = i + n == plain.size();
    w.Put(last ? 1 : 0, 1);
    w.Put(0, 2);
    w.AlignToByte();
    w.Put(static_cast<uint32_t>(n), 16);
    w.Put(static_cast<uint32_t>(~n & 0xFFFF), 16);
    for (size_t k = 0; k < n; ++k) w.PutByte(plain[i + k]);
    i += n;
  } while (i < plain.size());
  return w.Finish();
}

Bytes DeflateDynamicLiterals(const Bytes& plain) {
  // Literal/length code: 0-127 8 bits, 128-255 9 bits, end of block 2
  // bits, lengths unused (zero). Distance: a single 1-bit code.
  std::vector<uint8_t> lit(286, 0);
  std::fill(lit.begin(), lit.begin() + 128, 8);
  std::fill(lit.begin() + 128, lit.begin() + 256, 9);
  lit[256] = 2;
  std::vector<uint8_t> cl(19, 0);
  cl[8] = 2;
  cl[16] = 2;
  cl[1] = 3;
  cl[2] = 3;
  cl[9] = 3;
  cl[18] = 3;
  const std::vector<uint32_t> cl_codes = CanonicalCodes(cl);
  const std::vector<uint32_t> lit_codes = CanonicalCodes(lit);
  static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

  BitWriter w;
  w.Put(1, 1);
  w.Put(2, 2);
  w.Put(286 - 257, 5);
  w.Put(1 - 1, 5);
  w.Put(18 - 4, 4);  // code length code lengths up to symbol 1
  for (int i = 0; i < 18; ++i) w.Put(cl[order[i]], 3);
  auto sym = [&](unsigned s) { w.PutMsbFirst(cl_codes[s], cl[s]); };
  for (uint8_t len : {8, 9}) {
    sym(len);  // one, then 127 more by repeats
    for (int k = 0; k < 21; ++k) {
      sym(16);
      w.Put(3, 2);  // 6 more
    }
    sym(len);
  }
  sym(2);      // end of block
  sym(18);
  w.Put(29 - 11, 7);  // 29 zero lengths
  sym(1);             // the distance code
  for (uint8_t b : plain) w.PutMsbFirst(lit_codes[b], lit[b]);
  w.PutMsbFirst(lit_codes[256], lit[256]);
  return w.Finish();
}

Bytes Shrink(const Bytes& plain, unsigned clear_every, ShrinkStats* stats) {
  constexpr unsigned kCodes = 8192;
  std::vector<uint16_t> prefix(kCodes);
  std::vector<uint8_t> suffix(kCodes), first(kCodes);
  std::vector<bool> used(kCodes, false);
  std::map<std::pair<unsigned, uint8_t>, unsigned> dict;
  for (unsigned c = 0; c < 256; ++c) {
    used[c] = true;
    first[c] = static_cast<uint8_t>(c);
  }
  unsigned free_code = 257, width = 9, emitted = 0;
  int prev = -1;
  bool clear_pending = false;
  BitWriter w;
  auto emit = [&](unsigned code) {
    while (code >= (1u << width)) {
      w.Put(256, width);
      w.Put(1, width);
      ++width;
      if (stats) stats->max_width = width;
    }
    w.Put(code, width);
    if (prev >= 0 && free_code < kCodes) {
      prefix[free_code] = static_cast<uint16_t>(prev);
      suffix[free_code] = first[code];
      first[free_code] = first[prev];
      used[free_code] = true;
      dict[{static_cast<unsigned>(prev), first[code]}] = free_code;
      while (free_code < kCodes && used[free_code]) ++free_code;
    }
    prev = static_cast<int>(code);
    if (clear_every && ++emitted % clear_every == 0) clear_pending = true;
  };
  auto try_clear = [&] {
    // Only when the previous code survives the clear, so that the next
    // entry's prefix is still a live string.
    std::vector<bool> is_prefix(kCodes, false);
    for (unsigned c = 257; c < kCodes; ++c)
      if (used[c]) is_prefix[prefix[c]] = true;
    if (prev >= 257 && !is_prefix[prev]) return;
    w.Put(256, width);
    w.Put(2, width);
    for (unsigned c = 257; c < kCodes; ++c) {
      if (used[c] && !is_prefix[c]) {
        used[c] = false;
        dict.erase({prefix[c], suffix[c]});
      }
    }
    free_code = 257;
    while (free_code < kCodes && used[free_code]) ++free_code;
    clear_pending = false;
    if (stats) ++stats->clears;
  };
  if (plain.empty()) return w.Finish();
  unsigned cur = plain[0];
  for (size_t i = 1; i < plain.size(); ++i) {
    auto it = dict.find({cur, plain[i]});
    if (it != dict.end() && used[it->second]) {
      cur = it->second;
      continue;
    }
    emit(cur);
    cur = plain[i];
    if (clear_pending) try_clear();
  }
  emit(cur);
  return w.Finish();
}

namespace {
unsigned IndexBits(unsigned n) {
  unsigned bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}
}  // namespace

Bytes Reduce(const std::vector<ReduceToken>& tokens, int factor,
             const std::vector<std::vector<uint8_t>>& follower) {
  const unsigned length_bits = 8 - static_cast<unsigned>(factor);
  const uint32_t mask = (1u << length_bits) - 1;
  Bytes stage2;
  for (const ReduceToken& t : tokens) {
    if (!t.match) {
      stage2.push_back(t.literal);
      if (t.literal == 144) stage2.push_back(0);
      continue;
    }
    const uint32_t l = t.length - 3, d = t.distance - 1;
    const uint32_t v = std::min(l, mask) | ((d >> 8) << length_bits);
    stage2.push_back(144);
    stage2.push_back(static_cast<uint8_t>(v));
    if (l >= mask) stage2.push_back(static_cast<uint8_t>(l - mask));
    stage2.push_back(static_cast<uint8_t>(d & 0xFF));
  }
  std::vector<std::vector<uint8_t>> sets(256);
  for (size_t j = 0; j < follower.size() && j < 256; ++j) sets[j] = follower[j];
  BitWriter w;
  for (int j = 255; j >= 0; --j) {
    w.Put(static_cast<uint32_t>(sets[j].size()), 6);
    for (uint8_t b : sets[j]) w.Put(b, 8);
  }
  uint8_t last = 0;
  for (uint8_t b : stage2) {
    const auto& s = sets[last];
    if (s.empty()) {
      w.Put(b, 8);
    } else {
      auto it = std::find(s.begin(), s.end(), b);
      if (it == s.end()) {
        w.Put(1, 1);
        w.Put(b, 8);
      } else {
        w.Put(0, 1);
        w.Put(static_cast<uint32_t>(it - s.begin()), IndexBits(static_cast<unsigned>(s.size())));
      }
    }
    last = b;
  }
  return w.Finish();
}

Bytes Unreduced(const std::vector<ReduceToken>& tokens) {
  Bytes out;
  for (const ReduceToken& t : tokens) {
    if (!t.match) {
      out.push_back(t.literal);
      continue;
    }
    for (uint32_t k = 0; k < t.length; ++k)
      out.push_back(out.size() >= t.distance ? out[out.size() - t.distance] : 0);
  }
  return out;
}

namespace {

struct SfCode {
  std::vector<uint8_t> lengths;
  std::vector<uint16_t> codes;
};

void PutTree(BitWriter& w, const std::vector<uint8_t>& lengths) {
  std::vector<uint8_t> runs;
  for (size_t i = 0; i < lengths.size();) {
    size_t n = 1;
    while (n < 16 && i + n < lengths.size() && lengths[i + n] == lengths[i]) ++n;
    runs.push_back(static_cast<uint8_t>(((n - 1) << 4) | (lengths[i] - 1)));
    i += n;
  }
  w.Put(static_cast<uint32_t>(runs.size() - 1), 8);
  for (uint8_t r : runs) w.Put(r, 8);
}

SfCode MakeSf(std::vector<uint8_t> lengths) {
  SfCode c;
  c.codes.resize(lengths.size());
  ImplodeAssignCodes(lengths.data(), static_cast<unsigned>(lengths.size()), c.codes.data());
  c.lengths = std::move(lengths);
  return c;
}

}  // namespace

Bytes Implode(const std::vector<ImplodeToken>& tokens, uint16_t flags) {
  const bool big = flags & 2, lit_tree = flags & 4;
  const unsigned low_bits = big ? 7 : 6;
  const uint32_t min_match = lit_tree ? 3 : 2;
  // Uneven but complete trees, so that code assignment matters.
  std::vector<uint8_t> lit_len(256, 9);
  std::fill(lit_len.begin(), lit_len.begin() + 32, 6);
  std::fill(lit_len.begin() + 32, lit_len.begin() + 64, 8);
  std::vector<uint8_t> small(64, 7);
  small[0] = small[1] = 2;
  small[2] = small[3] = 6;
  const SfCode lit = MakeSf(lit_len), len = MakeSf(small), dist = MakeSf(small);
  BitWriter w;
  if (lit_tree) PutTree(w, lit.lengths);
  PutTree(w, len.lengths);
  PutTree(w, dist.lengths);
  for (const ImplodeToken& t : tokens) {
    if (!t.match) {
      w.Put(1, 1);
      if (lit_tree) w.PutMsbFirst(lit.codes[t.literal], lit.lengths[t.literal]);
      else w.Put(t.literal, 8);
      continue;
    }
    w.Put(0, 1);
    const uint32_t d = t.distance - 1;
    w.Put(d & ((1u << low_bits) - 1), low_bits);
    const uint32_t high = d >> low_bits;
    w.PutMsbFirst(dist.codes[high], dist.lengths[high]);
    const uint32_t l = t.length - min_match;
    const uint32_t sym = std::min<uint32_t>(l, 63);
    w.PutMsbFirst(len.codes[sym], len.lengths[sym]);
    if (sym == 63) w.Put(l - 63, 8);
  }
  return w.Finish();
}

Bytes Exploded(const std::vector<ImplodeToken>& tokens) {
  Bytes out;
  for (const ImplodeToken& t : tokens) {
    if (!t.match) {
      out.push_back(t.literal);
      continue;
    }
    for (uint32_t k = 0; k < t.length; ++k)
      out.push_back(out.size() >= t.distance ? out[out.size() - t.distance] : 0);
  }
  return out;
}

int32_t VectorSource::Read(uint8_t* buf, uint32_t n) {
  const size_t take = std::min<size_t>({n, chunk_, data_.size() - pos_});
  std::copy(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
            data_.begin() + static_cast<std::ptrdiff_t>(pos_ + take), buf);
  pos_ += take;
  return static_cast<int32_t>(take);
}

int VectorSink::Write(const uint8_t* d, uint32_t n) {
  data.insert(data.end(), d, d + n);
  largest_write = std::max(largest_write, n);
  return 0;
}

int Decode(uint16_t method, uint16_t flags, const Bytes& compressed, uint64_t size, bool size_known,
           Bytes* out) {
  VectorSource src(compressed);
  VectorSink sink;
  DecodeParams p;
  p.in = &src;
  p.out = &sink;
  p.size = size;
  p.size_known = size_known;
  p.flags = flags;
  int r;
  switch (method) {
    case 0: r = DecodeStored(p); break;
    case 1: r = DecodeShrunk(p); break;
    case 2: case 3: case 4: case 5: r = DecodeReduced(p, method - 1); break;
    case 6: r = DecodeImploded(p); break;
    case 8: r = DecodeDeflated(p); break;
    default: return -6;
  }
  if (out) *out = std::move(sink.data);
  return r;
}

}  // namespace strevo::ziptest
