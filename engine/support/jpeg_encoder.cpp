#include "support/jpeg_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace strevo::engine {

const std::array<uint8_t, 64> kZigZag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

const std::array<uint8_t, 64> kLumaQuant = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

const std::array<uint8_t, 64> kChromaQuant = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

namespace {

const uint8_t kDcLumaCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kDcChromaCounts[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
const uint8_t kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

const uint8_t kAcLumaCounts[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
const uint8_t kAcLumaSymbols[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07,
    0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0,
    0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28,
    0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
    0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
    0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
    0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5,
    0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};

const uint8_t kAcChromaCounts[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
const uint8_t kAcChromaSymbols[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71,
    0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0,
    0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26,
    0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,
    0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68,
    0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
    0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5,
    0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};

// Entropy-coded data: bits go in most significant first; a 0xFF byte is
// followed by a stuffed 0x00 so that it cannot be read as a marker.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      acc_ = static_cast<uint8_t>((acc_ << 1) | ((bits >> i) & 1));
      if (++filled_ == 8) Flush();
    }
  }
  void Finish() {
    while (filled_ != 0) Put(1, 1);  // pad with one bits
  }

 private:
  void Flush() {
    out_.push_back(acc_);
    if (acc_ == 0xff) out_.push_back(0);
    acc_ = 0;
    filled_ = 0;
  }
  std::vector<uint8_t>& out_;
  uint8_t acc_ = 0;
  int filled_ = 0;
};

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void PutHuffmanTable(std::vector<uint8_t>& out, uint8_t cls, const uint8_t counts[16], const uint8_t* symbols) {
  out.push_back(cls);
  int n = 0;
  for (int i = 0; i < 16; ++i) {
    out.push_back(counts[i]);
    n += counts[i];
  }
  out.insert(out.end(), symbols, symbols + n);
}

struct Component {
  std::array<float, 64> divisors;  // quantiser per natural index
  std::array<HuffmanCode, 256> dc, ac;
  int previousDc = 0;
};

void EncodeBlock(BitWriter& bw, const float samples[64], Component& c) {
  float coef[64];
  ForwardDct8x8(samples, coef);
  int q[64];
  for (int i = 0; i < 64; ++i) q[i] = static_cast<int>(std::lround(coef[kZigZag[i]] / c.divisors[kZigZag[i]]));
  int diff = q[0] - c.previousDc;
  c.previousDc = q[0];
  int cat = MagnitudeCategory(diff);
  bw.Put(c.dc[cat].code, c.dc[cat].length);
  if (cat) bw.Put(static_cast<uint32_t>(diff < 0 ? diff - 1 : diff) & ((1u << cat) - 1), cat);
  int run = 0;
  for (int k = 1; k < 64; ++k) {
    if (q[k] == 0) {
      ++run;
      continue;
    }
    while (run > 15) {
      bw.Put(c.ac[0xf0].code, c.ac[0xf0].length);
      run -= 16;
    }
    int v = q[k];
    int vc = MagnitudeCategory(v);
    const HuffmanCode& h = c.ac[(run << 4) | vc];
    bw.Put(h.code, h.length);
    bw.Put(static_cast<uint32_t>(v < 0 ? v - 1 : v) & ((1u << vc) - 1), vc);
    run = 0;
  }
  if (run > 0) bw.Put(c.ac[0].code, c.ac[0].length);
}

}  // namespace

void ForwardDct8x8(const float in[64], float out[64]) {
  static float cosTable[8][8];
  static bool ready = [] {
    const double pi = 3.14159265358979323846;
    for (int u = 0; u < 8; ++u)
      for (int x = 0; x < 8; ++x)
        cosTable[u][x] = static_cast<float>((u == 0 ? std::sqrt(0.125) : 0.5) * std::cos((2 * x + 1) * u * pi / 16));
    return true;
  }();
  (void)ready;
  float tmp[64];
  for (int y = 0; y < 8; ++y)
    for (int u = 0; u < 8; ++u) {
      float s = 0;
      for (int x = 0; x < 8; ++x) s += cosTable[u][x] * in[y * 8 + x];
      tmp[y * 8 + u] = s;
    }
  for (int v = 0; v < 8; ++v)
    for (int u = 0; u < 8; ++u) {
      float s = 0;
      for (int y = 0; y < 8; ++y) s += cosTable[v][y] * tmp[y * 8 + u];
      out[v * 8 + u] = s;
    }
}

