#include "support/mpeg_vlc.h"

#include <vector>

namespace strevo::engine {
namespace {

constexpr CodeEntry kAddress[] = {
    {"1", 1}, {"011", 2}, {"010", 3}, {"0011", 4}, {"0010", 5}, {"00011", 6}, {"00010", 7},
    {"0000111", 8}, {"0000110", 9}, {"00001011", 10}, {"00001010", 11}, {"00001001", 12},
    {"00001000", 13}, {"00000111", 14}, {"00000110", 15}, {"0000010111", 16}, {"0000010110", 17},
    {"0000010101", 18}, {"0000010100", 19}, {"0000010011", 20}, {"0000010010", 21},
    {"00000100011", 22}, {"00000100010", 23}, {"00000100001", 24}, {"00000100000", 25},
    {"00000011111", 26}, {"00000011110", 27}, {"00000011101", 28}, {"00000011100", 29},
    {"00000011011", 30}, {"00000011010", 31}, {"00000011001", 32}, {"00000011000", 33},
    {"00000001000", 34}, {"00000001111", 35},
};

constexpr CodeEntry kTypeI[] = {{"1", kMbIntra}, {"01", kMbIntra | kMbQuant}};
constexpr CodeEntry kTypeP[] = {
    {"1", kMbForward | kMbPattern}, {"01", kMbPattern}, {"001", kMbForward},
    {"00011", kMbIntra}, {"00010", kMbForward | kMbPattern | kMbQuant},
    {"00001", kMbPattern | kMbQuant}, {"000001", kMbIntra | kMbQuant},
};
constexpr CodeEntry kTypeB[] = {
    {"10", kMbForward | kMbBackward}, {"11", kMbForward | kMbBackward | kMbPattern},
    {"010", kMbBackward}, {"011", kMbBackward | kMbPattern}, {"0010", kMbForward},
    {"0011", kMbForward | kMbPattern}, {"00011", kMbIntra},
    {"00010", kMbForward | kMbBackward | kMbPattern | kMbQuant},
    {"000011", kMbForward | kMbPattern | kMbQuant}, {"000010", kMbBackward | kMbPattern | kMbQuant},
    {"000001", kMbIntra | kMbQuant},
};

constexpr CodeEntry kPattern[] = {
    {"111", 60}, {"1101", 4}, {"1100", 8}, {"1011", 16}, {"1010", 32}, {"10011", 12}, {"10010", 48},
    {"10001", 20}, {"10000", 40}, {"01111", 28}, {"01110", 44}, {"01101", 52}, {"01100", 56},
    {"01011", 1}, {"01010", 61}, {"01001", 2}, {"01000", 62}, {"001111", 24}, {"001110", 36},
    {"001101", 3}, {"001100", 63}, {"0010111", 5}, {"0010110", 9}, {"0010101", 17}, {"0010100", 33},
    {"0010011", 6}, {"0010010", 10}, {"0010001", 18}, {"0010000", 34}, {"00011111", 7},
    {"00011110", 11}, {"00011101", 19}, {"00011100", 35}, {"00011011", 13}, {"00011010", 49},
    {"00011001", 21}, {"00011000", 41}, {"00010111", 14}, {"00010110", 50}, {"00010101", 22},
    {"00010100", 42}, {"00010011", 15}, {"00010010", 51}, {"00010001", 23}, {"00010000", 43},
    {"00001111", 25}, {"00001110", 37}, {"00001101", 26}, {"00001100", 38}, {"00001011", 29},
    {"00001010", 45}, {"00001001", 53}, {"00001000", 57}, {"00000111", 30}, {"00000110", 46},
    {"00000101", 54}, {"00000100", 58}, {"000000111", 31}, {"000000110", 47}, {"000000101", 55},
    {"000000100", 59}, {"000000011", 27}, {"000000010", 39}, {"000000001", 0},
};

// Magnitudes; the sign bit follows every code but the first.
constexpr CodeEntry kMotion[] = {
    {"1", 0}, {"01", 1}, {"001", 2}, {"0001", 3}, {"000011", 4}, {"0000101", 5}, {"0000100", 6},
    {"0000011", 7}, {"000001011", 8}, {"000001010", 9}, {"000001001", 10}, {"0000010001", 11},
    {"0000010000", 12}, {"0000001111", 13}, {"0000001110", 14}, {"0000001101", 15},
    {"0000001100", 16},
};

constexpr CodeEntry kDcLuma[] = {
    {"100", 0}, {"00", 1}, {"01", 2}, {"101", 3}, {"110", 4}, {"1110", 5}, {"11110", 6},
    {"111110", 7}, {"1111110", 8}, {"11111110", 9}, {"111111110", 10}, {"111111111", 11},
};
constexpr CodeEntry kDcChroma[] = {
    {"00", 0}, {"01", 1}, {"10", 2}, {"110", 3}, {"1110", 4}, {"11110", 5}, {"111110", 6},
    {"1111110", 7}, {"11111110", 8}, {"111111110", 9}, {"1111111110", 10}, {"1111111111", 11},
};

constexpr int RL(int run, int level) { return run * 256 + level; }

// Codes without their sign bit. The first-coefficient "1s" of non-intra
// blocks is handled by the reader.
constexpr CodeEntry kDctZero[] = {
    {"10", -1}, {"11", RL(0, 1)}, {"011", RL(1, 1)}, {"0100", RL(0, 2)}, {"0101", RL(2, 1)},
    {"00101", RL(0, 3)}, {"00111", RL(3, 1)}, {"00110", RL(4, 1)}, {"000110", RL(1, 2)},
    {"000111", RL(5, 1)}, {"000101", RL(6, 1)}, {"000100", RL(7, 1)}, {"0000110", RL(0, 4)},
    {"0000100", RL(2, 2)}, {"0000111", RL(8, 1)}, {"0000101", RL(9, 1)}, {"000001", -2},
    {"00100110", RL(0, 5)}, {"00100001", RL(0, 6)}, {"00100101", RL(1, 3)}, {"00100100", RL(3, 2)},
    {"00100111", RL(10, 1)}, {"00100011", RL(11, 1)}, {"00100010", RL(12, 1)}, {"00100000", RL(13, 1)},
    {"0000001010", RL(0, 7)}, {"0000001100", RL(1, 4)}, {"0000001011", RL(2, 3)},
    {"0000001111", RL(4, 2)}, {"0000001001", RL(5, 2)}, {"0000001110", RL(14, 1)},
    {"0000001101", RL(15, 1)}, {"0000001000", RL(16, 1)},
    {"000000011101", RL(0, 8)}, {"000000011000", RL(0, 9)}, {"000000010011", RL(0, 10)},
    {"000000010000", RL(0, 11)}, {"000000011011", RL(1, 5)}, {"000000010100", RL(2, 4)},
    {"000000011100", RL(3, 3)}, {"000000010010", RL(4, 3)}, {"000000011110", RL(6, 2)},
    {"000000010101", RL(7, 2)}, {"000000010001", RL(8, 2)}, {"000000011111", RL(17, 1)},
    {"000000011010", RL(18, 1)}, {"000000011001", RL(19, 1)}, {"000000010111", RL(20, 1)},
    {"000000010110", RL(21, 1)},
    {"0000000011010", RL(0, 12)}, {"0000000011001", RL(0, 13)}, {"0000000011000", RL(0, 14)},
    {"0000000010111", RL(0, 15)}, {"0000000010110", RL(1, 6)}, {"0000000010101", RL(1, 7)},
    {"0000000010100", RL(2, 5)}, {"0000000010011", RL(3, 4)}, {"0000000010010", RL(5, 3)},
    {"0000000010001", RL(9, 2)}, {"0000000010000", RL(10, 2)}, {"0000000011111", RL(22, 1)},
    {"0000000011110", RL(23, 1)}, {"0000000011101", RL(24, 1)}, {"0000000011100", RL(25, 1)},
    {"0000000011011", RL(26, 1)},
    {"00000000011111", RL(0, 16)}, {"00000000011110", RL(0, 17)}, {"00000000011101", RL(0, 18)},
    {"00000000011100", RL(0, 19)}, {"00000000011011", RL(0, 20)}, {"00000000011010", RL(0, 21)},
    {"00000000011001", RL(0, 22)}, {"00000000011000", RL(0, 23)}, {"00000000010111", RL(0, 24)},
    {"00000000010110", RL(0, 25)}, {"00000000010101", RL(0, 26)}, {"00000000010100", RL(0, 27)},
    {"00000000010011", RL(0, 28)}, {"00000000010010", RL(0, 29)}, {"00000000010001", RL(0, 30)},
    {"00000000010000", RL(0, 31)},
    {"000000000011000", RL(0, 32)}, {"000000000010111", RL(0, 33)}, {"000000000010110", RL(0, 34)},
    {"000000000010101", RL(0, 35)}, {"000000000010100", RL(0, 36)}, {"000000000010011", RL(0, 37)},
    {"000000000010010", RL(0, 38)}, {"000000000010001", RL(0, 39)}, {"000000000010000", RL(0, 40)},
    {"000000000011111", RL(1, 8)}, {"000000000011110", RL(1, 9)}, {"000000000011101", RL(1, 10)},
    {"000000000011100", RL(1, 11)}, {"000000000011011", RL(1, 12)}, {"000000000011010", RL(1, 13)},
    {"000000000011001", RL(1, 14)},
    {"0000000000010011", RL(1, 15)}, {"0000000000010010", RL(1, 16)}, {"0000000000010001", RL(1, 17)},
    {"0000000000010000", RL(1, 18)}, {"0000000000010100", RL(6, 3)}, {"0000000000011010", RL(11, 2)},
    {"0000000000011001", RL(12, 2)}, {"0000000000011000", RL(13, 2)}, {"0000000000010111", RL(14, 2)},
    {"0000000000010110", RL(15, 2)}, {"0000000000010101", RL(16, 2)}, {"0000000000011111", RL(27, 1)},
    {"0000000000011110", RL(28, 1)}, {"0000000000011101", RL(29, 1)}, {"0000000000011100", RL(30, 1)},
    {"0000000000011011", RL(31, 1)},
};

// The alternative intra table: short codes differ, the long ones are shared.
constexpr CodeEntry kDctOneShort[] = {
    {"0110", -1}, {"10", RL(0, 1)}, {"010", RL(1, 1)}, {"110", RL(0, 2)}, {"00101", RL(2, 1)},
    {"0111", RL(0, 3)}, {"00111", RL(3, 1)}, {"000110", RL(4, 1)}, {"00110", RL(1, 2)},
    {"000111", RL(5, 1)}, {"0000110", RL(6, 1)}, {"0000100", RL(7, 1)}, {"11100", RL(0, 4)},
    {"0000111", RL(2, 2)}, {"0000101", RL(8, 1)}, {"1111000", RL(9, 1)}, {"000001", -2},
    {"11101", RL(0, 5)}, {"000101", RL(0, 6)}, {"1111001", RL(1, 3)}, {"00100110", RL(3, 2)},
    {"1111010", RL(10, 1)}, {"00100001", RL(11, 1)}, {"00100101", RL(12, 1)}, {"00100100", RL(13, 1)},
    {"000100", RL(0, 7)}, {"00100111", RL(1, 4)}, {"11111100", RL(2, 3)}, {"11111101", RL(4, 2)},
    {"000000100", RL(5, 2)}, {"000000101", RL(14, 1)}, {"000000111", RL(15, 1)},
    {"0000001101", RL(16, 1)}, {"1111011", RL(0, 8)}, {"1111100", RL(0, 9)}, {"00100011", RL(0, 10)},
    {"00100010", RL(0, 11)}, {"00100000", RL(1, 5)}, {"0000001100", RL(2, 4)},
    {"11111010", RL(0, 12)}, {"11111011", RL(0, 13)}, {"11111110", RL(0, 14)}, {"11111111", RL(0, 15)},
};

struct Slot {
  int16_t value = 0;
  uint8_t length = 0;  // 0: no code
};

// A look-up over the next `bits` bits, after `prefix_len` bits that must equal
// `prefix` (a second-level table for long codes).
struct Lookup {
  int bits = 0;
  std::vector<Slot> slots;
};

int CodeLength(const char* s) {
  int n = 0;
  for (; *s; ++s) n += (*s == '0' || *s == '1');
  return n;
}
uint32_t CodeValue(const char* s) {
  uint32_t v = 0;
  for (; *s; ++s)
    if (*s == '0' || *s == '1') v = (v << 1) | static_cast<uint32_t>(*s - '0');
  return v;
}

// Fills `t` with the codes of length prefix_len < len <= prefix_len + t.bits
// that start with `prefix`.
void Fill(Lookup& t, const CodeEntry* codes, int count, int prefix_len, uint32_t prefix) {
  t.slots.resize(size_t{1} << t.bits);
  for (int i = 0; i < count; ++i) {
    int len = CodeLength(codes[i].bits);
    uint32_t v = CodeValue(codes[i].bits);
    if (len <= prefix_len || len > prefix_len + t.bits) continue;
    if ((v >> (len - prefix_len)) != prefix) continue;
    int rest = len - prefix_len;
    uint32_t tail = v & ((1u << rest) - 1);
    uint32_t first = tail << (t.bits - rest);
    for (uint32_t k = 0; k < (1u << (t.bits - rest)); ++k) {
      t.slots[first + k] = Slot{static_cast<int16_t>(codes[i].value), static_cast<uint8_t>(len)};
    }
  }
}

Lookup Make(const CodeEntry* codes, int count, int bits) {
  Lookup t;
  t.bits = bits;
  Fill(t, codes, count, 0, 0);
  return t;
}

// DCT tables: the first 8 bits, then codes starting with six zeros by the 10
// bits after them.
struct DctLookup {
  Lookup head, tail;
};
DctLookup MakeDct(const std::vector<CodeEntry>& codes) {
  DctLookup d;
  d.head.bits = 8;
  Fill(d.head, codes.data(), static_cast<int>(codes.size()), 0, 0);
  d.tail.bits = 10;
  Fill(d.tail, codes.data(), static_cast<int>(codes.size()), 6, 0);
  return d;
}

std::vector<CodeEntry> DctOneCodes() {
  std::vector<CodeEntry> v(std::begin(kDctOneShort), std::end(kDctOneShort));
  // Codes of twelve bits or more are shared, except those whose values have
  // shorter codes in this table.
  for (const CodeEntry& e : kDctZero) {
    int run = e.value >> 8, level = e.value & 255;
    bool short_here = (run == 0 && level >= 8 && level <= 15) || (run == 1 && level == 5) || (run == 2 && level == 4);
    if (CodeLength(e.bits) >= 12 && !short_here) v.push_back(e);
  }
  return v;
}

struct Tables {
  Lookup address = Make(kAddress, std::size(kAddress), 11);
  Lookup type[3] = {Make(kTypeI, std::size(kTypeI), 2), Make(kTypeP, std::size(kTypeP), 6),
                    Make(kTypeB, std::size(kTypeB), 6)};
  Lookup pattern = Make(kPattern, std::size(kPattern), 9);
  Lookup motion = Make(kMotion, std::size(kMotion), 10);
  Lookup dc[2] = {Make(kDcLuma, std::size(kDcLuma), 9), Make(kDcChroma, std::size(kDcChroma), 10)};
  DctLookup dct[2] = {MakeDct(std::vector<CodeEntry>(std::begin(kDctZero), std::end(kDctZero))),
                      MakeDct(DctOneCodes())};
  std::vector<CodeEntry> dct_one_codes = DctOneCodes();
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

int Read(BitReader& br, const Lookup& t) {
  const Slot& s = t.slots[br.Peek(t.bits)];
  if (s.length == 0) return kBadCode;
  br.Skip(s.length);
  return s.value;
}

}  // namespace

int ReadAddressIncrement(BitReader& br) { return Read(br, T().address); }

int ReadMacroblockType(BitReader& br, int picture_type) {
  if (picture_type < 1 || picture_type > 3) return kBadCode;
  return Read(br, T().type[picture_type - 1]);
}

int ReadCodedBlockPattern(BitReader& br) { return Read(br, T().pattern); }

int ReadMotionCode(BitReader& br) {
  int m = Read(br, T().motion);
  if (m > 0 && br.GetBit()) m = -m;
  return m;
}

int ReadDualPrimeVector(BitReader& br) {
  if (!br.GetBit()) return 0;
  return br.GetBit() ? -1 : 1;
}

int ReadDcSize(BitReader& br, bool chroma) { return Read(br, T().dc[chroma ? 1 : 0]); }

RunLevel ReadRunLevel(BitReader& br, bool table_one, bool first) {
  if (first && br.Peek(1) == 1) {
    br.Skip(1);
    return {0, br.GetBit() ? -1 : 1};
  }
  const DctLookup& d = T().dct[table_one ? 1 : 0];
  uint32_t head = br.Peek(8);
  const Slot* s = &d.head.slots[head];
  if (s->length == 0) {
    if ((head >> 2) != 0) return {kRunBad, 0};
    s = &d.tail.slots[(br.Peek(16)) & 0x3ff];
    if (s->length == 0) return {kRunBad, 0};
  }
  br.Skip(s->length);
  if (s->value == -1) return {kRunEob, 0};
  if (s->value == -2) return {kRunEscape, 0};
  int level = s->value & 255;
  return {s->value >> 8, br.GetBit() ? -level : level};
}

const uint8_t kScan[2][64] = {
    {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
     41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
     30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63},
    {0,  8,  16, 24, 1,  9,  2,  10, 17, 25, 32, 40, 48, 56, 57, 49, 41, 33, 26, 18, 3,  11,
     4,  12, 19, 27, 34, 42, 50, 58, 35, 43, 51, 59, 20, 28, 5,  13, 6,  14, 21, 29, 36, 44,
     52, 60, 37, 45, 53, 61, 22, 30, 7,  15, 23, 31, 38, 46, 54, 62, 39, 47, 55, 63},
};

const std::array<uint8_t, 64> kDefaultIntraMatrix = {
    8,  16, 19, 22, 26, 27, 29, 34, 16, 16, 22, 24, 27, 29, 34, 37, 19, 22, 26, 27, 29, 34,
    34, 38, 22, 22, 26, 27, 29, 34, 37, 40, 22, 26, 27, 29, 32, 35, 40, 48, 26, 27, 29, 32,
    35, 40, 48, 58, 26, 27, 29, 34, 38, 46, 56, 69, 27, 29, 35, 38, 46, 56, 69, 83,
};

const uint8_t kNonLinearQuantScale[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10, 12,
                                          14, 16, 18, 20, 22, 24, 28, 32, 36, 40, 44,
                                          48, 52, 56, 64, 72, 80, 88, 96, 104, 112};

CodeTable CodesOf(VlcTable table) {
  switch (table) {
    case VlcTable::kAddress: return {kAddress, static_cast<int>(std::size(kAddress))};
    case VlcTable::kTypeI: return {kTypeI, static_cast<int>(std::size(kTypeI))};
    case VlcTable::kTypeP: return {kTypeP, static_cast<int>(std::size(kTypeP))};
    case VlcTable::kTypeB: return {kTypeB, static_cast<int>(std::size(kTypeB))};
    case VlcTable::kPattern: return {kPattern, static_cast<int>(std::size(kPattern))};
    case VlcTable::kMotion: return {kMotion, static_cast<int>(std::size(kMotion))};
    case VlcTable::kDcLuma: return {kDcLuma, static_cast<int>(std::size(kDcLuma))};
    case VlcTable::kDcChroma: return {kDcChroma, static_cast<int>(std::size(kDcChroma))};
    case VlcTable::kDctZero: return {kDctZero, static_cast<int>(std::size(kDctZero))};
    case VlcTable::kDctOne: return {T().dct_one_codes.data(), static_cast<int>(T().dct_one_codes.size())};
  }
  return {nullptr, 0};
}

}  // namespace strevo::engine
