// The decoder's parts: its code tables, the inverse transform, the motion
// compensation at the picture's edges, and the bit reader past the end.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/mpeg_idct.h"
#include "support/mpeg_motion.h"
#include "support/mpeg_vlc.h"

namespace strevo::engine {
namespace {

std::vector<uint8_t> Pack(const std::string& bits) {
  std::vector<uint8_t> out((bits.size() + 7) / 8 + 8, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') out[i / 8] |= uint8_t(0x80 >> (i % 8));
  return out;
}

TEST(MpegTables, EveryTableIsAPrefixCodeThatReadsBack) {
  const VlcTable all[] = {VlcTable::kAddress, VlcTable::kTypeI,   VlcTable::kTypeP,  VlcTable::kTypeB,
                          VlcTable::kPattern, VlcTable::kMotion,  VlcTable::kDcLuma, VlcTable::kDcChroma,
                          VlcTable::kDctZero, VlcTable::kDctOne};
  for (VlcTable t : all) {
    CodeTable codes = CodesOf(t);
    ASSERT_GT(codes.count, 0);
    double kraft = 0;
    for (int i = 0; i < codes.count; ++i) {
      std::string a = codes.entries[i].bits;
      kraft += std::ldexp(1.0, -int(a.size()));
      for (int j = 0; j < codes.count; ++j) {
        std::string b = codes.entries[j].bits;
        if (i != j) EXPECT_NE(b.rfind(a, 0), 0u) << a << " is a prefix of " << b << " in table " << int(t);
      }
      // Read back, followed by a sign bit of 1 and other bits.
      std::vector<uint8_t> bytes = Pack(a + "1" + "0101");
      BitReader br(bytes.data(), bytes.size());
      int v = codes.entries[i].value;
      switch (t) {
        case VlcTable::kAddress: EXPECT_EQ(ReadAddressIncrement(br), v); break;
        case VlcTable::kTypeI: EXPECT_EQ(ReadMacroblockType(br, 1), v); break;
        case VlcTable::kTypeP: EXPECT_EQ(ReadMacroblockType(br, 2), v); break;
        case VlcTable::kTypeB: EXPECT_EQ(ReadMacroblockType(br, 3), v); break;
        case VlcTable::kPattern: EXPECT_EQ(ReadCodedBlockPattern(br), v); break;
        case VlcTable::kMotion: EXPECT_EQ(ReadMotionCode(br), -v) << a; break;
        case VlcTable::kDcLuma: EXPECT_EQ(ReadDcSize(br, false), v); break;
        case VlcTable::kDcChroma: EXPECT_EQ(ReadDcSize(br, true), v); break;
        case VlcTable::kDctZero:
        case VlcTable::kDctOne: {
          RunLevel rl = ReadRunLevel(br, t == VlcTable::kDctOne, false);
          if (v == -1) EXPECT_EQ(rl.run, kRunEob) << a;
          else if (v == -2) EXPECT_EQ(rl.run, kRunEscape) << a;
          else {
            EXPECT_EQ(rl.run, v >> 8) << a;
            EXPECT_EQ(rl.level, -(v & 255)) << a;  // the sign bit was 1
          }
          break;
        }
      }
      size_t sign = (t == VlcTable::kMotion && v != 0) ||
                    ((t == VlcTable::kDctZero || t == VlcTable::kDctOne) && v >= 0);
      EXPECT_EQ(br.BitPosition(), a.size() + sign) << a;
    }
    EXPECT_LE(kraft, 1.0) << int(t);
  }
}

TEST(MpegTables, PatternsAndRunLevelsAreEachCodedOnce) {
  CodeTable p = CodesOf(VlcTable::kPattern);
  std::set<int> patterns;
  for (int i = 0; i < p.count; ++i) patterns.insert(p.entries[i].value);
  EXPECT_EQ(patterns.size(), 64u);
  // Both coefficient tables code the same 111 run/level pairs.
  for (VlcTable t : {VlcTable::kDctZero, VlcTable::kDctOne}) {
    CodeTable d = CodesOf(t);
    std::set<int> pairs;
    for (int i = 0; i < d.count; ++i)
      if (d.entries[i].value >= 0) pairs.insert(d.entries[i].value);
    EXPECT_EQ(pairs.size(), 111u);
  }
}

TEST(MpegTables, UnknownCodesAreRefusedAndNotConsumed) {
  std::vector<uint8_t> zeros(8, 0);
  BitReader br(zeros.data(), zeros.size());
  EXPECT_LT(ReadAddressIncrement(br), 0);
  EXPECT_LT(ReadCodedBlockPattern(br), 0);
  EXPECT_EQ(ReadMotionCode(br), kBadCode);
  EXPECT_EQ(ReadRunLevel(br, false, false).run, kRunBad);
  EXPECT_EQ(br.BitPosition(), 0u);
}

TEST(MpegTables, FirstCoefficientOfAnInterBlockIsShort) {
  std::vector<uint8_t> b = Pack("10");  // "1s": run 0, level +1
  BitReader br(b.data(), b.size());
  RunLevel rl = ReadRunLevel(br, false, true);
  EXPECT_EQ(rl.run, 0);
  EXPECT_EQ(rl.level, 1);
  EXPECT_EQ(br.BitPosition(), 2u);
}

TEST(MpegTables, ScansArePermutationsAndMatrixDefaultsHold) {
  for (const auto& scan : kScan) {
    std::set<int> s(std::begin(scan), std::end(scan));
    EXPECT_EQ(s.size(), 64u);
  }
  EXPECT_EQ(kScan[0][2], 8);  // zig-zag goes down after the first step right
  EXPECT_EQ(kScan[1][1], 8);  // the alternate scan goes down first
  EXPECT_EQ(kDefaultIntraMatrix[0], 8);
  EXPECT_EQ(kDefaultIntraMatrix[63], 83);
}

TEST(BitReading, PastTheEndGivesZerosAndFlagsOverrun) {
  const uint8_t b[2] = {0xA5, 0xFF};
  BitReader br(b, 2);
  EXPECT_EQ(br.Get(4), 0xAu);
  EXPECT_EQ(br.Peek(16), 0x5FF0u);
  EXPECT_FALSE(br.overrun);
  br.Get(12);
  EXPECT_FALSE(br.overrun);
  EXPECT_EQ(br.Get(8), 0u);
  EXPECT_TRUE(br.overrun);
}

// The transform against the textbook definition in double precision, on
// random blocks of the ranges the standard's accuracy test uses.
TEST(InverseDct, MeetsTheAccuracyBoundsAgainstTheDefinition) {
  std::mt19937 rng(1180);
  double basis[8][8];
  for (int x = 0; x < 8; ++x)
    for (int u = 0; u < 8; ++u) basis[x][u] = (u ? 0.5 : std::sqrt(0.125)) * std::cos((2 * x + 1) * u * std::numbers::pi / 16);
  for (int range : {256, 5, 300}) {
    std::uniform_int_distribution<int> dist(-range, range - 1);
    int64_t total_error = 0, total_sq = 0, peak = 0;
    const int blocks = 1000;
    for (int n = 0; n < blocks; ++n) {
      int16_t in[64] = {};
      for (int i = 0; i < 64; ++i) in[i] = int16_t(i < 10 || n % 3 == 0 ? dist(rng) * 8 : 0);
      int out[64];
      InverseDct(in, out);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          double s = 0;
          for (int v = 0; v < 8; ++v)
            for (int u = 0; u < 8; ++u) s += basis[y][v] * basis[x][u] * in[v * 8 + u];
          int ref = int(std::floor(s + 0.5));
          int e = out[y * 8 + x] - ref;
          total_error += e;
          total_sq += e * e;
          peak = std::max<int64_t>(peak, std::abs(e));
        }
    }
    EXPECT_LE(peak, 1) << range;
    EXPECT_LE(double(total_sq) / (blocks * 64.0), 0.02) << range;
    EXPECT_LE(std::abs(double(total_error)) / (blocks * 64.0), 0.0015) << range;
  }
}

TEST(InverseDct, PutAndAddSaturate) {
  int16_t dc[64] = {};
  dc[0] = 8 * 300;  // every sample 300
  uint8_t block[8 * 8];
  IdctPut(dc, block, 8);
  EXPECT_EQ(block[0], 255);
  dc[0] = -8 * 40;  // every sample -40
  for (uint8_t& b : block) b = 30;
  IdctAdd(dc, block, 8);
  EXPECT_EQ(block[63], 0);
  for (uint8_t& b : block) b = 250;
  dc[0] = 8 * 10;
  IdctAdd(dc, block, 8);
  EXPECT_EQ(block[5], 255);
}

TEST(MotionCompensation, HalfSamplesRoundUpAndVectorsOutsideRepeatTheEdge) {
  uint8_t pic[4 * 4] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150};
  Plane ref{pic, 4, 4, 4};
  uint8_t d[4] = {};
  PredictBlock(ref, d, 2, 0, 0, 2, 2, 1, 0, false);  // half a sample right
  EXPECT_EQ(d[0], 5);
  EXPECT_EQ(d[1], 15);
  PredictBlock(ref, d, 2, 0, 0, 2, 2, 1, 1, false);  // diagonal: (0+10+40+50+2)/4
  EXPECT_EQ(d[0], 25);
  PredictBlock(ref, d, 2, 0, 0, 2, 2, 0, 0, true);  // averaged with what is there
  EXPECT_EQ(d[0], 13);                                // (25 + 0 + 1) / 2
  // Far outside: the corner sample, repeated; no read outside the plane.
  PredictBlock(ref, d, 2, 2, 2, 2, 2, 1000, 1000, false);
  EXPECT_EQ(d[0], 150);
  EXPECT_EQ(d[3], 150);
  PredictBlock(ref, d, 2, 0, 0, 2, 2, -999, -7, false);
  EXPECT_EQ(d[0], 0);
  // One field of a frame: every other line.
  Plane bottom = FieldOf(ref, 1);
  PredictBlock(bottom, d, 2, 0, 0, 2, 2, 0, 0, false);
  EXPECT_EQ(d[0], 40);
  EXPECT_EQ(d[2], 120);
}

}  // namespace
}  // namespace strevo::engine