std::array<uint8_t, 64> ScaledQuantTable(const std::array<uint8_t, 64>& base, int quality) {
  quality = std::clamp(quality, 1, 100);
  int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
  std::array<uint8_t, 64> t{};
  for (int i = 0; i < 64; ++i) t[i] = static_cast<uint8_t>(std::clamp((base[i] * scale + 50) / 100, 1, 255));
  return t;
}

int MagnitudeCategory(int v) {
  unsigned a = static_cast<unsigned>(v < 0 ? -v : v);
  int n = 0;
  while (a) {
    ++n;
    a >>= 1;
  }
  return n;
}

std::array<HuffmanCode, 256> BuildHuffmanCodes(const uint8_t counts[16], const uint8_t* symbols) {
  std::array<HuffmanCode, 256> codes{};
  uint16_t code = 0;
  int k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < counts[len - 1]; ++i) codes[symbols[k++]] = HuffmanCode{code++, static_cast<uint8_t>(len)};
    code = static_cast<uint16_t>(code << 1);
  }
  return codes;
}

std::vector<uint8_t> EncodeJpeg(const uint8_t* rgb, int width, int height, int stride, int quality) {
  std::vector<uint8_t> out;
  if (!rgb || width <= 0 || height <= 0 || width > 65535 || height > 65535) return out;
  auto lq = ScaledQuantTable(kLumaQuant, quality), cq = ScaledQuantTable(kChromaQuant, quality);

  out = {0xff, 0xd8, 0xff, 0xe0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  out.insert(out.end(), {0xff, 0xdb, 0, 132, 0});
  for (int i = 0; i < 64; ++i) out.push_back(lq[kZigZag[i]]);
  out.push_back(1);
  for (int i = 0; i < 64; ++i) out.push_back(cq[kZigZag[i]]);
  out.insert(out.end(), {0xff, 0xc0, 0, 17, 8});
  Put16(out, static_cast<unsigned>(height));
  Put16(out, static_cast<unsigned>(width));
  out.insert(out.end(), {3, 1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1});
  out.insert(out.end(), {0xff, 0xc4});
  Put16(out, 2 + 4 * 17 + 12 + 162 + 12 + 162);
  PutHuffmanTable(out, 0x00, kDcLumaCounts, kDcSymbols);
  PutHuffmanTable(out, 0x10, kAcLumaCounts, kAcLumaSymbols);
  PutHuffmanTable(out, 0x01, kDcChromaCounts, kDcSymbols);
  PutHuffmanTable(out, 0x11, kAcChromaCounts, kAcChromaSymbols);
  out.insert(out.end(), {0xff, 0xda, 0, 12, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});

  Component comps[3];
  for (int c = 0; c < 3; ++c) {
    const auto& qt = c == 0 ? lq : cq;
    for (int i = 0; i < 64; ++i) comps[c].divisors[i] = qt[i];
    comps[c].dc = BuildHuffmanCodes(c == 0 ? kDcLumaCounts : kDcChromaCounts, kDcSymbols);
    comps[c].ac = c == 0 ? BuildHuffmanCodes(kAcLumaCounts, kAcLumaSymbols)
                         : BuildHuffmanCodes(kAcChromaCounts, kAcChromaSymbols);
  }
  BitWriter bw(out);
  float blocks[3][64];
  for (int by = 0; by < height; by += 8)
    for (int bx = 0; bx < width; bx += 8) {
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          // Partial blocks at the right and bottom repeat the edge pixels.
          const uint8_t* p = rgb + std::min(by + y, height - 1) * static_cast<std::ptrdiff_t>(stride) + std::min(bx + x, width - 1) * 3;
          float r = p[0], g = p[1], b = p[2];
          blocks[0][y * 8 + x] = 0.299f * r + 0.587f * g + 0.114f * b - 128;
          blocks[1][y * 8 + x] = -0.168736f * r - 0.331264f * g + 0.5f * b;
          blocks[2][y * 8 + x] = 0.5f * r - 0.418688f * g - 0.081312f * b;
        }
      for (int c = 0; c < 3; ++c) EncodeBlock(bw, blocks[c], comps[c]);
    }
  bw.Finish();
  out.insert(out.end(), {0xff, 0xd9});
  return out;
}

}  // namespace strevo::engine
